// The exchange of a ringtone track with model slots, and the playback tune
// made from it.
#include <algorithm>
#include <array>
#include <limits>
#include <utility>

#include "convert/mobile_track_data.h"

namespace {

constexpr int kMidiChannels = 16;
constexpr int kDrumChannel = 9;

int ClampDelta(long long v) {
    return static_cast<int>(std::clamp<long long>(v, 0, 0x7FFFFFFF));
}

bool IsControl(const MusicEvent& e, int subtype) {
    return e.kind == mobile_kind::kControl && e.subtype == subtype;
}

// Shows each code once per conversion.
struct OncePerCall {
    std::uint32_t shown[4] = {};
    void Show(std::uint32_t code) {
        for (std::uint32_t& s : shown) {
            if (s == code) return;
            if (s == 0) {
                s = code;
                MobileTrackData::ShowError(code);
                return;
            }
        }
    }
};

// Power of two of a denominator, -1 when it is none.
int PowerOfTwo(int denominator) {
    for (int p = 0; p <= 7; ++p)
        if ((1 << p) == denominator) return p;
    return -1;
}

}  // namespace

MobileTrackData::MobileTrackData(const MobileChanelData* const* slots, int n, int capacity,
                                 bool multiTrack)
    : multiTrack_(multiTrack), capacity_(capacity) {
    ResetVoiceWarning();
    AddSlots(slots, n);
}

void MobileTrackData::AddSlots(const MobileChanelData* const* slots, int n) {
    std::array<bool, kMidiChannels> used{};
    std::vector<ChannelSlot> merged;
    for (int i = 0; slots && i < n; ++i) {
        const MobileChanelData* slot = slots[i];
        if (!slot) continue;
        bool drum = slot->kind == MobileChanelData::kKindDrum;
        int channel = i;
        if (multiTrack_) channel = drum ? kDrumChannel : slot->number;
        if (channel < 0 || channel >= kMidiChannels || used[static_cast<std::size_t>(channel)]) {
            ShowError(mbtk::kChannelInvalid);
            continue;
        }
        used[static_cast<std::size_t>(channel)] = true;
        if (multiTrack_) kinds_[static_cast<std::size_t>(channel)] = slot->kind;
        merged.push_back({channel, slot});
    }
    MergeSlotEvents(merged);
    if (events_.empty()) AppendMetaEvent(0, kNoChannel, mobile_code::kEndOfTrack, 0);
}

void MobileTrackData::MergeSlotEvents(const std::vector<ChannelSlot>& slots) {
    // One pass over all sources at once: the track's events are source 0,
    // the slots follow; at equal times the lower source goes first.
    constexpr long long kDone = std::numeric_limits<long long>::max();
    const std::size_t count = slots.size() + 1;
    std::vector<int> next(count, 0);
    std::vector<long long> at(count, 0);  // time of the next event, kDone after the last
    std::size_t total = events_.size();
    for (const ChannelSlot& c : slots)
        total += static_cast<std::size_t>(c.slot->Count());
    // Moves a source to its next event that is not cleared (the track's own
    // events all count), adding the deltas on the way.
    auto settle = [&](std::size_t s) {
        const int n = s == 0 ? static_cast<int>(events_.size()) : slots[s - 1].slot->Count();
        for (int& k = next[s]; k < n; ++k) {
            const MusicEvent& e = s == 0 ? *events_[static_cast<std::size_t>(k)]
                                         : *slots[s - 1].slot->Event(k);
            at[s] += std::max(e.delta, 0);
            if (s == 0 || e.kind != mobile_kind::kCleared) return;
        }
        at[s] = kDone;
    };
    for (std::size_t s = 0; s < count; ++s)
        settle(s);
    std::vector<std::unique_ptr<MidiEvent>> out;
    out.reserve(total);
    long long end = -1;
    long long last = 0;
    for (;;) {
        std::size_t pick = 0;
        for (std::size_t s = 1; s < count; ++s)
            if (at[s] < at[pick]) pick = s;
        if (at[pick] == kDone) break;
        const long long time = at[pick];
        std::unique_ptr<MidiEvent> event;
        if (pick == 0) {
            event = std::move(events_[static_cast<std::size_t>(next[0])]);
        } else {
            const MusicEvent& e = *slots[pick - 1].slot->Event(next[pick]);
            event = std::make_unique<MidiEvent>();
            event->MusicEvent::CopyFrom(e);
            bool channelEvent = e.kind == mobile_kind::kNote ||
                                (e.kind == mobile_kind::kControl && IsChannelControl(e.subtype));
            event->channel = channelEvent ? slots[pick - 1].channel : kNoChannel;
        }
        ++next[pick];
        settle(pick);
        if (IsControl(*event, mobile_code::kEndOfTrack)) {
            end = std::max(end, time);
            continue;
        }
        event->delta = ClampDelta(time - last);
        last = time;
        out.push_back(std::move(event));
    }
    events_ = std::move(out);
    if (end >= 0)
        AppendMetaEvent(ClampDelta(std::max(end, last) - last), kNoChannel,
                        mobile_code::kEndOfTrack, 0);
}

