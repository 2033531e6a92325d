// "Melody Table" driven as a user: thumbs dropped, arrows and the track
// clicked, boxes ticked, a look-back picked; what reaches WorkingStyle and
// when; and open-and-OK over random tables changing no byte.
#include "app/styleedit/melody_table_dialog.h"

#include <algorithm>
#include <random>

#include "app/device_selection_dialog.h"
#include "app/styleedit/melody_definition_dialog.h"
#include "app/styleedit/option_selection_dialog.h"
#include "styleedit/melody_structure.h"
#include "tests/app/style_hub_fixture.h"

using namespace platform::ui;
using namespace style_hub;

namespace {

Point Middle(const Control& c) {
    return Point{(c.Bounds().left + c.Bounds().right) / 2,
                 (c.Bounds().top + c.Bounds().bottom) / 2};
}

void ClickControl(HeadlessBackend& b, int id) {
    const Control* c = b.TopWindow()->FindControl(id);
    ASSERT_NE(c, nullptr) << id;
    const Point p = Middle(*c);
    b.Click(p.x, p.y);
}

void RandomTable(std::mt19937& random, MusicStyle& style) {
    for (int c = 0; c < kMelodyTableClasses; ++c) {
        style.melodyTableInterval[c] = static_cast<int>(random() % 101);
        style.melodyTableDirection[c] = static_cast<int>(random() % 101) - 50;
    }
    for (const MelodyTableFlag& flag : kMelodyTableFlags)
        style.*flag.field = static_cast<int>(random() % 2);
    style.melodyTableStrictness = static_cast<int>(random() % 3);
}

// Picks the entry of a combo by its text, as the user reads it.
void SelectText(HeadlessBackend& b, int id, const std::string& text) {
    const std::vector<ListItem>& items = b.TopWindow()->FindControl(id)->Items();
    const auto at = std::find_if(items.begin(), items.end(),
                                 [&](const ListItem& item) { return item.text == text; });
    ASSERT_NE(at, items.end()) << text;
    b.Select(id, static_cast<int>(at - items.begin()));
}

class MelodyTableDialogTest : public StyleHubTest {};

// The face: 16 bars over their ranges at the style's positions, the boxes
// at their rows with the style's switches, the look-back combo at its place
// with the three texts; Esc only beeps.
TEST_F(MelodyTableDialogTest, OpensOnTheStylesTable) {
    std::mt19937 random(7);
    RandomTable(random, WorkingStyle);
    ZaMelodyTable table;
    B().Then([&](HeadlessBackend& b) {
        Window& w = *b.TopWindow();
        EXPECT_EQ(w.Title(), "Melody Table");
        EXPECT_EQ(w.ClientSize(), (Size{644, 464}));
        for (int c = 0; c < kMelodyTableClasses; ++c) {
            const Control& p = *w.FindControl(kMelodyTableProbabilityBar + c);
            const Control& d = *w.FindControl(kMelodyTableDirectionBar + c);
            EXPECT_EQ(std::make_pair(p.RangeLow(), p.RangeHigh()), std::make_pair(0, 100));
            EXPECT_EQ(std::make_pair(d.RangeLow(), d.RangeHigh()), std::make_pair(-50, 50));
            EXPECT_EQ(p.Value(), WorkingStyle.melodyTableInterval[c]);
            EXPECT_EQ(d.Value(), WorkingStyle.melodyTableDirection[c]);
        }
        const int rows[] = {70, 110, 150, 190};
        for (int f = 0; f < kMelodyTableFlagCount; ++f) {
            const Control& box = *w.FindControl(kMelodyTableFlagCheck + f);
            EXPECT_EQ(box.Bounds().top, rows[f]);
            EXPECT_EQ(box.Value(), WorkingStyle.*kMelodyTableFlags[f].field);
        }
        const Control& combo = *w.FindControl(kMelodyTableLookBackCombo);
        EXPECT_EQ(std::make_pair(combo.Bounds().left, combo.Bounds().top), std::make_pair(340, 230));
        ASSERT_EQ(combo.Items().size(), 3u);
        EXPECT_EQ(combo.Items()[2].text, "3つ前の音まで参照");
        EXPECT_EQ(combo.Selection(), WorkingStyle.melodyTableStrictness);
        b.Key(Key::Esc);
        EXPECT_EQ(b.Beeps(), 1);
        EXPECT_EQ(b.TopWindow(), &w);
        Press(b, table, 0);
    });
    EXPECT_EQ(table.DoModal(), platform::kIdOk);
}

// A direction thumb dropped at the top stores -50; arrows and the track
// put their bars back; a switch of 2 opens unticked and is stored as 0; a
// look-back of 5 is mended at opening and is all that reaches the style
// before OK.
TEST_F(MelodyTableDialogTest, OnlyDroppedThumbsMoveBarsAndOkStoresTheRest) {
    WorkingStyle.melodyTableStrictness = 5;
    WorkingStyle.mtAdjustL = 2;
    WorkingStyle.mtNoCnt = 0;
    WorkingStyle.melodyTableDirection[2] = 10;
    WorkingStyle.melodyTableInterval[5] = 60;
    WorkingStyle.melodyTableInterval[0] = 30;
    MusicStyle opened = WorkingStyle;
    opened.melodyTableStrictness = 0;
    ZaMelodyTable table;
    B().Then([&](HeadlessBackend& b) {
        EXPECT_TRUE(SameStyle(WorkingStyle, opened));
        EXPECT_EQ(b.TopWindow()->FindControl(kMelodyTableLookBackCombo)->Selection(), 0);
        EXPECT_EQ(table.Flags()[1], 0);  // the 2 shows unticked
        b.DragThumb(kMelodyTableDirectionBar + 2, -999);
        EXPECT_EQ(table.DirectionAt(2), -50);
        b.PressArrow(kMelodyTableProbabilityBar + 5, 4);
        b.PressPage(kMelodyTableProbabilityBar + 5, -1);
        EXPECT_EQ(b.TopWindow()->FindControl(kMelodyTableProbabilityBar + 5)->Value(), 60);
        b.PressArrow(kMelodyTableDirectionBar + 2, 1);  // the drop holds against an arrow
        EXPECT_EQ(b.TopWindow()->FindControl(kMelodyTableDirectionBar + 2)->Value(), -50);
        b.DragThumb(kMelodyTableProbabilityBar + 0, 77);
        ClickControl(b, kMelodyTableFlagCheck + 2);  // "Don't continue disonant"
        ClickControl(b, kMelodyTableFlagCheck + 3);
        ClickControl(b, kMelodyTableFlagCheck + 3);  // twice: back as it was
        b.Select(kMelodyTableLookBackCombo, 2);
        EXPECT_TRUE(SameStyle(WorkingStyle, opened)) << "nothing stored before OK";
        Press(b, table, 0);
    });
    table.DoModal();
    MusicStyle expected = opened;
    expected.melodyTableDirection[2] = -50;
    expected.melodyTableInterval[0] = 77;
    expected.mtAdjustL = 0;
    expected.mtNoCnt = 1;
    expected.melodyTableStrictness = 2;
    EXPECT_TRUE(SameStyle(WorkingStyle, expected));
}

// Over random in-range tables, opening and leaving with OK (or Enter)
// changes no byte of the style.
TEST_F(MelodyTableDialogTest, OpenAndOkChangeNothing) {
    std::mt19937 random(121);
    for (int round = 0; round < 12; ++round) {
        RandomTable(random, WorkingStyle);
        const MusicStyle before = WorkingStyle;
        ZaMelodyTable table;
        B().Then([&](HeadlessBackend& b) {
            if (round % 2) {
                b.Key(Key::Enter);
            } else {
                Press(b, table, 0);
            }
        });
        table.DoModal();
        EXPECT_TRUE(SameStyle(WorkingStyle, before)) << "round " << round;
    }
}

// From the hub's "Melody", "Algorithm" answered "Melody Table"/"Repeat
// Weak" opens the table over the same style: a direction thumb dragged to
// the top, another bar's arrow clicked, "Don't continue disonant" toggled,
// the third look-back picked, OK. The table's fields and the algorithm are
// what changed.
TEST_F(MelodyTableDialogTest, OpenedFromTheMelodyStructuresAlgorithm) {
    WorkingStyle.melodyTableDirection[4] = 20;
    WorkingStyle.melodyTableInterval[6] = 45;
    WorkingStyle.mtNoCnt = 1;
    WorkingStyle.melodyTableStrictness = 0;
    MusicStyle before = WorkingStyle;
    OptionSelection hub;
    B().Then([&](HeadlessBackend& b) {
        b.Then([&](HeadlessBackend& e) {
            auto& editor = dynamic_cast<MelodyDifinition&>(*e.TopWindow()->Handler());
            before = WorkingStyle;  // as the editor's opening left it
            e.Then([](HeadlessBackend& c) {
                EXPECT_EQ(TopTitle(c), "Algorithm");
                SelectText(c, kDeviceFirstCombo, "Melody Table");
                SelectText(c, kDeviceSecondCombo, "Repeat Weak");
                c.Click(322, 117);
                c.Then([](HeadlessBackend& t) {
                    EXPECT_EQ(TopTitle(t), "Melody Table");
                    t.DragThumb(kMelodyTableDirectionBar + 4, -50);
                    t.PressArrow(kMelodyTableProbabilityBar + 6, 1);
                    ClickControl(t, kMelodyTableFlagCheck + 2);
                    t.Select(kMelodyTableLookBackCombo, 2);
                    auto& table = dynamic_cast<ZaMelodyTable&>(*t.TopWindow()->Handler());
                    Press(t, table, 0);
                });
            });
            Press(e, editor, kRowAlgorithm);
            EXPECT_EQ(TopTitle(e), "Melody Structure");
            Press(e, editor, kMelodyOk);
        });
        Press(b, hub, kHubMelody);
        Press(b, hub, kHubOk);
    });
    hub.DoModal();
    EXPECT_EQ(B().PendingSteps(), 0u);
    EXPECT_EQ(B().ModalStarvations(), 0);
    MusicStyle expected = before;
    expected.melody[kPartMelody].algorithm = kAlgorithmMelodyTable;
    expected.melody[kPartMelody].repeatMelody = 1;
    expected.melodyTableDirection[4] = -50;
    expected.mtNoCnt = 0;
    expected.melodyTableStrictness = 2;
    EXPECT_TRUE(SameStyle(WorkingStyle, expected));
    EXPECT_EQ(WorkingStyle.melodyTableInterval[6], 45);
}

}  // namespace
