// PartTrack: the note-with-length track of a melody-like part (melody,
// obbligato, sub melody, second melody), with the note operations the part
// effects are built from. Every operation works on one note, given by its
// index, and places what it adds inside the note's slot (before the next
// event), so no other event moves and the track ends where it ended.
#pragma once

#include "compose/compose_track.h"
#include "core/reporters.h"
#include "core/utilities.h"

constexpr ErrorCode kMelodyTrackTypeInvalid = 0xFF0101B4;

class PartTrack : public ComposeTrackData {
public:
    PartTrack() : ComposeTrackData(note_mode::kLength, static_cast<int>(WorkBufferSize)) {}

    // As AddNoteEvent, but a rest keeps its length.
    MidiEvent* AddNoteKeepLength(int channel, int delta, int note, int velocity, int length);

    // A copy an octave higher at the same time for every sounding note below
    // key 116. Only on a track of notes with length.
    void AddOctaveDouble();
    // A bend attack of a ticks: with a bendable voice a bend from below at the
    // note and back to the centre a ticks later; otherwise (a above 7) a
    // 3-tick grace note a semitone below and the note 4 ticks later. Nothing
    // for a of 0 or less or when the next event comes sooner than a. The
    // events added.
    int BendAttack(int index, int a);
    // A rising vibrato on a long note of a bendable voice; with tidy the
    // track's redundant bends are removed afterwards and bends moved to the
    // front of their time (callers running it on many notes tidy once at the
    // end). The bends added.
    int AddVibratoRise(int index, bool tidy = true);
    // The note cut to 8/10 of a ticks (a at least 1) with copies a ticks apart
    // filling its slot. The copies made.
    int SplitIntoRepeats(int index, int a);
    // A bend accent into a note longer than 23 ticks of a bendable voice. The
    // bends added.
    int AddBendAccent(int index);
    // Controllers of a vibrato set up before the note, a bend attack, and the
    // modulation back to 64 before the next note. The note's new index.
    int AddVibratoSetup(int index);

    // ---- Helpers of the effects ----
    // Ticks from the event to the next one; 0 for the last event.
    int GapAfter(int index) const;
    bool IsSoundingNote(int index) const;
    // Puts the event offset ticks after the event at index: right after it
    // for 0, else before the events already at that time. The new index, or
    // -1 (event freed) when the track is full.
    int InsertAtOffset(int index, int offset, MidiEvent* event);
    // Puts the event at the time of the event at index, just before it.
    int InsertBefore(int index, MidiEvent* event);
    // A note like the one at index with another key, velocity and length,
    // after the guards of AddNoteEvent; null when those make it a rest.
    MidiEvent* NewNoteLike(int index, int note, int velocity, int length) const;
    static MidiEvent* NewPitchBend(int channel, int msb, int lsb);
    // Velocity plus amount, kept to 1..127.
    static int LimitVelocity(int velocity);
};
