#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
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

    static void UseNames(const char* pattern, const char* cadence, bool minor = false) {
        SetFieldText(WorkingStyle.knowledgeBase, pattern);
        SetFieldText(WorkingStyle.resolutionKnowledgeBase, cadence);
        minor ? SetupMinorKey() : SetupMajorKey();
    }
    static void ExpectTexts(const char* pattern, const char* cadence, const char* chart,
                            const char* cadenceChart) {
        EXPECT_STREQ(PatternText, pattern);
        EXPECT_STREQ(CadenceText, cadence);
        EXPECT_STREQ(TimeChartText, chart);
        EXPECT_STREQ(CadenceTimeChartText, cadenceChart);
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

// ---- Pattern weights, picks and time charts ----

TEST_F(KnowledgeBase, PatternWeightsFollowTheLargestCount) {
    // A token spread over lines and blanks counts as written together; one
    // with more digits by its first three; one shorter than 11 characters
    // has no count field.
    EXPECT_EQ(ComputeTransitionCountScale("CMPS GMPs\r\n1\r\n20|\r\n\r\nCMPSFMPs0999|CMPSGMPs99|"),
              15);
    TransitionCountScale = 15;
    const std::pair<const char*, int> weights[] = {
        {"CMPSGMPs120", 9}, {"CMPSGMPs060", 5}, {"CMPSGMPs014", 1}, {"CMPSGMPs99", 1}};
    for (auto [token, weight] : weights)
        EXPECT_EQ(PatternEntryWeight(token, static_cast<int>(std::strlen(token))), weight) << token;

    // Small, missing or negative counts never give a scale of 0, and every
    // weight stays a digit 1..9.
    for (const char* text : {"CMPSGMPs005|", "", "CMPSGMPsabc|CMPSGMPs-50|"})
        EXPECT_EQ(ComputeTransitionCountScale(text), 1) << text;
    TransitionCountScale = 1;
    EXPECT_EQ(PatternEntryWeight("CMPSGMPs005", 11), 6);
    EXPECT_EQ(PatternEntryWeight("CMPSGMPs015", 11), 9);
    EXPECT_EQ(PatternEntryWeight("CMPSGMPs-50", 11), 1);
}

TEST_F(KnowledgeBase, EveryEntryIsPickedAboutEquallyOftenAndBySeed) {
    SeedRandomWith(20261209);
    const int draws = 3000;
    int seen[3] = {};
    for (int i = 0; i < draws; ++i) {
        std::string entry = Picked("3|\r\nAAA|\r\nBBB|\r\nCCC|\r\n");
        ASSERT_TRUE(entry == "AAA" || entry == "BBB" || entry == "CCC") << entry;
        ++seen[entry[0] - 'A'];
    }
    double chi = 0;
    for (int n : seen)
        chi += (n - draws / 3.0) * (n - draws / 3.0) / (draws / 3.0);
    EXPECT_LT(chi, 13.82);  // two degrees of freedom, p = 0.001
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(Picked("1|\r\nFIRST|\r\nSECOND|\r\n"), "FIRST");

    auto run = [](int seed) {
        SeedRandomWith(seed);
        std::string picks;
        for (int i = 0; i < 40; ++i)
            picks += Picked("6|A|B|C|D|E|F|");
        return picks;
    };
    EXPECT_EQ(run(7), run(7));
    EXPECT_NE(run(7), run(8));
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST_F(KnowledgeBase, CountsAreNeverTrustedBeyondTheEntriesHeld) {
    // Counts that are no count give a text without entries.
    for (const char* text : {"", "0|A|B|", "-2|A|B|", "x|A|", "3"}) {
        char token[8] = "junk";
        int length = -1;
        EXPECT_EQ(PickCountedEntry(text, token, sizeof token, length), 0) << text;
        EXPECT_EQ(length, 0);
        EXPECT_STREQ(token, "");
    }
    // A count above the entries picks among those there; an unended last
    // entry is one, read as the token reader reads the end of a text.
    EXPECT_EQ(CountedEntryCount("2|A|B|C|"), 2);
    EXPECT_EQ(CountedEntryCount("999999999999|A|"), 1);
    SeedRandomWith(1);
    for (int i = 0; i < 200; ++i) {
        std::string entry = Picked("5|AA|BB|");
        ASSERT_TRUE(entry == "AA" || entry == "BB") << entry;
        entry = Picked("2|AAA|BBBB \r\n");
        ASSERT_TRUE(entry == "AAA" || entry == "BBB") << entry;
    }
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST_F(KnowledgeBase, TimeChartLengthsAreReadInGroupsOfThree) {
    // Blanks, blank lines and CR LF inside a file change nothing.
    const char* clean = "3|384384|192192384|768|";
    const char* spread = "3 |\r\n\r\n384 384|\r\n 19\r\n2192384 |\r\n\r\n7 6 8|\r\n\r\n";
    std::set<std::vector<int>> charts;
    for (int seed = 1; seed <= 12; ++seed) {
        SeedRandomWith(seed);
        Chart a = ReadChart(clean, kMetre44);
        SeedRandomWith(seed);
        ASSERT_EQ(a, ReadChart(spread, kMetre44)) << seed;
        EXPECT_TRUE(
            std::all_of(a.begin() + Lengths(a).size(), a.end(), [](int v) { return v == 0; }));
        charts.insert(Lengths(a));
    }
    EXPECT_EQ(charts, (std::set<std::vector<int>>{{384, 384}, {192, 192, 384}, {768}}));
    EXPECT_EQ(Sink().Count(), 0u);

    // Lengths of another metre are reported and still used.
    EXPECT_EQ(Lengths(ReadChart("1|288384576|", kMetre34)), (std::vector<int>{288, 384, 576}));
    EXPECT_EQ(Lengths(ReadChart("1|336288|", kMetre78)), (std::vector<int>{336, 288}));
    EXPECT_EQ(Sink().Count(), 2u);
    EXPECT_TRUE(Reported("can not create 3/4!"));
    EXPECT_TRUE(Reported("can not create 7/8!"));
}

TEST_F(KnowledgeBase, ATimeChartEndsWithinItsSlotsAndHasALength) {
    // A zero ends the chart: nothing read after it stays behind the end mark.
    EXPECT_EQ(ReadChart("1|384000192|", kMetre44), (Chart{384}));
    EXPECT_TRUE(Reported("can not create time chart!"));
    Sink().Clear();

    // 300 lengths: 253 are kept, the end mark and two zeros follow.
    std::string text = "1|";
    for (int i = 0; i < 300; ++i)
        text += i % 2 ? "192" : "096";
    Chart chart = ReadChart((text + "|").c_str(), kMetre44);
    EXPECT_EQ(Lengths(chart).size(), 253u);
    EXPECT_EQ(chart[252], 96);
    EXPECT_EQ(chart[253] | chart[254] | chart[255], 0);
    ASSERT_EQ(Sink().Count(), 1u);
    EXPECT_TRUE(Reported("failed to create time chart length!"));

    // No lengths at all (an empty text, no entries, an empty entry, a zero
    // first): one bar of the metre, so no block is left without a chord.
    const int bar[] = {384, 288, 336};
    for (int metre : {kMetre44, kMetre34, kMetre78})
        for (const char* empty : {"", "0|384|", "-1|384|", "1||", "1|000|", "1|abc|"})
            EXPECT_EQ(ReadChart(empty, metre), (Chart{bar[metre]})) << empty << " " << metre;
    EXPECT_EQ(ReadTimeChart(nullptr, "1|384|", kMetre44), 0);
}

// ---- Loading the files ----

TEST_F(KnowledgeBase, FilesAreFoundInTheProgramFolderOrByTheirFullPath) {
    WriteAll(folder_);
    UseNames("PATTERN.DB", "RESOLUT.DB");
    ASSERT_EQ(LoadKnowledgeBase(), 1);
    ExpectTexts(kPattern, kCadence, kChart, kCadenceChart);
    EXPECT_EQ(TransitionCountScale, 15);

    // Full paths are taken as they stand. The style's name fields need no
    // NUL: all 128 characters make the name.
    const std::string other = folder_ + "/other";
    std::filesystem::create_directories(other);
    std::string name = other + "/";
    name.resize(kKnowledgeBaseNameSize, 'p');
    WriteFileText(name, "CMPSFMPS800|");
    WriteFileText(other + "/MY.RES", "1|CMPS|");
    std::memcpy(WorkingStyle.knowledgeBase, name.data(), kKnowledgeBaseNameSize);
    SetFieldText(WorkingStyle.resolutionKnowledgeBase, other + "/MY.RES");
    // A file is cut after 16384 bytes, not refused.
    std::string big;
    while (big.size() < 20000)
        big += "1|\r\n384|\r\n";
    WriteFileText(folder_ + "/TIMECHT.DB", big);
    ASSERT_EQ(LoadKnowledgeBase(), 1);
    ExpectTexts("CMPSFMPS800|", "1|CMPS|", big.substr(0, kKnowledgeTextSize).c_str(),
                kCadenceChart);
    EXPECT_EQ(TransitionCountScale, 100);
    EXPECT_EQ(Sink().Count(), 0u);
}

TEST_F(KnowledgeBase, AMissingPatternFileChangesNothing) {
    WriteAll(folder_);
    UseNames("PATTERN.DB", "RESOLUT.DB");
    ASSERT_EQ(LoadKnowledgeBase(), 1);
    ChordWeightTable[0] = 'x';  // a rebuild would put 'C' back

    UseNames("PATTERN.DB2", "RESOLUT.DB");
    WriteFileText(folder_ + "/RESOLUT.DB", "1|AmPs|");
    EXPECT_EQ(LoadKnowledgeBase(), 0);
    const auto texts = Sink().Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find("error in pattern file!"), std::string::npos);
    EXPECT_EQ(texts[1], folder_ +
                            "/PATTERN.DB2 is not found in program folder! You might "
                            "install ZAW agein.");
    ExpectTexts(kPattern, kCadence, kChart, kCadenceChart);
    EXPECT_EQ(TransitionCountScale, 15);
    EXPECT_EQ(ChordWeightTable[0], 'x');

    // A folder of that name, or an empty name (the program folder itself),
    // is no pattern file either: it is there but cannot be read, and the box
    // says so and why.
    std::filesystem::create_directories(folder_ + "/PATTERN.DB2");
    for (const char* name : {"PATTERN.DB2", ""}) {
        UseNames(name, "RESOLUT.DB");
        Sink().Clear();
        EXPECT_EQ(LoadKnowledgeBase(), 0) << name;
        ASSERT_EQ(Sink().Count(), 1u) << name;
        const std::string path = *name ? folder_ + "/" + name : folder_ + "/";
        EXPECT_NE(Sink().Texts()[0].find("\n" + path + " can not be read (Is a directory)."),
                  std::string::npos)
            << Sink().Texts()[0];
    }
    EXPECT_STREQ(PatternText, kPattern);
}

TEST_F(KnowledgeBase, OtherMissingFilesAreReportedAndTheLoadGoesOn) {
    UseNames("PATTERN.DB", "RESOLUT.DB");
    const std::pair<const char*, const char*> cases[] = {
        {"RESOLUT.DB", "error in cadence file!"},
        {"TIMECHT.DB", "error in time chart file!"},
        {"RESTIME.DB", "error in cadence time chart file!"}};
    for (auto [file, words] : cases) {
        WriteAll(folder_);
        std::remove((folder_ + "/" + file).c_str());
        Sink().Clear();
        ASSERT_EQ(LoadKnowledgeBase(), 1) << file;
        ASSERT_EQ(Sink().Count(), 1u) << file;
        EXPECT_TRUE(Reported(words)) << file;
        EXPECT_EQ(std::string(CadenceText).empty() + std::string(TimeChartText).empty() +
                      std::string(CadenceTimeChartText).empty(),
                  1);
        EXPECT_STREQ(PatternText, kPattern);
    }
    // The missing time chart still gives every block a bar.
    EXPECT_EQ(ReadChart(CadenceTimeChartText, kMetre44), (Chart{384}));

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
    const struct {
        const char* pattern;
        const char* cadence;
        bool minor;
        int metre;
    } setups[] = {{"PATTERN.DB", "RESOLUT.DB", false, kMetre44},
                  {"PATTERN.DB2", "RESOLUT.DB2", true, kMetre44},
                  {"PATTERN.DBB", "RESOLUT.DBB", false, kMetre44},
                  {"PATTERN.DB", "RESOLUT.DB", false, kMetre34},
                  {"PATTERN.DB2", "RESOLUT.DB2", true, kMetre34},
                  {"PATTERN.DB", "RESOLUT.DB", false, kMetre78},
                  {"PATTERN.DB2", "RESOLUT.DB2", true, kMetre78}};
    SeedRandomWith(3);
    for (const auto& s : setups) {
        WorkingStyle.timeSignature = s.metre;
        UseNames(s.pattern, s.cadence, s.minor);
        ASSERT_EQ(LoadKnowledgeBase(), 1) << s.pattern << " " << TimeChartFileName;
        EXPECT_GE(TransitionCountScale, 8);
        for (int i = 0; i < 100; ++i) {
            Chart chart;
            ReadTimeChart(chart.data(), TimeChartText);
            ReadTimeChart(chart.data(), CadenceTimeChartText);
            char entry[64];
            int length = 0;
            EXPECT_GE(PickCountedEntry(CadenceText, entry, sizeof entry, length), 1);
        }
        ASSERT_EQ(Sink().Count(), 0u)
            << s.pattern << " " << TimeChartFileName << " " << Sink().Texts()[0];
    }
}

}  // namespace
