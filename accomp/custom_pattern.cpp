// Harmony type "Custom": the style's own step grid over the chords, in one
// of three variants for the harmony part (the sub-harmony part plays its
// grid plainly).
#include <cstring>

#include "accomp/bass_track.h"
#include "accomp/custom_grid.h"
#include "accomp/harmony_track.h"
#include "compose/chord_tone_row.h"
#include "style/style_table.h"

namespace {

constexpr int kVelocity = 64;

// Steps of the grid cycle; 0 for a metre without one.
int GridCycle(bool triplet) {
    switch (WorkingStyle.timeSignature) {
        case kMetre44:
            return triplet ? 12 : 16;
        case kMetre34:
            return triplet ? 9 : 12;
        case kMetre78:
            return triplet ? 9 : 14;
        default:
            return 0;
    }
}

// The block letter of a label, 0 past the end of the list.
char BlockOf(const NoteList& labels, int index) {
    const NoteEvent* e = LabelAt(labels, index);
    return e ? e->label[0] : 0;
}

}  // namespace

void GenerateCustomPattern(int channel, ComposeTrackData& track, ChordList chords,
                           const NoteList& labels) {
    const CustomHarmonyBlock& block = WorkingStyle.customHarmony;
    const int t = channel == kHarmonyChannel ? kGridHarmony : kGridSubHarmony;
    const int variant = t == kGridHarmony ? block.useX[kGridHarmony] : 0;
    if (variant < 0 || variant > 2) return;
    const bool triplet = WorkingStyle.basicBeat == 3;
    int cycle = GridCycle(triplet);
    if (cycle == 0) {
        ShowErrorMessage(kTimeSignBeatError);
        cycle = 2;
    } else if (variant == 2 && triplet && WorkingStyle.timeSignature == kMetre78) {
        ShowErrorMessage(kTimeSignBeatError);
    }
    GridRun run;
    run.cycle = variant == 1 ? 2 * cycle : cycle;
    run.pairedRows = variant == 1;
    run.stroke = block.stroke[t] == 1;
    run.carryCounter = block.continueMajor[t] == 1;
    run.step = triplet ? 32 : 24;
    run.sound = triplet ? 23 : 15;
    GridVelocity velocity = [](int p) { return p > 0 ? kVelocity : 0; };
    if (variant == 1) velocity = [](int) { return kVelocity; };
    if (variant == 2) velocity = [](int p) { return p < 12 ? 0 : kVelocity; };
    int set = 0;
    int counter = 0;
    ChordWalk walk(channel, track, chords);
    walk.ForEachChord([&](ChordWalk& w) {
        const GridPart& grid = block.grid[set][t];
        run.grid = &grid;
        const ChordToneRow pitches =
            MakeChordToneRow(RowCodesOf(grid), w.Chord(), ChordWeightsOf(w.Chord()));
        PlayGridChord(w, run, pitches, counter, velocity);
        if (variant == 2) {
            const int i = w.Index();
            if (i + 1 >= labels.Count()) {
                set = 0;
            } else if (BlockOf(labels, i + 1) != BlockOf(labels, i)) {
                set = 1 - set;
            }
        }
    });
}
