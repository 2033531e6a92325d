// The voices derived from finished note lists along the tune's chords: the
// second voice under a melody, the obbligato fitted to the chords, and the
// converted notes a style conversion joins instead of the composed blocks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "compose/compose_info.h"
#include "compose/melody_stages.h"
#include "core/settings.h"
#include "tests/compose/compose_test_util.h"

namespace {

class DerivedVoices : public compose_test::StyleFixture {
protected:
    void SetUp() override {
        StyleFixture::SetUp();
        savedPanel_ = PanelMode.load();
        savedKeep_ = AppSettings.UseOriginalMelody;
        ComposeInfo.ClearChords();
    }
    void TearDown() override {
        ComposeInfo.ClearChords();
        ConvertedMelodyNotes.Clear();
        PanelMode = savedPanel_;
        AppSettings.UseOriginalMelody = savedKeep_;
        StyleFixture::TearDown();
    }
    static void Chords(const std::vector<std::pair<const char*, int>>& chords) {
        for (const auto& [code, length] : chords)
            ASSERT_TRUE(ComposeInfo.AddChord(compose_test::Entry(code, length), 0));
    }
    static void Notes(NoteList& list, const std::vector<std::pair<int, int>>& notes) {
        list.Clear();
        for (const auto& [length, pitch] : notes)
            list.AppendNote(length, pitch);
    }

private:
    int savedPanel_ = 0;
    int savedKeep_ = 0;
};

int PitchClassDistance(int a, int b) {
    const int d = std::abs(a - b) % 12;
    return std::min(d, 12 - d);
}

TEST_F(DerivedVoices, SecondVoiceSitsBelowOnChordTonesAndRestsWhereNoneFits) {
    // "CoCo" has a root and nothing else: no tone of it lies a minor third
    // from a melody C, and the search ends after two octaves with a rest.
    Chords({{"CMPS", 384}, {"CoCo", 384}, {"GMPs", 384}});
    ASSERT_EQ(ComposeInfo.chords[1]->third, 0);
    ASSERT_EQ(ComposeInfo.chords[1]->fifth, 0);
    NoteList melody;
    Notes(melody, {{96, 72},
                   {96, 74},
                   {96, 76},
                   {96, 77},  // over C
                   {192, 60},
                   {192, 64},  // over the bare C
                   {96, 79},
                   {96, 0},
                   {192, 83}});  // over G7
    NoteList second;
    DeriveSecondMelodyFromNotes(second, melody);
    ASSERT_EQ(second.Count(), melody.Count());
    const int chordOf[] = {0, 0, 0, 0, 1, 1, 2, 2, 2};
    for (int i = 0; i < melody.Count(); ++i) {
        const int m = melody.Event(i)->value;
        const int p = second.Event(i)->value;
        EXPECT_EQ(second.Event(i)->length, melody.Event(i)->length) << i;
        if (i == 4 || m == 0) {
            EXPECT_EQ(p, 0) << i;
            continue;
        }
        ASSERT_GT(p, 0) << i;
        EXPECT_LT(p, m) << i;
        EXPECT_GE(p, m - 24) << i;
        EXPECT_GE(PitchClassDistance(p, m), 3) << i;
        EXPECT_TRUE(ComposeInfo.chords[chordOf[i]]->IsChordTone(p)) << i;
    }
    EXPECT_EQ(second.Event(5)->value % 12, 0);
}

TEST_F(DerivedVoices, ObbligatoMovesTheFirstNoteUnderEachChordUpToATriadTone) {
    Chords({{"CMPS", 384}, {"GMPS", 384}});
    NoteList notes;
    Notes(notes, {{192, 61}, {192, 62}, {96, 0}, {96, 60}, {192, 65}});
    NoteList fitted;
    FitObbligatoToChords(fitted, notes);
    ASSERT_EQ(fitted.Count(), notes.Count());
    EXPECT_EQ(fitted.Event(0)->value, 64);  // C# up to E
    EXPECT_EQ(fitted.Event(1)->value, 62);  // not the first under its chord
    EXPECT_EQ(fitted.Event(2)->value, 0);   // a rest stays a rest, and is the first under G
    EXPECT_EQ(fitted.Event(3)->value, 60);  // so this one is not moved
    EXPECT_EQ(fitted.Event(4)->value, 65);

    // With the conversion keeping its notes, nothing moves.
    PanelMode = kPanelModeConvert;
    AppSettings.UseOriginalMelody = 1;
    FitObbligatoToChords(fitted, notes);
    EXPECT_EQ(fitted.Event(0)->value, 61);
}

TEST_F(DerivedVoices, AConversionJoinsTheConvertedNotesInsteadOfTheBlocks) {
    Chords({{"CMPS", 384}});
    Notes(ConvertedMelodyNotes, {{192, 72}, {192, 76}});
    ComposeInfo.blockSequenceLength = 1;
    ComposeInfo.blockSequence[0] = 1;
    ComposeInfo.blockMelodies[0]->AppendNote(384, 50);
    PanelMode = kPanelModeConvert;
    AppSettings.UseOriginalMelody = 1;
    NoteList out;
    EXPECT_EQ(JoinBlockNoteLists(1, ComposeInfo.blockMelodies, out), 0);
    ASSERT_EQ(out.Count(), 2);
    EXPECT_EQ(out.Event(1)->value, 76);
    EXPECT_EQ(ComposeInfo.blockMelodies[0]->Count(), 0);

    EXPECT_EQ(JoinBlockNoteLists(6, ComposeInfo.blockSecondMelodies, out), 0);
    ASSERT_EQ(out.Count(), 2);
    EXPECT_LT(out.Event(0)->value, 72);

    // Without the keep flag the melody comes from the composed blocks.
    AppSettings.UseOriginalMelody = 0;
    ComposeInfo.blockMelodies[0]->AppendNote(384, 50);
    EXPECT_EQ(JoinBlockNoteLists(1, ComposeInfo.blockMelodies, out), 50);
    ComposeInfo.blockSequenceLength = 0;
}

}  // namespace
