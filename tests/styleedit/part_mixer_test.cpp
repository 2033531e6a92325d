#include "styleedit/part_mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "style/style_table.h"
#include "tests/styleedit/mixer_cells.h"
#include "tests/support/test_support.h"

namespace {

using mixer_cells::CellOffset;

MusicStyle AllPartsUsed() {
    MusicStyle style{};
    for (int part = 0; part < kStylePartSlots; ++part)
        style.voice[part] = 10;
    return style;
}

// The worked angles: up-right 45, left 270, straight above 0 and below
// 180 before the dead zone; the dead zone and the centre give none; the
// travel's ends and its top give 0, 126 and 67; 127 entered stands at 119.
TEST(PartMixer, KnobAnglesAndValues) {
    EXPECT_EQ(KnobAngleFromPoint(10, -10, 0, 0), 45);
    EXPECT_EQ(KnobAngleFromPoint(-10, 0, 0, 0), 270);
    EXPECT_EQ(KnobAngleFromPoint(0, -10, 0, 0), 0);
    EXPECT_EQ(RawKnobAngle(0, 10, 0, 0), 180);
    EXPECT_EQ(KnobAngleFromPoint(0, 10, 0, 0), kNoKnobAngle);
    EXPECT_EQ(KnobAngleFromPoint(5, 5, 5, 5), kNoKnobAngle);
    EXPECT_EQ(RawKnobAngle(5, 5, 5, 5), kNoKnobAngle);
    EXPECT_EQ(KnobValueFromAngle(226), 0);
    EXPECT_EQ(KnobValueFromAngle(118), 126);
    EXPECT_EQ(KnobValueFromAngle(0), 67);
    EXPECT_EQ(KnobAngleFromValue(127), 119);
    EXPECT_EQ(KnobAngleFromValue(0), -135);
    // Every point of a wide square: an angle in 0..359 outside 119..225,
    // or none; values stay in 0..126; raw angles agree where there is one.
    for (int dy = -40; dy <= 40; ++dy) {
        for (int dx = -40; dx <= 40; ++dx) {
            const int raw = RawKnobAngle(100 + dx, 100 + dy, 100, 100);
            const int a = KnobAngleFromPoint(100 + dx, 100 + dy, 100, 100);
            if (dx == 0 && dy == 0) {
                EXPECT_EQ(raw, kNoKnobAngle);
                continue;
            }
            ASSERT_TRUE(raw >= 0 && raw < 360);
            if (raw >= kKnobDeadFirst && raw <= kKnobDeadLast) {
                EXPECT_EQ(a, kNoKnobAngle);
            } else {
                ASSERT_EQ(a, raw);
                const int v = KnobValueFromAngle(a);
                ASSERT_TRUE(v >= 0 && v <= 126) << dx << "," << dy;
            }
            // Right of the centre the angle lies in 0..180, left in 180..360.
            EXPECT_TRUE(dx <= 0 || raw <= 180);
            EXPECT_TRUE(dx >= 0 || raw >= 180);
        }
    }
}

// Without Obbligato, Sub Harmony and Environment the columns are Melody,
// Harmony, Bass, Drum, Sub Drum and one empty; with every part in use the
// sixth column is Drum and neither Sub Drum nor Environment shows.
TEST(PartMixer, DefaultColumnsFollowThePartsInUse) {
    MusicStyle style = AllPartsUsed();
    style.voice[kPartObbligato] = kVoiceNotUsed;
    style.voice[kPartSubHarmony] = kVoiceNotUsed;
    style.voice[kPartEnvironment] = kVoiceNotUsed;
    ResetMixerDisplayTracks(style);
    EXPECT_EQ(MixerDisplayTracks, (std::array<int, 6>{0, 2, 4, 5, 6, -1}));
    ResetMixerDisplayTracks(AllPartsUsed());
    EXPECT_EQ(MixerDisplayTracks, (std::array<int, 6>{0, 1, 2, 3, 4, 5}));
    MusicStyle none{};
    for (int& v : none.voice)
        v = kVoiceNotUsed;
    ResetMixerDisplayTracks(none);
    EXPECT_EQ(MixerDisplayTracks, (std::array<int, 6>{0, -1, -1, -1, -1, -1}));
    none.voice[kPartEnvironment] = 5;
    ResetMixerDisplayTracks(none);
    EXPECT_EQ(MixerDisplayTracks, (std::array<int, 6>{0, 7, -1, -1, -1, -1}));
    MixerDisplayItems.fill(-1);
    ResetMixerDisplayItems();
    EXPECT_EQ(MixerDisplayItems, (std::array<int, 8>{0, 1, 2, 3, 4, 5, 6, 7}));
}

// A code outside the tables is reported once per build and its cell has
// no style byte; its label is "---".
TEST(PartMixer, UnknownCodesAreEmptyCells) {
    MusicStyle style{};
    MixerDisplayTracks = {0, 8, -1, -1, -1, -1};
    MixerDisplayItems = {0, 11, -1, -1, -1, -1, -1, -1};
    MixerValueTable table{};
    testing_support::Sink().Clear();
    BuildMixerValueTable(style, table);
    ASSERT_EQ(testing_support::Sink().Count(), 1u);
    EXPECT_NE(testing_support::Sink().Texts()[0].find("Error occured in mixer!"),
              std::string::npos);
    EXPECT_EQ(table[0], &style.mix[kPartMelody].volume);
    EXPECT_EQ(table[1], &MixerScratchValue);
    EXPECT_EQ(table[6], &MixerScratchValue);
    EXPECT_STREQ(MixerTrackLabel(8), "---");
    EXPECT_STREQ(MixerItemLabel(-1), "---");
}

// Ticked boxes fill the slots in code order, the rest empty; one too many
// refuses with its box and leaves the lists as they were.
TEST(PartMixer, DisplayListsCountBeforeStoring) {
    MixerDisplayTracks = {3, 1, -1, -1, -1, -1};
    std::array<bool, 8> tracks{};
    ASSERT_TRUE(StoreDisplayTracks(tracks));
    EXPECT_EQ(MixerDisplayTracks, (std::array<int, 6>{-1, -1, -1, -1, -1, -1}));
    tracks = {true, false, true, false, false, true, true, true};
    ASSERT_TRUE(StoreDisplayTracks(tracks));
    EXPECT_EQ(MixerDisplayTracks, (std::array<int, 6>{0, 2, 5, 6, 7, -1}));
    const auto tracksBefore = MixerDisplayTracks;
    tracks = {true, true, true, true, true, true, true, false};
    testing_support::Sink().Clear();
    EXPECT_FALSE(StoreDisplayTracks(tracks));
    EXPECT_EQ(MixerDisplayTracks, tracksBefore);
    ASSERT_EQ(testing_support::Sink().Count(), 1u);
    EXPECT_NE(testing_support::Sink().Texts()[0].find("Too many tracks"), std::string::npos);

    std::array<bool, 11> items{};
    items.fill(true);
    items[4] = items[7] = false;
    const auto itemsBefore = MixerDisplayItems;
    EXPECT_FALSE(StoreDisplayItems(items));
    EXPECT_EQ(MixerDisplayItems, itemsBefore);
    EXPECT_NE(testing_support::Sink().Texts()[1].find("Too many items"), std::string::npos);
    items[9] = false;
    ASSERT_TRUE(StoreDisplayItems(items));
    EXPECT_EQ(MixerDisplayItems, (std::array<int, 8>{0, 1, 2, 3, 5, 6, 8, 10}));
}

// Over random lists (empty cells and "pan" rows among them) and random
// styles: a drag of each knob to each point of two rings around it, and to
// its centre, changes at most the cell's own style byte (none for empty
// cells or "pan" outside Melody), to the angle rule's value in 0..126 (none
// in the dead zone), and leaves the scratch byte 0.
TEST(PartMixer, DragsTouchOnlyTheirOwnByte) {
    std::mt19937 random(44);
    MixerKnobs knobs{};
    LayoutMixerKnobs(knobs);
    for (int round = 0; round < 6; ++round) {
        MusicStyle style{};
        auto* bytes = reinterpret_cast<std::uint8_t*>(&style);
        for (std::size_t i = 0; i < sizeof style; ++i)
            bytes[i] = static_cast<std::uint8_t>(random() % 128);
        // Codes run one past each table, so unknown codes are among them.
        for (int& t : MixerDisplayTracks)
            t = static_cast<int>(random() % 10) - 1;
        for (int& t : MixerDisplayItems)
            t = static_cast<int>(random() % 13) - 1;
        MixerDisplayTracks[0] = 0;
        MixerDisplayItems[0] = kMixerPanItem;
        for (int knob = 0; knob < kMixerKnobs; ++knob) {
            const MixerKnob& k = knobs[static_cast<std::size_t>(knob)];
            const int cx = (k.x1 + k.x2) / 2;
            const int cy = (k.y1 + k.y2) / 2;
            const long offset = CellOffset(knob / 6, knob % 6);
            for (int step = 0; step <= 72; ++step) {
                const double t = step * 10 * 3.14159265 / 180;
                const int radius = step % 2 ? 9 : 40;
                const int x =
                    step == 72 ? cx : cx + static_cast<int>(std::lround(radius * std::sin(t)));
                const int y =
                    step == 72 ? cy : cy - static_cast<int>(std::lround(radius * std::cos(t)));
                const MusicStyle before = style;
                MixerScratchValue = 55;
                const int angle = DragMixerKnob(style, knobs, knob, x, y);
                ASSERT_EQ(angle, KnobAngleFromPoint(x, y, cx, cy));
                ASSERT_EQ(MixerScratchValue, 0);
                const auto* a = reinterpret_cast<const std::uint8_t*>(&before);
                // Every other byte as it was: the style with the cell's own
                // byte put back equals the style before.
                MusicStyle others = style;
                if (offset >= 0) reinterpret_cast<std::uint8_t*>(&others)[offset] = a[offset];
                ASSERT_EQ(std::memcmp(&others, &before, sizeof style), 0) << knob << " " << step;
                if (offset < 0) continue;
                const int expected = angle < 0 ? a[offset] : ((angle + 135) % 360) / 2;
                ASSERT_EQ(bytes[offset], expected) << knob << " step " << step;
                if (angle >= 0) {
                    ASSERT_LE(bytes[offset], 126);
                    ASSERT_EQ(knobs[static_cast<std::size_t>(knob)].angle, angle);
                }
            }
        }
    }
    // Codes outside the tables were among the lists.
    testing_support::Sink().Clear();
}

}  // namespace
