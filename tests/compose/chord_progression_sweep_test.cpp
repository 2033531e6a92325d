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

using compose_test::FitToTuneLength;
using compose_test::ProgressionFixture;

constexpr int kSeeds = 20;

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

class ProgressionSweep : public ProgressionFixture {};

TEST_F(ProgressionSweep, EveryPresetAndSeedEndsWithSoundChordsCadencesAndLengths) {
    std::map<std::string, std::set<std::string>> cadenceFiles;
    int cadenceRuns = 0, cadenceFromFile = 0;
    int fittedPresets = 0, presetsBelowRate = 0, allWithin = 0;
    const std::vector<Preset> presets = AllPresets();
    ASSERT_EQ(presets.size(), 158u);

    for (const Preset& preset : presets) {
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
        int withinOneBar = 0;

        for (int seed = 1; seed <= kSeeds; ++seed) {
            testing_support::Sink().Clear();
            SetWorkingStyle(*preset.style);  // a run may set "Chord Progression" 3
            SeedRandomWith(seed * 7919 + preset.slot);
            std::memcpy(CurrentChordCode, "CMPS", 5);
            ASSERT_EQ(LoadKnowledgeBase(), 1) << where;
            ComposeInfo.Reset();
            GenerateChordProgression();
            ASSERT_GE(ComposeInfo.blockCount, 1) << where;
            ASSERT_LE(ComposeInfo.blockCount, kMaxBlocks) << where;
            const int steps = FitToTuneLength();
            ASSERT_LE(steps, 1001) << where;
            ASSERT_LE(ComposeInfo.chordCount, kMaxChords) << where;
            const bool within = std::abs(MeasuredTuneLength - style.tuneLength) <= 1;
            withinOneBar += within;
            // Fitting ends within a bar, after its 1000 steps, or in 4/4 on a
            // step from the sixth on that left the bars as they were.
            if (fitted)
                ASSERT_TRUE(within || steps > 1000 ||
                            (style.timeSignature == kMetre44 && steps >= 6))
                    << where << " seed " << seed << " ended at " << MeasuredTuneLength << " after "
                    << steps;

            for (const std::string& box : testing_support::Sink().Texts())
                ASSERT_FALSE(IsLetterError(box)) << where << " seed " << seed << ": " << box;
            for (int c = 0; c < ComposeInfo.chordCount; ++c) {
                const ChordRecord& chord = *ComposeInfo.chords[c];
                ASSERT_GE(ChordTableIndex(chord.code.text), 0)
                    << where << " " << std::string(chord.code.text, 4);
                const bool closing =
                    c == ComposeInfo.chordCount - 1 && style.chordGenerationMethod != 8;
                if (style.timeSignature == kMetre34)
                    ASSERT_TRUE(chord.length == 288 || chord.length == 576)
                        << where << " " << chord.length;
                if (style.timeSignature == kMetre78)
                    ASSERT_EQ(chord.length, closing ? 672 : 336) << where;
            }
            // The cadence block against the file's entries.
            if (style.chordGenerationMethod != 1) {
                ++cadenceRuns;
                std::string run;
                for (const auto& chord : compose_test::BlockChords(ComposeInfo.blockCount - 1))
                    run += chord.code;
                cadenceFromFile += cadenceFiles[cadenceName].count(run) != 0;
            }
        }
        if (fitted) {
            ++fittedPresets;
            const double rate = 100.0 * withinOneBar / kSeeds;
            std::printf("preset %s metre %d length %d: %.0f%% within one bar\n", where.c_str(),
                        style.timeSignature, style.tuneLength, rate);
            if (rate < 80.0) ++presetsBelowRate;
            allWithin += withinOneBar;
        }
    }
    std::printf(
        "%d fitted presets, %d below 80%% within one bar, %.1f%% of their runs within;"
        " cadence from the file in %d of %d runs\n",
        fittedPresets, presetsBelowRate, 100.0 * allWithin / (fittedPresets * kSeeds),
        cadenceFromFile, cadenceRuns);
    ASSERT_GT(cadenceRuns, 0);
    EXPECT_GE(cadenceFromFile * 100, cadenceRuns * 95);
}

}  // namespace
