// Worked examples of the chord-progression generator and the chord timeline:
// the short fixed form, one chord per bar, refused block lengths and counts,
// pattern searches that find nothing, the closing tonic, the replay of a
// layout and the key-change points.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/utilities.h"
#include "tests/compose/progression_test_util.h"
#include "tests/support/test_support.h"

namespace {

using compose_test::BlockChords;
using compose_test::PlacedChord;
using compose_test::ProgressionFixture;

int CountBoxes(const std::string& text) {
    int n = 0;
    for (const std::string& box : testing_support::Sink().Texts())
        n += box.find(text) != std::string::npos;
    return n;
}

class ChordProgression : public ProgressionFixture {
protected:
    // A style on the shipped files in a metre, set up as a tune would be.
    void UseStyle(int metre, bool minor = false) {
        WorkingStyle.timeSignature = metre;
        SetFieldText(WorkingStyle.knowledgeBase, "PATTERN.DB");
        SetFieldText(WorkingStyle.resolutionKnowledgeBase, "RESOLUT.DB");
        WorkingStyle.chordGenerationMethod = 0;
        WorkingStyle.chordProgression = 3;
        WorkingStyle.chordsInBlock = 0;
        WorkingStyle.blockLength = 0;
        WorkingStyle.onChord = 0;
        if (minor)
            SetupMinorKey();
        else
            SetupMajorKey();
        ASSERT_EQ(LoadKnowledgeBase(), 1);
        testing_support::Sink().Clear();
    }
};

TEST_F(ChordProgression, ShortFixedFormPlaysThreeBlocksTwiceWithTonicBlocksInEveryMetre) {
    const int expected[3] = {768, 576, 336};
    for (int metre : {kMetre44, kMetre34, kMetre78}) {
        for (int seed = 1; seed <= 10; ++seed) {
            UseStyle(metre);
            WorkingStyle.chordProgression = 7;
            SeedRandomWith(seed);
            ComposeInfo.Reset();
            GenerateChordProgression();
            ASSERT_EQ(ComposeInfo.blockCount, 3);
            EXPECT_EQ(compose_test::Snapshot().sequence, (std::vector<int>{1, 1, 2, 2, 3, 3}));
            for (int b = 0; b < 2; ++b) {
                const int* chart = ComposeInfo.TimeChart(b);
                int slots = 0;
                while (chart[slots] != 0)
                    ++slots;
                const std::vector<PlacedChord> chords = BlockChords(b);
                ASSERT_EQ(static_cast<int>(chords.size()), slots) << metre << " " << seed;
                for (const PlacedChord& c : chords) {
                    EXPECT_EQ(c.code, "CMPS");
                    EXPECT_EQ(c.length, expected[metre]);
                }
            }
            EXPECT_FALSE(BlockChords(2).empty());
            EXPECT_EQ(testing_support::Sink().Count(), 0u);
        }
    }
}

TEST_F(ChordProgression, OneChordPerBarWithGeneratedChartsGivesFourOneBarChordsPerBlock) {
    for (int metre : {kMetre44, kMetre34, kMetre78}) {
        UseStyle(metre);
        WorkingStyle.chordsInBlock = 1;
        WorkingStyle.blockLength = 4;
        WorkingStyle.tuneLength = 40;
        SeedRandomWith(metre + 3);
        ComposeInfo.Reset();
        GenerateChordProgression();
        ASSERT_EQ(ComposeInfo.blockCount, 4);  // (38 / 4) / 2
        EXPECT_EQ(compose_test::Snapshot().sequence, (std::vector<int>{1, 1, 2, 2, 3, 3, 4, 4}));
        for (int b = 0; b < 4; ++b) {
            const std::vector<PlacedChord> chords = BlockChords(b);
            ASSERT_EQ(chords.size(), 4u) << metre << " block " << b;
            for (const PlacedChord& c : chords)
                EXPECT_EQ(c.length, TicksPerBar(metre));
        }
        // Four-chord cadences exist in the shipped file: the last block is one.
        EXPECT_NE(BlockChords(3)[0].code + BlockChords(3)[3].code, "CMPSCMPS");
        EXPECT_EQ(testing_support::Sink().Count(), 0u);
    }
}

TEST_F(ChordProgression, RefusedBlockLengthIsReportedAndBlocksStillGetChartsFromTheFiles) {
    UseStyle(kMetre44);
    WorkingStyle.blockLength = 2;
    WorkingStyle.chordsInBlock = 2;
    WorkingStyle.tuneLength = 32;
    SeedRandomWith(5);
    ComposeInfo.Reset();
    GenerateChordProgression();
    EXPECT_GE(CountBoxes("Invalid chord block length!"), 1);
    ASSERT_GE(ComposeInfo.blockCount, 1);
    for (int b = 0; b < ComposeInfo.blockCount; ++b)
        EXPECT_FALSE(BlockChords(b).empty()) << b;
    EXPECT_GT(BuildChordTimeline(), 0);
}

TEST_F(ChordProgression, BlockCountsOutsideOneTo200AreReportedAndKeptInRange) {
    // Too short: one block, a cadence only, then the tonic.
    UseStyle(kMetre34);
    WorkingStyle.chordsInBlock = 1;
    WorkingStyle.tuneLength = 5;
    SeedRandomWith(9);
    ComposeInfo.Reset();
    GenerateChordProgression();
    EXPECT_EQ(CountBoxes("Invalid chord pattern!"), 1);
    ASSERT_EQ(ComposeInfo.blockCount, 1);
    EXPECT_EQ(compose_test::Snapshot().sequence, (std::vector<int>{1, 1}));
    const std::vector<PlacedChord> cadence = BlockChords(0);
    ASSERT_FALSE(cadence.empty());
    BuildChordTimeline();
    EXPECT_EQ(ComposeInfo.chordCount, 2 * static_cast<int>(cadence.size()) + 1);

    // Too long: 200 blocks; the chord list stops at 999 with one report and
    // still ends on the tonic.
    testing_support::Sink().Clear();
    WorkingStyle.tuneLength = 2000;
    ComposeInfo.Reset();
    GenerateChordProgression();
    EXPECT_EQ(ComposeInfo.blockCount, kMaxBlocks);
    EXPECT_LE(ComposeInfo.blockSequenceLength, kMaxBlockSequence);
    BuildChordTimeline();
    ASSERT_EQ(ComposeInfo.chordCount, kMaxChords);
    EXPECT_EQ(CountBoxes(kComposeInfoErrorText), 1);
    EXPECT_EQ(std::string(ComposeInfo.chords[kMaxChords - 1]->code.text, 4), "CMPS");
    EXPECT_EQ(ComposeInfo.chords[kMaxChords - 1]->length, 576);
}

TEST_F(ChordProgression, PatternSearchWithoutEntriesFromTheChordGivesTheTonicAfter4000Tries) {
    WorkingStyle.chordProgression = 1;
    TonicChordCode.Set("CMPS");
    LoadKnowledgeTexts("DmPsGMPs120|\r\nGMPsCMPS120|\r\n", "", "", "");
    char out[4];
    SeedRandomWith(77);
    NextChordFromPatterns("DmPs", out);
    EXPECT_EQ(std::string(out, 4), "GMPs");

    // Nothing from EmPs: 4000 tries of two draws each, then the tonic.
    SeedRandomWith(77);
    NextChordFromPatterns("EmPs", out);
    EXPECT_EQ(std::string(out, 4), "CMPS");
    const int after = RandomInRange(0, 1 << 30);
    SeedRandomWith(77);
    for (int i = 0; i < 2 * kKnowledgeSearchTries; ++i)
        RandomInRange(0, 9);
    EXPECT_EQ(RandomInRange(0, 1 << 30), after);

    // An unknown "Chord Progression" is reported and becomes 3.
    WorkingStyle.chordProgression = 8;
    NextChordFromPatterns("DmPs", out);
    EXPECT_EQ(CountBoxes("error in chord progression!"), 1);
    EXPECT_EQ(WorkingStyle.chordProgression, 3);
}

TEST_F(ChordProgression, OnlyTheFirst30EntriesFromAChordTakePart) {
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += "CMPSDmPs001|";
    text += "CMPSGMPs999|";
    WorkingStyle.chordProgression = 1;
    TonicChordCode.Set("CMPS");
    LoadKnowledgeTexts(text, "", "", "");
    char out[4];
    for (int seed = 1; seed <= 200; ++seed) {
        SeedRandomWith(seed);
        NextChordFromPatterns("CMPS", out);
        ASSERT_EQ(std::string(out, 4), "DmPs") << seed;
    }
}

// The cadence pick as the plain loop over PickCountedEntry: each try picks
// an entry afresh from the start of the text.
std::string ReferenceCadence(const char previous[4], int count) {
    std::vector<char> entry(kKnowledgeTextSize + 1);
    for (int tries = 1; tries <= 4000; ++tries) {
        int length = 0;
        PickCountedEntry(CadenceText, entry.data(), entry.size(), length);
        if (length / 4 != count) continue;
        if (count > 0 && std::string(entry.data(), 4) == std::string(previous, 4) && tries < 2000)
            continue;
        return std::string(entry.data(), 4 * count);
    }
    std::string tonic;
    for (int k = 0; k < count; ++k)
        tonic += std::string(TonicChordCode.text, 4);
    return tonic;
}

TEST_F(ChordProgression, CadencePickMatchesPickingEachTryAfreshDrawForDraw) {
    TonicChordCode.Set("CMPS");
    const char* texts[] = {"4|DmPsGMPs|\r\nFMPSGMPs|\r\nGMPsCMPSCMPS|\r\nCMPS|",
                           "3|GMPsCMPS|GMPsCMPs|  FMPSG4PsGMPs",  // the last entry has no end mark
                           "9|GMPsCMPS|",                         // claims more than it holds
                           "2|GMPs|GMPs|",  // every entry starts on the previous chord
                           "0|CMPS|",
                           "",
                           "x|"};
    for (const char* text : texts) {
        LoadKnowledgeTexts("", text, "", "");
        for (int count = 0; count <= 3; ++count)
            for (int seed = 1; seed <= 20; ++seed) {
                SeedRandomWith(seed);
                const std::string expected = ReferenceCadence("GMPs", count);
                const int next = RandomInRange(0, 1 << 30);
                SeedRandomWith(seed);
                std::vector<char> run(4 * count + 1);
                PickCadenceEntry("GMPs", count, run.data());
                ASSERT_EQ(std::string(run.data(), 4 * count), expected) << text << " " << count;
                ASSERT_EQ(RandomInRange(0, 1 << 30), next) << text << " " << count;
            }
    }
}

TEST_F(ChordProgression, ClosingTonicIsTwoBarsUnlessChordsAreTheStylesOwn) {
    const int expected[3] = {768, 576, 672};
    for (int metre : {kMetre44, kMetre34, kMetre78}) {
        for (int method : {0, 8}) {
            UseStyle(metre);
            WorkingStyle.chordGenerationMethod = method;
            SeedRandomWith(11);
            ComposeInfo.Reset();
            GenerateChordProgression();
            int played = 0, ticks = 0;
            for (int p = 0; p < ComposeInfo.blockSequenceLength; ++p)
                for (const PlacedChord& c : BlockChords(ComposeInfo.blockSequence[p] - 1)) {
                    ++played;
                    ticks += c.length;
                }
            const int quarters = BuildChordTimeline();
            if (method == 8) {
                EXPECT_EQ(ComposeInfo.chordCount, played);
                EXPECT_EQ(quarters, ticks / 96);
            } else {
                ASSERT_EQ(ComposeInfo.chordCount, played + 1);
                EXPECT_EQ(ComposeInfo.chords[played]->length, expected[metre]);
                EXPECT_EQ(quarters, (ticks + expected[metre]) / 96);
                EXPECT_EQ((ticks + expected[metre]) % TicksPerBar(metre),
                          ticks % TicksPerBar(metre));
            }
        }
    }
}

TEST_F(ChordProgression, TimelineReplaysTheLayoutInSequenceOrder) {
    UseStyle(kMetre44);
    WorkingStyle.chordGenerationMethod = 8;
    compose_test::SetBlocks({{"CMPS", "FMPS"}, {"DmPs"}, {"GMPs", "EmPs", "AmPs"}},
                            {1, 1, 2, 3, 3, 3}, 192);
    ComposeInfo.blockChords[1]->Event(0)->length = 768;
    const int quarters = BuildChordTimeline();
    std::vector<std::string> codes;
    for (int c = 0; c < ComposeInfo.chordCount; ++c)
        codes.push_back(std::string(ComposeInfo.chords[c]->code.text, 4));
    const std::vector<std::string> expected = {"CMPS", "FMPS", "CMPS", "FMPS", "DmPs",
                                               "GMPs", "EmPs", "AmPs", "GMPs", "EmPs",
                                               "AmPs", "GMPs", "EmPs", "AmPs"};
    EXPECT_EQ(codes, expected);
    EXPECT_EQ(quarters, (4 * 192 + 768 + 9 * 192) / 96);

    // A block number below 1 is reported and skipped.
    ComposeInfo.blockSequence[2] = 0;
    BuildChordTimeline();
    EXPECT_EQ(CountBoxes("Invalid chord progression!"), 1);
    EXPECT_EQ(ComposeInfo.chordCount, 13);
}

TEST_F(ChordProgression, KeyChangeShiftsAFourthAboveADominantAndStartsAtItsBlock) {
    UseStyle(kMetre44);
    WorkingStyle.chordGenerationMethod = 8;
    std::vector<std::vector<std::string>> blocks;
    std::vector<int> sequence;
    for (int b = 1; b <= 10; ++b) {
        blocks.push_back({"CMPS", "AmPs", "DMPs"});  // ends on the dominant of G
        sequence.push_back(b);
    }
    for (int seed = 1; seed <= 40; ++seed) {
        compose_test::SetBlocks(blocks, sequence);
        SeedRandomWith(seed);
        BuildChordTimeline();
        // The early point comes first in time.
        ASSERT_GE(KeyChangeBlocks[0], 2);
        ASSERT_LE(KeyChangeBlocks[0], 4);
        ASSERT_GE(KeyChangeBlocks[1], 5);
        ASSERT_LE(KeyChangeBlocks[1], 8);
        for (int point = 0; point < 2; ++point) {
            EXPECT_EQ(KeyChangeShift[point], 7);  // (D + 5) mod 12
            EXPECT_EQ(KeyChangeChordIndex[point], 3 * KeyChangeBlocks[point]);
        }
        // Transposing from the point moves the key-change block's first chord
        // and everything after it, nothing before.
        const int from = KeyChangeFirstChordNumber(0);
        TransposeChordsUpFrom(from);
        for (int c = 0; c < ComposeInfo.chordCount; ++c) {
            const char root = ComposeInfo.chords[c]->code.text[0];
            const char plain = "CAD"[c % 3];
            EXPECT_EQ(root, c + 1 >= from ? RootUpSemitone(plain) : plain) << seed << " " << c;
        }
    }
    // A sequence shorter than the points leaves them unreached.
    compose_test::SetBlocks({{"CMPS"}}, {1, 1});
    BuildChordTimeline();
    EXPECT_EQ(KeyChangeChordIndex[0], -1);
    EXPECT_EQ(KeyChangeFirstChordNumber(1), 0);
}

TEST_F(ChordProgression, FitnessWeighsScaleDegreesByKey) {
    struct Case {
        const char* code;
        int major, minor;
    } cases[] = {{"CMPS", 8, 8}, {"CMPs", 6, 6}, {"DMPS", 5, 6},
                 {"EMPs", 7, 8}, {"dMPS", 5, 6}, {"gmds", 7, 8}};
    for (const Case& c : cases) {
        const ChordRecord chord = compose_test::Chord(c.code);
        WorkingStyle.key = 1;
        EXPECT_EQ(ChordFitness(chord), c.major) << c.code;
        WorkingStyle.key = 2;
        EXPECT_EQ(ChordFitness(chord), c.minor) << c.code;
    }
}

TEST_F(ChordProgression, RuleBasedNextChordsAreTableCodes) {
    UseStyle(kMetre44);
    char out[4];
    for (int seed = 1; seed <= 300; ++seed) {
        SeedRandomWith(seed);
        RandomChordCode(out);
        ASSERT_GE(ChordTableIndex(out), 0);
        ASSERT_TRUE(out[2] != 'd' || out[1] == 'm') << std::string(out, 4);
        for (int cp : {1, 2, 3, 4}) {
            WorkingStyle.chordProgression = cp;
            NextChordByVoiceLeading("GMPs", out);
            ASSERT_GE(ChordTableIndex(out), 0) << std::string(out, 4);
            NextCadenceChord("GMPs", out);
            ASSERT_GE(ChordTableIndex(out), 0) << std::string(out, 4);
        }
        NextChordFifthsWalk("DMPs", out);
        ASSERT_EQ(std::string(out + 1, 2), "MP");
        NextChordDescending("AmPs", out);
        ASSERT_GE(ChordTableIndex(out), 0);
    }
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}

TEST_F(ChordProgression, SameSeedGivesTheSameProgressionAndFitting) {
    for (int metre : {kMetre44, kMetre34, kMetre78}) {
        UseStyle(metre, metre == kMetre34);
        WorkingStyle.onChord = 1;
        WorkingStyle.chordGenerationMethod = metre == kMetre44 ? 1 : 0;
        WorkingStyle.tuneLength = 24;
        compose_test::ProgressionSnapshot runs[2];
        for (auto& run : runs) {
            std::memcpy(CurrentChordCode, "CMPS", 5);
            SeedRandomWith(1234);
            ComposeInfo.Reset();
            GenerateChordProgression();
            compose_test::FitAndCountSteps();
            run = compose_test::Snapshot();
        }
        EXPECT_FALSE(runs[0].timeline.empty());
        EXPECT_TRUE(runs[0] == runs[1]) << metre;
    }
}

}  // namespace
