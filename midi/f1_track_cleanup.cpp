// Clean-up passes run before ringtone conversion, and the pitch-bend range.
// Every pass keeps its state per channel: a change on one channel is judged
// only against the notes and changes of that channel.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "midi/f1_track_data.h"

namespace {

constexpr int kDataEntryMsb = 6;
constexpr int kVolume = 7;
constexpr int kPan = 10;
constexpr int kExpression = 11;
constexpr int kVolumeLsb = 39;
constexpr int kExpressionLsb = 43;
constexpr int kNrpnLsb = 98;
constexpr int kNrpnMsb = 99;
constexpr int kRpnLsb = 100;
constexpr int kRpnMsb = 101;

bool IsChannel(int channel) {
    return channel >= 0 && channel < 16;
}

bool IsControl(const MidiEvent* e, int controller) {
    return e->kind == event_kind::kControlChange && e->subtype == controller;
}

// Notes sounding per channel on the note-on/off form, and a count of
// note-ons per channel that tells whether one came since a remembered point.
struct NoteActivity {
    SoundingTable table;
    int sounding[16] = {};
    long long starts[16] = {};
    long long ends[16] = {};

    void See(const MidiEvent* e) {
        int ch = e->channel;
        if (!IsChannel(ch)) return;
        if (e->IsNoteOn()) {
            ++starts[ch];
            if (SoundingTable::Valid(ch, e->note) && table.on[ch][e->note]++ == 0) ++sounding[ch];
        } else if (e->IsNoteOff()) {
            ++ends[ch];
            if (SoundingTable::Valid(ch, e->note) && table.on[ch][e->note] > 0 &&
                --table.on[ch][e->note] == 0) {
                --sounding[ch];
            }
        }
    }
};

}  // namespace

void MidiF1TrackData::RemoveRedundantControllers(const int* excluded, int n) {
    bool skip[128] = {};
    for (int i = 0; excluded && i < n; ++i) {
        if (excluded[i] >= 0 && excluded[i] < 128) skip[excluded[i]] = true;
    }
    OnNoteOnOffForm([&] {
        struct Last {
            MidiEvent* event = nullptr;
            bool sounding = false;
            long long starts = 0;
        };
        std::vector<Last> last(16 * 128);
        NoteActivity notes;
        for (int i = 0; i < eventCount_; ++i) {
            MidiEvent* e = Event(i);
            notes.See(e);
            if (e->kind != event_kind::kControlChange || !IsChannel(e->channel)) continue;
            if (e->subtype < 0 || e->subtype >= 128 || skip[e->subtype]) continue;
            int ch = e->channel;
            Last& previous = last[static_cast<std::size_t>(ch * 128 + e->subtype)];
            if (previous.event && previous.event->value == e->value) {
                e->Clear();
                continue;
            }
            // A change no note heard is superseded by this one.
            if (previous.event && !previous.sounding && previous.starts == notes.starts[ch]) {
                previous.event->Clear();
            }
            previous = {e, notes.sounding[ch] > 0, notes.starts[ch]};
        }
        RemoveClearedEvents();
    });
}

void MidiF1TrackData::RemoveRedundantPans() {
    OnNoteOnOffForm([&] {
        MidiEvent* last[16] = {};
        long long marks[16] = {};
        NoteActivity notes;
        for (int i = 0; i < eventCount_; ++i) {
            MidiEvent* e = Event(i);
            notes.See(e);
            if (!IsControl(e, kPan) || !IsChannel(e->channel)) continue;
            int ch = e->channel;
            long long mark = notes.starts[ch] + notes.ends[ch];
            if (last[ch] && marks[ch] == mark) last[ch]->Clear();
            last[ch] = e;
            marks[ch] = mark;
        }
        RemoveClearedEvents();
    });
}

void MidiF1TrackData::RemoveRepeatedVolumes() {
    OnNoteOnOffForm([&] {
        for (int controller : {kVolume, kExpression, kVolumeLsb, kExpressionLsb, kPan}) {
            const MidiEvent* standing[16] = {};
            long long standingTime[16] = {};
            long long t = 0;
            for (int i = 0; i < eventCount_; ++i) {
                MidiEvent* e = Event(i);
                t += e->delta;
                if (!IsControl(e, controller) || !IsChannel(e->channel)) continue;
                int ch = e->channel;
                if (standing[ch] && (standing[ch]->value == e->value || standingTime[ch] == t)) {
                    e->Clear();
                    continue;
                }
                standing[ch] = e;
                standingTime[ch] = t;
            }
        }
    });
}

