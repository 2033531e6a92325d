// The built-in tables of the 39 drum styles: one entry per style, const.
// What each entry's extra tables and grids mean is told with the entry.
#pragma once

#include <array>
#include <initializer_list>

#include "accomp/drum_run.h"

namespace drums {

struct DrumStyleData {
    const char* name;
    DrumKindTable straight;
    DrumKindTable triplet;
    std::array<DrumKindTable, 4> extra;
    std::array<DrumVelocityTable, 2> velocities;
    const NoteGrid* grids;
    int gridCount;
};

// Index 1..39; entry 0 is empty.
extern const DrumStyleData kDrumStyleData[kDrumStyleCount + 1];

// The cell repeated over 32 steps.
constexpr std::array<int, 32> Cycle(std::initializer_list<int> cell) {
    std::array<int, 32> table{};
    std::size_t i = 0;
    while (i < table.size() && cell.size() > 0) {
        for (int v : cell) {
            if (i == table.size()) break;
            table[i++] = v;
        }
    }
    return table;
}

// One sounding voice of a grid step.
struct GridHit {
    int step;
    int key;
    int velocity;
};

// A grid from its hits; each step keeps at most eight voices.
constexpr NoteGrid MakeGrid(std::initializer_list<GridHit> hits) {
    NoteGrid grid{};
    for (const GridHit& h : hits) {
        auto& voices = grid[static_cast<std::size_t>(h.step % 16)];
        for (GridVoice& v : voices) {
            if (v.key < 0) {
                v = {h.key, h.velocity};
                break;
            }
        }
    }
    return grid;
}

}  // namespace drums
