#include "styleedit/step_pattern.h"

#include <algorithm>
#include <cstdio>

#include "core/utilities.h"
#include "platform/paths.h"
#include "styleedit/style_editor_services.h"

namespace {

constexpr int kTripletRhythm = 3;
constexpr int kGridInts = static_cast<int>(kStepGridBytes / 4);

int ClampSlot(int slot) {
    return std::clamp(slot, 0, kGridParts - 1);
}

bool On(std::int32_t cell) {
    return cell != 0;
}

// The ints of one grid in file order.
template <class Grid>
auto& GridInt(Grid& grid, int i) {
    if (i < kGridRows * kGridSteps) return grid.noteTable[i];
    i -= kGridRows * kGridSteps;
    if (i < kGridRows) return grid.pnInterval[i];
    return grid.pnContinuem[i - kGridRows];
}

// The ints of a slot's file image: both grids, then the three options.
template <class Style>
auto& FileInt(Style& style, int slot, int i) {
    if (i < 2 * kGridInts) return GridInt(SlotGrid(style, slot, i / kGridInts), i % kGridInts);
    auto& block = style.customHarmony;
    switch (i - 2 * kGridInts) {
        case 0:
            return block.useX[slot];
        case 1:
            return block.continueMajor[slot];
        default:
            return block.stroke[slot];
    }
}

// The run of repeat steps after `from` (going round, at most N-1 steps)
// takes the row's state, or every row with row -1.
void SpreadOverRepeats(StepPatternEdit& edit, int g, int from, int row) {
    const int n = std::clamp(edit.steps, 1, kGridSteps);
    auto& cells = edit.cells[g];
    int next = (from + 1) % n;
    for (int k = 1; k < n && edit.repeat[g][next] == 1; ++k, next = (next + 1) % n) {
        for (int r = row < 0 ? 0 : row; r < (row < 0 ? kGridRows : row + 1); ++r)
            cells[next][r] = cells[from][r];
    }
}

}  // namespace

int PatternStepCount(const MusicStyle& style) {
    const bool triplet = style.basicBeat == kTripletRhythm;
    if (style.timeSignature == kMetre44) return triplet ? 12 : 16;
    if (style.timeSignature == kMetre34) return triplet ? 9 : 12;
    return 14;
}

int LayoutEntry(int layout) {
    return layout >= 0 && layout <= 2 ? layout : 0;
}

int PatternToneCount(int slot) {
    return slot == kSlotRhythm ? kDrumToneCount : kHarmonyToneCount;
}

GridPart& SlotGrid(MusicStyle& style, int slot, int grid) {
    return style.customHarmony.grid[grid == 0 ? 0 : 1][ClampSlot(slot)];
}

const GridPart& SlotGrid(const MusicStyle& style, int slot, int grid) {
    return style.customHarmony.grid[grid == 0 ? 0 : 1][ClampSlot(slot)];
}

void LoadStepPatternEdit(const MusicStyle& style, int slot, StepPatternEdit& edit) {
    slot = ClampSlot(slot);
    edit = StepPatternEdit{};
    edit.slot = slot;
    edit.steps = PatternStepCount(style);
    for (int g = 0; g < 2; ++g) {
        const GridPart& grid = SlotGrid(style, slot, g);
        for (int c = 0; c < kGridSteps; ++c) {
            for (int r = 0; r < kGridRows; ++r) edit.cells[g][c][r] = grid.Cell(r, c);
        }
        if (g == 1 && slot == kSlotRhythm) continue;
        for (int c = 0; c < edit.steps; ++c) edit.repeat[g][c] = grid.pnContinuem[c];
    }
    const CustomHarmonyBlock& block = style.customHarmony;
    // Kept as stored, even outside the combo's three entries (the generators
    // bound it); the combo shows such a layout as its first entry.
    edit.layout = block.useX[slot];
    edit.continueChecked = block.continueMajor[slot] == 1;
    edit.strokeChecked = block.stroke[slot] == 1;
}

