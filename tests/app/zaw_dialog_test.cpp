// The skinned dialog base: inclusive hits with the highest index winning,
// press and release faces, Esc and the close box only beeping, the caption
// variants, and the display failure shown once.
#include "app/zaw_dialog.h"

#include <gtest/gtest.h>

#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "tests/support/test_support.h"

using namespace platform::ui;

namespace {

// A small dialog: OK in the column place and the four grid toggles, plus a
// fifth button overlapping toggle 1.
class GridDialog : public ZAWDialog {
public:
    GridDialog() {
        InitSkin(6);
        SetBackground(SkinImage(SkinId::SmallBackground), kSmallDialogWidth, kSmallDialogHeight);
        SetColumnSkinButton(Button(0), "OK", kSmallOkTop, AddButtonHolder());
        for (int t = 1; t <= 4; ++t)
            SetGridSkinButton(Button(t), t, std::string("T").append(std::to_string(t)),
                              AddButtonHolder());
        Button(5) = Button(1);
        Button(5).x1 = 100;
        Button(5).control = AddButtonHolder();
        Button(2).state = 1;
        PlaceSkinButtons(6, &Button(0));
        const int captions[] = {0, 1, 2};
        SetCaptionButtons(3, captions);
        PaintSkin();
    }
    void OnLeftUp(Window& window, Point) override {
        OnSkinButtonUp();
        ++ups;
        if (PressedIndex() == 0) window.EndModal(platform::kIdOk);
    }
    int ups = 0;
};

class ZawDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        ResetSkinBlitFailure();
        testing_support::Sink().Clear();
    }
    void TearDown() override { InstallBackend(nullptr); }
    std::shared_ptr<HeadlessBackend> backend_;
};

TEST_F(ZawDialogTest, HitsAreInclusiveAndTheHighestIndexWins) {
    GridDialog dialog;
    int index = 99;
    const SkinButton* b = &dialog.Button(0);
    // Every corner and edge of toggle 3 hits it; one pixel further misses.
    const SkinButton& t3 = dialog.Button(3);
    for (int x : {t3.x1, t3.x2}) {
        for (int y : {t3.y1, t3.y2}) {
            EXPECT_EQ(HitTestSkinButtons(x, y, &index, b, 6), t3.control);
            EXPECT_EQ(index, 3);
        }
    }
    EXPECT_EQ(HitTestSkinButtons(t3.x2 + 1, t3.y1, &index, b, 6), nullptr);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(HitTestSkinButtons(t3.x1, t3.y2 + 1, &index, b, 6), nullptr);
    // Button 5 lies over the right part of toggle 1: it wins there.
    HitTestSkinButtons(120, 50, &index, b, 6);
    EXPECT_EQ(index, 5);
    HitTestSkinButtons(99, 50, &index, b, 6);
    EXPECT_EQ(index, 1);
    // Only the painted count is tested.
    HitTestSkinButtons(120, 50, &index, b, 5);
    EXPECT_EQ(index, 1);
    // The column button of the small dialog: x 302..343, y 96..138.
    EXPECT_EQ(HitTestSkinButtons(343, 138, &index, b, 6), dialog.Button(0).control);
    EXPECT_EQ(dialog.Button(0).control->Bounds(), (Rect{302, 96, 343, 138}));
}

TEST_F(ZawDialogTest, PressSwapsTheFaceEscBeepsAndOnlyOkEnds) {
    GridDialog dialog;
    Window& window = dialog.GetWindow();
    window.Show();
    backend_->Pump();
    const SkinButton& t4 = dialog.Button(4);
    EXPECT_EQ(t4.control->ShownImage(), t4.normal);
    dialog.OnSkinButtonDown(t4.x2, t4.y2);
    EXPECT_EQ(t4.control->ShownImage(), t4.pressed);
    EXPECT_EQ(dialog.PressedIndex(), 4);
    dialog.OnSkinButtonUp();
    EXPECT_EQ(t4.control->ShownImage(), t4.normal);
    EXPECT_EQ(dialog.PressedIndex(), 4);  // still valid for the derived handler

    // A press and release on no button asks for no repaint at all.
    backend_->Pump();
    const std::size_t before = backend_->Invalidations(window).size();
    dialog.OnLeftDown(window, Point{5, 5});
    dialog.OnLeftUp(window, Point{5, 5});
    EXPECT_EQ(dialog.PressedIndex(), -1);
    EXPECT_EQ(backend_->Invalidations(window).size(), before);

    // Modal: Esc and the close box only beep; the OK button ends the run.
    const int beeps = backend_->Beeps();
    backend_->Then([](HeadlessBackend& d) { d.Key(Key::Esc); });
    backend_->Then([](HeadlessBackend& d) { d.Close(); });
    backend_->Then([&](HeadlessBackend& d) {
        EXPECT_TRUE(window.IsModal());
        d.Click(330, 110);
    });
    EXPECT_EQ(dialog.RunModal(), platform::kIdOk);
    EXPECT_EQ(backend_->Beeps(), beeps + 2);
}

