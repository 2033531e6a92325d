#include "style/grid_presets.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "core/utilities.h"
#include "style/style_table.h"

namespace {

std::unique_ptr<CustomHarmonyBlock> ResetBlock() {
    auto block = std::make_unique<CustomHarmonyBlock>();
    ResetCustomHarmony(*block);
    return block;
}

int CountCells(const GridPart& grid) {
    int count = 0;
    for (int value : grid.noteTable)
        count += value != 0;
    return count;
}

bool SameColumn(const GridPart& a, int stepA, const GridPart& b, int stepB) {
    for (int row = 0; row < kGridRows; ++row) {
        if (a.Cell(row, stepA) != b.Cell(row, stepB)) return false;
    }
    return true;
}

}  // namespace

TEST(ContinueColumns, RepeatTheLastUnflaggedColumn) {
    auto block = ResetBlock();
    GridPart& harmony = block->grid[0][kGridHarmony];
    harmony.Cell(2, 0) = 1;
    harmony.Cell(4, 0) = 1;
    harmony.Cell(6, 15) = 1;
    harmony.pnContinuem[1] = harmony.pnContinuem[2] = harmony.pnContinuem[3] = 1;
    ApplyContinueColumns(*block);
    for (int step = 1; step <= 3; ++step)
        EXPECT_TRUE(SameColumn(harmony, step, harmony, 0));
    EXPECT_EQ(harmony.Cell(6, 0), 0);

    // Step 0 flagged, no two-bar pattern: column 15 of the same grid, carried
    // on through the flagged steps by the second pass.
    harmony.pnContinuem[0] = 1;
    ApplyContinueColumns(*block);
    EXPECT_EQ(harmony.Cell(6, 0), 1);
    EXPECT_EQ(harmony.Cell(6, 3), 1);

    // Sub Harmony and Bass of set 1 follow their own flags.
    GridPart& bass = block->grid[1][kGridBass];
    bass.Cell(9, 4) = 1;
    bass.pnContinuem[5] = 1;
    ApplyContinueColumns(*block);
    EXPECT_EQ(bass.Cell(9, 5), 1);

    // Drum grids and sets 2 and 3 are never touched.
    GridPart& drum = block->grid[0][kGridDrum];
    drum.Cell(0, 0) = 1;
    for (int& flag : drum.pnContinuem)
        flag = 1;
    GridPart& third = block->grid[2][kGridHarmony];
    third.Cell(0, 0) = 1;
    third.pnContinuem[1] = 1;
    ApplyContinueColumns(*block);
    EXPECT_EQ(CountCells(drum), 1);
    EXPECT_EQ(third.Cell(0, 1), 0);
}

TEST(ContinueColumns, TwoBarHarmonyWrapsBetweenTheSets) {
    auto block = ResetBlock();
    block->useX[kGridHarmony] = 1;
    GridPart& first = block->grid[0][kGridHarmony];
    GridPart& second = block->grid[1][kGridHarmony];
    first.Cell(3, 15) = 1;
    second.Cell(7, 15) = 1;
    first.pnContinuem[0] = 1;
    second.pnContinuem[0] = 1;
    ApplyContinueColumns(*block);
    EXPECT_EQ(first.Cell(7, 0), 1);
    EXPECT_EQ(first.Cell(3, 0), 0);
    EXPECT_EQ(second.Cell(3, 0), 1);
}

TEST(GridPresets, TheTwoGivenPresets) {
    auto block = ResetBlock();
    GridPreset01(*block);
    const GridPart& harmony = block->grid[0][kGridHarmony];
    const int kCells[7][2] = {{2, 0}, {4, 1}, {3, 2}, {5, 3}, {4, 4}, {6, 5}, {6, 7}};
    for (auto [row, step] : kCells)
        EXPECT_EQ(harmony.Cell(row, step), 1);
    EXPECT_EQ(CountCells(harmony), 7);

    block = ResetBlock();
    GridPreset04(*block);
    const GridPart& drum = block->grid[0][kGridDrum];
    for (int step : {0, 4, 8, 12})
        EXPECT_EQ(drum.Cell(0, step), 1);
    for (int step : {2, 6, 10, 14})
        EXPECT_EQ(drum.Cell(6, step), 1);
    EXPECT_EQ(CountCells(drum), 8);
}

