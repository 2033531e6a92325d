// Tunes composed by the real composer at fixed seeds, for the ringtone
// tests: each as the composer's format-0 file and as a format-1 file of one
// track per channel made from it.
#pragma once

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "compose/compose_tune.h"
#include "compose/compose_control.h"
#include "compose/composer_state.h"
#include "core/conversion_services.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "midi/f1_data.h"
#include "midi/file_loader.h"
#include "style/presets.h"
#include "style/style_table.h"
#include "tests/accomp/composer_scope.h"

namespace composed_tunes {

struct Tune {
    std::string name;
    std::vector<std::uint8_t> bytes;  // a Standard MIDI File
};

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The same tune as a format-1 file (empty when it cannot be made).
inline std::vector<std::uint8_t> AsFormat1(const std::vector<std::uint8_t>& format0) {
    MidiFileLoader loader;
    loader.LoadImage(format0.data(), format0.size());
    MidiF1Data* tune = loader.Tune1();
    if (!tune || tune->ConvertToNoteOnOff() == 0 || tune->WriteSmf() == 0) return {};
    return {tune->Data(), tune->Data() + tune->Length()};
}

// Styles spread over the catalogue (every step-th built-in one), each
// composed once into the folder under a ComposerScope.
inline std::vector<Tune> Compose(const std::string& folder, int count = 6, int step = 25) {
    const ComposerScope scope(folder + "/");
    std::vector<std::uint8_t> buffer(WorkBufferSize);
    std::vector<Tune> tunes;
    // Every step-th built-in style, in catalogue order.
    int built = 0;
    for (int k = 0; k < kStyleCategories * kStyleSlots && static_cast<int>(tunes.size()) < 2 * count;
         ++k) {
        const int category = k / kStyleSlots;
        const int slot = k % kStyleSlots;
        auto style = std::make_unique<MusicStyle>();
        if (!BuildPresetStyle(category, slot, *style) || built++ % step != 0) continue;
        SetWorkingStyle(*style);
        SeedRandomWith(7000 + k);
        ResetComposerState();
        ComposingActive = 1;
        std::size_t length = 0;
        const int ok = ComposeOneTune(buffer.data(), &length);
        ComposingActive = 0;
        if (ok != 1) continue;
        const std::string name = "composed " + std::to_string(category) + "/" + std::to_string(slot);
        auto bytes = ReadBytes(folder + "/temp.mid");
        tunes.push_back({name + " format 1", AsFormat1(bytes)});
        tunes.push_back({name + " format 0", std::move(bytes)});
    }
    return tunes;
}

}  // namespace composed_tunes