void MobileTrackData::ExtractChannel(int channel, MobileChanelData& slot, bool keepNotePitch) const {
    int kindValue = GetControlValue(channel, mobile_code::kKind);
    bool drum = kindValue == kDrumKindValue;
    if (kindValue != -1 && kindValue != 0 && !drum) ShowError(mbtk::kDrumInvalid);
    int program = -1;
    long long carry = 0;
    for (const auto& e : events_) {
        carry += std::max(e->delta, 0);
        if (e->channel != channel) continue;
        bool copied = e->kind == mobile_kind::kNote || IsControl(*e, mobile_code::kProgram) ||
                      IsControl(*e, mobile_code::kKind) || IsControl(*e, mobile_code::kPitchBend);
        if (!copied) continue;
        auto copy = CopyMobileEvent(*e);
        copy->delta = ClampDelta(carry);
        carry = 0;
        if (IsControl(*e, mobile_code::kProgram)) program = e->value;
        if (e->kind == mobile_kind::kNote) {
            copy->velocity = 64;
            if (drum && !keepNotePitch && program >= 0) copy->note = program;
        }
        slot.AppendEvent(std::move(copy));
    }
}

std::vector<int> MobileTrackData::PlayChannels() const {
    std::array<bool, kMidiChannels> drum{};
    std::array<bool, kMidiChannels> used{};
    std::vector<int> drumOrder;
    for (const auto& e : events_) {
        if (e->channel < 0 || e->channel >= kMidiChannels) continue;
        auto c = static_cast<std::size_t>(e->channel);
        used[c] = true;
        bool marks = (IsControl(*e, mobile_code::kKind) && e->value == kDrumKindValue) ||
                     (IsControl(*e, mobile_code::kDrumMark) && e->value == kDrumMarkValue);
        if (marks && !drum[c]) {
            drum[c] = true;
            if (e->channel != kDrumChannel) drumOrder.push_back(e->channel);
        }
    }
    // Where a melodic channel 10 plays: a channel the drums left, else one
    // nobody uses.
    int moved = drumOrder.empty() ? -1 : drumOrder.front();
    for (int c = 0; c < kMidiChannels && moved < 0; ++c)
        if (c != kDrumChannel && !used[static_cast<std::size_t>(c)]) moved = c;
    std::vector<int> out;
    out.reserve(events_.size());
    for (const auto& e : events_) {
        int c = e->channel;
        if (c == kNoChannel) {
            out.push_back(kNoChannel);
        } else if (c < 0 || c >= kMidiChannels) {
            out.push_back(-1);
        } else if (drum[static_cast<std::size_t>(c)]) {
            out.push_back(kDrumChannel);
        } else if (c == kDrumChannel) {
            if (moved < 0) ShowVoiceWarning();
            out.push_back(moved);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

void MobileTrackData::ToMidiF0Data(MidiF0Data& song, int division, int timeSignature,
                                   int tempo) const {
    song.division = division;
    auto track = std::make_unique<MidiTrackData>(note_mode::kLength,
                                                 capacity_ > 0 ? capacity_ : kMusicDataCapacity);
    int power = PowerOfTwo(timeSignature & 0xFF);
    int numerator = (timeSignature >> 8) & 0xFF;
    if (timeSignature > 0 && numerator > 0 && power >= 0)
        track->AppendTimeSignature(numerator, power);
    track->AppendTempo(tempo > 0 ? tempo : kDefaultTempo);
    std::vector<int> channels;
    if (!multiTrack_) channels = PlayChannels();
    std::array<int, kMidiChannels> program;
    program.fill(-1);
    OncePerCall once;
    long long time = 0;
    long long carry = 0;
    for (std::size_t i = 0; i < events_.size(); ++i) {
        const MidiEvent& e = *events_[i];
        time += std::max(e.delta, 0);
        carry += std::max(e.delta, 0);
        int source = e.channel;
        int out = multiTrack_ ? source : channels[i];
        bool known = source == kNoChannel || (source >= 0 && source < kMidiChannels);
        if (!known || out < 0) {
            if (!known) once.Show(mbtk::kChannelInvalid);
            continue;
        }
        if (e.kind == mobile_kind::kCleared) continue;
        // A single model's drum channels all play on channel 10.
        bool drum = multiTrack_ ? KindOf(source) == MobileChanelData::kKindDrum
                                : out == kDrumChannel;
        auto midi = std::make_unique<MidiEvent>();
        if (e.kind == mobile_kind::kNote) {
            midi->SetFromMobileEvent(e, out, drum ? 1 : 0);
            if (drum && !multiTrack_ && program[static_cast<std::size_t>(source)] >= 0)
                midi->note = program[static_cast<std::size_t>(source)];
        } else if (e.kind == mobile_kind::kControl) {
            int s = e.subtype;
            if (IsSilentMobileCode(s)) continue;
            if (s == mobile_code::kProgram && source >= 0 && source < kMidiChannels)
                program[static_cast<std::size_t>(source)] = e.value;
            bool played = s == mobile_code::kProgram || s == mobile_code::kVolume ||
                          s == mobile_code::kPan || s == mobile_code::kTempo ||
                          s == mobile_code::kPitchBend || s == mobile_code::kStartMasterVolume;
            if (multiTrack_ && s == mobile_code::kBendRange) {
                track->AppendPitchBendRange(ClampDelta(carry), out, e.value);
                carry = 0;
                continue;
            }
            if (multiTrack_ && (s == mobile_code::kLoop || s == mobile_code::kExpression ||
                                s == mobile_code::kMasterVolume || s == mobile_code::kFormat71))
                continue;
            // The modulation wheel and the hold pedal of a tune or a file:
            // the formats carry them, the tune the model plays does without.
            if (s == mobile_code::kModulation || s == mobile_code::kModulationWheel ||
                s == mobile_code::kSustain)
                continue;
            if (multiTrack_ && s == mobile_code::kStartMasterVolume && time != 0) {
                once.Show(mbtk::kMasterVolumePlace);
                continue;
            }
            if (!played) {
                once.Show(mbtk::kUnknownCommand);
                continue;
            }
            midi->SetFromMobileEvent(e, out, drum ? 1 : 0);
            if (midi->kind == event_kind::kCleared) continue;
        } else {
            once.Show(mbtk::kUnknownEvent);
            continue;
        }
        midi->delta = ClampDelta(carry);
        carry = 0;
        track->AppendEvent(std::move(midi));
    }
    track->AppendEndOfTrackAt(ClampDelta(carry));
    song.SetTrack(std::move(track));
    song.noteMode = note_mode::kLength;
}
