#include "core/shell_services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/conversion_services.h"
#include "tests/support/test_support.h"

using testing_support::ReadFileText;
using testing_support::ScratchDir;
using testing_support::Sink;
using testing_support::WriteFileText;

namespace {

using Kind = RecordingShellServices::Kind;

class ShellServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        shell_ = std::make_shared<RecordingShellServices>();
        SetShellServices(shell_);
        for (SharedText* t : {&StatusText, &ResultText, &ProgressDotsText, &ComposeProgressText})
            t->Clear();
        InitSharedShellValues();
    }
    void TearDown() override {
        SetShellServices(nullptr);
        SetConversionServices(nullptr);
        OutputType = 0;
    }

    std::shared_ptr<RecordingShellServices> shell_;
};

}  // namespace

TEST_F(ShellServicesTest, ProgressDotsWrapAfterTwentyOne) {
    for (int i = 1; i <= 21; ++i) {
        AddProgressDot();
        EXPECT_EQ(ProgressDotsText.Get(), std::string(i, '*'));
    }
    // The 21st dot was shown, then the collection started again.
    EXPECT_EQ(ComposeProgressText.Get(), "");
    AddProgressDot();
    EXPECT_EQ(ProgressDotsText.Get(), "*");
    EXPECT_EQ(shell_->Count(Kind::DrawStatus), 22);
    // Each redraw saw the dots of its call.
    auto requests = shell_->Requests();
    EXPECT_EQ(requests[20].progressDots, std::string(21, '*'));
    EXPECT_EQ(requests[21].progressDots, "*");

    // The slow variant adds one dot per three calls, but redraws every call.
    ComposeProgressText.Clear();
    shell_->Clear();
    for (int i = 0; i < 9; ++i)
        AddProgressDotSlow();
    EXPECT_EQ(ComposeProgressText.Get(), "***");
    EXPECT_EQ(shell_->Count(Kind::DrawStatus), 9);
}

TEST_F(ShellServicesTest, AnalysisCallbacksRepaintThePanel) {
    EXPECT_EQ(ResetProgressText(), 0);
    EXPECT_EQ(ProgressDotsText.Get(), "*");
    for (int i = 2; i <= 20; ++i) {
        EXPECT_EQ(AdvanceProgressText(), 0);
        EXPECT_EQ(ProgressDotsText.Get(), std::string(i, '*'));
    }
    AdvanceProgressText();  // 21 dots: shown, then emptied
    EXPECT_EQ(ProgressDotsText.Get(), "");
    EXPECT_EQ(shell_->Count(Kind::RedrawPanel), 21);
    EXPECT_EQ(shell_->Requests().back().progressDots, std::string(21, '*'));
    EXPECT_EQ(shell_->Count(Kind::DrawStatus), 0);
}

TEST_F(ShellServicesTest, SavedTuneStatusNamesTheNumberedFile) {
    EXPECT_EQ(OutputFileName.Get(), "MYMIDI00.MID");
    SetOutputFileNumber(7);
    EXPECT_EQ(OutputFileName.Get(), "MYMIDI07.MID");
    ShowSavedTuneStatus();
    EXPECT_EQ(ResultText.Get(), "The file is saved as mymidi07.mid");
    EXPECT_EQ(shell_->Count(Kind::BroadcastPaint), 1);

    SetOutputFileNumber(99);
    ShowSavedTuneStatus();
    EXPECT_EQ(ResultText.Get(), "The file is saved as mymidi99.mid");
    SetOutputFileNumber(100);  // the number wraps like the tune number
    EXPECT_EQ(OutputFileName.Get(), "MYMIDI00.MID");

    shell_->SetMainWindowTitle("[07]");
    EXPECT_EQ(shell_->LastTitle(), "[07]");
    DisablePowerSaving();
    EXPECT_EQ(shell_->Count(Kind::DisablePowerSaving), 1);

    // Without installed services the headless one takes the requests.
    SetShellServices(nullptr);
    AddProgressDot();
    EXPECT_EQ(shell_->Count(Kind::DrawStatus), 0);
}

TEST_F(ShellServicesTest, SharedValuesStartAtTheirDefaults) {
    CreatedDrumPatterns[1][5] = 12;
    OutputFileName.Set("MYMIDI42.MID");
    InitSharedShellValues();
    for (const auto& row : CreatedDrumPatterns)
        for (int kind : row)
            EXPECT_EQ(kind, 6);
    EXPECT_EQ(OutputFileName.Get(), "MYMIDI00.MID");
    for (const ConversionInputSlot& slot : ConversionInputSlots)
        EXPECT_EQ(slot.Path[0], '\0');
}