void StoreStepPatternEdit(const StepPatternEdit& edit, MusicStyle& style) {
    const int slot = ClampSlot(edit.slot);
    const int steps = std::clamp(edit.steps, 1, kGridSteps);
    CustomHarmonyBlock& block = style.customHarmony;
    if (slot == kSlotHarmony || slot == kSlotSubHarmony) {
        block.continueMajor[slot] = edit.continueChecked ? 1 : 0;
        block.stroke[slot] = edit.strokeChecked ? 1 : 0;
    }
    for (int g = 0; g < 2; ++g) {
        GridPart& grid = SlotGrid(style, slot, g);
        for (int c = 0; c < steps; ++c) {
            for (int r = 0; r < kGridRows; ++r) grid.Cell(r, c) = edit.cells[g][c][r];
        }
    }
    ApplyPatternRepeatFlags(style, slot, steps);
    for (int g = 0; g < 2; ++g) {
        if (g == 1 && slot == kSlotRhythm) continue;
        GridPart& grid = SlotGrid(style, slot, g);
        for (int c = 0; c < steps; ++c) grid.pnContinuem[c] = edit.repeat[g][c];
    }
    // The pass again with the flags now stored, so every repeat step equals
    // the step before it even when the flags changed or came from a file. A
    // run that wraps from step N-1 to step 0 is copied before its head is
    // final, so a second pass settles it.
    ApplyPatternRepeatFlags(style, slot, steps);
    ApplyPatternRepeatFlags(style, slot, steps);
    if (slot == kSlotHarmony) block.useX[slot] = edit.layout;
}

bool GridBShown(const StepPatternEdit& edit) {
    return edit.slot == kSlotHarmony && LayoutEntry(edit.layout) != 0;
}

void ToggleStepCell(StepPatternEdit& edit, int grid, int step, int row) {
    const int n = std::clamp(edit.steps, 1, kGridSteps);
    if (step < 0 || step >= n || row < 0 || row >= kGridRows) return;
    const int g = grid == 0 ? 0 : 1;
    const auto& repeat = edit.repeat[g];
    auto& cells = edit.cells[g];
    // The nearest earlier step that is not a repeat, going round from step 0
    // to step N-1; at most N looks, so a grid whose steps all repeat (a file
    // may hold one) edits the pressed step.
    int target = step;
    for (int look = 0; look < n && repeat[target] == 1; ++look) target = (target + n - 1) % n;
    if (repeat[target] == 1) target = step;
    const std::int32_t state = On(cells[target][row]) ? 0 : 1;
    cells[target][row] = state;
    SpreadOverRepeats(edit, g, target, row);
}

ErrorCode ToggleStepRepeat(StepPatternEdit& edit, int grid, int step) {
    const int n = std::clamp(edit.steps, 1, kGridSteps);
    const int g = grid == 0 ? 0 : 1;
    if (step < 0 || step >= n) return 0;
    auto& repeat = edit.repeat[g];
    if (repeat[step] != 1) {
        int others = 0;
        for (int c = 0; c < n; ++c) others += c != step && repeat[c] == 1 ? 1 : 0;
        if (others == n - 1) return kCannotContinueAllNotes;
    }
    repeat[step] = repeat[step] == 1 ? 0 : 1;
    const int from = step == 0 ? n - 1 : step - 1;
    // The copy reaches the repeat steps after it too, so every run stays
    // equal to the step before it.
    for (int copy = g; copy < 2 && (copy == g || g == 0); ++copy) {
        for (int r = 0; r < kGridRows; ++r) edit.cells[copy][step][r] = edit.cells[copy][from][r];
        SpreadOverRepeats(edit, copy, step, -1);
    }
    return 0;
}

int RowTone(const MusicStyle& style, int slot, int row) {
    return SlotGrid(style, slot, 0).pnInterval[std::clamp(row, 0, kGridRows - 1)];
}

