#include "core/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "tests/support/test_support.h"

using testing_support::Clock;
using testing_support::ReadFileText;
using testing_support::ScratchDir;
using testing_support::Sink;
using testing_support::WriteFileText;

namespace {

// Runs each test with the program folder in a scratch folder and a known
// temporary folder, and with the settings back at their defaults.
class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TMPDIR");
        hadTmpdir_ = old != nullptr;
        if (hadTmpdir_) oldTmpdir_ = old;
        folder_ = ScratchDir();  // made before TMPDIR changes
        setenv("TMPDIR", "/work/tmp-for-tests", 1);
        platform::SetProgramDirectory(folder_);
        SetSettingsSavedHook(nullptr);
        InitDefaultSettings();
        ResetStyleSelections();
    }
    void TearDown() override {
        platform::SetProgramDirectory("");
        SetSettingsSavedHook(nullptr);
        if (hadTmpdir_)
            setenv("TMPDIR", oldTmpdir_.c_str(), 1);
        else
            unsetenv("TMPDIR");
        PanelMode = kPanelModeCompose;
        ComposeStopRequest = 0;
        StopPending = 0;
    }

    std::string IniPath() const { return folder_ + "/zaw.ini"; }

    std::string folder_;
    bool hadTmpdir_ = false;
    std::string oldTmpdir_;
};

std::int32_t IntAt(const std::string& bytes, std::size_t offset) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset);
    return static_cast<std::int32_t>(p[0] | p[1] << 8 | p[2] << 16 |
                                     static_cast<std::uint32_t>(p[3]) << 24);
}

void PutInt(std::string& bytes, std::size_t offset, std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A text field: the text, then zero bytes to the end of its 256.
void ExpectTextField(const std::string& bytes, std::size_t offset, const std::string& text) {
    EXPECT_EQ(bytes.substr(offset, text.size()), text) << "at " << offset;
    for (std::size_t i = offset + text.size(); i < offset + 256; ++i)
        ASSERT_EQ(bytes[i], '\0') << "at " << i;
}

}  // namespace

