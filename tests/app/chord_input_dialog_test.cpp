// "Chord Input" driven as a user would, in both modes: the bar check of OK,
// drags both ways, the scroll bar, Edit answered through "Chord Edit", Del,
// and OK saving the edited tune.
#include "app/chord_input_dialog.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/chord_edit_dialog.h"
#include "compose/chord_buffer.h"
#include "compose/compose_info.h"
#include "compose/composer_state.h"
#include "core/shell_services.h"
#include "midi/f1_data.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "tests/app/chord_grid_driver.h"
#include "tests/support/test_support.h"
#include "tuneedit/chord_lists.h"
#include "tuneedit/edit_object.h"

using namespace platform::ui;

namespace {

using namespace chord_grid;

class ChordInputDialogTest : public ChordGridTest {};

TEST_F(ChordInputDialogTest, StyleChordsNeedSixteenToNinetyFiveBars) {
    for (int bars : {15, 16, 95, 96}) {
        FillStyleBars(bars);
        EdCdCust dialog(nullptr, 1);
        int refusals = -1;
        backend_->Then([&](HeadlessBackend& d) {
            const Point ok = ButtonCentre(dialog, kChordInputOkButton);
            d.Click(ok.x, ok.y);
            refusals = static_cast<int>(testing_support::Sink().Count());
        });
        testing_support::Sink().Clear();
        dialog.OnInitDialog();
        if (bars == 15 || bars == 96) {
            // Refused: the dialog stays; fix the length and leave.
            backend_->Then([&](HeadlessBackend& d) {
                FillStyleBars(16);
                LoadChordBufferFromStyle();
                const Point ok = ButtonCentre(dialog, kChordInputOkButton);
                d.Click(ok.x, ok.y);
            });
        }
        EXPECT_EQ(dialog.DoModal(), platform::kIdOk) << bars;
        EXPECT_EQ(refusals, bars == 15 || bars == 96 ? 1 : 0) << bars;
    }
}

TEST_F(ChordInputDialogTest, ScrollAndDragsAreOrdered) {
    FillStyleBars(20);
    EdCdCust dialog(nullptr, 1);
    backend_->Then([&](HeadlessBackend& d) {
        Window& w = dialog.GetWindow();
        Drag(dialog, w, 9, 2);  // right to left, widened to whole chords
        EXPECT_EQ(dialog.Selection().start, 0);
        EXPECT_EQ(dialog.Selection().end, 11);
        d.Scroll(kChordInputScrollBar, 1);
        EXPECT_EQ(dialog.ScrollRow(), 1);
        const Point ok = ButtonCentre(dialog, kChordInputOkButton);
        d.Click(ok.x, ok.y);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_EQ(ChordGridScrollMaximum(ChordStepCount), 2);  // 80 steps
}

TEST_F(ChordInputDialogTest, EditedTuneEditAndSave) {
    MidiF1Data song(96);
    MidiF1TrackData* head = song.AddEmptyTrack();
    head->SetNoteMode(note_mode::kLength);
    head->AppendMarker(0, "C");
    head->AppendEndOfTrack();
    MidiF1TrackData* melody = song.AddEmptyTrack();
    melody->SetNoteMode(note_mode::kLength);
    for (int i = 0; i < 16; ++i)
        melody->AddNote(1, i ? 96 : 0, 64, 100, 90);
    melody->AppendEndOfTrack();
    const std::string path = testing_support::ScratchDir() + "/edit_temp.mid";
    ASSERT_EQ(song.SaveFile(path), 1);
    OpenCurrentEditObject(path);

    EdCdCust dialog(nullptr, 2);
    backend_->Then([&](HeadlessBackend& d) {
        Drag(dialog, dialog.GetWindow(), 7, 4);
        EXPECT_EQ(dialog.Selection().start, 4);
        EXPECT_EQ(dialog.Selection().end, 7);
        const Point edit = ButtonCentre(dialog, 4);
        d.Click(edit.x, edit.y);
    });
    backend_->Then([](HeadlessBackend& d) {  // "Chord Edit": D, m7
        d.Select(kChordEditRootCombo, 2);
        d.Select(kChordEditKindCombo, 2);
        d.Click(322, 117);
    });
    backend_->Then([&](HeadlessBackend& d) {
        const Point ok = ButtonCentre(dialog, kChordInputOkButton);
        d.Click(ok.x, ok.y);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EditObject saved(path);
    ASSERT_EQ(saved.Tune().SectionCount(), 3);
    EXPECT_EQ(saved.Tune().SectionCode(0), "CMPd");
    EXPECT_EQ(saved.Tune().SectionCode(1), "DmPs");
    EXPECT_EQ(saved.Tune().SectionCode(2), "CMPd");
    EXPECT_EQ(saved.Tune().SectionStart(1), 384);
    // Only the middle section's notes moved: E, the third of C, to F.
    std::vector<int> keys;
    for (const MidiEvent* e : saved.Tune().Track(saved.Tune().FindTrackByChannel(1))->Events())
        if (e->IsNoteWithLength()) keys.push_back(e->note);
    std::vector<int> expected(16, 64);
    std::fill(expected.begin() + 4, expected.begin() + 8, 65);
    EXPECT_EQ(keys, expected);
}

}  // namespace
