#include "style/style_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

#include "core/settings.h"
#include "core/utilities.h"
#include "style/key_setup.h"
#include "tests/style/style_bytes.h"

using namespace style_bytes;

namespace {

const MusicStyle& Entry(int category, int slot) {
    return StyleTable[category * 24 + slot];
}

class StyleTableTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitDefaultSettings();
        BuildStyleTable();
    }
};

}  // namespace

TEST_F(StyleTableTest, CategoriesAndRandomEntries) {
    const char* const kNames[9] = {"Pops(World)",
                                   "Pops(Japan)",
                                   "Jazz",
                                   "Classic",
                                   "Ethnic(Eastern)",
                                   "Ethnic(Western)",
                                   "Game Music/Sound Track",
                                   "Healing Music",
                                   "Techno"};
    for (int category = 0; category < 9; ++category) {
        EXPECT_STREQ(StyleCategoryName(category), kNames[category]);
    }
    EXPECT_STREQ(StyleCategoryName(9), "");
    EXPECT_STREQ(StyleCategoryName(-1), "");

    const char* const kTitles[9] = {"Random Pops",    "Random Pops",    "Random Jazz",
                                    "Random Classic", "Random Ethnic",  "Random Ethnic",
                                    "Random Game",    "Random Healing", "Random Techno"};
    for (int category = 0; category < 9; ++category) {
        const MusicStyle& entry = Entry(category, 0);
        EXPECT_EQ(Text(entry, 376, 20), kTitles[category]);
        EXPECT_EQ(Text(entry, 400, 21), kTitles[category]);
        EXPECT_EQ(Int(entry, 17620), category + 1);
        // Random entries keep the defaults without the derived harmony structure.
        EXPECT_EQ(Byte(entry, 17628), 0);
        EXPECT_EQ(Byte(entry, 17629), 0);
        EXPECT_EQ(Int(entry, 700), 750000);
    }
    EXPECT_EQ(Text(Entry(0, 0), 440, 256), Text(Entry(1, 0), 440, 256));
    EXPECT_EQ(Text(Entry(2, 0), 440, 256), "Jazz music style is automately generated and played");
    EXPECT_EQ(Text(Entry(8, 0), 440, 256),
              "Techno music style is automately generated and played.");
}

TEST_F(StyleTableTest, EmptySlotsAndClipboard) {
    for (auto [category, slot] : {std::pair{2, 10}, std::pair{8, 23}}) {
        const MusicStyle& entry = Entry(category, slot);
        EXPECT_EQ(Byte(entry, 376), 0);
        EXPECT_EQ(Byte(entry, 400), 0);
        EXPECT_EQ(Int(entry, 17620), 0);
        EXPECT_EQ(Int(entry, 396), 40);
        for (int bar = 0; bar < 40; ++bar) {
            EXPECT_EQ(Byte(entry, 17628 + 6 * bar), 0x01);
            EXPECT_EQ(Byte(entry, 17628 + 6 * bar + 1), 0x80);
        }
        EXPECT_EQ(Byte(entry, 17628 + 240), 0);
        EXPECT_EQ(Byte(entry, 17628 + 241), 0);
    }
    // The clipboard holds entry (0, 1) as built, its random riff included.
    EXPECT_EQ(std::memcmp(&StyleClipboard, &Entry(0, 1), sizeof(MusicStyle)), 0);

    auto copy = std::make_unique<MusicStyle>();
    EXPECT_TRUE(GetStyleEntry(8, 23, *copy));
    EXPECT_EQ(std::memcmp(copy.get(), &Entry(8, 23), sizeof(MusicStyle)), 0);
    EXPECT_FALSE(GetStyleEntry(9, 0, *copy));
    EXPECT_FALSE(GetStyleEntry(0, 24, *copy));
    EXPECT_FALSE(SetStyleEntry(-1, 0, *copy));
}