TEST_F(SettingsTest, DefaultsAreWrittenByteForByte) {
    ASSERT_EQ(SaveSettingsFile(), 1);
    std::string bytes = ReadFileText(IniPath());
    ASSERT_EQ(bytes.size(), 3132u);

    // (offset, value) of every int of the record.
    const std::vector<std::pair<std::size_t, std::int32_t>> ints = {
        {0, 2},    {4, 1},    {8, 1},    {12, 1},   {16, 1},   {788, 24},     {792, 0},  {796, 0},
        {800, 1},  {804, 0},  {808, 1},  {812, 0},  {816, 0},  {1076, 18000}, {1080, 1}, {1084, 2},
        {1088, 0}, {1092, 0}, {1096, 0}, {1100, 0}, {1104, 0}, {1108, 0},     {1112, 0}, {1116, 1},
        {1120, 0}, {1380, 1}, {1384, 1}, {1388, 1}, {1392, 1}, {1396, 0},     {1400, 0},
    };
    for (auto [offset, value] : ints)
        EXPECT_EQ(IntAt(bytes, offset), value) << "int at " << offset;
    ExpectTextField(bytes, 20, folder_ + "/");
    ExpectTextField(bytes, 276, folder_ + "/");
    ExpectTextField(bytes, 532, "/work/tmp-for-tests/");
    ExpectTextField(bytes, 820, "ZAW User");
    ExpectTextField(bytes, 1124, "");

    // The convert table selects category 0 slot 0; the compose table slots
    // 1, 8, 20 of category 0 and slot 8 of category 5.
    for (int i = 0; i < 216; ++i) {
        EXPECT_EQ(IntAt(bytes, 1404 + 4 * i), i == 0 ? 1 : 0) << "convert " << i;
        bool compose = i == 1 || i == 8 || i == 20 || i == 5 * 24 + 8;
        EXPECT_EQ(IntAt(bytes, 2268 + 4 * i), compose ? 1 : 0) << "compose " << i;
    }
    // Nothing is left of the temporary file.
    EXPECT_FALSE(std::filesystem::exists(IniPath() + ".tmp"));
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST_F(SettingsTest, DefaultsKeepFoldersInsideTheirFields) {
    std::string longFolder = folder_ + "/" + std::string(300, 'd');
    platform::SetProgramDirectory(longFolder);
    InitDefaultSettings();
    // Too long for the fields: used whole, the fields left empty (the default).
    EXPECT_EQ(FolderSetting(FolderKind::Style), longFolder + "/");
    EXPECT_EQ(FolderSetting(FolderKind::Output), longFolder + "/");
    EXPECT_STREQ(AppSettings.OutputFolder, "");

    setenv("TMPDIR", "/already/slashed/", 1);
    InitDefaultSettings();
    EXPECT_STREQ(AppSettings.WorkFolder, "/already/slashed/");
    unsetenv("TMPDIR");
    InitDefaultSettings();
    EXPECT_STREQ(AppSettings.WorkFolder, "/tmp/");
}

TEST_F(SettingsTest, ACompleteFileRestoresEverything) {
    AppSettings.ComposeOutputType = 0;
    AppSettings.TuneNumber = 42;
    AppSettings.TerminalIndex = 51;
    AppSettings.FormatFilterIndex = 13;
    AppSettings.TimerStartHour = 7;
    std::strcpy(AppSettings.UserName, "Somebody");
    std::strcpy(AppSettings.WatermarkText, "mark");
    AppSettings.WatermarkText[200] = 'x';  // bytes past the terminator are kept
    ClearStyleSelections();
    ComposeStyleSelection[100] = 1;
    ConvertStyleSelection[215] = 1;
    ASSERT_EQ(SaveSettingsFile(), 1);

    InitDefaultSettings();
    ResetStyleSelections();
    EXPECT_EQ(LoadSettingsFile(), SettingsLoadResult::Complete);
    EXPECT_EQ(AppSettings.ComposeOutputType, 0);
    EXPECT_EQ(AppSettings.TuneNumber, 42);
    EXPECT_EQ(AppSettings.TerminalIndex, 51);
    EXPECT_EQ(AppSettings.FormatFilterIndex, 13);
    EXPECT_EQ(AppSettings.TimerStartHour, 7);
    EXPECT_STREQ(AppSettings.UserName, "Somebody");
    EXPECT_EQ(AppSettings.WatermarkText[200], 'x');
    EXPECT_EQ(ComposeStyleSelection[100], 1);
    EXPECT_EQ(ComposeStyleSelection[1], 0);
    EXPECT_EQ(ConvertStyleSelection[215], 1);
    EXPECT_EQ(ConvertStyleSelection[0], 0);

    // A longer file is read up to the three blocks.
    WriteFileText(IniPath(), ReadFileText(IniPath()) + "trailing");
    EXPECT_EQ(LoadSettingsFile(), SettingsLoadResult::Complete);
    EXPECT_EQ(AppSettings.TuneNumber, 42);
}

TEST_F(SettingsTest, ShortAndMissingFilesFallBackToDefaults) {
    AppSettings.TuneNumber = 17;
    ClearStyleSelections();
    ComposeStyleSelection[50] = 1;
    ConvertStyleSelection[60] = 1;
    ASSERT_EQ(SaveSettingsFile(), 1);
    std::string full = ReadFileText(IniPath());

    // Only the record: it is restored, both tables go back to the default choice.
    InitDefaultSettings();
    WriteFileText(IniPath(), full.substr(0, 1404));
    EXPECT_EQ(LoadSettingsFile(), SettingsLoadResult::SettingsOnly);
    EXPECT_EQ(AppSettings.TuneNumber, 17);
    EXPECT_EQ(ComposeStyleSelection[50], 0);
    EXPECT_EQ(ConvertStyleSelection[60], 0);
    EXPECT_EQ(ConvertStyleSelection[0], 1);
    EXPECT_EQ(ComposeStyleSelection[5 * 24 + 8], 1);

    // The convert table complete, the compose table cut: both reset.
    ClearStyleSelections();
    WriteFileText(IniPath(), full.substr(0, 3000));
    EXPECT_EQ(LoadSettingsFile(), SettingsLoadResult::SettingsOnly);
    EXPECT_EQ(ConvertStyleSelection[60], 0);
    EXPECT_EQ(ConvertStyleSelection[0], 1);

    // A cut record: the defaults, none of the file's bytes.
    AppSettings.TuneNumber = 5;
    std::string cut = full.substr(0, 1000);
    std::memset(cut.data() + 820, 'A', 180);  // an unterminated author name
    WriteFileText(IniPath(), cut);
    EXPECT_EQ(LoadSettingsFile(), SettingsLoadResult::TooShort);
    EXPECT_EQ(AppSettings.TuneNumber, 0);
    EXPECT_STREQ(AppSettings.UserName, "ZAW User");
    EXPECT_EQ(AppSettings.UserName[100], '\0');
    EXPECT_EQ(ComposeStyleSelection[1], 1);

    // An empty file behaves as a cut one.
    AppSettings.TuneNumber = 5;
    WriteFileText(IniPath(), "");
    EXPECT_EQ(LoadSettingsFile(), SettingsLoadResult::TooShort);
    EXPECT_EQ(AppSettings.TuneNumber, 0);

    // No file at all: whatever is in memory stays.
    std::filesystem::remove(IniPath());
    AppSettings.TuneNumber = 33;
    ComposeStyleSelection[77] = 1;
    EXPECT_EQ(LoadSettingsFile(), SettingsLoadResult::Missing);
    EXPECT_EQ(AppSettings.TuneNumber, 33);
    EXPECT_EQ(ComposeStyleSelection[77], 1);
    // A folder in place of the file is no file either.
    std::filesystem::create_directory(IniPath());
    EXPECT_EQ(LoadSettingsFile(), SettingsLoadResult::Missing);
    EXPECT_EQ(AppSettings.TuneNumber, 33);
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST_F(SettingsTest, LoadedIndicesAndTextsAreMadeSafe) {
    ASSERT_EQ(SaveSettingsFile(), 1);
    std::string bytes = ReadFileText(IniPath());
    PutInt(bytes, 0, 26);        // output type past the last
    PutInt(bytes, 804, 100);     // tune number
    PutInt(bytes, 1080, 0);      // filter index below the first
    PutInt(bytes, 1084, 14);     // filter index past the last
    PutInt(bytes, 1400, 52);     // terminal row past the table
    PutInt(bytes, 1076, 99999);  // not an index: kept
    std::memset(bytes.data() + 20, 'S', 256);
    std::memset(bytes.data() + 532, 'W', 256);
    std::memset(bytes.data() + 1124, 'M', 256);
    WriteFileText(IniPath(), bytes);

    EXPECT_EQ(LoadSettingsFile(), SettingsLoadResult::Complete);
    EXPECT_EQ(AppSettings.ComposeOutputType, 2);
    EXPECT_EQ(AppSettings.TuneNumber, 0);
    EXPECT_EQ(AppSettings.FormatFilterIndex, 1);
    EXPECT_EQ(AppSettings.StyleFilterIndex, 2);
    EXPECT_EQ(AppSettings.TerminalIndex, 0);
    EXPECT_EQ(AppSettings.RingtoneSizeLimit, 99999);
    // Unterminated texts are taken as damaged: their defaults.
    EXPECT_EQ(std::string(AppSettings.StyleFolder), folder_ + "/");
    EXPECT_STREQ(AppSettings.WorkFolder, "/work/tmp-for-tests/");
    EXPECT_STREQ(AppSettings.WatermarkText, "");
    EXPECT_STREQ(AppSettings.UserName, "ZAW User");

    // Negative values and the edges of each range.
    PutInt(bytes, 0, -1);
    PutInt(bytes, 804, -1);
    PutInt(bytes, 1400, -1);
    PutInt(bytes, 1080, 13);
    PutInt(bytes, 1084, 1);
    WriteFileText(IniPath(), bytes);
    EXPECT_EQ(LoadSettingsFile(), SettingsLoadResult::Complete);
    EXPECT_EQ(AppSettings.ComposeOutputType, 2);
    EXPECT_EQ(AppSettings.TuneNumber, 0);
    EXPECT_EQ(AppSettings.TerminalIndex, 0);
    EXPECT_EQ(AppSettings.FormatFilterIndex, 13);
    EXPECT_EQ(AppSettings.StyleFilterIndex, 1);

    PutInt(bytes, 0, 25);
    PutInt(bytes, 804, 99);
    PutInt(bytes, 1400, 51);
    WriteFileText(IniPath(), bytes);
    EXPECT_EQ(LoadSettingsFile(), SettingsLoadResult::Complete);
    EXPECT_EQ(AppSettings.ComposeOutputType, 25);
    EXPECT_EQ(AppSettings.TuneNumber, 99);
    EXPECT_EQ(AppSettings.TerminalIndex, 51);

    // Garbage of the full size loads without reading past any field.
    std::string garbage(3132, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 131 + 7) % 251 + 1);
    WriteFileText(IniPath(), garbage);
    EXPECT_EQ(LoadSettingsFile(), SettingsLoadResult::Complete);
    for (const char* text :
         {AppSettings.StyleFolder, AppSettings.OutputFolder, AppSettings.WorkFolder,
          AppSettings.UserName, AppSettings.WatermarkText})
        EXPECT_LE(std::strlen(text), 255u);
    EXPECT_GE(AppSettings.TuneNumber, 0);
    EXPECT_LE(AppSettings.TuneNumber, 99);
    EXPECT_GE(AppSettings.TerminalIndex, 0);
    EXPECT_LT(AppSettings.TerminalIndex, 52);
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST_F(SettingsTest, AFailedSaveKeepsTheOldFileAndReports) {
    int hookCalls = 0;
    static int* calls = nullptr;
    calls = &hookCalls;
    SetSettingsSavedHook([] { ++*calls; });

    AppSettings.TuneNumber = 11;
    ASSERT_EQ(SaveSettingsFile(), 1);
    EXPECT_EQ(hookCalls, 1);
    std::string before = ReadFileText(IniPath());

    // The temporary file cannot be made: the old file stays whole.
    std::filesystem::create_directory(IniPath() + ".tmp");
    AppSettings.TuneNumber = 12;
    EXPECT_EQ(SaveSettingsFile(), 0);
    EXPECT_EQ(ReadFileText(IniPath()), before);
    EXPECT_EQ(hookCalls, 2);
    EXPECT_EQ(AppSettings.TuneNumber, 12);  // the settings in memory stay
    std::filesystem::remove(IniPath() + ".tmp");

    // Each failure is one box that names the file and gives the system's
    // reason: the temporary file above, a folder named zaw.ini, a full disk
    // and a program folder that does not exist.
    std::filesystem::create_directories(folder_ + "/dir/zaw.ini");
    std::vector<std::string> expected = {IniPath() + ": Is a directory"};
    for (const char* folder : {"/dir", "", "/missing"}) {
        platform::SetProgramDirectory(folder_ + folder);
        testing_support::FileSizeLimit full(*folder ? 1 << 20 : 100);
        EXPECT_EQ(SaveSettingsFile(), 0) << folder;
    }
    expected.push_back(folder_ + "/dir/zaw.ini: Is a directory");
    expected.push_back(IniPath() + ": File too large");
    expected.push_back(folder_ + "/missing/zaw.ini: No such file or directory");
    ASSERT_EQ(Sink().Count(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(Sink().Texts()[i], "ZAWCFF010013 pro file error! " + expected[i]);
}

TEST_F(SettingsTest, StyleSelectionsResetAndClear) {
    for (int i = 0; i < 216; ++i) {
        ComposeStyleSelection[i] = 1;
        ConvertStyleSelection[i] = 1;
    }
    ResetStyleSelections();
    int compose = 0, convert = 0;
    for (int i = 0; i < 216; ++i) {
        compose += ComposeStyleSelection[i];
        convert += ConvertStyleSelection[i];
    }
    EXPECT_EQ(compose, 4);
    EXPECT_EQ(convert, 1);
    EXPECT_EQ(ComposeStyleSelection[0 * 24 + 1], 1);
    EXPECT_EQ(ComposeStyleSelection[0 * 24 + 8], 1);
    EXPECT_EQ(ComposeStyleSelection[0 * 24 + 20], 1);
    EXPECT_EQ(ComposeStyleSelection[5 * 24 + 8], 1);
    EXPECT_EQ(ConvertStyleSelection[0], 1);

    ClearConvertStyleSelection();
    EXPECT_EQ(ConvertStyleSelection[0], 0);
    EXPECT_EQ(ComposeStyleSelection[20], 1);
    ClearStyleSelections();
    EXPECT_EQ(ComposeStyleSelection[20], 0);
}

TEST_F(SettingsTest, StopIsRefusedOutsideComposeMode) {
    for (int mode : {kPanelModeEdit, kPanelModeConvert}) {
        Sink().Clear();
        PanelMode = mode;
        auto slept = Clock().Slept();
        RequestStop();
        EXPECT_EQ(ComposeStopRequest.load(), 0);
        EXPECT_EQ(StopPending.load(), 0);
        ASSERT_EQ(Sink().Count(), 1u);
        EXPECT_EQ(Sink().Texts()[0],
                  "ZAWCFF01013D You can not stop while the conversion is in progress!");
        EXPECT_GE(Clock().Slept() - slept, std::chrono::milliseconds(500));  // the error pause
    }
    Sink().Clear();
    PanelMode = kPanelModeCompose;
    auto slept = Clock().Slept();
    RequestStop();
    EXPECT_EQ(ComposeStopRequest.load(), 1);
    EXPECT_EQ(StopPending.load(), 1);
    EXPECT_EQ(Clock().Slept() - slept, std::chrono::milliseconds(100));
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(InstrumentNames, TableHoldsEveryCodeVerbatim) {
    FillInstrumentNames();
    ASSERT_EQ(InstrumentNameTable.size(), 152u);
    for (const char* name : InstrumentNameTable) {
        ASSERT_NE(name, nullptr);
        EXPECT_GT(std::strlen(name), 0u);
    }
    EXPECT_STREQ(InstrumentNameTable[0], "Acoustic Grand Piano");
    EXPECT_STREQ(InstrumentNameTable[33], "Fingerd Electric Bass");
    EXPECT_STREQ(InstrumentNameTable[48], "Ensamble Strings");
    EXPECT_STREQ(InstrumentNameTable[82], "Synth Calliop");
    EXPECT_STREQ(InstrumentNameTable[83], "Chiffer lead");
    EXPECT_STREQ(InstrumentNameTable[86], "Fifth Saw Wav");
    EXPECT_STREQ(InstrumentNameTable[120], "Gt.FretNoise");
    EXPECT_STREQ(InstrumentNameTable[124], "Telephone1");
    EXPECT_STREQ(InstrumentNameTable[127], "Gun Shot");
    EXPECT_STREQ(InstrumentNameTable[128], "Dog");
    EXPECT_STREQ(InstrumentNameTable[133], "Digiridoo");
    EXPECT_STREQ(InstrumentNameTable[135], "Undef 2");
    EXPECT_STREQ(InstrumentNameTable[136], "Piano Group");
    EXPECT_STREQ(InstrumentNameTable[144], "Acoustic Variation");
    EXPECT_STREQ(InstrumentNameTable[145], "Undef Variation1");
    EXPECT_STREQ(InstrumentNameTable[151], "Undef Variation7");

    InstrumentNameTable[5] = "changed";
    FillInstrumentNames();
    EXPECT_STREQ(InstrumentNameTable[5], "Electric Piano 2");
}
