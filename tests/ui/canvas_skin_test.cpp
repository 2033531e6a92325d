// The recording raster canvas, PNG files, and the skin: every image at its
// size, our own art put in only when it fits, and the dump of them all.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "platform/ui/raster_canvas.h"
#include "platform/ui/skin.h"
#include "tests/support/test_support.h"

using namespace platform::ui;

namespace {

int CountColour(const Image& image, Rgb colour) {
    int n = 0;
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x)
            n += image.Pixel(x, y) == colour;
    }
    return n;
}

TEST(RasterCanvas, FillsFramesAndInversionsCoverExactlyTheirPixels) {
    RasterCanvas canvas(400, 210);
    const Rgb black{0, 0, 0};
    const Rgb green{0, 127, 0};
    canvas.FillRect(Rect{0, 0, 400, 210}, Rgb{255, 255, 255});
    canvas.FillRect(Rect{100, 74, 370, 145}, black);
    EXPECT_EQ(CountColour(canvas.Raster(), black), 270 * 71);
    EXPECT_EQ(canvas.Raster().Pixel(369, 144), black);
    EXPECT_EQ(canvas.Raster().Pixel(370, 144), (Rgb{255, 255, 255}));
    // Progress dots: squares 5 px wide, 10 px apart.
    for (int i = 0; i < 21; ++i)
        canvas.FillRect(Rect{110 + 10 * i, 135, 115 + 10 * i, 140}, green);
    EXPECT_EQ(CountColour(canvas.Raster(), green), 21 * 25);
    canvas.FrameRect(Rect{10, 10, 20, 30}, green);
    EXPECT_EQ(CountColour(canvas.Raster(), green), 21 * 25 + 2 * 10 + 2 * 18);
    // Inverting twice restores; once turns black white.
    Image before = canvas.Raster();
    canvas.InvertRect(Rect{90, 60, 380, 150});
    EXPECT_EQ(canvas.Raster().Pixel(100, 74), (Rgb{255, 255, 255}));
    canvas.InvertRect(Rect{90, 60, 380, 150});
    EXPECT_EQ(canvas.Raster(), before);
    // Drawing off the edges is cut, not a fault.
    canvas.FillRect(Rect{-50, -50, 5, 5}, green);
    canvas.InvertRect(Rect{395, 205, 900, 900});
    EXPECT_EQ(canvas.Ops().size(), 2u + 21 + 1 + 2 + 2);
}

TEST(RasterCanvas, EllipsesAreSymmetricWithTheirArea) {
    RasterCanvas canvas(120, 80);
    const Rgb red{255, 0, 0};
    canvas.Ellipse(Rect{10, 10, 110, 70}, red, true);
    const Image& r = canvas.Raster();
    int area = CountColour(r, red);
    EXPECT_NEAR(area, M_PI * 50 * 30, M_PI * 50 * 30 * 0.03);
    for (int y = 10; y < 70; ++y) {
        for (int x = 10; x < 110; ++x) {
            ASSERT_EQ(r.Pixel(x, y), r.Pixel(119 - x, y));
            ASSERT_EQ(r.Pixel(x, y), r.Pixel(x, 79 - y));
        }
    }
    RasterCanvas outline(120, 80);
    outline.Ellipse(Rect{10, 10, 110, 70}, red, false);
    int ring = CountColour(outline.Raster(), red);
    EXPECT_GT(ring, 200);
    EXPECT_LT(ring, 400);
    EXPECT_EQ(outline.Raster().Pixel(60, 40), (Rgb{0, 0, 0}));  // hollow
}

TEST(RasterCanvas, BlitsAreCutToTheDestinationAndTextIsRecorded) {
    Image face(50, 40);
    face.Fill(Rect{0, 0, 50, 40}, Rgb{1, 2, 3});
    face.SetPixel(0, 0, Rgb{9, 9, 9});
    RasterCanvas canvas(100, 100);
    canvas.Blit(face, Rect{10, 20, 40, 80});  // the control is narrower than the image
    EXPECT_EQ(canvas.Raster().Pixel(10, 20), (Rgb{9, 9, 9}));
    EXPECT_EQ(CountColour(canvas.Raster(), Rgb{1, 2, 3}), 30 * 40 - 1);
    canvas.SetFont(StatusFont());
    canvas.SetTextColour(Rgb{255, 255, 200});
    canvas.SetTextBackground(true, Rgb{0, 0, 0});
    canvas.DrawText("Compose Mode\nNow composing\n", Rect{100, 74, 370, 145},
                    TextLayout::CentredLines);
    canvas.DrawTextAt("Setting", Point{44, 71});
    ASSERT_EQ(canvas.Texts(),
              (std::vector<std::string>{"Compose Mode\nNow composing\n", "Setting"}));
    const CanvasOp& status = canvas.Ops()[1];
    EXPECT_EQ(status.font, (Font{12, 6}));
    EXPECT_TRUE(status.opaque);
    EXPECT_EQ(canvas.Ops()[2].layout, TextLayout::TopCentred);
    EXPECT_EQ(canvas.Ops()[2].rect.left, 44);
    EXPECT_EQ(LabelFont().height, 11);
    EXPECT_EQ(CaptionFont(false).height, 13);
    EXPECT_EQ(CaptionFont(false, 19).height, 12);
    EXPECT_EQ(CaptionFont(true).height, 20);
}

