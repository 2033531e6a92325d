#include "convert/multi_mobile_track_data.h"

#include <algorithm>

#include "convert/mobile_track_data.h"
#include "core/reporters.h"
#include "midi/sysex.h"

namespace {

const CodeText kMultiTable[] = {
    {mmdt::kDrumProgram, "Program change is set to drum!"},
    {mmdt::kSilent, ""},
    {mmdt::kRpnNotZero, "Value that is not zero is set to RPN!"},
    {mmdt::kRpnOne, "Value 1 is set to RPN!"},
};
constexpr ClassReporter kMultiReporter("MMDT", kMultiTable,
                                       "Error occured in MultiMobileTrackData!");

constexpr int kDrumChannel = 9;
constexpr int kMidiChannels = 16;
constexpr int kVoiceDivision = 96;
constexpr int kRpnMsb = 101;
constexpr int kRpnLsb = 100;
constexpr int kDataEntryMsb = 6;
constexpr int kDataEntryLsb = 38;
constexpr int kNoRpn = 127;

int ClampDelta(long long v) {
    return static_cast<int>(std::clamp<long long>(v, 0, 0x7FFFFFFF));
}

// The slot control a controller becomes, -1 for none.
int ControlOfController(int controller, bool keepExpression) {
    switch (controller) {
        case 1:
            return mobile_code::kModulation;
        case 6:
            return mobile_code::kBendRange;
        case 7:
            return mobile_code::kVolume;
        case 10:
            return mobile_code::kPan;
        case 11:
            return keepExpression ? mobile_code::kExpression : -1;
        default:
            return -1;
    }
}

}  // namespace

void MultiMobileTrackData::ShowError(std::uint32_t code) {
    // The silent code is kept for the callers that pass it on.
    if (code == mmdt::kSilent) return;
    kMultiReporter.Show(code);
}

MultiMobileTrackData::MultiMobileTrackData() : MobileData(static_cast<int>(WorkBufferSize)) {}

MultiMobileTrackData::MultiMobileTrackData(const MultiMobileTrackData& source, long long begin,
                                           long long end)
    : MobileData(source, begin, end, source.Capacity()) {}

MultiMobileTrackData::~MultiMobileTrackData() {
    StopOwnPlay();
}

MultiMobileTrackData::MultiMobileTrackData(const MidiF1Data& song, bool warnDrumProgram,
                                           bool keepExpression)
    : MobileData(static_cast<int>(WorkBufferSize)) {
    if (song.noteMode != note_mode::kLength) {
        ShowError(mbdt::kInternal);
        return;
    }
    // Master volumes of every track, read into the first slot.
    std::vector<MasterVolume> masters;
    for (int t = 0; t < song.TrackCount(); ++t) {
        long long time = 0;
        for (const MidiEvent* e : song.Track(t)->Events()) {
            time += std::max(e->delta, 0);
            if (!e->IsSysEx() || e->subtype != sysex_class::kMasterVolume) continue;
            if (static_cast<int>(masters.size()) < kMaxMasterVolumes)
                masters.push_back({time, e->value});
        }
    }
    std::stable_sort(masters.begin(), masters.end(),
                     [](const MasterVolume& a, const MasterVolume& b) { return a.time < b.time; });
    TakeSongTexts(song);
    std::vector<std::pair<long long, int>> tempos;
    song.CollectTempos(tempos);
    bool first = true;
    ReadNotices shown;
    for (int t = 0; t < song.TrackCount(); ++t) {
        const MidiF1TrackData& track = *song.Track(t);
        int channel = track.GetFirstChannel();
        if (channel < 0 || channel >= kMidiChannels) continue;
        auto slot = std::make_unique<MobileChanelData>(
            channel,
            channel == kDrumChannel ? MobileChanelData::kKindDrum : MobileChanelData::kKindMelodic,
            Capacity());
        slot->enabled = 1;
        ReadTrack(track, *slot, first ? masters : std::vector<MasterVolume>{}, warnDrumProgram,
                  keepExpression, shown);
        first = false;
        if (!AddSlot(std::move(slot))) break;
    }
    InsertTempos(tempos);
    RemoveZeroLengthNotes();
}

