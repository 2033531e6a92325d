#include "convert/mobile_data.h"

#include <algorithm>
#include <array>
#include <utility>

#include "convert/mobile_track_data.h"
#include "core/reporters.h"

namespace {

const CodeText kMobileTable[] = {
    {mbdt::kDrumRange,
     "ドラムで指定されている音が35(バスドラ)～81(オープントライアングル)の範囲内にありません。"
     "範囲内に調整しました。"},
    {mbdt::kInternal, "Internal error occured in MobileData!"},
    {mbdt::kTooManySlots, "Channel number exceeds the number which was expected!"},
    {mbdt::kCannotOpen, "Can not open file for mobile data!"},
    {mbdt::kTooManyToPlay, "The number of chanel exceeds the number that can be played!"},
    {mbdt::kDataType, "Data type error in MobileData!"},
    {mbdt::kClickTooFast1, "Click operation is too fast!(1)"},
    {mbdt::kClickTooFast2, "Click operation is too fast!(2)"},
    {mbdt::kDrumChannel, "Error in channel of drums in mobile data!"},
    {mbdt::kTempoError, "Tempo error has been detected in file to play!"},
    {mbdt::kDrumNotOn10, "Channel other than 10 is used for drum in converting ringtone melody!"},
};
constexpr ClassReporter kMobileReporter("MBDT", kMobileTable, "Error occured in MobileData!");

OnceWarning& DrumRangeWarning() {
    static OnceWarning warning(kMobileReporter);
    return warning;
}

constexpr int kDrumChannel = 9;
// Tracks the tune form always holds, so that the drum track stands on
// channel 10.
constexpr int kMinTuneTracks = 10;
constexpr int kMidiChannels = 16;

int ClampDelta(long long v) {
    return static_cast<int>(std::clamp<long long>(v, 0, 0x7FFFFFFF));
}

// What the build keeps for one slot of the track being read.
struct BuildSlot {
    long long pending = 0;  // ticks since the slot's last event
    long long busy = 0;     // ticks its sounding note still lasts
    int lastNote = -1;      // index of its last note
};

}  // namespace

void MobileData::ShowError(std::uint32_t code) {
    kMobileReporter.Show(code);
}

void MobileData::ShowDrumRangeWarning() {
    DrumRangeWarning().Show(mbdt::kDrumRange);
}

void MobileData::ResetDrumRangeWarning() {
    DrumRangeWarning().Reset();
}

MobileData::MobileData(int capacity) : capacity_(capacity) {}

MobileData::MobileData(const MidiF1Data& song, int capacity, Markers* markers)
    : capacity_(capacity) {
    BuildFromSong(song, markers);
}

MobileData::MobileData(const MobileData& source, int capacity)
    : division(source.division),
      tempo(source.tempo),
      timeSignature(source.timeSignature),
      title(source.title),
      copyright(source.copyright),
      capacity_(capacity) {
    for (const auto& slot : source.slots_)
        slots_.push_back(std::make_unique<MobileChanelData>(*slot, capacity));
}

MobileData::MobileData(const MobileData& source, long long begin, long long end, int capacity)
    : division(source.division),
      tempo(source.tempo),
      timeSignature(source.timeSignature),
      title(source.title),
      copyright(source.copyright),
      capacity_(capacity) {
    for (const auto& slot : source.slots_)
        slots_.push_back(std::make_unique<MobileChanelData>(*slot, begin, end, capacity));
}

MobileData::~MobileData() {
    StopOwnPlay();
}

bool MobileData::AddSlot(std::unique_ptr<MobileChanelData> slot) {
    if (!slot) return false;
    if (Count() >= kMaxSlots) {
        ShowError(mbdt::kTooManySlots);
        return false;
    }
    slots_.push_back(std::move(slot));
    return true;
}

