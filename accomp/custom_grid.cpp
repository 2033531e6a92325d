#include "accomp/custom_grid.h"

#include <algorithm>

#include "compose/chord_weights.h"

bool GridRun::IsSet(int slot, int k) const {
    if (!grid || cycle <= 0) return false;
    k %= cycle;
    if (pairedRows) {
        const int half = std::max(cycle / 2, 1);
        const int row = k < half ? slot : kGridRows - 1 - slot;
        return grid->Cell(row, (k % half) % kGridSteps) != 0;
    }
    return grid->Cell(slot, k % kGridSteps) != 0;
}

bool GridRun::Continues(int k) const {
    if (!grid || cycle <= 0) return false;
    k %= cycle;
    if (pairedRows) k %= std::max(cycle / 2, 1);
    return grid->pnContinuem[k % kGridSteps] != 0;
}

void PlayGridChord(ChordWalk& walk, const GridRun& run, const ChordToneRow& pitches, int& counter,
                   GridVelocity velocity) {
    if (run.cycle <= 0 || run.step <= 0) return;
    if (!run.carryCounter) counter = 0;
    const int steps = walk.Length() / run.step;
    int s = 0;
    int collected[kChordToneRows];
    while (s < steps) {
        const int spanStart = s * run.step;
        int sound = 0;
        int n = 0;
        for (;;) {
            sound += run.sound;
            n = 0;
            for (int slot = 0; slot < kChordToneRows; ++slot) {
                if (run.IsSet(slot, counter)) collected[n++] = pitches[slot];
            }
            const bool more = s + 1 < steps && run.Continues(counter + 1);
            counter = (counter + 1) % run.cycle;
            ++s;
            if (!more) break;
        }
        if (n == 0) {
            walk.Note(spanStart, 0, 0, sound);
            continue;
        }
        for (int m = 0; m < n; ++m) {
            // A stroke staggers the pitches by 2 ticks but never past the
            // last tick of the sounding span.
            const int offset = run.stroke ? std::min(2 * m, sound - 1) : 0;
            walk.Note(spanStart + offset, collected[m], velocity(collected[m]), sound - offset);
        }
    }
}

ScaleString ChordWeightsOf(const ChordRecord& chord) {
    ScaleString weights{};
    GetChordScaleWeights(chord.code.text, weights);
    return weights;
}

ChordToneCodes RowCodesOf(const GridPart& grid) {
    ChordToneCodes codes{};
    std::copy(std::begin(grid.pnInterval), std::end(grid.pnInterval), codes.begin());
    return codes;
}