TEST(GridPresets, EachWritesItsGridPartsWithNotesAndFlagsOfOne) {
    // The grid parts each preset plays (set 0 unless noted).
    const std::vector<int> kParts[38] = {{kGridHarmony},
                                         {kGridHarmony},
                                         {kGridDrum},
                                         {kGridDrum},
                                         {kGridDrum},
                                         {kGridSubHarmony},
                                         {kGridHarmony},
                                         {kGridHarmony},
                                         {kGridHarmony},
                                         {kGridHarmony},
                                         {kGridHarmony},
                                         {kGridHarmony, kGridSubHarmony},
                                         {kGridHarmony, kGridDrum},
                                         {kGridHarmony},
                                         {kGridHarmony, kGridSubHarmony, kGridDrum, kGridBass},
                                         {kGridHarmony, kGridDrum},
                                         {kGridHarmony, kGridSubHarmony, kGridDrum, kGridBass},
                                         {kGridHarmony},
                                         {kGridHarmony},
                                         {kGridHarmony},
                                         {kGridHarmony},
                                         {kGridHarmony, kGridBass},
                                         {kGridHarmony, kGridDrum},
                                         {kGridHarmony, kGridBass},
                                         {kGridHarmony, kGridBass},
                                         {kGridHarmony},
                                         {kGridHarmony},
                                         {kGridHarmony},
                                         {kGridHarmony, kGridBass, kGridDrum},
                                         {kGridSubHarmony},
                                         {kGridSubHarmony},
                                         {kGridSubHarmony},
                                         {kGridSubHarmony},
                                         {kGridSubHarmony},
                                         {kGridBass},
                                         {kGridBass},
                                         {kGridBass},
                                         {kGridBass}};
    for (int n = 0; n < 38; ++n) {
        auto block = ResetBlock();
        GridPresetByNumber(n + 1)(*block);
        for (int part = 0; part < kGridParts; ++part) {
            bool used = std::find(kParts[n].begin(), kParts[n].end(), part) != kParts[n].end();
            const GridPart& grid = block->grid[0][part];
            EXPECT_EQ(CountCells(grid) > 0, used) << "preset " << n + 1 << " part " << part;
            for (int value : grid.noteTable)
                ASSERT_TRUE(value == 0 || value == 1);
            for (int flag : grid.pnContinuem)
                ASSERT_TRUE(flag == 0 || flag == 1);
            for (int code : grid.pnInterval)
                ASSERT_TRUE(code >= 0 && code <= 46);
        }
        // Sets 2 and 3 stay as reset.
        for (int set = 2; set < kGridSets; ++set) {
            for (int part = 0; part < kGridParts; ++part) {
                EXPECT_EQ(CountCells(block->grid[set][part]), 0) << "preset " << n + 1;
            }
        }
        if (n < 6) {
            for (int part = 0; part < kGridParts; ++part) {
                for (int flag : block->grid[0][part].pnContinuem)
                    EXPECT_EQ(flag, 0);
            }
        }
        // A preset's own flags are already applied: a second pass changes nothing.
        auto again = std::make_unique<CustomHarmonyBlock>(*block);
        ApplyContinueColumns(*again);
        if (n >= 6) {
            EXPECT_EQ(std::memcmp(again.get(), block.get(), sizeof(CustomHarmonyBlock)), 0)
                << "preset " << n + 1;
        }
    }
    auto block = ResetBlock();
    GridPreset20(*block);
    EXPECT_EQ(block->useX[kGridHarmony], 1);
    EXPECT_GT(CountCells(block->grid[1][kGridHarmony]), 0);
    EXPECT_EQ(block->stroke[kGridHarmony], 1);
}

TEST(RandomGrids, FillSetZeroOfTheWorkingStyle) {
    int filled[kGridParts] = {};
    int stroked = 0;
    for (int seed = 1; seed <= 40; ++seed) {
        InitMusicStyle(WorkingStyle);
        WorkingStyle.voice[kPartHarmony] = 25;
        CustomHarmonyBlock& block = WorkingStyle.customHarmony;
        // The fills add to the drum grid; nothing clears a cell there.
        block.grid[0][kGridDrum].Cell(13, 1) = 1;
        SeedRandomWith(seed);
        RandomHarmonyGrid();
        RandomSubHarmonyGrid();
        RandomBassGrid();
        RandomDrumGrid();
        EXPECT_EQ(block.grid[0][kGridDrum].Cell(13, 1), 1);
        for (int part = 0; part < kGridParts; ++part) {
            filled[part] += CountCells(block.grid[0][part]) > 0;
            EXPECT_EQ(CountCells(block.grid[1][part]), 0);
            for (int value : block.grid[0][part].noteTable)
                ASSERT_TRUE(value == 0 || value == 1);
        }
        stroked += block.stroke[kGridHarmony];
    }
    for (int part = 0; part < kGridParts; ++part)
        EXPECT_GT(filled[part], 30) << part;
    EXPECT_EQ(stroked, 40);

    // Only a guitar harmony is stroked; the drum fill uses rows 0, 2, 5 and 9.
    int tambourines = 0;
    for (int seed = 1; seed <= 40; ++seed) {
        InitMusicStyle(WorkingStyle);
        SeedRandomWith(seed);
        RandomHarmonyGrid();
        RandomDrumGrid();
        EXPECT_EQ(WorkingStyle.customHarmony.stroke[kGridHarmony], 0);
        const GridPart& drum = WorkingStyle.customHarmony.grid[0][kGridDrum];
        for (int row = 0; row < kGridRows; ++row) {
            if (row == 0 || row == 2 || row == 5 || row == 9) continue;
            for (int step = 0; step < kGridSteps; ++step)
                EXPECT_EQ(drum.Cell(row, step), 0);
        }
        tambourines += drum.pnInterval[9] == 19;
    }
    EXPECT_GT(tambourines, 0);
    EXPECT_LT(tambourines, 40);
}
