// Every built-in preset style, built once, for the benchmarks that run over
// the whole catalogue.
#pragma once

#include <memory>
#include <vector>

#include "style/presets.h"
#include "style/style_table.h"

inline std::vector<MusicStyle>& Presets() {
    static std::vector<MusicStyle> presets = [] {
        std::vector<MusicStyle> all;
        auto style = std::make_unique<MusicStyle>();
        for (int category = 0; category < kStyleCategories; ++category)
            for (int slot = 0; slot < kStyleSlots; ++slot)
                if (BuildPresetStyle(category, slot, *style)) all.push_back(*style);
        return all;
    }();
    return presets;
}
