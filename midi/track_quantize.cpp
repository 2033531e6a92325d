// Quantisers: to a grid, and to triplet or shuffle positions within a unit.
#include <algorithm>
#include <numeric>

#include "midi/track_data.h"

namespace {

// Most notes of one unit the triplet quantiser spreads.
constexpr int kMostNotesInUnit = 64;

long long FloorMod(long long a, long long b) {
    long long r = a % b;
    return r < 0 ? r + b : r;
}

bool InFirstHalf(int unit, long long offset) {
    return 2 * offset < unit;
}

}  // namespace

void MidiTrackData::Quantize(int steps, int division, long long start, long long end) {
    if (steps <= 0 || division < 2 || division / steps <= 0) {
        ShowError(mdtk::kInvalidParameter);
        return;
    }
    const long long grid = division / steps;
    const long long half = division / 2;
    if (start % grid != 0) {
        ShowError(0);
        return;
    }
    // A dead event at start splits a delta that crosses it, so the first
    // event after start is rounded from start.
    if (start > 0 && eventCount_ > 0 && start < TimeOf(eventCount_ - 1)) {
        InsertEventAtTime(start, std::make_unique<MidiEvent>(0), 2);
    }
    std::vector<long long> times = AbsoluteTimes();
    long long carry = 0;
    bool pastEnd = false;
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = events_[i];
        long long t = times[static_cast<std::size_t>(i)];
        if (t <= start) continue;
        if (end != 0 && t >= end) {
            if (!pastEnd) e->delta = static_cast<int>(e->delta + carry);
            pastEnd = true;
            continue;
        }
        long long d = e->delta + carry;
        long long rem = FloorMod(d, grid);
        bool up = 2 * rem > grid || (2 * rem == grid && (t / half) % 2 == 0);
        long long moved = up ? d - rem + grid : d - rem;
        carry = d - moved;
        e->delta = static_cast<int>(moved);
    }
    if (noteMode_ == note_mode::kLength || noteMode_ == note_mode::kNoteOnOff) {
        FixDuplicateNotes(1);
    } else {
        RemoveClearedEvents();
    }
}

void MidiTrackData::PlaceOneNote(int unit, const long long* offsets, long long* targets) {
    targets[0] = InFirstHalf(unit, offsets[0]) ? 0 : 2 * unit / 3;
}

void MidiTrackData::PlaceTwoNotes(int unit, const long long* offsets, long long* targets) {
    bool firstEarly = InFirstHalf(unit, offsets[0]);
    bool secondEarly = InFirstHalf(unit, offsets[1]);
    if (firstEarly && secondEarly) {
        targets[0] = 0;
        targets[1] = unit / 3;
    } else if (firstEarly) {
        targets[0] = 0;
        targets[1] = 2 * unit / 3;
    } else {
        targets[0] = unit / 3;
        targets[1] = 2 * unit / 3;
    }
}

void MidiTrackData::PlaceThreeNotes(int unit, long long* targets) {
    targets[0] = 0;
    targets[1] = unit / 3;
    targets[2] = 2 * unit / 3;
}

void MidiTrackData::PlaceNotesEvenly(int unit, int n, long long* targets) {
    // Three positions per group of three notes, all inside the unit.
    long long step = unit / (3 * ((n - 1) / 3 + 1));
    for (int k = 0; k < n; ++k)
        targets[k] = k * step;
}

namespace {

enum class UnitFeel { kTriplet, kShuffle };

}  // namespace

// Shared walk of the triplet and shuffle quantisers.
static void QuantizeUnits(MidiTrackData& track, int unit, UnitFeel feel,
                          std::vector<long long>& times) {
    std::vector<long long> targets(kMostNotesInUnit);
    std::vector<long long> offsets(kMostNotesInUnit);
    std::vector<int> notes;
    const int count = track.EventCount();
    int i = 0;
    while (i < count) {
        if (!track.Event(i)->IsNoteWithLength() || times[static_cast<std::size_t>(i)] < 0) {
            ++i;
            continue;
        }
        long long base = times[static_cast<std::size_t>(i)] / unit * unit;
        notes.clear();
        int j = i;
        for (; j < count && times[static_cast<std::size_t>(j)] < base + unit; ++j) {
            if (track.Event(j)->IsNoteWithLength()) notes.push_back(j);
        }
        i = j;
        int n = static_cast<int>(notes.size());
        if (n > kMostNotesInUnit && feel == UnitFeel::kTriplet) {
            MidiTrackData::ShowError(mdtk::kCannotAdd);
            continue;
        }
        int placed = std::min(n, kMostNotesInUnit);
        for (int k = 0; k < placed; ++k)
            offsets[static_cast<std::size_t>(k)] = times[static_cast<std::size_t>(notes[k])] - base;
        if (n == 1) {
            MidiTrackData::PlaceOneNote(unit, offsets.data(), targets.data());
        } else if (n == 2 || (feel == UnitFeel::kShuffle && n > 2)) {
            MidiTrackData::PlaceTwoNotes(unit, offsets.data(), targets.data());
            placed = 2;
        } else if (n == 3) {
            MidiTrackData::PlaceThreeNotes(unit, targets.data());
        } else {
            MidiTrackData::PlaceNotesEvenly(unit, n, targets.data());
        }
        for (int k = 0; k < placed; ++k)
            times[static_cast<std::size_t>(notes[k])] = base + targets[static_cast<std::size_t>(k)];
    }
}

void MidiTrackData::QuantizeToUnits(int unit, bool shuffle) {
    if (unit < 3) {
        ShowError(mdtk::kInvalidParameter);
        return;
    }
    std::vector<long long> times = AbsoluteTimes();
    QuantizeUnits(*this, unit, shuffle ? UnitFeel::kShuffle : UnitFeel::kTriplet, times);
    // Moved notes take their place among the other events; nothing else
    // changes its time.
    std::vector<std::size_t> order(times.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return times[a] < times[b]; });
    OwnedEvents events = TakeEvents();
    OwnedEvents sorted;
    std::vector<long long> sortedTimes;
    for (std::size_t k : order) {
        sorted.push_back(std::move(events[k]));
        sortedTimes.push_back(times[k]);
    }
    PutEventsAtTimes(std::move(sorted), sortedTimes);
}
