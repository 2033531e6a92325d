// The table-driven note choice (melody algorithm 5): each pitch is chosen from
// the one before by the chord's weights, so that a note of low weight is soon
// followed by a resolution, with rising figures, neighbour tones at a chord's
// first note and forced rests. It reads the melody part's limits, dissonance
// and tension whatever part it writes for, and keeps its counters in the
// composer state.
#pragma once

#include "style/music_style.h"

class ChordRecord;

// The weight a pitch must reach to count as resolved.
constexpr int kResolvedWeight = 8;

struct NoteChoiceInput {
    int previous = 0;  // the previous pitch, 0 for a rest or none
    int length = 0;    // this note's length
    int position = 0;  // position in the chord
    int previousClass = 0;
    int before = 0;  // the pitch before the previous one
    int chordLength = 0;
    int part = kPartMelody;
};

// The pitch of the next note, 0 for a rest.
int NoteChoiceFive(int previous, const ScaleString& weights, int length, int position,
                   const ChordRecord& chord, int previousClass, int before, int chordLength,
                   int part);

// Steps the pitch until it weighs 8 or more, at most 101 steps; a step past
// the melody's limits lands 7 inside the other one. A pitch below 12 gives 0.
int StepToWeightEight(const ScaleString& weights, int pitch, int step);
// The first note of a chord, or a note after a rest.
int FirstNoteOfChord(const ScaleString& weights, const ChordRecord& chord,
                     const NoteChoiceInput& in, int pitch);
// One step on within the melody's range, then on until the weight the note
// needs.
int StepWithinRange(const ScaleString& weights, const NoteChoiceInput& in, int pitch);
int ChordRootInRange(const ScaleString& weights, const ChordRecord& chord, int pitch);
int StepDownFromTone(const ScaleString& weights, int pitch);
