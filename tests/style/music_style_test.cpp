#include "style/music_style.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "core/utilities.h"
#include "tests/style/style_bytes.h"

using namespace style_bytes;

namespace {

std::unique_ptr<MusicStyle> FreshStyle() {
    auto style = std::make_unique<MusicStyle>();
    InitMusicStyle(*style);
    return style;
}

void ExpectInts(const MusicStyle& style, std::size_t offset, std::vector<int> values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(Int(style, offset + 4 * i), values[i]) << "offset " << offset + 4 * i;
    }
}

}  // namespace

TEST(MusicStyleDefaults, WrittenAtTheirOffsets) {
    auto style = FreshStyle();
    const MusicStyle& s = *style;

    EXPECT_EQ(Byte(s, 376), 0);
    EXPECT_EQ(Text(s, 440, 256), "No music style is defined.");
    ExpectInts(s, 896, {1, 1, 1, 1});
    EXPECT_EQ(Int(s, 768), 0);
    ExpectInts(s, 912, {40, 10, 70, 90, 90, 92, 94, 96});
    ExpectInts(s, 944, {-25, -25, 0, 10, 20, 30, 40, 50});
    ExpectInts(s, 17544, {0, 0, 90, 0, 0, 90, 0, 0, 0, 0, 0});

    // Grid set 0: pitch codes 5..18 for Harmony, Sub Harmony and Bass; drum codes.
    ExpectInts(s, 1232 + 896, {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
    ExpectInts(s, 1232 + 1016 + 896, {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
    ExpectInts(s, 1232 + 3 * 1016 + 896, {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18});
    ExpectInts(s, 1232 + 2 * 1016 + 896, {0, 1, 3, 4, 5, 7, 9, 10, 11, 14, 15, 16, 19, 24});
    for (std::size_t offset = 1232 + 4064; offset < 1232 + 16304; offset += 4) {
        ASSERT_EQ(Int(s, offset), 0) << "offset " << offset;
    }

    ExpectInts(s, 17536, {0, 0});
    EXPECT_EQ(Int(s, 17588), 0);
    EXPECT_EQ(Int(s, 372), 0);
    EXPECT_EQ(Int(s, 708), 1);
    EXPECT_EQ(Text(s, 876, 17), "xxxx909099090909");
    EXPECT_EQ(Byte(s, 892), 0);
    EXPECT_EQ(Int(s, 772), 0);
    EXPECT_EQ(Int(s, 760), 0);
    EXPECT_EQ(Int(s, 764), 0);
    EXPECT_EQ(Int(s, 872), 0);
    EXPECT_EQ(Int(s, 756), 0);

    // Voices: Melody program 0, the other parts not used; part 6 untouched (zero).
    ExpectInts(s, 0, {0, 0, 256, 256, 256, 256, 0, 256, 256, 256});
    EXPECT_EQ(Int(s, 60), 90);

    EXPECT_EQ(Int(s, 17600), 7);
    EXPECT_EQ(Int(s, 17612), 10);
    EXPECT_EQ(Int(s, 700), 750000);
    EXPECT_EQ(Int(s, 396), 40);
    EXPECT_EQ(Text(s, 976, 128), "PATTERN.DB");
    EXPECT_EQ(Text(s, 1104, 128), "RESOLUT.DB");
    EXPECT_EQ(Int(s, 17596), 17);
    EXPECT_EQ(Int(s, 704), 1);
    EXPECT_EQ(Int(s, 724), 0);
    EXPECT_EQ(Int(s, 17604), 14);
    EXPECT_EQ(Int(s, 17616), 0);
    EXPECT_EQ(Int(s, 17592), 6);
    EXPECT_EQ(Int(s, 17608), 15);
    EXPECT_EQ(Int(s, 696), 0);
    ExpectInts(s, 320, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(Int(s, 17620), 0);
    EXPECT_EQ(Int(s, 17624), 0);

    // Mix blocks at 64 + 16 k: volume, then 64 in bytes 1..8, delay 0.
    const std::pair<int, int> kVolumes[] = {{1, 100}, {4, 100}, {3, 115}, {7, 115},
                                            {2, 100}, {9, 100}, {5, 60},  {8, 100}};
    for (auto [part, volume] : kVolumes) {
        std::size_t block = 64 + 16 * part;
        EXPECT_EQ(Byte(s, block), volume) << "part " << part;
        for (int b = 1; b <= 8; ++b)
            EXPECT_EQ(Byte(s, block + b), 64) << "part " << part;
        EXPECT_EQ(Byte(s, block + 9), 0) << "part " << part;
    }

    EXPECT_EQ(U16(s, 716), 1);
    EXPECT_EQ(U16(s, 718), 51205);
    EXPECT_EQ(Int(s, 720), 1);
    ExpectInts(s, 712, {0});
    ExpectInts(s, 728, {0, 0, 0, 100, 100, 100});

    // Melody settings of Melody, copied to Obbligato and Sub Drum.
    for (std::size_t part : {1, 4, 5}) {
        ExpectInts(s, 21724 + 60 * part, {0, 2, 0, 0, 0, 0, 0, 80, 50, 1, 0, 0, 0, 0, 0});
    }
    ExpectInts(s, 22684, {0, 100, 100, 100, 100, 100, 0, 100, 100, 100});
}

TEST(MusicStyleDefaults, RandomRiffFillsOneBar) {
    for (int run = 0; run < 50; ++run) {
        auto style = FreshStyle();
        int total = 0;
        std::size_t i = 776;
        for (; i < 776 + 96 && Byte(*style, i) != 0; i += 3)
            total += Byte(*style, i);
        EXPECT_EQ(total, 32);
        ASSERT_LT(i, 776u + 96u) << "riff has no end";
    }
}

TEST(MusicStyleDefaults, EveryBuildIsTheSameWhateverTheRecordHeld) {
    SeedRandomWith(7);
    auto clean = std::make_unique<MusicStyle>();
    std::memset(clean.get(), 0, sizeof(MusicStyle));
    InitMusicStyle(*clean);
    FinishMusicStyle(*clean);

    SeedRandomWith(7);
    auto used = std::make_unique<MusicStyle>();
    std::memset(used.get(), 0xAB, sizeof(MusicStyle));
    used->mix[kPartHarmony].holdPedal = 127;
    used->voice[6] = 99;
    InitMusicStyle(*used);
    FinishMusicStyle(*used);

    EXPECT_EQ(std::memcmp(clean.get(), used.get(), sizeof(MusicStyle)), 0);
    EXPECT_EQ(used->mix[kPartHarmony].holdPedal, 0);
    EXPECT_EQ(used->voice[6], 0);
}

TEST(HarmonyStructure, OneEntryPerBarThenTheEndMark) {
    auto style = FreshStyle();
    FinishMusicStyle(*style);
    const std::uint8_t* list = Bytes(*style) + 17628;
    for (int bar = 0; bar < 40; ++bar) {
        const std::uint8_t* entry = list + 6 * bar;
        EXPECT_EQ(entry[0], 0x01);
        EXPECT_EQ(entry[1], 0x80);
        std::string code(reinterpret_cast<const char*>(entry + 2), 4);
        EXPECT_EQ(code, (bar / 4) % 2 == 0 ? "CMPS" : "GMPs") << "bar " << bar;
    }
    EXPECT_EQ(list[240], 0);
    EXPECT_EQ(list[241], 0);

    std::vector<std::uint8_t> buffer(64, 0xEE);
    FillHarmonyStructure(9, buffer, kMetre34);
    const char* const kCodes[9] = {"CMPS", "CMPS", "CMPS", "CMPS", "GMPs",
                                   "GMPs", "GMPs", "GMPs", "CMPS"};
    for (int bar = 0; bar < 9; ++bar) {
        EXPECT_EQ(buffer[6 * bar] * 256 + buffer[6 * bar + 1], 288);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&buffer[6 * bar + 2]), 4), kCodes[bar]);
    }
    EXPECT_EQ(buffer[54], 0);
    EXPECT_EQ(buffer[55], 0);
    EXPECT_EQ(buffer[56], 0xEE);

    std::fill(buffer.begin(), buffer.end(), 0xEE);
    FillHarmonyStructure(0, buffer, kMetre44);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], 0);
    EXPECT_EQ(buffer[2], 0xEE);

    FillHarmonyStructure(3, buffer, kMetre78);
    EXPECT_EQ(buffer[0] * 256 + buffer[1], 336);
}

