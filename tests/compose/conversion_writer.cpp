// Converts one MIDI file in one preset style as the convert road does, with
// the channel-role dialog answered OK as analysed:
//   conversion_writer <folder> <in.mid> <out.mid> <44|34|triplet>
// The style is the first preset of that metre or feel; its melody part is
// set to no ornament, no effect and octave 0 so the converted melody sounds
// as the file has it. Prints the style's catalogue place.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "accomp/backing_generators.h"
#include "compose/compose_tune.h"
#include "compose/composer_state.h"
#include "compose/conversion_material.h"
#include "compose/part_effects.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "style/presets.h"
#include "style/style_table.h"
#include "tests/support/compose_folder.h"

namespace {

struct AcceptRoles : ChannelRoleDialogService {
    int Run(MidiF0Data&, TuneStructure& s, MaterialRange& range) override {
        std::array<int, 16> roles{};
        for (int c = 0; c < 16; ++c)
            roles[static_cast<std::size_t>(c)] = s.role[static_cast<std::size_t>(c)];
        if (CheckChannelRoleChoice(roles, s.usedChannelCount) != 0) return 0;
        range = RangeFromFields(1, s.barCount, s.barCount);
        return 1;
    }
};

bool Wanted(const MusicStyle& s, const std::string& kind) {
    if (kind == "34") return s.timeSignature == kMetre34 && s.basicBeat != 3;
    if (kind == "triplet") return s.timeSignature == kMetre44 && s.basicBeat == 3;
    return s.timeSignature == kMetre44 && s.basicBeat != 3;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    const std::string folder = std::string(argv[1]) + "/";
    testing_support::SetUpComposeFolder(folder, kPanelModeConvert);
    SetChannelRoleDialog(std::make_shared<AcceptRoles>());
    CurrentTuneStructure = std::make_unique<TuneStructure>();
    if (!SelectConversionMaterial(argv[2])) {
        std::printf("refused\n");
        return 3;
    }
    auto style = std::make_unique<MusicStyle>();
    int category = 0, slot = 0;
    bool found = false;
    for (category = 0; category < kStyleCategories && !found; ++category)
        for (slot = 0; slot < kStyleSlots && !found; ++slot)
            found = BuildPresetStyle(category, slot, *style) && Wanted(*style, argv[4]);
    if (!found) return 4;
    style->chordGenerationMethod = 8;
    style->transpose = 0;
    style->melody[1].voicing = 0;
    style->melody[kPartMelody].ornament = 0;
    style->melody[kPartMelody].effect = 0;
    style->octave[kPartMelody] = 0;
    SetWorkingStyle(*style);
    SeedRandomWith(category * 100 + slot);
    ResetComposerState();
    ConversionRunning = 1;
    if (!PickConversionInput()) return 5;
    std::vector<std::uint8_t> buffer(WorkBufferSize);
    std::size_t length = 0;
    // In convert mode the composer copies its tune to the conversion's path.
    ConversionOutputPath.Set(argv[3]);
    if (ComposeOneTune(buffer.data(), &length) != 1) return 6;
    std::printf("%d %d %d %d\n", category - 1, slot - 1, style->timeSignature, style->basicBeat);
    CurrentTuneStructure.reset();
    return 0;
}
