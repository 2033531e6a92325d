#include "styleedit/choice_row.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

// The editor lists the time signatures in another order than the text form.
constexpr int kTimeSignatures[] = {1, 0, 2};
constexpr ChoiceRow kTimeRow{kTimeSignatures, StyleChoiceList::kTimeSignature};

TEST(ChoiceRow, StepsWrapInTheRowsOrderAndAMissingValueStartsAfterTheLast) {
    EXPECT_EQ(StepChoice(kTimeRow, 1, 1), 0);
    EXPECT_EQ(StepChoice(kTimeRow, 2, 1), 1);   // past the last: the first
    EXPECT_EQ(StepChoice(kTimeRow, 1, -1), 2);  // before the first: the last
    EXPECT_EQ(StepChoice(kTimeRow, 7, 0), 1);   // unknown: the first entry
    EXPECT_EQ(StepChoice(kTimeRow, 7, -1), 2);
    EXPECT_EQ(ChoicePosition(kTimeRow, 7), 3);
    EXPECT_STREQ(ChoiceName(kTimeRow, 7, "?"), "?");
    const std::vector<std::string> names = ChoiceNames(kTimeRow);
    EXPECT_EQ(names, (std::vector<std::string>{"3/4", "4/4", "7/8"}));
}

TEST(ChoiceRow, EveryListsValuesAreNamedAndStepBackToThemselves) {
    for (int list = 0; list <= static_cast<int>(StyleChoiceList::kRepeat); ++list) {
        const auto entries = StyleChoiceNames(static_cast<StyleChoiceList>(list));
        ASSERT_FALSE(entries.empty()) << list;
        std::vector<int> values;
        for (const StyleChoiceName& entry : entries) values.push_back(entry.value);
        const ChoiceRow row{values, static_cast<StyleChoiceList>(list)};
        const bool unique = std::set<int>(values.begin(), values.end()).size() == values.size();
        for (int value : values) {
            EXPECT_GT(std::strlen(ChoiceName(row, value)), 0u) << list;
            EXPECT_EQ(StepChoice(row, value, 0), value) << list;
            if (!unique) continue;  // a shared value steps on from its first entry
            int stepped = value;
            for (std::size_t i = 0; i < values.size(); ++i) stepped = StepChoice(row, stepped, 1);
            // A full round comes back to the first entry with that value.
            EXPECT_EQ(ChoicePosition(row, stepped), ChoicePosition(row, value)) << list;
        }
    }
}

}  // namespace