void MidiF1TrackData::RemoveRedundantPitchBends() {
    OnNoteOnOffForm([&] {
        // The two bends kept last per channel, each with whether nothing
        // sounded at it and the channel's note-on count then.
        struct Kept {
            MidiEvent* event = nullptr;
            bool quiet = false;
            long long starts = 0;
        };
        Kept first[16], second[16];
        NoteActivity notes;
        for (int i = 0; i < eventCount_; ++i) {
            MidiEvent* e = Event(i);
            notes.See(e);
            if (e->kind != event_kind::kPitchBend || !IsChannel(e->channel)) continue;
            int ch = e->channel;
            int c = e->GetPitchBendValue();
            if (second[ch].event && second[ch].event->GetPitchBendValue() == c) {
                e->Clear();
                continue;
            }
            Kept now{e, notes.sounding[ch] == 0, notes.starts[ch]};
            // Silent from the first bend on: no note sounding there and none
            // started since.
            if (first[ch].event && first[ch].quiet && first[ch].starts == notes.starts[ch]) {
                int a = first[ch].event->GetPitchBendValue();
                int b = second[ch].event->GetPitchBendValue();
                if ((a < b && b < c) || (a > b && b > c)) {
                    second[ch].event->Clear();
                    second[ch] = now;
                    continue;
                }
            }
            first[ch] = second[ch];
            second[ch] = now;
        }
        RemoveClearedEvents();
    });
}

void MidiF1TrackData::LimitNoteLengths(int maximum) {
    if (noteMode_ != note_mode::kLength) {
        ShowError(m1tk::kInternal);
        return;
    }
    std::vector<long long> times = AbsoluteTimes();
    // Walking back: the earliest time of a note or End of Track seen so far
    // and the next later such time. A note is limited by the next note that
    // starts later than itself, so the notes of a chord keep their lengths.
    long long nearest = -1;
    long long following = -1;
    for (int i = eventCount_ - 1; i >= 0; --i) {
        MidiEvent* e = Event(i);
        if (!e->IsNoteWithLength() && !e->IsEndOfTrack()) continue;
        long long t = times[static_cast<std::size_t>(i)];
        if (e->IsNoteWithLength()) {
            long long later = nearest > t ? nearest : following;
            long long room = later >= 0 ? later - t : maximum;
            long long limited = std::min<long long>({e->length, maximum, room});
            e->length = static_cast<int>(std::max(0LL, limited));
        }
        if (nearest < 0 || t < nearest) {
            following = nearest;
            nearest = t;
        }
    }
}

void MidiF1TrackData::TrimOverlappingNotes() {
    if (noteMode_ != note_mode::kLength) {
        ShowError(m1tk::kInternal);
        return;
    }
    std::vector<long long> times = AbsoluteTimes();
    std::vector<int> open(16 * 128, -1);
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = Event(i);
        if (!e->IsNoteWithLength() || !SoundingTable::Valid(e->channel, e->note)) continue;
        long long t = times[static_cast<std::size_t>(i)];
        int& slot = open[static_cast<std::size_t>(e->channel * 128 + e->note)];
        if (slot >= 0) {
            MidiEvent* earlier = Event(slot);
            long long start = times[static_cast<std::size_t>(slot)];
            if (start + earlier->length > t) earlier->length = static_cast<int>(t - start);
            if (earlier->length <= 0) earlier->Clear();
        }
        slot = i;
    }
    RemoveClearedEvents();
}

// ---- Pitch-bend range ----

int MidiF1TrackData::GetPitchBendRange() const {
    int range = 12;
    int found = 0;
    for (int i = 0; i + 2 < eventCount_; ++i) {
        const MidiEvent* a = Event(i);
        const MidiEvent* b = Event(i + 1);
        const MidiEvent* c = Event(i + 2);
        if (IsControl(a, kRpnMsb) && a->value == 0 && IsControl(b, kRpnLsb) && b->value == 0 &&
            IsControl(c, kDataEntryMsb)) {
            range = c->value;
            ++found;
        }
    }
    if (found > 1) ShowWarningOnce(m1tk::kSeveralBendRanges);
    return range;
}

void MidiF1TrackData::SetPitchBendRange(int semitones) {
    int channel = GetFirstChannel();
    if (channel == kNoChannel) {
        ShowError(m1tk::kChannelError);
        return;
    }
    // After the events already at time 0 (but before an End of Track there).
    int at = 0;
    while (at < eventCount_ && Event(at)->delta == 0 && !Event(at)->IsEndOfTrack())
        ++at;
    const int values[3][2] = {{kRpnMsb, 0}, {kRpnLsb, 0}, {kDataEntryMsb, semitones}};
    for (const auto& v : values) {
        if (InsertEvent(at, 2, MakeControlChange(channel, v[0], v[1])) >= 0) ++at;
    }
}

void MidiF1TrackData::RemovePitchBendRange() {
    int msb[16], lsb[16];
    std::fill(msb, msb + 16, 127);
    std::fill(lsb, lsb + 16, 127);
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = Event(i);
        if (e->kind != event_kind::kControlChange || !IsChannel(e->channel)) continue;
        int ch = e->channel;
        switch (e->subtype) {
            case kRpnMsb:
                msb[ch] = e->value;
                break;
            case kRpnLsb:
                lsb[ch] = e->value;
                break;
            case kNrpnMsb:
            case kNrpnLsb:
                msb[ch] = lsb[ch] = 127;
                break;
            case kDataEntryMsb:
                if (msb[ch] == 0 && lsb[ch] == 0) e->Clear();
                break;
            default:
                break;
        }
    }
    RemoveClearedEvents();
}

// Used by the shaping passes too.
int MidiF1TrackData::DecayValue(int value, int steps) {
    int v = value;
    for (int i = 0; i < steps; ++i)
        v = v * 9 / 10;
    return v * 2 < value ? value : v;
}
