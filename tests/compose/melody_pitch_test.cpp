#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "compose/chord_weights.h"
#include "compose/composer_state.h"
#include "compose/melody_pitch.h"
#include "core/utilities.h"
#include "style/style_table.h"
#include "tests/compose/compose_test_util.h"
#include "tests/support/test_support.h"

namespace {

using compose_test::Chord;
using compose_test::Weights;

class MelodyPitch : public compose_test::StyleFixture {
protected:
    void SetUp() override {
        StyleFixture::SetUp();
        ResetComposerState();
        testing_support::Sink().Clear();
        MelodySettings& m = WorkingStyle.melody[kPartMelody];
        m = MelodySettings{};
        m.noteLength = 3;
        m.lowerLimit = 55;
        m.upperLimit = 84;
        m.algorithm = 6;
        WorkingStyle.density[kPartMelody] = 100;
        WorkingStyle.chordGenerationMethod = 0;
    }
    void TearDown() override {
        ResetComposerState();
        StyleFixture::TearDown();
    }
    MelodySettings& Melody() { return WorkingStyle.melody[kPartMelody]; }
};

// A chord list of the given codes and lengths.
void Chords(NoteList& list, const std::vector<std::pair<std::string, int>>& chords) {
    list.Clear();
    for (const auto& [code, length] : chords) {
        ChordRecord chord(compose_test::Entry(code, length), "00");
        list.AppendChord(&chord);
    }
}

struct Written {
    std::vector<int> pitches;  // notes, 0 for rests
    std::vector<int> chordSums;
    std::vector<int> chordLengths;
};

Written Read(const NoteList& list) {
    Written w;
    for (int i = 0; i < list.Count(); ++i) {
        const NoteEvent& e = *list.Event(i);
        if (e.kind == note_kind::kChord) {
            w.chordLengths.push_back(e.length);
            w.chordSums.push_back(0);
        } else if (e.kind == note_kind::kNote) {
            w.pitches.push_back(e.value);
            if (!w.chordSums.empty()) w.chordSums.back() += e.length;
        }
    }
    return w;
}

int Count(const std::string& text) {
    int n = 0;
    for (const std::string& box : testing_support::Sink().Texts())
        n += box.find(text) != std::string::npos;
    return n;
}

const std::vector<std::pair<std::string, int>> kFourBars = {
    {"CMPS", 384}, {"AmPs", 384}, {"FMPS", 384}, {"GMPs", 384}};

TEST_F(MelodyPitch, AlgorithmSevenHoldsTheMiddleAndEightRepeatsWithAReport) {
    NoteList chords, out;
    Chords(chords, kFourBars);
    Melody().algorithm = 7;
    SeedRandomWith(5);
    ASSERT_EQ(GenerateMelodyPart(kPartMelody, chords, out), 1);
    Written w = Read(out);
    int sounding = 0;
    for (int p : w.pitches) {
        if (p == 0) continue;
        EXPECT_EQ(p, (55 + 84) / 2);
        ++sounding;
    }
    EXPECT_GT(sounding, 4);

    // An algorithm outside the table reports every note and repeats the
    // note before it: with a rest first, every note is a rest.
    Melody().algorithm = 8;
    testing_support::Sink().Clear();
    ASSERT_EQ(GenerateMelodyPart(kPartMelody, chords, out), 1);
    w = Read(out);
    for (int p : w.pitches)
        EXPECT_EQ(p, 0);
    EXPECT_EQ(Count("Algorithm selection is invalid!"), static_cast<int>(w.pitches.size()));
}

TEST_F(MelodyPitch, OpenIntervalRowAcceptsTheFirstInRangeCandidate) {
    // Row 0 and strictness 0: test A (r > 100 - 0) never holds, so the first
    // candidate in range is taken and no more than one class is drawn.
    for (int& v : WorkingStyle.melodyTableInterval)
        v = 0;
    WorkingStyle.melodyTableStrictness = 0;
    Melody().dissonance = 9;
    const ChordRecord chord = Chord("CMPS");
    for (int seed = 1; seed <= 50; ++seed) {
        SeedRandomWith(seed);
        MelodyHistory h{67, 64, 60};
        int length = 384;  // reaches the limit: only the triad snap moves it
        int p = ChooseMelodyPitch(h, chord, 0, length, 384, kPartMelody);
        if (p == 0) continue;
        EXPECT_GE(p, 55);
        EXPECT_LE(p, 84);
        // Within the largest interval class of the previous pitch, then at
        // most a few semitones to a triad tone.
        EXPECT_LE(std::abs(p - 67), 12 + 4) << seed;
    }
}

TEST_F(MelodyPitch, EveryAlgorithmFillsEachChordWithinTheRange) {
    NoteList chords, out;
    Chords(chords, {{"CMPS", 384}, {"AmPs", 768}, {"FMPS", 192}, {"GMPs", 192}, {"CMPS", 384}});
    for (int algorithm = 1; algorithm <= 7; ++algorithm) {
        for (int style : {1, 3, 5, 9}) {
            for (int seed = 1; seed <= 4; ++seed) {
                Melody().algorithm = algorithm;
                Melody().noteLength = style;
                Melody().repeatRhythm = seed % 3;
                Melody().repeatMelody = (seed + 1) % 3;
                Melody().syncopation = seed % 2;
                Melody().algorithmParameter = seed % 2;
                SeedRandomWith(seed * 31 + algorithm);
                ASSERT_EQ(GenerateMelodyPart(kPartMelody, chords, out), 1);
                Written w = Read(out);
                // Style 9 lends 48 ticks to the next chord: the block stays whole.
                if (style == 9) {
                    int sums = 0, lengths = 0;
                    for (std::size_t i = 0; i < w.chordSums.size(); ++i)
                        sums += w.chordSums[i], lengths += w.chordLengths[i];
                    ASSERT_EQ(sums, lengths);
                } else {
                    ASSERT_EQ(w.chordSums, w.chordLengths) << algorithm << "/" << style;
                }
                for (int p : w.pitches)
                    if (p) {
                        ASSERT_GE(p, algorithm == 6 ? 54 : 55);
                        ASSERT_LE(p, 84);
                    }
            }
        }
    }
}

TEST_F(MelodyPitch, HostileSettingsEndWithFilledChords) {
    NoteList chords, out;
    Chords(chords, {{"CMPS", 384}, {"gMPd", 384}, {"NoCd", 384}, {"GMPs", 0}, {"CMPS", 96}});
    struct Case {
        int lower, upper, density, algorithm, dissonance;
    };
    const Case cases[] = {
        {84, 55, 100, 6, 0},  // inverted
        {60, 60, 100, 1, 9},  // zero width
        {0, 127, 0, 3, 10},   // density 0
        {20, 30, 300, 4, 4},    {40, 100, 100, 0, 9}, {40, 100, 100, 9, 0},
        {-50, 500, 100, 2, 12}, {60, 61, 1, 5, -3},
    };
    for (const Case& c : cases) {
        for (int zero : {0, 1}) {
            Melody().lowerLimit = c.lower;
            Melody().upperLimit = c.upper;
            Melody().algorithm = c.algorithm;
            Melody().dissonance = c.dissonance;
            WorkingStyle.density[kPartMelody] = c.density;
            if (zero) std::memcpy(WorkingStyle.scaleNotes, "xxxx000000000000", 16);
            if (zero) WorkingStyle.scale = 11;
            for (int seed = 1; seed <= 3; ++seed) {
                SeedRandomWith(seed);
                ASSERT_EQ(GenerateMelodyPart(kPartMelody, chords, out), 1);
                Written w = Read(out);
                ASSERT_EQ(w.chordSums, w.chordLengths);
                for (int p : w.pitches)
                    ASSERT_TRUE(p >= 0 && p <= 127);
            }
        }
    }
}

TEST_F(MelodyPitch, AnchorsNeedASpanAndTheCurveStaysAMidiPitch) {
    const ScaleString w = Weights("CMPS909099090909");
    // b·c below 3: no anchors, after the report for an empty block.
    for (int seed = 1; seed <= 20; ++seed) {
        SeedRandomWith(seed);
        testing_support::Sink().Clear();
        AnchorPoints a = PickAnchorPoints(w, 0, kPartMelody);
        EXPECT_EQ(a.count, 0);
        EXPECT_EQ(Count("points for melody"), 1);
        a = PickAnchorPoints(w, 1, kPartMelody);
        EXPECT_TRUE(a.count == 0 || a.count == 4);
        EXPECT_EQ(AnchorPitchAt(AnchorPoints{}, 100, kPartMelody), (55 + 84) / 2);
    }
    // Times one tick apart make a steep curve: far from the points it is
    // kept to 0..127, and the writer's folds end.
    AnchorPoints steep;
    steep.count = 4;
    const double times[4] = {0, 1, 2, 3};
    const double pitches[4] = {60, 84, 55, 80};
    for (int i = 0; i < 4; ++i)
        steep.time[i] = times[i], steep.pitch[i] = pitches[i];
    EXPECT_EQ(AnchorPitchAt(steep, 1, kPartMelody), 84);
    for (int t : {100, 5000, 2000000000})
        EXPECT_EQ(AnchorPitchAt(steep, t, kPartMelody), 127) << t;
    // A real block: four distinct times, the first at 0, the last at b·c.
    SeedRandomWith(9);
    AnchorPoints a = PickAnchorPoints(w, 1536, kPartMelody);
    ASSERT_EQ(a.count, 4);
    EXPECT_EQ(a.time[0], 0);
    EXPECT_EQ(static_cast<int>(a.time[3]) % 1536, 0);
    EXPECT_NE(a.time[1], a.time[2]);
}

TEST_F(MelodyPitch, LadderOfAChordOutsideTheScaleAndClampedSteps) {
    // "gMPd" (G flat diminished) in scale 1: none of its tones is in C major,
    // so no pitch weighs 8; the ladder runs over the highest digit instead.
    ScaleString w;
    GetChordScaleWeights("gMPd", w);
    auto ladder = BuildScaleLadder(w, kPartMelody);
    for (int i = 0; i < kLadderSize; ++i) {
        ASSERT_GE(ladder[i], 0);
        ASSERT_LE(ladder[i], 127);
        if (i > 0) {
            ASSERT_LE(ladder[i - 1], ladder[i]);
        }
    }
    // An ordinary chord: weight 8 or more on every rung, within the range.
    GetChordScaleWeights("CMPS", w);
    ladder = BuildScaleLadder(w, kPartMelody);
    for (int p : ladder) {
        EXPECT_GE(WeightOf(w, p), 8);
        EXPECT_GE(p, 55);
        EXPECT_LE(p, 84);
    }
    EXPECT_EQ(ScaleLadderPitch(w, -20, kPartMelody), ladder[0]);
    EXPECT_EQ(ScaleLadderPitch(w, 99, kPartMelody), ladder[20]);
}

TEST_F(MelodyPitch, StepSequenceIsTheSumOfSinesWithinTen) {
    // The sine table gives what the direct sum of 500 sines gives.
    SeedRandomWith(77);
    StepSequence fast;
    BuildStepSequence(fast);
    SeedRandomWith(77);
    double phase[501];
    for (int k = 1; k <= 500; ++k)
        phase[k] = 2.0 * std::numbers::pi * RandomInRange(0, 10000) / 10000.0;
    int nonZero = 0;
    for (int j = 0; j < 500; j += 7) {
        double sum = 0;
        for (int k = 1; k <= 500; ++k)
            sum += std::sin(k * j * 2.0 * std::numbers::pi / 500 - phase[k]) / std::sqrt(k);
        const int expected = std::clamp(static_cast<int>(std::lround(sum)), -10, 10);
        EXPECT_NEAR(fast[j], expected, 1) << j;  // rounding at .5 may differ
        nonZero += fast[j] != 0;
    }
    EXPECT_GT(nonZero, 10);
    for (int v : fast) {
        ASSERT_GE(v, -10);
        ASSERT_LE(v, 10);
    }
}

TEST_F(MelodyPitch, RepetitionPastTheMemoryAndLongBlocksStayWhole) {
    // 300 short chords: more than the memory holds; repetition on.
    NoteList chords, out;
    std::vector<std::pair<std::string, int>> many(300, {"CMPS", 96});
    Chords(chords, many);
    Melody().repeatRhythm = 2;
    Melody().repeatMelody = 2;
    for (int algorithm : {2, 5, 6}) {
        Melody().algorithm = algorithm;
        SeedRandomWith(algorithm);
        ASSERT_EQ(GenerateMelodyPart(kPartMelody, chords, out), 1);
        Written w = Read(out);
        ASSERT_EQ(w.chordSums, w.chordLengths);
    }
    // Rhythm repetition 2: a chord of a length heard before takes the same
    // note lengths (algorithm 7 splits no note into a figure).
    Chords(chords, {{"CMPS", 384}, {"FMPS", 384}, {"GMPs", 384}});
    Melody().algorithm = 7;
    Melody().repeatMelody = 0;
    SeedRandomWith(3);
    ASSERT_EQ(GenerateMelodyPart(kPartMelody, chords, out), 1);
    std::vector<std::vector<int>> lengths;
    for (int i = 0; i < out.Count(); ++i) {
        const NoteEvent& e = *out.Event(i);
        if (e.kind == note_kind::kChord)
            lengths.emplace_back();
        else if (e.kind == note_kind::kNote && !lengths.empty())
            lengths.back().push_back(e.length);
    }
    ASSERT_EQ(lengths.size(), 3u);
    EXPECT_EQ(lengths[1], lengths[0]);
    EXPECT_EQ(lengths[2], lengths[0]);
}

TEST_F(MelodyPitch, EveryEndingClosesOnTheTonic) {
    for (int minor : {0, 1}) {
        WorkingStyle.key = minor ? 2 : 1;
        const int tonic = minor ? 9 : 0;
        EXPECT_EQ(TonicPitchClass(), minor ? 9 : 12);
        for (int part : {1, 4, 5}) {
            WorkingStyle.melody[part] = Melody();
            for (int method : {0, 1, 3}) {
                WorkingStyle.melody[part].ornament = method;
                for (int seed = 1; seed <= 10; ++seed) {
                    SeedRandomWith(seed);
                    NoteList out;
                    WritePartEnding(part, 50 + seed * 3, out);
                    ASSERT_GT(out.Count(), 0);
                    const NoteEvent& last = *out.Event(out.Count() - 1);
                    EXPECT_EQ(last.value % 12, tonic) << part << "/" << method;
                    for (int i = 0; i < out.Count(); ++i) {
                        const NoteEvent& e = *out.Event(i);
                        EXPECT_GT(e.length, 0);
                        if (e.value) {
                            EXPECT_GE(e.value, 55);
                            EXPECT_LE(e.value, 84);
                        }
                    }
                }
            }
        }
    }
    // The cadence figure closes on a note longer than a part track takes
    // in one piece (T - 96: 408 or 432).
    SeedRandomWith(1);
    NoteList out;
    WriteCadenceFigure(kPartMelody, 60, out);
    const int last = out.Event(out.Count() - 1)->length;
    EXPECT_TRUE(last == 408 || last == 432) << last;
}

TEST_F(MelodyPitch, SameSeedAfterResetGivesTheSameList) {
    NoteList chords, a, b;
    Chords(chords, kFourBars);
    for (int algorithm = 1; algorithm <= 7; ++algorithm) {
        Melody().algorithm = algorithm;
        ResetComposerState();
        SeedRandomWith(1234);
        GenerateMelodyPart(kPartMelody, chords, a);
        GenerateMelodyPart(kPartMelody, chords, a);
        ResetComposerState();
        SeedRandomWith(1234);
        GenerateMelodyPart(kPartMelody, chords, b);
        GenerateMelodyPart(kPartMelody, chords, b);
        Written wa = Read(a), wb = Read(b);
        EXPECT_EQ(wa.pitches, wb.pitches) << algorithm;
    }
}

TEST_F(MelodyPitch, HoldPedalValuesFrameEveryChord) {
    NoteList chords, out;
    Chords(chords, kFourBars);
    WorkingStyle.mix[kPartMelody].holdPedal = 100;
    SeedRandomWith(2);
    GenerateMelodyPart(kPartMelody, chords, out);
    std::vector<int> values;
    for (int i = 0; i < out.Count(); ++i)
        if (out.Event(i)->kind == note_kind::kValue) values.push_back(out.Event(i)->value);
    EXPECT_EQ(values, (std::vector<int>{100, 0, 100, 0, 100, 0, 100, 0}));
}

}  // namespace
