// Worked figures of the stab and dance-rhythm harmony types, the faults
// their figures must not show, and the track rules over every rhythm type.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "accomp/harmony_track.h"
#include "accomp/rhythm_figure.h"
#include "compose/chord_steps.h"
#include "core/utilities.h"
#include "tests/accomp/backing_test_util.h"
#include "tests/support/test_support.h"

using backing_test::BackingFixture;
using backing_test::Chords;
using backing_test::KeepsBackingRules;
using backing_test::Note;
using testing_support::Sink;

namespace {

class RhythmTest : public BackingFixture {
protected:
    void SetUp() override {
        BackingFixture::SetUp();
        WorkingStyle.voice[kPartBass] = 33;
        Sink().Clear();
        SeedRandomWith(5);
    }
    void TearDown() override {
        rhythm::RhythmEndingFlag = 0;
        StartupMelodyList.Clear();
        ImportedMelodyList.Clear();
        BackingFixture::TearDown();
    }
    // The sounding notes of a type over the chords.
    std::vector<Note> Run(const Chords& chords, int type, int density = 100) {
        ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
        GenerateHarmonyPattern(kHarmonyChannel, track, type, 0, density, melody_, chords.List(),
                               labels_);
        return backing_test::Sounding(track);
    }
    NoteList melody_;
    NoteList labels_;
};

std::vector<Note> At(const std::vector<Note>& notes, long long time) {
    std::vector<Note> out;
    for (const Note& n : notes)
        if (n.time == time) out.push_back(n);
    return out;
}

std::multiset<int> Keys(const std::vector<Note>& notes) {
    std::multiset<int> keys;
    for (const Note& n : notes)
        keys.insert(n.key);
    return keys;
}

TEST_F(RhythmTest, BossaNovaPlaysTwoFiguresOnALongChordAndHoldsTheLast) {
    const Chords chords({{"CMPs", 768}, {"FMPs", 384}});
    const ChordRecord& c = *chords.List()[0];
    const ChordRecord& last = *chords.List()[1];
    const std::vector<Note> notes = Run(chords, 35);
    for (int at : {0, 384}) {
        EXPECT_EQ(Keys(At(notes, at)), (std::multiset<int>{c.fifth - 10, c.third, c.root}));
        EXPECT_EQ(At(notes, at)[0].length, 163);
        EXPECT_EQ(Keys(At(notes, at + 168)), (std::multiset<int>{c.fifth - 10, c.third}));
        EXPECT_EQ(Keys(At(notes, at + 216)), (std::multiset<int>{c.fifth, c.root}));
        EXPECT_EQ(Keys(At(notes, at + 264)), (std::multiset<int>{c.seventh}));
        EXPECT_EQ(Keys(At(notes, at + 288)), (std::multiset<int>{c.root + 12}));
        ASSERT_EQ(At(notes, at + 312).size(), 1u);
        EXPECT_EQ(At(notes, at + 312)[0].key, c.fifth + 14);
        EXPECT_EQ(At(notes, at + 312)[0].length, 67);
    }
    for (const Note& n : notes)
        EXPECT_EQ(n.velocity, 84);
    // The last chord: seventh, third and root held to 15 before its end.
    const std::vector<Note> held = At(notes, 768);
    EXPECT_EQ(Keys(held), (std::multiset<int>{last.seventh, last.third, last.root}));
    EXPECT_EQ(held[0].length, 384 - 15);
    EXPECT_EQ(notes.size(), 2u * 10u + 3u);
}

TEST_F(RhythmTest, BassChordCycleRunsOnAcrossChords) {
    const Chords chords({{"CMPs", 192}, {"FMPs", 192}});
    const ChordRecord& c = *chords.List()[0];
    const ChordRecord& f = *chords.List()[1];
    const std::vector<Note> notes = Run(chords, 60);
    EXPECT_EQ(Keys(At(notes, 0)), (std::multiset<int>{c.root - 12}));
    EXPECT_EQ(Keys(At(notes, 48)), (std::multiset<int>{c.fifth, c.third, c.seventh - 12}));
    EXPECT_TRUE(At(notes, 96).empty());
    EXPECT_EQ(Keys(At(notes, 144)), (std::multiset<int>{c.root - 12}));
    // The second chord starts at position 4 (silent), then 5, 6 and 7.
    EXPECT_TRUE(At(notes, 192).empty());
    EXPECT_EQ(Keys(At(notes, 240)), (std::multiset<int>{f.fifth, f.third, f.seventh - 12}));
    EXPECT_EQ(Keys(At(notes, 288)), (std::multiset<int>{f.fifth - 12}));
    EXPECT_TRUE(At(notes, 336).empty());
    for (const Note& n : notes)
        EXPECT_EQ(n.length, 47);
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST_F(RhythmTest, SpanishStrumsEveryTwelveTicks) {
    const Chords chords({{"CMPs", 96}, {"FMPs", 96}});
    const std::vector<Note> notes = Run(chords, 5);
    std::vector<Note> first;
    for (const Note& n : notes)
        if (n.time < 96) first.push_back(n);
    ASSERT_EQ(first.size(), 24u);
    for (std::size_t k = 0; k < first.size(); ++k) {
        EXPECT_EQ(first[k].time, 12 * static_cast<long long>(k / 3) + 3 * (k % 3));
        EXPECT_EQ(first[k].length, std::min(8LL, 96 - first[k].time));  // cut at the end
        EXPECT_EQ(first[k].velocity, 84);
        EXPECT_LE(first[k].key, 80);
    }
    // Every second strum opens on the fifth an octave lower.
    EXPECT_EQ(first[3].key, first[0].key - 12);
}

TEST_F(RhythmTest, UnevenChordsPassTheirRestAsSilence) {
    // Type 60 over 100 ticks: "Beat Error!", two whole steps, and the next
    // chord at its own start.
    const Chords uneven({{"CMPs", 100}, {"FMPs", 96}});
    std::vector<Note> notes = Run(uneven, 60);
    EXPECT_EQ(Sink().Count(), 1u);
    for (const Note& n : notes)
        EXPECT_TRUE(n.time == 0 || n.time == 48 || n.time == 148) << n.time;
    EXPECT_EQ(Keys(At(notes, 148)), (std::multiset<int>{uneven.List()[1]->root - 12}));
    // A held two-step chord at the chord's last step is cut at its end.
    notes = Run(Chords({{"CMPs", 432}, {"FMPs", 384}}), 60);
    for (const Note& n : At(notes, 384))
        EXPECT_EQ(n.length, 48);
    // Lengths that come out below 1 leave no note; the time still passes.
    for (int type : {15, 35, 36, 37, 59}) {
        notes = Run(Chords({{"CMPs", 1}, {"FMPs", 1}, {"GMPs", 384}}), type);
        for (const Note& n : notes) {
            EXPECT_GE(n.length, 1) << type;
            EXPECT_GE(n.time, 2) << type;
        }
    }
}

TEST_F(RhythmTest, LatinHeldPairKeepsTheNextChordInPlace) {
    const Chords chords({{"CMPs", 192}, {"FMPs", 192}, {"GMPs", 384}});
    std::set<long long> firstStarts;
    for (int seed = 1; seed <= 12; ++seed) {
        SeedRandomWith(seed);
        const std::vector<Note> notes = Run(chords, 36);
        for (const Note& n : notes) {
            if (n.time < 192) {
                EXPECT_LE(n.time + n.length, 192);
                firstStarts.insert(n.time);
            }
        }
        EXPECT_FALSE(At(notes, 384).empty()) << seed;
    }
    // Both forms were drawn: the held pair at 48 (to 182), or two short pairs.
    EXPECT_TRUE(firstStarts.count(0));
    EXPECT_TRUE(firstStarts.count(48));
}

TEST_F(RhythmTest, LastChordOfTheTechnoFollowsTheComposerFlag) {
    const Chords chords({{"CMPs", 384}, {"FMPs", 384}});
    const ChordRecord& f = *chords.List()[1];
    rhythm::RhythmEndingFlag = 0;
    std::vector<Note> notes = Run(chords, 17, 100);
    std::vector<Note> ending;
    for (const Note& n : notes)
        if (n.time >= 384) ending.push_back(n);
    // A bar's rest, then four voices rising 4 ticks apart.
    ASSERT_EQ(ending.size(), 4u);
    const int keys[4] = {f.bass + 2, f.third, f.fifth, f.third + 15};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(ending[k].time, 768 + 4 * k);
        EXPECT_EQ(ending[k].key, keys[k]);
        EXPECT_EQ(ending[k].length, 188 - 4 * k);
    }
    rhythm::RhythmEndingFlag = 1;
    notes = Run(chords, 17, 100);
    EXPECT_EQ(At(notes, 384).size(), 1u);  // the stab cell, voices 2 ticks apart
    EXPECT_EQ(At(notes, 388).size(), 1u);
    EXPECT_EQ(At(notes, 432).size(), 1u);
}

TEST_F(RhythmTest, RhythmicOpensUnderTheMelodysLeadingRest) {
    const Chords chords({{"CMPs", 768}, {"FMPs", 384}});
    // Without a leading rest in the shell lists no pickup is played: the
    // first chord's cell repeats from its start.
    std::vector<Note> notes = Run(chords, 10, 80);
    EXPECT_FALSE(At(notes, 0).empty());
    for (NoteList* list : {&StartupMelodyList, &ImportedMelodyList}) {
        list->AppendNote(192, 0);
        list->AppendNote(96, 60);
    }
    ASSERT_EQ(ShortestLeadingRest(), 192);
    for (int seed = 1; seed <= 6; ++seed) {
        SeedRandomWith(seed);
        notes = Run(chords, 10, 80);
        // Short stabs under the rest, then the chord held from the melody's
        // first note with its voices 4 ticks apart.
        for (const Note& n : notes) {
            if (n.time < 192) {
                EXPECT_LE(n.length, 28);
            }
        }
        const std::vector<Note> held = At(notes, 192);
        ASSERT_EQ(held.size(), 1u);
        EXPECT_GE(held[0].length, 300);
        EXPECT_EQ(At(notes, 196).size(), 1u);
    }
}

TEST_F(RhythmTest, RapTechnoStaysSilentForThirteenChords) {
    Chords chords;
    for (int i = 0; i < 20; ++i)
        chords.Add("CMPs", 384);
    const std::vector<Note> notes = Run(chords, 18);
    for (const Note& n : notes)
        EXPECT_GE(n.time, 13 * 384);
    // A sounding bar chord: struck for 40, again 48 later held 328.
    for (const Note& n : notes)
        EXPECT_TRUE((n.time % 384 == 0 && n.length == 40) ||
                    (n.time % 384 == 48 && n.length == 328));
}

// Chords of odd lengths, a chord without a root, and bars.
Chords SweepChords() {
    return Chords({{"CMPs", 384},
                   {"AmPs", 18},
                   {"FMPd", 100},
                   {"GMPs", 144},
                   {"NoCd", 192},
                   {"DmPd", 336},
                   {"CMPd", 768},
                   {"EmPs", 192},
                   {"AmPd", 288},
                   {"GMPd", 432},
                   {"CMPS", 96},
                   {"FMPS", 384}});
}

TEST_F(RhythmTest, EveryRhythmTypeKeepsTheTrackRules) {
    for (const char* label : {"AXXX", "AXXX", "BXXX", "BXXX", "AXXX", "CXXX"})
        labels_.AppendLabel(384, label);
    melody_.AppendNote(96, 60);
    melody_.AppendNote(576, 64);
    const Chords lists[] = {SweepChords(), Chords({{"CMPs", 384}})};
    const int types[] = {5,  10, 15, 17, 18, 19, 20, 21, 23, 29, 31, 35,
                         36, 37, 38, 44, 50, 55, 56, 57, 58, 59, 60, 61};
    for (int type : types)
        for (const Chords& chords : lists)
            for (int form = 0; form < 12; ++form) {
                const int channel = form % 2 ? kSubHarmonyChannel : kHarmonyChannel;
                WorkingStyle.voice[kPartBass] = form % 4 >= 2 ? kVoiceNotUsed : 33;
                WorkingStyle.voice[channel] = form % 3 ? 25 : 0;
                WorkingStyle.basicBeat = form >= 6 ? 3 : 0;
                WorkingStyle.timeSignature = form % 3;
                WorkingStyle.setting716 = static_cast<std::uint16_t>(1 + form % 2);
                rhythm::RhythmEndingFlag = form % 5 == 0;
                for (int density : {40, 60, 61, 79, 80, 81, 100, 101, 119, 120, 139, 140, 160}) {
                    SeedRandomWith(form * 1000 + density);
                    ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
                    GenerateHarmonyPattern(channel, track, type, 0, density, melody_, chords.List(),
                                           labels_);
                    const std::string what = "type " + std::to_string(type) + " form " +
                                             std::to_string(form) + " density " +
                                             std::to_string(density);
                    if (!KeepsBackingRules(track, 1, channel, chords, what, 800)) return;
                }
            }
}

}  // namespace
