// Random chord-step rows and the leading rest of melody lists.
#include "compose/chord_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "compose_test_util.h"
#include "core/utilities.h"

namespace {

using compose_test::StyleFixture;

class ChordStepsTest : public StyleFixture {};

bool IsChordDegree(int code) {
    return (code >= 0 && code <= 7) || (code >= 11 && code <= 18);
}

// Over many seeds, tempi and dissonances: every code is a chord degree, the
// row sounds somewhere, and its first sounding step is never a bare
// neighbour tone 2, 4, 12 or 14.
TEST_F(ChordStepsTest, RowsAreChordDegreesAndSoundOnAChordTone) {
    for (int tempo : {200000, 500000, 1500000, 0}) {
        for (int dissonance : {0, 4, 9, 10}) {
            WorkingStyle.tempo = tempo;
            WorkingStyle.melody[1].dissonance = dissonance;
            for (int seed = 1; seed <= 40; ++seed) {
                SeedRandomWith(seed);
                const ChordSteps steps = GenerateRandomChordSteps();
                ASSERT_TRUE(std::all_of(steps.begin(), steps.end(), IsChordDegree));
                const auto first =
                    std::find_if(steps.begin(), steps.end(), [](int s) { return s != 0; });
                ASSERT_NE(first, steps.end());
                EXPECT_TRUE(*first != 2 && *first != 4 && *first != 12 && *first != 14 &&
                            *first != 7 && *first != 17)
                    << *first;
            }
        }
    }
}

NoteList& Fill(NoteList& list, std::initializer_list<std::pair<int, int>> notes) {
    list.Clear();
    for (const auto& [length, pitch] : notes)
        list.AppendNote(length, pitch);
    return list;
}

TEST_F(ChordStepsTest, LeadingRestStopsAtTheFirstNoteOrABar) {
    NoteList list;
    EXPECT_EQ(LeadingRestLength(list), 0);
    EXPECT_EQ(LeadingRestLength(Fill(list, {{96, 60}, {96, 0}})), 0);
    EXPECT_EQ(LeadingRestLength(Fill(list, {{96, 0}, {48, 0}, {96, 62}, {96, 0}})), 144);
    // Only rests, 4/4: stops at the first sum of a bar or more.
    WorkingStyle.timeSignature = 0;
    EXPECT_EQ(LeadingRestLength(Fill(list, {{288, 0}, {192, 0}, {96, 0}})), 480);
    WorkingStyle.timeSignature = 1;
    EXPECT_EQ(LeadingRestLength(Fill(list, {{192, 0}, {96, 0}, {96, 0}})), 288);
    // A rest of any length read from a file: the sum stops at the largest
    // length.
    EXPECT_EQ(LeadingRestLength(Fill(list, {{96, 0}, {INT_MAX, 0}})), INT_MAX);
    // Values and labels between the rests are passed over.
    list.Clear();
    list.AppendNote(96, 0);
    list.AppendValue(0, 5);
    list.AppendNote(96, 0);
    list.AppendNote(96, 64);
    EXPECT_EQ(LeadingRestLength(list), 192);
}

TEST_F(ChordStepsTest, ShortestLeadingRestTakesTheSmallerList) {
    Fill(ImportedMelodyList, {{192, 0}, {96, 60}});
    Fill(StartupMelodyList, {{96, 0}, {96, 60}});
    EXPECT_EQ(ShortestLeadingRest(), 96);
    StartupMelodyList.Clear();
    EXPECT_EQ(ShortestLeadingRest(), 0);
    ImportedMelodyList.Clear();
}

}  // namespace
