// The player of a custom step grid: per chord the steps of the grid, each
// sounding the chord-tone slots marked for it, continuation steps lengthening
// the notes before them. Shared by the harmony part's "Custom" pattern and
// the bass part's "Custom" type.
#pragma once

#include "accomp/chord_walk.h"
#include "compose/chord_tone_row.h"
#include "style/music_style.h"

struct GridRun {
    const GridPart* grid = nullptr;
    int cycle = 16;           // steps of the grid cycle
    bool pairedRows = false;  // two-bar rows over a doubled cycle
    bool stroke = false;
    bool carryCounter = false;  // the counter goes on into the next chord
    int step = 24;              // ticks of a step
    int sound = 15;             // sounding ticks of a step
    int gap = 9;

    // Whether slot sounds at counter value k.
    bool IsSet(int slot, int k) const;
    // Whether step k lengthens the notes before it.
    bool Continues(int k) const;
};

// The velocity a slot pitch sounds with.
using GridVelocity = int (*)(int pitch);

// Plays the chord the walk stands on. The counter starts at 0 for the chord
// unless run.carryCounter; it is kept below the cycle.
void PlayGridChord(ChordWalk& walk, const GridRun& run, const ChordToneRow& pitches, int& counter,
                   GridVelocity velocity);

// The chord's weights in the working style's scale.
ScaleString ChordWeightsOf(const ChordRecord& chord);
// The grid's 14 row codes.
ChordToneCodes RowCodesOf(const GridPart& grid);
