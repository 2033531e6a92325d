// The tune rows over a style: the integer tempo rule with its clamps, the
// missing tempo, the bars' clamp, the metre and basic beat that refuse each
// other's triplet and 7/8 entries, and what a refresh with no step stores.
#include "styleedit/tune_structure.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/test_support.h"

namespace {

class TuneStructureTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitMusicStyle(style_);
        testing_support::Sink().Clear();
    }
    int Boxes() const { return static_cast<int>(testing_support::Sink().Count()); }
    MusicStyle style_{};
};

// The integer tempo rule; a refresh keeps a tempo or length it can show
// and brings one outside the bounds in.
TEST_F(TuneStructureTest, TempoInWholeBeatsAndARefreshKeepsWhatItCanShow) {
    style_.tempo = 750000;
    EXPECT_EQ(TuneRowText(style_, kTuneRowTempo), "80 bpm");
    StepTuneRow(style_, kTuneRowTempo, -1);
    EXPECT_EQ(style_.tempo, 759000);  // 60000 / 79 = 759
    EXPECT_EQ(TuneTempoOfBpm(70), 857000);
    const std::int32_t cases[][2] = {{520000, 520000}, {2000000, 2000000}, {857123, 857123},
                                     {100000, 250000}, {-5000, 2000000}};
    for (const auto& c : cases) {
        style_.tempo = c[0];
        StepTuneRow(style_, kTuneRowTempo, 0);
        EXPECT_EQ(style_.tempo, c[1]) << c[0];
    }
    for (const auto& [bars, shown] : {std::pair{40, 40}, std::pair{5, 16}, std::pair{500, 96}}) {
        style_.tuneLength = bars;
        StepTuneRow(style_, kTuneRowBars, 0);
        EXPECT_EQ(style_.tuneLength, shown);
    }
    EXPECT_EQ(Boxes(), 0);
}

TEST_F(TuneStructureTest, ATempoWithoutWholeMillisecondsIsReportedAndBecomesEighty) {
    for (std::int32_t tempo : {0, 1, 999, -999}) {
        testing_support::Sink().Clear();
        style_.tempo = tempo;
        EXPECT_EQ(TuneBpm(tempo), 80);  // never divides by zero
        StepTuneRow(style_, kTuneRowTempo, 0);
        EXPECT_EQ(style_.tempo, 750000) << tempo;
        ASSERT_EQ(Boxes(), 1) << tempo;
        EXPECT_NE(testing_support::Sink().Texts()[0].find("can't add tempo information!"),
                  std::string::npos);
    }
    style_.tempo = 1000;  // the smallest it can reckon: 60000 bpm, clamped
    StepTuneRow(style_, kTuneRowTempo, 0);
    EXPECT_EQ(TuneBpm(style_.tempo), 240);
}

// A refresh shows 7/8 with a triplet feel as it is; the chooser then
// offers no 7/8.
TEST_F(TuneStructureTest, ARefreshNeverStepsOn) {
    style_.timeSignature = kTimeSignature78;
    style_.basicBeat = 1;
    RefreshTuneRows(style_);
    EXPECT_EQ(style_.timeSignature, kTimeSignature78);
    EXPECT_EQ(style_.basicBeat, 1);
    EXPECT_EQ(TimeSignatureChoices(style_).values.size(), 2u);
}

// From every value of every choice row, both steps land on a table value;
// under a triplet feel a step never lands on 7/8, in 7/8 never on a triplet
// feel; a missing value is refreshed to the first entry and nothing else
// in the style moves.
TEST_F(TuneStructureTest, StepsStayInTheirTablesAndTouchOnlyTheirField) {
    struct RowField {
        int row;
        std::int32_t MusicStyle::*field;
        const ChoiceRow* choices;
    };
    const RowField rows[] = {
        {kTuneRowKey, &MusicStyle::key, &kTuneKeyChoices},
        {kTuneRowTimeSignature, &MusicStyle::timeSignature, &kTuneTimeChoices},
        {kTuneRowScale, &MusicStyle::scale, &kTuneScaleChoices},
        {kTuneRowChordProgression, &MusicStyle::chordProgression, &kTuneProgressionChoices},
        {kTuneRowBasicBeat, &MusicStyle::basicBeat, &kTuneBasicBeatChoices},
    };
    for (const RowField& r : rows) {
        for (int beat : {0, 1, 3}) {
            for (int metre : {0, 1, 2}) {
                for (int value : r.choices->values) {
                    for (int step : {-1, 0, 1}) {
                        MusicStyle s = style_;
                        s.basicBeat = beat;
                        s.timeSignature = metre;
                        s.*r.field = value;
                        MusicStyle before = s;
                        StepTuneRow(s, r.row, step);
                        const int got = s.*r.field;
                        EXPECT_LT(ChoicePosition(*r.choices, got),
                                  static_cast<int>(r.choices->values.size()));
                        if (step != 0 && r.row == kTuneRowTimeSignature && beat != 0) {
                            EXPECT_NE(got, 2);
                        }
                        if (step != 0 && r.row == kTuneRowBasicBeat && metre == 2) {
                            EXPECT_EQ(got, 0);
                        }
                        if (step == 0) {
                            EXPECT_EQ(got, value);
                        } else if (r.row != kTuneRowBasicBeat && r.row != kTuneRowTimeSignature) {
                            EXPECT_NE(got, value);
                        }
                        before.*r.field = got;
                        EXPECT_EQ(std::memcmp(&before, &s, sizeof s), 0) << r.row;
                    }
                }
            }
        }
        MusicStyle s = style_;
        s.*r.field = 99;
        StepTuneRow(s, r.row, 0);
        EXPECT_EQ(s.*r.field, r.choices->values[0]) << r.row;
        EXPECT_FALSE(TuneRowText(s, r.row).empty());
    }
}

TEST_F(TuneStructureTest, ChordRowHidesTheProgressionOfACustomMethod) {
    style_.chordGenerationMethod = 1;
    style_.chordProgression = 2;
    EXPECT_EQ(TuneRowText(style_, kTuneRowChordProgression), "Motion Calculation / Normal");
    style_.chordGenerationMethod = 8;
    StepTuneRow(style_, kTuneRowChordProgression, 1);
    EXPECT_EQ(style_.chordProgression, 1);  // stepped all the same
    EXPECT_EQ(TuneRowText(style_, kTuneRowChordProgression), "Custom / ---");
    style_.timeSignature = 1;
    style_.key = 2;
    style_.scale = 21;
    EXPECT_EQ(TuneRowText(style_, kTuneRowTimeSignature), "3/4");
    EXPECT_EQ(TuneRowText(style_, kTuneRowKey), "A Minor");
    EXPECT_EQ(TuneRowText(style_, kTuneRowScale), "Flamenco");
}

}  // namespace
