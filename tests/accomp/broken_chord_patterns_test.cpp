// Worked figures of "Pops", "Whole Note High" and the arpeggio types, and the
// rules they keep that the track sweep cannot see: units that end with
// their chord, scoops that leave the next chord at its start, the pedal
// ahead of the first press.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <tuple>

#include "accomp/custom_grid.h"
#include "accomp/harmony_track.h"
#include "compose/chord_weights.h"
#include "core/utilities.h"
#include "tests/accomp/backing_test_util.h"

using backing_test::BackingFixture;
using backing_test::Chords;
using backing_test::Note;
using backing_test::Notes;
using backing_test::Sounding;

namespace {

class BrokenChordTest : public BackingFixture {
protected:
    void SetUp() override {
        BackingFixture::SetUp();
        WorkingStyle.harmonyPattern = 1;
        WorkingStyle.voice[kPartBass] = 33;
        SeedRandomWith(3);
    }
    void Run(ComposeTrackData& track, const Chords& chords, int type, int density,
             const NoteList& labels = NoteList()) {
        const NoteList melody;
        GenerateHarmonyPattern(kHarmonyChannel, track, type, 0, density, melody, chords.List(),
                               labels);
    }
    std::vector<Note> Run(const Chords& chords, int type, int density = 100) {
        ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
        Run(track, chords, type, density);
        return Sounding(track);
    }
};

Chords OddChords() {
    return Chords({{"CMPs", 432},
                   {"AmPs", 18},
                   {"FMPd", 100},
                   {"GMPs", 144},
                   {"DmPd", 336},
                   {"CMPd", 384},
                   {"EmPs", 192},
                   {"AmPd", 290},
                   {"GMPs", 576},
                   {"CMPs", 96}});
}

// The chord a time falls in.
std::size_t ChordAt(const Chords& chords, long long time) {
    const std::vector<long long> starts = chords.Starts();
    return static_cast<std::size_t>(std::upper_bound(starts.begin(), starts.end(), time) -
                                    starts.begin() - 1);
}

TEST_F(BrokenChordTest, PopsUnitsEndWithTheirChord) {
    const Chords chords = OddChords();
    const std::vector<long long> starts = chords.Starts();
    struct Form {
        int beat, field, density;
    };
    for (const Form f : {Form{3, 0, 100}, Form{0, 0, 30}, Form{0, 0, 50}, Form{0, 2, 70},
                         Form{0, 0, 70}, Form{0, 0, 90}})
        for (int seed = 1; seed <= 12; ++seed) {
            WorkingStyle.basicBeat = f.beat;
            WorkingStyle.setting716 = static_cast<std::uint16_t>(f.field);
            SeedRandomWith(seed);
            const std::vector<Note> notes = Run(chords, 4, f.density);
            ASSERT_FALSE(notes.empty());
            std::vector<bool> sounded(starts.size(), false);
            for (const Note& n : notes) {
                const std::size_t i = ChordAt(chords, n.time);
                sounded[i] = true;
                EXPECT_LE(n.time + n.length, starts[i] + chords.List()[i]->length)
                    << "density " << f.density << " seed " << seed << " at " << n.time;
            }
            // Every chord of an eighth or more sounds (the lightest form
            // holds chords of a beat or less for their length less 2).
            for (std::size_t i = 0; i < starts.size(); ++i)
                EXPECT_TRUE(chords.List()[i]->length < 48 || sounded[i])
                    << "density " << f.density << " chord " << i;
        }
}

TEST_F(BrokenChordTest, PopsStraightUnitsStrikeTheVoicedChord) {
    // d > 80: eighths and quarters of third, fifth and seventh; without a
    // seventh the root.
    Chords chords;
    chords.Add("CMPs", 96).seventh = 0;
    const ChordRecord& c = *chords.List()[0];
    const std::vector<Note> notes = Run(chords, 4, 90);
    std::vector<int> keys;
    for (const Note& n : notes)
        if (n.time == 0) keys.push_back(n.key);
    std::sort(keys.begin(), keys.end());
    std::vector<int> want = {c.root, c.third, c.fifth};
    std::sort(want.begin(), want.end());
    EXPECT_EQ(keys, want);
}

TEST_F(BrokenChordTest, PopsLightAndCompoundFigures) {
    // Up to 40 on a chord off the bar: third and fifth held, then the quick
    // rising figure in the last eighth.
    const Chords chords({{"CMPs", 200}});
    const ChordRecord& c = *chords.List()[0];
    std::vector<Note> notes = Run(chords, 4, 40);
    std::vector<std::tuple<long long, int, int>> got;
    for (const Note& n : notes)
        got.emplace_back(n.time, n.key, n.length);
    std::sort(got.begin(), got.end());
    std::vector<std::tuple<long long, int, int>> want = {
        {0, c.third, 150}, {0, c.fifth, 150}, {152, c.fifth, 16}, {154, c.third, 18},
        {156, c.root, 20}, {176, c.root, 16}, {178, c.third, 18}, {180, c.fifth, 20}};
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
    // 61..80 in compound metre: a chord of eighths off the 144-tick unit is
    // root, third and fifth on the eighths.
    WorkingStyle.setting716 = 2;
    notes = Run(Chords({{"CMPs", 192}}), 4, 70);
    ASSERT_EQ(notes.size(), 4u);
    const int cycle[4] = {c.root, c.third, c.fifth, c.root};
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(notes[k].time, 48 * static_cast<long long>(k));
        EXPECT_EQ(notes[k].key, cycle[k]);
        EXPECT_EQ(notes[k].length, 46);
    }
}

