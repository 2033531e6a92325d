// Worked figures of the stab and dance-rhythm harmony types, the faults
// their figures must not show, and the track rules over every rhythm type.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
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

TEST_F(RhythmTest, HipHopHoldsTheLowPairAndAnswersBeforeTheChordsEnd) {
    Chords chords({{"CMPs", 384}, {"FMPs", 288}, {"GMPs", 96}});
    chords.List()[0]->fifth = 70;  // two octaves down from 70 up
    const ChordRecord& c = *chords.List()[0];
    const ChordRecord& f = *chords.List()[1];
    const ChordRecord& g = *chords.List()[2];
    auto lowFifth = [](const ChordRecord& r) { return r.fifth - (r.fifth >= 70 ? 24 : 12); };
    std::vector<Note> notes = Run(chords, 15);
    std::vector<Note> open = At(notes, 0);
    ASSERT_EQ(open.size(), 2u);
    EXPECT_EQ(open[0].key, 70 - 24);
    EXPECT_EQ(open[0].velocity, 44);
    EXPECT_EQ(open[1].key, c.root - 12);
    EXPECT_EQ(open[1].length, 136);
    for (long long t : {336, 360}) {
        ASSERT_EQ(At(notes, t).size(), 1u) << t;
        EXPECT_EQ(At(notes, t)[0].key, c.root - 12);
        EXPECT_EQ(At(notes, t)[0].length, 23);
    }
    // 288 ticks: the pair held a beat, the roots 48 and 24 before the end.
    EXPECT_EQ(At(notes, 384)[0].key, lowFifth(f));
    EXPECT_EQ(At(notes, 384)[0].length, 96);
    EXPECT_EQ(At(notes, 384 + 240).size(), 1u);
    EXPECT_EQ(At(notes, 384 + 264).size(), 1u);
    // Below 192 ticks: the pair for half the chord.
    EXPECT_EQ(Keys(At(notes, 672)), (std::multiset<int>{lowFifth(g), g.root - 12}));
    EXPECT_EQ(At(notes, 672)[0].length, 48);
    EXPECT_EQ(notes.size(), 10u);
}

TEST_F(RhythmTest, SlowWaltzStrikesOncePerDottedHalf) {
    WorkingStyle.timeSignature = kMetre34;
    WorkingStyle.setting716 = 2;
    const Chords chords({{"CMPs", 288}, {"FMPs", 100}, {"GMPs", 288}});
    const ChordRecord& c = *chords.List()[0];
    const std::vector<Note> notes = Run(chords, 59);
    const std::multiset<int> low = {c.third - 12, c.fifth - 12, c.root - 12};
    EXPECT_EQ(Keys(At(notes, 0)), low);
    EXPECT_EQ(Keys(At(notes, 144)), low);
    for (const Note& n : At(notes, 0))
        EXPECT_EQ(n.length, 72);
    // Off the 144-tick grid: one strike held half the chord.
    ASSERT_EQ(At(notes, 288).size(), 3u);
    EXPECT_EQ(At(notes, 288)[0].length, 50);
    for (const Note& n : notes)
        EXPECT_TRUE(n.time == 0 || n.time == 144 || n.time == 288 || n.time == 388 || n.time == 532)
            << n.time;
}

TEST_F(RhythmTest, BoreroSoundsTheFifthOnTenOfEighteenSteps) {
    const Chords chords({{"CMPs", 18 * 24}, {"FMPs", 96}});
    const std::vector<Note> notes = Run(chords, 50);
    std::vector<long long> first;
    for (const Note& n : notes) {
        if (n.time >= 18 * 24) continue;
        EXPECT_EQ(n.key, chords.List()[0]->fifth);
        EXPECT_EQ(n.length, 22);
        first.push_back(n.time / 24);
    }
    EXPECT_EQ(first, (std::vector<long long>{0, 3, 4, 5, 6, 9, 10, 11, 12, 15}));
    // The cell starts again with every chord.
    EXPECT_FALSE(At(notes, 18 * 24).empty());
}

