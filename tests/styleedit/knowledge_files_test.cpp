// The knowledge-base editor's files and state: the shipped pairs read and
// written back byte for byte, the framing every refused file breaks, and
// what one opening of the editor may write.
#include "styleedit/knowledge_editor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/paths.h"
#include "style/style_table.h"
#include "tests/support/test_support.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing_support::ReadFileText;
using testing_support::WriteFileText;

std::string Res(const std::string& name) {
    return ReadFileText(platform::JoinPath(ZAW_RES_DIR, name));
}

TEST(KnowledgeFiles, ShippedPairsReadAndWriteBackIdentically) {
    for (const char* suffix : {".DB", ".DB2", ".DBB"}) {
        const std::string transitions = Res(std::string("PATTERN") + suffix);
        const TransitionRead t = ReadTransitionFile(transitions);
        ASSERT_EQ(t.code, 0u) << suffix;
        EXPECT_EQ(t.entries.size() * kTransitionEntryLength, transitions.size());
        EXPECT_EQ(WriteTransitionFile(t.entries), transitions) << suffix;
        const std::string patterns = Res(std::string("RESOLUT") + suffix);
        const PatternRead p = ReadPatternFile(patterns);
        ASSERT_EQ(p.code, 0u) << suffix;
        EXPECT_TRUE(PatternFileLooksSound(patterns));
        EXPECT_EQ(WritePatternFile(p.patterns), patterns) << suffix;
    }
    const TransitionRead t = ReadTransitionFile(Res("PATTERN.DB"));
    EXPECT_EQ(TransitionListLine(t.entries[0]), "120 : C M7       -> F M7      ");
    EXPECT_EQ(PatternListLine(ReadPatternFile(Res("RESOLUT.DB")).patterns[0]), "Dm 7->G 7");
}

TEST(KnowledgeFiles, TransitionFramingIsCheckedEntryByEntry) {
    const std::string good = "CMPSFMPS120|\r\nFMPSGMPs064|\r\n";
    EXPECT_EQ(ReadTransitionFile(good).entries.size(), 2u);
    // The last entry may go without its CR LF; an empty file holds nothing.
    EXPECT_EQ(ReadTransitionFile(good.substr(0, good.size() - 2)).entries.size(), 2u);
    const TransitionRead empty = ReadTransitionFile("");
    EXPECT_EQ(empty.code, 0u);
    EXPECT_THAT(empty.entries, IsEmpty());
    for (const std::string& bad : {
             std::string("CMPSFMPS120|\nFMPSGMPs064|\n"),  // LF only
             good + "CMPS",                               // short tail
             good + "CMPSFMPS12|\r\n",                    // short token
             std::string("CMPSFMPS1200\r\n"),             // no '|' at byte 11
             std::string("CMPS|MPS120|\r\n"),             // '|' inside the entry
         }) {
        const TransitionRead r = ReadTransitionFile(bad);
        EXPECT_EQ(r.code, kKnowledgeTransitionUnset) << bad;
        EXPECT_THAT(r.entries, IsEmpty()) << bad;
    }
    std::string large;
    while (large.size() <= kKnowledgeFileMaxBytes) large += "CMPSFMPS120|\r\n";
    EXPECT_EQ(ReadTransitionFile(large).code, kKnowledgeTransitionLoad);
    // Past 200 entries the table grows.
    EXPECT_EQ(ReadTransitionFile(large.substr(0, 300 * kTransitionEntryLength)).entries.size(),
              300u);
}

TEST(KnowledgeFiles, PatternRowsNeedTheirBarAndAtMost32Chords) {
    // The count written is not used: four lines load four and write 4.
    const std::string four = "3|\r\nCMPSGMPs|\r\nDmPs|\r\nFMPSGMPsCMPS|\r\nAmPsDmPs|\r\n";
    const PatternRead p = ReadPatternFile(four);
    ASSERT_EQ(p.code, 0u);
    EXPECT_EQ(p.patterns.size(), 4u);
    EXPECT_EQ(WritePatternFile(p.patterns).substr(0, 4), "4|\r\n");
    EXPECT_THAT(p.patterns[2], ElementsAre("FMPS", "GMPs", "CMPS"));
    auto row = [](int chords) {
        std::string line;
        for (int i = 0; i < chords; ++i) line += "CMPS";
        return "1|\r\n" + line + "|\r\n";
    };
    EXPECT_EQ(ReadPatternFile(row(32)).patterns.size(), 1u);
    EXPECT_EQ(ReadPatternFile("").code, 0u);
    for (const std::string& bad : std::vector<std::string>{row(33), "no bar at all", "1|\r\nCMPSGMP|\r\n",
                                   "1|\r\nCMPSGMPs", "1|\nCMPS|\n", "1|\r\n|\r\n"}) {
        const PatternRead r = ReadPatternFile(bad);
        EXPECT_EQ(r.code, kKnowledgePatternUnset) << bad;
        EXPECT_THAT(r.patterns, IsEmpty()) << bad;
    }
    EXPECT_FALSE(PatternFileLooksSound("x|\r\nCMPS|\r\n"));
    EXPECT_FALSE(PatternFileLooksSound("CMPSGMPs064|\r\n"));
    EXPECT_FALSE(PatternFileLooksSound("1x|\r\nCMPS|\r\n"));
    EXPECT_FALSE(PatternFileLooksSound(""));
}

class KnowledgeEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = testing_support::ScratchDir();
        platform::SetProgramDirectory(folder_);
        for (const char* name : {"PATTERN.DB", "RESOLUT.DB", "RESTIME.DB"})
            WriteFileText(Path(name), Res(name));
        InitMusicStyle(style_);
        SetFieldText(style_.knowledgeBase, sizeof style_.knowledgeBase, "PATTERN.DB");
        SetFieldText(style_.resolutionKnowledgeBase, sizeof style_.resolutionKnowledgeBase,
                     "RESOLUT.DB");
    }
    void TearDown() override { platform::SetProgramDirectory(""); }
    std::string Path(const std::string& name) const { return platform::JoinPath(folder_, name); }

    std::string folder_;
    MusicStyle style_{};
    KnowledgeEditor editor_;
};

TEST_F(KnowledgeEditorTest, AddThenDeleteGivesTheBytesBackAndEveryWritePasses) {
    EXPECT_THAT(OpenKnowledgeFiles(editor_, style_), IsEmpty());
    const KnowledgeCheckContext context = KnowledgeContextFor(style_);
    const std::string transitions = WriteTransitionFile(editor_.transitions);
    const std::string patterns = WritePatternFile(editor_.patterns);
    ASSERT_TRUE(AddTransition(editor_, "DmPsGMPs007"));
    ASSERT_TRUE(AddPattern(editor_, {"DmPs", "GMPs", "CMPS"}));
    KnowledgeSave t = PrepareTransitionSave(editor_, context);
    KnowledgeSave p = PreparePatternSave(editor_, context);
    EXPECT_THAT(t.faults, IsEmpty());
    EXPECT_THAT(p.faults, IsEmpty());
    EXPECT_EQ(t.bytes, transitions + "DmPsGMPs007|\r\n");
    EXPECT_EQ(p.bytes, "17|\r\n" + patterns.substr(patterns.find('\n') + 1) + "DmPsGMPsCMPS|\r\n");
    DeleteTransition(editor_, static_cast<int>(editor_.transitions.size()) - 1);
    DeletePattern(editor_, static_cast<int>(editor_.patterns.size()) - 1);
    DeletePattern(editor_, 99);  // no such line: nothing
    EXPECT_EQ(PrepareTransitionSave(editor_, context).bytes, transitions);
    EXPECT_EQ(PreparePatternSave(editor_, context).bytes, patterns);
    // Deleting the first of three patterns leaves the count 2 and the others.
    editor_.patterns = {{"CMPS"}, {"DmPs"}, {"GMPs"}};
    DeletePattern(editor_, 0);
    EXPECT_EQ(WritePatternFile(editor_.patterns), "2|\r\nDmPs|\r\nGMPs|\r\n");
    // The checker names the rule and the entry it refuses.
    editor_.transitions = {{"CMPS", "GMPs", "064"}};
    const KnowledgeSave broken = PrepareTransitionSave(editor_, context);
    ASSERT_THAT(broken.faults, ::testing::Not(IsEmpty()));
    EXPECT_EQ(DescribeKnowledgeFault(broken.faults.front()),
              "rule 3 (transitions): nothing from CMPs");
}

