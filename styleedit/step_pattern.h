// The step-pattern editor's model: the working copy of one pattern slot's two
// grids, the edits a click makes on it, storing it into a style, and the
// ".pat" files that carry one slot's grids and options.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/reporters.h"
#include "style/music_style.h"
#include "style/style_check.h"

// Pattern slots, as the editor's openers set PatternSlot.
constexpr int kSlotHarmony = 0;
constexpr int kSlotSubHarmony = 1;
constexpr int kSlotRhythm = 2;
constexpr int kSlotBass = 3;

constexpr ErrorCode kCannotContinueAllNotes = 0xFF01012C;  // "Can not continue all notes!"
constexpr ErrorCode kPatternLoadFailed = 0xFF0101D1;  // "Loading harmony pattern is failed!"
constexpr ErrorCode kPatternSaveFailed = 0xFF010044;  // "can not save parameters!"

// One grid as 254 ints: 224 cells, 14 row tones, 16 repeat flags.
constexpr std::size_t kStepGridBytes = sizeof(GridPart);
// Grid A, grid B, then the layout, continue and stroke ints.
constexpr std::size_t kPatternFileBytes = 2 * kStepGridBytes + 12;
static_assert(kPatternFileBytes == 2044);

constexpr int kHarmonyToneCount = 21;  // harmony and bass tone names
constexpr int kDrumToneCount = 47;     // drum names, key 35 + index

// Steps shown by the metre and "Basic Beat": 4/4 16 (12 in triplet rhythm),
// 3/4 12 (9), any other metre counts as 7/8: 14.
int PatternStepCount(const MusicStyle& style);
// Number of row names the slot's picker offers: 47 for the rhythm slot,
// 21 for the others.
int PatternToneCount(int slot);

// The editor's working copy of one slot, step-major.
struct StepPatternEdit {
    int slot = 0;
    int steps = 16;
    std::int32_t cells[2][kGridSteps][kGridRows] = {};  // [grid][step][row]
    std::int32_t repeat[2][kGridSteps] = {};            // [grid][step]
    // The option controls: layout combo (slot 0), the two check boxes
    // (slots 0 and 1).
    int layout = 0;  // as stored; see LayoutEntry
    bool continueChecked = false;
    bool strokeChecked = false;
};

// The grid parts of the slot in the style: grid A and grid B.
GridPart& SlotGrid(MusicStyle& style, int slot, int grid);
const GridPart& SlotGrid(const MusicStyle& style, int slot, int grid);

// Loads the working copy and the option controls from the style (slot cut
// to 0..3): repeat flags of steps 0..N-1 (grid B's not in the rhythm slot),
// every cell.
void LoadStepPatternEdit(const MusicStyle& style, int slot, StepPatternEdit& edit);
// Stores the working copy into the style: the check boxes (slots 0, 1),
// cells of steps 0..N-1 of both grids, the repeat pass with the flags the
// style held so far, then the N repeat flags (in the rhythm slot grid A's
// only), the pass again with them until every repeat step equals the step
// before it, and in slot 0 the layout. Steps N..15 keep their values.
void StoreStepPatternEdit(const StepPatternEdit& edit, MusicStyle& style);
// The layout combo's entry for a stored layout: 0..2 as they are, any other
// value the first entry.
int LayoutEntry(int layout);
// Whether grid B is shown and clickable: slot 0 with a layout other than 0.
bool GridBShown(const StepPatternEdit& edit);

// A press on the cell (grid, step, row), by the grid's own repeat flags: a
// repeat step edits the nearest earlier step that is not a repeat, and the
// state spreads over the repeat steps after the edited one, so every repeat
// step keeps equal to the step before it. Both walks stop after N steps
// (with every step a repeat, the pressed step alone is edited).
void ToggleStepCell(StepPatternEdit& edit, int grid, int step, int row);
// A press on the step header: flips the repeat flag and copies the step
// before it (step N-1 for step 0) into the step. In grid A the copy is made
// in both grids, in grid B in grid B alone. Setting the last step that is not
// a repeat is refused with kCannotContinueAllNotes and changes nothing.
ErrorCode ToggleStepRepeat(StepPatternEdit& edit, int grid, int step);

// The row's tone as grid A holds it.
int RowTone(const MusicStyle& style, int slot, int row);
void SetRowTone(MusicStyle& style, int slot, int row, int tone);

// The slot's ".pat" bytes: grid A, grid B, layout, continue, stroke (all
// little-endian int32).
std::array<std::uint8_t, kPatternFileBytes> PatternFileBytes(const MusicStyle& style, int slot);
// Why bytes are no pattern file: a size other than 2044, or the first int
// (in file order, 0..510) outside its field's range (see PatternIntRange).
struct PatternFileFault {
    enum Kind { kNone, kSize, kValue } kind = kNone;
    std::size_t size = 0;
    int index = -1;
    std::int32_t value = 0;
};
// The values the file's int at `index` allows: cells and repeat flags 0 or
// 1, row tones 0..46, the layout 0..3 (a grid set), the two flags 0 or 1.
FieldRange PatternIntRange(int index);
PatternFileFault CheckPatternFileBytes(std::span<const std::uint8_t> bytes);
// The one message for a refused file, naming the file and the fault.
std::string PatternFileFaultText(const std::string& fileName, const PatternFileFault& fault);
// Takes checked bytes in the same order into the slot, values as they are.
// Bytes that fail the check change nothing; their fault is returned.
PatternFileFault ApplyPatternFileBytes(std::span<const std::uint8_t> bytes, MusicStyle& style,
                                       int slot);

// Reads the file into the slot: kPatternLoadFailed when it cannot be
// opened; otherwise 0, with `fault` telling whether the file was refused (the
// slot then unchanged).
ErrorCode LoadPatternFile(const std::string& path, MusicStyle& style, int slot,
                          PatternFileFault& fault);
// Writes the slot's bytes as one step, so a failed write leaves any old file
// whole; kPatternSaveFailed when it fails. 0 on success.
ErrorCode SavePatternFile(const std::string& path, const MusicStyle& style, int slot);