TEST_F(ShellServicesTest, CopyFileBytesCopiesAndReportsFailures) {
    std::string dir = ScratchDir();
    std::string big;
    for (int i = 0; i < 40000; ++i)
        big += static_cast<char>(i * 7);
    WriteFileText(dir + "/src.mid", big);
    WriteFileText(dir + "/dst.mid", std::string(50000, 'x'));
    EXPECT_EQ(CopyFileBytes(dir + "/src.mid", dir + "/dst.mid"), 1);
    EXPECT_EQ(ReadFileText(dir + "/dst.mid"), big);  // truncated to the source
    WriteFileText(dir + "/empty.mid", "");
    EXPECT_EQ(CopyFileBytes(dir + "/empty.mid", dir + "/dst.mid"), 1);
    EXPECT_EQ(ReadFileText(dir + "/dst.mid"), "");

    // A copy onto itself keeps the file.
    EXPECT_EQ(CopyFileBytes(dir + "/src.mid", dir + "/./src.mid"), 1);
    EXPECT_EQ(ReadFileText(dir + "/src.mid"), big);
    EXPECT_EQ(Sink().Count(), 0u);

    EXPECT_EQ(CopyFileBytes(dir + "/none.mid", dir + "/out.mid"), 0);
    ASSERT_EQ(Sink().Count(), 2u);
    EXPECT_EQ(Sink().Texts()[0], "ZAWCFF010126 Can not open file for play.");
    EXPECT_EQ(Sink().Texts()[1], dir + "/none.mid: No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(dir + "/out.mid"));

    Sink().Clear();
    EXPECT_EQ(CopyFileBytes(dir + "/src.mid", dir + "/no/such/folder.mid"), 0);
    EXPECT_EQ(Sink().Count(), 2u);
}

TEST_F(ShellServicesTest, ACopyThatCannotBeWrittenNamesTheTargetAndLeavesNoPartialFile) {
    const std::string dir = ScratchDir();
    std::string tune;
    for (int i = 0; i < 20000; ++i)
        tune += static_cast<char>(i * 13);
    WriteFileText(dir + "/temp.mid", tune);
    WriteFileText(dir + "/MYMIDI02.MID", "old tune");
    const std::vector<std::string> before = testing_support::FolderNames(dir);
    const std::vector<std::string> box = {"ZAWCFF010126 Can not open file for play."};
    {
        // A disk that fills at 4096 bytes: neither a new nor an old tune file
        // is cut short.
        testing_support::FileSizeLimit full(4096);
        for (const char* name : {"/MYMIDI02.MID", "/MYMIDI03.MID"}) {
            Sink().Clear();
            EXPECT_EQ(CopyFileBytes(dir + "/temp.mid", dir + name), 0) << name;
            EXPECT_EQ(Sink().Texts(),
                      (std::vector<std::string>{box[0], dir + name + ": File too large"}))
                << name;
        }
    }
    EXPECT_TRUE(ReadFileText(dir + "/MYMIDI02.MID") == "old tune") << "the old tune was cut";
    EXPECT_EQ(testing_support::FolderNames(dir), before);
    // A folder that is not there is named with the file, not the source.
    Sink().Clear();
    EXPECT_EQ(CopyFileBytes(dir + "/temp.mid", dir + "/gone/MYMIDI04.MID"), 0);
    EXPECT_EQ(Sink().Texts(), (std::vector<std::string>{
                                  box[0], dir + "/gone/MYMIDI04.MID: No such file or directory"}));
}

TEST(CommonDialogErrors, ShownWithTheShellTag) {
    ReportCommonDialogError(0x3002);
    ReportCommonDialogError(4);
    ReportCommonDialogError(77);
    auto boxes = Sink().Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].kind, platform::BoxKind::Info);
    EXPECT_EQ(boxes[0].text, "ZAGN00003002 File name is invalid!");
    EXPECT_EQ(boxes[1].text, "ZAGN00000004 Instance handle is invalid! ");
    EXPECT_EQ(boxes[2].text, "ZAGN0000004D Undefined error occured!");
}

TEST_F(ShellServicesTest, ConversionGoesThroughTheInstalledConverters) {
    std::string path = "/work/temp.mid";
    EXPECT_EQ(ConvertToOutputFormat(path, 0, 0), 0);  // no converter: nothing written

    auto converters = std::make_shared<RecordingConversionServices>();
    SetConversionServices(converters);
    EXPECT_EQ(ConvertToOutputFormat(path, 1, 13), 0);
    converters->SetResult(1);
    EXPECT_EQ(ConvertToOutputFormat(path, 0, 4), 1);
    auto calls = converters->Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].path, "/work/temp.mid");
    EXPECT_EQ(calls[0].adjustVoice, 1);
    EXPECT_EQ(calls[0].outputType, 13);
    EXPECT_EQ(calls[1].outputType, 4);

    auto replaced = SetConversionServices(nullptr);
    EXPECT_EQ(replaced, converters);
    EXPECT_EQ(ConvertToOutputFormat(path, 0, 0), 0);
    EXPECT_EQ(converters->Calls().size(), 2u);
}
