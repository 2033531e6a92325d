#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "compose/composer_state.h"
#include "compose/melody_rhythm.h"
#include "core/utilities.h"
#include "style/style_table.h"
#include "tests/compose/compose_test_util.h"

namespace {

class MelodyRhythm : public compose_test::StyleFixture {
protected:
    void SetUp() override {
        StyleFixture::SetUp();
        ResetComposerState();
    }
    void TearDown() override {
        ResetComposerState();
        StyleFixture::TearDown();
    }

    static void SetStyle(int noteLength, int basicBeat, int syncopation = 0) {
        WorkingStyle.melody[kPartMelody].noteLength = noteLength;
        WorkingStyle.melody[kPartMelody].syncopation = syncopation;
        WorkingStyle.basicBeat = basicBeat;
    }
};

struct Note {
    int position;  // in the chord
    int t;         // in the phrase
    int length;
    bool cut;  // ended early by the phrase or the chord
};

// Walks one chord the way the melody writer does: a length per note from the
// rhythm, cut to the rest of the chord, the phrase position wrapping at the
// phrase length. Fails the test for a length of 0 or a note passing the
// phrase.
std::vector<Note> WalkChord(int chord, int phrase, int& previousClass) {
    std::vector<Note> notes;
    int p = 0, t = 0;
    while (p < chord && notes.size() < 2000) {
        int length = NextNoteLength(kPartMelody, t, phrase, chord, previousClass);
        EXPECT_GT(length, 0) << "at " << p << " of " << chord;
        if (length <= 0) break;
        EXPECT_LE(t + length, phrase) << "at " << t << " of the phrase " << phrase;
        bool cut = length == phrase - t || length >= chord - p;
        length = std::min(length, chord - p);
        notes.push_back({p, t, length, cut});
        p += length;
        t += length;
        if (t >= phrase) t = 0;
        previousClass = length / 24;
    }
    EXPECT_EQ(p, chord);
    return notes;
}

std::vector<int> Lengths(const std::vector<Note>& notes) {
    std::vector<int> out;
    for (const Note& n : notes)
        out.push_back(n.length);
    return out;
}

}  // namespace

// Every style and beat over chords of every template length and others: the
// lengths are positive, stay in the phrase and fill the chord exactly; on
// "Basic Beat" 0 the uncut lengths keep to the sixteenth grid, on "Basic
// Beat" 3 (but for style 9's plain templates) to the triplet grid of 16.
TEST_F(MelodyRhythm, EveryStyleFillsEveryChordOnItsGrid) {
    const int chords[] = {48,  96,  144, 192, 240, 288, 336, 384,  432, 576,
                          672, 720, 768, 60,  100, 200, 500, 1000, 800};
    for (int style = 0; style <= 11; ++style) {
        for (int beat : {0, 1, 3}) {
            SetStyle(style, beat, style % 2);
            ResetComposerState();
            for (int seed = 1; seed <= 200; ++seed) {
                SeedRandomWith(seed);
                int previousClass = 0;
                for (int chord : chords) {
                    const int phrase = style == 9 ? chord : 384;
                    for (const Note& n : WalkChord(chord, phrase, previousClass)) {
                        if (n.cut) continue;
                        if (beat == 0) {
                            ASSERT_EQ(n.length % 24, 0) << "style " << style << " chord " << chord;
                        } else if (beat == 3 && style != 9) {
                            ASSERT_EQ(n.length % 16, 0) << "style " << style << " chord " << chord;
                        }
                    }
                    if (HasFailure()) return;
                }
            }
        }
    }
}

// A 96-tick chord under the template style is one 96-tick note, or the chord
// evenly cut into 24s or 48s, each about as often as the template says.
TEST_F(MelodyRhythm, TemplateStyleOnA96Chord) {
    SetStyle(9, 0);
    int whole = 0, total = 0;
    std::set<std::vector<int>> seen;
    for (int seed = 1; seed <= 400; ++seed) {
        SeedRandomWith(seed);
        int previousClass = 0;
        auto lengths = Lengths(WalkChord(96, 96, previousClass));
        seen.insert(lengths);
        whole += lengths == std::vector<int>{96};
        ++total;
    }
    EXPECT_EQ(seen, (std::set<std::vector<int>>{{96}, {48, 48}, {24, 24, 24, 24}}));
    EXPECT_GT(whole, total / 3);
    EXPECT_LT(whole, total * 2 / 3);
}

// The dotted style in 4/4 starts every note on a beat either as a quarter or
// as a dotted eighth with its sixteenth.
TEST_F(MelodyRhythm, DottedStyleGivesQuartersOrDottedPairsOnTheBeats) {
    SetStyle(10, 0);
    std::set<int> firsts;
    for (int seed = 1; seed <= 200; ++seed) {
        SeedRandomWith(seed);
        int previousClass = 0;
        auto notes = WalkChord(384, 384, previousClass);
        for (std::size_t i = 0; i < notes.size(); ++i) {
            const Note& n = notes[i];
            if (n.position % 96 == 0) {
                firsts.insert(n.length);
                ASSERT_TRUE(n.length == 96 || n.length == 72) << n.length;
            } else {
                ASSERT_EQ(n.length, 24);
                ASSERT_EQ(n.position % 96, 72);
            }
        }
    }
    EXPECT_EQ(firsts, (std::set<int>{72, 96}));
}

// The buffered style keeps its rhythm from chord to chord of the same length
// while the last note was short, and renews it only after a long one.
TEST_F(MelodyRhythm, BufferedStyleRepeatsUntilALongNoteRenewsIt) {
    SetStyle(8, 0);
    int kept = 0, renewed = 0;
    for (int seed = 1; seed <= 100; ++seed) {
        SeedRandomWith(seed);
        ResetComposerState();
        int previousClass = 0;
        auto last = Lengths(WalkChord(384, 384, previousClass));
        for (int chord = 0; chord < 12; ++chord) {
            const int classBefore = previousClass;
            auto now = Lengths(WalkChord(384, 384, previousClass));
            if (classBefore <= 3) {
                ASSERT_EQ(now, last) << "seed " << seed << " chord " << chord;
                ++kept;
            } else if (now != last) {
                ++renewed;
            }
            last = now;
        }
    }
    EXPECT_GT(kept, 0);
    EXPECT_GT(renewed, 0);
}

// Templates start with a playable 96 in every slot, and a triplet template
// never lingers into a later straight beat.
TEST_F(MelodyRhythm, TemplatesStartPlayableAndFollowTheBeat) {
    for (const RhythmTemplateSlots* slots :
         {&TheComposerState.RhythmTemplate, &TheComposerState.BufferedRhythmTemplate}) {
        for (int v : slots->slot)
            ASSERT_EQ(v, 96);
    }
    SetStyle(8, 3);
    SeedRandomWith(7);
    int previousClass = 0;
    for (int i = 0; i < 20; ++i)
        WalkChord(384, 384, previousClass);
    SetStyle(8, 0);
    previousClass = 0;
    for (const Note& n : WalkChord(384, 384, previousClass))
        if (!n.cut) {
            EXPECT_EQ(n.length % 24, 0);
        }
}
