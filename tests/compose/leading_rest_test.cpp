// The leading rest of melody lists against bars counted in eighths.
#include <gtest/gtest.h>

#include <random>

#include "compose/chord_steps.h"
#include "compose_test_util.h"
#include "core/app_utilities.h"

class LeadingRest : public compose_test::StyleFixture {};

// Random lists of rests, with a sounding note at a random place or none: the
// leading rest is the sum of the rests before the note, cut off at the first
// sum that reaches a bar of EighthsPerBar eighths of 48 ticks.
TEST_F(LeadingRest, SumsRestsUpToTheNoteOrTheFirstFullBar) {
    std::mt19937 random(24);
    for (int metre : {0, 1, 2}) {
        WorkingStyle.timeSignature = metre;
        const int bar = EighthsPerBar(metre) * 48;
        for (int round = 0; round < 300; ++round) {
            NoteList list;
            const int count = std::uniform_int_distribution<int>(0, 12)(random);
            const int notePlace = std::uniform_int_distribution<int>(0, count + 3)(random);
            int expected = 0;
            for (int i = 0; i < count; ++i) {
                const int length = std::uniform_int_distribution<int>(0, 200)(random);
                list.AppendNote(length, i == notePlace ? 60 : 0);
                if (i < notePlace && expected < bar) expected += length;
            }
            ASSERT_EQ(LeadingRestLength(list), expected) << "metre " << metre;
        }
    }
}
