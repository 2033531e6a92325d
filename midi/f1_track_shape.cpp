// Shaping passes: expression swells, delayed vibrato, pitch glides between
// notes, and the folding of pitch bends into note pitches.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "midi/f1_track_data.h"

namespace {

constexpr int kModulation = 1;
constexpr int kExpression = 11;

std::unique_ptr<MidiEvent> NewBend(int channel, int value) {
    auto e = std::make_unique<MidiEvent>(0);
    e->kind = event_kind::kPitchBend;
    e->channel = channel;
    e->SetPitchBendValue(value);
    return e;
}

}  // namespace

void MidiF1TrackData::AddExpressionSwell(int duration, int steps) {
    if (steps <= 0 || duration % steps != 0) {
        ShowError(m1tk::kSwellSteps);
        return;
    }
    std::vector<long long> times = AbsoluteTimes();
    std::vector<NewEvent> added;
    const int step = duration / steps;
    for (int i = 0; i + 1 < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        if (!e->IsNoteWithLength() || e->length <= duration || Event(i + 1)->delta <= duration) {
            continue;
        }
        long long t = times[static_cast<std::size_t>(i)];
        for (int k = 0; k < steps; ++k) {
            int value = std::clamp(135 - 8 * (steps - k), 0, 127);
            added.push_back({t + static_cast<long long>(k) * step, k == 0 ? i : i + 1,
                             MakeControlChange(e->channel, kExpression, value)});
        }
    }
    MergeNewEvents(added);
}

void MidiF1TrackData::AddDelayedVibrato(int delay) {
    std::vector<long long> times = AbsoluteTimes();
    std::vector<NewEvent> added;
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        if (!e->IsNoteWithLength()) continue;
        long long t = times[static_cast<std::size_t>(i)];
        added.push_back({t, i, MakeControlChange(e->channel, kModulation, 0)});
        const MidiEvent* next = Event(i + 1);
        if (e->length > delay && next && next->delta > delay) {
            added.push_back({t + delay, i + 1, MakeControlChange(e->channel, kModulation, 127)});
        }
    }
    MergeNewEvents(added);
}

void MidiF1TrackData::AddPitchGlide(int time, int steps, int range) {
    if (noteMode_ != note_mode::kLength) {
        ShowError(m1tk::kInternal);
        return;
    }
    if (steps <= 0 || range <= 0 || time % steps != 0) {
        ShowError(m1tk::kGlideSteps);
        return;
    }
    std::vector<long long> times = AbsoluteTimes();
    std::vector<NewEvent> added;
    const int step = time / steps;
    const int semitone = 8191 / range;
    for (int i = 0; i < eventCount_; ++i) {
        const MidiEvent* e = Event(i);
        if (!e->IsNoteWithLength()) continue;
        long long t = times[static_cast<std::size_t>(i)];
        added.push_back({t, i, NewBend(e->channel, kCentreBend)});
        const MidiEvent* next = Event(i + 1);
        if (e->length <= time || !next || next->delta <= time) continue;
        int target = -1;
        for (int j = i + 1; j < eventCount_; ++j) {
            const MidiEvent* f = Event(j);
            if (f->IsNoteWithLength()) {
                target = f->note;
                break;
            }
            if (f->IsEndOfTrack()) {
                target = e->note - range;
                break;
            }
        }
        if (target < 0 || target == e->note) continue;
        int d = std::clamp(target - e->note, -range, range);
        long long nextTime = times[static_cast<std::size_t>(i + 1)];
        for (int k = 1; k <= steps; ++k) {
            long long at = nextTime - time + static_cast<long long>(k - 1) * step;
            added.push_back(
                {at, i + 1, NewBend(e->channel, kCentreBend + k * (semitone * d / steps))});
        }
    }
    if (eventCount_ > 0) {
        int channel = GetFirstChannel();
        added.push_back({times.back(), eventCount_ - 1,
                         NewBend(channel == kNoChannel ? 0 : channel, kCentreBend)});
    }
    MergeNewEvents(added);
}

void MidiF1TrackData::ApplyPitchBendToNotes(int range) {
    if (noteMode_ != note_mode::kLength) {
        ShowError(m1tk::kInternal);
        return;
    }
    if (range <= 0) return;
    const int semitone = 8191 / range;
    if (semitone == 0) {
        ShowWarningOnce(m1tk::kBendRangeTooLarge);
        return;
    }
    auto offsetOf = [semitone](int bend) { return (bend - kCentreBend) / semitone; };
    auto validKey = [](int key) {
        if (key > 127) {
            ShowWarningOnce(m1tk::kKeyTooHigh);
            return 127;
        }
        return std::max(key, 0);
    };

    // Bends that change no semitone, and every modulation, go first.
    int previous[16] = {};
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = Event(i);
        if (e->kind == event_kind::kControlChange && e->subtype == kModulation) e->Clear();
        if (e->kind != event_kind::kPitchBend || e->channel < 0 || e->channel > 15) continue;
        int offset = offsetOf(e->GetPitchBendValue());
        if (offset == previous[e->channel]) {
            e->Clear();
        } else {
            previous[e->channel] = offset;
        }
    }
    RemoveClearedEvents();

    std::vector<long long> times = AbsoluteTimes();
    // Bend value of each bend turned into a continuation note.
    std::vector<int> continued(static_cast<std::size_t>(eventCount_), -1);
    int bend[16];
    std::fill(bend, bend + 16, kCentreBend);
    static const std::uint8_t kNoteMark = event_kind::kNote;
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = Event(i);
        if (e->channel < 0 || e->channel > 15) continue;
        int ch = e->channel;
        if (continued[static_cast<std::size_t>(i)] >= 0) {
            bend[ch] = continued[static_cast<std::size_t>(i)];
            continue;
        }
        if (e->kind == event_kind::kPitchBend) {
            bend[ch] = e->GetPitchBendValue();
            continue;
        }
        if (!e->IsNoteWithLength()) continue;
        const int key = e->note;
        const int velocity = e->velocity;
        int offset = offsetOf(bend[ch]);
        if (offset != 0) {
            e->note = validKey(key + offset);
            e->velocity = DecayValue(velocity, std::abs(offset));
        }
        long long start = times[static_cast<std::size_t>(i)];
        long long end = start + e->length;
        MidiEvent* piece = e;
        for (int j = i + 1; j < eventCount_ && times[static_cast<std::size_t>(j)] < end; ++j) {
            MidiEvent* f = Event(j);
            long long t = times[static_cast<std::size_t>(j)];
            if (f->kind != event_kind::kPitchBend || f->channel != ch || t <= start) continue;
            int value = f->GetPitchBendValue();
            int own = offsetOf(value);
            int remaining = static_cast<int>(end - t);
            continued[static_cast<std::size_t>(j)] = value;
            f->kind = event_kind::kNote;
            f->note = validKey(key + own);
            f->length = remaining;
            f->velocity = own != 0 ? DecayValue(velocity, std::abs(own)) : velocity;
            f->value = 0;
            f->SetData(&kNoteMark, 1);
            piece->length -= remaining;
            if (piece->length <= 0) ShowError(m1tk::kNoteInvalid);
            piece = f;
        }
    }
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = Event(i);
        if ((e->IsNoteWithLength() && e->length <= 0) || e->kind == event_kind::kPitchBend) {
            e->Clear();
        }
    }
    RemoveClearedEvents();
}
