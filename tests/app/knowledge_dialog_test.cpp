// "Knowledge Base" driven as a user would, headless, on copies of the shipped
// files in a program folder of the test's own: open and OK, Delete with and
// without a line, cancelled, refused and chosen "File Name"s, and OK asking
// about a file the checker refuses.
#include "app/styleedit/knowledge_dialog.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "core/settings.h"
#include "platform/paths.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/key_setup.h"
#include "style/style_table.h"
#include "tests/support/test_support.h"

using namespace platform::ui;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing_support::ReadFileText;
using testing_support::WriteFileText;

namespace {

// Client points of the controls.
constexpr Point kOkPoint{540, 410};
constexpr Point kTransitionFilePoint{200, 85};
constexpr Point kTransitionDeletePoint{600, 85};
constexpr Point kPatternFilePoint{200, 235};
constexpr Point kPatternDeletePoint{600, 235};

class KnowledgeDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool built = (InitDefaultSettings(), true);
        (void)built;
        working_ = WorkingStyle;
        InitMusicStyle(WorkingStyle);
        SetupMajorKey();
        folder_ = testing_support::ScratchDir();
        platform::SetProgramDirectory(folder_);
        for (const char* name : {"PATTERN.DB", "RESOLUT.DB", "RESTIME.DB"})
            WriteFileText(Path(name), ReadFileText(platform::JoinPath(ZAW_RES_DIR, name)));
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        testing_support::Sink().Clear();
    }
    void TearDown() override {
        InstallBackend(nullptr);
        platform::SetProgramDirectory("");
        WorkingStyle = working_;
    }
    std::string Path(const std::string& name) const { return platform::JoinPath(folder_, name); }
    // Opens the editor, runs the steps in it and ends with OK.
    void Session(const std::function<void(HeadlessBackend&, Window&)>& steps) {
        backend_->Then([&](HeadlessBackend& d) {
            Window& w = *d.TopWindow();
            steps(d, w);
            Click(d, kOkPoint);
        });
        RunKnowledgeEditor(nullptr);
        EXPECT_EQ(backend_->PendingSteps(), 0u);
    }
    static void Click(HeadlessBackend& d, Point p) { d.Click(p.x, p.y); }
    static int Lines(Window& w, int id) { return static_cast<int>(w.FindControl(id)->Items().size()); }

    MusicStyle working_{};
    std::shared_ptr<HeadlessBackend> backend_;
    std::string folder_;
};

TEST_F(KnowledgeDialogTest, OpenAndOkRewritesTheShippedPairIdentically) {
    const std::string transitions = ReadFileText(Path("PATTERN.DB"));
    const std::string patterns = ReadFileText(Path("RESOLUT.DB"));
    Session([&](HeadlessBackend& d, Window& w) {
        EXPECT_EQ(w.Title(), "Knowledge Base");
        EXPECT_EQ(Lines(w, kKnowledgeTransitionList), 60);
        EXPECT_EQ(Lines(w, kKnowledgePatternList), 16);
        EXPECT_EQ(w.FindControl(kKnowledgeTransitionFile)->Text(), Path("PATTERN.DB"));
        EXPECT_EQ(w.FindControl(kKnowledgePatternList)->Items()[0].colour, kKnowledgeListText);
        // Esc only beeps; Delete without a line and a cancelled chooser
        // change nothing.
        d.Key(Key::Esc);
        EXPECT_EQ(d.Beeps(), 1);
        Click(d, kTransitionDeletePoint);
        Click(d, kPatternDeletePoint);
        testing_support::Chooser().QueueCancel();
        Click(d, kTransitionFilePoint);
        EXPECT_EQ(Lines(w, kKnowledgeTransitionList), 60);
        EXPECT_EQ(Lines(w, kKnowledgePatternList), 16);
    });
    EXPECT_EQ(ReadFileText(Path("PATTERN.DB")), transitions);
    EXPECT_EQ(ReadFileText(Path("RESOLUT.DB")), patterns);
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
    const auto requests = testing_support::Chooser().FileRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].filter, "knowledge files|*.db*|");
    EXPECT_EQ(requests[0].defaultExtension, "db");
}

