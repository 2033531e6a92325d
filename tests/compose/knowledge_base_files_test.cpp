// Checks the shipped knowledge-base files with the knowledge-file checker,
// so the chord generator never stalls on them; each rule is also shown a
// small bad folder of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "compose/knowledge_check.h"
#include "platform/paths.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using ::testing::IsEmpty;
using ::testing::Not;
using Violations = std::vector<std::string>;

struct KbFile {
    std::string name;
    std::string bytes;
};
using Folder = std::vector<KbFile>;

Folder ReadFolder(const fs::path& dir) {
    Folder folder;
    for (const auto& entry : fs::directory_iterator(dir)) {
        // The knowledge-base files; sub-folders (the skin art) are not.
        if (!entry.is_regular_file()) continue;
        std::string name = entry.path().filename().string();
        folder.push_back({name, testing_support::ReadFileText(entry.path().string())});
    }
    std::sort(folder.begin(), folder.end(),
              [](const KbFile& a, const KbFile& b) { return a.name < b.name; });
    return folder;
}

bool Named(const KbFile& f, const char* prefix) {
    return f.name.rfind(prefix, 0) == 0;
}

// What a file is, and what the checker reads beside it, by its name: the
// minor files end in ".DB2", the 3/4 and 7/8 charts carry a 3 or a 7, and
// every cadence file must serve every cadence time chart of the folder.
KnowledgeFileKind KindOf(const KbFile& f) {
    if (Named(f, "PATTERN")) return KnowledgeFileKind::kTransitions;
    if (Named(f, "RESOLUT")) return KnowledgeFileKind::kCadences;
    if (Named(f, "RESTIME")) return KnowledgeFileKind::kCadenceTimeChart;
    return KnowledgeFileKind::kTimeChart;
}

KnowledgeCheckContext ContextOf(const KbFile& f, const Folder& folder) {
    KnowledgeCheckContext context;
    context.minorKey = f.name.size() >= 4 && f.name.compare(f.name.size() - 4, 4, ".DB2") == 0;
    if (f.name.find('3') != std::string::npos) context.metre = KnowledgeMetre::k34;
    else if (f.name.find('7') != std::string::npos) context.metre = KnowledgeMetre::k78;
    for (const KbFile& other : folder)
        if (KindOf(other) == KnowledgeFileKind::kCadenceTimeChart)
            context.cadenceTimeCharts.push_back(other.bytes);
    return context;
}

Violations CheckRule(int rule, const Folder& folder) {
    Violations v;
    for (const KbFile& f : folder)
        for (const KnowledgeFault& fault :
             CheckKnowledgeRule(rule, KindOf(f), f.bytes, ContextOf(f, folder)))
            v.push_back(f.name + ": " + DescribeKnowledgeFault(fault));
    return v;
}

struct Rule {
    const char* badFolder;
    int number;
    Violations check(const Folder& folder) const { return CheckRule(number, folder); }
};
const Rule kRules[] = {
    {"rule1_format", 1},   {"rule2_codes", 2},    {"rule3_patterns", 3},
    {"rule4_time_charts", 4}, {"rule5_cadences", 5}, {"rule6_scales", 6},
};

TEST(KnowledgeBaseFiles, ShippedFilesKeepEveryRule) {
    Folder res = ReadFolder(ZAW_RES_DIR);
    std::vector<std::string> names;
    for (const KbFile& f : res)
        names.push_back(f.name);
    EXPECT_THAT(names, ::testing::ElementsAre(
                           "PATTERN.DB", "PATTERN.DB2", "PATTERN.DBB", "RESOLUT.DB", "RESOLUT.DB2",
                           "RESOLUT.DBB", "RESTIME.DB", "RESTIME.DB2", "RESTIME3.DB", "RESTIME7.DB",
                           "TIMECHT.DB", "TIMECHT.DB2", "TIMECHT3.DB", "TIMECHT7.DB"));
    for (const Rule& rule : kRules)
        EXPECT_THAT(rule.check(res), IsEmpty()) << rule.badFolder;
    for (const KbFile& f : res)
        EXPECT_THAT(CheckKnowledgeFile(KindOf(f), f.bytes, ContextOf(f, res)), IsEmpty()) << f.name;
}

// Each bad folder breaks its own rule and keeps the others, so every checker
// is shown to refuse and none to refuse too much.
TEST(KnowledgeBaseFiles, EachCheckerRefusesOnlyItsBadFolder) {
    for (const Rule& bad : kRules) {
        Folder folder = ReadFolder(fs::path(ZAW_TEST_DATA_DIR) / "kb_bad" / bad.badFolder);
        ASSERT_THAT(folder, Not(IsEmpty())) << bad.badFolder;
        for (const Rule& rule : kRules) {
            Violations found = rule.check(folder);
            if (&rule == &bad)
                EXPECT_THAT(found, Not(IsEmpty())) << bad.badFolder;
            else
                EXPECT_THAT(found, IsEmpty()) << bad.badFolder << " under " << rule.badFolder;
        }
    }
    // Every fault of a folder is found: the format folder's wrong count and
    // token without '|'; the transitions folder's dead end, and its minor
    // file where nothing leads from the minor tonic.
    const fs::path bad = fs::path(ZAW_TEST_DATA_DIR) / "kb_bad";
    EXPECT_EQ(CheckRule(1, ReadFolder(bad / "rule1_format")).size(), 2u);
    EXPECT_THAT(
        CheckRule(3, ReadFolder(bad / "rule3_patterns")),
        ::testing::ElementsAre("PATTERN.DB: rule 3 (transitions), entry DmPs: dead end at DmPs",
                               "PATTERN.DB2: rule 3 (transitions): nothing from AmPs"));
}

TEST(KnowledgeBaseFiles, ProgramFolderHoldsTheShippedFiles) {
    for (const KbFile& f : ReadFolder(ZAW_RES_DIR))
        EXPECT_EQ(
            testing_support::ReadFileText(platform::JoinPath(platform::ProgramDirectory(), f.name)),
            f.bytes)
            << f.name;
}

}  // namespace
