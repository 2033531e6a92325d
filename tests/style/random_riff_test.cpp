#include "style/random_riff.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/utilities.h"

namespace {

struct RiffSummary {
    int total = 0;
    int triples = 0;
    bool stepsInRange = true;
    bool ended = false;
};

RiffSummary Summarise(const int (&riff)[kRiffTableSize]) {
    RiffSummary summary;
    for (int i = 0; i + 2 < kRiffTableSize; i += 3) {
        if (riff[i] == 0) {
            summary.ended = true;
            break;
        }
        summary.total += riff[i];
        ++summary.triples;
        for (int k = 1; k <= 2; ++k) {
            if (riff[i + k] < -1 || riff[i + k] > 11) summary.stepsInRange = false;
        }
    }
    return summary;
}

}  // namespace

TEST(RandomRiff, FillsExactlyOneBarOfTheMetre) {
    auto style = std::make_unique<MusicStyle>();
    InitMusicStyle(*style);
    struct Case {
        int metre;
        int beat;
        int target;
    };
    const Case kCases[] = {{kMetre44, 0, 32},
                           {kMetre34, 0, 24},
                           {kMetre78, 1, 28},
                           {kMetre44, 3, 24},
                           {kMetre34, 3, 18}};
    for (const Case& c : kCases) {
        style->timeSignature = c.metre;
        style->basicBeat = c.beat;
        for (int seed = 1; seed <= 300; ++seed) {
            SeedRandomWith(seed);
            int riff[kRiffTableSize];
            GenerateRandomRiff(riff, *style);
            RiffSummary summary = Summarise(riff);
            ASSERT_TRUE(summary.ended) << "metre " << c.metre << " seed " << seed;
            EXPECT_EQ(summary.total, c.target) << "metre " << c.metre << " seed " << seed;
            EXPECT_TRUE(summary.stepsInRange) << "metre " << c.metre << " seed " << seed;
            EXPECT_GE(summary.triples, 1);
        }
    }
}

TEST(RandomRiff, TripletSevenEightIsEmptyAndSeedsRepeat) {
    auto style = std::make_unique<MusicStyle>();
    InitMusicStyle(*style);
    style->timeSignature = kMetre78;
    style->basicBeat = 3;
    int riff[kRiffTableSize];
    for (int& value : riff)
        value = 77;
    GenerateRandomRiff(riff, *style);
    for (int value : riff)
        EXPECT_EQ(value, 0);

    style->timeSignature = kMetre44;
    style->basicBeat = 0;
    int first[kRiffTableSize];
    int second[kRiffTableSize];
    SeedRandomWith(42);
    GenerateRandomRiff(first, *style);
    SeedRandomWith(42);
    GenerateRandomRiff(second, *style);
    EXPECT_TRUE(std::equal(std::begin(first), std::end(first), std::begin(second)));
}
