#include "style/style_wizard.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "core/settings.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "style/key_setup.h"
#include "style/style_table.h"
#include "style/style_text.h"
#include "tests/style/style_samples.h"
#include "tests/support/test_support.h"

using testing_support::Sink;

namespace {

constexpr int kSharedParts[] = {kPartObbligato, kPartHarmony, kPartSubHarmony, kPartBass};

class StyleWizardTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitDefaultSettings();
        BuildStyleTable();
    }
    void TearDown() override { SetShellServices(nullptr); }
};

// A catalogue entry as the wizard sees it: with the key its set-up gives.
std::unique_ptr<MusicStyle> SetUpEntry(int index) {
    auto entry = std::make_unique<MusicStyle>();
    EXPECT_TRUE(GetStyleEntry(index / kStyleSlots, index % kStyleSlots, *entry));
    entry->key = KeyAfterSetup(*entry, entry->key != 1);
    return entry;
}

// A plain style: only the Melody (program 0, neutral envelope) sounds, in C
// major Diatonic at 120 beats a minute; the progression (8) and the melody
// algorithm (0) have no rows.
std::unique_ptr<MusicStyle> PlainStyle() {
    auto style = style_samples::DefaultStyle();
    for (int& voice : style->voice) voice = kVoiceNotUsed;
    style->voice[kPartMelody] = 0;
    for (MixBlock& mix : style->mix) mix.attack = mix.decay = mix.release = 64;
    style->key = 1;
    style->scale = 1;
    style->chordProgression = 8;
    style->melody[kPartMelody].dissonance = 0;
    style->melody[kPartMelody].algorithm = 0;
    style->tempo = 500000;
    style->bassPattern = 1;
    style->basicBeat = 0;
    return style;
}

// Where the solver's fresh mixer bytes must land.
struct FreshRange {
    int part;
    std::uint8_t MixBlock::*byte;
    int low;
    int high;
};
constexpr FreshRange kFreshRanges[] = {
    {3, &MixBlock::volume, 80, 100},  {7, &MixBlock::volume, 80, 100},
    {1, &MixBlock::volume, 100, 120}, {2, &MixBlock::volume, 80, 110},
    {4, &MixBlock::volume, 80, 110},  {5, &MixBlock::volume, 70, 100},
    {9, &MixBlock::volume, 50, 90},   {3, &MixBlock::chorus, 50, 80},
    {1, &MixBlock::chorus, 40, 90},   {2, &MixBlock::chorus, 40, 90},
    {4, &MixBlock::chorus, 40, 90},   {5, &MixBlock::chorus, 40, 90},
    {9, &MixBlock::chorus, 40, 90},   {3, &MixBlock::reverb, 30, 100},
    {1, &MixBlock::reverb, 20, 110},  {2, &MixBlock::reverb, 40, 90},
    {4, &MixBlock::reverb, 40, 90},   {5, &MixBlock::reverb, 40, 90},
    {9, &MixBlock::reverb, 40, 90},   {1, &MixBlock::brightness, 40, 90},
    {4, &MixBlock::brightness, 40, 90}, {2, &MixBlock::brightness, 40, 90},
    {3, &MixBlock::brightness, 40, 90},
};

bool AllValuesHaveRows(const MusicStyle& s) {
    auto has = [](ProfileTable table, int value) {
        for (const ProfileRow& row : ProfileRows(table))
            if (row.value == value) return true;
        return false;
    };
    for (int part : {kPartMelody, kPartObbligato, kPartHarmony, kPartSubHarmony, kPartBass}) {
        const int voice = s.voice[part];
        if (voice != kVoiceNotUsed && (voice < 0 || voice >= 112)) return false;
    }
    return has(ProfileTable::kHarmonyPattern, s.harmonyPattern) &&
           has(ProfileTable::kHarmonyPattern, s.subHarmonyPattern) &&
           has(ProfileTable::kBassPattern, s.bassPattern) &&
           has(ProfileTable::kRhythmPattern, s.rhythmPattern) &&
           has(ProfileTable::kScale, s.scale) &&
           has(ProfileTable::kChordProgression, s.chordProgression);
}

}  // namespace

