#include "compose/note_list.h"

#include <cstring>

#include "compose/chord_record.h"
#include "style/style_table.h"

NoteEvent* NoteList::Append() {
    if (count_ >= kNoteListCapacity) return nullptr;
    if (!slots_) {
        slots_ = AllocZeroed(sizeof(NoteEvent*) * kNoteListCapacity);
        if (!slots_) return nullptr;
    }
    if (count_ == kNoteListCapacity - 1) ShowErrorMessage(kNoMoreNotes);
    auto* event = new NoteEvent();
    Slots()[count_++] = event;
    return event;
}

NoteEvent* NoteList::AppendNote(int length, int pitch) {
    NoteEvent* e = Append();
    if (e) {
        e->length = length;
        e->value = pitch;
        e->kind = note_kind::kNote;
    }
    return e;
}

int NoteList::AppendLabel(int length, const char label[4]) {
    NoteEvent* e = Append();
    if (!e) return 0;
    e->length = length;
    e->kind = note_kind::kLabel;
    std::memcpy(e->label, label, sizeof e->label);
    return 1;
}

NoteEvent* NoteList::AppendValue(int length, int value) {
    NoteEvent* e = Append();
    if (e) {
        e->length = length;
        e->value = value;
        e->kind = note_kind::kValue;
    }
    return e;
}

NoteEvent* NoteList::AppendChord(const ChordRecord* chord) {
    NoteEvent* e = Append();
    if (e) {
        e->kind = note_kind::kChord;
        if (chord) {
            e->length = chord->length;
            std::memcpy(e->chordCode, chord->code.text, sizeof e->chordCode);
            std::memcpy(e->numberText, chord->onChordText, sizeof e->numberText);
        }
    }
    return e;
}

NoteEvent* NoteList::AppendCopy(const NoteEvent& event) {
    NoteEvent* e = Append();
    if (e) *e = event;
    return e;
}

void NoteList::AppendList(const NoteList& other) {
    // The count is taken first so that a list appended to itself doubles
    // once instead of chasing its own end.
    int n = other.count_;
    for (int i = 0; i < n && count_ < kNoteListCapacity; ++i)
        AppendCopy(*other.Slots()[i]);
}

void NoteList::CopyFrom(const NoteList& other) {
    if (&other == this) return;
    Clear();
    AppendList(other);
}

void NoteList::Clear() {
    NoteEvent** slots = Slots();
    for (int i = 0; i < count_; ++i) {
        delete slots[i];
        slots[i] = nullptr;
    }
    count_ = 0;
}

int NoteList::CountNotesInWindow(int from, int to) const {
    std::int64_t time = 0;
    int notes = 0;
    for (int i = 0; i < count_; ++i) {
        const NoteEvent* e = Slots()[i];
        if (e->kind == note_kind::kNote && e->value > 0 && time >= from && time < to) ++notes;
        time += e->length;
    }
    return notes;
}

void NoteList::TransposeUpFrom(int index) {
    if (WorkingStyle.transpose == 0) return;
    const std::int64_t upper = WorkingStyle.melody[kPartMelody].upperLimit;
    for (int i = index < 0 ? 0 : index; i < count_; ++i) {
        NoteEvent* e = Slots()[i];
        if (e->kind == note_kind::kNote && e->value > 0) {
            int p = e->value;
            // The top key wraps down to the key an octave below its upper
            // neighbour, so 126 reaches 127 and 127 becomes 116.
            p = p + 1 > 127 ? p - 11 : p + 1;
            if (p + 12 - upper > 24 && p > 12) p -= 12;
            e->value = p;
        } else if (e->kind == note_kind::kChord) {
            e->chordCode[0] = RootUpSemitone(e->chordCode[0]);
        }
    }
}

void NoteList::TransposeDownFrom(int index) {
    if (WorkingStyle.transpose == 0) return;
    const std::int64_t lower = WorkingStyle.melody[kPartMelody].lowerLimit;
    for (int i = index < 0 ? 0 : index; i < count_; ++i) {
        NoteEvent* e = Slots()[i];
        if (e->kind == note_kind::kNote && e->value > 0) {
            int p = e->value;
            // The lowest key wraps up like the top key wraps down, so a note
            // never turns into a rest.
            p = p - 1 < 1 ? p + 11 : p - 1;
            if (p + 12 < lower && p + 12 <= 127) p += 12;
            e->value = p;
        } else if (e->kind == note_kind::kChord) {
            e->chordCode[0] = RootDownSemitone(e->chordCode[0]);
        }
    }
}

void AllocateNoteListArray(NoteListArray& lists) {
    for (NoteList*& list : lists)
        list = new NoteList();
}

void ClearNoteListArray(NoteListArray& lists) {
    for (NoteList* list : lists)
        if (list) list->Clear();
}

void DeleteNoteListArray(NoteListArray& lists) {
    for (NoteList*& list : lists) {
        delete list;
        list = nullptr;
    }
}