void SetRowTone(MusicStyle& style, int slot, int row, int tone) {
    if (row < 0 || row >= kGridRows) return;
    SlotGrid(style, slot, 0).pnInterval[row] = tone;
}

std::array<std::uint8_t, kPatternFileBytes> PatternFileBytes(const MusicStyle& style, int slot) {
    std::array<std::uint8_t, kPatternFileBytes> bytes{};
    for (std::size_t i = 0; i < kPatternFileBytes / 4; ++i) {
        WriteLittleEndian32(bytes.data() + 4 * i,
                            static_cast<std::uint32_t>(FileInt(style, ClampSlot(slot), int(i))));
    }
    return bytes;
}

FieldRange PatternIntRange(int index) {
    if (index >= 2 * kGridInts) return index == 2 * kGridInts ? kGridLayoutRange : kSwitchRange;
    const int i = index % kGridInts;
    const bool tone = i >= kGridRows * kGridSteps && i < kGridRows * (kGridSteps + 1);
    return tone ? kGridToneRange : kSwitchRange;
}

PatternFileFault CheckPatternFileBytes(std::span<const std::uint8_t> bytes) {
    PatternFileFault fault;
    fault.size = bytes.size();
    if (bytes.size() != kPatternFileBytes) {
        fault.kind = PatternFileFault::kSize;
        return fault;
    }
    for (int i = 0; i < static_cast<int>(kPatternFileBytes / 4); ++i) {
        const auto value = static_cast<std::int32_t>(ReadLittleEndian32(bytes.data() + 4 * i));
        if (PatternIntRange(i).Allows(value)) continue;
        fault.kind = PatternFileFault::kValue;
        fault.index = i;
        fault.value = value;
        break;
    }
    return fault;
}

std::string PatternFileFaultText(const std::string& fileName, const PatternFileFault& fault) {
    const std::string head = "\"" + fileName + "\" can not be loaded: ";
    if (fault.kind == PatternFileFault::kSize) {
        return head + "a pattern file holds " + std::to_string(kPatternFileBytes) +
               " bytes, this one " + std::to_string(fault.size) + ".";
    }
    static constexpr const char* kOptionNames[] = {"the layout", "the continue flag",
                                                   "the stroke flag"};
    const int i = fault.index;
    const std::string what =
        i >= 2 * kGridInts
            ? std::string(kOptionNames[std::min(i - 2 * kGridInts, 2)])
            : GridIntName(i % kGridInts) + (i < kGridInts ? " of grid A" : " of grid B");
    const FieldRange range = PatternIntRange(i);
    return head + what + " is " + std::to_string(fault.value) + " (" + std::to_string(range.low) +
           " to " + std::to_string(range.high) + " allowed).";
}

PatternFileFault ApplyPatternFileBytes(std::span<const std::uint8_t> bytes, MusicStyle& style,
                                       int slot) {
    const PatternFileFault fault = CheckPatternFileBytes(bytes);
    if (fault.kind != PatternFileFault::kNone) return fault;
    for (std::size_t i = 0; i < kPatternFileBytes / 4; ++i) {
        FileInt(style, ClampSlot(slot), int(i)) =
            static_cast<std::int32_t>(ReadLittleEndian32(bytes.data() + 4 * i));
    }
    return fault;
}

ErrorCode LoadPatternFile(const std::string& path, MusicStyle& style, int slot,
                          PatternFileFault& fault) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return kPatternLoadFailed;
    // One byte more than a pattern file, so a longer file shows.
    std::array<std::uint8_t, kPatternFileBytes + 1> bytes{};
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return kPatternLoadFailed;
    fault = ApplyPatternFileBytes(std::span(bytes.data(), got), style, slot);
    return 0;
}

ErrorCode SavePatternFile(const std::string& path, const MusicStyle& style, int slot) {
    const auto bytes = PatternFileBytes(style, slot);
    return platform::ReplaceFileContents(path, bytes.data(), bytes.size()) ? 0 : kPatternSaveFailed;
}