TEST_F(StyleWizardTest, RowsCarryTheValuesOfTheirTextNames) {
    struct Key {
        ProfileTable table;
        const char* key;
        std::int32_t MusicStyle::*field;
    };
    const Key keys[] = {{ProfileTable::kHarmonyPattern, "Harmony Pattern", &MusicStyle::harmonyPattern},
                        {ProfileTable::kBassPattern, "Bass Patterm", &MusicStyle::bassPattern},
                        {ProfileTable::kRhythmPattern, "Rhythm Pattern", &MusicStyle::rhythmPattern},
                        {ProfileTable::kScale, "Scale", &MusicStyle::scale},
                        {ProfileTable::kChordProgression, "Chord Progression",
                         &MusicStyle::chordProgression}};
    auto style = style_samples::DefaultStyle();
    for (const Key& key : keys) {
        for (const ProfileRow& row : ProfileRows(key.table)) {
            const std::string text = std::string("[") + key.key + "]" + row.name;
            ReadStyleText(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), *style);
            // A name shared by two rows ("Rhythmic") reads as the first.
            int first = row.value;
            for (const ProfileRow& other : ProfileRows(key.table))
                if (std::strcmp(other.name, row.name) == 0) {
                    first = other.value;
                    break;
                }
            EXPECT_EQ((*style).*key.field, first) << row.name;
        }
    }
    for (const ProfileRow& row : ProfileRows(ProfileTable::kAlgorithm)) {
        const std::string text = std::string("[[Melody]][Melody Structure:Algorithm]") + row.name +
                                 "[[/Melody]]";
        ReadStyleText(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), *style);
        EXPECT_EQ(style->melody[kPartMelody].algorithm, row.value) << row.name;
    }
    EXPECT_EQ(Sink().Count(), 0u);
    // Authored changes stay small, so no single choice decides a profile.
    for (const InstrumentProfileRow& row : InstrumentProfileRows())
        for (int change : row.change) EXPECT_LE(std::abs(change), 5);
}

TEST_F(StyleWizardTest, ProfileOfAPlainStyleByHand) {
    auto style = PlainStyle();
    EXPECT_EQ(ComputeStyleProfile(*style), (StyleProfile{12, 12, 11, 9, 11, 10, 7, 7, 0, 10, 13}));

    // Harmony on the Melody's program: no player and no sound of its own, yet
    // its pattern counts. Sporadic Arpeggio: p1 +3, p2 -3, p3 -1, p5 +1, p6
    // and p7 -3. Minor: p0 -4. Dissonance 9: p4 +4. Triplets: p2 +1, p3 -1.
    // Ethnic drums: 4 players, p1 +2, p3 +3 rather than -5, and the 8 Beat
    // row: p0 +2, p2 +2, p4 +2, p7 -1, p6 -1, p3 +1.
    style->voice[kPartHarmony] = 0;
    style->harmonyPattern = 9;
    style->key = 2;
    style->melody[kPartMelody].dissonance = 9;
    style->basicBeat = 3;
    style->voice[kPartDrum] = kEthnicSet;
    style->rhythmPattern = 1;
    EXPECT_EQ(ComputeStyleProfile(*style), (StyleProfile{10, 17, 11, 16, 17, 11, 3, 3, 4, 10, 13}));

    // Special sounds and groups are players without rows; a harmony pattern
    // without a row (60) adds nothing.
    style->voice[kPartMelody] = 130;
    style->voice[kPartHarmony] = 140;
    style->harmonyPattern = 60;
    EXPECT_EQ(ComputeStyleProfile(*style), (StyleProfile{10, 13, 15, 17, 17, 9, 7, 7, 10, 10, 10}));
}

TEST_F(StyleWizardTest, ProfileStaysInRangeForAnyRecord) {
    auto check = [](const MusicStyle& style) {
        for (int value : ComputeStyleProfile(style)) {
            ASSERT_GE(value, 0);
            ASSERT_LE(value, 20);
        }
    };
    for (int index = 0; index < kStyleEntries; ++index) check(*SetUpEntry(index));
    std::mt19937_64 random(2026);
    auto style = std::make_unique<MusicStyle>();
    auto* bytes = reinterpret_cast<std::uint8_t*>(style.get());
    for (int n = 0; n < 10000; ++n) {
        for (std::size_t i = 0; i + 8 <= sizeof(MusicStyle); i += 8) {
            const std::uint64_t word = random();
            std::memcpy(bytes + i, &word, 8);
        }
        if (n % 3 == 0) style->voice[kPartMelody] = static_cast<int>(random() % 152);
        check(*style);
    }
}

TEST_F(StyleWizardTest, EveryEntrysProfilePicksAnEntryAtDistanceZero) {
    auto picked = std::make_unique<MusicStyle>();
    for (int index = 0; index < kStyleEntries; ++index) {
        const StyleProfile target = ComputeStyleProfile(*SetUpEntry(index));
        PickNearestStyle(target, *picked);
        const StyleProfile profile = ComputeStyleProfile(*picked);
        EXPECT_EQ(StyleProfileDistance(target, profile), 0) << "entry " << index;
        EXPECT_EQ(profile[8], target[8]) << "entry " << index;
    }
}

