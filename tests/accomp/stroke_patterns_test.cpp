// Worked figures of the struck-chord harmony types.
#include <gtest/gtest.h>

#include <set>

#include "accomp/harmony_track.h"
#include "core/utilities.h"
#include "tests/accomp/backing_test_util.h"
#include "tests/support/test_support.h"

using backing_test::BackingFixture;
using backing_test::Chords;
using backing_test::Note;
using backing_test::Notes;
using testing_support::Sink;

namespace {

class StrokeTest : public BackingFixture {
protected:
    void SetUp() override {
        BackingFixture::SetUp();
        WorkingStyle.harmonyPattern = 1;
        WorkingStyle.voice[kPartBass] = 33;
        Sink().Clear();
    }
    std::vector<Note> Run(const Chords& chords, int type, int density = 100) {
        ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
        const NoteList melody;
        const NoteList labels;
        GenerateHarmonyPattern(kHarmonyChannel, track, type, 0, density, melody, chords.List(),
                               labels);
        std::vector<Note> notes = Notes(track);
        notes.erase(notes.begin());  // the empty first event
        return notes;
    }
};

// Pitch classes struck at a time (the strums move thirds and sevenths by
// octaves toward the previous chord's).
std::multiset<int> StruckAt(const std::vector<Note>& notes, long long time) {
    std::multiset<int> keys;
    for (const Note& n : notes)
        if (n.time == time) keys.insert(n.key % 12);
    return keys;
}

std::multiset<int> Classes(std::initializer_list<int> keys) {
    std::multiset<int> out;
    for (int k : keys)
        out.insert(k % 12);
    return out;
}

TEST_F(StrokeTest, SlowStrokeStrikesThreeVoicesEveryBeat) {
    Chords chords({{"CMPs", 384}});
    const ChordRecord& c = *chords.List()[0];
    std::vector<Note> notes = Run(chords, 1);
    ASSERT_EQ(notes.size(), 12u);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(StruckAt(notes, 96 * k), Classes({c.third, c.fifth, c.seventh})) << k;
    for (const Note& n : notes) {
        EXPECT_EQ(n.length, 94);
        EXPECT_EQ(n.velocity, 64);
    }
    // Without a bass the root takes the seventh's place.
    WorkingStyle.voice[kPartBass] = kVoiceNotUsed;
    notes = Run(chords, 1);
    EXPECT_EQ(StruckAt(notes, 288), Classes({c.third, c.fifth, c.root}));
}

TEST_F(StrokeTest, SlowStrokeLengthRule) {
    // 432 ticks: four beats and a last 48-tick step held 47.
    std::vector<Note> notes = Run(Chords({{"CMPs", 432}, {"FMPs", 96}}), 1);
    EXPECT_EQ(StruckAt(notes, 384).size(), 3u);
    for (const Note& n : notes)
        if (n.time == 384) {
            EXPECT_EQ(n.length, 47);
        }
    EXPECT_EQ(StruckAt(notes, 432).size(), 3u);  // the next chord at its own start
    EXPECT_EQ(Sink().Count(), 0u);
    // 100 ticks: "Beat Error!", one step, and the 4 left over pass as silence.
    notes = Run(Chords({{"CMPs", 100}, {"FMPs", 96}}), 1);
    EXPECT_EQ(Sink().Count(), 1u);
    EXPECT_EQ(StruckAt(notes, 0).size(), 3u);
    EXPECT_EQ(StruckAt(notes, 100).size(), 3u);
    EXPECT_EQ(notes.size(), 6u);
}

TEST_F(StrokeTest, StrumVoiceLeadingDropsAHighSeventh) {
    Chords chords;
    chords.Add("CMPs", 96).seventh = 76;
    chords.Add("CMPs", 96).seventh = 84;
    const std::vector<Note> notes = Run(chords, 1);
    int sevenths72 = 0;
    for (const Note& n : notes) {
        EXPECT_NE(n.key, 84);
        if (n.time == 96 && n.key == 72) ++sevenths72;
    }
    EXPECT_EQ(sevenths72, 1);
}

TEST_F(StrokeTest, ContinuousStrokeBelow120IsTheSlowStroke) {
    const Chords chords({{"CMPs", 384}});
    const std::vector<Note> slow = Run(chords, 1);
    const std::vector<Note> continuous = Run(chords, 2, 119);
    ASSERT_EQ(slow.size(), continuous.size());
    for (std::size_t i = 0; i < slow.size(); ++i) {
        EXPECT_EQ(slow[i].time, continuous[i].time);
        EXPECT_EQ(slow[i].key, continuous[i].key);
    }
}

// Strum onsets, a double strum's second half (24 ticks on) left out.
std::set<long long> Onsets(const std::vector<Note>& notes) {
    std::set<long long> times;
    for (const Note& n : notes)
        if (WorkingStyle.basicBeat == 3 || n.time % 48 == 0) times.insert(n.time);
    return times;
}

TEST_F(StrokeTest, ContinuousStrokeStrumsOnHalfBeats) {
    // 130 over 100 ticks: "Beat Error!" and two strums.
    std::vector<Note> notes = Run(Chords({{"CMPs", 100}}), 2, 130);
    EXPECT_EQ(Sink().Count(), 1u);
    EXPECT_EQ(Onsets(notes), (std::set<long long>{0, 48}));
    // 120 and 139 strum every 48 ticks, 119 strikes every beat.
    const Chords bar({{"CMPs", 384}});
    EXPECT_EQ(Onsets(Run(bar, 2, 119)).size(), 4u);
    EXPECT_EQ(Onsets(Run(bar, 2, 120)).size(), 8u);
    EXPECT_EQ(Onsets(Run(bar, 2, 139)).size(), 8u);
    // Triplet feel: 64 and 32 ticks alternately.
    WorkingStyle.basicBeat = 3;
    EXPECT_EQ(Onsets(Run(bar, 2, 150)), (std::set<long long>{0, 64, 96, 160, 192, 256, 288, 352}));
}

TEST_F(StrokeTest, WholeNoteTremoloAlternatesNearChordTones) {
    WorkingStyle.tempo = 800000;
    Chords chords({{"CMPs", 100}, {"GMPs", 96}});
    const ChordRecord& c = *chords.List()[0];
    const std::vector<Note> notes = Run(chords, 12, 160);
    std::vector<Note> first;
    for (const Note& n : notes)
        if (n.time < 100) first.push_back(n);
    ASSERT_EQ(first.size(), 9u);  // 12-tick steps, the last cut to the chord's end
    // The root, then the third just above it.
    EXPECT_EQ((first[0].key - c.root) % 12, 0);
    EXPECT_EQ((first[1].key - c.third) % 12, 0);
    EXPECT_EQ(first[1].key - first[0].key, 4);
    EXPECT_EQ(first[3].velocity, 48);
    EXPECT_EQ(first[7].velocity, 42);
    EXPECT_EQ(first[8].length, 4);
    for (const Note& n : notes)
        EXPECT_LE(n.length, 6);
    // The next chord starts from the tone nearest the last first pitch.
    EXPECT_EQ(notes[9].time, 100);
    EXPECT_LE(std::abs(notes[9].key - c.root), 12);
}

TEST_F(StrokeTest, SlowArpeggioWalksItsCycleFromEveryChord) {
    const Chords chords({{"CMPs", 432}, {"FMPs", 384}});
    const ChordRecord& c = *chords.List()[0];
    const ChordRecord& f = *chords.List()[1];
    const std::vector<Note> notes = Run(chords, 3);
    ASSERT_EQ(notes.size(), 17u);  // 9 steps of 48, then 8
    const int cycle[9] = {c.seventh, c.fifth, c.third,   c.fifth,  c.seventh,
                          c.third,   c.fifth, c.seventh, c.seventh};
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(notes[k].time, 48 * k);
        EXPECT_EQ(notes[k].key, cycle[k]) << k;
        EXPECT_EQ(notes[k].length, 47);
    }
    EXPECT_EQ(notes[9].time, 432);
    EXPECT_EQ(notes[9].key, f.seventh);
    // Triplet feel: triplet eighths from the root.
    WorkingStyle.basicBeat = 3;
    const std::vector<Note> triplets = Run(Chords({{"CMPs", 192}}), 3);
    ASSERT_EQ(triplets.size(), 6u);
    EXPECT_EQ(triplets[0].key, c.root);
    EXPECT_EQ(triplets[3].key, c.seventh);
    EXPECT_EQ(triplets[5].time, 160);
    EXPECT_EQ(triplets[5].length, 30);
}

