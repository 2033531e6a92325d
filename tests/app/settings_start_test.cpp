// Start-up with settings that cannot be taken as they are: a damaged
// "zaw.ini", and folders longer than its 255-byte fields. Each run is the
// whole application; the panel must open and "zaw.ini" be written.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <thread>

#include "app/holder_selection_dialog.h"
#include "compose/compose_control.h"
#include "tests/app/panel_fixture.h"

using namespace platform::ui;
using testing_support::ReadFileText;
using testing_support::Sink;
namespace fs = std::filesystem;

namespace {

class SettingsStartTest : public PanelFixture {
protected:
    void SetUp() override { StartFixture([] {}, [] {}); }
    void TearDown() override {
        unsetenv("TMPDIR");
        PanelFixture::TearDown();
    }
    // Runs the program; true when its panel opened. Counts folder choosers.
    bool Opens(const std::function<void(HeadlessBackend&, MainDlg&)>& session) {
        const std::size_t before = testing_support::Chooser().FolderRequests().size();
        bool opened = false;
        RunApplication([&](HeadlessBackend& d, MainDlg& panel) {
            opened = true;
            session(d, panel);
            d.Click(40, 175);  // Power
        });
        choosers_ = testing_support::Chooser().FolderRequests().size() - before;
        return opened;
    }
    std::size_t choosers_ = 0;
};

// A folder of exactly the given length (or base itself), made on disk.
std::string LongFolder(std::string path, std::size_t length) {
    while (path.size() < length)
        path += "/" + std::string(std::min<std::size_t>(60, length - path.size() - 1), 'f');
    fs::create_directories(path);
    return path;
}

}  // namespace

TEST_F(SettingsStartTest, ADamagedSettingsFileOpensThePanelWithDefaultsAndOneNotice) {
    setenv("TMPDIR", folder_.c_str(), 1);
    InitDefaultSettings();
    ResetStyleSelections();
    AppSettings.TuneNumber = 42;  // good fields to keep
    std::strcpy(AppSettings.UserName, "Somebody");
    ASSERT_EQ(SaveSettingsFile(), 1);
    const std::string good = ReadFileText(SettingsFilePath());
    std::string ranges = good;
    // DontPlay, tune length, timer hour, terminal row, a convert selection.
    for (auto [offset, value] : {std::pair{792, 7}, {788, -1}, {1092, 30}, {1400, 52}, {1404, 2}})
        std::memcpy(ranges.data() + offset, &value, 4);
    std::memset(ranges.data() + 276, 0xFF, 256);  // unterminated output folder
    const struct {
        std::string bytes;
        bool damaged;
        int tuneNumber;  // kept, or the default 0
    } cases[] = {
        {good, false, 42},
        {std::string(3132, '\xFF'), true, 0},
        {ranges, true, 42},
        {good.substr(0, 2000), true, 42},  // cut in the tables
        {good.substr(0, 1000), true, 0},   // cut record
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        testing_support::WriteFileText(SettingsFilePath(), c.bytes);
        Sink().Clear();
        EXPECT_TRUE(Opens([&](HeadlessBackend&, MainDlg&) {
            ASSERT_EQ(Sink().Count(), c.damaged ? 1u : 0u);
            if (c.damaged) {
                EXPECT_EQ(Sink().Texts()[0].find(SettingsFilePath() + "\nwas damaged"), 0u);
            }
            EXPECT_EQ(AppSettings.TuneNumber, c.tuneNumber);
            EXPECT_STREQ(AppSettings.UserName, c.tuneNumber ? "Somebody" : "ZAW User");
            for (auto [value, fallback] :
                 {std::pair{AppSettings.DontPlay, 0}, {AppSettings.SettingsDialogValue, 24},
                  {AppSettings.TimerStartHour, 0}, {AppSettings.TerminalIndex, 0},
                  {AppSettings.ComposeOutputType, 2}, {ConvertStyleSelection[0], 1}})
                EXPECT_EQ(value, fallback);
            EXPECT_EQ(FolderSetting(FolderKind::Output), folder_ + "/");
            EXPECT_EQ(FolderSetting(FolderKind::Work), folder_ + "/");
        }));
        EXPECT_EQ(choosers_, 0u);
        const std::string written = ReadFileText(SettingsFilePath());
        ASSERT_EQ(written.size(), 3132u);
        EXPECT_EQ(written[804], c.tuneNumber);
        EXPECT_EQ(written.substr(276, folder_.size() + 2), folder_ + "/" + '\0');
    }
}

// Long folders are used whole for the run: tunes land in the folder the user
// sees and nowhere else, "zaw.ini" is written, and the next start goes back
// to the program folder for what the file could not hold.
TEST_F(SettingsStartTest, LongFoldersAreUsedWholeAndTheSettingsFileIsWritten) {
    // Lengths of the program, temporary and picked output folder (0: short).
    const std::size_t cases[][3] = {{330, 0, 0}, {0, 330, 0}, {0, 0, 300}};
    for (const auto& c : cases) {
        const std::string base = folder_ + "/run" + std::to_string(&c - cases);
        SCOPED_TRACE(base);
        const std::string program = LongFolder(base + "/p", c[0]);
        const std::string temp = LongFolder(base + "/t", c[1]);
        const std::string picked = LongFolder(base + "/o", c[2]);
        platform::SetProgramDirectory(program);
        setenv("TMPDIR", temp.c_str(), 1);
        for (const auto& entry : fs::directory_iterator(ZAW_RES_DIR))
            if (entry.is_regular_file()) fs::copy_file(entry.path(), program / entry.path().filename());
        const std::string output = (c[2] ? picked : program) + "/";
        if (c[2]) testing_support::Chooser().QueueFolder(picked);
        Sink().Clear();
        EXPECT_TRUE(Opens([&](HeadlessBackend& d, MainDlg& panel) {
            EXPECT_EQ(FolderSetting(FolderKind::Work), temp + "/");
            if (c[2]) {
                d.Then([](HeadlessBackend& h) {
                    h.Click(233, 56);   // Output Folder
                    h.Click(322, 117);  // OK
                });
                HolderSelection(&panel.GetWindow()).DoModal();
            }
            ASSERT_EQ(Sink().Count(), c[2] ? 1u : 0u);
            if (c[2]) {
                EXPECT_EQ(Sink().Texts()[0].find(picked + "/\nis too long"), 0u);
            }
            ASSERT_EQ(FolderSetting(FolderKind::Output), output);
            AppSettings.DontPlay = 1;
            ClearStyleSelections();
            ComposeStyleSelection[1] = 1;
            d.Click(200, 180);  // Play
            for (int i = 0; i < 60000 && !fs::exists(output + "MYMIDI00.MID"); ++i) {
                d.Pump();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            StopComposeRun(true);
        }));
        EXPECT_EQ(choosers_, c[2] ? 1u : 0u);
        int tunes = 0;
        for (const auto& entry : fs::recursive_directory_iterator(base)) {
            if (entry.path().filename().string().find("MYMIDI") == std::string::npos) continue;
            EXPECT_EQ(entry.path().parent_path().string() + "/", output) << entry.path();
            ++tunes;
        }
        EXPECT_GE(tunes, 1);
        ASSERT_EQ(ReadFileText(program + "/zaw.ini").size(), 3132u);
        InitDefaultSettings();
        ASSERT_EQ(LoadSettingsFile(), SettingsLoadResult::Complete);
        EXPECT_EQ(FolderSetting(FolderKind::Output), program + "/");
        EXPECT_EQ(FolderSetting(FolderKind::Work), temp + "/");
    }
}