void MobileData::TakeSongTexts(const MidiF1Data& song) {
    std::string text;
    title = song.GetMetaText(meta_type::kTrackName, text) ? text : "Untitled";
    text.clear();
    copyright = song.GetMetaText(meta_type::kCopyright, text) ? text : "No Copyright Info";
    int code = 0;
    timeSignature = song.GetTimeSignature(&code) ? code : kDefaultTimeSignature;
    division = song.division;
    tempo = kDefaultTempo;
}

void MobileData::BuildFromSong(const MidiF1Data& song, Markers* markers) {
    ResetDrumRangeWarning();
    if (song.noteMode != note_mode::kLength) {
        ShowError(mbdt::kInternal);
        return;
    }
    TakeSongTexts(song);
    std::vector<std::pair<long long, int>> tempos;
    song.CollectTempos(tempos);
    if (markers) *markers = Markers{};
    for (int t = 0; t < song.TrackCount(); ++t) {
        const MidiF1TrackData* track = song.Track(t);
        if (markers) {
            long long start = track->FindMetaTextTime(meta_type::kMarker, "START");
            long long stop = track->FindMetaTextTime(meta_type::kMarker, "STOP");
            if (start >= 0 && (markers->start < 0 || start < markers->start)) markers->start = start;
            if (stop >= 0 && (markers->stop < 0 || stop < markers->stop)) markers->stop = stop;
        }
        bool drumTrack = song.IsDrumTrack(t) != 0;
        int channel = track->GetFirstChannel();
        if (drumTrack && channel != kDrumChannel) ShowError(mbdt::kDrumNotOn10);
        const int first = Count();
        BuildTrack(*track, channel == kDrumChannel);
        for (int k = first; k < Count(); ++k)
            slots_[static_cast<std::size_t>(k)]->tuneChannel = channel;
    }
    InsertTempos(tempos);
    RemoveZeroLengthNotes();
}

std::unique_ptr<MobileChanelData> MobileData::NewBuildSlot(bool drum, int program,
                                                           int volume) const {
    auto slot = std::make_unique<MobileChanelData>(
        Count(), drum ? MobileChanelData::kKindDrum : MobileChanelData::kKindMelodic, capacity_);
    slot->enabled = 1;
    slot->AppendControl(0, mobile_code::kKind, drum ? kDrumKindValue : 0);
    // A drum slot's program is its drum note.
    if (program >= 0) slot->AppendControl(0, mobile_code::kProgram, program);
    slot->AppendControl(0, mobile_code::kVolume, volume);
    return slot;
}

