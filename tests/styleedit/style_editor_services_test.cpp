#include "styleedit/style_editor_services.h"
#include "core/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "core/settings.h"
#include "style/style_table.h"

namespace {

class StyleEditorServices : public ::testing::Test {
protected:
    void SetUp() override {
        savedStyle_ = WorkingStyle;
        savedMode_ = PanelMode.load();
        savedSlot_ = PatternSlot.load();
        std::copy(std::begin(ComposeStyleSelection), std::end(ComposeStyleSelection),
                  savedCompose_);
        std::copy(std::begin(ConvertStyleSelection), std::end(ConvertStyleSelection),
                  savedConvert_);
        InitMusicStyle(WorkingStyle);
    }
    void TearDown() override {
        WorkingStyle = savedStyle_;
        PanelMode = savedMode_;
        PatternSlot = savedSlot_;
        std::copy(std::begin(savedCompose_), std::end(savedCompose_), ComposeStyleSelection);
        std::copy(std::begin(savedConvert_), std::end(savedConvert_), ConvertStyleSelection);
    }

private:
    MusicStyle savedStyle_{};
    int savedMode_ = 0;
    int savedSlot_ = 0;
    std::int32_t savedCompose_[kStyleSelectionCount]{};
    std::int32_t savedConvert_[kStyleSelectionCount]{};
};

TEST_F(StyleEditorServices, SelectedStylesCountByPanelMode) {
    ClearStyleSelections();
    ComposeStyleSelection[0] = 1;
    ComposeStyleSelection[215] = 1;
    ComposeStyleSelection[7] = 2;  // only a 1 is a selection
    ConvertStyleSelection[3] = 1;
    PanelMode = kPanelModeCompose;
    EXPECT_EQ(CountSelectedStyles(), 2);
    PanelMode = kPanelModeConvert;
    EXPECT_EQ(CountSelectedStyles(), 1);
    PanelMode = kPanelModeEdit;
    EXPECT_EQ(CountSelectedStyles(), 0);
}

TEST_F(StyleEditorServices, RepeatStepsCopyTheStepBeforeTheRunInBothGrids) {
    PatternSlot = kGridDrum;
    const int steps = 12;
    for (int set : {0, 1}) {
        GridPart& g = WorkingStyle.customHarmony.grid[set][kGridDrum];
        for (int c = 0; c < kGridSteps; ++c)
            for (int r = 0; r < kGridRows; ++r)
                g.Cell(r, c) = (r + c + set) % 3 == 0 ? 1 : 0;
        g.pnContinuem[0] = 1;
        g.pnContinuem[2] = 1;
        g.pnContinuem[3] = 1;
        g.pnContinuem[13] = 1;  // past the steps shown: left alone
    }
    const GridPart before = WorkingStyle.customHarmony.grid[0][kGridDrum];
    const GridPart harmony = WorkingStyle.customHarmony.grid[0][kGridHarmony];
    ApplyPatternRepeatFlags(steps);
    for (int set : {0, 1}) {
        const GridPart& g = WorkingStyle.customHarmony.grid[set][kGridDrum];
        for (int r = 0; r < kGridRows; ++r) {
            EXPECT_EQ(g.Cell(r, 0), g.Cell(r, 11));
            EXPECT_EQ(g.Cell(r, 2), g.Cell(r, 1));
            EXPECT_EQ(g.Cell(r, 3), g.Cell(r, 1));
            EXPECT_EQ(g.Cell(r, 13), (r + 13 + set) % 3 == 0 ? 1 : 0);
        }
    }
    EXPECT_NE(std::memcmp(&before, &WorkingStyle.customHarmony.grid[0][kGridDrum], sizeof before),
              0);
    EXPECT_EQ(
        std::memcmp(&harmony, &WorkingStyle.customHarmony.grid[0][kGridHarmony], sizeof harmony),
        0);
    // A slot that is not there changes nothing.
    PatternSlot = 7;
    const MusicStyle kept = WorkingStyle;
    ApplyPatternRepeatFlags(99);
    EXPECT_EQ(std::memcmp(&kept, &WorkingStyle, sizeof kept), 0);
}

}  // namespace
