// The leading rest of a melody list in 4/4.
#include <gtest/gtest.h>

#include "compose/chord_steps.h"
#include "compose_test_util.h"
#include "core/app_utilities.h"

class LeadingRest : public compose_test::StyleFixture {};

TEST_F(LeadingRest, EndsAtTheFirstSoundingNoteOrTheFirstSumOfABar) {
    WorkingStyle.timeSignature = 0;
    NoteList list;
    list.AppendNote(96, 60);
    list.AppendNote(96, 0);
    EXPECT_EQ(LeadingRestLength(list), 0);
    list.Clear();
    for (int i = 0; i < 8; ++i)
        list.AppendNote(100, 0);
    EXPECT_EQ(LeadingRestLength(list), 400);  // 300 < 384 <= 400
    EXPECT_EQ(EighthsPerBar(0) * 48, 384);
}