void MultiMobileTrackData::ReadTrack(const MidiF1TrackData& track, MobileChanelData& slot,
                                     const std::vector<MasterVolume>& masters,
                                     bool warnDrumProgram, bool keepExpression,
                                     ReadNotices& shown) {
    bool drum = slot.number == kDrumChannel;
    // The registered parameter the data entries set (127: none).
    int rpnMsb = kNoRpn;
    int rpnLsb = kNoRpn;
    long long time = 0;
    long long last = 0;
    std::size_t master = 0;
    auto append = [&](long long at, int subtype, int value) {
        int index = slot.AppendControl(ClampDelta(at - last), subtype, value);
        last = at;
        return slot.Event(index);
    };
    for (const MidiEvent* e : track.Events()) {
        time += std::max(e->delta, 0);
        while (master < masters.size() && masters[master].time <= time) {
            append(masters[master].time, mobile_code::kMasterVolume, masters[master].value);
            ++master;
        }
        if (e->IsNoteWithLength()) {
            slot.AppendNote(ClampDelta(time - last), e->note, e->length, e->velocity);
            last = time;
        } else if (e->kind == event_kind::kControlChange) {
            if (e->subtype == kRpnMsb || e->subtype == kRpnLsb) {
                (e->subtype == kRpnMsb ? rpnMsb : rpnLsb) = e->value;
                // Fine tuning (parameter 0,1), which the composer writes,
                // passes quietly; another parameter 1 is named once.
                if (e->subtype == kRpnLsb && e->value == 1 && rpnMsb != 0 && !shown.rpnOne) {
                    ShowError(mmdt::kRpnOne);
                    shown.rpnOne = true;
                }
                continue;
            }
            // The model has no fine tuning: its data entry is no bend range.
            // The drivers that keep it have folded it into pitch bends.
            const bool fineTuning = rpnMsb == 0 && rpnLsb == 1;
            if (fineTuning && (e->subtype == kDataEntryMsb || e->subtype == kDataEntryLsb)) continue;
            int control = ControlOfController(e->subtype, keepExpression);
            if (control >= 0) append(time, control, e->value);
        } else if (e->kind == event_kind::kProgramChange) {
            if (!drum) {
                append(time, mobile_code::kProgram, e->value);
            } else if (e->value != 0 && warnDrumProgram && !shown.drumProgram) {
                ShowError(mmdt::kDrumProgram);
                shown.drumProgram = true;
            }
        } else if (e->kind == event_kind::kPitchBend) {
            append(time, mobile_code::kPitchBend, e->value)->note = e->note;
        } else if (e->IsMeta(meta_type::kMarker)) {
            if (e->DataText() == "START") append(time, mobile_code::kLoop, 0);
            if (e->DataText() == "STOP") append(time, mobile_code::kLoop, 1);
        } else if (e->IsEndOfTrack()) {
            append(time, mobile_code::kEndOfTrack, 0);
        }
    }
    for (; master < masters.size(); ++master)
        append(masters[master].time, mobile_code::kMasterVolume, masters[master].value);
}

bool MultiMobileTrackData::EnabledSlots(std::vector<const MobileChanelData*>& out) const {
    out = SlotsToPlay(true);
    if (static_cast<int>(out.size()) <= kMaxPlayedSlots) return true;
    ShowError(mbdt::kTooManyToPlay);
    return false;
}

int MultiMobileTrackData::GetVoiceCount() const {
    std::vector<const MobileChanelData*> slots;
    if (!EnabledSlots(slots)) return 0;
    MobileTrackData track(slots.data(), static_cast<int>(slots.size()), Capacity(), true);
    MidiF0Data song(note_mode::kLength, kVoiceDivision);
    track.ToMidiF0Data(song, division > 0 ? division : kVoiceDivision, timeSignature,
                       tempo > 0 ? tempo : kDefaultTempo);
    return song.Track() ? song.Track()->GetMaxPolyphony() : 0;
}

int MultiMobileTrackData::Play(PlayEndCallback callback) {
    std::vector<const MobileChanelData*> slots;
    if (!EnabledSlots(slots)) return 0;
    MobileTrackData track(slots.data(), static_cast<int>(slots.size()), Capacity(), true);
    return PlayTrack(track, callback);
}

int MultiMobileTrackData::PlayRange(PlayEndCallback callback, long long begin, long long end) {
    std::vector<const MobileChanelData*> slots;
    if (!EnabledSlots(slots)) return 0;
    std::vector<std::unique_ptr<MobileChanelData>> copies;
    for (const MobileChanelData* slot : slots)
        copies.push_back(std::make_unique<MobileChanelData>(*slot, begin, end, Capacity()));
    return PlaySlots(copies, true, callback);
}