TEST_F(KnowledgeEditorTest, OnlyFilesReadChosenOrAddedToAreWritten) {
    std::remove(Path("PATTERN.DB").c_str());
    EXPECT_THAT(OpenKnowledgeFiles(editor_, style_), ElementsAre(kKnowledgeTransitionLoad));
    // The pattern file stays unread: neither side is written...
    EXPECT_FALSE(ShouldWrite(editor_.transitionSide));
    EXPECT_FALSE(ShouldWrite(editor_.patternSide));
    EXPECT_EQ(editor_.patternSide.path, Path("RESOLUT.DB"));
    // ...until one is added to.
    AddTransition(editor_, "CMPSGMPs064");
    EXPECT_TRUE(ShouldWrite(editor_.transitionSide));
    // The unread pattern file holds entries the table lacks: a pattern added
    // does not write over them. Where no file stands, one is made.
    ASSERT_TRUE(AddPattern(editor_, {"DmPs", "GMPs"}));
    EXPECT_FALSE(ShouldWrite(editor_.patternSide));
    std::remove(Path("RESOLUT.DB").c_str());
    EXPECT_TRUE(ShouldWrite(editor_.patternSide));
    WriteFileText(Path("RESOLUT.DB"), Res("RESOLUT.DB"));
    // A refused file keeps its bytes even when added to.
    WriteFileText(Path("PATTERN.DB"), "CMPSFMPS120|\n");
    EXPECT_THAT(OpenKnowledgeFiles(editor_, style_), ElementsAre(kKnowledgeTransitionUnset));
    AddTransition(editor_, "CMPSGMPs064");
    EXPECT_FALSE(ShouldWrite(editor_.transitionSide));
    EXPECT_TRUE(ShouldWrite(editor_.patternSide));
    // So does a file too large to read whole; the pattern file is read all
    // the same.
    std::string large;
    while (large.size() <= kKnowledgeFileMaxBytes) large += "CMPSFMPS120|\r\n";
    WriteFileText(Path("PATTERN.DB"), large);
    EXPECT_THAT(OpenKnowledgeFiles(editor_, style_), ElementsAre(kKnowledgeTransitionLoad));
    AddTransition(editor_, "CMPSGMPs064");
    EXPECT_FALSE(ShouldWrite(editor_.transitionSide));
    EXPECT_EQ(editor_.patterns.size(), 16u);
}

TEST_F(KnowledgeEditorTest, ChosenFilesReplaceStateOnlyWhenSound) {
    ASSERT_THAT(OpenKnowledgeFiles(editor_, style_), IsEmpty());
    const KnowledgeEditor before = editor_;
    const MusicStyle styleBefore = style_;
    WriteFileText(Path("lf.db"), "CMPSFMPS120|\n");
    WriteFileText(Path("digits.db"), Res("PATTERN.DB"));
    const std::string longPath = Path(std::string(130, 'k') + ".db");
    struct Case {
        std::string path;
        bool patterns;
        ErrorCode code;
    };
    for (const Case& c : {Case{Path("missing.db"), false, kKnowledgeOpenFailed},
                          Case{Path("lf.db"), false, kKnowledgeTransitionUnset},
                          Case{longPath, false, kKnowledgeOpenFailed},
                          Case{Path("digits.db"), true, kKnowledgePatternCheck},
                          Case{longPath, true, kKnowledgeOpenFailed}}) {
        if (c.path == longPath) WriteFileText(c.path, "CMPSFMPS120|\r\n");
        EXPECT_EQ(c.patterns ? ChoosePatternFile(editor_, c.path, style_)
                             : ChooseTransitionFile(editor_, c.path, style_),
                  c.code)
            << c.path;
        EXPECT_EQ(editor_.transitions, before.transitions);
        EXPECT_EQ(editor_.patterns, before.patterns);
        EXPECT_EQ(editor_.transitionSide.path, before.transitionSide.path);
        EXPECT_EQ(FieldText(style_.knowledgeBase), FieldText(styleBefore.knowledgeBase));
        EXPECT_EQ(FieldText(style_.resolutionKnowledgeBase),
                  FieldText(styleBefore.resolutionKnowledgeBase));
    }
    WriteFileText(Path("one.db"), "CMPSFMPS120|\r\n");
    EXPECT_EQ(ChooseTransitionFile(editor_, Path("one.db"), style_), 0u);
    EXPECT_EQ(editor_.transitions.size(), 1u);
    EXPECT_EQ(FieldText(style_.knowledgeBase), Path("one.db"));
}

bool FailReplace(const std::string&) {
    return false;
}

TEST_F(KnowledgeEditorTest, FailedWriteKeepsTheOldFile) {
    const std::string old = ReadFileText(Path("PATTERN.DB"));
    platform::SetBeforeReplaceHook(FailReplace);
    EXPECT_EQ(WriteKnowledgeBytes(Path("PATTERN.DB"), "CMPSFMPS120|\r\n", kKnowledgeTransitionSave),
              kKnowledgeTransitionSave);
    platform::SetBeforeReplaceHook(nullptr);
    EXPECT_EQ(ReadFileText(Path("PATTERN.DB")), old);
    EXPECT_EQ(WriteKnowledgeBytes(Path("PATTERN.DB"), std::string(kKnowledgeFileMaxBytes + 1, 'x'),
                                  kKnowledgeTransitionSave),
              kKnowledgeTransitionSave);
    EXPECT_EQ(ReadFileText(Path("PATTERN.DB")), old);
    EXPECT_THAT(testing_support::FolderNames(folder_),
                ElementsAre("PATTERN.DB", "RESOLUT.DB", "RESTIME.DB"));
}

}  // namespace