TEST_F(StyleTableTest, DefaultSelections) {
    ResetStyleSelections();
    for (int index = 0; index < 216; ++index) {
        bool compose = index == 1 || index == 8 || index == 20 || index == 5 * 24 + 8;
        EXPECT_EQ(ComposeStyleSelection[index], compose ? 1 : 0) << index;
        EXPECT_EQ(ConvertStyleSelection[index], index == 0 ? 1 : 0) << index;
    }
    ClearConvertStyleSelection();
    EXPECT_EQ(ConvertStyleSelection[0], 0);
    EXPECT_EQ(ComposeStyleSelection[8], 1);
    ClearStyleSelections();
    EXPECT_EQ(ComposeStyleSelection[8], 0);
}

TEST(WorkingStyle, KeySetUpFollowsKeyMetreAndKnowledgeBase) {
    auto style = std::make_unique<MusicStyle>();
    InitMusicStyle(*style);
    SetWorkingStyle(*style);
    EXPECT_EQ(WorkingStyle.key, 1);
    EXPECT_TRUE(TonicChordCode.Is("CMPS"));
    EXPECT_STREQ(TimeChartFileName, "TIMECHT.DB");
    EXPECT_STREQ(CadenceTimeChartFileName, "RESTIME.DB");

    style->key = 2;
    SetWorkingStyle(*style);
    EXPECT_EQ(WorkingStyle.key, 2);
    EXPECT_TRUE(TonicChordCode.Is("AmPs"));
    EXPECT_STREQ(TimeChartFileName, "TIMECHT.DB2");
    EXPECT_STREQ(CadenceTimeChartFileName, "RESTIME.DB2");

    // A minor 3/4 style uses the 3/4 charts; 7/8 its own.
    style->timeSignature = kMetre34;
    SetWorkingStyle(*style);
    EXPECT_TRUE(TonicChordCode.Is("AmPs"));
    EXPECT_STREQ(TimeChartFileName, "TIMECHT3.DB");
    EXPECT_STREQ(CadenceTimeChartFileName, "RESTIME3.DB");
    style->timeSignature = kMetre78;
    style->key = 1;
    SetWorkingStyle(*style);
    EXPECT_STREQ(TimeChartFileName, "TIMECHT7.DB");
    EXPECT_STREQ(CadenceTimeChartFileName, "RESTIME7.DB");

    // The blues progression is set up in C major even for a minor style.
    style->timeSignature = kMetre44;
    style->key = 2;
    style->chordProgression = 6;
    SetWorkingStyle(*style);
    EXPECT_EQ(WorkingStyle.key, 1);
    EXPECT_TRUE(TonicChordCode.Is("CMPs"));
    EXPECT_STREQ(TimeChartFileName, "TIMECHT.DB");

    // The blues pattern file always ends on C7.
    style->chordProgression = 3;
    style->key = 1;
    SetFieldText(style->knowledgeBase, "PATTERN.DBB");
    SetWorkingStyle(*style);
    EXPECT_TRUE(TonicChordCode.Is("CMPs"));
    style->key = 2;
    SetWorkingStyle(*style);
    EXPECT_EQ(WorkingStyle.key, 2);
    EXPECT_TRUE(TonicChordCode.Is("CMPs"));

    // Applying the working style to itself keeps it whole.
    SetStyleTitle(WorkingStyle, "Self");
    SetWorkingStyle(WorkingStyle);
    EXPECT_EQ(DisplayTitle(WorkingStyle), "Self");
    auto out = std::make_unique<MusicStyle>();
    GetWorkingStyle(*out);
    EXPECT_EQ(std::memcmp(out.get(), &WorkingStyle, sizeof(MusicStyle)), 0);
}

TEST(WorkingStyle, ReadersNeverSeeHalfARecord) {
    auto a = std::make_unique<MusicStyle>();
    auto b = std::make_unique<MusicStyle>();
    std::memset(a.get(), 0x11, sizeof(MusicStyle));
    std::memset(b.get(), 0x22, sizeof(MusicStyle));
    a->key = b->key = 1;
    SetWorkingStyle(*a);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 300; ++i)
            SetWorkingStyle(i % 2 ? *a : *b);
        done = true;
    });
    auto out = std::make_unique<MusicStyle>();
    int torn = 0;
    while (!done) {
        GetWorkingStyle(*out);
        // Everything but the key (written by the key set-up) is one fill byte.
        std::uint8_t first = Byte(*out, 0);
        if (Byte(*out, sizeof(MusicStyle) - 1) != first || Byte(*out, 10000) != first) ++torn;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
}
