// The five edit panels driven as a user would: toggle captions that follow
// the tune, OK alone splitting chords at the selection's edges, copy and
// paste through "Melody", the refused paste, and the recomposition's notice
// and refusal.
#include <gtest/gtest.h>

#include "app/edit_chord_dialog.h"
#include "app/edit_copy_paste_dialog.h"
#include "app/edit_melody_dialog.h"
#include "app/edit_richness_dialog.h"
#include "compose/compose_info.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "tests/support/test_support.h"
#include "tests/tuneedit/tuneedit_test_util.h"
#include "tuneedit/edit_object.h"
#include "tuneedit/tune_edits.h"

using namespace platform::ui;

namespace {

void Press(HeadlessBackend& d, const EditPanel& panel, int button) {
    const SkinButton& b = panel.Button(button);
    // Inside the button and off the neighbours' overlaps.
    d.Click((b.x1 + b.x2) / 2 - (button == 0 ? 0 : 20), (b.y1 + b.y2) / 2 + (button == 0 ? 10 : 0));
}

std::vector<int> MelodyKeys() {
    std::vector<int> keys;
    const EditedTune& tune = CurrentEditObject()->Tune();
    for (const MidiEvent* e : tune.Track(tune.FindTrackByChannel(1))->Events())
        if (e->IsNoteWithLength()) keys.push_back(e->note);
    return keys;
}

class EditPanelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = WorkingStyle;
        InitMusicStyle(WorkingStyle);
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        ResetSkinBlitFailure();
        testing_support::Sink().Clear();
    }
    void TearDown() override {
        InstallBackend(nullptr);
        SetCurrentEditObject(nullptr);
        ComposeInfo.ClearChords();
        WorkingStyle = saved_;
    }
    void OpenTune(const std::vector<tuneedit_test::Marker>& markers,
                  const std::vector<tuneedit_test::Note>& notes,
                  const std::vector<int>& delayed = {}) {
        OpenCurrentEditObject(
            tuneedit_test::SaveTune("edit_temp.mid", markers, notes, 96, delayed));
    }
    bool Shown(const std::string& text) {
        for (const std::string& t : testing_support::Sink().Texts())
            if (t.find(text) != std::string::npos) return true;
        return false;
    }
    std::shared_ptr<HeadlessBackend> backend_;
    MusicStyle saved_{};
};

TEST_F(EditPanelsTest, MelodyOctaveSetAndRemovedThroughThePanels) {
    OpenTune({{0, "C"}}, {{1, 0, 60, 96}, {1, 96, 64, 96}, {10, 10, 60, 96}},
             {kEditMelodyDelayChannel});
    EditMelody melody(nullptr, 0, 3);
    EditRichness* richness = nullptr;
    std::vector<std::string> captions;
    backend_->Then([&](HeadlessBackend& d) { Press(d, melody, kEditMelodyOctaveButton); });
    backend_->Then([&](HeadlessBackend& d) {
        // The richness panel is the top window now.
        auto* top = dynamic_cast<EditRichness*>(d.TopWindow()->Handler());
        ASSERT_NE(top, nullptr);
        richness = top;
        captions.push_back(richness->Caption(kRichnessOctaveButton));
        captions.push_back(richness->Caption(kRichnessDelayButton));
        Press(d, *richness, kRichnessOctaveButton);
        captions.push_back(richness->Caption(kRichnessOctaveButton));
        Press(d, *richness, kRichnessDelayButton);
        captions.push_back(richness->Caption(kRichnessDelayButton));
        Press(d, *richness, kRichnessDelayButton);  // none left
        Press(d, *richness, kEditPanelOkButton);
    });
    backend_->Then([&](HeadlessBackend& d) { Press(d, melody, kEditPanelOkButton); });
    EXPECT_EQ(melody.DoModal(), platform::kIdOk);
    EXPECT_EQ(captions, (std::vector<std::string>{"Set Octave", "Remove Delay", "Remove Octave",
                                                  "Set Delay"}));
    EXPECT_EQ(MelodyKeys(), (std::vector<int>{60, 72, 64, 76}));
    EXPECT_TRUE(Shown("No Delay Track!"));
    EXPECT_FALSE(CurrentEditObject()->Tune().HasNotesOnChannel(kEditMelodyDelayChannel));
}