void MobileData::BuildTrack(const MidiF1TrackData& track, bool drum) {
    const int first = Count();
    std::vector<BuildSlot> state;
    std::array<int, 128> drumSlotOf;  // slot of each drum note
    drumSlotOf.fill(-1);
    int volume = 127;
    int program = -1;
    long long now = 0;
    bool overflowShown = false;
    // A control for every slot of the track.
    auto toAll = [&](int subtype, int value, int low) {
        for (std::size_t k = 0; k < state.size(); ++k) {
            MobileChanelData& slot = *slots_[first + k];
            int index = slot.AppendControl(ClampDelta(state[k].pending), subtype, value);
            slot.Event(index)->note = low;
            state[k].pending = 0;
        }
    };
    for (const MidiEvent* e : track.Events()) {
        long long d = std::max(e->delta, 0);
        now += d;
        for (BuildSlot& s : state) {
            s.pending += d;
            s.busy = std::max<long long>(s.busy - d, 0);
        }
        if (e->IsNoteWithLength()) {
            int note = e->note;
            if (drum && (note < kDrumLow || note > kDrumHigh)) {
                ShowDrumRangeWarning();
                note = std::clamp(note, kDrumLow, kDrumHigh);
            }
            int chosen = -1;
            if (drum) {
                chosen = note >= 0 && note < 128 ? drumSlotOf[note] : -1;
                if (chosen >= 0 && state[chosen].busy > 0) {
                    // The same drum note again: the sounding one ends here.
                    MusicEvent* last = slots_[first + chosen]->Event(state[chosen].lastNote);
                    last->length = ClampDelta(last->length - state[chosen].busy);
                }
            } else {
                int most = -1;
                for (std::size_t k = 0; k < state.size(); ++k) {
                    int events = slots_[first + k]->Count();
                    if (state[k].busy == 0 && events > most) {
                        most = events;
                        chosen = static_cast<int>(k);
                    }
                }
            }
            if (chosen < 0) {
                if (Count() >= kMaxSlots) {
                    // The note would need a 257th slot: it is left out.
                    if (!overflowShown) ShowError(mbdt::kTooManySlots);
                    overflowShown = true;
                    continue;
                }
                if (drum) drumSlotOf[note] = static_cast<int>(state.size());
                slots_.push_back(NewBuildSlot(drum, drum ? note : program, volume));
                state.push_back(BuildSlot{now, 0, -1});
                chosen = static_cast<int>(state.size()) - 1;
            }
            BuildSlot& s = state[chosen];
            s.lastNote = slots_[first + chosen]->AppendNote(ClampDelta(s.pending), note, e->length,
                                                            e->velocity);
            s.pending = 0;
            s.busy = std::max(e->length, 0);
        } else if (e->kind == event_kind::kControlChange && e->subtype == 7) {
            volume = e->value;
            toAll(mobile_code::kVolume, volume, 0);
        } else if (e->kind == event_kind::kProgramChange) {
            if (e->value < 0 || e->value >= 128) {
                ShowError(mbdt::kInternal);
                continue;
            }
            program = e->value;
            // A drum slot's program is its drum note; a kit change must not
            // turn its notes into another drum.
            if (!drum) toAll(mobile_code::kProgram, program, 0);
        } else if (e->kind == event_kind::kPitchBend) {
            toAll(mobile_code::kPitchBend, e->value, e->note);
        } else if (e->IsEndOfTrack()) {
            toAll(mobile_code::kEndOfTrack, 0, 0);
        }
    }
}

void MobileData::InsertTempos(const std::vector<std::pair<long long, int>>& tempos) {
    for (const auto& [time, value] : tempos)
        for (auto& slot : slots_)
            slot->InsertTempo(time, value);
    // The model's tempo is the one the tune starts with: a first tempo
    // change later on must not speed up what comes before it.
    auto first = std::find_if(tempos.begin(), tempos.end(),
                              [](const auto& pair) { return pair.first == 0; });
    if (first != tempos.end()) tempo = first->second;
}

MobileData::MobileData(const MobileTrackData& track, int capacity) : capacity_(capacity) {
    // Only the channels that hold notes become slots: the others would be
    // deleted anyway.
    std::array<bool, kMaxSlots> hasNotes{};
    for (int i = 0; i < track.Count(); ++i) {
        const MidiEvent* e = track.Event(i);
        if (e->kind == mobile_kind::kNote && e->channel >= 0 && e->channel < kMaxSlots)
            hasNotes[static_cast<std::size_t>(e->channel)] = true;
    }
    std::array<int, kMaxSlots> slotOf;
    slotOf.fill(-1);
    for (int ch = 0; ch < kMaxSlots; ++ch) {
        if (!hasNotes[static_cast<std::size_t>(ch)]) continue;
        slotOf[static_cast<std::size_t>(ch)] = Count();
        auto slot = std::make_unique<MobileChanelData>(ch, MobileChanelData::kKindNone, capacity);
        slot->enabled = 1;
        slots_.push_back(std::move(slot));
    }
    std::vector<long long> pending(slots_.size(), 0);
    auto deal = [&](int k, const MidiEvent& e) {
        MobileChanelData& slot = *slots_[static_cast<std::size_t>(k)];
        auto copy = CopyMobileEvent(e);
        copy->delta = ClampDelta(pending[static_cast<std::size_t>(k)]);
        pending[static_cast<std::size_t>(k)] = 0;
        if (e.kind == mobile_kind::kNote && slot.kind == MobileChanelData::kKindNone)
            slot.kind = MobileChanelData::kKindMelodic;
        if (e.kind == mobile_kind::kControl && e.subtype == mobile_code::kKind &&
            e.value == kDrumKindValue)
            slot.kind = MobileChanelData::kKindDrum;
        slot.AppendEvent(std::move(copy));
    };
    bool badShown = false;
    for (int i = 0; i < track.Count(); ++i) {
        const MidiEvent& e = *track.Event(i);
        for (long long& p : pending)
            p += std::max(e.delta, 0);
        if (e.channel == kNoChannel) {
            for (int k = 0; k < Count(); ++k)
                deal(k, e);
        } else if (e.channel >= 0 && e.channel < kMaxSlots) {
            int k = slotOf[static_cast<std::size_t>(e.channel)];
            if (k >= 0) deal(k, e);
        } else if (!badShown) {
            ShowError(mbdt::kInternal);
            badShown = true;
        }
    }
}

