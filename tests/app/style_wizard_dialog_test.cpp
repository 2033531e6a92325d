// "Style Wizard" driven as a user would, headless on the fake clock: the
// three pages from the style operations' Wizard with the real solver, and
// with a recording solver the rule that every slider sets exactly its own
// profile index, both when a page opens and on its OK.
#include "app/styleedit/style_wizard_dialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "app/style_editor_seams.h"
#include "app/styleedit/style_operation_dialog.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "style/style_wizard.h"

using namespace platform::ui;

namespace {

Point OkPoint() {
    SkinButton ok;
    SetOkSkinButton(ok, "OK", nullptr);
    return Point{(ok.x1 + ok.x2) / 2, (ok.y1 + ok.y2) / 2};
}

void PressOk(HeadlessBackend& d) {
    const Point p = OkPoint();
    d.Click(p.x, p.y);
}

void ClickControl(HeadlessBackend& d, int id) {
    const Control* c = d.TopWindow()->FindControl(id);
    ASSERT_NE(c, nullptr) << id;
    d.Click((c->Bounds().left + c->Bounds().right) / 2, (c->Bounds().top + c->Bounds().bottom) / 2);
}

int SliderValue(HeadlessBackend& d, int id) {
    const Control* c = d.TopWindow()->FindControl(id);
    return c ? c->Value() : -1;
}

class StyleWizardDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool built = (InitDefaultSettings(), BuildStyleTable(), true);
        (void)built;
        working_ = WorkingStyle;
        params_ = StyleWizardParams;
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        SetShellServices(shell_);
    }
    void TearDown() override {
        SetStyleWizardSolver(nullptr);
        SetShellServices(nullptr);
        InstallBackend(nullptr);
        WorkingStyle = working_;
        StyleWizardParams = params_;
    }
    // Runs the wizard with a solver that notes the profile it was asked for.
    void RunRecorded(const std::function<void(HeadlessBackend&, int page)>& onPage) {
        targets_.clear();
        SetStyleWizardSolver([this] { targets_.push_back(StyleWizardParams); });
        backend_->Then([&](HeadlessBackend& d) {
            onPage(d, 1);
            backend_->Then([&](HeadlessBackend& d2) {
                onPage(d2, 2);
                backend_->Then([&](HeadlessBackend& d3) {
                    onPage(d3, 3);
                    PressOk(d3);
                });
                PressOk(d2);
            });
            PressOk(d);
        });
        RunStyleWizard(nullptr);
        EXPECT_EQ(backend_->ModalStarvations(), 0);
    }

    MusicStyle working_{};
    StyleProfile params_{};
    std::vector<StyleProfile> targets_;
    std::shared_ptr<HeadlessBackend> backend_;
    std::shared_ptr<RecordingShellServices> shell_ = std::make_shared<RecordingShellServices>();
};

// From the style operations' Wizard: "Happy" then "Sad", "Traditional" /
// "Modern" dragged to 7, OK; "North", OK; OK. The pages nest and close 3, 2,
// 1; the real solver runs once under the wait cursor, after the last page's
// OK, and leaves the profile of the style it made.
TEST_F(StyleWizardDialogTest, FromTheOperationsThePagesNestAndTheSolverRunsOnce) {
    SetWorkingStyle(StyleTable[2 * 24 + 5]);
    StyleProfile expected = ComputeStyleProfile(WorkingStyle);
    expected[0] = 0;
    expected[1] = 7;
    expected[6] = 0;
    std::vector<Window*> pages;
    StyleOperation operations;
    backend_->Then([&](HeadlessBackend& d) {
        Window* owner = d.TopWindow();
        backend_->Then([&](HeadlessBackend& d1) {
            pages.push_back(d1.TopWindow());
            EXPECT_EQ(d1.TopWindow()->Title(), "Style Wizard");
            EXPECT_EQ(d1.TopWindow()->ClientSize(), (Size{644, 464}));
            ClickControl(d1, 1581);  // "Happy"
            EXPECT_EQ(SliderValue(d1, 1583), 20);
            ClickControl(d1, 1582);  // "Sad"
            EXPECT_EQ(SliderValue(d1, 1583), 0);
            d1.Scroll(1588, 7);
            backend_->Then([&](HeadlessBackend& d2) {
                pages.push_back(d2.TopWindow());
                EXPECT_EQ(d2.TopWindow()->FindControl(kWizardQuestionStatic)->Text(),
                          "Where is the place?");
                ClickControl(d2, 1596);  // "North"
                backend_->Then([&](HeadlessBackend& d3) {
                    pages.push_back(d3.TopWindow());
                    EXPECT_EQ(d3.TopWindow()->FindControl(kWizardSecondNumberStatic)->Text(),
                              "Question 4.");
                    EXPECT_TRUE(pages[0]->IsModal());
                    EXPECT_TRUE(pages[1]->IsModal());
                    EXPECT_EQ(shell_->Count(RecordingShellServices::Kind::WaitCursorOn), 0);
                    PressOk(d3);
                });
                PressOk(d2);
            });
            PressOk(d1);
        });
        const SkinButton& wizard = operations.Button(kOperationWizard);
        d.Click((wizard.x1 + wizard.x2) / 2, (wizard.y1 + wizard.y2) / 2);
        ASSERT_EQ(pages.size(), 3u);
        EXPECT_EQ(d.TopWindow(), owner);
        EXPECT_EQ(shell_->Count(RecordingShellServices::Kind::WaitCursorOn), 1);
        const SkinButton& ok = operations.Button(kOperationOk);
        d.Click((ok.x1 + ok.x2) / 2, (ok.y1 + ok.y2) / 2);
    });
    EXPECT_EQ(operations.DoModal(), platform::kIdOk);
    EXPECT_EQ(backend_->ModalStarvations(), 0);
    EXPECT_EQ(StyleWizardParams, ComputeStyleProfile(WorkingStyle));
    // The solver was asked for the answers given: its nearest entry is at
    // least as near to them as the style the wizard opened on.
    EXPECT_LE(StyleProfileDistance(expected, StyleWizardParams),
              StyleProfileDistance(expected, ComputeStyleProfile(StyleTable[2 * 24 + 5])));
}

