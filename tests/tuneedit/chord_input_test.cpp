// The chord input dialog's operations: grid range, bars, the ordered
// selection, beats deleted and inserted, selected chords changed, and the
// chord dialog's choices.
#include <gtest/gtest.h>

#include <fstream>

#include "compose/chord_buffer.h"
#include "compose/compose_info.h"
#include "compose/composer_state.h"
#include "style/style_table.h"
#include "tests/tuneedit/tuneedit_test_util.h"
#include "tuneedit/chord_input.h"
#include "tuneedit/chord_lists.h"
#include "tuneedit/instrument_apply.h"
#include "compose/melody_stages.h"

namespace {

using tuneedit_test::SaveTune;

std::vector<char> Bytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

TEST(ChordGrid, ScrollRangeBarsAndSelection) {
    EXPECT_EQ(ChordGridScrollMaximum(48), 0);
    EXPECT_EQ(ChordGridScrollMaximum(49), 1);
    EXPECT_EQ(ChordGridScrollMaximum(64), 1);
    EXPECT_EQ(ChordGridScrollMaximum(65), 2);
    EXPECT_EQ(ChordGridScrollMaximum(80), 2);
    for (int bars : {15, 16, 95, 96})
        EXPECT_EQ(ChordBarsInRange(bars * 4, 4), bars == 16 || bars == 95) << bars;
    const StepSelection backwards = OrderedSelection(9, 3);
    EXPECT_EQ(backwards.start, 3);
    EXPECT_EQ(backwards.end, 9);
    EXPECT_EQ(OrderedSelection(600, 2).end, 511);
    EXPECT_TRUE(OrderedSelection(-1, 4).Empty());
}

// Every root and kind gives a code and a text that reads back as that code,
// and the dialog opened on the code selects them again.
TEST(ChordDialog, ChoicesReadBackAndReselect) {
    for (int root = 0; root < kChordRootChoices; ++root) {
        for (int kind = 0; kind < kChordKindChoices; ++kind) {
            const ChordChoice c = MakeChordChoice(root, kind);
            char code[4];
            ASSERT_TRUE(ParseChordNameText(c.text, code)) << c.text;
            EXPECT_EQ(std::string(code, 4), c.code) << c.text;
            EXPECT_EQ(ChordRootIndex(c.code), root);
            EXPECT_EQ(ChordKindIndex(c.code), kind);
        }
    }
    EXPECT_EQ(MakeChordChoice(-1, 0).code, "xxxx");
}

class ChordInput : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = WorkingStyle;
        InitMusicStyle(WorkingStyle);
        ResetComposerState();
    }
    void TearDown() override {
        SetCurrentEditObject(nullptr);
        ComposeInfo.ClearChords();
        WorkingStyle = saved_;
    }
    EditedTune& Open(const std::string& path) {
        OpenCurrentEditObject(path);
        BuildChordListsFromEditTune(CurrentEditObject()->Tune());
        return CurrentEditObject()->Tune();
    }
    MusicStyle saved_{};
};

TEST_F(ChordInput, InsertThenDeleteSavesThePlainBytes) {
    const std::string path = SaveTune("p.mid", {{0, "C"}, {384, "Am"}, {768, "F"}},
                                      {{1, 0, 60, 96}, {1, 384, 64, 192}, {2, 768, 40, 384}});
    const std::string plain = testing_support::ScratchDir() + "/plain.mid";
    ASSERT_EQ(Open(path).SaveAndReload(plain), 1);
    for (int s : {0, 2, 4, 11}) {
        for (int k : {1, 3}) {
            EditedTune& tune = Open(path);
            InsertTuneBeats(tune, OrderedSelection(s, s + k - 1));
            DeleteTuneBeats(tune, OrderedSelection(s + k - 1, s));
            const std::string out = testing_support::ScratchDir() + "/out.mid";
            ASSERT_EQ(tune.SaveAndReload(out), 1);
            EXPECT_EQ(Bytes(out), Bytes(plain)) << s << " " << k;
        }
    }
}

TEST_F(ChordInput, DeleteCarriesTheLastMarkerOn) {
    EditedTune& tune = Open(SaveTune("d.mid", {{0, "C"}, {384, "Am"}, {480, "G 7"}, {768, "F"}},
                                     {{1, 0, 60, 96}, {1, 1056, 64, 96}}));
    DeleteTuneBeats(tune, OrderedSelection(4, 5));  // ticks 384..575
    ASSERT_EQ(tune.SectionCount(), 3);
    EXPECT_EQ(tune.SectionStart(1), 384);
    EXPECT_EQ(tune.MarkerText(1), "G 7");
    EXPECT_EQ(tune.SectionStart(2), 576);
    EXPECT_EQ(tune.MarkerText(2), "F");
}

TEST_F(ChordInput, EditInsideASectionMakesThree) {
    Open(SaveTune("e.mid", {{0, "C"}}, {{1, 0, 60, 96}, {1, 480, 64, 96}, {1, 1440, 67, 96}}));
    ASSERT_EQ(ChangeSelectedChords(OrderedSelection(7, 4), "DmPs", "Dm 7"), 1);
    const EditedTune& tune = CurrentEditObject()->Tune();
    ASSERT_EQ(tune.SectionCount(), 3);
    EXPECT_EQ(tune.SectionStart(1), 384);
    EXPECT_EQ(tune.SectionStart(2), 768);
    EXPECT_EQ(tune.SectionCode(0), "CMPd");
    EXPECT_EQ(tune.SectionCode(1), "DmPs");
    EXPECT_EQ(tune.SectionCode(2), "CMPd");
    std::vector<int> keys;
    for (const MidiEvent* e : tune.Track(1)->Events())
        if (e->IsNoteWithLength()) keys.push_back(e->note);
    EXPECT_EQ(keys, (std::vector<int>{60, 65, 67}));  // only the middle note moved
}

}  // namespace

namespace {

// Instrument values that are no program change no program; groups give a
// member; parts not used lose their sounding tracks.
TEST_F(ChordInput, InstrumentsFollowTheStyle) {
    EditedTune& tune = Open(SaveTune("i.mid", {{0, "C"}},
                                     {{1, 0, 60, 96}, {2, 0, 36, 96}, {4, 0, 72, 96}, {3, 0, 48, 96}}));
    MusicStyle style{};
    InitMusicStyle(style);
    style.voice[kPartMelody] = 256;
    style.voice[kPartBass] = 33;
    style.voice[kPartObbligato] = kVoiceNotUsed;
    style.voice[kPartHarmony] = kFirstGroupCode;
    ApplyToneInstruments(tune, style);
    EXPECT_EQ(tune.GetChannelProgram(1), 5);  // 256 on the melody: kept
    EXPECT_EQ(tune.GetChannelProgram(2), 33);
    EXPECT_EQ(tune.FindTrackByChannel(4), -1);
    const int harmony = tune.GetChannelProgram(3);
    EXPECT_TRUE(harmony >= 0 && harmony <= 127);
    EXPECT_EQ(ProgramOfInstrument(200, kPartBass), -1);

    testing_support::Sink().Clear();
    ApplyWizardInstruments(tune, style);
    EXPECT_EQ(testing_support::Sink().Count(), 1u);  // no melody instrument
    EXPECT_EQ(style.voice[kPartMelody], 5);
}

}  // namespace