TEST_F(RhythmTest, JazzWaltzVoicesStayLowSortedAndApart) {
    WorkingStyle.voice[kPartHarmony] = 25;  // a guitar strums its voices
    const Chords chords({{"CMPs", 384}, {"FMPs", 384}});
    for (int seed = 1; seed <= 4; ++seed) {
        SeedRandomWith(seed);
        const std::vector<Note> notes = Run(chords, 61);
        std::map<long long, std::vector<int>> beats;
        for (const Note& n : notes) {
            EXPECT_LT(n.key, 68);
            beats[n.time / 96 * 96].push_back(n.key);
            const long long into = n.time % 96;
            const bool even = n.time / 96 % 2 == 0;
            EXPECT_EQ(into % (even ? 4 : 2), 0);
        }
        for (auto& [beat, keys] : beats) {
            EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end())) << beat;
            EXPECT_EQ(std::set<int>(keys.begin(), keys.end()).size(), keys.size()) << beat;
        }
        // The last chord holds its third beat and leaves the fourth silent.
        EXPECT_EQ(beats.count(384 + 288), 0u);
        ASSERT_EQ(beats.count(384 + 192), 1u);
        for (const Note& n : notes) {
            if (n.time >= 576) {
                EXPECT_EQ(n.length, 88);
            }
        }
    }
}

TEST_F(RhythmTest, TangoOneClosesItsBlock) {
    for (const char* label : {"AXXX", "AXXX", "BXXX"})
        labels_.AppendLabel(384, label);
    const Chords chords({{"CMPs", 384}, {"FMPs", 384}, {"GMPs", 384}});
    const std::vector<Note> notes = Run(chords, 21);
    // Inside the block: the unit-long chord on step 1, the short one on 2.
    EXPECT_TRUE(At(notes, 0).empty());
    ASSERT_EQ(At(notes, 96).size(), 3u);
    EXPECT_EQ(At(notes, 96)[0].length, 96);
    EXPECT_EQ(At(notes, 192)[0].length, 20);
    EXPECT_TRUE(At(notes, 288).empty());
    // The block's last chord: three short strikes, a soft one and the late
    // answer.
    for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(At(notes, 384 + 96 * k).size(), 3u) << k;
        EXPECT_EQ(At(notes, 384 + 96 * k)[0].velocity, k == 0 ? 64 : 44);
        EXPECT_EQ(At(notes, 384 + 96 * k)[0].length, 12);
    }
    EXPECT_EQ(At(notes, 384 + 288)[0].velocity, 34);
    EXPECT_EQ(At(notes, 384 + 288 + 54).size(), 3u);
}

TEST_F(RhythmTest, DenseRhythmicTurnsItsInversionsAndHoldsTheEnd) {
    const Chords chords({{"CMPs", 384}, {"FMPs", 384}, {"GMPs", 384}});
    const std::vector<Note> notes = Run(chords, 10, 150);
    for (const Note& n : notes) {
        EXPECT_GE(n.key, 36);
        EXPECT_LE(n.key, 92);
    }
    // The first chord strikes on every beat, the inversion turning.
    std::set<int> lowest;
    for (int b = 0; b < 4; ++b) {
        const std::vector<Note> beat = At(notes, 96 * b);
        ASSERT_FALSE(beat.empty()) << b;
        lowest.insert(Keys(beat).begin().operator*());
    }
    EXPECT_EQ(lowest.size(), 4u);
    // The last chord: one held chord.
    std::vector<Note> last;
    for (const Note& n : notes)
        if (n.time >= 768) last.push_back(n);
    ASSERT_FALSE(last.empty());
    for (const Note& n : last) {
        EXPECT_EQ(n.time, 768);
        EXPECT_EQ(n.length, 376);
    }
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
