// A run killed while it writes leaves its temporary files; the next start
// removes exactly those, wherever they were written, and nothing else.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/paths.h"
#include "platform/temp_files.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

TEST(TempFileLedger, TheNextStartRemovesWhatAKilledRunLeftAndNothingElse) {
    const std::string work = testing_support::ScratchDir() + "/work";
    const std::string away = testing_support::ScratchDir() + "/away";  // a user's folder
    fs::create_directories(work);
    fs::create_directories(away);
    const std::string user = away + "/song.mid.tmp";     // not the program's
    const std::string swapped = away + "/take.wav.tmp";  // replaced since the kill
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The killed run: two writes under way, one finished, one kept
        // intermediate; then SIGKILL, so no destructor runs.
        platform::OpenTempFileLedger(work);
        auto* midi = new platform::AtomicFileWriter(away + "/MYMIDI03.MID");
        auto* wave = new platform::AtomicFileWriter(away + "/take.wav");
        midi->Write("MThd", 4);
        wave->Write("RIFF", 4);
        platform::ReplaceFileContents(work + "/temp.mid", "MThd", 4);
        platform::ReplaceFileContents(work + "/temp.aiff", "FORM", 4);
        platform::NoteTempFile(work + "/temp.aiff");
        raise(SIGKILL);
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(fs::exists(away + "/MYMIDI03.MID.tmp"));
    ASSERT_TRUE(fs::exists(work + "/temp.aiff"));
    // The user's own file of a temporary-looking name, and a file put where a
    // noted one was.
    ASSERT_TRUE(platform::ReplaceFileContents(user, "mine", 4));
    ASSERT_TRUE(platform::ReplaceFileContents(away + "/other", "mine", 4));
    fs::rename(away + "/other", swapped);

    EXPECT_EQ(platform::OpenTempFileLedger(work), 2);
    EXPECT_FALSE(fs::exists(away + "/MYMIDI03.MID.tmp"));
    EXPECT_FALSE(fs::exists(work + "/temp.aiff"));
    EXPECT_TRUE(fs::exists(work + "/temp.mid"));
    EXPECT_TRUE(fs::exists(user));
    EXPECT_TRUE(fs::exists(swapped));

    // This run's own: a kept intermediate goes at the end, with the ledger.
    ASSERT_TRUE(platform::ReplaceFileContents(work + "/temp.aiff", "FORM", 4));
    platform::NoteTempFile(work + "/temp.aiff");
    platform::CloseTempFileLedger();
    EXPECT_FALSE(fs::exists(work + "/temp.aiff"));
    for (const auto& entry : fs::directory_iterator(work))
        EXPECT_EQ(entry.path().filename(), "temp.mid");
}

}  // namespace