TEST_F(EditPanelsTest, ChordDelayFollowsTheStyleAndOkAloneSplits) {
    OpenTune({{0, "C"}}, {{1, 0, 60, 1536}, {3, 0, 48, 1536}});
    WorkingStyle.mix[kPartHarmony].delay = 0;
    EditChord chord(nullptr, 4, 7);
    std::vector<std::string> captions;
    backend_->Then([&](HeadlessBackend& d) {
        captions.push_back(chord.Caption(kEditChordDelayButton));
        Press(d, chord, kEditChordDelayButton);  // no style delay: nothing
        captions.push_back(chord.Caption(kEditChordDelayButton));
        WorkingStyle.mix[kPartHarmony].delay = 10;
        Press(d, chord, kEditChordDelayButton);
        captions.push_back(chord.Caption(kEditChordDelayButton));
        Press(d, chord, kEditChordDelayButton);
        captions.push_back(chord.Caption(kEditChordDelayButton));
        Press(d, chord, kEditPanelOkButton);
    });
    EXPECT_EQ(chord.DoModal(), platform::kIdOk);
    EXPECT_EQ(captions,
              (std::vector<std::string>{"Set Delay", "Set Delay", "Remove Delay", "Set Delay"}));
    // The selection's edges became sections.
    const EditedTune& tune = CurrentEditObject()->Tune();
    ASSERT_EQ(tune.SectionCount(), 3);
    EXPECT_EQ(tune.SectionStart(1), 4 * 96);
    EXPECT_EQ(tune.SectionStart(2), 8 * 96);
    EXPECT_EQ(chord.Sections().first, 1);
    EXPECT_EQ(chord.Sections().end, 2);
}

TEST_F(EditPanelsTest, CopyPasteThroughTheMelodyPanel) {
    OpenTune(
        {{0, "C"}, {384, "C"}, {768, "C"}},
        {{1, 0, 60, 96}, {1, 96, 62, 96}, {1, 192, 64, 96}, {1, 384, 50, 96}, {1, 800, 51, 64}});
    EditMelody melody(nullptr, 0, 3);
    backend_->Then([&](HeadlessBackend& d) { Press(d, melody, kEditMelodyCopyPasteButton); });
    backend_->Then([&](HeadlessBackend& d) {
        auto* panel = dynamic_cast<EditCopyPaste*>(d.TopWindow()->Handler());
        ASSERT_NE(panel, nullptr);
        Press(d, *panel, kCopyPasteCopyButton);
        Press(d, *panel, kEditPanelOkButton);
    });
    backend_->Then([&](HeadlessBackend& d) { Press(d, melody, kEditPanelOkButton); });
    melody.DoModal();
    EXPECT_EQ(CurrentEditObject()->ClipboardLength(), 192);
    // Pasted onto the second bar; the last bar (fewer ticks) refuses.
    EditCopyPaste second(nullptr, 4, 7);
    backend_->Then([&](HeadlessBackend& d) {
        Press(d, second, kCopyPastePasteButton);
        Press(d, second, kEditPanelOkButton);
    });
    second.DoModal();
    EXPECT_EQ(MelodyKeys(), (std::vector<int>{60, 62, 64, 60, 62, 64, 51}));
    // The last chord is one beat long, shorter than the clipboard.
    EditCopyPaste third(nullptr, 8, 8);
    backend_->Then([&](HeadlessBackend& d) {
        Press(d, third, kCopyPastePasteButton);
        Press(d, third, kEditPanelOkButton);
    });
    third.DoModal();
    EXPECT_TRUE(Shown("Paste Data is too long."));
}

TEST_F(EditPanelsTest, ComposeGivesItsNoticeAndWaitsForNoDelay) {
    OpenTune({{0, "C"}, {384, "G"}}, {{1, 0, 60, 96}, {1, 384, 62, 96}, {10, 5, 60, 10}},
             {kEditMelodyDelayChannel});
    const EditObject* before = CurrentEditObject();
    EditMelody melody(nullptr, 0, 7);
    backend_->Then([&](HeadlessBackend& d) {
        Press(d, melody, kEditMelodyComposeButton);  // refused: the melody is delayed
        Press(d, melody, kEditPanelOkButton);
    });
    melody.DoModal();
    EXPECT_TRUE(Shown("All part of the same melody will be composed again."));
    EXPECT_TRUE(Shown("Can not edit if delay is set!"));
    EXPECT_EQ(CurrentEditObject(), before);
    EXPECT_EQ(melody.FirstStep(), -1);  // the selection was cleared
}

}  // namespace
