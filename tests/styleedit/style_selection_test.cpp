// The selection model over the real catalogue: which table entry each button
// of a page stands for in each mode, page wrapping, and seeded random clicks
// (pages, buttons, squares with a hub that edits or not) checked against the
// rules that must always hold.
#include "styleedit/style_selection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <random>
#include <vector>

#include "core/settings.h"
#include "style/style_table.h"
#include "tests/support/test_support.h"

namespace {

class StyleSelectionModel : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool built = (InitDefaultSettings(), BuildStyleTable(), true);
        (void)built;
        savedMode_ = PanelMode.load();
        std::copy(std::begin(ComposeStyleSelection), std::end(ComposeStyleSelection), compose_);
        std::copy(std::begin(ConvertStyleSelection), std::end(ConvertStyleSelection), convert_);
        catalogue_.assign(StyleTable, StyleTable + kStyleEntries);
        working_ = WorkingStyle;
        testing_support::Sink().Clear();
    }
    void TearDown() override {
        PanelMode = savedMode_;
        std::copy(std::begin(compose_), std::end(compose_), ComposeStyleSelection);
        std::copy(std::begin(convert_), std::end(convert_), ConvertStyleSelection);
        std::copy(catalogue_.begin(), catalogue_.end(), StyleTable);
        WorkingStyle = working_;
        StyleSelectionPage = 0;
    }

    int savedMode_ = 0;
    std::int32_t compose_[kStyleSelectionCount]{};
    std::int32_t convert_[kStyleSelectionCount]{};
    std::vector<MusicStyle> catalogue_;
    MusicStyle working_{};
};

int Ones(const std::int32_t* table) {
    return static_cast<int>(std::count(table, table + kStyleSelectionCount, 1));
}

