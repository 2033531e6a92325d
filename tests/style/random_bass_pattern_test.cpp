// The bass pattern of the random styles: the generators that draw it draw
// "Fusion", "Short" or "Long Riff", each about a third of the time; the
// others keep the preset's.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "core/settings.h"
#include "core/utilities.h"
#include "style/random_style.h"
#include "style/style_table.h"

namespace {

class RandomBassPattern : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = std::make_unique<MusicStyle>(WorkingStyle);
        InitDefaultSettings();
        AppSettings.SaveGeneratedStyles = 0;
        BuildStyleTable();
    }
    void TearDown() override {
        SetWorkingStyle(*saved_);
        BuildStyleTable();
    }

private:
    std::unique_ptr<MusicStyle> saved_;
};

TEST_F(RandomBassPattern, ChooserDrawsFusionShortOrLongRiffAThirdEach) {
    std::map<int, int> drawn;
    for (int seed = 1; seed <= 600; ++seed) {
        SeedRandomWith(seed);
        ChooseBassPattern();
        auto style = std::make_unique<MusicStyle>();
        GetWorkingStyle(*style);
        ++drawn[style->bassPattern];
    }
    ASSERT_EQ(drawn.size(), 3u);
    for (int pattern : {5, 9, 19}) {
        EXPECT_GT(drawn[pattern], 150) << pattern;
        EXPECT_LT(drawn[pattern], 250) << pattern;
    }
}

// Generators 1, 2, 7 and 8 (World Pops, Japanese Pops, Game, Healing) draw
// the pattern; the others leave the preset's pattern as it was.
TEST_F(RandomBassPattern, OnlyThePopsGameAndHealingGeneratorsDrawIt) {
    for (int code = kFirstRandomGenerator; code <= kLastRandomGenerator; ++code) {
        const int category = code - 1;
        const bool draws = code == 1 || code == 2 || code == 7 || code == 8;
        std::map<int, int> seen;
        auto random = std::make_unique<MusicStyle>();
        GetStyleEntry(category, 0, *random);
        for (int seed = 1; seed <= 40; ++seed) {
            // The preset the generator starts from: its first draws.
            SeedRandomWith(seed);
            PickRandomPreset(code, category, 0);
            auto preset = std::make_unique<MusicStyle>();
            GetStyleEntry(category, 0, *preset);
            SetStyleEntry(category, 0, *random);
            SeedRandomWith(seed);
            GenerateRandomStyle(category, 0);
            auto style = std::make_unique<MusicStyle>();
            GetWorkingStyle(*style);
            const std::string at = "code " + std::to_string(code) + " seed " + std::to_string(seed);
            if (draws) {
                ++seen[style->bassPattern];
            } else {
                EXPECT_EQ(style->bassPattern, preset->bassPattern) << at;
            }
        }
        if (draws) {
            EXPECT_EQ(seen.size(), 3u) << code;
            for (int pattern : {5, 9, 19})
                EXPECT_GT(seen[pattern], 0) << code << ": " << pattern;
        }
    }
}

}  // namespace
