// "Mixer", "Display Track" and "Display Item" driven as a user: a knob
// dragged and a value typed, too many boxes refused, every drag over every
// knob touching at most its own style byte, and the face it paints.
#include "app/styleedit/volume_mixer_dialog.h"

#include <cmath>
#include <cstring>
#include <random>

#include "app/note_range_dialog.h"
#include "app/styleedit/volume_display_dialog.h"
#include "platform/ui/raster_canvas.h"
#include "tests/app/style_hub_fixture.h"
#include "tests/styleedit/mixer_cells.h"

using namespace platform::ui;
using namespace style_hub;

namespace {

using mixer_cells::CellOffset;

Point Centre(const MixerKnob& k) {
    return Point{(k.x1 + k.x2) / 2, (k.y1 + k.y2) / 2};
}

// Random lists as the two display dialogs could leave them.
void RandomLists(std::mt19937& random) {
    std::array<bool, 8> tracks{};
    do {
        for (bool& t : tracks)
            t = random() % 2 == 0;
    } while (!StoreDisplayTracks(tracks));
    std::array<bool, 11> items{};
    do {
        for (bool& t : items)
            t = random() % 3 != 0;
    } while (!StoreDisplayItems(items));
    // The refusals on the way are no part of what is checked.
    testing_support::Sink().Clear();
}

void RandomStyle(std::mt19937& random) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(&WorkingStyle);
    for (std::size_t i = 0; i < sizeof(MusicStyle); ++i)
        bytes[i] = static_cast<std::uint8_t>(random() % 128);
}

class VolumeMixerTest : public StyleHubTest {};

// The Melody volume knob dragged straight up reads 67; 127 typed into its
// value field turns it to its right end; "Track" with seven boxes ticked
// refuses and stays open, with one unticked takes them.
TEST_F(VolumeMixerTest, DragTypeAndChooseTracks) {
    WorkingStyle.mix[kPartMelody].volume = 10;
    VolumeMixer mixer;
    B().Then([&](HeadlessBackend& b) {
        Window& w = *b.TopWindow();
        EXPECT_EQ(w.Title(), "Mixer");
        EXPECT_EQ(mixer.Knobs()[0].angle, 2 * 10 - 135);
        const Point c = Centre(mixer.Knobs()[0]);
        mixer.OnLeftDown(w, c);
        EXPECT_EQ(mixer.GrabbedKnob(), 0);
        EXPECT_TRUE(w.HasCapture());
        mixer.OnMouseMove(w, Point{c.x, c.y - 30});
        mixer.OnLeftUp(w, Point{c.x, c.y - 30});
        EXPECT_FALSE(w.HasCapture());
        EXPECT_EQ(WorkingStyle.mix[kPartMelody].volume, 67);
        EXPECT_EQ(mixer.Knobs()[0].angle, 0);
        b.Then([](HeadlessBackend& c2) {
            EXPECT_EQ(TopTitle(c2), "Value Setting");
            EXPECT_EQ(c2.TopWindow()->FindControl(kNoteLowEdit)->Text(), "67");
            c2.Type(kNoteLowEdit, "127");
            c2.Key(Key::Enter);
        });
        b.Click(c.x + 50, c.y);
        EXPECT_EQ(WorkingStyle.mix[kPartMelody].volume, 127);
        EXPECT_EQ(mixer.Knobs()[0].angle, 119);

        b.Then([](HeadlessBackend& d) {
            EXPECT_EQ(TopTitle(d), "Display Track");
            Window* t = d.TopWindow();
            for (int id : kTrackBoxIds)
                if (t->FindControl(id)->Value() == 0) t->FindControl(id)->UserClick();
            t->FindControl(kTrackBoxIds[7])->UserClick();
            PressSmallOk(d);
            EXPECT_EQ(BoxesWith("Too many tracks are selected!"), 1);
            EXPECT_EQ(d.TopWindow(), t);
            t->FindControl(kTrackBoxIds[3])->UserClick();
            PressSmallOk(d);
        });
        Press(b, mixer, kMixerTrackButton);
        EXPECT_EQ(MixerDisplayTracks, (std::array<int, 6>{0, 1, 2, 4, 5, 6}));
        // Angles follow the bytes of the new columns.
        EXPECT_EQ(mixer.Knobs()[3].angle, 2 * WorkingStyle.mix[kPartBass].volume - 135);
        Press(b, mixer, kMixerOk);
    });
    EXPECT_EQ(mixer.DoModal(), platform::kIdOk);
    EXPECT_EQ(testing_support::Sink().Count(), 1u);
}

