// Every built-in style over five seeds: the chord progression from the
// shipped knowledge base, then the melody written block by block. Each block
// list is read on its own: its notes fill its chords exactly, its sounding
// pitches keep to the part's limits, they are usable over their chords, and
// the notes that start a chord are mostly chord tones.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "compose/chord_weights.h"
#include "compose/composer_state.h"
#include "compose/melody_pitch.h"
#include "compose/melody_stages.h"
#include "style/presets.h"
#include "tests/compose/progression_test_util.h"
#include "tests/support/test_support.h"

namespace {

using compose_test::FitAndCountSteps;
using compose_test::ProgressionFixture;

constexpr int kSeeds = 5;

struct Shares {
    long weighed = 0, usable = 0;  // pitches weighed, of combined weight 1 or more
    long starts = 0, startTones = 0;
};

// Reads one block list: chords and notes, checked against each other.
void CheckBlock(const NoteList& list, const MelodySettings& s, int scale, const std::string& where,
                Shares& shares) {
    long chordTotal = 0, noteTotal = 0;
    ChordRecord chord;
    ScaleString weights{};
    bool chordStart = false;
    bool hasChord = false;
    for (int i = 0; i < list.Count(); ++i) {
        const NoteEvent& e = *list.Event(i);
        if (e.kind == note_kind::kChord) {
            chordTotal += e.length;
            chord = compose_test::Chord(std::string(e.chordCode, 4));
            GetChordScaleWeights(e.chordCode, weights);
            chordStart = true;
            hasChord = true;
            continue;
        }
        if (e.kind != note_kind::kNote) continue;
        ASSERT_TRUE(hasChord) << where;
        ASSERT_GT(e.length, 0) << where;
        noteTotal += e.length;
        const int p = e.value;
        const bool starts = chordStart;
        chordStart = false;
        if (p == 0) continue;
        if (scale != 21) {
            // A split figure's neighbour may sit a semitone below.
            const int lowest = s.algorithm == 6 ? s.lowerLimit - 1 : s.lowerLimit;
            ASSERT_GE(p, lowest) << where;
            ASSERT_LE(p, s.upperLimit) << where;
        }
        if (s.algorithm >= 1 && s.algorithm <= 6 && s.tension == 0) {
            ++shares.weighed;
            shares.usable += WeightOf(weights, p) >= 1;
        }
        if (starts && chord.root != 0) {
            ++shares.starts;
            shares.startTones += chord.IsChordTone(p);
        }
    }
    ASSERT_EQ(noteTotal, chordTotal) << where << ": notes and chords differ in length";
}

class MelodySweep : public ProgressionFixture {};

TEST_F(MelodySweep, EveryPresetFillsItsChordsWithinRangeOnUsablePitches) {
    int presets = 0;
    Shares all;
    for (int category = 0; category < kStyleCategories; ++category) {
        for (int slot = 0; slot < kStyleSlots; ++slot) {
            auto style = std::make_unique<MusicStyle>();
            if (!BuildPresetStyle(category, slot, *style)) continue;
            ++presets;
            const std::string where = std::to_string(category) + "/" + std::to_string(slot);
            Shares shares;
            for (int seed = 1; seed <= kSeeds; ++seed) {
                SetWorkingStyle(*style);
                SeedRandomWith(seed * 104729 + slot * 31 + category);
                ResetComposerState();
                std::memcpy(CurrentChordCode, "CMPS", 5);
                ASSERT_EQ(LoadKnowledgeBase(), 1) << where;
                ComposeInfo.Reset();
                GenerateChordProgression();
                FitAndCountSteps();
                ASSERT_TRUE(ComposeMelodyBlocks(kPartMelody, ComposeInfo.blockMelodies));
                const MelodySettings settings = WorkingStyle.melody[kPartMelody];
                for (int b = 0; b < ComposeInfo.blockCount; ++b)
                    ASSERT_NO_FATAL_FAILURE(
                        CheckBlock(*ComposeInfo.blockMelodies[b], settings, WorkingStyle.scale,
                                   where + " block " + std::to_string(b), shares));
                ClearNoteListArray(ComposeInfo.blockMelodies);
            }
            const double usable = shares.weighed ? 100.0 * shares.usable / shares.weighed : 100.0;
            const double tones = shares.starts ? 100.0 * shares.startTones / shares.starts : 100.0;
            std::printf("preset %s algorithm %d: %.1f%% usable pitches, %.1f%% chord tones first\n",
                        where.c_str(), style->melody[kPartMelody].algorithm, usable, tones);
            EXPECT_GE(usable, 95.0) << where;
            // Algorithm 7 holds the middle of the range whatever the chord.
            if (style->melody[kPartMelody].algorithm != 7) {
                EXPECT_GE(tones * 3, 200.0) << where;
            }
            all.weighed += shares.weighed;
            all.usable += shares.usable;
            all.starts += shares.starts;
            all.startTones += shares.startTones;
        }
    }
    EXPECT_EQ(presets, 158);
    std::printf("all presets: %.1f%% usable pitches, %.1f%% chord tones first\n",
                100.0 * all.usable / std::max(all.weighed, 1L),
                100.0 * all.startTones / std::max(all.starts, 1L));
}

}  // namespace
