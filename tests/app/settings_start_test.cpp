// Start-up with settings that cannot be taken as they are: a damaged
// "zaw.ini", and folders longer than the file's 255-byte fields. Each run is
// the whole application; the panel must open and "zaw.ini" be written.
#include <gtest/gtest.h>

#include <cstdlib>
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
    void SetUp() override {
        StartFixture([] {}, [] {});
        const char* old = std::getenv("TMPDIR");
        if (old) oldTmpdir_ = old;
        setenv("TMPDIR", folder_.c_str(), 1);
    }
    void TearDown() override {
        if (oldTmpdir_.empty())
            unsetenv("TMPDIR");
        else
            setenv("TMPDIR", oldTmpdir_.c_str(), 1);
        PanelFixture::TearDown();
    }
    // Boxes whose text holds the given piece.
    static int Boxes(const std::string& piece) {
        int n = 0;
        for (const std::string& t : Sink().Texts())
            n += t.find(piece) != std::string::npos;
        return n;
    }
    std::string oldTmpdir_;
};

void PutInt(std::string& bytes, std::size_t offset, std::int32_t value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

std::int32_t IntAt(const std::string& bytes, std::size_t offset) {
    std::int32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// A folder of exactly the given length under base, made on disk.
std::string LongFolder(const std::string& base, std::size_t length) {
    std::string path = base;
    while (path.size() < length)
        path += "/" + std::string(std::min<std::size_t>(60, length - path.size() - 1), 'f');
    fs::create_directories(path);
    return path;
}

}  // namespace

TEST_F(SettingsStartTest, ADamagedSettingsFileOpensThePanelWithDefaultsAndOneNotice) {
    // A file of our own with a tune number and an author name to keep.
    InitDefaultSettings();
    ResetStyleSelections();
    AppSettings.TuneNumber = 42;
    std::strcpy(AppSettings.UserName, "Somebody");
    ASSERT_EQ(SaveSettingsFile(), 1);
    const std::string good = ReadFileText(SettingsFilePath());
    std::string ranges = good;
    PutInt(ranges, 792, 7);      // DontPlay
    PutInt(ranges, 788, -1);     // tune length
    PutInt(ranges, 1092, 30);    // timer hour
    PutInt(ranges, 1400, 52);    // terminal row
    PutInt(ranges, 1404, 2);     // a convert selection
    std::memset(ranges.data() + 276, 0xFF, 256);  // unterminated output folder
    const struct {
        const char* name;
        std::string bytes;
        bool damaged;
        int tuneNumber;    // kept, or the default 0
        const char* user;  // kept, or the default
    } cases[] = {
        {"intact", good, false, 42, "Somebody"},
        {"all 0xFF", std::string(3132, '\xFF'), true, 0, "ZAW User"},
        {"out of range", ranges, true, 42, "Somebody"},
        {"cut in the tables", good.substr(0, 2000), true, 42, "Somebody"},
        {"cut record", good.substr(0, 1000), true, 0, "ZAW User"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::WriteFileText(SettingsFilePath(), c.bytes);
        Sink().Clear();
        const std::size_t choosers = testing_support::Chooser().FolderRequests().size();
        bool opened = false;
        RunApplication([&](HeadlessBackend& d, MainDlg&) {
            opened = true;
            EXPECT_EQ(Boxes("zaw.ini\nwas damaged"), c.damaged ? 1 : 0);
            EXPECT_EQ(Sink().Count(), c.damaged ? 1u : 0u);
            EXPECT_EQ(AppSettings.TuneNumber, c.tuneNumber);
            EXPECT_STREQ(AppSettings.UserName, c.user);
            for (auto [value, fallback] : {std::pair{AppSettings.DontPlay, 0},
                                          {AppSettings.SettingsDialogValue, 24},
                                          {AppSettings.TimerStartHour, 0},
                                          {AppSettings.TerminalIndex, 0},
                                          {AppSettings.ComposeOutputType, 2},
                                          {ConvertStyleSelection[0], 1}})
                EXPECT_EQ(value, fallback);
            EXPECT_EQ(FolderSetting(FolderKind::Output), folder_ + "/");
            EXPECT_EQ(FolderSetting(FolderKind::Work), folder_ + "/");
            d.Click(40, 175);
        });
        EXPECT_TRUE(opened);
        EXPECT_EQ(testing_support::Chooser().FolderRequests().size(), choosers);
        const std::string written = ReadFileText(SettingsFilePath());
        ASSERT_EQ(written.size(), 3132u);
        EXPECT_EQ(IntAt(written, 804), c.tuneNumber);
        EXPECT_EQ(written.substr(276, folder_.size() + 2), folder_ + "/" + '\0');
    }
}

// Long folders are used whole for the run: tunes land in the folder the user
// sees and nowhere else, "zaw.ini" is written, and the next start goes back
// to the program folder for what the file could not hold.
TEST_F(SettingsStartTest, LongFoldersAreUsedWholeAndTheSettingsFileIsWritten) {
    const struct {
        const char* name;
        std::size_t programLength;  // 0: a short folder
        std::size_t tempLength;     // 0: a short folder
        std::size_t pickedLength;   // 0: no output folder picked
    } cases[] = {
        {"program folder of 330", 330, 0, 0},
        {"temporary folder of 330", 0, 330, 0},
        {"output folder of 300 picked", 0, 0, 300},
    };
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string base = folder_ + "/run" + std::to_string(run++);
        const std::string program = LongFolder(base + "/p", c.programLength);
        const std::string temp = LongFolder(base + "/t", c.tempLength);
        const std::string picked = LongFolder(base + "/o", c.pickedLength);
        platform::SetProgramDirectory(program);
        setenv("TMPDIR", temp.c_str(), 1);
        for (const auto& entry : fs::directory_iterator(ZAW_RES_DIR))
            if (entry.is_regular_file())
                fs::copy_file(entry.path(), program + "/" + entry.path().filename().string());
        const std::string output = (c.pickedLength ? picked : program) + "/";
        if (c.pickedLength) testing_support::Chooser().QueueFolder(picked);
        Sink().Clear();
        const std::size_t choosers = testing_support::Chooser().FolderRequests().size();
        bool opened = false;
        RunApplication([&](HeadlessBackend& d, MainDlg& panel) {
            opened = true;
            EXPECT_EQ(FolderSetting(FolderKind::Work), temp + "/");
            if (c.pickedLength) {
                d.Then([](HeadlessBackend& h) {
                    h.Click(233, 56);   // Output Folder
                    h.Click(322, 117);  // OK
                });
                HolderSelection(&panel.GetWindow()).DoModal();
            }
            EXPECT_EQ(Sink().Count(), c.pickedLength ? 1u : 0u);
            EXPECT_EQ(Boxes(picked + "/\nis too long"), c.pickedLength ? 1 : 0);
            ASSERT_EQ(FolderSetting(FolderKind::Output), output);
            AppSettings.DontPlay = 1;
            ClearStyleSelections();
            ComposeStyleSelection[1] = 1;
            d.Click(200, 180);  // Play
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (!fs::exists(output + "MYMIDI00.MID") && std::chrono::steady_clock::now() < until) {
                d.Pump();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            StopComposeRun(true);
            d.Click(40, 175);
        });
        EXPECT_TRUE(opened);
        EXPECT_EQ(testing_support::Chooser().FolderRequests().size(),
                  choosers + (c.pickedLength ? 1 : 0));
        int tunes = 0;
        for (const auto& entry : fs::recursive_directory_iterator(base)) {
            if (entry.path().filename().string().find("MYMIDI") == std::string::npos) continue;
            ++tunes;
            EXPECT_EQ(entry.path().parent_path().string() + "/", output) << entry.path();
        }
        EXPECT_GE(tunes, 1);
        ASSERT_EQ(ReadFileText(program + "/zaw.ini").size(), 3132u);
        InitDefaultSettings();
        platform::SetProgramDirectory(program);
        ASSERT_EQ(LoadSettingsFile(), SettingsLoadResult::Complete);
        EXPECT_EQ(FolderSetting(FolderKind::Output), program + "/");
        EXPECT_EQ(FolderSetting(FolderKind::Work), temp + "/");
    }
}
