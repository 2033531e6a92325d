// Note lists: the fixed-capacity lists of note, chord, label and value events
// in which the chord progression, the melodies, the block labels and the
// backing parts pass between the composer stages and the generators.
//
// A list has 16384 slots. The slot array comes zero-filled from calloc the
// first time something is appended, so a list that is never used costs no
// memory and a used one only the pages its events reach; clearing touches
// only the slots in use.
#pragma once

#include <cstdint>

#include "core/reporters.h"
#include "core/utilities.h"

class ChordRecord;

// Event kinds of a note list.
namespace note_kind {
constexpr int kChord = 0;
constexpr int kLabel = 1;
constexpr int kValue = 2;
constexpr int kNote = 144;
}  // namespace note_kind

// One event of a note list; every field starts at zero.
struct NoteEvent {
    std::int32_t length = 0;  // ticks, 96 per quarter note
    std::int32_t value = 0;   // pitch of a note (0 = rest), value of a kind-2 event, 0 for a chord
    std::int32_t kind = 0;    // note_kind
    char chordCode[4] = {};   // ChordCode of a chord event
    char numberText[2] = {};  // the chord's two-digit on-bass text
    char label[4] = {};       // text of a label event
};

constexpr int kNoteListCapacity = 16384;
constexpr ErrorCode kNoMoreNotes = 0xFF010134;

class NoteList {
public:
    NoteList() = default;
    ~NoteList() { Clear(); }
    NoteList(const NoteList&) = delete;
    NoteList& operator=(const NoteList&) = delete;

    // Each returns the new event, or nullptr when the list was full. The
    // append that takes the last free slot reports "No more memory for
    // notes!" and still stores its event.
    NoteEvent* AppendNote(int length, int pitch);
    // 1 when stored, 0 when the list refused the label.
    int AppendLabel(int length, const char label[4]);
    NoteEvent* AppendValue(int length, int value);
    // Length, code and number text from the record; an empty chord for none.
    NoteEvent* AppendChord(const ChordRecord* chord);
    NoteEvent* AppendCopy(const NoteEvent& event);
    // Copies of the other list's events, in order, as far as they fit.
    void AppendList(const NoteList& other);
    void CopyFrom(const NoteList& other);
    // Deletes the events in use and nulls their slots.
    void Clear();

    int Count() const { return count_; }
    NoteEvent* Event(int index) { return Slots()[index]; }
    const NoteEvent* Event(int index) const { return Slots()[index]; }

    // Sounding notes (kind 144, pitch above 0) whose start, the sum of the
    // lengths of the events before them, lies in [from, to).
    int CountNotesInWindow(int from, int to) const;

    // One semitone of key change from the index to the end: notes move up or
    // down within the melody part's range, chord events move their root
    // letter. Nothing happens unless the working style's "Transpose" is set.
    void TransposeUpFrom(int index);
    void TransposeDownFrom(int index);

private:
    NoteEvent** Slots() const { return reinterpret_cast<NoteEvent**>(slots_.data()); }
    NoteEvent* Append();

    // Mutable only so that the const accessors can hand out the array; the
    // block is allocated by Append alone.
    mutable MemoryBlock slots_;
    std::int32_t count_ = 0;
};

// Arrays of per-block lists.
constexpr int kMaxBlocks = 200;
using NoteListArray = NoteList* [kMaxBlocks];

void AllocateNoteListArray(NoteListArray& lists);
void ClearNoteListArray(NoteListArray& lists);
void DeleteNoteListArray(NoteListArray& lists);