// "Display Item" opens on the rows shown, refuses nine and keeps its
// rows; no track ticked is six empty columns reading "---" and 000.
TEST_F(VolumeMixerTest, DisplayDialogsAndEmptyColumns) {
    MixerDisplayItems = {0, 1, 2, 3, 4, 5, 6, 7};
    VolumeItem items;
    B().Then([](HeadlessBackend& b) {
        Window* w = b.TopWindow();
        EXPECT_EQ(w->Title(), "Display Item");
        EXPECT_EQ(w->ClientSize(), (Size{346, 288}));
        EXPECT_EQ(w->FindControl(kItemBoxIds[10])->Bounds().top, 240);
        for (int code = 0; code < 11; ++code)
            EXPECT_EQ(w->FindControl(kItemBoxIds[code])->Value(), code < 8 ? 1 : 0);
        w->FindControl(kItemBoxIds[9])->UserClick();
        PressSmallOk(b);
        EXPECT_EQ(BoxesWith("Too many items are selected!"), 1);
        w->FindControl(kItemBoxIds[0])->UserClick();
        PressSmallOk(b);
    });
    items.DoModal();
    EXPECT_EQ(MixerDisplayItems, (std::array<int, 8>{1, 2, 3, 4, 5, 6, 7, 9}));

    MixerDisplayTracks = {0, 1, -1, -1, -1, -1};
    VolumeSelection tracks;
    B().Then([](HeadlessBackend& b) {
        b.TopWindow()->FindControl(kTrackBoxIds[0])->UserClick();
        b.TopWindow()->FindControl(kTrackBoxIds[1])->UserClick();
        PressSmallOk(b);
    });
    tracks.DoModal();
    EXPECT_EQ(MixerDisplayTracks, (std::array<int, 6>{-1, -1, -1, -1, -1, -1}));
    VolumeMixer mixer;
    mixer.OnInitDialog();
    MixerDisplayTracks.fill(-1);
    RasterCanvas canvas(644, 464);
    mixer.DrawMixerFace(canvas);
    const std::vector<std::string> texts = canvas.Texts();
    ASSERT_EQ(texts.size(), 6u + 48u + 48u);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(texts[static_cast<std::size_t>(i)], "---");
    for (int i = 0; i < 48; ++i)
        EXPECT_EQ(texts[static_cast<std::size_t>(54 + i)], "000");
}

// For seeded random lists: 6 track labels, 48 row labels and 48 three-digit
// values that match the bytes behind them, and one dot per knob.
TEST_F(VolumeMixerTest, FacePaintsEveryCell) {
    std::mt19937 random(7);
    VolumeMixer mixer;
    mixer.OnInitDialog();
    for (int round = 0; round < 20; ++round) {
        RandomStyle(random);
        RandomLists(random);
        RasterCanvas canvas(644, 464);
        mixer.DrawMixerFace(canvas);
        const std::vector<std::string> texts = canvas.Texts();
        ASSERT_EQ(texts.size(), 6u + 48u + 48u);
        for (int c = 0; c < 6; ++c)
            EXPECT_EQ(texts[static_cast<std::size_t>(c)],
                      MixerTrackLabel(MixerDisplayTracks[static_cast<std::size_t>(c)]));
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&WorkingStyle);
        for (int i = 0; i < 48; ++i) {
            EXPECT_EQ(texts[static_cast<std::size_t>(6 + i)],
                      MixerItemLabel(MixerDisplayItems[static_cast<std::size_t>(i / 6)]));
            const long offset = CellOffset(i / 6, i % 6);
            char expected[8];
            std::snprintf(expected, sizeof expected, "%03d", offset < 0 ? 0 : bytes[offset]);
            EXPECT_EQ(texts[static_cast<std::size_t>(54 + i)], expected);
        }
        int dots = 0;
        for (const CanvasOp& op : canvas.Ops())
            dots += op.kind == CanvasOp::Kind::Ellipse && op.filled ? 1 : 0;
        EXPECT_EQ(dots, 48);
    }
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}

}  // namespace
