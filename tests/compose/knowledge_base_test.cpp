#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "compose/chord_record.h"
#include "compose/compose_info.h"
#include "compose/knowledge_base.h"
#include "core/utilities.h"
#include "platform/paths.h"
#include "style/key_setup.h"
#include "style/style_table.h"
#include "tests/compose/compose_test_util.h"
#include "tests/support/test_support.h"

using testing_support::ScratchDir;
using testing_support::Sink;
using testing_support::WriteFileText;

namespace {

using Chart = std::array<int, kTimeChartSlots>;

std::vector<int> Lengths(const Chart& chart) {
    std::vector<int> out;
    for (int v : chart) {
        if (v == 0) break;
        out.push_back(v);
    }
    return out;
}

Chart ReadChart(const char* text, int metre) {
    Chart chart;
    chart.fill(-1);  // every slot must be written
    ReadTimeChart(chart.data(), text, metre);
    return chart;
}

bool Reported(const char* words) {
    for (const auto& t : Sink().Texts())
        if (t.find(words) != std::string::npos) return true;
    return false;
}

std::string Picked(const char* text) {
    char token[64];
    int length = 0;
    PickCountedEntry(text, token, sizeof token, length);
    return std::string(token, static_cast<std::size_t>(length));
}

class KnowledgeBase : public compose_test::StyleFixture {
protected:
    void SetUp() override {
        StyleFixture::SetUp();
        std::memcpy(savedChart_, TimeChartFileName, sizeof savedChart_);
        std::memcpy(savedCadenceChart_, CadenceTimeChartFileName, sizeof savedCadenceChart_);
        savedTonic_ = TonicChordCode;
        folder_ = ScratchDir();
        platform::SetProgramDirectory(folder_);
    }
    void TearDown() override {
        platform::SetProgramDirectory("");
        std::memcpy(TimeChartFileName, savedChart_, sizeof savedChart_);
        std::memcpy(CadenceTimeChartFileName, savedCadenceChart_, sizeof savedCadenceChart_);
        TonicChordCode = savedTonic_;
        BuildChordCodeTable();
        StyleFixture::TearDown();
    }

    void WriteAll(const std::string& dir) {
        WriteFileText(dir + "/PATTERN.DB", kPattern);
        WriteFileText(dir + "/RESOLUT.DB", kCadence);
        WriteFileText(dir + "/TIMECHT.DB", kChart);
        WriteFileText(dir + "/RESTIME.DB", kCadenceChart);
    }