TEST(HarmonyStructure, LongTunesAreCutToTheBlock) {
    auto style = FreshStyle();
    style->tuneLength = 5000;
    std::memset(style->melody, 0x5A, sizeof(style->melody));
    FinishMusicStyle(*style);
    // 682 entries and the end mark; nothing beyond the 4096 bytes.
    const std::uint8_t* list = style->harmonyStructure;
    EXPECT_EQ(list[681 * 6] * 256 + list[681 * 6 + 1], 384);
    EXPECT_EQ(list[682 * 6], 0);
    EXPECT_EQ(list[682 * 6 + 1], 0);
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(style->melody)[0], 0x5A);

    std::vector<std::uint8_t> small(20, 0xEE);
    FillHarmonyStructure(10, std::span(small).first(14), kMetre44);
    EXPECT_EQ(small[12], 0);  // two entries fit, then the end mark
    EXPECT_EQ(small[13], 0);
    EXPECT_EQ(small[14], 0xEE);
    FillHarmonyStructure(-4, small, kMetre44);
    EXPECT_EQ(small[0], 0);
}

TEST(MusicStyleOperations, FixedRiffAndObbligatoCopy) {
    auto style = FreshStyle();
    SetFixedRiff(style->riff);
    const std::uint8_t kRiff[39] = {2,   4,   1, 2,   8, 5,   2,   255, 255, 2, 8, 255, 2,
                                    6,   255, 2, 4,   1, 8,   255, 255, 2,   4, 1, 2,   4,
                                    255, 2,   8, 255, 2, 255, 255, 2,   8,   5, 2, 6,   255};
    EXPECT_EQ(std::memcmp(Bytes(*style) + 776, kRiff, sizeof(kRiff)), 0);
    for (std::size_t i = 776 + 39; i < 872; ++i)
        EXPECT_EQ(Byte(*style, i), 0) << i;

    style->melody[kPartMelody].dissonance = 9;
    style->melody[kPartObbligato].dissonance = 4;
    style->subMelodyMethod = 7;
    FinishMusicStyle(*style);
    EXPECT_EQ(style->melody[kPartObbligato].dissonance, 4);
    style->subMelodyMethod = 6;
    FinishMusicStyle(*style);
    EXPECT_EQ(Int(*style, 21724 + 4 * 60), 9);
}

TEST(MusicStyleTitles, ReadersStopAtTheEndOfTheField) {
    auto style = FreshStyle();
    SetStyleTitle(*style, "Twenty characters!!!xyz");
    EXPECT_EQ(Text(*style, 400, 21), "Twenty characters!!!");
    EXPECT_EQ(Byte(*style, 420), 0);
    // The display title fills its 20 bytes; the tune length behind it stays.
    EXPECT_EQ(DisplayTitle(*style), "Twenty characters!!!");
    EXPECT_EQ(Int(*style, 396), 40);

    std::memset(style->displayTitle, 'A', sizeof(style->displayTitle));
    EXPECT_EQ(DisplayTitle(*style).size(), 20u);

    SetStyleTitle(*style, "Enka");
    EXPECT_EQ(DisplayTitle(*style), "Enka");
    EXPECT_EQ(Byte(*style, 380), 0);

    ChordCode code;
    code.Set("GMPs");
    EXPECT_TRUE(code.Is("GMPs"));
    EXPECT_FALSE(code.Is("GMP"));
}