TEST_F(ZawDialogTest, CaptionVariantsDrawTwoPassesAtTheirOffsets) {
    GridDialog dialog;
    Window& window = dialog.GetWindow();
    window.Show();
    auto texts = [&](const std::string& caption) {
        std::vector<CanvasOp> found;
        for (const CanvasOp& op : backend_->Ops(window)) {
            if (op.kind == CanvasOp::Kind::Text && op.text == caption) found.push_back(op);
        }
        return found;
    };
    // State captions: toggle 2 is selected, and every button but 0 has its
    // caption centred 346 / 80 = 4 pixels right, wrapped 4 pixels inside its
    // right edge; the shadow pass is one pixel off.
    dialog.SetCaptionStyle(CaptionStyle::State);
    window.Invalidate();
    auto t2 = texts("T2");
    ASSERT_EQ(t2.size(), 2u);
    EXPECT_EQ(t2[0].rect, (Rect{174, 37, 303, 78}));
    EXPECT_EQ(t2[0].colour, kSelectedCaption.shadow);
    EXPECT_EQ(t2[1].rect, (Rect{173, 36, 302, 77}));
    EXPECT_EQ(t2[1].layout, TextLayout::WrappedLines);
    EXPECT_EQ(t2[1].colour, kSelectedCaption.face);
    EXPECT_EQ(t2[1].font.height, 13);
    auto ok = texts("OK");
    ASSERT_EQ(ok.size(), 2u);
    EXPECT_EQ(ok[1].rect, (Rect{302, 96, 343, 138}));
    EXPECT_EQ(ok[1].colour, kNormalCaption.face);
    // Shadow 2 px right and down, cut at the far edges.
    dialog.SetCaptionStyle(CaptionStyle::Shadow2);
    window.Invalidate();
    t2 = texts("T2");
    ASSERT_EQ(t2.size(), 2u);
    EXPECT_EQ(t2[0].rect, (Rect{163, 38, 306, 77}));
    EXPECT_EQ(t2[0].colour, kNormalCaption.shadow);
    // One pixel down for the first n buttons.
    dialog.SetCaptionStyle(CaptionStyle::Shadow1);
    window.Invalidate();
    auto t1 = texts("T1");
    ASSERT_EQ(t1.size(), 2u);
    EXPECT_EQ(t1[0].rect, (Rect{12, 36, 157, 77}));
    EXPECT_TRUE(texts("T3").empty());
}

TEST_F(ZawDialogTest, DisplayFailureIsShownOncePerRunAndFontsFollowTheBaseUnit) {
    GridDialog dialog;
    Image none;
    EXPECT_FALSE(SkinBlit(none, dialog.Button(1).control));
    EXPECT_FALSE(SkinBlit(SkinImage(SkinId::Ok), nullptr));
    EXPECT_EQ(testing_support::Sink().Texts().size(), 1u);
    EXPECT_NE(testing_support::Sink().Texts()[0].find("Error occuered in Display Device!"),
              std::string::npos);
    RasterCanvas canvas(10, 10);
    EXPECT_EQ(SelectSkinFont(canvas, true).height, 20);
    EXPECT_EQ(SelectSkinFont(canvas, false, 18).height, 13);
    EXPECT_EQ(SelectSkinFont(canvas, false, 19).height, 12);
    Control& bar = dialog.GetWindow().AddControl(ControlKind::ImageHolder, Rect{});
    PlaceBarStatic(bar, 3);
    EXPECT_EQ(bar.Bounds(), (Rect{25, 163, 617, 182}));
    PlaceBarStatic(bar, 7);
    EXPECT_EQ(bar.Bounds(), (Rect{7, 7, 7, 7}));
}

}  // namespace