void MobileData::AddFourChannelTrack(const MobileTrackData& track) {
    constexpr int kFour = 4;
    if (Count() + kFour > kMaxSlots) {
        ShowError(mbdt::kTooManySlots);
        return;
    }
    const int first = Count();
    for (int k = 0; k < kFour; ++k)
        slots_.push_back(
            std::make_unique<MobileChanelData>(first + k, MobileChanelData::kKindMelodic, capacity_));
    std::array<long long, kFour> pending{};
    bool badShown = false;
    for (int i = 0; i < track.Count(); ++i) {
        const MidiEvent& e = *track.Event(i);
        for (long long& p : pending)
            p += std::max(e.delta, 0);
        int from = e.channel;
        int to = e.channel;
        if (e.channel == kNoChannel) {
            from = 0;
            to = kFour - 1;
        } else if (e.channel < 0 || e.channel >= kFour) {
            if (!badShown) ShowError(mbdt::kInternal);
            badShown = true;
            continue;
        }
        for (int k = from; k <= to; ++k) {
            MobileChanelData& slot = *slots_[static_cast<std::size_t>(first + k)];
            auto copy = CopyMobileEvent(e);
            copy->delta = ClampDelta(pending[static_cast<std::size_t>(k)]);
            pending[static_cast<std::size_t>(k)] = 0;
            if (e.kind == mobile_kind::kNote) slot.enabled = 1;
            if (e.kind == mobile_kind::kControl && e.subtype == mobile_code::kKind)
                slot.kind = e.value == kDrumKindValue ? MobileChanelData::kKindDrum
                                                      : MobileChanelData::kKindMelodic;
            slot.AppendEvent(std::move(copy));
        }
    }
}

