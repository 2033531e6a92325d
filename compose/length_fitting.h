// Length fitting: after the chord progression is generated, one step at a
// time lengthens or shortens one chord of one block's chord list until the
// tune lies within a bar of the style's "Tune Length". A change in a block
// counts as often as the block is played, since every step measures the
// whole chord timeline again. There is one step for 4/4 and one for 3/4;
// 7/8 tunes are not fitted.
#pragma once

#include <functional>

#include "compose/note_list.h"

// The tune's length in bars as last measured.
extern int MeasuredTuneLength;
// The caller's step counter: 0 before the first step of a fitting run.
extern int FitState;

// 4 in 4/4, 3 in every other metre.
int BeatsPerBarOf(int timeSignature);
// Rebuilds the chord timeline and sets MeasuredTuneLength from it; returns
// the bars.
int MeasureTuneLength();

// One fitting step; true means stop fitting. Both stop at once, changing
// nothing, for "Number of Chords in a Block" 1, "Block Length" 4 or "Chord
// Generation Method" 8, and after 1000 steps; the 4/4 step also when a
// change from the sixth step on leaves the bar count as it was.
bool FitLengthCommonTime(int& state);
bool FitLengthTripleTime(int& state);

// Measures the tune, then in 4/4 and 3/4 runs fitting steps (FitState from
// 0) until it lies within a bar of the style's "Tune Length" or a step says
// stop; 7/8 is measured only. beforeStep, when given, runs before every step
// with true in 4/4; false from it ends the fitting at once. Returns the bars,
// or -1 when beforeStep ended it.
int FitToTuneLength(const std::function<bool(bool commonTime)>& beforeStep = {});

// Each changes the first chord, scanning blocks 1 to blocks and each block's
// chords in order, whose length test passes and whose own chance comes;
// true when one changed.
// 4/4: 384 or more to 192 at 1/3; after 3 steps also 192 or more to 96 at
// 1/2.
bool ShortenOneChord(NoteListArray& lists, int blocks, int steps);
// 4/4: below 384 to 384 at 1/3, below 768 to 768 at 1/3; after 3 steps also
// below 192 to 192 at 1/2.
bool LengthenOneChord(NoteListArray& lists, int blocks, int steps);
// 3/4: longer than 575 to 288 at 1/3.
bool ShortenOneTripleChord(NoteListArray& lists, int blocks);
// 3/4: shorter than 576 to 576 at 1/3.
bool LengthenOneTripleChord(NoteListArray& lists, int blocks);
