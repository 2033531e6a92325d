#include "core/reporters.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>

#include "tests/support/test_support.h"

using testing_support::Clock;
using testing_support::Sink;

namespace {

// The program-wide table as the test keeps it: "CODE<TAB>text" per line.
std::map<ErrorCode, std::string> ExpectedTable() {
    std::map<ErrorCode, std::string> table;
    std::ifstream in(std::string(ZAW_TEST_DATA_DIR) + "/error_codes.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        size_t tab = line.find('\t');
        table[static_cast<ErrorCode>(std::stoul(line.substr(0, tab), nullptr, 16))] =
            line.substr(tab + 1);
    }
    return table;
}

std::string Boxed(ErrorCode code, const std::string& text) {
    char head[16];
    std::snprintf(head, sizeof head, "ZAWC%08X ", code);
    return head + text;
}

}  // namespace

TEST(ShowErrorMessage, EveryCodeOfTheTableShowsItsText) {
    auto expected = ExpectedTable();
    ASSERT_GT(expected.size(), 300u);
    for (const auto& [code, text] : expected) {
        Sink().Clear();
        EXPECT_EQ(ShowErrorMessage(code), 0);
        ASSERT_EQ(Sink().Count(), 1u);
        EXPECT_EQ(Sink().Boxes()[0].kind, platform::BoxKind::Error);
        EXPECT_EQ(Sink().Texts()[0], Boxed(code, text)) << std::hex << code;
    }
}

TEST(ShowErrorMessage, CodesOutsideTheTableShowTheFallbackText) {
    auto expected = ExpectedTable();
    // Every gap inside the range and the codes just around it.
    for (ErrorCode code = 0xFF010000; code <= 0xFF010210; ++code) {
        if (expected.count(code)) continue;
        Sink().Clear();
        ShowErrorMessage(code);
        EXPECT_EQ(Sink().Texts().at(0), Boxed(code, "Error occured in MobileDialogSelectChanel!"));
    }
    Sink().Clear();
    ShowErrorMessage(0x12);
    EXPECT_EQ(Sink().Texts().at(0), "ZAWC00000012 Error occured in MobileDialogSelectChanel!");
}

TEST(ShowErrorMessage, PausesHalfASecondAfterTheBox) {
    ShowErrorMessage(0xFF010001);
    EXPECT_EQ(Sink().Texts().at(0), "ZAWCFF010001 Drum paggern error!");
    EXPECT_EQ(Clock().Slept(), std::chrono::milliseconds(500));
}

TEST(ShowInfoMessage, ShowsBareTextsAndTheUndefinedNotice) {
    ShowInfoMessage(0xFF010203);
    ShowInfoMessage(0xFF010204);
    ShowInfoMessage(0xFF010201);
    auto boxes = Sink().Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].kind, platform::BoxKind::Info);
    EXPECT_EQ(boxes[0].text, "Loop error");
    EXPECT_EQ(boxes[1].text, "Select output format and playback device!");
    EXPECT_EQ(boxes[2].text, "未定義の情報です。");
    EXPECT_EQ(Clock().Slept(), std::chrono::nanoseconds(0));
}

TEST(AskConfirm, AsksTheThreeQuestionsAndRefusesOtherCodes) {
    Sink().QueueAnswer(IDCANCEL);
    EXPECT_EQ(AskConfirm(0xFF010155), IDCANCEL);
    EXPECT_EQ(AskConfirm(0xFF01014C), IDOK);
    auto boxes = Sink().Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].kind, platform::BoxKind::OkCancel);
    EXPECT_EQ(boxes[0].text, "If you do this operation, music style will be initialized.");
    EXPECT_EQ(boxes[1].text,
              "Silen or Long Pipe Effect is used.\nA file can be created but, can't be played "
              "with ZAW.\nDo you want to use effect?");
    // An unknown question is never asked and never approved.
    EXPECT_EQ(AskConfirm(0xFF010001), IDCANCEL);
    EXPECT_EQ(Sink().Count(), 2u);
}

TEST(ShowCommonDialogError, UsesTheGnwnTagAndFallback) {
    ShowCommonDialogError(0x3003);
    ShowCommonDialogError(0x77);
    EXPECT_EQ(Sink().Texts().at(0), "GNWN00003003 Buffer of lpstrFile is too samll!");
    EXPECT_EQ(Sink().Texts().at(1), "GNWN00000077 Undefined error occured!");
}

TEST(ClassReporter, FormatsTagCodeAndTextWithoutPausing) {
    static const CodeText table[] = {{0x0D00001A, "Can not add data!"}};
    constexpr ClassReporter reporter("MDTK", table, "Error occured in MidiTrackData!");
    reporter.Show(0x0D00001A);
    reporter.Show(0x0D000099);
    EXPECT_EQ(Sink().Texts().at(0), "MDTK0D00001A Can not add data!");
    EXPECT_EQ(Sink().Texts().at(1), "MDTK0D000099 Error occured in MidiTrackData!");
    EXPECT_EQ(Clock().Slept(), std::chrono::nanoseconds(0));
}

TEST(ClassReporter, LongTextsAreCutToTheMessageBuffer) {
    std::string longText(5000, 'x');
    EXPECT_EQ(FormatClassMessage("TEST", 1, longText.c_str()).size(), kMessageBufferSize - 1);
}

TEST(OnceWarning, ShowsEachCodeOnce) {
    static const CodeText table[] = {{1, "one"}, {2, "two"}};
    constexpr ClassReporter reporter("MDTK", table, "default");
    OnceWarning warning(reporter);
    EXPECT_TRUE(warning.Show(1));
    EXPECT_FALSE(warning.Show(1));
    EXPECT_TRUE(warning.Show(2));
    EXPECT_EQ(Sink().Count(), 2u);
    warning.Reset();
    EXPECT_TRUE(warning.Show(1));
}