void MobileData::ToMidiF1Data(MidiF1Data& song) const {
    std::vector<const MobileChanelData*> order;
    for (const auto& slot : slots_)
        order.push_back(slot.get());
    auto isDrum = [](const MobileChanelData* s) {
        return s && s->kind == MobileChanelData::kKindDrum;
    };
    auto holdsNotes = [](const MobileChanelData* s) { return s && s->FindFirstNote() >= 0; };
    int lastDrum = -1;
    for (int i = 0; i < static_cast<int>(order.size()); ++i)
        if (isDrum(order[static_cast<std::size_t>(i)])) lastDrum = i;
    while (order.size() < static_cast<std::size_t>(kMinTuneTracks))
        order.push_back(nullptr);
    // Moving the slots from channel 10 on by one would leave a slot with
    // notes without a channel when the sixteenth or a later one holds notes.
    bool roomToMove = true;
    for (std::size_t i = kMidiChannels - 1; i < order.size(); ++i)
        roomToMove = roomToMove && !holdsNotes(order[i]);
    if (lastDrum >= 0 && !isDrum(order[kDrumChannel])) {
        std::swap(order[kDrumChannel], order[static_cast<std::size_t>(lastDrum)]);
    } else if (lastDrum < 0 && order[kDrumChannel] && roomToMove) {
        // Channel 10 sounds as drums: a melodic slot moves past it while
        // every slot's notes keep a channel; else it stays there.
        order.insert(order.begin() + kDrumChannel, nullptr);
    }
    song.division = division;
    bool droppedShown = false;
    int masterTrack = -1;
    for (int i = 0; i < static_cast<int>(order.size()); ++i) {
        const MobileChanelData* slot = order[static_cast<std::size_t>(i)];
        bool drum = isDrum(slot);
        if (!drum && i >= kMidiChannels) {
            // No channel is left for the slot: its notes are lost.
            if (holdsNotes(slot) && !droppedShown) ShowError(mbdt::kTooManySlots);
            droppedShown = droppedShown || holdsNotes(slot);
            continue;
        }
        int channel = drum ? kDrumChannel : i;
        if (song.TrackCount() >= MidiF1Data::kMaxTracks) {
            // A full tune would hand back its last track for the new one.
            ShowError(mbdt::kTooManySlots);
            break;
        }
        MidiF1TrackData* track = song.AddEmptyTrack(capacity_ > 0 ? capacity_ : kMusicDataCapacity);
        if (!track) break;
        long long carry = 0;
        for (int k = 0; slot && k < slot->Count(); ++k) {
            auto event = std::make_unique<MidiEvent>();
            event->SetFromMobileEvent(*slot->Event(k), channel, drum ? 1 : 0);
            // A reader hands the master volume to every slot of a track; the
            // tune keeps it in the first track that holds it.
            if (IsMobileControl(*slot->Event(k), mobile_code::kStartMasterVolume)) {
                if (masterTrack < 0) masterTrack = i;
                if (masterTrack != i) event->Clear();
            }
            if (event->kind == event_kind::kCleared) {
                carry += slot->Event(k)->delta;
                continue;
            }
            event->delta = ClampDelta(event->delta + carry);
            carry = 0;
            track->AppendEvent(std::move(event));
        }
        track->AppendEndOfTrackAt(ClampDelta(carry));
    }
}

// ---- MobileDataView ----

int MobileData::SlotNumber(int slot) const {
    const MobileChanelData* s = Slot(slot);
    return s ? s->number : kMaxSlots;
}

int MobileData::SlotKind(int slot) const {
    const MobileChanelData* s = Slot(slot);
    return s ? s->kind : MobileChanelData::kKindNone;
}

int MobileData::EventCount(int slot) const {
    const MobileChanelData* s = Slot(slot);
    return s ? s->Count() : 0;
}

MobileEventInfo MobileData::Event(int slot, int index) const {
    MobileEventInfo info{MobileEventInfo::Kind::Other, 0, 0, 0, 0};
    const MobileChanelData* s = Slot(slot);
    const MusicEvent* e = s ? s->Event(index) : nullptr;
    if (!e) return info;
    info.delta = e->delta;
    if (e->kind == mobile_kind::kNote) {
        info.kind = MobileEventInfo::Kind::Note;
        info.note = e->note;
        info.length = e->length;
    } else if (e->kind == mobile_kind::kControl) {
        info.kind = MobileEventInfo::Kind::Meta;
        info.metaType = e->subtype;
    }
    return info;
}

std::vector<std::vector<const MobileChanelData*>> MobileData::EnabledSlotGroups(int size) const {
    std::vector<std::vector<const MobileChanelData*>> groups;
    for (int i = 0; i < Count(); ++i) {
        const MobileChanelData* slot = Slot(i);
        if (!slot || !slot->enabled) continue;
        if (groups.empty() || static_cast<int>(groups.back().size()) == size) groups.emplace_back();
        groups.back().push_back(slot);
    }
    return groups;
}
