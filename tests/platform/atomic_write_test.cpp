// Files written as one step: whatever fails on the way (a full disk, a
// missing folder, a fault just before the rename, a writer dropped half
// way), the target keeps its old bytes or stays absent, and no temporary
// file is left beside it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/paths.h"
#include "tests/support/test_support.h"

using testing_support::FolderNames;
using testing_support::ReadFileText;
using Names = std::vector<std::string>;

namespace {

bool Refuse(const std::string&) {
    return false;
}

TEST(AtomicWrite, EveryFailureLeavesTheOldTargetAndNoTemporaryFile) {
    const std::string dir = testing_support::ScratchDir();
    const std::string target = dir + "/tune.mid";
    const std::string fresh = dir + "/fresh.mid";
    ASSERT_TRUE(platform::ReplaceFileContents(target, "old", 3));
    const std::string big(20000, 'n');
    {
        // A full disk: the write stops at 4096 bytes.
        testing_support::FileSizeLimit full(4096);
        EXPECT_FALSE(platform::ReplaceFileContents(target, big.data(), big.size()));
        EXPECT_FALSE(platform::ReplaceFileContents(fresh, big.data(), big.size()));
        // Streamed in pieces, the piece past the limit fails.
        platform::AtomicFileWriter writer(target);
        ASSERT_TRUE(writer.Opened());
        EXPECT_TRUE(writer.Write(big.data(), 4000));
        EXPECT_FALSE(writer.Write(big.data(), 4000));
        EXPECT_FALSE(writer.Commit());
    }
    // A fault after the bytes are down, just before the rename.
    platform::SetBeforeReplaceHook(Refuse);
    EXPECT_FALSE(platform::ReplaceFileContents(target, "new", 3));
    EXPECT_FALSE(platform::ReplaceFileContents(fresh, "new", 3));
    platform::SetBeforeReplaceHook(nullptr);
    // A writer that goes without a Commit.
    {
        platform::AtomicFileWriter writer(target);
        EXPECT_TRUE(writer.Write("half", 4));
    }
    // A folder that is not there, or is a file.
    EXPECT_FALSE(platform::ReplaceFileContents(dir + "/none/x.mid", "x", 1));
    EXPECT_FALSE(platform::ReplaceFileContents(target + "/x.mid", "x", 1));
    EXPECT_FALSE(platform::AtomicFileWriter(dir + "/none/x.mid").Opened());

    EXPECT_TRUE(ReadFileText(target) == "old") << "the old target was replaced";
    EXPECT_EQ(FolderNames(dir), Names{"tune.mid"});

    // Once nothing fails, the new bytes replace the old, all of them.
    EXPECT_TRUE(platform::ReplaceFileContents(target, big.data(), big.size()));
    EXPECT_TRUE(platform::ReplaceFileContents(fresh, "", 0));
    EXPECT_TRUE(ReadFileText(target) == big);
    EXPECT_EQ(ReadFileText(fresh), "");
    EXPECT_EQ(FolderNames(dir), (Names{"fresh.mid", "tune.mid"}));
}

}  // namespace
