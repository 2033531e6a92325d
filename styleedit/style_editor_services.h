// What the engine calls in the style editor: the repeat pass over the step
// grids of the pattern being edited.
#pragma once

#include <atomic>

#include "style/music_style.h"

// The pattern the step editor works on: 0 Harmony, 1 Sub Harmony, 2 Drum,
// 3 Bass; set by whoever opens it.
extern std::atomic<int> PatternSlot;

// For grid A and then grid B of the current pattern slot of WorkingStyle,
// each step c (0..steps-1, in order) whose repeat flag is 1 takes the 14
// rows of the step before it (step 0 the last step), so a run of repeat
// steps copies the step before the run. Steps are cut to 1..16; a slot
// outside 0..3 changes nothing.
void ApplyPatternRepeatFlags(int steps);

// The same pass over grids A and B of one grid part (0..3) of a style record
// held by the caller.
void ApplyPatternRepeatFlags(MusicStyle& style, int slot, int steps);
