#include "styleedit/step_pattern.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "core/utilities.h"
#include "platform/paths.h"
#include "style/style_table.h"

namespace {

MusicStyle FreshStyle(int metre = kMetre44, int beat = 0) {
    MusicStyle style{};
    InitMusicStyle(style);
    style.timeSignature = metre;
    style.basicBeat = beat;
    return style;
}

// The edit after a store and reload, as the dialog keeps it.
StepPatternEdit Commit(StepPatternEdit& edit, MusicStyle& style) {
    StoreStepPatternEdit(edit, style);
    LoadStepPatternEdit(style, edit.slot, edit);
    return edit;
}

TEST(StepPattern, StepCountsByMetreAndBeat) {
    EXPECT_EQ(PatternStepCount(FreshStyle(kMetre44)), 16);
    EXPECT_EQ(PatternStepCount(FreshStyle(kMetre44, 3)), 12);
    EXPECT_EQ(PatternStepCount(FreshStyle(kMetre34)), 12);
    EXPECT_EQ(PatternStepCount(FreshStyle(kMetre34, 3)), 9);
    EXPECT_EQ(PatternStepCount(FreshStyle(kMetre78, 3)), 14);
    EXPECT_EQ(PatternStepCount(FreshStyle(7)), 14);
}

TEST(StepPattern, TripletWaltzShowsNineStepsAndKeepsTheRest) {
    MusicStyle style = FreshStyle(kMetre34, 3);
    GridPart& a = SlotGrid(style, kSlotHarmony, 0);
    for (int c = 9; c < 16; ++c) {
        a.Cell(5, c) = 7;
        a.pnContinuem[c] = 1;
    }
    StepPatternEdit edit;
    LoadStepPatternEdit(style, kSlotHarmony, edit);
    EXPECT_EQ(edit.steps, 9);
    for (int c = 0; c < 16; ++c) ToggleStepCell(edit, 0, c, 5);  // 9..15 are off the grid
    EXPECT_EQ(ToggleStepRepeat(edit, 0, 12), 0u);
    Commit(edit, style);
    for (int c = 0; c < 9; ++c) EXPECT_EQ(a.Cell(5, c), 1);
    for (int c = 9; c < 16; ++c) {
        EXPECT_EQ(a.Cell(5, c), 7);
        EXPECT_EQ(a.pnContinuem[c], 1);
    }
}

TEST(StepPattern, RepeatsCopyTheStepBeforeAndSpreadCellEdits) {
    MusicStyle style = FreshStyle();
    StepPatternEdit edit;
    LoadStepPatternEdit(style, kSlotHarmony, edit);
    edit.layout = 1;
    ToggleStepCell(edit, 0, 15, 4);
    ToggleStepCell(edit, 1, 15, 9);
    // Step 0's repeat takes step N-1, in both grids.
    ASSERT_EQ(ToggleStepRepeat(edit, 0, 0), 0u);
    EXPECT_EQ(edit.cells[0][0][4], 1);
    EXPECT_EQ(edit.cells[1][0][9], 1);
    ASSERT_EQ(ToggleStepRepeat(edit, 0, 0), 0u);
    // Steps 2 and 3 repeat: a cell of step 1 spreads to both, and a press on
    // step 3 edits step 1.
    ASSERT_EQ(ToggleStepRepeat(edit, 0, 2), 0u);
    ASSERT_EQ(ToggleStepRepeat(edit, 0, 3), 0u);
    ToggleStepCell(edit, 0, 1, 6);
    for (int c : {1, 2, 3}) EXPECT_EQ(edit.cells[0][c][6], 1) << c;
    EXPECT_EQ(edit.cells[0][4][6], 0);
    ToggleStepCell(edit, 0, 3, 6);
    for (int c : {1, 2, 3}) EXPECT_EQ(edit.cells[0][c][6], 0) << c;
    // Grid B follows its own flags: steps 2 and 3 repeat in grid A only.
    ToggleStepCell(edit, 1, 3, 2);
    EXPECT_EQ(edit.cells[1][3][2], 1);
    EXPECT_EQ(edit.cells[1][2][2] + edit.cells[1][4][2], 0);
    Commit(edit, style);
    EXPECT_EQ(SlotGrid(style, kSlotHarmony, 1).Cell(2, 3), 1);
    EXPECT_EQ(style.customHarmony.useX[kSlotHarmony], 1);
}

TEST(StepPattern, TheLastStepThatIsNotARepeatStaysSo) {
    MusicStyle style = FreshStyle(kMetre34, 3);
    StepPatternEdit edit;
    LoadStepPatternEdit(style, kSlotBass, edit);
    for (int c = 0; c < 8; ++c) ASSERT_EQ(ToggleStepRepeat(edit, 0, c), 0u);
    const StepPatternEdit before = edit;
    EXPECT_EQ(ToggleStepRepeat(edit, 0, 8), kCannotContinueAllNotes);
    EXPECT_EQ(std::memcmp(&before, &edit, sizeof edit), 0);
    EXPECT_EQ(ToggleStepRepeat(edit, 0, 3), 0u);  // clearing is always allowed
}

// A file may set every flag: the walks end, and the pressed step is edited.
TEST(StepPattern, AllRepeatGridEditsThePressedStep) {
    MusicStyle style = FreshStyle();
    GridPart& a = SlotGrid(style, kSlotRhythm, 0);
    for (int c = 0; c < 16; ++c) a.pnContinuem[c] = 1;
    StepPatternEdit edit;
    LoadStepPatternEdit(style, kSlotRhythm, edit);
    ToggleStepCell(edit, 0, 5, 3);
    for (int c = 0; c < 16; ++c) EXPECT_EQ(edit.cells[0][c][3], 1) << c;
}

// A file's repeats at both ends make a run that wraps from step 15 to step
// 0; one store settles it, whatever the file's cells.
TEST(StepPattern, AStoreSettlesARunWrappingRound) {
    MusicStyle style = FreshStyle();
    GridPart& a = SlotGrid(style, kSlotSubHarmony, 0);
    for (int c : {0, 1, 14, 15}) a.pnContinuem[c] = 1;
    for (int c = 0; c < 16; ++c) a.Cell(c % kGridRows, c) = 1;
    StepPatternEdit edit;
    LoadStepPatternEdit(style, kSlotSubHarmony, edit);
    ToggleStepRepeat(edit, 0, 7);
    StoreStepPatternEdit(edit, style);
    for (int c : {0, 1, 7, 14, 15}) {
        for (int r = 0; r < kGridRows; ++r)
            EXPECT_EQ(a.Cell(r, c), a.Cell(r, c == 0 ? 15 : c - 1)) << c << " " << r;
    }
    EXPECT_EQ(a.Cell(13, 13), 1);  // the run's head: step 13 feeds 14, 15, 0, 1
    EXPECT_EQ(a.Cell(13, 1), 1);
}

// Seeded presses over every slot and metre: only the slot's grids and
// options change, and each repeat step equals the step before it.
TEST(StepPattern, RandomPressesKeepRepeatsAndTouchOnlyTheirSlot) {
    std::mt19937 random(45);
    for (int slot = 0; slot < 4; ++slot) {
        for (int metre : {kMetre44, kMetre34, kMetre78, 5}) {
            for (int beat : {0, 3}) {
                MusicStyle style = FreshStyle(metre, beat);
                const MusicStyle original = style;
                StepPatternEdit edit;
                LoadStepPatternEdit(style, slot, edit);
                const int n = edit.steps;
                for (int press = 0; press < 300; ++press) {
                    const int grid = random() % 2;
                    const int step = random() % 16;
                    if (random() % 3 == 0) ToggleStepRepeat(edit, grid, step);
                    else ToggleStepCell(edit, grid, step, random() % kGridRows);
                    if (random() % 9 == 0) edit.layout = int(random() % 5) - 1;
                    if (random() % 9 == 0) edit.strokeChecked = !edit.strokeChecked;
                    Commit(edit, style);
                }
                for (int g = 0; g < 2; ++g) {
                    const GridPart& grid = SlotGrid(style, slot, g);
                    for (int c = 0; c < n; ++c) {
                        if (grid.pnContinuem[c] != 1) continue;
                        const int from = c == 0 ? n - 1 : c - 1;
                        for (int r = 0; r < kGridRows; ++r)
                            ASSERT_EQ(grid.Cell(r, c), grid.Cell(r, from)) << slot << g << c;
                    }
                }
                // Blank the slot's own bytes: the rest of the record is untouched.
                MusicStyle masked = style, expected = original;
                for (MusicStyle* s : {&masked, &expected}) {
                    SlotGrid(*s, slot, 0) = GridPart{};
                    SlotGrid(*s, slot, 1) = GridPart{};
                    s->customHarmony.useX[slot] = 0;
                    s->customHarmony.continueMajor[slot] = 0;
                    s->customHarmony.stroke[slot] = 0;
                }
                ASSERT_EQ(std::memcmp(&masked, &expected, sizeof masked), 0) << slot << metre;
            }
        }
    }
}

TEST(StepPattern, FileBytesLoadIntoAnySlotAndSaveBackTheSame) {
    // Random values, each within its field's range.
    std::mt19937 random(7);
    std::vector<std::uint8_t> bytes(kPatternFileBytes);
    for (int i = 0; i < int(kPatternFileBytes / 4); ++i) {
        const FieldRange range = PatternIntRange(i);
        WriteLittleEndian32(
            bytes.data() + 4 * i,
            std::uint32_t(range.low + int(random() % (range.high - range.low + 1))));
    }
    WriteLittleEndian32(bytes.data() + 2032, 2);  // slot 0's layout
    for (int slot = 0; slot < 4; ++slot) {
        MusicStyle style = FreshStyle();
        EXPECT_EQ(ApplyPatternFileBytes(bytes, style, slot).kind, PatternFileFault::kNone);
        const auto back = PatternFileBytes(style, slot);
        EXPECT_TRUE(std::equal(back.begin(), back.end(), bytes.begin())) << slot;
        EXPECT_EQ(style.customHarmony.useX[slot], 2);
    }
}

TEST(StepPattern, LoadedOutOfRangeValuesAreKeptAndShownSafely) {
    MusicStyle style = FreshStyle();
    style.customHarmony.useX[kSlotHarmony] = 7;
    SlotGrid(style, kSlotHarmony, 0).pnInterval[3] = 46;
    StepPatternEdit edit;
    LoadStepPatternEdit(style, kSlotHarmony, edit);
    EXPECT_EQ(edit.layout, 7);
    EXPECT_EQ(LayoutEntry(edit.layout), 0);
    EXPECT_FALSE(GridBShown(edit));
    StoreStepPatternEdit(edit, style);
    EXPECT_EQ(style.customHarmony.useX[kSlotHarmony], 7);
    EXPECT_EQ(RowTone(style, kSlotHarmony, 3), 46);
    // A tone chosen in the bass slot leaves the harmony slot's.
    SetRowTone(style, kSlotBass, 3, 5);
    EXPECT_EQ(RowTone(style, kSlotHarmony, 3), 46);
    EXPECT_EQ(RowTone(style, kSlotBass, 3), 5);
}

bool FailWrite(const std::string&) {
    return false;
}

TEST(StepPattern, FilesFailSoundly) {
    const auto dir = std::filesystem::temp_directory_path() / "zaw_step_pattern_test";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "a.pat").string();
    MusicStyle style = FreshStyle();
    SlotGrid(style, kSlotRhythm, 0).Cell(0, 0) = 1;
    ASSERT_EQ(SavePatternFile(path, style, kSlotRhythm), 0u);
    EXPECT_EQ(std::filesystem::file_size(path), kPatternFileBytes);
    // A failed write leaves the old file whole.
    platform::SetBeforeReplaceHook(FailWrite);
    SlotGrid(style, kSlotRhythm, 0).Cell(0, 0) = 0;
    EXPECT_EQ(SavePatternFile(path, style, kSlotRhythm), kPatternSaveFailed);
    platform::SetBeforeReplaceHook(nullptr);
    MusicStyle loaded = FreshStyle();
    PatternFileFault fault;
    ASSERT_EQ(LoadPatternFile(path, loaded, kSlotBass, fault), 0u);
    EXPECT_EQ(fault.kind, PatternFileFault::kNone);
    EXPECT_EQ(SlotGrid(loaded, kSlotBass, 0).Cell(0, 0), 1);
    EXPECT_EQ(LoadPatternFile((dir / "missing.pat").string(), loaded, 0, fault),
              kPatternLoadFailed);
    std::filesystem::remove_all(dir);
}

}  // namespace
