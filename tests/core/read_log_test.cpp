#include "core/read_log.h"

#include <gtest/gtest.h>

#include "core/utilities.h"
#include "tests/support/test_support.h"

using testing_support::Sink;

// The findings are told in order as their reporter's boxes, a finding found
// again only once; each known offset goes to the standard-error log.
TEST(ReadLog, ShowAllTellsTheFindingsAndLogsTheirOffsets) {
    ReadLog log;
    log.Add(kGeneralFindings, gene::kDataTooLarge, 12);
    log.AddOnce(kGeneralFindings, gene::kCantOpenFile);
    log.AddOnce(kGeneralFindings, gene::kCantOpenFile, 40);
    log.AddOnce(kGeneralFindings, gene::kDataTooLarge, 7);
    ASSERT_EQ(log.Findings().size(), 2u);
    EXPECT_EQ(log.Findings()[0].count, 2u);
    EXPECT_EQ(FindingText(log.Findings()[1]), "GENE01000007 Cant open file!");
    Sink().Clear();
    testing::internal::CaptureStderr();
    log.ShowAll();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "zaw read: GENE0100000A data size is too large! (at byte 12, found 2 times)\n");
    const auto boxes = Sink().Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].kind, platform::BoxKind::Error);
    EXPECT_EQ(boxes[0].text, "GENE0100000A data size is too large!");
    EXPECT_EQ(boxes[1].text, "GENE01000007 Cant open file!");
    EXPECT_TRUE(log.Empty());
}
