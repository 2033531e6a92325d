#include "styleedit/pattern_tables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "style/style_text.h"
#include "style/style_wizard.h"

namespace {

// Every profile row lines up with a chooser entry of the same name and code,
// so the wizard and the choosers never disagree.
TEST(PatternTables, JoinTextNamesWithWizardProfilesByPosition) {
    const struct {
        PatternTable table;
        ProfileTable profile;
        std::size_t size;
    } cases[] = {{HarmonyPatternTable(), ProfileTable::kHarmonyPattern, 59},
                 {BassPatternTable(), ProfileTable::kBassPattern, 23},
                 {RhythmPatternTable(), ProfileTable::kRhythmPattern, 39}};
    for (const auto& c : cases) {
        const auto rows = ProfileRows(c.profile);
        ASSERT_EQ(c.table.size(), c.size);
        ASSERT_EQ(rows.size(), c.size);
        for (std::size_t i = 0; i < c.size; ++i) {
            EXPECT_STREQ(c.table[i].name, rows[i].name) << i;
            if (std::strcmp(rows[i].name, "Quarter Cutting") != 0) {
                EXPECT_EQ(c.table[i].code, rows[i].value) << rows[i].name;
            }
            for (int k = 0; k < 8; ++k) EXPECT_EQ(c.table[i].profile[k], rows[i].change[k]);
        }
    }
    EXPECT_EQ(SubMelodyMethodTable().size(), 3u);
    EXPECT_EQ(SubDrumPatternTable().size(), 2u);
}

TEST(PatternTables, QuarterCuttingStoresItsOwnCodeWhileTheTextFormKeeps46) {
    const PatternTable harmony = HarmonyPatternTable();
    ASSERT_EQ(std::string(harmony[57].name), "Quarter Cutting");
    EXPECT_EQ(harmony[57].code, kQuarterCuttingCode);
    EXPECT_EQ(PatternPosition(harmony, 60), 57);
    EXPECT_EQ(PatternPosition(harmony, 46), 47);  // "Fixed Long Riff(2)"
    EXPECT_EQ(StyleChoiceNames(StyleChoiceList::kHarmonyPattern)[57].value, 46);
    // Codes the generators name: harmony custom 47, bass custom 20, rhythm
    // create 27 and custom 28 at the end.
    EXPECT_EQ(harmony[58].code, 47);
    EXPECT_EQ(BassPatternTable()[19].code, 20);
    EXPECT_EQ(RhythmPatternTable()[26].code, 27);
    EXPECT_EQ(RhythmPatternTable()[38].code, 28);
    EXPECT_EQ(PatternPosition(harmony, 28), -1);
}

// Bass codes are 1..23 and rhythm codes 1..39, each once.
TEST(PatternTables, BassAndRhythmCodesCoverTheirRangesOnce) {
    for (auto [table, count] : {std::pair{BassPatternTable(), 23}, {RhythmPatternTable(), 39}}) {
        std::set<int> codes;
        for (const PatternEntry& e : table) codes.insert(e.code);
        EXPECT_EQ(codes.size(), std::size_t(count));
        EXPECT_EQ(*codes.begin(), 1);
        EXPECT_EQ(*codes.rbegin(), count);
    }
}

}  // namespace