    static constexpr const char* kPattern = "CMPSFMPS120|\r\nCMPSGMPs060|\r\n";
    static constexpr const char* kCadence = "1|\r\nDmPsGMPs|\r\n";
    static constexpr const char* kChart = "1|\r\n384384|\r\n";
    static constexpr const char* kCadenceChart = "1|\r\n768|\r\n";
    std::string folder_;

private:
    char savedChart_[kTimeChartNameSize]{};
    char savedCadenceChart_[kTimeChartNameSize]{};
    ChordCode savedTonic_{};
};

// ---- Pattern counts and weights ----

TEST_F(KnowledgeBase, WeightsFollowTheLargestCountOfTheText) {
    EXPECT_EQ(ComputeTransitionCountScale("CMPSGMPs120|\r\n"), 15);
    TransitionCountScale = 15;
    EXPECT_EQ(PatternEntryWeight("CMPSGMPs120", 11), 9);
    EXPECT_EQ(PatternEntryWeight("CMPSGMPs060", 11), 5);
    EXPECT_EQ(PatternEntryWeight("CMPSGMPs014", 11), 1);
    EXPECT_EQ(PatternEntryWeight("CMPSGMPs015", 11), 2);

    // A token spread over lines and blanks counts as written together; a
    // longer token counts by its first three digits, a shorter one not at
    // all (the digits it has are no count field).
    EXPECT_EQ(ComputeTransitionCountScale("CMPS GMPs\r\n1\r\n20|\r\n\r\nCMPSFMPs1999|CMPSGMPs99|"),
              24);
    EXPECT_EQ(PatternEntryCount("CMPSGMPs99", 10), 0);
    EXPECT_EQ(PatternEntryWeight("CMPSGMPs99", 10), 1);
    EXPECT_EQ(PatternEntryWeight("CMPS", 4), 1);

    // Small or missing counts never give a scale of 0, and a weight stays a
    // digit 1..9 whatever the count.
    EXPECT_EQ(ComputeTransitionCountScale("CMPSGMPs005|"), 1);
    EXPECT_EQ(ComputeTransitionCountScale(""), 1);
    EXPECT_EQ(ComputeTransitionCountScale("CMPSGMPsabc|CMPSGMPs-50|"), 1);
    TransitionCountScale = 1;
    EXPECT_EQ(PatternEntryWeight("CMPSGMPs005", 11), 6);
    EXPECT_EQ(PatternEntryWeight("CMPSGMPs015", 11), 9);
    EXPECT_EQ(PatternEntryWeight("CMPSGMPs-50", 11), 1);
    TransitionCountScale = 0;  // as no load leaves it, still safe
    EXPECT_EQ(PatternEntryWeight("CMPSGMPs120", 11), 9);
}

// ---- Picks from counted texts ----

TEST_F(KnowledgeBase, EveryEntryIsPickedAboutEquallyOften) {
    SeedRandomWith(20261209);
    const char* text = "3|\r\nAAA|\r\nBBB|\r\nCCC|\r\n";
    const int draws = 3000;
    int seen[3] = {};
    for (int i = 0; i < draws; ++i) {
        std::string entry = Picked(text);
        ASSERT_TRUE(entry == "AAA" || entry == "BBB" || entry == "CCC") << entry;
        ++seen[entry[0] - 'A'];
    }
    double chi = 0;
    for (int n : seen) {
        double expected = draws / 3.0;
        chi += (n - expected) * (n - expected) / expected;
    }
    EXPECT_LT(chi, 13.82);  // two degrees of freedom, p = 0.001

    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(Picked("1|\r\nFIRST|\r\nSECOND|\r\n"), "FIRST");
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST_F(KnowledgeBase, TheSameSeedPicksTheSameEntries) {
    const char* text = "6|A|B|C|D|E|F|";
    auto run = [&](int seed) {
        SeedRandomWith(seed);
        std::string picks;
        for (int i = 0; i < 40; ++i)
            picks += Picked(text);
        return picks;
    };
    EXPECT_EQ(run(7), run(7));
    EXPECT_NE(run(7), run(8));
}

TEST_F(KnowledgeBase, CountsAreNeverTrustedBeyondTheEntriesHeld) {
    // Counts that are no count give a text without entries, and no draw is
    // made for them.
    for (const char* text : {"", "0|A|B|", "-2|A|B|", "x|A|", "3"}) {
        SeedRandomWith(5);
        char token[8] = "junk";
        int length = -1;
        EXPECT_EQ(PickCountedEntry(text, token, sizeof token, length), 0) << text;
        EXPECT_EQ(length, 0);
        EXPECT_STREQ(token, "");
        SeedRandomWith(5);
        const int first = RandomInRange(1, 1000000);
        SeedRandomWith(5);
        PickCountedEntry(text, token, sizeof token, length);
        EXPECT_EQ(RandomInRange(1, 1000000), first) << text;
    }
    EXPECT_EQ(CountedEntryCount("5|A|B|"), 2);
    EXPECT_EQ(CountedEntryCount("2|A|B|C|"), 2);
    EXPECT_EQ(CountedEntryCount("999999999999|A|"), 1);
    // An unended last entry is still one; it loses its last character the
    // way the token reader reads the end of a text.
    EXPECT_EQ(CountedEntryCount("2|AAA|BBBB \r\n"), 2);
    SeedRandomWith(1);
    for (int i = 0; i < 200; ++i) {
        std::string entry = Picked("5|AA|BB|");
        ASSERT_TRUE(entry == "AA" || entry == "BB") << entry;
        entry = Picked("2|AAA|BBBB");
        ASSERT_TRUE(entry == "AAA" || entry == "BBB") << entry;
    }
    EXPECT_EQ(Sink().Count(), 0u);
}

// ---- Time charts ----

TEST_F(KnowledgeBase, TimeChartLengthsAreReadInGroupsOfThree) {
    Chart chart = ReadChart("1|\r\n384192192|\r\n", kMetre44);
    EXPECT_EQ(Lengths(chart), (std::vector<int>{384, 192, 192}));
    EXPECT_TRUE(std::all_of(chart.begin() + 3, chart.end(), [](int v) { return v == 0; }));

    // Blanks, blank lines and CR LF inside a file change nothing.
    const char* clean = "3|384384|192192384|768|";
    const char* spread = "3 |\r\n\r\n384 384|\r\n 19\r\n2192384 |\r\n\r\n7 6 8|\r\n\r\n";
    for (int seed = 1; seed <= 12; ++seed) {
        SeedRandomWith(seed);
        Chart a = ReadChart(clean, kMetre44);
        SeedRandomWith(seed);
        Chart b = ReadChart(spread, kMetre44);
        ASSERT_EQ(a, b) << seed;
    }
    EXPECT_EQ(Sink().Count(), 0u);

    // Lengths of another metre are reported and still used.
    chart = ReadChart("1|288384576|", kMetre34);
    EXPECT_EQ(Lengths(chart), (std::vector<int>{288, 384, 576}));
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_TRUE(Reported("can not create 3/4!"));
    Sink().Clear();
    chart = ReadChart("1|336288|", kMetre78);
    EXPECT_EQ(Lengths(chart), (std::vector<int>{336, 288}));
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_TRUE(Reported("can not create 7/8!"));
    Sink().Clear();
    EXPECT_EQ(Lengths(ReadChart("1|288096|", kMetre44)), (std::vector<int>{288, 96}));
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST_F(KnowledgeBase, ATimeChartAlwaysEndsWithinItsSlotsAndHasALength) {
    // A zero ends the chart: nothing read after it stays behind the end mark.
    Chart chart = ReadChart("1|384000192|", kMetre44);
    EXPECT_EQ(Lengths(chart), (std::vector<int>{384}));
    EXPECT_TRUE(std::all_of(chart.begin() + 1, chart.end(), [](int v) { return v == 0; }));
    EXPECT_TRUE(Reported("can not create time chart!"));
    Sink().Clear();

    // 300 lengths: 253 are kept, the end mark and two zeros follow.
    std::string text = "1|";
    for (int i = 0; i < 300; ++i)
        text += i % 2 ? "192" : "096";
    text += "|";
    chart = ReadChart(text.c_str(), kMetre44);
    EXPECT_EQ(Lengths(chart).size(), 253u);
    EXPECT_EQ(chart[252], 96);
    EXPECT_EQ(chart[253] | chart[254] | chart[255], 0);
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_TRUE(Reported("failed to create time chart length!"));
    Sink().Clear();

    // No lengths at all (an empty text, no entries, an empty entry, a zero
    // first): one bar of the metre, so no block is left without a chord.
    const int bar[] = {384, 288, 336};
    for (int metre : {kMetre44, kMetre34, kMetre78})
        for (const char* empty : {"", "0|384|", "-1|384|", "1||", "1|000|", "1|abc|"}) {
            chart = ReadChart(empty, metre);
            EXPECT_EQ(Lengths(chart), (std::vector<int>{bar[metre]})) << empty << " " << metre;
        }
    EXPECT_EQ(ReadTimeChart(nullptr, "1|384|", kMetre44), 0);
}

// ---- Loading the files ----

TEST_F(KnowledgeBase, FilesAreFoundInTheProgramFolderOrByTheirFullPath) {
    WriteAll(folder_);
    SetFieldText(WorkingStyle.knowledgeBase, "PATTERN.DB");
    SetFieldText(WorkingStyle.resolutionKnowledgeBase, "RESOLUT.DB");
    SetupMajorKey();
    ASSERT_EQ(LoadKnowledgeBase(), 1);
    EXPECT_EQ(Sink().Count(), 0u);
    EXPECT_STREQ(PatternText, kPattern);
    EXPECT_STREQ(CadenceText, kCadence);
    EXPECT_STREQ(TimeChartText, kChart);
    EXPECT_STREQ(CadenceTimeChartText, kCadenceChart);
    EXPECT_EQ(TransitionCountScale, 15);

    // Full paths are taken as they stand, outside the program folder. The
    // style's name fields need no NUL: all 128 characters make the name.
    const std::string other = folder_ + "/other";
    std::filesystem::create_directories(other);
    std::string name = other + "/";
    name.resize(kKnowledgeBaseNameSize, 'p');
    WriteFileText(name, "CMPSFMPS800|");
    WriteFileText(other + "/MY.RES", "1|CMPS|");
    std::memcpy(WorkingStyle.knowledgeBase, name.data(), kKnowledgeBaseNameSize);
    SetFieldText(WorkingStyle.resolutionKnowledgeBase, other + "/MY.RES");
    ASSERT_EQ(LoadKnowledgeBase(), 1);
    EXPECT_STREQ(PatternText, "CMPSFMPS800|");
    EXPECT_STREQ(CadenceText, "1|CMPS|");
    EXPECT_EQ(TransitionCountScale, 100);

    // A file is cut after 16384 bytes, not refused.
    std::string big;
    while (big.size() < 20000)
        big += "CMPSFMPS010|\r\n";
    WriteFileText(folder_ + "/TIMECHT.DB", big);
    ASSERT_EQ(LoadKnowledgeBase(), 1);
    EXPECT_EQ(std::string(TimeChartText), big.substr(0, kKnowledgeTextSize));
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST_F(KnowledgeBase, AMissingPatternFileChangesNothing) {
    WriteAll(folder_);
    SetFieldText(WorkingStyle.knowledgeBase, "PATTERN.DB");
    SetFieldText(WorkingStyle.resolutionKnowledgeBase, "RESOLUT.DB");
    SetupMajorKey();
    ASSERT_EQ(LoadKnowledgeBase(), 1);
    ChordWeightTable[0] = 'x';  // a rebuild would put 'C' back

    SetFieldText(WorkingStyle.knowledgeBase, "PATTERN.DB2");
    WriteFileText(folder_ + "/RESOLUT.DB", "1|AmPs|");
    EXPECT_EQ(LoadKnowledgeBase(), 0);
    const auto texts = Sink().Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find("error in pattern file!"), std::string::npos);
    EXPECT_EQ(texts[1], folder_ +
                            "/PATTERN.DB2 is not found in program folder! You might "
                            "install ZAW agein.");
    EXPECT_STREQ(PatternText, kPattern);
    EXPECT_STREQ(CadenceText, kCadence);
    EXPECT_STREQ(TimeChartText, kChart);
    EXPECT_STREQ(CadenceTimeChartText, kCadenceChart);
    EXPECT_EQ(TransitionCountScale, 15);
    EXPECT_EQ(ChordWeightTable[0], 'x');
}

TEST_F(KnowledgeBase, OtherMissingFilesAreReportedAndTheLoadGoesOn) {
    SetFieldText(WorkingStyle.knowledgeBase, "PATTERN.DB");
    SetFieldText(WorkingStyle.resolutionKnowledgeBase, "RESOLUT.DB");
    SetupMajorKey();
    const struct {
        const char* file;
        const char* words;
        const char* text;
    } cases[] = {{"RESOLUT.DB", "error in cadence file!", CadenceText},
                 {"TIMECHT.DB", "error in time chart file!", TimeChartText},
                 {"RESTIME.DB", "error in cadence time chart file!", CadenceTimeChartText}};
    for (const auto& c : cases) {
        WriteAll(folder_);
        std::remove((folder_ + "/" + c.file).c_str());
        ChordWeightTable[0] = 'x';
        Sink().Clear();
        ASSERT_EQ(LoadKnowledgeBase(), 1) << c.file;
        ASSERT_EQ(Sink().Count(), 1u) << c.file;
        EXPECT_TRUE(Reported(c.words)) << c.file;
        EXPECT_STREQ(c.text, "") << c.file;
        EXPECT_STREQ(PatternText, kPattern);
        EXPECT_EQ(ChordWeightTable[0], 'C');
    }
    // The missing time chart still gives every block a bar.
    Chart chart = ReadChart(CadenceTimeChartText, kMetre44);
    EXPECT_EQ(Lengths(chart), (std::vector<int>{384}));

    // A count the text does not hold is reported once, at the load.
    WriteAll(folder_);
    WriteFileText(folder_ + "/RESTIME.DB", "4|768|");
    Sink().Clear();
    ASSERT_EQ(LoadKnowledgeBase(), 1);
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_TRUE(Reported("can't read database file!"));
}

// The shipped files under every key set-up: found by the names the set-up
// gives, loaded and read without a single report.
TEST_F(KnowledgeBase, ShippedFilesLoadUnderEveryKeySetup) {
    platform::SetProgramDirectory("");
    struct Setup {
        const char* pattern;
        const char* cadence;
        bool minor;
        int metre;
        int progression;
    };
    const Setup setups[] = {
        {"PATTERN.DB", "RESOLUT.DB", false, kMetre44, 1},
        {"PATTERN.DB2", "RESOLUT.DB2", true, kMetre44, 1},
        {"PATTERN.DBB", "RESOLUT.DBB", false, kMetre44, 6},
        {"PATTERN.DB", "RESOLUT.DB", false, kMetre34, 1},
        {"PATTERN.DB2", "RESOLUT.DB2", true, kMetre34, 1},
        {"PATTERN.DB", "RESOLUT.DB", false, kMetre78, 1},
        {"PATTERN.DB2", "RESOLUT.DB2", true, kMetre78, 1},
    };
    SeedRandomWith(3);
    for (const Setup& s : setups) {
        SetFieldText(WorkingStyle.knowledgeBase, s.pattern);
        SetFieldText(WorkingStyle.resolutionKnowledgeBase, s.cadence);
        WorkingStyle.timeSignature = s.metre;
        WorkingStyle.chordProgression = s.progression;
        s.minor ? SetupMinorKey() : SetupMajorKey();
        ASSERT_EQ(LoadKnowledgeBase(), 1) << s.pattern << " " << TimeChartFileName;
        EXPECT_GE(TransitionCountScale, 8);
        for (int i = 0; i < 100; ++i) {
            Chart chart;
            EXPECT_GE(ReadTimeChart(chart.data(), TimeChartText), 1);
            EXPECT_GE(ReadTimeChart(chart.data(), CadenceTimeChartText), 1);
            char entry[64];
            int length = 0;
            EXPECT_GE(PickCountedEntry(CadenceText, entry, sizeof entry, length), 1);
        }
        ASSERT_EQ(Sink().Count(), 0u)
            << s.pattern << " " << TimeChartFileName << " " << Sink().Texts()[0];
    }
}

}  // namespace