TEST_F(StrokeTest, FastArpeggioPlaysTheRootInThreeOctaves) {
    const Chords chords({{"CMPs", 384}});
    const int root = chords.List()[0]->root;
    const std::vector<Note> notes = Run(chords, 39);
    ASSERT_EQ(notes.size(), 16u);
    for (std::size_t k = 0; k < notes.size(); ++k) {
        EXPECT_EQ(notes[k].time, 24 * static_cast<long long>(k));
        EXPECT_EQ(notes[k].length, 14);
        EXPECT_TRUE(notes[k].key == root || notes[k].key == root + 12 || notes[k].key == root + 24);
        EXPECT_GE(notes[k].velocity, 34);
        EXPECT_LE(notes[k].velocity, 54);
    }
}

TEST_F(StrokeTest, ChineseNeverStrikesAPitchTwiceRunning) {
    const Chords chords({{"CMPs", 384}, {"AmPs", 384}, {"FMPs", 768}});
    for (int beat : {0, 3})
        for (int seed = 1; seed <= 20; ++seed) {
            WorkingStyle.basicBeat = beat;
            SeedRandomWith(seed);
            const std::vector<Note> notes = Run(chords, 7, 100);
            ASSERT_FALSE(notes.empty());
            for (std::size_t k = 1; k < notes.size(); ++k)
                EXPECT_NE(notes[k].key, notes[k - 1].key) << seed << " " << k;
            for (const Note& n : notes)
                EXPECT_EQ(n.length, 15);
        }
}

}  // namespace
