// Composes every built-in style once, at a seed of its own, into the folder
// given, each tune kept under the style's catalogue position as
// "tune_<category>_<slot>.mid" beside a text of its seed and the channels
// of its unused parts (voice 256).
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "accomp/backing_generators.h"
#include "compose/compose_tune.h"
#include "compose/composer_state.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "style/presets.h"
#include "style/style_table.h"
#include "tests/support/compose_folder.h"

int main(int argc, char** argv) {
    const std::string folder = testing_support::ComposeFolderFromArguments(argc, argv, kPanelModeCompose);
    if (folder.empty()) return 2;
    std::vector<std::uint8_t> buffer(WorkBufferSize);
    int written = 0;
    for (int category = 0; category < kStyleCategories; ++category) {
        for (int slot = 0; slot < kStyleSlots; ++slot) {
            auto style = std::make_unique<MusicStyle>();
            if (!BuildPresetStyle(category, slot, *style)) continue;
            SetWorkingStyle(*style);
            const int seed = category * 100 + slot + 1;
            SeedRandomWith(seed);
            ResetComposerState();
            std::size_t length = 0;
            if (ComposeOneTune(buffer.data(), &length) != 1) {
                std::fprintf(stderr, "style %d/%d did not compose\n", category, slot);
                return 1;
            }
            const std::string name =
                folder + "tune_" + std::to_string(category) + "_" + std::to_string(slot) + ".mid";
            if (std::rename((folder + "temp.mid").c_str(), name.c_str()) != 0) return 1;
            std::FILE* facts = std::fopen((name.substr(0, name.size() - 4) + ".txt").c_str(), "w");
            if (!facts) return 1;
            std::fprintf(facts, "%d\n", seed);
            for (int channel = 1; channel <= 8; ++channel)
                if (style->voice[channel] == 256) std::fprintf(facts, "%d ", channel);
            std::fprintf(facts, "\n");
            std::fclose(facts);
            ++written;
        }
    }
    std::printf("%d tunes\n", written);
    return written == 158 ? 0 : 1;
}
