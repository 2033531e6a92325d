// "Melody Structure" driven as a user: opened from the hub with each row's
// chooser answered and the steppers pressed to their ends, the obbligato
// part through the editors' entry point, the rows that press their steppers
// along, and the melody panel's "Compose" reaching the algorithm choice.
#include "app/styleedit/melody_definition_dialog.h"

#include <algorithm>

#include "app/algo_strength_dialog.h"
#include "app/device_selection_dialog.h"
#include "app/edit_melody_dialog.h"
#include "app/list_box_dialog.h"
#include "app/panel_style_seams.h"
#include "app/structure_editor_seams.h"
#include "app/styleedit/inst_selection_dialog.h"
#include "app/styleedit/option_selection_dialog.h"
#include "app/voicing_selection_dialog.h"
#include "compose/compose_info.h"
#include "tests/app/style_hub_fixture.h"
#include "tests/tuneedit/tuneedit_test_util.h"
#include "tuneedit/edit_object.h"

using namespace platform::ui;
using namespace style_hub;

namespace {

constexpr int kListBoxSecondCombo = 2065;
constexpr int kListBoxThirdCombo = 2072;

int IndexOf(const ChoiceRow& row, int value) {
    return ChoicePosition(row, value);
}

// The OK of the 144-high pickers and value dialogs.
void PressPickerOk(HeadlessBackend& b) {
    b.Click(322, 117);
}

void PressRow(HeadlessBackend& b, const MelodyDifinition& d, int row, int step) {
    const int region =
        step < 0 ? kMelodyFirstMinus + row - 1 : (step > 0 ? kMelodyFirstPlus + row - 1 : row);
    for (int i = 0; i < std::max(1, std::abs(step)); ++i)
        Press(b, d, region);
}

MelodyDifinition* TopEditor(HeadlessBackend& b) {
    return dynamic_cast<MelodyDifinition*>(b.TopWindow()->Handler());
}

class MelodyDefinitionTest : public StyleHubTest {
protected:
    // Every scripted answer was taken by the dialog it was meant for.
    void TearDown() override {
        EXPECT_EQ(B().PendingSteps(), 0u);
        StyleHubTest::TearDown();
    }
};

// From the hub's "Melody" at 40 bars: "Long Pipe Effect"/"Classical" shows
// the information and then the error box and cuts to 30 bars; "Melody
// Table"/"Repeat Weak" goes through the table; "Directional" opens the
// strength, set to 1; the rhythm chooser; the steppers past both ends
// (the voice wraps 0 - 1 - ... back to 0). Only the Melody part changes.
TEST_F(MelodyDefinitionTest, HubMelodyRowsAnsweredAsAUser) {
    using namespace melody_rows;
    WorkingStyle.tuneLength = 40;
    WorkingStyle.voice[kPartMelody] = 0;
    MelodySettings& m = WorkingStyle.melody[kPartMelody];
    m.upperLimit = 80;
    m.lowerLimit = 50;
    const MelodySettings obbligato = WorkingStyle.melody[kPartObbligato];
    OptionSelection hub;
    B().Then([&](HeadlessBackend& b) {
        b.Then([&](HeadlessBackend& e) {
            MelodyDifinition& d = *TopEditor(e);
            EXPECT_EQ(TopTitle(e), "Melody Structure");
            EXPECT_EQ(e.TopWindow()->ClientSize(), (Size{644, 464}));
            EXPECT_EQ(d.PaintedCount(), kMelodyRegionCount);
            EXPECT_EQ(d.ValueText(kRowLowest), "50");
            e.Then([&](HeadlessBackend& c) {
                EXPECT_EQ(TopTitle(c), "Effect/Abbelimenti");
                c.Select(kListBoxFirstCombo, IndexOf(kEffect, 9));
                c.Select(kListBoxSecondCombo, IndexOf(kOrnament, 1));
                PressSmallOk(c);
            });
            PressRow(e, d, kRowEffect, 0);
            const auto& boxes = testing_support::Sink().Texts();
            ASSERT_EQ(boxes.size(), 2u);
            EXPECT_NE(boxes[0].find("needs high perfoermance"), std::string::npos);
            EXPECT_NE(boxes[1].find("it was turncated."), std::string::npos);
            EXPECT_EQ(WorkingStyle.tuneLength, 30);
            EXPECT_EQ(d.ValueText(kRowEffect), "Long Pipe Effect/Classical");

            e.Then([&](HeadlessBackend& c) {
                EXPECT_EQ(TopTitle(c), "Algorithm");
                c.Select(kDeviceFirstCombo, IndexOf(kAlgorithm, 6));
                c.Select(kDeviceSecondCombo, 1);
                c.Then([](HeadlessBackend& t) {
                    EXPECT_EQ(TopTitle(t), "Melody Table");
                    t.Key(Key::Enter);
                });
                PressPickerOk(c);
            });
            PressRow(e, d, kRowAlgorithm, 0);
            EXPECT_EQ(m.algorithm, 6);
            EXPECT_EQ(m.repeatMelody, 1);
            EXPECT_EQ(TopTitle(e), "Melody Structure");

            m.algorithmParameter = 0;
            e.Then([&](HeadlessBackend& c) {
                c.Select(kDeviceFirstCombo, IndexOf(kAlgorithm, 2));
                PressPickerOk(c);
            });
            e.Then([&](HeadlessBackend& c) {
                EXPECT_EQ(TopTitle(c), "Algorithm Strength");
                c.Step(kAlgoStrengthSpin, 1);
                PressPickerOk(c);
            });
            PressRow(e, d, kRowAlgorithm, 0);
            EXPECT_EQ(m.algorithmParameter, 1);
            EXPECT_EQ(d.ValueText(kRowAlgorithm), "Directional/Repeat Weak");

            e.Then([&](HeadlessBackend& c) {
                EXPECT_EQ(TopTitle(c), "Rhythm");
                c.Select(kListBoxFirstCombo, IndexOf(kNoteLength, 10));
                c.Select(kListBoxSecondCombo, 1);
                c.Select(kListBoxThirdCombo, 2);
                PressSmallOk(c);
            });
            PressRow(e, d, kRowRhythm, 0);
            EXPECT_EQ(d.ValueText(kRowRhythm), "Swing/Syncopetion On/Repeat Middle");
            EXPECT_EQ(m.repeatRhythm, 2);

            // Every stepper pressed past both ends, downwards top to bottom
            // and upwards bottom to top, so "Highest" makes room for "Lowest".
            for (int step : {-1, 1}) {
                for (int i = 0; i < kMelodyRowCount; ++i) {
                    const int row = step < 0 ? i + 1 : kMelodyRowCount - i;
                    PressRow(e, d, row, step * (row == kRowInstrument ? 152 : 110));
                }
                EXPECT_EQ(WorkingStyle.voice[kPartMelody], 0);
                EXPECT_EQ(d.ValueText(kRowRestRate), step < 0 ? "least" : "most");
                EXPECT_EQ(m.lowerLimit, step < 0 ? 25 : 100);
                EXPECT_EQ(m.upperLimit, step < 0 ? 25 : 127);
            }
            EXPECT_EQ(d.ValueText(kRowRhythm), "Swing/Syncopetion On/Repeat Middle");
            Press(e, d, kMelodyOk);
        });
        Press(b, hub, kHubMelody);
        std::string name;
        GetInstrumentName(0, name);
        EXPECT_EQ(hub.PartName(1), name);
        Press(b, hub, kHubOk);
    });
    EXPECT_EQ(hub.DoModal(), platform::kIdOk);
    EXPECT_EQ(std::memcmp(&WorkingStyle.melody[kPartObbligato], &obbligato, sizeof obbligato), 0);
    EXPECT_EQ(B().DeepestModal(), 3);
    EXPECT_EQ(B().ModalStarvations(), 0);
}

// The obbligato part through the editors' entry point: its instrument and
// voicing chooser store into part 4 alone, "None" is refused; a press on
// "Lowest" shows its minus and plus pressed until released.
TEST_F(MelodyDefinitionTest, ObbligatoPartAndPressedSteppers) {
    WorkingStyle.voice[kPartObbligato] = 12;
    WorkingStyle.octave[kPartObbligato] = 0;
    const MusicStyle before = WorkingStyle;
    B().Then([&](HeadlessBackend& e) {
        MelodyDifinition& d = *TopEditor(e);
        Window& w = *e.TopWindow();
        e.Then([&](HeadlessBackend& c) {
            EXPECT_EQ(InstrumentChoice, 12);
            c.Select(kInstGroupCombo, 3);
            c.Select(kInstInstrumentCombo, 2);
            PressSmallOk(c);
        });
        PressRow(e, d, kRowInstrument, 0);
        EXPECT_EQ(WorkingStyle.voice[kPartObbligato], 26);
        e.Then([&](HeadlessBackend& c) {
            c.Select(kInstGroupCombo, kNoneGroup);
            PressSmallOk(c);
        });
        PressRow(e, d, kRowInstrument, 0);
        EXPECT_EQ(WorkingStyle.voice[kPartObbligato], 26);
        EXPECT_EQ(BoxesWith("You must select instrument for melody!"), 1);
        e.Then([&](HeadlessBackend& c) {
            EXPECT_EQ(TopTitle(c), "Voicing");
            c.Click(50, 40);  // "Octave"
            c.Select(kVoicingCombo, 2);
            PressPickerOk(c);
        });
        PressRow(e, d, kRowVoicing, 0);
        EXPECT_EQ(WorkingStyle.melody[kPartObbligato].voicing, 2);
        EXPECT_EQ(WorkingStyle.octave[kPartObbligato], 1);

        const SkinButton& lowest = d.Button(kRowLowest);
        d.OnLeftDown(w, Point{(lowest.x1 + lowest.x2) / 2, (lowest.y1 + lowest.y2) / 2});
        for (int region : {int{kRowLowest}, kMelodyFirstMinus + kRowLowest - 1,
                           kMelodyFirstPlus + kRowLowest - 1})
            EXPECT_EQ(d.Button(region).control->ShownImage(), &d.Face(region, true)) << region;
        e.Then([&](HeadlessBackend& c) {
            EXPECT_EQ(TopTitle(c), "Note Range");
            PressPickerOk(c);
        });
        d.OnLeftUp(w, Point{lowest.x1 + 1, lowest.y1 + 1});
        for (int region : {kMelodyFirstMinus + kRowLowest - 1, kMelodyFirstPlus + kRowLowest - 1})
            EXPECT_EQ(d.Button(region).control->ShownImage(), &d.Face(region, false)) << region;
        Press(e, d, kMelodyOk);
    });
    RunMelodyStructureEditor(nullptr, kPartObbligato);
    EXPECT_EQ(std::memcmp(&WorkingStyle.melody[kPartMelody], &before.melody[kPartMelody],
                          sizeof(MelodySettings)),
              0);
    EXPECT_EQ(WorkingStyle.voice[kPartMelody], before.voice[kPartMelody]);
}

// The melody panel's "Compose": the notice, then the algorithm choice of
// the Melody part ("Directional", "Repeat Middle", strength 1), then the
// recomposition.
TEST_F(MelodyDefinitionTest, ComposeOfTheMelodyPanelChoosesTheAlgorithm) {
    OpenCurrentEditObject(tuneedit_test::SaveTune("edit_temp.mid", {{0, "C"}, {384, "G"}},
                                                  {{1, 0, 60, 96}, {1, 384, 62, 96}}));
    WorkingStyle.melody[kPartMelody].algorithmParameter = 0;
    EditMelody panel(nullptr, 0, 7);
    bool picked = false;
    B().Then([&](HeadlessBackend& b) {
        b.Then([&](HeadlessBackend& c) {
            picked = TopTitle(c) == "Algorithm";
            c.Select(kDeviceFirstCombo, 1);
            c.Select(kDeviceSecondCombo, 2);
            PressPickerOk(c);
        });
        b.Then([&](HeadlessBackend& c) {
            c.Step(kAlgoStrengthSpin, 1);
            PressPickerOk(c);
        });
        const SkinButton& compose = panel.Button(kEditMelodyComposeButton);
        b.Click((compose.x1 + compose.x2) / 2 - 20, (compose.y1 + compose.y2) / 2);
        const SkinButton& ok = panel.Button(kEditPanelOkButton);
        b.Click((ok.x1 + ok.x2) / 2, (ok.y1 + ok.y2) / 2 + 10);
    });
    panel.DoModal();
    SetCurrentEditObject(nullptr);
    ComposeInfo.ClearChords();
    EXPECT_TRUE(picked);
    const MelodySettings& m = WorkingStyle.melody[kPartMelody];
    EXPECT_EQ(m.algorithm, 2);
    EXPECT_EQ(m.repeatMelody, 2);
    EXPECT_EQ(m.algorithmParameter, 1);
    EXPECT_EQ(BoxesWith("All part of the same melody will be composed again."), 1);
}

}  // namespace