TEST(Png, RoundTripsAndRefusesWhatIsNotOne) {
    std::string dir = testing_support::ScratchDir();
    Image image(7, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 7; ++x)
            image.SetPixel(x, y, MakeRgb(x * 30, y * 80, x * y));
    }
    ASSERT_TRUE(WritePng(image, dir + "/a.png"));
    EXPECT_EQ(ReadPng(dir + "/a.png"), image);
    testing_support::WriteFileText(dir + "/b.png", "\x89PNG\r\n\x1a\nnot really");
    EXPECT_TRUE(ReadPng(dir + "/b.png").Empty());
    EXPECT_TRUE(ReadPng(dir + "/missing.png").Empty());
    EXPECT_FALSE(WritePng(image, dir + "/no/such/folder/c.png"));
}

TEST(Skin, DumpCoversEveryIdAtItsSize) {
    SkinStore store;
    std::string dir = testing_support::ScratchDir() + "/dump";
    EXPECT_EQ(DumpSkins(store, dir), kSkinCount);
    std::set<std::string> names;
    for (const SkinInfo& info : AllSkins()) {
        EXPECT_TRUE(names.insert(info.name).second) << info.name;
        Image back = ReadPng(dir + "/" + info.name + ".png");
        EXPECT_EQ(back.Width(), info.width) << info.name;
        EXPECT_EQ(back.Height(), info.height) << info.name;
        EXPECT_EQ(back, store.Get(info.id)) << info.name;
    }
    // The sizes the layouts fix.
    EXPECT_EQ(store.Get(SkinId::PanelBackground).Extent(), (Size{400, 210}));
    EXPECT_EQ(store.Get(SkinId::SmallBackground).Extent(), (Size{346, 144}));
    EXPECT_EQ(store.Get(SkinId::MediumBackground).Extent(), (Size{346, 288}));
    EXPECT_EQ(store.Get(SkinId::LargeBackground).Extent(), (Size{644, 464}));
    EXPECT_EQ(store.Get(SkinId::Ok).Extent(), (Size{145, 37}));
    EXPECT_EQ(store.Get(SkinId::Column).Extent(), (Size{41, 42}));
    EXPECT_EQ(store.Get(SkinId::PanelNext).Extent(), (Size{386 - 301 + 1, 198 - 167}));
}

TEST(Skin, PressedFacesDifferAndArtReplacesOnlyWhenItFits) {
    SkinStore store;
    for (const SkinInfo& info : AllSkins()) {
        std::string name = info.name;
        if (name.size() > 8 && name.substr(name.size() - 8) == "_pressed") {
            SkinId normal = static_cast<SkinId>(static_cast<int>(info.id) - 1);
            EXPECT_NE(store.Get(info.id), store.Get(normal)) << name;
            EXPECT_EQ(store.Get(info.id).Extent(), store.Get(normal).Extent()) << name;
        }
    }
    std::string dir = testing_support::ScratchDir();
    Image ok(145, 37);
    ok.Fill(Rect{0, 0, 145, 37}, Rgb{1, 2, 3});
    ASSERT_TRUE(WritePng(ok, dir + "/ok.png"));
    ASSERT_TRUE(WritePng(Image(140, 37), dir + "/ok_pressed.png"));
    testing_support::WriteFileText(dir + "/column.png", "junk");
    std::vector<std::string> refused = store.LoadArt(dir);
    EXPECT_EQ(refused, (std::vector<std::string>{"ok_pressed.png", "column.png"}));
    EXPECT_EQ(store.Get(SkinId::Ok), ok);
    EXPECT_EQ(store.Get(SkinId::OkPressed), SkinFactory::Make(SkinId::OkPressed));
    EXPECT_EQ(store.Get(SkinId::Column), SkinFactory::Make(SkinId::Column));
}

}  // namespace
