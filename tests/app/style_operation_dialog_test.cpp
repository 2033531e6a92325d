// "Style Operation" driven as a user would, headless on the fake clock:
// opened from a scripted hub over catalogue entries (copy one, paste it
// into another), the save dialog's proposal and the names it writes, load
// and save cancelled or given a bad file, the wizard's name, and the rule
// that a release runs the region pressed on button down.
#include "app/styleedit/style_operation_dialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "app/styleedit/style_selection_dialog.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "platform/paths.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "tests/support/test_support.h"

using namespace platform::ui;

namespace {

Point Centre(const SkinButton& b) {
    return Point{(b.x1 + b.x2) / 2, (b.y1 + b.y2) / 2};
}

bool SameRecord(const MusicStyle& a, const MusicStyle& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Hands requests to the test's scripted chooser and notes whether the wait
// cursor was shown when each came.
class CursorNotingChooser : public platform::FileChooser {
public:
    explicit CursorNotingChooser(HeadlessBackend& backend) : backend_(backend) {}
    platform::FileChooserAnswer ChooseFile(const platform::FileChooserRequest& r) override {
        waitCursor.push_back(backend_.WaitCursorShown());
        return testing_support::Chooser().ChooseFile(r);
    }
    platform::FileChooserAnswer ChooseFolder(const platform::FolderChooserRequest& r) override {
        return testing_support::Chooser().ChooseFolder(r);
    }
    std::vector<bool> waitCursor;

private:
    HeadlessBackend& backend_;
};

class StyleOperationDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const bool built = (InitDefaultSettings(), BuildStyleTable(), true);
        (void)built;
        settings_ = AppSettings;
        mode_ = PanelMode.load();
        catalogue_.assign(StyleTable, StyleTable + kStyleEntries);
        std::copy(std::begin(ComposeStyleSelection), std::end(ComposeStyleSelection), compose_);
        working_ = WorkingStyle;
        clipboard_ = StyleClipboard;
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        chooser_ = std::make_shared<CursorNotingChooser>(*backend_);
        platform::SetFileChooser(chooser_);
        SetShellServices(shell_);
        folder_ = testing_support::ScratchDir();
        StyleSelectionPage = 0;
        testing_support::Sink().Clear();
    }
    void TearDown() override {
        SetStyleHubRunner(nullptr);
        SetShellServices(nullptr);
        platform::SetFileChooser(
            std::shared_ptr<platform::FileChooser>(&testing_support::Chooser(), [](auto*) {}));
        InstallBackend(nullptr);
        AppSettings = settings_;
        PanelMode = mode_;
        std::copy(catalogue_.begin(), catalogue_.end(), StyleTable);
        std::copy(std::begin(compose_), std::end(compose_), ComposeStyleSelection);
        WorkingStyle = working_;
        StyleClipboard = clipboard_;
        StyleSelectionPage = 0;
    }
    // Runs the operations dialog with one scripted session.
    void Operate(const std::function<void(HeadlessBackend&, StyleOperation&)>& session) {
        StyleOperation dialog;
        backend_->Then([&](HeadlessBackend& d) {
            session(d, dialog);
            Press(d, dialog, kOperationOk);
        });
        EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    }
    static void Press(HeadlessBackend& d, ZAWDialog& dialog, int region) {
        const Point p = Centre(dialog.Button(region));
        d.Click(p.x, p.y);
    }
    std::string Path(const std::string& name) const { return platform::JoinPath(folder_, name); }

    AppSettingsRecord settings_{};
    int mode_ = 0;
    std::vector<MusicStyle> catalogue_;
    std::int32_t compose_[kStyleSelectionCount]{};
    MusicStyle working_{}, clipboard_{};
    std::shared_ptr<HeadlessBackend> backend_;
    std::shared_ptr<CursorNotingChooser> chooser_;
    std::shared_ptr<RecordingShellServices> shell_ = std::make_shared<RecordingShellServices>();
    std::string folder_;
};

// Copy on entry A, OK; the square of entry B, Operation, Paste, OK: B
// becomes a copy of A. The hub here opens the operations at once.
TEST_F(StyleOperationDialogTest, CopyOnOneEntryAndPasteOnAnotherCopiesIt) {
    PanelMode = kPanelModeCompose;
    std::deque<int> operations = {kOperationCopy, kOperationPaste};
    SetStyleHubRunner([&](Window* owner) {
        StyleOperation dialog(owner);
        const int region = operations.front();
        operations.pop_front();
        backend_->Then([&dialog, region](HeadlessBackend& d) {
            EXPECT_EQ(d.TopWindow()->Title(), "Style Operation");
            EXPECT_EQ(d.TopWindow()->ClientSize(), (Size{346, 144}));
            Press(d, dialog, region);
            Press(d, dialog, kOperationOk);
        });
        dialog.DoModal();
    });
    StyleSelection selection;
    backend_->Then([&](HeadlessBackend& d) {
        const Point a = Centre(selection.Button(kSelectionFirstSquare + 4));
        d.Click(a.x, a.y);
        for (int i = 0; i < 3; ++i) d.Click(300, 80);  // right arrow
        const Point b = Centre(selection.Button(kSelectionFirstSquare + 9));
        d.Click(b.x, b.y);
        const Point ok = Centre(selection.Button(kSelectionOk));
        d.Click(ok.x, ok.y);
    });
    EXPECT_EQ(selection.DoModal(), platform::kIdOk);
    EXPECT_TRUE(operations.empty());
    EXPECT_TRUE(SameRecord(StyleTable[3 * 24 + 9], StyleTable[0 * 24 + 4]));
    EXPECT_FALSE(SameRecord(StyleTable[3 * 24 + 9], catalogue_[3 * 24 + 9]));
    EXPECT_EQ(DisplayTitle(StyleTable[3 * 24 + 9]), DisplayTitle(catalogue_[4]));
}

