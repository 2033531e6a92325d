// The window of length fitting: a tune within a bar of "Tune Length", at
// either end of the window, is left as it is; one more bar out and it is
// fitted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/utilities.h"
#include "tests/compose/progression_test_util.h"

namespace {

using compose_test::ProgressionFixture;

class LengthWindow : public ProgressionFixture {
protected:
    void UseStyle(int metre) {
        WorkingStyle.timeSignature = metre;
        SetFieldText(WorkingStyle.knowledgeBase, "PATTERN.DB");
        SetFieldText(WorkingStyle.resolutionKnowledgeBase, "RESOLUT.DB");
        WorkingStyle.chordGenerationMethod = 0;
        WorkingStyle.chordsInBlock = 0;
        WorkingStyle.blockLength = 0;
        SetupMajorKey();
        ASSERT_EQ(LoadKnowledgeBase(), 1);
    }
};

std::vector<int> Lengths() {
    std::vector<int> out;
    for (int b = 0; b < ComposeInfo.blockCount; ++b)
        for (const auto& chord : compose_test::BlockChords(b))
            out.push_back(chord.length);
    return out;
}

TEST_F(LengthWindow, WithinABarEitherWayIsLeftAloneOneMoreIsFitted) {
    for (int metre : {kMetre44, kMetre34}) {
        UseStyle(metre);
        const int chord = metre == kMetre44 ? 384 : 576;
        for (int offset = -2; offset <= 2; ++offset) {
            const std::string at = "metre " + std::to_string(metre) + " target bars " +
                                   (offset >= 0 ? "+" : "") + std::to_string(offset);
            compose_test::SetBlocks({{"CMPS", "FMPS", "GMPs", "CMPS"}, {"AmPs", "DmPs", "GMPs"}},
                                    {1, 2, 1, 2}, chord);
            const int bars = MeasureTuneLength();
            ASSERT_GT(bars, 10);
            const std::vector<int> before = Lengths();
            WorkingStyle.tuneLength = bars + offset;
            SeedRandomWith(5);
            const int fitted = FitToTuneLength();
            if (offset >= -1 && offset <= 1) {
                EXPECT_EQ(fitted, bars) << at;
                EXPECT_EQ(FitState, 0) << at;
                EXPECT_EQ(Lengths(), before) << at;
            } else {
                EXPECT_GT(FitState, 0) << at;
            }
        }
    }
}

}  // namespace