TEST_F(BrokenChordTest, ScoopsLeaveTheNextChordAtItsStart) {
    // A scoop that would run past its chord is played plain.
    const Chords chords({{"CMPs", 18}, {"FMPs", 96}});
    ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
    ChordWalk walk(kHarmonyChannel, track, chords.List());
    walk.ForEachChord([](ChordWalk& w) {
        if (w.IsFirst()) {
            w.Bend(ChordWalk::BendKind::kScoop, 0, 72, 21, 16, 2);
            w.Bend(ChordWalk::BendKind::kScoop, 10, 76, 21, 6, 2);
        } else {
            w.Note(0, 60, 64, 90);
        }
    });
    const std::vector<Note> notes = Sounding(track);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[1].time, 10);
    EXPECT_EQ(notes[2].time, 18);
    EXPECT_EQ(notes[2].key, 60);

    // "Whole Note High": soft high tones, scooped, on the bars drawn.
    const Chords bars({{"CMPs", 384},
                       {"FMPs", 384},
                       {"GMPs", 384},
                       {"CMPs", 384},
                       {"AmPs", 384},
                       {"DmPs", 384},
                       {"GMPs", 384},
                       {"CMPs", 384}});
    int bends = 0;
    std::size_t sounded = 0;
    for (int seed = 1; seed <= 5; ++seed) {
        SeedRandomWith(seed);
        ComposeTrackData high(note_mode::kLength, static_cast<int>(WorkBufferSize));
        SetProgram(high, kHarmonyChannel, 24);  // a voice that bends
        Run(high, bars, 53, 100);
        for (int i = 0; i < high.EventCount(); ++i)
            if (high.Event(i)->kind == event_kind::kPitchBend) ++bends;
        for (const Note& n : Sounding(high)) {
            const ChordRecord& c = *bars.List()[ChordAt(bars, n.time)];
            const long long at = n.time % 384;
            EXPECT_EQ(n.velocity, 21);
            EXPECT_TRUE((at == 0 && (n.key == c.seventh + 24 || n.key == c.third + 36)) ||
                        (at == 10 && n.key == c.fifth + 24))
                << n.time << " " << n.key;
            EXPECT_EQ(n.time % 384 + n.length, 382);
            ++sounded;
        }
    }
    EXPECT_GT(sounded, 0u);
    EXPECT_GT(bends, 0);
}

TEST_F(BrokenChordTest, PopsArpeggioReleasesThePedalBeforeEachPress) {
    WorkingStyle.mix[kHarmonyChannel].holdPedal = 90;
    NoteList labels;
    labels.AppendLabel(384, "AXXX");
    labels.AppendLabel(384, "BXXX");
    const Chords chords({{"CMPs", 384}, {"FMPs", 384}});
    ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
    Run(track, chords, 34, 100, labels);
    std::vector<std::pair<long long, int>> pedal;
    long long t = 0;
    for (int i = 0; i < track.EventCount(); ++i) {
        const MidiEvent* e = track.Event(i);
        ASSERT_GE(e->delta, 0);
        t += e->delta;
        if (e->kind == event_kind::kControlChange && e->subtype == 64)
            pedal.emplace_back(t, e->value);
        // The first note comes after the empty event and the pedal pair.
        EXPECT_TRUE(i != 3 || e->IsNoteWithLength());
    }
    const std::vector<std::pair<long long, int>> want = {{0, 0}, {0, 90}, {383, 0}, {384, 90}};
    EXPECT_EQ(pedal, want);
}

