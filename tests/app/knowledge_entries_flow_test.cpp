// "Knowledge Base" with its two entry dialogs, as a user from the hub through
// "Tune Structure" and "Chord Progression": "Chord Addition" refuses its
// presets, then adds Dm7 -> G7 at 7; "Resolution Pattern" takes eight
// chords and no ninth; the first pattern is deleted; OK writes both files
// with the new entries.
#include <gtest/gtest.h>

#include "app/styleedit/knowledge_dialog.h"
#include "app/styleedit/knowledge_entry_dialogs.h"
#include "app/styleedit/option_selection_dialog.h"
#include "app/styleedit/tune_definition_dialog.h"
#include "core/settings.h"
#include "platform/paths.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/key_setup.h"
#include "style/style_table.h"
#include "tests/app/style_hub_fixture.h"
#include "tests/support/test_support.h"

using namespace platform::ui;
using testing_support::ReadFileText;

namespace {

constexpr Point kTransitionAdd{510, 85};
constexpr Point kPatternAdd{510, 235};
constexpr Point kPatternDelete{600, 235};
constexpr Point kOk{540, 410};

void Click(HeadlessBackend& b, Point p) {
    b.Click(p.x, p.y);
}

class KnowledgeEntries : public style_hub::StyleHubTest {
protected:
    void SetUp() override {
        StyleHubTest::SetUp();
        InitDefaultSettings();
        SetupMajorKey();
        folder_ = testing_support::ScratchDir();
        platform::SetProgramDirectory(folder_);
        for (const char* name : {"PATTERN.DB", "RESOLUT.DB", "RESTIME.DB"})
            testing_support::WriteFileText(platform::JoinPath(folder_, name),
                                           ReadFileText(platform::JoinPath(ZAW_RES_DIR, name)));
    }
    void TearDown() override {
        platform::SetProgramDirectory("");
        StyleHubTest::TearDown();
    }
    std::string folder_;
};

TEST_F(KnowledgeEntries, AddedThroughTheirDialogsAndWritten) {
    const std::string& folder = folder_;
    auto& backend = backend_;
    int transitions = 0;
    int patterns = 0;
    const auto knowledgeBase = [&](HeadlessBackend& b) {
        Window& w = *b.TopWindow();
        EXPECT_EQ(w.Title(), "Knowledge Base");
        Click(b, kTransitionAdd);
        transitions = static_cast<int>(w.FindControl(kKnowledgeTransitionList)->Items().size());
        Click(b, kPatternAdd);
        b.Select(kKnowledgePatternList, 0);
        Click(b, kPatternDelete);
        patterns = static_cast<int>(w.FindControl(kKnowledgePatternList)->Items().size());
        Click(b, kOk);
    };
    const auto chordAddition = [](HeadlessBackend& b) {
        EXPECT_EQ(b.TopWindow()->Title(), "Chord Addition");
        Click(b, kOk);  // the presets: the same chord twice
        b.Select(kAdditionFirstRoot, 2);
        b.Select(kAdditionFirstType, 2);
        b.Select(kAdditionSecondRoot, 7);
        b.Select(kAdditionSecondType, 0);
        b.Type(kAdditionRateEdit, "7");
        Click(b, kOk);
    };
    const auto resolutionPattern = [](HeadlessBackend& b) {
        EXPECT_EQ(b.TopWindow()->Title(), "Resolution Pattern");
        // C, Dm7, Em7, F M7, G7, Am7, Dm7, G7, and a ninth that is not taken.
        const int roots[9] = {0, 2, 4, 5, 7, 9, 2, 7, 0};
        const int types[9] = {7, 2, 2, 1, 0, 2, 2, 0, 0};
        for (int i = 0; i < 9; ++i) {
            b.Select(kPatternRoot, roots[i]);
            b.Select(kPatternType, types[i]);
            b.Click(320, 125);
        }
        Click(b, kOk);
    };
    // The method "Knowledge Base" opens the editor once the chooser closes.
    WorkingStyle.chordGenerationMethod = 0;
    OptionSelection hub;
    backend->Then([&](HeadlessBackend& b) {
        b.Then([&](HeadlessBackend& c) {
            auto* editor = dynamic_cast<TuneDifinition*>(c.TopWindow()->Handler());
            ASSERT_NE(editor, nullptr);
            c.Then([](HeadlessBackend& n) { style_hub::PressSmallOk(n); });
            c.Then(knowledgeBase);
            c.Then(chordAddition);
            c.Then(resolutionPattern);
            style_hub::Press(c, *editor, TuneCaptionRegion(kTuneRowChordProgression));
            EXPECT_EQ(c.DeepestModal(), 4);
            style_hub::Press(c, *editor, kTuneOk);
        });
        style_hub::Press(b, hub, kHubTune);
        style_hub::Press(b, hub, kHubOk);
    });
    hub.DoModal();
    EXPECT_EQ(backend->PendingSteps(), 0u);
    EXPECT_EQ(transitions, 61);
    EXPECT_EQ(patterns, 16);

    const std::string shippedTransitions =
        ReadFileText(platform::JoinPath(ZAW_RES_DIR, "PATTERN.DB"));
    EXPECT_EQ(ReadFileText(platform::JoinPath(folder, "PATTERN.DB")),
              shippedTransitions + "DmPsGMPs007|\r\n");
    const std::string shippedPatterns = ReadFileText(platform::JoinPath(ZAW_RES_DIR, "RESOLUT.DB"));
    // The count stays 16; the first pattern ("DmPsGMPs") goes, the new one
    // comes last.
    EXPECT_EQ(ReadFileText(platform::JoinPath(folder, "RESOLUT.DB")),
              "16|\r\n" + shippedPatterns.substr(16) + "CMPoDmPsEmPsFMPSGMPsAmPsDmPsGMPs|\r\n");
    ASSERT_EQ(testing_support::Sink().Count(), 1u);
    EXPECT_NE(testing_support::Sink().Texts()[0].find("Can't set the same chord!"),
              std::string::npos);
}

}  // namespace
