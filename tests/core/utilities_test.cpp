#include "core/utilities.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "tests/support/test_support.h"

using testing_support::Chooser;
using testing_support::ScratchDir;
using testing_support::Sink;

namespace {
std::vector<std::uint8_t> VarLen(std::uint32_t value) {
    std::uint8_t buf[8] = {};
    int n = WriteVarLen(value, buf);
    return std::vector<std::uint8_t>(buf, buf + n);
}
}  // namespace

TEST(RandomInRange, StaysWithinBoundsGivenInEitherOrder) {
    SeedRandomWith(7);
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        int v = RandomInRange(5, 2);
        ASSERT_GE(v, 2);
        ASSERT_LE(v, 5);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 4u);  // both bounds are reachable
    EXPECT_EQ(RandomInRange(3, 3), 3);
    EXPECT_EQ(RandomInRange(-4, -4), -4);
    // The full span does not overflow: draws spread over both signs.
    std::set<int> wide;
    int negative = 0;
    for (int i = 0; i < 100; ++i) {
        int v = RandomInRange(INT32_MIN, INT32_MAX);
        wide.insert(v);
        negative += v < 0;
        int w = RandomInRange(-3, 3);
        ASSERT_GE(w, -3);
        ASSERT_LE(w, 3);
    }
    EXPECT_GT(wide.size(), 95u);
    EXPECT_GT(negative, 20);
    EXPECT_LT(negative, 80);
}

TEST(RandomInRange, ASeedReproducesTheSequence) {
    SeedRandomWith(1234);
    std::vector<int> first;
    for (int i = 0; i < 50; ++i)
        first.push_back(RandomInRange(0, 1000));
    SeedRandomWith(1234);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(RandomInRange(0, 1000), first[i]);
    EXPECT_EQ(RandomSeedValue.load(), 1234);
    SeedRandomWith(1235);
    int differ = 0;
    for (int i = 0; i < 50; ++i)
        differ += RandomInRange(0, 1000) != first[i];
    EXPECT_GT(differ, 40);
}

TEST(RandomInRange, ReseedsWithinOneSecondAllDifferAndStayNonNegative) {
    // The clock stands still: neither its seconds nor its nanoseconds move.
    testing_support::Clock().SetWallSeconds(987654);
    std::set<std::int32_t> seeds;
    for (int i = 0; i < 1000; ++i) {
        SeedRandom();
        EXPECT_GE(RandomSeedValue.load(), 0);
        seeds.insert(RandomSeedValue.load());
    }
    EXPECT_EQ(seeds.size(), 1000u);
}

TEST(VarLen, WritesTheShortestEncoding) {
    EXPECT_EQ(VarLen(0), (std::vector<std::uint8_t>{0x00}));
    EXPECT_EQ(VarLen(127), (std::vector<std::uint8_t>{0x7F}));
    EXPECT_EQ(VarLen(128), (std::vector<std::uint8_t>{0x81, 0x00}));
    EXPECT_EQ(VarLen(16383), (std::vector<std::uint8_t>{0xFF, 0x7F}));
    EXPECT_EQ(VarLen(16384), (std::vector<std::uint8_t>{0x81, 0x80, 0x00}));
    EXPECT_EQ(VarLen(0x1FFFFF), (std::vector<std::uint8_t>{0xFF, 0xFF, 0x7F}));
    EXPECT_EQ(VarLen(0x200000), (std::vector<std::uint8_t>{0x81, 0x80, 0x80, 0x00}));
    EXPECT_EQ(VarLen(0x0FFFFFFF), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0x7F}));
}

TEST(VarLen, RefusesValuesBeyondFourBytes) {
    EXPECT_TRUE(VarLen(0x10000000).empty());
    EXPECT_EQ(Sink().Texts().at(0), "GENE0100000B parameter is wrong");
}

TEST(VarLen, ReadsBackEveryLengthAndRefusesBadInput) {
    for (std::uint32_t v : {0u, 1u, 127u, 128u, 16383u, 16384u, 0x1FFFFFu, 0x200000u, 0xFFFFFFFu}) {
        std::uint8_t buf[4];
        int n = WriteVarLen(v, buf);
        std::uint32_t back = 0;
        EXPECT_EQ(ReadVarLen(buf, n, &back), n);
        EXPECT_EQ(back, v);
        // One byte short of the number is not enough.
        EXPECT_EQ(ReadVarLen(buf, n - 1, &back), 0);
    }
    const std::uint8_t five[] = {0x81, 0x80, 0x80, 0x80, 0x00};
    std::uint32_t value = 99;
    EXPECT_EQ(ReadVarLen(five, sizeof five, &value), 0);
    EXPECT_EQ(value, 99u);
}

