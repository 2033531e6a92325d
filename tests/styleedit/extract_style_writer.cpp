// Extracts a style from one MIDI file with the channel-role dialog answered
// OK as analysed over the whole tune, prints the fields an outside check
// compares ("name value ..." lines), then composes one tune in the style:
//   extract_style_writer <in.mid> <folder>
// The tune is "<folder>/tune_extract.mid" beside a text of its seed and the
// channels of its unused parts, as compose_tunes_mido.py reads them.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "accomp/backing_generators.h"
#include "compose/compose_tune.h"
#include "compose/composer_state.h"
#include "compose/conversion_material.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "style/style_table.h"
#include "styleedit/style_extract.h"
#include "tests/support/compose_folder.h"

namespace {

struct AcceptRoles : ChannelRoleDialogService {
    int Run(MidiF0Data&, TuneStructure& s, MaterialRange& range) override {
        range = RangeFromFields(1, s.barCount, s.barCount);
        return 1;
    }
};

void PrintGrid(const char* name, const GridPart& grid) {
    for (int row = 0; row < kGridRows; ++row) {
        std::printf("%s %d %d", name, row, grid.pnInterval[row]);
        for (int step = 0; step < kGridSteps; ++step)
            if (grid.Cell(row, step)) std::printf(" %d", step);
        std::printf("\n");
    }
}

void PrintStyle(const MusicStyle& s) {
    std::printf("voices %d %d %d %d %d %d %d\n", s.voice[kPartHarmony], s.voice[kPartSubHarmony],
                s.voice[kPartBass], s.voice[kPartMelody], s.voice[kPartDrum],
                s.voice[kPartObbligato], s.voice[kPartSubDrum]);
    std::printf("patterns %d %d %d %d\n", s.harmonyPattern, s.subHarmonyPattern, s.bassPattern,
                s.rhythmPattern);
    std::printf("tempo %d\nkey %d\nprogression %d\nbeat %d\nscale %d\n", s.tempo, s.key,
                s.chordProgression, s.basicBeat, s.scale);
    const MixBlock& h = s.mix[kPartHarmony];
    std::printf("harmony_mix %d %d %d %d %d %d %d %d\n", h.volume, h.chorus, h.reverb,
                h.brightness, h.attack, h.decay, h.release, h.resonance);
    PrintGrid("harmony", s.customHarmony.grid[0][kGridHarmony]);
    PrintGrid("bass", s.customHarmony.grid[0][kGridBass]);
    PrintGrid("drum", s.customHarmony.grid[0][kGridDrum]);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::string folder = std::string(argv[2]) + "/";
    testing_support::SetUpComposeFolder(folder, kPanelModeCompose);
    BuildStyleTable();
    MusicStyle start;
    if (!GetStyleEntry(0, 1, start)) return 3;
    SetWorkingStyle(start);
    SetChannelRoleDialog(std::make_shared<AcceptRoles>());
    if (ExtractStyleFromMidi(argv[1]) != 1) {
        std::printf("refused\n");
        return 4;
    }
    auto style = std::make_unique<MusicStyle>();
    GetWorkingStyle(*style);
    PrintStyle(*style);
    FinishMusicStyle(*style);
    SetWorkingStyle(*style);
    const int seed = 4711;
    SeedRandomWith(seed);
    ResetComposerState();
    std::vector<std::uint8_t> buffer(WorkBufferSize);
    std::size_t length = 0;
    if (ComposeOneTune(buffer.data(), &length) != 1) return 5;
    const std::string name = folder + "tune_extract.mid";
    if (std::rename((folder + "temp.mid").c_str(), name.c_str()) != 0) return 6;
    std::FILE* facts = std::fopen((folder + "tune_extract.txt").c_str(), "w");
    if (!facts) return 7;
    std::fprintf(facts, "%d\n", seed);
    for (int channel = 1; channel <= 8; ++channel)
        if (style->voice[channel] == kVoiceNotUsed) std::fprintf(facts, "%d ", channel);
    std::fprintf(facts, "\n");
    std::fclose(facts);
    return 0;
}