TEST_F(StyleOperationDialogTest, SaveProposesTheTitleAndWritesTheChosenName) {
    MusicStyle style = catalogue_[2 * 24 + 3];
    SetStyleTitle(style, "My Style/2");
    SetWorkingStyle(style);
    testing_support::Chooser().QueueFile(Path("tune.MID"));
    testing_support::Chooser().QueueFile(Path("x.txt"), 2);
    testing_support::Chooser().QueueCancel();
    Operate([&](HeadlessBackend& d, StyleOperation& dialog) {
        for (int i = 0; i < 3; ++i) Press(d, dialog, kOperationSave);
        EXPECT_FALSE(d.WaitCursorShown());
    });
    const auto requests = testing_support::Chooser().FileRequests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests.back().proposedName, "My_Style_2");
    EXPECT_EQ(requests.back().filter, "Style files|*.dat|Text files|*.txt|");
    EXPECT_EQ(chooser_->waitCursor, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(testing_support::FolderNames(folder_),
              (std::vector<std::string>{"tune.MID.dat", "x.txt"}));
    EXPECT_EQ(testing_support::ReadFileText(Path("tune.MID.dat")).size(), kMusicStyleSize);
    EXPECT_EQ(testing_support::ReadFileText(Path("x.txt")).rfind("[ZAW Version]", 0), 0u);
    EXPECT_EQ(shell_->Count(RecordingShellServices::Kind::Pause), 2);
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}

// Load cancelled, given a missing file or one that is no style: the working
// style stays byte for byte, no file appears, the cursor comes back.
TEST_F(StyleOperationDialogTest, LoadCancelledOrRefusedLeavesTheStyleAlone) {
    SetWorkingStyle(catalogue_[5 * 24 + 2]);
    const MusicStyle before = WorkingStyle;
    testing_support::WriteFileText(Path("noise.dat"), std::string(5000, '\x55'));
    testing_support::Chooser().QueueCancel();
    testing_support::Chooser().QueueFile(Path("missing.dat"));
    testing_support::Chooser().QueueFile(Path("noise.dat"));
    testing_support::Chooser().QueueError(0x3003);
    Operate([&](HeadlessBackend& d, StyleOperation& dialog) {
        for (int i = 0; i < 4; ++i) Press(d, dialog, kOperationLoad);
        EXPECT_FALSE(d.WaitCursorShown());
    });
    EXPECT_EQ(chooser_->waitCursor, (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ(testing_support::FolderNames(folder_), std::vector<std::string>{"noise.dat"});
    EXPECT_EQ(shell_->Count(RecordingShellServices::Kind::Pause), 0);
    EXPECT_TRUE(SameRecord(WorkingStyle, before));
    EXPECT_EQ(testing_support::Sink().Count(), 3u);  // the two refused loads
}

TEST_F(StyleOperationDialogTest, TheRegionPressedOnButtonDownRunsOnRelease) {
    SetWorkingStyle(catalogue_[1 * 24 + 5]);
    StyleClipboard = catalogue_[0 * 24 + 1];
    Operate([&](HeadlessBackend& d, StyleOperation& dialog) {
        Window& w = dialog.GetWindow();
        // Pressed on Copy, released over Paste: Copy runs.
        w.DispatchLeftDown(Centre(dialog.Button(kOperationCopy)));
        w.DispatchLeftUp(Centre(dialog.Button(kOperationPaste)));
        EXPECT_TRUE(SameRecord(StyleClipboard, WorkingStyle));
        // Pressed off every region: nothing runs on release.
        SetWorkingStyle(catalogue_[6 * 24 + 3]);
        w.DispatchLeftDown(Point{330, 20});
        w.DispatchLeftUp(Centre(dialog.Button(kOperationPaste)));
        EXPECT_TRUE(SameRecord(WorkingStyle, catalogue_[6 * 24 + 3]));
        // The wizard always leaves "Original Style".
        Press(d, dialog, kOperationWizard);
        EXPECT_EQ(DisplayTitle(WorkingStyle), "Original Style");
        EXPECT_EQ(FieldText(WorkingStyle.description), "Orizinal style by wizard is defined.");
        const auto captions = dialog.Button(kOperationVariance).caption;
        EXPECT_EQ(captions, "Variance");
        EXPECT_EQ(dialog.Button(kOperationOk).control->Bounds(), (Rect{302, 96, 343, 138}));
    });
}

}  // namespace
