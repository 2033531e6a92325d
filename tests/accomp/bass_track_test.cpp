// The bass generator's worked figures, the riff it reads and draws, its
// track frame and the chord-tone rows of its custom grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

#include "accomp/bass_track.h"
#include "compose/chord_tone_row.h"
#include "core/utilities.h"
#include "tests/accomp/backing_test_util.h"

using backing_test::BackingFixture;
using backing_test::Chords;
using backing_test::Note;
using backing_test::Sounding;

namespace {

class BassTest : public BackingFixture {
protected:
    std::vector<Note> Run(int type, const Chords& chords, int density = 100) {
        ComposeTrackData track(note_mode::kLength, static_cast<int>(WorkBufferSize));
        GenerateBassPattern(kBassChannel, track, type, density, chords.List());
        return Sounding(track);
    }
};

struct Heard {
    long long time;
    int key;
    int length;
    bool operator==(const Heard&) const = default;
};

std::vector<Heard> Heards(const std::vector<Note>& notes) {
    std::vector<Heard> out;
    for (const Note& n : notes)
        out.push_back({n.time, n.key, n.length});
    return out;
}

TEST_F(BassTest, GeneralHalfNotesOnFourBeatsQuarterNotesOnThree) {
    // C major: bass 36.
    EXPECT_EQ(Heards(Run(1, Chords({{"CMPS", 384}}))),
              (std::vector<Heard>{{0, 36, 188}, {0, 48, 188}, {192, 36, 188}}));
    EXPECT_EQ(
        Heards(Run(1, Chords({{"CMPS", 288}}))),
        (std::vector<Heard>{{0, 36, 94}, {0, 48, 94}, {96, 36, 94}, {192, 36, 94}, {192, 48, 94}}));
}

TEST_F(BassTest, MonoToneHoldsTheFirstBassAndEndsShortOfTheChord) {
    const std::vector<Note> notes = Run(2, Chords({{"CMPS", 400}, {"GMPs", 192}}));
    EXPECT_EQ(Heards(notes),
              (std::vector<Heard>{{0, 36, 192}, {192, 36, 192}, {384, 36, 13}, {400, 36, 189}}));
}

TEST_F(BassTest, ChordsOffTheBeatGridTakeOneHeldNoteAndTheNextStartsOnTime) {
    for (int type : {6, 8, 12, 14, 15, 16}) {
        const std::vector<Note> notes = Run(type, Chords({{"CMPS", 100}, {"CMPS", 100}}));
        ASSERT_EQ(notes.size(), 2u) << type;
        EXPECT_EQ(notes[0].length, 94) << type;
        EXPECT_EQ(notes[1].time, 100) << type;
    }
}

TEST_F(BassTest, BluesLeavesTheSeventhBeatSilentOverATriad) {
    for (int seed = 1; seed <= 20; ++seed) {
        SeedRandomWith(seed);
        // Three chords so that the first is neither the last nor the one
        // before it.
        const std::vector<Note> notes =
            Run(6, Chords({{"CMPd", 384}, {"CMPd", 384}, {"CMPd", 384}}));
        for (const Note& n : notes) {
            if (n.time < 384 && n.time / 96 == 2) {
                EXPECT_EQ(n.key, 36 - 3) << seed;
            }
            EXPECT_EQ(n.velocity, 104);
        }
    }
}

TEST_F(BassTest, BossanovaAndRockabillyEndOnTheBassAnOctaveDownThenTheBass) {
    for (int type : {14, 15}) {
        const std::vector<Note> notes = Run(type, Chords({{"GMPs", 384}, {"CMPS", 384}}));
        std::vector<Heard> ending;
        for (const Note& n : notes)
            if (n.time >= 384) ending.push_back({n.time, n.key, n.length});
        EXPECT_EQ(ending, (std::vector<Heard>{{384, 24, 188}, {576, 36, 188}})) << type;
    }
}

TEST_F(BassTest, FiguresUnderAStepGiveNoNoteAndLeaveTheTimeToTheNextChord) {
    // "General", "Short", "Fusion" and "Mono Tone" over chords too short for a
    // step or a note: the following chord still starts on time.
    for (int type : {1, 5, 9}) {
        const std::vector<Note> notes =
            Run(type, Chords({{"CMPS", 3}, {"CMPS", 20}, {"CMPS", 384}}));
        ASSERT_FALSE(notes.empty()) << type;
        EXPECT_EQ(notes.front().time, 23) << type;
    }
    // The drones: 3 ticks leave nothing, 20 ticks a note of 17.
    for (int type : {2, 21}) {
        const std::vector<Note> notes =
            Run(type, Chords({{"CMPS", 3}, {"CMPS", 20}, {"CMPS", 384}}));
        ASSERT_GE(notes.size(), 2u) << type;
        EXPECT_EQ(notes[0].time, 3) << type;
        EXPECT_EQ(notes[0].length, 17) << type;
        EXPECT_EQ(notes[1].time, 23) << type;
    }
    EXPECT_TRUE(Run(1, Chords()).empty());
}

TEST_F(BassTest, LongRiffReadsTheStyleRiffUpToItsEndAndDrawsOneThatFillsTheBar) {
    std::uint8_t riff[kRiffBytes] = {4, 0, 255, 2, 255, 3, 2, 40, 1, 0, 5, 5};
    const std::vector<BassRiffEntry> read = ReadStyleRiff(riff);
    ASSERT_EQ(read.size(), 3u);
    EXPECT_EQ(read[1].code, -1);
    EXPECT_EQ(read[2].code, -2);  // outside -1..11: silent

    for (int metre : {kMetre44, kMetre34, kMetre78}) {
        WorkingStyle.timeSignature = metre;
        for (int seed = 1; seed <= 10; ++seed) {
            SeedRandomWith(seed);
            const std::vector<BassRiffEntry> drawn = MakeBassRiff();
            int total = 0;
            for (const BassRiffEntry& e : drawn)
                total += e.steps;
            EXPECT_EQ(total, TicksPerBar(metre) / 12) << metre << " " << seed;
            EXPECT_EQ(ReadStyleRiff(WorkingStyle.riff).size(), drawn.size());
        }
    }
    // With the fixed riff the style's bytes are kept.
    WorkingStyle.timeSignature = kMetre44;
    WorkingStyle.harmonyPattern = kFixedRiffHarmonyPattern;
    std::copy(std::begin(riff), std::end(riff), std::begin(WorkingStyle.riff));
    const std::vector<Note> notes = Run(kBassTypeLongRiff, Chords({{"CMPS", 384}}));
    EXPECT_TRUE(std::equal(std::begin(riff), std::end(riff), std::begin(WorkingStyle.riff)));
    // 4 steps of the bass, a rest, a silent code, then the riff again after
    // its 8 steps.
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(notes[0].time, 0);
    EXPECT_EQ(notes[0].length, 4 * 24 - 2);
    EXPECT_EQ(notes[1].time, 8 * 24);
}

TEST_F(BassTest, CustomSoundsTheBassGridTwoOctavesDown) {
    GridPart& grid = WorkingStyle.customHarmony.grid[0][kGridBass];
    grid = GridPart{};
    grid.pnInterval[0] = 7;  // the bass + 24
    grid.pnInterval[1] = 4;  // the fifth an octave down
    for (int step : {0, 8})
        grid.Cell(0, step) = 1;
    grid.Cell(1, 4) = 1;
    const std::vector<Note> notes = Run(kBassTypeCustom, Chords({{"CMPS", 384}}));
    EXPECT_EQ(Heards(notes),
              (std::vector<Heard>{{0, 36, 15}, {96, 67 - 12 - 24, 15}, {192, 36, 15}}));
}

TEST_F(BassTest, UnknownTypeWritesNothingAndNoVoiceNoTrack) {
    EXPECT_TRUE(Run(0, Chords({{"CMPS", 384}})).empty());
    EXPECT_TRUE(Run(24, Chords({{"CMPS", 384}})).empty());
    std::vector<ComposeTrackData*> tracks;
    int count = 0;
    WorkingStyle.voice[kPartBass] = kVoiceNotUsed;
    BuildBassTrack(tracks, count);
    EXPECT_EQ(count, 0);
    WorkingStyle.voice[kPartBass] = 33;
    WorkingStyle.octave[kPartBass] = 1;
    WorkingStyle.bassPattern = 1;
    BuildBassTrack(tracks, count);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(tracks[0]->GetChannelProgram(kBassChannel), 33);
    delete tracks[0];
}

TEST_F(BassTest, ChordToneRowsPickToneAndOctaveAndSilenceBadCodes) {
    const ChordRecord c = compose_test::Chord("GMPs");  // G B D F
    ScaleString weights{};
    GetChordScaleWeights(c.code.text, weights);
    ChordToneCodes codes{};
    codes.fill(-1);
    codes[0] = 7;    // root
    codes[1] = 9;    // third
    codes[2] = 11;   // fifth
    codes[3] = 13;   // seventh
    codes[4] = 0;    // root an octave down
    codes[5] = 20;   // seventh an octave up
    codes[6] = 700;  // far above the MIDI range
    const ChordToneRow row = MakeChordToneRow(codes, c, weights);
    EXPECT_EQ(row[0], c.root);
    EXPECT_EQ(row[1], c.third);
    EXPECT_EQ(row[2], c.fifth);
    EXPECT_EQ(row[3], c.seventh);
    EXPECT_EQ(row[4], c.root - 12);
    EXPECT_EQ(row[5], c.seventh + 12);
    for (int r = 6; r < kChordToneRows; ++r)
        EXPECT_EQ(row[r], 0) << r;
    const ChordToneRow bass = MakeBassChordToneRow(codes, c, weights);
    EXPECT_EQ(bass[0], c.bass + 24);
    EXPECT_EQ(bass[4], c.bass + 12);
    EXPECT_EQ(bass[1], c.third);
}

}  // namespace
