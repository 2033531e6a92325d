// The buffered rhythm template (note-length style 8) when the feel changes
// between straight and triplet within one run: each chord reads a template
// of the feel it is played in, whatever the template before it was.
#include <gtest/gtest.h>

#include <string>

#include "compose/composer_state.h"
#include "compose/melody_rhythm.h"
#include "core/utilities.h"
#include "style/style_table.h"
#include "tests/compose/compose_test_util.h"

namespace {

class RhythmFeelChange : public compose_test::StyleFixture {
protected:
    void SetUp() override {
        StyleFixture::SetUp();
        ResetComposerState();
        WorkingStyle.melody[kPartMelody].noteLength = 8;
        WorkingStyle.melody[kPartMelody].syncopation = 0;
    }
    void TearDown() override {
        ResetComposerState();
        StyleFixture::TearDown();
    }
};

// Walks one 384-tick chord (one phrase) as the melody writer does; every
// note that the chord's end does not cut is a whole number of the feel's
// units: 24 straight, 32 triplet.
void WalkChordInUnits(int unit, int& previousClass, const std::string& at) {
    int t = 0;
    for (int notes = 0; t < 384 && notes < 400; ++notes) {
        const int length = NextNoteLength(kPartMelody, t, 384, 384, previousClass);
        ASSERT_GT(length, 0) << at;
        if (t + length < 384) {
            ASSERT_EQ(length % unit, 0) << at << ": " << length << " at " << t;
        }
        t += length;
        previousClass = length / 24;
    }
    ASSERT_EQ(t, 384) << at;
}

TEST_F(RhythmFeelChange, EveryChordReadsATemplateOfItsOwnFeel) {
    constexpr int kFeels[] = {0, 3, 0, 3, 3, 0, 0};
    for (int seed = 1; seed <= 30; ++seed) {
        ResetComposerState();
        SeedRandomWith(seed);
        int previousClass = 0;
        int chord = 0;
        for (int beat : kFeels) {
            WorkingStyle.basicBeat = beat;
            for (int k = 0; k < 3; ++k, ++chord)
                WalkChordInUnits(beat == 3 ? 32 : 24, previousClass,
                                 "seed " + std::to_string(seed) + " chord " +
                                     std::to_string(chord));
            if (HasFatalFailure()) return;
        }
    }
}

}  // namespace
