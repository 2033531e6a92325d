// Every built-in style, over many seeds, with the shipped knowledge-base
// files: the progression and its fitting end with sound chords, the cadence
// comes from the cadence file, and fitting reaches "Tune Length".
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "tests/compose/progression_test_util.h"
#include "tests/support/test_support.h"

namespace {

using compose_test::FitAndCountSteps;
using compose_test::ProgressionFixture;

constexpr int kSeeds = 20;
// New progressions a tune may need before one is accepted.
constexpr int kComposeAttempts = 50;

struct Preset {
    int category, slot;
    std::unique_ptr<MusicStyle> style;
};

std::vector<Preset> AllPresets() {
    std::vector<Preset> presets;
    for (int category = 0; category < kStyleCategories; ++category)
        for (int slot = 0; slot < kStyleSlots; ++slot) {
            auto style = std::make_unique<MusicStyle>();
            if (BuildPresetStyle(category, slot, *style))
                presets.push_back({category, slot, std::move(style)});
        }
    return presets;
}

// The entries of a counted file in the program folder, read on their own:
// tokens end at '|', line ends and blanks are dropped, the count goes first.
std::set<std::string> CountedEntries(const std::string& name) {
    std::string text =
        testing_support::ReadFileText(platform::JoinPath(platform::ProgramDirectory(), name));
    std::vector<std::string> tokens;
    std::string token;
    for (char c : text) {
        if (c == '\r' || c == '\n' || c == ' ') continue;
        if (c == '|') {
            tokens.push_back(token);
            token.clear();
        } else {
            token += c;
        }
    }
    return std::set<std::string>(tokens.begin() + (tokens.empty() ? 0 : 1), tokens.end());
}

bool IsLetterError(const std::string& box) {
    return box.find("note error!") != std::string::npos;
}

// Checks one progression as it stands after its fitting.
void CheckRun(const MusicStyle& style, const std::string& where, int steps, bool fitted) {
    for (const std::string& box : testing_support::Sink().Texts())
        ASSERT_FALSE(IsLetterError(box)) << where << ": " << box;
    ASSERT_GE(ComposeInfo.blockCount, 1) << where;
    ASSERT_LE(ComposeInfo.blockCount, kMaxBlocks) << where;
    ASSERT_LE(ComposeInfo.chordCount, kMaxChords) << where;
    ASSERT_LE(steps, 1001) << where;
    // Fitting ends within a bar, after its 1000 steps, or in 4/4 on a step
    // from the sixth on that left the bars as they were.
    const bool within = std::abs(MeasuredTuneLength - style.tuneLength) <= 1;
    ASSERT_TRUE(!fitted || within || steps > 1000 ||
                (style.timeSignature == kMetre44 && steps >= 6))
        << where << " ended at " << MeasuredTuneLength << " after " << steps;
    for (int c = 0; c < ComposeInfo.chordCount; ++c) {
        const ChordRecord& chord = *ComposeInfo.chords[c];
        ASSERT_GE(ChordTableIndex(chord.code.text), 0)
            << where << " " << std::string(chord.code.text, 4);
        const bool closing = c == ComposeInfo.chordCount - 1 && style.chordGenerationMethod != 8;
        if (style.timeSignature == kMetre34) {
            ASSERT_TRUE(chord.length == 288 || chord.length == 576) << where << " " << chord.length;
        }
        if (style.timeSignature == kMetre78) {
            ASSERT_EQ(chord.length, closing ? 672 : 336) << where;
        }
    }
}

// The built-in styles of one category, 20 seeds each. A run is generated and
// fitted; when composing a tune would not accept it (bars + 2 outside "Tune
// Length" +- 2), a new progression is made, as the composer does.
class ProgressionSweep : public ProgressionFixture, public ::testing::WithParamInterface<int> {};

TEST_P(ProgressionSweep, EndsWithTableChordsFileCadencesAndFittedLengths) {
    std::map<std::string, std::set<std::string>> cadenceFiles;
    int cadenceRuns = 0, cadenceFromFile = 0, firstWithin = 0, fittedRuns = 0, allWithin = 0;
    for (const Preset& preset : AllPresets()) {
        if (preset.category != GetParam()) continue;
        SetWorkingStyle(*preset.style);
        const MusicStyle& style = WorkingStyle;
        const std::string where =
            std::to_string(preset.category) + "/" + std::to_string(preset.slot);
        const std::string cadenceName = FieldText(style.resolutionKnowledgeBase);
        if (!cadenceFiles.count(cadenceName))
            cadenceFiles[cadenceName] = CountedEntries(cadenceName);
        const bool fitted = (style.timeSignature == kMetre44 || style.timeSignature == kMetre34) &&
                            style.chordsInBlock != 1 && style.blockLength != 4 &&
                            style.chordGenerationMethod != 8;
        const int target = style.tuneLength;
        int within = 0, attempts = 0;

        for (int seed = 1; seed <= kSeeds; ++seed) {
            SetWorkingStyle(*preset.style);  // a run may set "Chord Progression" 3
            SeedRandomWith(seed * 7919 + preset.slot);
            std::memcpy(CurrentChordCode, "CMPS", 5);
            for (int attempt = 1; attempt <= kComposeAttempts; ++attempt) {
                testing_support::Sink().Clear();
                ASSERT_EQ(LoadKnowledgeBase(), 1) << where;
                ComposeInfo.Reset();
                GenerateChordProgression();
                const int steps = FitAndCountSteps();
                CheckRun(style, where + " seed " + std::to_string(seed), steps, fitted);
                if (HasFatalFailure()) return;
                if (attempt == 1 && style.chordGenerationMethod != 1) {
                    ++cadenceRuns;
                    std::string run;
                    for (const auto& chord : compose_test::BlockChords(ComposeInfo.blockCount - 1))
                        run += chord.code;
                    cadenceFromFile += cadenceFiles[cadenceName].count(run) != 0;
                }
                if (!fitted) break;
                ++attempts;
                const int bars = MeasuredTuneLength + 2;
                if (attempt == 1) firstWithin += std::abs(MeasuredTuneLength - target) <= 1;
                if (bars >= std::max(target - 2, 5) && bars <= target + 2) break;
            }
            if (fitted) within += std::abs(MeasuredTuneLength - target) <= 1;
        }
        if (fitted) {
            fittedRuns += kSeeds;
            const double rate = 100.0 * within / kSeeds;
            std::printf("preset %s metre %d length %d: %3.0f%% within one bar, %.1f attempts\n",
                        where.c_str(), style.timeSignature, target, rate,
                        static_cast<double>(attempts) / kSeeds);
            allWithin += within;
        }
    }
    if (fittedRuns > 0) {
        std::printf(
            "category %d: within one bar in %.1f%% of %d runs, %.1f%% at the first"
            " attempt\n",
            GetParam(), 100.0 * allWithin / fittedRuns, fittedRuns,
            100.0 * firstWithin / fittedRuns);
        EXPECT_GE(allWithin * 100, fittedRuns * 80);
    }
    std::printf("category %d: cadence from the file in %d of %d runs\n", GetParam(),
                cadenceFromFile, cadenceRuns);
    EXPECT_GE(cadenceFromFile * 100, cadenceRuns * 95);
}

INSTANTIATE_TEST_SUITE_P(Categories, ProgressionSweep, ::testing::Range(0, kStyleCategories));

TEST(ProgressionPresets, AreAll158BuiltInStyles) {
    EXPECT_EQ(AllPresets().size(), 158u);
}

}  // namespace