TEST(ByteOrder, WritersAndReadersAgree) {
    std::uint8_t b[4];
    WriteBigEndian32(b, 0x4D546864);
    EXPECT_EQ(std::memcmp(b, "MThd", 4), 0);
    EXPECT_EQ(ReadBigEndian32(b), 0x4D546864u);
    WriteLittleEndian32(b, 0x01020304);
    EXPECT_EQ(b[0], 4);
    EXPECT_EQ(b[3], 1);
    EXPECT_EQ(ReadLittleEndian32(b), 0x01020304u);
    WriteBigEndian16(b, 0x0180);
    EXPECT_EQ(ReadBigEndian16(b), 0x0180);
    WriteLittleEndian16(b, 0x0180);
    EXPECT_EQ(b[0], 0x80);
    EXPECT_EQ(ReadLittleEndian16(b), 0x0180);
    EXPECT_EQ(ReadBigEndian16(b), 0x8001);
}

TEST(Tempo, ConvertsBetweenMicrosecondsAndBpm) {
    EXPECT_EQ(TempoToBpm(500000), 120);
    EXPECT_EQ(BpmToTempo(120), 500000);
    // Tempo bytes of 120 bpm in a tempo meta event.
    int tempo = BpmToTempo(120);
    EXPECT_EQ((tempo >> 16) & 0xFF, 0x07);
    EXPECT_EQ((tempo >> 8) & 0xFF, 0xA1);
    EXPECT_EQ(tempo & 0xFF, 0x20);
    EXPECT_EQ(BpmToTempo(7), 8571000);  // integer division first, then times 1000
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST(Tempo, ValuesThatCannotBeComputedReportAndFallBackToTheDefault) {
    EXPECT_EQ(TempoToBpm(999), 120);
    EXPECT_EQ(BpmToTempo(0), 500000);
    ASSERT_EQ(Sink().Count(), 2u);
    EXPECT_EQ(Sink().Texts()[0], "GENE01000012 General Error");
    EXPECT_EQ(Sink().Texts()[1], "GENE01000013 General Error");
}

TEST(TimeSignature, BarLengthsAndMetaBytes) {
    EXPECT_DOUBLE_EQ(BarLengthInQuarters(4 * 256 + 4), 4.0);
    EXPECT_DOUBLE_EQ(BarLengthInQuarters(3 * 256 + 4), 3.0);
    EXPECT_DOUBLE_EQ(BarLengthInQuarters(7 * 256 + 8), 3.5);
    EXPECT_DOUBLE_EQ(BarLengthInQuarters(6 * 256 + 8), 3.0);
    EXPECT_EQ(Sink().Count(), 0u);
    BarLengthInQuarters(4 * 256 + 0);
    EXPECT_EQ(Sink().Texts().at(0), "GENE0100000E Time sign is invalid!");

    std::uint8_t out[4];
    int length = 0;
    TimeSignatureBytes(7 * 256 + 8, out, &length);
    EXPECT_EQ(length, 4);
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(out[1], 3);
    EXPECT_EQ(out[2], 18);
    EXPECT_EQ(out[3], 8);
    TimeSignatureBytes(3 * 256 + 4, out, &length);
    EXPECT_EQ(out[1], 2);
}

TEST(Cents, BendAndTuningArithmetic) {
    EXPECT_NEAR(BendToCents(8191, 2), 199.99, 0.01);
    EXPECT_NEAR(BendToCents(-4096, 12), -600.03, 0.01);
    EXPECT_EQ(CentsToBend(100, 2), 4095);
    EXPECT_EQ(CentsToBend(-100, 2), -4095);
    EXPECT_EQ(CentsToBend(100, 0), 0);  // no range: no bend, no division by zero
    EXPECT_DOUBLE_EQ(BendToCents(100, 0), 0.0);
    EXPECT_DOUBLE_EQ(TuningWordToCents(0x4000), 0.0);
    EXPECT_DOUBLE_EQ(TuningWordToCents(0x4100), 1.5625);
    EXPECT_DOUBLE_EQ(TuningWordToCents(0x3F40), -1.5625 + 64 * 0.01220703125);
}

TEST(Ports, ChannelGroupsAndSecondPortNames) {
    EXPECT_EQ(SameChannelGroup(-1, -1), 1);
    EXPECT_EQ(SameChannelGroup(-1, 3), 0);
    EXPECT_EQ(SameChannelGroup(0, 7), 1);
    EXPECT_EQ(SameChannelGroup(7, 8), 0);
    EXPECT_EQ(IsSecondPortName("Roland SC-88 B"), 1);
    EXPECT_EQ(IsSecondPortName("Port 88B"), 1);
    EXPECT_EQ(IsSecondPortName("SC-88 A"), 0);
}

TEST(MemoryBlock, IsZeroFilledWithAFixedCapacity) {
    MemoryBlock block = AllocZeroed(WorkBufferSize);
    ASSERT_TRUE(block);
    EXPECT_EQ(block.capacity(), WorkBufferSize);
    for (std::size_t i = 0; i < block.capacity(); i += 4099)
        EXPECT_EQ(block.data()[i], 0);
    EXPECT_EQ(block.data()[WorkBufferSize - 1], 0);
    FreeBlock(block);
    EXPECT_FALSE(block);
    EXPECT_EQ(block.capacity(), 0u);
}

TEST(Files, WriteAndReadWholeFiles) {
    std::string path = ScratchDir() + "/a.bin";
    const char data[] = "0123456789";
    ASSERT_EQ(WriteFileBytes(path, data, 10), 1);
    EXPECT_EQ(GetFileLength(path), 10u);
    EXPECT_EQ(CanOpenFile(path), 1);

    std::uint8_t buf[16] = {};
    std::size_t count = 0;
    EXPECT_EQ(ReadWholeFile(path, buf, &count, sizeof buf), 1);
    EXPECT_EQ(count, 10u);
    EXPECT_EQ(std::memcmp(buf, data, 10), 0);
    // Exactly the capacity still fits.
    EXPECT_EQ(ReadWholeFile(path, buf, &count, 10), 1);
    EXPECT_EQ(count, 10u);
    EXPECT_EQ(Sink().Count(), 0u);

    std::uint8_t exact[4];
    EXPECT_EQ(ReadExactly(path, exact, 4), 1);
    EXPECT_EQ(std::memcmp(exact, "0123", 4), 0);
}

TEST(Files, AFileLargerThanTheCapacityIsRefusedNotCut) {
    std::string path = ScratchDir() + "/big.bin";
    std::vector<std::uint8_t> data(100, 7);
    WriteFileBytes(path, data.data(), data.size());
    std::uint8_t buf[99];
    std::size_t count = 5;
    EXPECT_EQ(ReadWholeFile(path, buf, &count, sizeof buf), 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(Sink().Texts().at(0), "GENE0100000A data size is too large!");
}

TEST(Files, MissingFilesAndShortReadsFail) {
    std::string missing = ScratchDir() + "/none.bin";
    std::uint8_t buf[8];
    std::size_t count = 3;
    EXPECT_EQ(ReadWholeFile(missing, buf, &count, sizeof buf), 0);
    EXPECT_EQ(count, 0u);
    ASSERT_EQ(Sink().Count(), 2u);
    EXPECT_EQ(Sink().Texts()[0], missing);  // the path first, then the code
    EXPECT_EQ(Sink().Texts()[1], "GENE01000007 Cant open file!");
    EXPECT_EQ(CanOpenFile(missing), 0);
    EXPECT_EQ(GetFileLength(missing), 0u);
    EXPECT_EQ(WriteFileBytes(ScratchDir() + "/no/such/dir/x", "a", 1), 0);

    std::string path = ScratchDir() + "/short.bin";
    WriteFileBytes(path, "ab", 2);
    Sink().Clear();
    EXPECT_EQ(ReadExactly(path, buf, 8), 0);
    EXPECT_EQ(Sink().Texts().at(0), "GENE0100000A data size is too large!");
    EXPECT_EQ(GetFileLength(ScratchDir()), 0u);  // a folder has no length
}

TEST(Files, AWriteThatFailsKeepsTheOldFileAndNamesIt) {
    const std::string path = ScratchDir() + "/temp.mid";
    ASSERT_EQ(WriteFileBytes(path, "old", 3), 1);
    const std::vector<std::uint8_t> big(10000, 0x90);
    {
        testing_support::FileSizeLimit full(4096);
        EXPECT_EQ(WriteFileBytes(path, big.data(), big.size()), 0);
    }
    EXPECT_TRUE(testing_support::ReadFileText(path) == "old") << "the old file was replaced";
    EXPECT_EQ(testing_support::FolderNames(ScratchDir()), std::vector<std::string>{"temp.mid"});
    EXPECT_EQ(Sink().Texts(), (std::vector<std::string>{path + ": File too large",
                                                        "GENE01000007 Cant open file!"}));
}

TEST(Files, ExistenceByPathOrPattern) {
    std::string dir = ScratchDir();
    WriteFileBytes(dir + "/style01.dat", "x", 1);
    EXPECT_EQ(FileExists(dir + "/style01.dat"), 1);
    EXPECT_EQ(FileExists(dir + "/style*.dat"), 1);
    EXPECT_EQ(FileExists(dir + "/*.txt"), 0);
}

TEST(Paths, DirectoryFileNameAndExtension) {
    std::string out;
    EXPECT_TRUE(GetDirectoryPart(out, "/home/u/tune.mid"));
    EXPECT_EQ(out, "/home/u");
    EXPECT_TRUE(GetDirectoryPart(out, "/tune.mid"));
    EXPECT_EQ(out, "/");
    EXPECT_TRUE(GetDirectoryPart(out, "tune.mid"));
    EXPECT_EQ(out, platform::CurrentDirectory());

    ExtractFileName(out, "/home/u/tune.mid");
    EXPECT_EQ(out, "tune.mid");
    ExtractFileName(out, "tune.mid");
    EXPECT_EQ(out, "tune.mid");

    std::string path = "/home/u/tune.MID";
    EXPECT_EQ(StripExtension(path), 12);
    EXPECT_EQ(path, "/home/u/tune");
    // A dot in a folder name is no extension.
    path = "/home/u.v/tune";
    EXPECT_EQ(StripExtension(path), -1);
    EXPECT_EQ(path, "/home/u.v/tune");

    GetLowerExtension("/a/B.MlD", out);
    EXPECT_EQ(out, "mld");
    GetLowerExtension("/a.b/noext", out);
    EXPECT_EQ(out, "");

    std::string program;
    GetProgramDirectory(program);
    EXPECT_EQ(program, platform::ProgramDirectory());
}

TEST(Text, PatternsAndCounts) {
    EXPECT_EQ(ContainsText("SC-88 Pro", "88*whatever"), 1);
    EXPECT_EQ(ContainsText("SC-55", "88*"), 0);
    EXPECT_EQ(ContainsText("abc", "*"), 1);
    const int selection[] = {1, 0, 1, 2, 1, -1};
    EXPECT_EQ(CountOnes(selection, 6), 3);
    EXPECT_EQ(CountOnes(selection, 0), 0);
}

TEST(DropPrefixBlock, RemovesA128BytePrefixWhenTheIdFollows) {
    std::vector<std::uint8_t> image(128, 0xEE);
    const char body[] = "MThd\x00\x00\x00\x06";
    image.insert(image.end(), body, body + 8);
    std::size_t size = image.size();
    EXPECT_EQ(DropPrefixBlock(image.data(), "MFi!", &size), 0);
    EXPECT_EQ(size, 136u);
    EXPECT_EQ(DropPrefixBlock(image.data(), "MThd", &size), 1);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(std::memcmp(image.data(), "MThd", 4), 0);
    // Too short for a prefix: left alone.
    EXPECT_EQ(DropPrefixBlock(image.data(), nullptr, &size), 0);
    EXPECT_EQ(size, 8u);
}

TEST(Choosers, AnswerFromTheInstalledChooser) {
    std::string path = "unchanged";
    EXPECT_EQ(BrowseForFolder("/start", path, 256, "Output folder"), 2);
    EXPECT_EQ(path, "unchanged");
    Chooser().QueueFolder("/music/out");
    EXPECT_EQ(BrowseForFolder("/start", path, 256, "Output folder"), 1);
    EXPECT_EQ(path, "/music/out");
    // A folder that does not fit the caller's capacity is not copied.
    Chooser().QueueFolder("/a/very/long/folder");
    path = "old";
    EXPECT_EQ(BrowseForFolder("/start", path, 5, "t"), 1);
    EXPECT_EQ(path, "old");
    ASSERT_EQ(Chooser().FolderRequests().size(), 3u);
    EXPECT_EQ(Chooser().FolderRequests()[0].initialFolder, "/start");

    int index = 1;
    EXPECT_EQ(ChooseFile("mid", "midi files|*.mid|", path, "", &index, "/in"), 0);
    Chooser().QueueFile("/in/x.mid", 1);
    EXPECT_EQ(ChooseFile("mid", "midi files|*.mid|", path, "/no/such.mid", &index, "/in"), 1);
    EXPECT_EQ(path, "/in/x.mid");
    ASSERT_EQ(Chooser().FileRequests().size(), 2u);
    // A proposed name that cannot be opened starts the dialog in the initial folder.
    EXPECT_EQ(Chooser().FileRequests()[1].initialFolder, "/in");
    EXPECT_EQ(Chooser().FileRequests()[1].proposedName, "");
}

TEST(Base64, EncodesWithTheMelodyMailHeader) {
    std::string out;
    EXPECT_EQ(Base64Encode(reinterpret_cast<const std::uint8_t*>("abc"), 3, out), 11u);
    EXPECT_EQ(out, "--B:M\r\nYWJj");
    Base64Encode(reinterpret_cast<const std::uint8_t*>("ab"), 2, out);
    EXPECT_EQ(out, "--B:M\r\nYWI=");
    Base64Encode(reinterpret_cast<const std::uint8_t*>("a"), 1, out);
    EXPECT_EQ(out, "--B:M\r\nYQ==");
    EXPECT_EQ(Base64Encode(nullptr, 0, out), 7u);
    const std::uint8_t high[] = {0xFB, 0xFF};
    Base64Encode(high, 2, out);
    EXPECT_EQ(out, "--B:M\r\n+/8=");
}
