// The models under the scale, chord progression and knowledge-entry
// dialogs, over every input they can be given.
#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <cstring>
#include <set>

#include "compose/chord_record.h"
#include "compose/tune_header.h"
#include "style/style_table.h"
#include "styleedit/chord_progression_choice.h"
#include "styleedit/custom_scale.h"
#include "styleedit/knowledge_entry.h"
#include "tests/support/test_support.h"

namespace {

TEST(CustomScale, EveryFlagSetIsWrittenAndReadBackBehindThePrefix) {
    char notes[17] = "abcd000000000000";
    for (unsigned bits = 0; bits < 4096; ++bits) {
        ScaleFlags flags{};
        for (int pc = 0; pc < kPitchClassCount; ++pc)
            flags[pc] = (bits >> pc) & 1;
        ASSERT_EQ(WriteScaleFlags(flags, notes), static_cast<int>(std::bitset<12>(bits).count()));
        ASSERT_EQ(ReadScaleFlags(notes), flags) << bits;
        ASSERT_EQ(std::string(notes, 4), "abcd");
        for (int pc = 0; pc < kPitchClassCount; ++pc)
            ASSERT_TRUE(notes[4 + pc] == '0' || notes[4 + pc] == '9');
    }
    // A flag other than 0 or 1 is flipped on and written as outside.
    EXPECT_EQ(FlipScaleFlag(2), 1);
    EXPECT_EQ(FlipScaleFlag(1), 0);
}

// A style whose fields the lists hold opens and closes unchanged, for every
// combination; each stored position opens on itself.
TEST(ChordProgressionChoice, OpeningAndStoringChangesNothingOnListedValues) {
    MusicStyle style;
    InitMusicStyle(style);
    int combinations = 0;
    for (int type : ProgressionRow(ProgressionList::kType).values)
        for (int method : ProgressionRow(ProgressionList::kMethod).values)
            for (int block : ProgressionRow(ProgressionList::kBlockLength).values)
                for (int chords : ProgressionRow(ProgressionList::kChordsInBlock).values)
                    for (int boxes = 0; boxes < 8; ++boxes) {
                        style.chordProgression = type;
                        style.chordGenerationMethod = method;
                        style.blockLength = block;
                        style.chordsInBlock = chords;
                        style.fixedBass = boxes & 1 ? kFixedBassOn : 0;
                        style.onChord = (boxes >> 1) & 1;
                        style.adjustToChordTone = (boxes >> 2) & 1;
                        const MusicStyle before = style;
                        const ProgressionChoice shown = ReadProgressionChoice(style);
                        ASSERT_FALSE(shown.invalidBass);
                        StoreProgressionChoice(shown, style);
                        ASSERT_EQ(std::memcmp(&before, &style, sizeof style), 0);
                        ++combinations;
                    }
    EXPECT_EQ(combinations, 9 * 3 * 2 * 2 * 8);
    style.fixedBass = 5;
    EXPECT_TRUE(ReadProgressionChoice(style).invalidBass);
}

// Every chord the lists can give is a distinct code whose root letter maps
// back to its position and whose name needs no error box; a transition is
// always eleven characters with the rate held to 1..999.
TEST(KnowledgeEntry, EveryListedChordIsADistinctNamedCode) {
    std::set<std::string> codes;
    std::set<std::string> names;
    for (int root = 0; root < kKnowledgeRootCount; ++root) {
        for (int type = 0; type < kKnowledgeTypeCount; ++type) {
            const std::string code = KnowledgeChordCode(root, type);
            ASSERT_EQ(code.size(), 4u);
            EXPECT_EQ(RootLetterToPitchClass(code[0]), root);
            codes.insert(code);
            names.insert(ChordCodeToName(code.c_str()));
        }
    }
    EXPECT_EQ(codes.size(), 96u);
    EXPECT_EQ(names.size(), 96u);
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
    EXPECT_EQ(KnowledgeChordCode(-1, 99), "CMPo");  // the presets
    for (int rate : {-5, 0, 1, 7, 42, 500, 999, 1000, 65535}) {
        const std::string pair = ChordPairText("CMPo", "GMPs", rate);
        ASSERT_EQ(pair.size(), static_cast<std::size_t>(kChordPairLength));
        const int back = std::stoi(pair.substr(8));
        EXPECT_EQ(back, std::clamp(rate, kRateLowest, kRateHighest));
    }
    PatternDraft draft;
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(draft.Add("CMPo"), i < kPatternChordsMax);
    EXPECT_EQ(draft.Chords().size(), 8u);
}

}  // namespace
