// The custom scale and the chord progression chooser reached as a user
// from the hub through "Tune Structure": "Custom" opens the scale's notes,
// which want three; "Flamenco" / "Custom" / "4 Chord" / "1 Measure" are
// stored and open the chord input, which 7/8 refuses.
#include <cstring>

#include "app/chord_input_dialog.h"
#include "app/device_selection_dialog.h"
#include "app/styleedit/chord_progression_dialog.h"
#include "app/styleedit/custom_scale_dialog.h"
#include "app/styleedit/option_selection_dialog.h"
#include "app/styleedit/tune_definition_dialog.h"
#include "compose/chord_buffer.h"
#include "compose/compose_info.h"
#include "tests/app/style_hub_fixture.h"

using namespace platform::ui;
using namespace style_hub;

namespace {

// The OK of the small chooser on top.
void AnswerChooser(HeadlessBackend& b) {
    const int height = b.TopWindow()->ClientSize().height;
    b.Click(322, height - (kSmallDialogHeight - kSmallOkTop) + 21);
}

class TuneSettingsFromHub : public StyleHubTest {
protected:
    void TearDown() override {
        ComposeInfo.ClearChords();
        StyleHubTest::TearDown();
    }
};

TEST_F(TuneSettingsFromHub, ScaleAndChordProgressionAsAUser) {
    WorkingStyle.scale = 1;
    std::memcpy(WorkingStyle.scaleNotes, "xxxx000000000000", 16);
    WorkingStyle.timeSignature = 0;
    WorkingStyle.basicBeat = 0;
    WorkingStyle.chordGenerationMethod = 1;
    FillHarmonyStructure(32, WorkingStyle.harmonyStructure, 0);
    OptionSelection hub;
    B().Then([&](HeadlessBackend& b) {
        b.Then([&](HeadlessBackend& c) {
            auto* editor = dynamic_cast<TuneDifinition*>(c.TopWindow()->Handler());
            ASSERT_NE(editor, nullptr);
            c.Then([](HeadlessBackend& n) {
                EXPECT_EQ(TopTitle(n), "Scale");
                n.Select(kDeviceFirstCombo, ChoicePosition(kTuneScaleChoices, kScaleCustom));
                AnswerChooser(n);
            });
            c.Then([](HeadlessBackend& n) {
                auto* scale = dynamic_cast<ZaCustomScale*>(n.TopWindow()->Handler());
                ASSERT_NE(scale, nullptr);
                for (int pc : {0, 4})
                    Press(n, *scale, kCustomScaleFirstToggle + pc);
                Press(n, *scale, kCustomScaleOk);  // two notes: refused
                EXPECT_EQ(TopTitle(n), "Scale Customize");
                Press(n, *scale, kCustomScaleFirstToggle + 7);
                Press(n, *scale, kCustomScaleOk);
            });
            Press(c, *editor, TuneCaptionRegion(kTuneRowScale));
            EXPECT_EQ(WorkingStyle.scale, kScaleCustom);
            EXPECT_STREQ(WorkingStyle.scaleNotes, "xxxx900090090000");
            EXPECT_EQ(BoxesWith("Select more than three notes!"), 1);

            c.Then([](HeadlessBackend& n) {
                EXPECT_EQ(TopTitle(n), "Chord Progression");
                n.Select(kProgressionTypeCombo, 8);
                n.Select(kProgressionMethodCombo, 2);
                n.Select(kProgressionBlockCombo, 1);
                n.Select(kProgressionChordsCombo, 1);
                PressSmallOk(n);
            });
            c.Then([](HeadlessBackend& n) {
                EXPECT_EQ(TopTitle(n), "Chord Input");
                n.Click(547, 419);
            });
            Press(c, *editor, TuneCaptionRegion(kTuneRowChordProgression));
            EXPECT_EQ(c.DeepestModal(), 3);
            EXPECT_EQ(WorkingStyle.chordProgression, 10);
            EXPECT_EQ(WorkingStyle.chordGenerationMethod, kMethodCustom);
            EXPECT_EQ(WorkingStyle.blockLength, 4);
            EXPECT_EQ(WorkingStyle.chordsInBlock, 1);

            // 4/4 on to 7/8: the chooser stores, the chord input is refused.
            Press(c, *editor, TunePlusRegion(kTuneRowTimeSignature));
            ASSERT_EQ(WorkingStyle.timeSignature, kTimeSignature78);
            c.Then([](HeadlessBackend& n) { PressSmallOk(n); });
            Press(c, *editor, TuneCaptionRegion(kTuneRowChordProgression));
            EXPECT_EQ(BoxesWith("You can not use this function with 7/8!"), 1);
            EXPECT_EQ(TopTitle(c), "Tune Structure");
            Press(c, *editor, kTuneOk);
        });
        Press(b, hub, kHubTune);
        Press(b, hub, kHubOk);
    });
    hub.DoModal();
    EXPECT_EQ(B().PendingSteps(), 0u);
    EXPECT_EQ(B().ModalStarvations(), 0);
}

}  // namespace
