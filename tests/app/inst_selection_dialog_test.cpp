// "Instrument" opened on every voice in every mode, and its group change.
#include "app/styleedit/inst_selection_dialog.h"

#include <vector>

#include "core/settings.h"
#include "styleedit/instrument_choice.h"
#include "tests/app/style_hub_fixture.h"

using namespace platform::ui;
using namespace style_hub;

namespace {

using InstSelectionTest = StyleHubTest;

// What the chooser selects on opening gives back, through OK, the voice
// it opened on, for every voice from -10 to 300 in every mode (152..159 are
// the none group's and give 256).
TEST(InstrumentChoice, OpenedSelectionGivesTheVoiceBack) {
    for (int mode = 0; mode < kChoiceModeCount; ++mode) {
        for (int voice = -10; voice <= 300; ++voice) {
            const int expected = mode == 0 && voice >= 152 && voice <= 159 ? kVoiceNotUsed : voice;
            ASSERT_EQ(ChooserResult(mode, ChooserOpenSelection(mode, voice), voice), expected)
                << mode << " " << voice;
        }
    }
}

// The same through the window, opened and closed with OK, for the voices at
// every edge and a spread between: a voice the mode does not list shows no
// entry; the group combo works in mode 0 only.
TEST_F(InstSelectionTest, OkGivesBackTheVoiceItWasGiven) {
    std::vector<int> voices = {-10, -1,  0,   7,   8,   127, 128, 143, 144,
                               151, 152, 159, 160, 255, 256, 257, 300};
    for (const VoiceEntry& e : SubDrumInstrumentTable)
        voices.push_back(e.value);
    for (const VoiceEntry& e : EnvironmentSoundTable)
        voices.push_back(e.value);
    for (int v = -9; v < 300; v += 23)
        voices.push_back(v);
    for (int mode = 0; mode < kChoiceModeCount; ++mode) {
        for (int voice : voices) {
            InstrumentChoice = voice;
            InstrumentChoiceMode = mode;
            InstSelection dialog;
            int groupSelection = -2;
            int instrumentSelection = -2;
            bool groupEnabled = false;
            B().Then([&](HeadlessBackend& b) {
                Window* w = b.TopWindow();
                groupSelection = w->FindControl(kInstGroupCombo)->Selection();
                instrumentSelection = w->FindControl(kInstInstrumentCombo)->Selection();
                groupEnabled = w->FindControl(kInstGroupCombo)->IsEnabled();
                PressSmallOk(b);
            });
            ASSERT_EQ(dialog.DoModal(), platform::kIdOk);
            const int expected = mode == 0 && voice >= 152 && voice <= 159 ? kVoiceNotUsed : voice;
            ASSERT_EQ(InstrumentChoice, expected) << "mode " << mode << " voice " << voice;
            EXPECT_EQ(groupEnabled, mode == 0);
            bool listed = false;
            if (mode == 0) {
                listed = (voice >= 0 && voice < 160) || voice == kVoiceNotUsed;
            } else {
                for (const VoiceEntry& e : VoiceTableOfMode(mode))
                    listed = listed || e.value == voice;
            }
            EXPECT_EQ(instrumentSelection >= 0, listed) << mode << " " << voice;
            if (mode == 0 && listed) {
                EXPECT_EQ(groupSelection, voice == kVoiceNotUsed ? kNoneGroup : voice / 8);
            }
        }
    }
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}

// Mode 0: the groups and eight names a group, "---" alone for "None"; a new
// group lists its instruments, selects the first and stands for 8g; then a
// pick within it is stored. Mode 3 lists the sub-drum table behind "---".
TEST_F(InstSelectionTest, GroupsListTheirInstruments) {
    InstrumentChoice = 27;
    InstrumentChoiceMode = kChooseMelodic;
    InstSelection dialog;
    B().Then([&](HeadlessBackend& b) {
        Window* w = b.TopWindow();
        EXPECT_EQ(w->Title(), "Instrument");
        EXPECT_EQ(w->ClientSize(), (Size{346, 288}));
        Control* group = w->FindControl(kInstGroupCombo);
        Control* instrument = w->FindControl(kInstInstrumentCombo);
        EXPECT_EQ(group->Bounds().left, 45);
        EXPECT_EQ(group->Bounds().top, 90);
        EXPECT_EQ(instrument->Bounds().top, 203);
        ASSERT_EQ(group->Items().size(), 20u);
        EXPECT_EQ(group->Items()[19].text, "None");
        EXPECT_EQ(group->Selection(), 3);
        EXPECT_EQ(instrument->Selection(), 3);
        EXPECT_EQ(instrument->Items()[3].text, InstrumentNameTable[27]);
        b.Select(kInstGroupCombo, 19);
        ASSERT_EQ(instrument->Items().size(), 1u);
        EXPECT_EQ(instrument->Items()[0].text, "---");
        b.Select(kInstGroupCombo, 12);
        EXPECT_EQ(InstrumentChoice, 96);
        EXPECT_EQ(instrument->Selection(), 0);
        ASSERT_EQ(instrument->Items().size(), 8u);
        EXPECT_EQ(instrument->Items()[7].text, InstrumentNameTable[103]);
        b.Select(kInstInstrumentCombo, 5);
        PressSmallOk(b);
    });
    dialog.DoModal();
    EXPECT_EQ(InstrumentChoice, 101);

    InstrumentChoice = 47;
    InstrumentChoiceMode = kChooseSubDrum;
    InstSelection drums;
    B().Then([&](HeadlessBackend& b) {
        Window* w = b.TopWindow();
        Control* group = w->FindControl(kInstGroupCombo);
        Control* instrument = w->FindControl(kInstInstrumentCombo);
        ASSERT_EQ(group->Items().size(), 1u);
        EXPECT_EQ(group->Items()[0].text, "---");
        ASSERT_EQ(instrument->Items().size(), 7u);
        EXPECT_EQ(instrument->Items()[5].text, "Timpany");
        EXPECT_EQ(instrument->Selection(), 5);
        b.Select(kInstInstrumentCombo, 1);
        b.Key(Key::Esc);
        PressSmallOk(b);
    });
    drums.DoModal();
    EXPECT_EQ(InstrumentChoice, 113);
    EXPECT_EQ(B().Beeps(), 1);
}

}  // namespace