bool SameRecord(const MusicStyle& a, const MusicStyle& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST_F(StyleSelectionModel, EachButtonStandsForItsEntryInItsMode) {
    EXPECT_EQ(StyleSelectionEntry(kPanelModeCompose, 8, 24), &ComposeStyleSelection[215]);
    EXPECT_EQ(StyleSelectionEntry(kPanelModeConvert, 5, 1), &ConvertStyleSelection[0]);
    EXPECT_EQ(StyleSelectionEntry(kPanelModeConvert, 5, 2), &ConvertStyleSelection[121]);
    EXPECT_EQ(StyleSelectionEntry(kPanelModeEdit, 0, 2), nullptr);
    EXPECT_EQ(StyleSelectionEntry(kPanelModeCompose, 9, 1), nullptr);
    EXPECT_EQ(StyleSelectionEntry(kPanelModeCompose, 0, 25), nullptr);
    EXPECT_EQ(StyleSelectionEntry(kPanelModeCompose, -1, 0), nullptr);

    // In edit mode nothing is read or written.
    PanelMode = kPanelModeEdit;
    std::fill(std::begin(ComposeStyleSelection), std::end(ComposeStyleSelection), 1);
    StyleButtonStates states{};
    ClickStyleButton(0, 3, states, false);
    LoadStyleButtonStates(0, states);
    EXPECT_EQ(std::count(states.begin(), states.end(), 0), 24);
    EXPECT_EQ(Ones(ComposeStyleSelection), kStyleSelectionCount);
    EXPECT_EQ(UpdateSelectedStyleCount(), 0);

    // Pages wrap both ways: right twice, then left three times, is page 8.
    EXPECT_EQ(TurnStylePage(0, -1), 8);
    EXPECT_EQ(TurnStylePage(8, 1), 0);
    int page = 0;
    for (int step : {1, 1, -1, -1, -1}) page = TurnStylePage(page, step);
    EXPECT_EQ(page, 8);

    // Captions: titles of the page's entries, "Format Change" in convert mode.
    PanelMode = kPanelModeConvert;
    EXPECT_EQ(StyleButtonCaption(3, 1), "Format Change");
    EXPECT_EQ(StyleButtonCaption(3, 2), DisplayTitle(StyleTable[3 * 24 + 1]));
    PanelMode = kPanelModeCompose;
    EXPECT_EQ(StyleButtonCaption(0, 1), "Random Pops");
    EXPECT_EQ(StyleButtonCaption(3, 19), "Symphonie");  // an untitled preset's name
    EXPECT_EQ(StyleButtonTooltip(2, 1), "Jazz music style is automately generated and played");
}

TEST_F(StyleSelectionModel, SquaresOfSlotZeroAreRefusedAndOthersEditTheirEntry) {
    PanelMode = kPanelModeCompose;
    std::fill(std::begin(ComposeStyleSelection), std::end(ComposeStyleSelection), 0);
    StyleButtonStates states{};
    int hubs = 0;
    auto rename = [&hubs] {
        ++hubs;
        SetStyleTitle(WorkingStyle, "Edited");
        WorkingStyle.tempo = 400000;
    };
    EXPECT_EQ(ClickStyleSquare(4, 1, states, rename), SquareOutcome::Refused);
    EXPECT_EQ(hubs, 0);
    EXPECT_EQ(testing_support::Sink().Texts(), std::vector<std::string>{"ZAWCFF01011D Can't edit this style!"});
    EXPECT_EQ(ComposeStyleSelection[4 * 24], 1);
    EXPECT_TRUE(SameRecord(StyleTable[4 * 24], catalogue_[4 * 24]));

    // A selected button's square keeps it selected, and the edit lands in
    // the entry alone.
    ClickStyleButton(4, 6, states, false);
    EXPECT_EQ(ClickStyleSquare(4, 6, states, rename), SquareOutcome::Edited);
    EXPECT_EQ(states[5], 1);
    EXPECT_EQ(ComposeStyleSelection[4 * 24 + 5], 1);
    EXPECT_EQ(DisplayTitle(StyleTable[4 * 24 + 5]), "Edited");
    EXPECT_EQ(StyleTable[4 * 24 + 5].tempo, 400000);
    EXPECT_EQ(StyleButtonCaption(4, 6), "Edited");

    // A hub that changes nothing leaves the entry byte for byte.
    const MusicStyle before = StyleTable[2 * 24 + 9];
    EXPECT_EQ(ClickStyleSquare(2, 10, states, [] {}), SquareOutcome::Edited);
    EXPECT_TRUE(SameRecord(StyleTable[2 * 24 + 9], before));
    EXPECT_EQ(ClickStyleSquare(2, 25, states, rename), SquareOutcome::Ignored);

    // An empty slot stays empty through a hub that changes nothing; a style
    // defined there without a title is named as it is kept.
    ClickStyleSquare(2, 11, states, [] {});
    EXPECT_TRUE(IsBlankStyle(StyleTable[2 * 24 + 10]));
    ClickStyleSquare(2, 11, states, [] { WorkingStyle.tempo = 400000; });
    EXPECT_EQ(StyleButtonCaption(2, 11), "Jazz 11");
}

// Random sessions in both modes: the convert table never holds more than one
// choice (exactly one after any click), the states mirror the table, a square
// never deselects, and no catalogue entry changes except through its square.
TEST_F(StyleSelectionModel, SeededRandomClicksKeepTheRules) {
    std::mt19937 random(4321);
    for (int mode : {kPanelModeCompose, kPanelModeConvert}) {
        PanelMode = mode;
        std::fill(std::begin(ConvertStyleSelection), std::end(ConvertStyleSelection), 0);
        int page = 0;
        StyleButtonStates states{};
        LoadStyleButtonStates(page, states);
        std::vector<MusicStyle> expected(StyleTable, StyleTable + kStyleEntries);
        bool clicked = false;
        for (int step = 0; step < 400; ++step) {
            const int what = static_cast<int>(random() % 10);
            const int k = 1 + static_cast<int>(random() % 24);
            if (what < 2) {
                page = TurnStylePage(page, what == 0 ? -1 : 1);
                LoadStyleButtonStates(page, states);
            } else if (what < 8) {
                const int before = states[k - 1];
                ClickStyleButton(page, k, states, false);
                if (mode == kPanelModeCompose) {
                    EXPECT_EQ(states[k - 1], 1 - before);
                }
                clicked = true;
            } else {
                const bool edits = random() % 2 == 0;
                const int tempo = 300000 + step;
                ClickStyleSquare(page, k, states, [edits, tempo] {
                    if (edits) WorkingStyle.tempo = tempo;
                });
                EXPECT_EQ(states[k - 1], 1);
                if (k > 1) GetStyleEntry(page, k - 1, expected[page * 24 + k - 1]);
                if (k > 1 && edits) {
                    EXPECT_EQ(expected[page * 24 + k - 1].tempo, tempo);
                }
                clicked = true;
            }
            StyleButtonStates fromTable{};
            LoadStyleButtonStates(page, fromTable);
            ASSERT_EQ(states, fromTable) << "step " << step;
            const int choices = Ones(ConvertStyleSelection);
            ASSERT_LE(choices, 1);
            if (mode == kPanelModeConvert && clicked) {
                ASSERT_EQ(choices, 1);
            }
            if (what >= 8) {
                for (int e = 0; e < kStyleEntries; ++e)
                    ASSERT_TRUE(SameRecord(StyleTable[e], expected[e])) << "entry " << e;
            }
        }
        EXPECT_EQ(UpdateSelectedStyleCount(), CountSelectedStyles());
        EXPECT_EQ(SelectedStyleCount, mode == kPanelModeConvert ? 1 : Ones(ComposeStyleSelection));
    }
}

TEST_F(StyleSelectionModel, TitlesInCodePage932AreShownInUtf8) {
    EXPECT_EQ(StyleTextToUtf8("Plain"), "Plain");
    EXPECT_EQ(StyleTextToUtf8("\x8f\x74\x82\xcc\x8b\xc8"), "春の曲");
    // Bytes that are no code page 932 text stay as they are.
    EXPECT_EQ(StyleTextToUtf8("\xff\xfe x"), "\xff\xfe x");
    EXPECT_EQ(StyleTextToUtf8("\x8f"), "\x8f");
}

}  // namespace
