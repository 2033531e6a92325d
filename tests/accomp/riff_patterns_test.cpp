// The riff and melodic-line harmony types: their worked figures, the riff
// memory and the style's own riff, and the rules every one of them keeps.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "accomp/harmony_families.h"
#include "accomp/harmony_track.h"
#include "compose/chord_weights.h"
#include "core/utilities.h"
#include "tests/accomp/backing_test_util.h"

using backing_test::BackingFixture;
using backing_test::Chords;
using backing_test::KeepsBackingRules;
using backing_test::Note;
using backing_test::Sounding;

namespace {

class RiffTest : public BackingFixture {
protected:
    void SetUp() override {
        BackingFixture::SetUp();
        WorkingStyle.voice[kPartBass] = 33;
        std::fill(std::begin(WorkingStyle.riff), std::end(WorkingStyle.riff), 0);
        const int zero[kRiffTableSize] = {};
        CopyRiffMemory(savedMemory_);
        StoreRiffMemory(zero);
        ComposeInfo.labels.Clear();
        SeedRandomWith(11);
    }
    void TearDown() override {
        StoreRiffMemory(savedMemory_);
        ComposeInfo.labels.Clear();
        BackingFixture::TearDown();
    }
    std::vector<Note> Run(const Chords& chords, int type, int density = 100) {
        ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
        const NoteList melody;
        GenerateHarmonyPattern(kHarmonyChannel, track, type, 0, density, melody, chords.List(),
                               ComposeInfo.labels);
        return Sounding(track);
    }
    void SetStyleRiff(std::initializer_list<int> bytes) {
        int i = 0;
        for (int b : bytes)
            WorkingStyle.riff[i++] = static_cast<std::uint8_t>(b);
    }

private:
    int savedMemory_[kRiffTableSize] = {};
};

std::set<int> StepPitches(const ChordRecord& c) {
    return {c.root,       c.root + 2,   c.third,      c.fifth - 2,   c.fifth,
            c.fifth + 2,  c.seventh,    c.root + 12,  c.root + 14,   c.third + 12,
            c.fifth + 10, c.fifth + 12, c.fifth + 14, c.seventh + 12};
}

TEST_F(RiffTest, RiffAtHighDensityPlaysSixteenthsFromTheChordSteps) {
    WorkingStyle.density[kPartHarmony] = 150;
    Chords chords({{"CMPs", 384}, {"FMPs", 384}, {"GMPs", 768}});
    const std::vector<long long> starts = chords.Starts();
    for (int seed = 1; seed <= 5; ++seed) {
        SeedRandomWith(seed);
        const std::vector<Note> notes = Run(chords, 30);
        ASSERT_FALSE(notes.empty());
        for (const Note& n : notes) {
            EXPECT_EQ(n.time % 24, 0);
            EXPECT_EQ(n.length, 15);
            EXPECT_EQ(n.velocity, 64);
            int i = 0;
            while (i + 1 < 3 && n.time >= starts[static_cast<std::size_t>(i + 1)])
                ++i;
            EXPECT_TRUE(StepPitches(*chords.List()[static_cast<std::size_t>(i)]).count(n.key))
                << n.key << " at " << n.time;
        }
    }
}

TEST_F(RiffTest, RiffOnAChordLongerThanItsStepsWalksRoundThem) {
    // 128 sixteenths on one chord: the second 64 repeat the first.
    WorkingStyle.density[kPartHarmony] = 150;
    for (int seed = 1; seed <= 5; ++seed) {
        SeedRandomWith(seed);
        const std::vector<Note> notes = Run(Chords({{"CMPs", 3072}}), 30);
        std::multiset<std::pair<long long, int>> first, second;
        for (const Note& n : notes)
            (n.time < 1536 ? first : second).insert({n.time % 1536, n.key});
        EXPECT_FALSE(first.empty());
        EXPECT_EQ(first, second) << seed;
    }
}

TEST_F(RiffTest, FixedLongRiffBeforeAnyLongRiffPlaysUnitFifthsOnBothVoices) {
    const Chords chords({{"CMPs", 384}});
    const ChordRecord& c = *chords.List()[0];
    const std::vector<Note> notes = Run(chords, 41);
    ASSERT_EQ(notes.size(), 32u);
    for (std::size_t k = 0; k < notes.size(); ++k) {
        EXPECT_EQ(notes[k].time, 24 * static_cast<long long>(k / 2));
        EXPECT_EQ(notes[k].key, c.fifth - 12);
        EXPECT_EQ(notes[k].length, 22);
    }
}

TEST_F(RiffTest, FixedLongRiffPlaysTheStylesRiffToItsEnd) {
    // Root and third for a beat, the third alone (255 silences the second
    // voice) for a beat, then the root on the second voice under a first
    // voice code outside the table; the zeros after it end the riff.
    SetStyleRiff({4, 4, 6, 4, 6, 255, 8, 20, 4});
    const Chords chords({{"CMPs", 384}, {"FMPs", 384}});
    const ChordRecord& c = *chords.List()[0];
    std::vector<Note> notes = Run(chords, 41);
    ASSERT_GE(notes.size(), 4u);
    EXPECT_EQ(drum_test::KeysAt(notes, 0), (std::vector<int>{c.root, c.third}));
    EXPECT_EQ(drum_test::KeysAt(notes, 96), (std::vector<int>{c.third}));
    EXPECT_EQ(drum_test::KeysAt(notes, 192), (std::vector<int>{c.root}));
    EXPECT_EQ(notes[3].length, 190);
    // The second chord is the tune's last: both voices of the riff's first
    // triple held, 74..84 loud.
    const ChordRecord& f = *chords.List()[1];
    const std::vector<int> last = drum_test::KeysAt(notes, 384);
    EXPECT_EQ(last, (std::vector<int>{f.root, f.third}));
    for (const Note& n : notes)
        if (n.time == 384) {
            EXPECT_EQ(n.length, 382);
            EXPECT_GE(n.velocity, 74);
            EXPECT_LE(n.velocity, 84);
        }
    // Last-chord pitches off the chord's scale rise to the next that is on it.
    std::fill(std::begin(WorkingStyle.riff), std::end(WorkingStyle.riff), 0);
    SetStyleRiff({16, 7, 5});
    notes = Run(chords, 41);
    const std::vector<int> raised = drum_test::KeysAt(notes, 384);
    const int raw[2] = {f.fifth - 2, f.root + 2};
    ASSERT_EQ(raised.size(), 2u);
    for (int v = 0; v < 2; ++v) {
        int expected = raw[v];
        while (!IsPitchUsableOverChord(expected, f.code.text) && expected < raw[v] + 12)
            ++expected;
        EXPECT_EQ(raised[static_cast<std::size_t>(v)], expected) << v;
    }
    std::fill(std::begin(WorkingStyle.riff), std::end(WorkingStyle.riff), 0);
    SetStyleRiff({4, 4, 6, 4, 6, 255, 8, 20, 4});
    // On a longer tune the riff cycles bar by bar, never playing its padding.
    notes = Run(Chords({{"CMPs", 384}, {"FMPs", 384}, {"GMPs", 384}}), 41);
    for (const Note& n : notes) {
        if (n.time >= 768) continue;
        EXPECT_NE(n.time % 384 % 96, 24) << n.time;
        EXPECT_GE(n.length, 94);
    }
    // A chord of fewer than 5 units starts the riff again; a longer one
    // carries it on.
    const Chords mixed({{"CMPs", 96}, {"FMPs", 384}, {"GMPs", 96}, {"CMPs", 384}});
    const ChordRecord& g = *mixed.List()[2];
    notes = Run(mixed, 41);
    EXPECT_EQ(drum_test::KeysAt(notes, 96), (std::vector<int>{mixed.List()[1]->third}));
    EXPECT_EQ(drum_test::KeysAt(notes, 480), (std::vector<int>{g.root, g.third}));
}

TEST_F(RiffTest, LongRiffKeepsItsRiffForTheFixedType) {
    const Chords chords({{"CMPs", 768}});
    for (int seed = 1; seed <= 4; ++seed) {
        SeedRandomWith(seed);
        const std::vector<Note> made = Run(chords, seed % 2 ? 40 : 46);
        const std::vector<Note> replayed = Run(chords, 41);
        ASSERT_EQ(made.size(), replayed.size()) << seed;
        for (std::size_t k = 0; k < made.size(); ++k) {
            EXPECT_EQ(made[k].time, replayed[k].time);
            EXPECT_EQ(made[k].key, replayed[k].key);
            EXPECT_EQ(made[k].length, replayed[k].length);
        }
        // The style's own riff wins over the memory.
        SetStyleRiff({32, 11, 255});
        const std::vector<Note> own = Run(chords, 41);
        ASSERT_EQ(own.size(), 1u);
        EXPECT_EQ(own[0].key, chords.List()[0]->root + 12);
        SetStyleRiff({0});
    }
}

TEST_F(RiffTest, AnEmptyRandomRiffPlaysUnitFifths) {
    // No random riff fits a triplet 7/8 bar.
    WorkingStyle.basicBeat = 3;
    WorkingStyle.timeSignature = kMetre78;
    const Chords chords({{"CMPs", 672}});
    const std::vector<Note> notes = Run(chords, 40);
    ASSERT_EQ(notes.size(), 2u * 21u);
    for (const Note& n : notes) {
        EXPECT_EQ(n.time % 32, 0);
        EXPECT_EQ(n.key, chords.List()[0]->fifth - 12);
    }
}

TEST_F(RiffTest, MiddleEastRunFallsToTheRootAndHolds) {
    const Chords chords({{"CMPs", 384}, {"FMPs", 384}});
    const int root = chords.List()[0]->root;
    bool drawn = false;
    for (int seed = 1; seed <= 40 && !drawn; ++seed) {
        SeedRandomWith(seed);
        std::vector<Note> notes = Run(chords, 26);
        std::erase_if(notes, [](const Note& n) { return n.time >= 384; });
        if (notes.size() != 7u) {
            // Otherwise the root bent up from below, soft, for the chord.
            ASSERT_EQ(notes.size(), 1u);
            EXPECT_EQ(notes[0].key, root);
            EXPECT_EQ(notes[0].velocity, 49);
            EXPECT_EQ(notes[0].length, 382);
            continue;
        }
        drawn = true;
        const int fall[7] = {12, 11, 8, 7, 3, 2, 0};
        for (int k = 0; k < 7; ++k) {
            EXPECT_EQ(notes[k].time, 6 * k);
            EXPECT_EQ(notes[k].key, root + fall[k]);
        }
        EXPECT_EQ(notes[5].length, 173);
        EXPECT_EQ(notes[5].velocity, 59);
        EXPECT_EQ(notes[6].length, 346);
        EXPECT_EQ(notes[6].velocity, 54);
    }
    EXPECT_TRUE(drawn);
}

TEST_F(RiffTest, MelodicAtFullDensityNeverRestsHoweverSoft) {
    const Chords chords({{"CMPs", 3072}});
    bool softest = false;
    for (int seed = 1; seed <= 5; ++seed) {
        SeedRandomWith(seed);
        const std::vector<Note> notes = Run(chords, 24, 200);
        ASSERT_FALSE(notes.empty());
        EXPECT_EQ(notes[0].time, 0);
        for (std::size_t k = 0; k < notes.size(); ++k) {
            EXPECT_GE(notes[k].velocity, 1);
            EXPECT_LE(notes[k].velocity, 44);
            EXPECT_TRUE(IsPitchUsableOverChord(notes[k].key, chords.List()[0]->code.text));
            if (k > 0) {
                EXPECT_EQ(notes[k].time, notes[k - 1].time + notes[k - 1].length + 2);
                EXPECT_NE(notes[k].key, notes[k - 1].key);
            }
            softest = softest || notes[k].velocity == 1;
        }
    }
    EXPECT_TRUE(softest);
}

// Every riff and melodic-line type, straight and triplet, in three metres,
// with and without bass, inside and outside 'A' blocks, at densities on
// both sides of the thresholds.
TEST_F(RiffTest, EveryTypeKeepsTheBackingRules) {
    const Chords odd({{"CMPS", 384},
                      {"AmPs", 18},
                      {"FMPd", 100},
                      {"GMPs", 144},
                      {"DmPd", 336},
                      {"CMPd", 768},
                      {"EmPs", 192},
                      {"AmPd", 3072},
                      {"GMPd", 432},
                      {"CMPS", 384}});
    const Chords one({{"FMPs", 384}});
    const int types[] = {11, 24, 26, 27, 30, 32, 33, 40, 41, 42, 45, 46, 51, 52, 54};
    std::set<int> sounded;
    for (int type : types)
        for (int beat : {0, 3})
            for (int metre : {kMetre44, kMetre34, kMetre78})
                for (int density : {40, 61, 100, 120, 150, 200})
                    for (int variant = 0; variant < 4; ++variant) {
                        WorkingStyle.basicBeat = beat;
                        WorkingStyle.timeSignature = metre;
                        WorkingStyle.density[kPartHarmony] = density;
                        WorkingStyle.chordProgression = variant % 2 ? 2 : 7;
                        WorkingStyle.voice[kPartBass] = variant % 2 ? 33 : kVoiceNotUsed;
                        ComposeInfo.labels.Clear();
                        if (variant >= 2)
                            for (int i = 0; i < 6; ++i)
                                ComposeInfo.labels.AppendLabel(384, i < 3 ? "AXXX" : "BXXX");
                        SeedRandomWith(type * 131 + density + variant);
                        for (const Chords* chords : {&odd, &one}) {
                            ComposeTrackData track(note_mode::kLength,
                                                   static_cast<int>(WorkBufferSize));
                            const NoteList melody;
                            GenerateHarmonyPattern(kSubHarmonyChannel, track, type, 0, density,
                                                   melody, chords->List(), ComposeInfo.labels);
                            const std::string what =
                                "type " + std::to_string(type) + " beat " + std::to_string(beat) +
                                " metre " + std::to_string(metre) + " density " +
                                std::to_string(density) + " variant " + std::to_string(variant);
                            ASSERT_TRUE(
                                KeepsBackingRules(track, 0, kSubHarmonyChannel, *chords, what));
                            if (!Sounding(track).empty()) sounded.insert(type);
                        }
                    }
    EXPECT_EQ(sounded, std::set<int>(std::begin(types), std::end(types)));
}

}  // namespace