TEST_F(StyleWizardTest, GivenRowsMoveTheProfileAsExpected) {
    // An entry away from the clamps with no part but the Melody on 0 or 40.
    for (int index = 0; index < kStyleEntries; ++index) {
        auto style = SetUpEntry(index);
        const StyleProfile before = ComputeStyleProfile(*style);
        bool clear = style->voice[kPartMelody] != kVoiceNotUsed;
        for (int value : before) clear = clear && value >= 3 && value <= 14;
        for (int part : kSharedParts)
            clear = clear && style->voice[part] != 0 && style->voice[part] != 40;
        if (!clear) continue;

        style->voice[kPartMelody] = 0;
        style->tempo = 1000000;
        const StyleProfile at0 = ComputeStyleProfile(*style);
        style->voice[kPartMelody] = 40;
        StyleProfile expected = at0;
        expected[10] -= 6;
        expected[9] -= 2;
        EXPECT_EQ(ComputeStyleProfile(*style), expected);

        style->tempo = 500000;
        expected[4] -= 2;
        expected[3] += 4;
        expected[5] -= 2;
        EXPECT_EQ(ComputeStyleProfile(*style), expected);
        return;
    }
    FAIL() << "no entry away from the clamps";
}

TEST_F(StyleWizardTest, SolvedStylesKeepTheirRules) {
    std::mt19937 random(7);
    auto picked = std::make_unique<MusicStyle>();
    for (int round = 0; round < 24; ++round) {
        StyleProfile target;
        for (int& value : target) value = static_cast<int>(random() % 21);
        SeedRandomWith(round);
        PickNearestStyle(target, *picked);
        const int pickedDistance = StyleProfileDistance(target, ComputeStyleProfile(*picked));
        auto tuned = std::make_unique<MusicStyle>(*picked);
        TuneStyleToProfile(target, *tuned);

        const int bass = tuned->voice[kPartBass];
        EXPECT_TRUE(bass == kVoiceNotUsed || (bass >= 0 && bass < 112)) << bass;
        for (int part : kSharedParts) {
            if (picked->voice[part] != picked->voice[kPartMelody]) continue;
            EXPECT_EQ(tuned->voice[part], tuned->voice[kPartMelody]) << "part " << part;
        }
        for (const FreshRange& range : kFreshRanges) {
            const int value = tuned->mix[range.part].*range.byte;
            EXPECT_GE(value, range.low);
            EXPECT_LE(value, range.high);
        }
        tuned->key = KeyAfterSetup(*tuned, tuned->key != 1);
        if (AllValuesHaveRows(*picked)) {
            EXPECT_LE(StyleProfileDistance(target, ComputeStyleProfile(*tuned)), pickedDistance);
        }
    }
}

TEST_F(StyleWizardTest, ABassSharingTheMelodyStaysBelow112) {
    auto style = PlainStyle();
    for (int part : {kPartMelody, kPartHarmony, kPartBass}) style->voice[part] = 115;
    style->voice[kPartObbligato] = 24;
    // The target is the style itself, so program 115 would be the best fit.
    const StyleProfile target = ComputeStyleProfile(*style);
    TuneStyleToProfile(target, *style);
    EXPECT_LT(style->voice[kPartMelody], 112);
    EXPECT_EQ(style->voice[kPartHarmony], style->voice[kPartMelody]);
    EXPECT_EQ(style->voice[kPartBass], style->voice[kPartMelody]);
    EXPECT_LT(style->voice[kPartObbligato], 128);
}

TEST_F(StyleWizardTest, SolveReplacesTheWorkingStyleAndShowsItsProfile) {
    auto shell = std::make_shared<RecordingShellServices>();
    SetShellServices(shell);
    auto solve = [](int seed) {
        StyleWizardParams = {14, 6, 9, 15, 4, 12, 8, 3, 12, 16, 5};
        SeedRandomWith(seed);
        SolveStyleWizard();
        auto result = std::make_unique<MusicStyle>();
        GetWorkingStyle(*result);
        return result;
    };
    auto first = solve(11);
    EXPECT_EQ(StyleWizardParams, ComputeStyleProfile(*first));
    EXPECT_EQ(first->key, KeyAfterSetup(*first, first->key != 1));
    auto again = solve(11);
    EXPECT_EQ(0, std::memcmp(first.get(), again.get(), sizeof(MusicStyle)));
    EXPECT_EQ(shell->Count(RecordingShellServices::Kind::WaitCursorOn), 2);
    EXPECT_EQ(shell->Count(RecordingShellServices::Kind::WaitCursorOff), 2);
}
