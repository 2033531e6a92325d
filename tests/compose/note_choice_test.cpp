#include <gtest/gtest.h>

#include <vector>

#include "compose/chord_record.h"
#include "compose/chord_weights.h"
#include "compose/composer_state.h"
#include "compose/note_choice.h"
#include "core/utilities.h"
#include "style/presets.h"
#include "style/style_table.h"
#include "tests/compose/compose_test_util.h"

namespace {

class NoteChoice : public compose_test::StyleFixture {
protected:
    void SetUp() override {
        StyleFixture::SetUp();
        ResetComposerState();
    }
    void TearDown() override {
        ResetComposerState();
        StyleFixture::TearDown();
    }
};

struct Chosen {
    int pitch;
    int weight;
    bool resolvable;  // some key weighs 8 or more over the chord
};

bool Resolvable(const ScaleString& weights) {
    for (int pc = 0; pc < 12; ++pc)
        if (WeightOf(weights, pc) >= kResolvedWeight) return true;
    return false;
}

// The chords of the working style's harmony structure, in order.
std::vector<HarmonyStructureEntry> StyleChords() {
    std::vector<HarmonyStructureEntry> chords;
    const auto* entries =
        reinterpret_cast<const HarmonyStructureEntry*>(WorkingStyle.harmonyStructure);
    for (int i = 0; i < kMaxHarmonyStructureEntries && entries[i].Length() > 0; ++i)
        chords.push_back(entries[i]);
    return chords;
}

// Writes notes over the chords the way the melody writer does with
// algorithm 5: lengths from a fixed cycle, the previous pitch and the one
// before moving only when the pitch changes.
std::vector<Chosen> ChooseOverChords(const std::vector<HarmonyStructureEntry>& chords, int rounds) {
    static constexpr int kLengths[] = {96, 48, 48, 192, 24, 72, 144, 96, 24};
    std::vector<Chosen> out;
    int previous = 0, before = 0, previousClass = 0, k = 0;
    for (int round = 0; round < rounds; ++round) {
        for (const HarmonyStructureEntry& entry : chords) {
            ChordRecord chord(entry, nullptr);
            ScaleString weights;
            GetChordScaleWeights(chord.code.text, weights);
            const int chordLength = entry.Length();
            for (int p = 0; p < chordLength;) {
                int length = std::min(kLengths[k++ % 9], chordLength - p);
                int pitch = NoteChoiceFive(previous, weights, length, p, chord, previousClass,
                                           before, chordLength, kPartMelody);
                out.push_back(
                    {pitch, pitch > 0 ? WeightOf(weights, pitch) : -1, Resolvable(weights)});
                if (pitch != previous) {
                    before = previous;
                    previous = pitch;
                }
                previousClass = length / 24;
                p += length;
            }
        }
    }
    return out;
}

}  // namespace

// Over the chords of every built-in style, in its scale and key: each
// sounding pitch lies within the melody's limits, and a note weighing below
// 8 is resolved (weight 8 or more) within the next two sounding notes where
// the chords allow it.
TEST_F(NoteChoice, PresetChordsStayInRangeAndResolve) {
    int styles = 0, low = 0;
    for (int category = 0; category < 9; ++category) {
        for (int slot = 0; slot < 24; ++slot) {
            MusicStyle style;
            if (!BuildPresetStyle(category, slot, style)) continue;
            SetWorkingStyle(style);
            ++styles;
            const MelodySettings& m = WorkingStyle.melody[kPartMelody];
            auto chords = StyleChords();
            ASSERT_FALSE(chords.empty());
            ResetComposerState();
            SeedRandomWith(category * 100 + slot);
            auto notes = ChooseOverChords(chords, 4);
            std::vector<Chosen> sounding;
            for (const Chosen& c : notes) {
                if (c.pitch == 0) continue;
                ASSERT_GE(c.pitch, m.lowerLimit) << category << "/" << slot;
                ASSERT_LE(c.pitch, m.upperLimit) << category << "/" << slot;
                sounding.push_back(c);
            }
            for (std::size_t i = 0; i + 2 < sounding.size(); ++i) {
                // A chord of a scale that leaves out its own tones has no key
                // to resolve to.
                if (sounding[i].weight >= kResolvedWeight || !sounding[i + 1].resolvable ||
                    !sounding[i + 2].resolvable)
                    continue;
                ++low;
                EXPECT_TRUE(sounding[i + 1].weight >= kResolvedWeight ||
                            sounding[i + 2].weight >= kResolvedWeight)
                    << category << "/" << slot << " note " << i;
            }
        }
    }
    EXPECT_GT(styles, 100);
    EXPECT_GT(low, 0);  // the neighbour tones and free steps do occur
}

// The weight step lands inside the limits and on a weight of 8, and below
// key 12 there is nothing to step.
TEST_F(NoteChoice, StepToWeightEightWrapsInsideTheLimits) {
    WorkingStyle.melody[kPartMelody].lowerLimit = 60;
    WorkingStyle.melody[kPartMelody].upperLimit = 72;
    ScaleString weights;
    GetChordScaleWeights("CMPS", weights);  // C, E, G and B weigh 9
    EXPECT_EQ(StepToWeightEight(weights, 61, 1), 64);
    EXPECT_EQ(StepToWeightEight(weights, 61, -1), 60);
    // Past the top (73 would be d): 7 below the limit, then on to G.
    EXPECT_EQ(StepToWeightEight(weights, 72, 1), 67);
    EXPECT_EQ(StepToWeightEight(weights, 11, 1), 0);
    // Only E flat to G flat weigh 9, and the limits are 55 and 88: stepping
    // down from 61 wraps below 55 to 62, circles down once more and then
    // turns up to 63 rather than circle the eight keys above the limit.
    WorkingStyle.melody[kPartMelody].lowerLimit = 55;
    WorkingStyle.melody[kPartMelody].upperLimit = 88;
    ScaleString middle = compose_test::Weights("xxxx000999900000");
    EXPECT_EQ(StepToWeightEight(middle, 61, -1), 63);
    WorkingStyle.melody[kPartMelody].lowerLimit = 60;
    WorkingStyle.melody[kPartMelody].upperLimit = 72;
    // No weight of 8 anywhere: the walk gives up within its bound.
    ScaleString flat = compose_test::Weights("xxxx555555555555");
    int p = StepToWeightEight(flat, 64, 1);
    EXPECT_GE(p, 60);
    EXPECT_LE(p, 72);
}
