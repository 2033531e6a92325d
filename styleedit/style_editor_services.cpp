#include "styleedit/style_editor_services.h"

#include <algorithm>
#include <mutex>

#include "core/settings.h"
#include "style/style_table.h"

std::atomic<int> PatternSlot{0};

namespace {

// Grid A is set 0 of the slot's grid part, grid B set 1.
void RepeatSteps(GridPart& grid, int steps) {
    for (int c = 0; c < steps; ++c) {
        if (grid.pnContinuem[c] != 1) continue;
        const int from = c == 0 ? steps - 1 : c - 1;
        for (int row = 0; row < kGridRows; ++row)
            grid.Cell(row, c) = grid.Cell(row, from);
    }
}

}  // namespace

void ApplyPatternRepeatFlags(MusicStyle& style, int slot, int steps) {
    if (slot < 0 || slot >= kGridParts) return;
    steps = std::clamp(steps, 1, kGridSteps);
    RepeatSteps(style.customHarmony.grid[0][slot], steps);
    RepeatSteps(style.customHarmony.grid[1][slot], steps);
}

void ApplyPatternRepeatFlags(int steps) {
    std::lock_guard<std::recursive_mutex> lock(StyleRecordMutex());
    ApplyPatternRepeatFlags(WorkingStyle, PatternSlot.load(), steps);
}