TEST_F(BrokenChordTest, SixteenthArpeggioFigures) {
    const Chords chords({{"CMPs", 384}, {"FMPs", 100}});
    const ChordRecord& c = *chords.List()[0];
    const ChordRecord& f = *chords.List()[1];
    // 61..80: the four-beat cycle, accents 44 on the beat and 34 after.
    const std::vector<Note> notes = Run(chords, 8, 70);
    const std::vector<std::tuple<long long, int, int, int>> want = {
        {0, c.root, 44, 70},    {72, c.seventh, 34, 22},  {96, c.fifth, 44, 70},
        {168, c.third, 34, 22}, {192, c.root, 44, 46},    {240, c.third, 34, 22},
        {264, c.third, 34, 22}, {288, c.fifth, 44, 70},   {360, c.fifth, 34, 22},
        {384, f.root, 44, 70},  {456, f.seventh, 34, 22}, {480, f.third, 64, 3}};
    ASSERT_EQ(notes.size(), want.size());
    for (std::size_t k = 0; k < want.size(); ++k)
        EXPECT_EQ(std::make_tuple(notes[k].time, notes[k].key, notes[k].velocity, notes[k].length),
                  want[k])
            << k;
    // Above 100, triplet feel: six triplet eighths a beat pair, 30 long.
    WorkingStyle.basicBeat = 3;
    const std::vector<Note> triplets = Run(Chords({{"CMPs", 192}}), 8, 101);
    ASSERT_EQ(triplets.size(), 6u);
    EXPECT_EQ(triplets[3].key, c.seventh);
    EXPECT_EQ(triplets[5].key, c.fifth);
    EXPECT_EQ(triplets[5].time, 160);
}

TEST_F(BrokenChordTest, OtherArpeggioWorkedFigures) {
    // "Slow Arpeggio" without a bass opens on the root.
    WorkingStyle.voice[kPartBass] = kVoiceNotUsed;
    const Chords bar({{"CMPs", 384}});
    const ChordRecord& c = *bar.List()[0];
    EXPECT_EQ(Run(bar, 3).front().key, c.root);
    // "Fast Arpeggio" on 96 ticks in triplet feel: six notes 16 apart, 6 long.
    WorkingStyle.basicBeat = 3;
    const std::vector<Note> fast = Run(Chords({{"CMPs", 96}}), 39);
    ASSERT_EQ(fast.size(), 6u);
    for (std::size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(fast[k].time, 16 * static_cast<long long>(k));
        EXPECT_EQ(fast[k].length, 6);
    }
    // "Enka" from 120: the chord folded below 72 + 12 * octave, sorted, 2
    // ticks apart, at 44.
    WorkingStyle.basicBeat = 0;
    WorkingStyle.octave[kHarmonyChannel] = 1;
    const std::vector<Note> enka = Run(bar, 22, 120);
    ASSERT_EQ(enka.size(), 4u);
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(enka[k].time, 2 * static_cast<long long>(k));
        EXPECT_EQ(enka[k].velocity, 44);
        EXPECT_GE(enka[k].key, 72);
        EXPECT_LT(enka[k].key, 84);
        EXPECT_TRUE(k == 0 || enka[k].key > enka[k - 1].key);
    }
}

TEST_F(BrokenChordTest, DissonantArpeggioStepsDownToUsablePitches) {
    MelodySettings& m = WorkingStyle.melody[kPartMelody];
    m.lowerLimit = 40;
    m.upperLimit = 60;
    Chords chords;
    for (const char* code : {"CMPs", "FMPs", "GMPs", "CMPs", "AmPs", "DmPs", "GMPs", "CMPs"})
        chords.Add(code, 384);
    const std::vector<Note> notes = Run(chords, 49);
    ASSERT_EQ(notes.size(), 64u);
    int previous = 50;
    for (const Note& n : notes) {
        const ChordRecord& c = *chords.List()[ChordAt(chords, n.time)];
        if (n.time == 4 * 384) previous = 50;  // back to the middle after four chords
        EXPECT_GE(n.key, 37);
        EXPECT_LT(n.key, 50);
        if (n.key < previous) {
            EXPECT_GE(n.key, previous - 12) << n.time;
            EXPECT_TRUE(previous - n.key == 12 ||
                        WeightOf(ChordWeightsOf(c), n.key) >= kUsableWeight)
                << n.time;
        }
        previous = n.key;
    }
    // Limits of any size from a style file start the line at the range's
    // end it points past.
    auto keys = [&](int lower, int upper) {
        m.lowerLimit = lower;
        m.upperLimit = upper;
        std::vector<int> out;
        for (const Note& n : Run(chords, 49))
            out.push_back(n.key);
        return out;
    };
    EXPECT_EQ(keys(INT_MAX, INT_MAX), keys(120, 120));
    EXPECT_EQ(keys(INT_MIN, INT_MIN), keys(37, 37));
}

}  // namespace