TEST_F(KnowledgeDialogTest, DeletingAPatternWritesTheRestWithTheirCount) {
    Session([&](HeadlessBackend& d, Window& w) {
        d.Select(kKnowledgePatternList, 0);
        Click(d, kPatternDeletePoint);
        EXPECT_EQ(Lines(w, kKnowledgePatternList), 15);
    });
    const std::string written = ReadFileText(Path("RESOLUT.DB"));
    EXPECT_EQ(written.substr(0, 4), "15|\r");
    EXPECT_EQ(written.find("\nDmPsGMPs|"), std::string::npos);
    EXPECT_EQ(written.substr(5), ReadFileText(platform::JoinPath(ZAW_RES_DIR, "RESOLUT.DB")).substr(16));
}

TEST_F(KnowledgeDialogTest, RefusedFileNamesChangeNothing) {
    WriteFileText(Path("lf.db"), "CMPSFMPS120|\n");
    const std::string longPath = Path(std::string(120, 'k') + ".db");
    WriteFileText(longPath, "CMPSFMPS120|\r\n");
    Session([&](HeadlessBackend& d, Window& w) {
        for (const std::string& path : {Path("lf.db"), Path("missing.db"), longPath}) {
            testing_support::Chooser().QueueFile(path);
            Click(d, kTransitionFilePoint);
        }
        testing_support::Chooser().QueueFile(Path("PATTERN.DB"));
        Click(d, kPatternFilePoint);
        EXPECT_EQ(Lines(w, kKnowledgeTransitionList), 60);
        EXPECT_EQ(Lines(w, kKnowledgePatternList), 16);
        EXPECT_EQ(w.FindControl(kKnowledgeTransitionFile)->Text(), Path("PATTERN.DB"));
    });
    EXPECT_EQ(FieldText(WorkingStyle.knowledgeBase), "PATTERN.DB");
    EXPECT_EQ(FieldText(WorkingStyle.resolutionKnowledgeBase), "RESOLUT.DB");
    EXPECT_THAT(testing_support::Sink().Texts(),
                ElementsAre(HasSubstr("Can't set pattern!"), HasSubstr("Can't open knowledge base!"),
                            HasSubstr("Can't open knowledge base!"), HasSubstr("Pattern error!")));
    EXPECT_EQ(ReadFileText(Path("lf.db")), "CMPSFMPS120|\n");
}

// A chosen transition file the checker refuses: Cancel goes back to the
// editor; OK leaves it as it is and writes the pattern file.
TEST_F(KnowledgeDialogTest, OkAsksAboutAFileTheCheckerRefuses) {
    const std::string thin = "CMPSGMPs064|";  // written back, it would end in CR LF
    WriteFileText(Path("thin.db"), thin);
    int shown = 0;
    Session([&](HeadlessBackend& d, Window& w) {
        testing_support::Chooser().QueueFile(Path("thin.db"));
        Click(d, kTransitionFilePoint);
        EXPECT_EQ(Lines(w, kKnowledgeTransitionList), 1);
        EXPECT_EQ(w.FindControl(kKnowledgeTransitionFile)->Text(), Path("thin.db"));
        EXPECT_EQ(FieldText(WorkingStyle.knowledgeBase), Path("thin.db"));
        d.Select(kKnowledgePatternList, 15);
        Click(d, kPatternDeletePoint);
        testing_support::Sink().QueueAnswer(IDCANCEL);
        Click(d, kOkPoint);  // goes back
        EXPECT_EQ(d.TopWindow(), &w);
        EXPECT_EQ(ReadFileText(Path("RESOLUT.DB")).substr(0, 4), "16|\r");
        shown = static_cast<int>(testing_support::Sink().Count());
        testing_support::Sink().QueueAnswer(IDOK);
    });
    EXPECT_EQ(shown, 1);
    const auto texts = testing_support::Sink().Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_THAT(texts[0], HasSubstr(Path("thin.db")));
    EXPECT_THAT(texts[0], HasSubstr("rule 3 (transitions)"));
    EXPECT_EQ(texts[0], texts[1]);
    EXPECT_EQ(ReadFileText(Path("thin.db")), thin);
    EXPECT_EQ(ReadFileText(Path("RESOLUT.DB")).substr(0, 4), "15|\r");
}

}  // namespace
