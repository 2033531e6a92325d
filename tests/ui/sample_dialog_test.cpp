// The driver plays a user through the sample skinned dialog: press a toggle,
// answer the box a toggle opens inside the dialog, press OK.
#include <gtest/gtest.h>

#include "tests/support/test_support.h"
#include "tests/ui/sample_dialog.h"
#include "tests/ui/ui_fixture.h"

using namespace platform::ui;

namespace {

using SampleDialogTest = UiTest;

bool HasText(const std::vector<CanvasOp>& ops, const std::string& text, Rgb colour) {
    for (const CanvasOp& op : ops) {
        if (op.kind == CanvasOp::Kind::Text && op.text == text && op.colour == colour) return true;
    }
    return false;
}

TEST_F(SampleDialogTest, ToggleNestedBoxAndOk) {
    UseUiBoxes();
    SkinStore skin;
    sample::SampleDialog dialog(skin);
    HeadlessBackend& d = Driver();
    Image shown;
    std::vector<CanvasOp> ops;
    d.Then([&](HeadlessBackend& drv) {
        // Esc and the close box only beep.
        drv.Key(Key::Esc);
        drv.Close();
        Point p = dialog.Centre(1);
        drv.Click(p.x, p.y);
    });
    d.Then([&](HeadlessBackend& drv) {
        // The reset toggle asks first; the box is cancelled, nothing resets.
        testing_support::Sink().QueueAnswer(platform::kIdCancel);
        Point p = dialog.Centre(4);
        drv.Click(p.x, p.y);
        shown = drv.Snapshot(*drv.TopWindow());
        ops = drv.Ops(*drv.TopWindow());
    });
    d.Then([&](HeadlessBackend& drv) {
        // A click exactly on the OK button's right and bottom edge hits it.
        drv.Click(343, 138);
    });
    EXPECT_EQ(dialog.Run(), platform::kIdOk);
    EXPECT_EQ(d.PendingSteps(), 0u);
    EXPECT_EQ(d.ModalStarvations(), 0);
    EXPECT_EQ(d.Beeps(), 2);
    EXPECT_EQ(testing_support::Sink().Texts(), std::vector<std::string>{"Reset the timer?"});
    EXPECT_EQ(dialog.Resets(), 0);
    EXPECT_EQ(dialog.Button(1).state, 1);
    EXPECT_EQ(dialog.Button(2).state, 1);

    // What the dialog showed before OK: the pressed faces of the selected
    // toggles, the normal one of the others, the black strip, and captions
    // in both colour pairs, the Japanese one selected now.
    ASSERT_EQ(shown.Extent(), (Size{346, 144}));
    const Image& background = skin.Get(SkinId::SmallBackground);
    EXPECT_EQ(shown.Pixel(30, 20), background.Pixel(30, 20));
    EXPECT_EQ(shown.Pixel(200, 20), (Rgb{0, 0, 0}));
    EXPECT_EQ(shown.Pixel(17, 40), skin.Get(SkinId::Toggle1Pressed).Pixel(5, 5));
    EXPECT_EQ(shown.Pixel(166, 41), skin.Get(SkinId::Toggle2Pressed).Pixel(5, 5));
    EXPECT_EQ(shown.Pixel(15, 90), skin.Get(SkinId::Toggle3).Pixel(5, 5));
    EXPECT_EQ(shown.Pixel(320, 130), skin.Get(SkinId::Column).Pixel(18, 34));
    EXPECT_TRUE(HasText(ops, "停止中", sample::kFaceSelected));
    EXPECT_TRUE(HasText(ops, "停止中", sample::kShadowSelected));
    EXPECT_TRUE(HasText(ops, "Off", sample::kFaceNormal));
    EXPECT_TRUE(HasText(ops, "Off", sample::kShadowNormal));
}

TEST_F(SampleDialogTest, ConfirmedResetClearsTheToggles) {
    UseUiBoxes();
    SkinStore skin;
    sample::SampleDialog dialog(skin);
    HeadlessBackend& d = Driver();
    d.Then([&](HeadlessBackend& drv) {
        Point p = dialog.Centre(4);
        drv.Click(p.x, p.y);  // no answer queued: the recording sink says OK
    });
    d.Then([&](HeadlessBackend& drv) { drv.Click(dialog.Centre(0).x, dialog.Centre(0).y); });
    EXPECT_EQ(dialog.Run(), platform::kIdOk);
    EXPECT_EQ(dialog.Resets(), 1);
    EXPECT_EQ(dialog.Button(2).state, 0);
}

}  // namespace
