// A whole chord progression over fuzzed knowledge-base texts and style
// fields: the first ten bytes set "Tune Length" (-10..2000), the metre
// (0..3), "Chord Progression" (0..11), "Number of Chords in a Block" (0..3),
// "Block Length" (0..9), "Chord Generation Method" (0, 1 or 8), "Scale"
// (0..25), "On Chord" (0, 1) and "Key" (1 major, else minor); the rest
// splits at 0xFF bytes into the pattern, cadence, time-chart and cadence
// time-chart texts. The progression is generated, laid out and fitted to its
// end; it must end with 1..200 blocks and at most 1000 chords.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "compose/chord_progression.h"
#include "compose/compose_info.h"
#include "compose/knowledge_base.h"
#include "compose/length_fitting.h"
#include "core/utilities.h"
#include "fuzz/quiet_platform.h"
#include "style/key_setup.h"
#include "style/style_table.h"

namespace {

constexpr char kSeparator = '\xFF';
constexpr std::size_t kFieldBytes = 10;

void SetStyle(const std::uint8_t* f) {
    static const int kMethods[3] = {0, 1, 8};
    MusicStyle& style = WorkingStyle;
    InitMusicStyle(style);
    style.tuneLength = (f[0] << 8 | f[1]) % 2011 - 10;
    style.timeSignature = f[2] % 4;
    style.chordProgression = f[3] % 12;
    style.chordsInBlock = f[4] % 4;
    style.blockLength = f[5] % 10;
    style.chordGenerationMethod = kMethods[f[6] % 3];
    style.scale = f[7] % 26;
    style.onChord = f[8] % 2;
    style.key = f[9] % 3;
    if (style.key == 1)
        SetupMajorKey();
    else
        SetupMinorKey();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::QuietPlatform();
    if (size < kFieldBytes) return 0;
    SeedRandomWith(1);
    SetStyle(data);
    std::string_view rest(reinterpret_cast<const char*>(data + kFieldBytes), size - kFieldBytes);
    std::string_view parts[4];
    for (auto& part : parts) {
        std::size_t cut = rest.find(kSeparator);
        part = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    LoadKnowledgeTexts(parts[0], parts[1], parts[2], parts[3]);
    std::memcpy(CurrentChordCode, "CMPS", 5);

    ComposeInfo.Reset();
    GenerateChordProgression();
    if (ComposeInfo.blockCount < 1 || ComposeInfo.blockCount > kMaxBlocks) std::abort();
    if (ComposeInfo.blockSequenceLength < 1 || ComposeInfo.blockSequenceLength > kMaxBlockSequence)
        std::abort();
    // The fitting steps end by their own bound.
    FitToTuneLength([](bool) {
        if (FitState > 1001) std::abort();
        return true;
    });
    if (ComposeInfo.chordCount > kMaxChords) std::abort();
    for (int point = 0; point < 2; ++point)
        if (KeyChangeChordIndex[point] < -1 || KeyChangeChordIndex[point] >= ComposeInfo.chordCount)
            std::abort();
    return 0;
}
