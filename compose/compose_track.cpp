#include "compose/compose_track.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/utilities.h"
#include "style/style_table.h"

namespace {

constexpr int kSustainPedal = 64;
// Notes longer than this may get an ornament.
constexpr int kOrnamentLength = 66;
// Notes longer than this may get a passing note before the next note.
constexpr int kPassingLength = 96;
// Middle-length notes are split here.
constexpr int kSplitAt = 72;
constexpr int kSplitCopy = 24;

bool IsChance(int n) {
    return RandomInRange(1, n) == 1;
}

}  // namespace

void ComposeTrackData::SanitizeNote(int& note, int& velocity, int& length) {
    if (length < 0) length = 0;
    velocity = std::clamp(velocity, 0, 127);
    if (note >= 128 || (note < 13 && velocity != 0)) {
        note = 0;
        velocity = 0;
    }
}

MidiEvent* ComposeTrackData::AddNoteEvent(int channel, int delta, int note, int velocity,
                                          int length) {
    SanitizeNote(note, velocity, length);
    if (note == 0 && velocity == 0) length = 1;
    return AddNote(channel, delta, note, velocity, length);
}

void ComposeTrackData::RemoveRestNotes() {
    for (int i = 0; i < eventCount_; ++i) {
        MidiEvent* e = Event(i);
        if (e->IsNoteWithLength() && (e->note == 0 || e->velocity == 0)) e->Clear();
    }
    RemoveClearedEvents();
}

MidiEvent* ComposeTrackData::AddSustainPedal(int channel, int delta, int value) {
    MidiEvent* e = AddControlChange(channel, kSustainPedal, value);
    if (e) e->delta = delta;
    return e;
}

void ComposeTrackData::AddPassingNotes() {
    if (noteMode_ != note_mode::kLength) {
        ShowError(m1tk::kInternal);
        return;
    }
    // Only the notes already there get ornaments, never the ones added.
    std::vector<MidiEvent*> notes;
    for (int i = 0; i < eventCount_; ++i) {
        if (Event(i)->IsNoteWithLength()) notes.push_back(Event(i));
    }
    auto indexOf = [this](const MidiEvent* e) {
        for (int i = 0; i < eventCount_; ++i) {
            if (Event(i) == e) return i;
        }
        return -1;
    };
    auto nextNoteAfter = [this](int index) {
        for (int j = index + 1; j < eventCount_; ++j) {
            if (Event(j)->IsNoteWithLength()) return j;
        }
        return -1;
    };
    std::vector<NewEvent> added;
    for (MidiEvent* note : notes) {
        if (note->length <= kOrnamentLength || !IsChance(4)) continue;
        const int i = indexOf(note);
        const long long start = TimeOf(i);
        if (note->length > kPassingLength) {
            int j = nextNoteAfter(i);
            if (j < 0) continue;
            MidiEvent* next = Event(j);
            if (std::abs(next->note - note->note) != 2) continue;
            int c = 48;
            if (WorkingStyle.basicBeat == 3) {
                c = 32;
            } else if (note->length < 134) {
                c = IsChance(4) ? 48 : 24;
            }
            // It starts c ticks before the next note, but not before the
            // long note.
            long long nextTime = TimeOf(j);
            long long at = std::max(start, nextTime - c);
            if (at >= nextTime) continue;
            auto passing = std::make_unique<MidiEvent>(*note);
            passing->note = (note->note + next->note) / 2;
            passing->length = static_cast<int>(nextTime - at);
            added.push_back({at, j, std::move(passing)});
            MergeNewEvents(added);
            continue;
        }
        // 67..96 ticks: the note is cut and a short copy follows it.
        note->length = kSplitAt;
        auto copy = std::make_unique<MidiEvent>(*note);
        copy->length = kSplitCopy;
        const long long copyTime = start + kSplitAt;
        int j = nextNoteAfter(i);
        while (j >= 0 && TimeOf(j) <= copyTime)
            j = nextNoteAfter(j);
        int before = i + 1;
        while (before < eventCount_ && TimeOf(before) <= copyTime)
            ++before;
        if (j >= 0) {
            const MidiEvent* next = Event(j);
            if (std::abs(next->note - copy->note) == 2) {
                copy->note = (next->note + copy->note) / 2;
            } else if (next->note == copy->note && next->note != 0 && IsChance(2)) {
                copy->note -= 1;
            }
            if (TimeOf(j) - copyTime > 95) copy->length = 96;
        }
        added.push_back({copyTime, before, std::move(copy)});
        MergeNewEvents(added);
    }
}
