// The preparation steps of a format-0 tune before it is converted: START and
// STOP markers, leading empty measures and the sustain pedal.
#include <algorithm>
#include <vector>

#include "midi/f0_data.h"

namespace {

bool IsMarkerText(const MidiEvent& e, bool textToo, std::string_view text) {
    return (e.IsMeta(meta_type::kMarker) || (textToo && e.IsMeta(meta_type::kText))) &&
           e.DataText() == text;
}

// Index of the first marker (or text) meta holding exactly text, or -1.
int FirstMarker(const MidiTrackData& tr, bool textToo, std::string_view text) {
    for (int i = 0; i < tr.EventCount(); ++i) {
        if (IsMarkerText(*tr.Event(i), textToo, text)) return i;
    }
    return -1;
}

bool IsNoteEvent(const MidiEvent& e) {
    return e.IsNoteWithLength() || e.kind == event_kind::kNoteOn || e.kind == event_kind::kNoteOff;
}

// True when the track holds no sustain pedal and its notes come back
// unchanged from the note-on/note-off round trip, so the pedal pass has
// nothing to do: no raw note-ons or note-offs, no negative deltas, every note
// sounding (length and velocity above 0) on a channel and key of the table,
// the notes of one key ending in the order they start, an End of Track
// (when there is one) last and not before any note ends, and room for
// every note-off.
bool PedalPassChangesNothing(const MidiTrackData& tr) {
    std::vector<long long> lastEnd(16 * 128, -1);
    long long t = 0;
    long long latestEnd = 0;
    long long endOfTrack = -1;
    long long notes = 0;
    const int n = tr.EventCount();
    for (int i = 0; i < n; ++i) {
        const MidiEvent* e = tr.Event(i);
        if (e->delta < 0 || e->kind == event_kind::kNoteOn || e->kind == event_kind::kNoteOff ||
            (e->kind == event_kind::kControlChange && e->subtype == 64))
            return false;
        t += e->delta;
        if (e->IsEndOfTrack() && endOfTrack < 0) {
            if (i != n - 1) return false;
            endOfTrack = t;
        }
        if (!e->IsNoteWithLength()) continue;
        if (e->length <= 0 || e->velocity <= 0 || !SoundingTable::Valid(e->channel, e->note))
            return false;
        const long long end = t + e->length;
        long long& last = lastEnd[static_cast<std::size_t>(e->channel * 128 + e->note)];
        if (end < last) return false;
        last = end;
        latestEnd = std::max(latestEnd, end);
        ++notes;
    }
    if (endOfTrack >= 0 && endOfTrack < latestEnd) return false;
    return n + notes <= tr.MaxEvents();
}

}  // namespace

int MidiF0Data::TruncateAtStop(int keepMarker) {
    if (!CheckNoteMode()) return 0;
    MidiTrackData& tr = *track_;
    const int at = FirstMarker(tr, true, "STOP");
    if (at < 0) return 0;
    if (keepMarker != 1) tr.Event(at)->subtype = meta_type::kEndOfTrack;
    // The marker goes to the end of its run of simultaneous events.
    int runEnd = at;
    while (runEnd + 1 < tr.EventCount() && tr.Event(runEnd + 1)->delta == 0)
        ++runEnd;
    if (runEnd != at) tr.SwapEvents(at, runEnd);
    while (tr.EventCount() > runEnd + 1)
        tr.DeleteEvent(tr.EventCount() - 1);
    if (keepMarker == 1) tr.AppendEndOfTrack();
    return 1;
}

int MidiF0Data::TrimToStart(int reportOnly) {
    if (!CheckNoteMode()) return 0;
    MidiTrackData& tr = *track_;
    const int at = FirstMarker(tr, false, "START");
    if (at < 0) return 0;
    if (reportOnly == 1) return 1;
    tr.Event(at)->Clear();
    int runStart = at;
    while (runStart > 0 && tr.Event(runStart)->delta == 0)
        --runStart;
    if (runStart != at) tr.SwapEvents(runStart, at);
    for (int i = 0; i <= runStart; ++i) {
        MidiEvent* e = tr.Event(i);
        e->delta = 0;
        if (IsNoteEvent(*e)) e->Clear();
    }
    tr.RemoveClearedEvents();
    return 1;
}

long long MidiF0Data::RemoveLeadingEmptyMeasures() {
    if (!CheckNoteMode()) return 0;
    long long first = GetTicksBeforeFirstNote();
    long long measure = GetTicksPerMeasure();
    if (measure <= 0) return 0;
    long long ticks = first / measure * measure;
    RemoveLeadIn(ticks);
    return ticks;
}

void MidiF0Data::ApplySustainPedal() {
    if (noteMode != note_mode::kLength || !track_) {
        ShowError(m0dt::kInternal);
        return;
    }
    if (PedalPassChangesNothing(*track_)) return;
    ConvertToNoteOnOff();
    MidiTrackData& tr = *track_;
    for (int ch = 0; ch < 16; ++ch) {
        bool down = false;
        std::vector<int> held;  // keys whose note-off waits for the pedal
        auto isHeld = [&](int key) {
            for (int k : held)
                if (k == key) return true;
            return false;
        };
        for (int i = 0; i < tr.EventCount(); ++i) {
            MidiEvent* e = tr.Event(i);
            if (e->channel != ch) continue;
            if (e->kind == event_kind::kControlChange && e->subtype == 64) {
                down = e->value != 0;
                e->Clear();
                if (down) continue;
                for (int key : held) {
                    auto off = std::make_unique<MidiEvent>(0);
                    off->SetNoteOff(ch, key);
                    if (tr.InsertEvent(i, 1, std::move(off)) >= 0) ++i;
                }
                held.clear();
                continue;
            }
            if (!down) continue;
            if (e->IsNoteOff()) {
                if (!isHeld(e->note)) held.push_back(e->note);
                e->Clear();
            } else if (e->IsNoteOn() && isHeld(e->note)) {
                // The held note ends where it is struck again.
                auto again = std::make_unique<MidiEvent>(*e);
                again->delta = 0;
                int key = e->note;
                e->SetNoteOff(ch, key);
                e->velocity = 0;
                if (tr.InsertEvent(i, 1, std::move(again)) >= 0) ++i;
                std::erase(held, key);
            }
        }
        for (int key : held) {
            auto off = std::make_unique<MidiEvent>(0);
            off->SetNoteOff(ch, key);
            // Before the End of Track, which stays last.
            tr.InsertEventAtTime(-1, std::move(off), 1);
        }
    }
    tr.RemoveClearedEvents();
    ConvertToNoteLength();
}
