// The small value dialogs driven as a user would: the note range and its
// refusal, the single value, the strength arrows, the voicing list and the
// two- and three-list dialogs; Esc only beeps in each.
#include <gtest/gtest.h>

#include "app/algo_strength_dialog.h"
#include "app/list_box_dialog.h"
#include "app/note_range_dialog.h"
#include "app/voicing_selection_dialog.h"
#include "core/settings.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "tests/support/test_support.h"

using namespace platform::ui;

namespace {

class ValueDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        testing_support::Sink().Clear();
    }
    void TearDown() override { InstallBackend(nullptr); }
    // Runs the user's step in the dialog; Esc first must only beep.
    void User(std::function<void(HeadlessBackend&, Window&)> step) {
        backend_->Then([step](HeadlessBackend& d) {
            const int beeps = d.Beeps();
            d.Key(Key::Esc);
            EXPECT_EQ(d.Beeps(), beeps + 1);
            step(d, *d.TopWindow());
        });
    }
    static void Ok(HeadlessBackend& d, int height = 144) { d.Click(322, height - 27); }

    std::shared_ptr<HeadlessBackend> backend_;
};

}  // namespace

TEST_F(ValueDialogsTest, NoteRangeRefusesLessThanSevenApart) {
    NoteRangeSelection dialog;
    dialog.highestNote = 72;
    dialog.lowestNote = 48;
    User([](HeadlessBackend& d, Window& w) {
        EXPECT_EQ(w.Title(), "Note Range");
        EXPECT_EQ(w.FindControl(kNoteLowEdit)->Bounds(), (Rect{120, 40, 220, 70}));
        d.Type(kNoteHighEdit, "60");
        d.Type(kNoteLowEdit, "54");
        Ok(d);
        EXPECT_TRUE(w.IsModal());
        ASSERT_EQ(testing_support::Sink().Count(), 1u);
        EXPECT_NE(testing_support::Sink().Texts()[0].find("Note Range Error!"), std::string::npos);
        d.Step(kNoteHighSpin, 1);
        Ok(d);
    });
    dialog.DoModal();
    EXPECT_EQ(dialog.highestNote, 61);
    EXPECT_EQ(dialog.lowestNote, 54);
}

TEST_F(ValueDialogsTest, NoteRangeHoldsTheArrowsRangesAndSingleValueHidesARow) {
    NoteRangeSelection range;
    range.highestNote = 127;
    range.lowestNote = 25;
    User([](HeadlessBackend& d, Window&) {
        d.Step(kNoteHighSpin, 1);
        d.Step(kNoteLowSpin, -1);
        d.Key(Key::Enter);
    });
    range.DoModal();
    EXPECT_EQ(range.highestNote, 127);
    EXPECT_EQ(range.lowestNote, 25);

    NoteRangeSelection single;
    single.singleValue = 1;
    single.value = 5;
    User([](HeadlessBackend& d, Window& w) {
        EXPECT_EQ(w.Title(), "Value Setting");
        EXPECT_FALSE(w.FindControl(kNoteHighEdit)->IsVisible());
        d.Type(kNoteLowEdit, "300");
        Ok(d);
    });
    single.DoModal();
    EXPECT_EQ(single.value, 127);
}

TEST_F(ValueDialogsTest, StrengthIsZeroOrOne) {
    AlgoStrengthDlg dialog;
    dialog.value = 0;
    User([](HeadlessBackend& d, Window&) {
        d.Step(kAlgoStrengthSpin, 1);
        d.Step(kAlgoStrengthSpin, 1);
        Ok(d);
    });
    dialog.DoModal();
    EXPECT_EQ(dialog.value, 1);
}

TEST_F(ValueDialogsTest, VoicingSelectsByValueAndKeepsItWithoutASelection) {
    const int table[] = {10, 20, 30};
    int value = 20;
    int check = 0;
    VoicingSelection dialog;
    dialog.title = "Voicing";
    dialog.checkCaption = "Open";
    dialog.value = &value;
    dialog.texts = {"ten", "twenty", "thirty"};
    dialog.table = table;
    dialog.checkState = &check;
    dialog.count = 3;
    User([](HeadlessBackend& d, Window& w) {
        EXPECT_EQ(w.FindControl(kVoicingCombo)->Selection(), 1);
        d.Select(kVoicingCombo, 2);
        d.Click(50, 40);  // the check box
        Ok(d);
    });
    dialog.DoModal();
    EXPECT_EQ(value, 30);
    EXPECT_EQ(check, 1);

    value = 99;  // in no entry: nothing selected, the value stays
    VoicingSelection none;
    none.value = &value;
    none.texts = {"ten", "twenty", "thirty"};
    none.table = table;
    none.checkState = &check;
    none.count = 3;
    User([](HeadlessBackend& d, Window& w) {
        EXPECT_EQ(w.FindControl(kVoicingCombo)->Selection(), -1);
        Ok(d);
    });
    none.DoModal();
    EXPECT_EQ(value, 99);
}

TEST_F(ValueDialogsTest, ListDialogsReadTheirSelectionsBack) {
    ThreeListbox three;
    three.title = "Three";
    three.okCaption = "Set";
    three.captions = {"A", "B", "C"};
    three.texts = {std::vector<std::string>{"a0", "a1"}, {"b0", "b1", "b2"}, {"c0"}};
    three.selections = {1, 9, 0};  // 9: outside, starts on the first
    User([&](HeadlessBackend& d, Window& w) {
        EXPECT_EQ(w.ClientSize(), (Size{346, 288}));
        EXPECT_EQ(three.Button(0).caption, "Set");
        EXPECT_EQ(w.FindControl(kListBoxFirstCombo)->Bounds().top, 85);
        EXPECT_EQ(w.FindControl(2065)->Selection(), 0);
        d.Select(2065, 2);
        Ok(d, 288);
    });
    three.DoModal();
    EXPECT_EQ(three.selections, (std::array<int, 3>{1, 2, 0}));

    TwoListbox two;
    two.texts = {std::vector<std::string>{"x", "y"}, {"p", "q"}, {}};
    User([](HeadlessBackend& d, Window& w) {
        EXPECT_EQ(w.FindControl(2065)->Bounds().top, 203);
        EXPECT_EQ(w.FindControl(2072), nullptr);
        d.Select(kListBoxFirstCombo, 1);
        d.Key(Key::Enter);
    });
    two.DoModal();
    EXPECT_EQ(two.selections[0], 1);
    EXPECT_EQ(two.selections[1], 0);
}
