// Length fitting: which styles are fitted, which lengths a step writes and in
// which direction, how a short 3/4 tune grows, and when fitting stops.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/utilities.h"
#include "tests/compose/progression_test_util.h"
#include "tests/support/test_support.h"

namespace {

using compose_test::ProgressionFixture;
using compose_test::SetBlocks;

std::vector<int> AllLengths() {
    std::vector<int> lengths;
    for (int b = 0; b < ComposeInfo.blockCount; ++b)
        for (const auto& chord : compose_test::BlockChords(b))
            lengths.push_back(chord.length);
    return lengths;
}

int TimelineTicks() {
    return ComposeInfo.TotalChordLength();
}

class LengthFitting : public ProgressionFixture {
protected:
    void UseStyle(int metre) {
        WorkingStyle.timeSignature = metre;
        SetFieldText(WorkingStyle.knowledgeBase, "PATTERN.DB");
        SetFieldText(WorkingStyle.resolutionKnowledgeBase, "RESOLUT.DB");
        WorkingStyle.chordGenerationMethod = 0;
        WorkingStyle.chordProgression = 3;
        WorkingStyle.chordsInBlock = 0;
        WorkingStyle.blockLength = 0;
        SetupMajorKey();
        ASSERT_EQ(LoadKnowledgeBase(), 1);
    }
    static bool Step(int& state) {
        return WorkingStyle.timeSignature == kMetre44 ? FitLengthCommonTime(state)
                                                      : FitLengthTripleTime(state);
    }
};

TEST_F(LengthFitting, StylesWithFixedBlocksOrTheirOwnChordsAreNeverFitted) {
    for (int metre : {kMetre44, kMetre34}) {
        for (int which = 0; which < 3; ++which) {
            UseStyle(metre);
            WorkingStyle.tuneLength = 200;
            if (which == 0) WorkingStyle.blockLength = 4;
            if (which == 1) WorkingStyle.chordsInBlock = 1;
            if (which == 2) WorkingStyle.chordGenerationMethod = 8;
            SeedRandomWith(3);
            ComposeInfo.Reset();
            GenerateChordProgression();
            MeasureTuneLength();
            const std::vector<int> before = AllLengths();
            int state = 0;
            EXPECT_TRUE(Step(state)) << metre << " " << which;
            EXPECT_EQ(state, 0);
            EXPECT_EQ(AllLengths(), before);
        }
    }
}

TEST_F(LengthFitting, StepsWriteOnlyTheMetresLengthsAndMoveTowardTheTarget) {
    const std::set<int> allowed[2] = {{96, 192, 384, 768}, {288, 576}};
    for (int metre : {kMetre44, kMetre34}) {
        for (int seed = 1; seed <= 16; ++seed) {
            UseStyle(metre);
            WorkingStyle.tuneLength = seed % 2 ? 8 + seed : 60 + seed;  // shorter and longer
            SeedRandomWith(seed);
            ComposeInfo.Reset();
            GenerateChordProgression();
            MeasureTuneLength();
            int state = 0;
            for (bool stop = false; !stop;) {
                const int bars = MeasuredTuneLength;
                const std::vector<int> before = AllLengths();
                const int ticks = TimelineTicks();
                stop = Step(state);
                const std::vector<int> after = AllLengths();
                ASSERT_EQ(after.size(), before.size());
                int changed = 0;
                for (std::size_t i = 0; i < after.size(); ++i) {
                    if (after[i] == before[i]) continue;
                    ++changed;
                    ASSERT_TRUE(allowed[metre].count(after[i])) << metre << " " << after[i];
                    ASSERT_EQ(after[i]<before[i], bars> WorkingStyle.tuneLength);
                }
                ASSERT_LE(changed, 1);
                if (bars > WorkingStyle.tuneLength) {
                    ASSERT_LE(TimelineTicks(), ticks);
                }
                if (bars < WorkingStyle.tuneLength) {
                    ASSERT_GE(TimelineTicks(), ticks);
                }
                ASSERT_LE(state, 1001);
            }
        }
    }
}

TEST_F(LengthFitting, ShortThreeFourTuneOfShortChordsGrowsToItsLength) {
    UseStyle(kMetre34);
    WorkingStyle.tuneLength = 20;
    SetBlocks({{"CMPS", "FMPS", "GMPs", "CMPS"},
               {"AmPs", "DmPs", "GMPs", "CMPS"},
               {"FMPS", "GMPs", "CMPS", "CMPS"}},
              {1, 2, 3}, 288);
    SeedRandomWith(21);
    EXPECT_EQ(MeasureTuneLength(), 14);  // twelve 288s and the 576 tonic
    compose_test::FitAndCountSteps();
    EXPECT_LE(std::abs(MeasuredTuneLength - 20), 1);
    EXPECT_EQ(ComposeInfo.barCount, MeasuredTuneLength);
}

TEST_F(LengthFitting, FittingStopsAfter1000StepsOrSixStepsWithoutEffect) {
    // 4/4 at its length: every step counts until the 1001st.
    UseStyle(kMetre44);
    SetBlocks({{"CMPS", "GMPs"}}, {1, 1}, 384);
    WorkingStyle.tuneLength = MeasureTuneLength();
    int state = 0, calls = 0;
    while (!FitLengthCommonTime(state) && calls < 5000)
        ++calls;
    EXPECT_EQ(calls + 1, 1001);

    // 4/4 too long with nothing left to shorten: the seventh step stops.
    SetBlocks({{"CMPS", "GMPs", "CMPS", "GMPs"}}, {1, 1, 1, 1}, 96);
    WorkingStyle.tuneLength = 1;
    MeasureTuneLength();
    state = calls = 0;
    while (!FitLengthCommonTime(state) && calls < 5000)
        ++calls;
    EXPECT_EQ(calls + 1, 7);

    // 3/4 too short with every chord at 576: 1001 steps. The block count
    // stays whatever the fitting's scan leaves out.
    UseStyle(kMetre34);
    SetBlocks({{"CMPS"}, {"FMPS"}, {"GMPs"}, {"CMPS"}}, {1, 2, 3, 4}, 576);
    WorkingStyle.tuneLength = 1000;
    MeasureTuneLength();
    state = calls = 0;
    while (!FitLengthTripleTime(state) && calls < 5000)
        ++calls;
    EXPECT_EQ(calls + 1, 1001);

    // 3/4 too long: past 500 steps the scan leaves out the last blocks, but
    // the tune keeps all four.
    WorkingStyle.tuneLength = 1;
    MeasureTuneLength();
    state = calls = 0;
    while (!FitLengthTripleTime(state) && calls < 5000)
        ++calls;
    EXPECT_EQ(calls + 1, 1001);
    EXPECT_EQ(ComposeInfo.blockCount, 4);
    EXPECT_EQ(ComposeInfo.blockSequenceLength, 4);
}

}  // namespace
