// Any bytes as a ".pat" file into each pattern slot and metre (refused
// unchanged, or loaded), then the bytes folded into range, then a press
// on every cell and step header of both grids and a store, as the step
// editor makes them; then the custom patterns play through the generators.
// Aborts when a store breaks the repeat rule (a repeat step differs from the
// step before it) or changes another slot.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "accomp/bass_track.h"
#include "accomp/drum_track.h"
#include "accomp/harmony_track.h"
#include "compose/compose_info.h"
#include "core/utilities.h"
#include "fuzz/quiet_platform.h"
#include "style/style_table.h"
#include "styleedit/step_pattern.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckRepeats(const MusicStyle& style, int slot, int steps) {
    for (int g = 0; g < 2; ++g) {
        const GridPart& grid = SlotGrid(style, slot, g);
        for (int c = 0; c < steps; ++c) {
            if (grid.pnContinuem[c] != 1) continue;
            const int from = c == 0 ? steps - 1 : c - 1;
            for (int r = 0; r < kGridRows; ++r) Check(grid.Cell(r, c) == grid.Cell(r, from));
        }
    }
}

// A pattern file of the input's ints (zeros past its end), each folded into
// its field's range.
std::vector<std::uint8_t> InRange(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> image(kPatternFileBytes, 0);
    std::memcpy(image.data(), bytes.data(), std::min(bytes.size(), image.size()));
    for (int i = 0; i < int(kPatternFileBytes / 4); ++i) {
        const FieldRange range = PatternIntRange(i);
        const std::uint32_t raw = ReadLittleEndian32(image.data() + 4 * i);
        const auto span = std::uint32_t(range.high - range.low + 1);
        WriteLittleEndian32(image.data() + 4 * i, std::uint32_t(range.low) + raw % span);
    }
    return image;
}

void Compose() {
    ComposeInfo.ClearChords();
    NoteList labels;
    for (int i = 0; i < 4; ++i) {
        HarmonyStructureEntry entry{};
        entry.lengthHigh = 3;  // 768 ticks
        entry.chord.Set(i % 2 ? "FMPd" : "CMPS");
        ComposeInfo.AddChord(entry, 0);
        labels.AppendLabel(768, "AXXX");
    }
    const NoteList melody;
    for (int channel : {kHarmonyChannel, kSubHarmonyChannel}) {
        ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
        GenerateHarmonyPattern(channel, track, 47, 0, 100, melody, ComposeChords(), labels);
    }
    ComposeTrackData bass(note_mode::kLength, static_cast<int>(WorkBufferSize));
    GenerateBassPattern(2, bass, 20, 100, ComposeChords());
    WorkingStyle.rhythmPattern = 28;
    ComposeTrackData drums(note_mode::kLength, static_cast<int>(WorkBufferSize));
    GenerateDrumPattern(9, labels, drums, 100);
    ComposeInfo.ClearChords();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    const std::span<const std::uint8_t> bytes(data, size);
    for (int slot = 0; slot < kGridParts; ++slot) {
        InitMusicStyle(WorkingStyle);
        WorkingStyle.timeSignature = size ? data[0] % 4 : 0;
        WorkingStyle.basicBeat = size > 1 && data[1] % 2 ? 3 : 0;
        // The bytes as they are: refused unless every int is in range, and a
        // refused file changes nothing.
        const MusicStyle fresh = WorkingStyle;
        if (ApplyPatternFileBytes(bytes, WorkingStyle, slot).kind != PatternFileFault::kNone)
            Check(std::memcmp(&fresh, &WorkingStyle, sizeof fresh) == 0);
        // Then folded into every field's range, which always loads.
        Check(ApplyPatternFileBytes(InRange(bytes), WorkingStyle, slot).kind ==
              PatternFileFault::kNone);
        const MusicStyle loaded = WorkingStyle;
        StepPatternEdit edit;
        LoadStepPatternEdit(WorkingStyle, slot, edit);
        edit.layout = size > 2 ? data[2] % 3 : 0;
        for (int g = 0; g < 2; ++g)
            for (int c = 0; c < kGridSteps; ++c) {
                ToggleStepRepeat(edit, g, c);
                for (int r = 0; r < kGridRows; ++r) ToggleStepCell(edit, g, c, r);
            }
        StoreStepPatternEdit(edit, WorkingStyle);
        CheckRepeats(WorkingStyle, slot, edit.steps);
        // Outside the slot's grids and options nothing moved.
        MusicStyle a = WorkingStyle, b = loaded;
        for (MusicStyle* s : {&a, &b}) {
            SlotGrid(*s, slot, 0) = GridPart{};
            SlotGrid(*s, slot, 1) = GridPart{};
            s->customHarmony.useX[slot] = s->customHarmony.continueMajor[slot] =
                s->customHarmony.stroke[slot] = 0;
        }
        Check(std::memcmp(&a, &b, sizeof a) == 0);
        Compose();
    }
    return 0;
}