// Over styles of three categories: each page opens its sliders on the
// profile (page 1 on the style's own), moving one slider changes exactly
// its index of the solver's target, and OK three times untouched asks for
// the profile the style had.
TEST_F(StyleWizardDialogTest, EachSliderSetsExactlyItsOwnIndex) {
    std::mt19937 random(46);
    for (int category : {0, 4, 8}) {
        SetWorkingStyle(StyleTable[category * 24 + static_cast<int>(random() % 24)]);
        const StyleProfile prior = ComputeStyleProfile(WorkingStyle);
        RunRecorded([&](HeadlessBackend& d, int page) {
            for (const WizardRow& row : WizardPageRows(page))
                EXPECT_EQ(SliderValue(d, row.slider), prior[row.index]) << row.index;
        });
        ASSERT_EQ(targets_.size(), 1u);
        EXPECT_EQ(targets_[0], prior);
        for (int page = 1; page <= kWizardPages; ++page) {
            for (const WizardRow& row : WizardPageRows(page)) {
                StyleWizardParams = prior;
                const int value = (prior[row.index] + 1 + static_cast<int>(random() % 20)) % 21;
                RunRecorded([&](HeadlessBackend& d, int shown) {
                    if (shown == page) d.Scroll(row.slider, value);
                });
                StyleProfile expected = prior;
                expected[row.index] = value;
                ASSERT_EQ(targets_.size(), 1u);
                EXPECT_EQ(targets_[0], expected) << "page " << page << " index " << row.index;
            }
        }
    }
}

// Each answer button moves only its own slider, to its end; the slider holds
// any value of 0..20 and no more. Esc only beeps; Enter is OK.
TEST_F(StyleWizardDialogTest, AnswerButtonsMoveOnlyTheirSliderAndThereIsNoCancel) {
    SetWorkingStyle(StyleTable[4 * 24 + 7]);
    int rows = 0;
    RunRecorded([&](HeadlessBackend& d, int page) {
        const auto all = WizardPageRows(page);
        for (const WizardRow& row : all) {
            for (const bool high : {true, false}) {
                for (const WizardRow& other : all)
                    if (&other != &row) d.Scroll(other.slider, 10);
                ClickControl(d, high ? row.highButton : row.lowButton);
                EXPECT_EQ(SliderValue(d, row.slider), high ? 20 : 0);
                for (const WizardRow& other : all)
                    if (&other != &row) {
                        EXPECT_EQ(SliderValue(d, other.slider), 10);
                    }
            }
            for (int v = 0; v <= 20; ++v) {
                d.Scroll(row.slider, v);
                EXPECT_EQ(SliderValue(d, row.slider), v);
            }
            d.Scroll(row.slider, 25);
            EXPECT_EQ(SliderValue(d, row.slider), 20);
            ++rows;
        }
        const int beeps = d.Beeps();
        Window* top = d.TopWindow();
        d.Key(Key::Esc);
        EXPECT_EQ(d.Beeps(), beeps + 1);
        EXPECT_EQ(d.TopWindow(), top);
        EXPECT_TRUE(top->IsModal());
    });
    EXPECT_EQ(rows, 11);
    ASSERT_EQ(targets_.size(), 1u);
    // Enter on each page goes the same way as OK: to the solver.
    backend_->Then([](HeadlessBackend& d) {
        d.Then([](HeadlessBackend& d2) {
            d2.Then([](HeadlessBackend& d3) { d3.Key(Key::Enter); });
            d2.Key(Key::Enter);
        });
        d.Key(Key::Enter);
    });
    RunStyleWizard(nullptr);
    EXPECT_EQ(targets_.size(), 2u);
}

}  // namespace
