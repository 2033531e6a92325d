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

#include "app/style_editor_seams.h"
#include "app/styleedit/option_selection_dialog.h"
#include "app/styleedit/style_selection_dialog.h"
#include "compose/conversion_material.h"
#include "compose/tune_structure.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "platform/paths.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/style_file.h"
#include "style/style_table.h"
#include "style/voice_names.h"
#include "styleedit/style_operations.h"
#include "tests/support/scripted_role_dialog.h"
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

// The name the hub shows for a part of the style.
std::string PartNameOf(const MusicStyle& style, int kind) {
    std::string text;
    GetPartInstrumentName(style, kind, text);
    return text;
}

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
        const int region = operations.front();
        operations.pop_front();
        backend_->Then([region](HeadlessBackend& d) {
            EXPECT_EQ(d.TopWindow()->Title(), "Style Operation");
            EXPECT_EQ(d.TopWindow()->ClientSize(), (Size{346, 144}));
            auto& dialog = *static_cast<StyleOperation*>(d.TopWindow()->Handler());
            Press(d, dialog, region);
            Press(d, dialog, kOperationOk);
        });
        RunStyleOperation(owner);  // as the hub opens it
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

// The whole road through the real dialogs: the square of "Acoustic" opens
// the hub as "Music Style Definition"; its Operation opens the operations,
// whose Paste replaces the style; back in the hub every part's name is the
// pasted style's, and OK twice stores it in the entry.
TEST_F(StyleOperationDialogTest, TheHubsOperationPastesIntoTheSelectedEntry) {
    PanelMode = kPanelModeCompose;
    const int acoustic = 1;
    const int other = 3 * 24 + 9;
    ASSERT_EQ(DisplayTitle(StyleTable[acoustic]), "Acoustic");
    StyleClipboard = StyleTable[other];
    StyleSelection selection;
    backend_->Then([&](HeadlessBackend& d) {
        d.Then([&](HeadlessBackend& h) {
            EXPECT_EQ(h.TopWindow()->Title(), "Music Style Definition");
            auto& hub = *static_cast<OptionSelection*>(h.TopWindow()->Handler());
            EXPECT_EQ(hub.PartName(1), PartNameOf(StyleTable[acoustic], 1));
            h.Then([&](HeadlessBackend& o) {
                EXPECT_EQ(o.TopWindow()->Title(), "Style Operation");
                auto& operation = *static_cast<StyleOperation*>(o.TopWindow()->Handler());
                Press(o, operation, kOperationPaste);
                Press(o, operation, kOperationOk);
            });
            Press(h, hub, kHubOperation);
            for (int part = 1; part <= 8; ++part)
                EXPECT_EQ(hub.PartName(part), PartNameOf(StyleTable[other], part)) << part;
            Press(h, hub, kHubOk);
        });
        Press(d, selection, kSelectionFirstSquare + acoustic);
        Press(d, selection, kSelectionOk);
    });
    EXPECT_EQ(selection.DoModal(), platform::kIdOk);
    EXPECT_TRUE(SameRecord(StyleTable[acoustic], StyleTable[other]));
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
    // One box for each refused load: the missing file and the noise.
    EXPECT_EQ(testing_support::Sink().Count(), 2u);
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
        // The wizard always leaves "Original Style". Its three pages are
        // passed with Enter.
        d.Then([](HeadlessBackend& p1) {
            p1.Then([](HeadlessBackend& p2) {
                p2.Then([](HeadlessBackend& p3) { p3.Key(Key::Enter); });
                p2.Key(Key::Enter);
            });
            p1.Key(Key::Enter);
        });
        Press(d, dialog, kOperationWizard);
        EXPECT_EQ(d.ModalStarvations(), 0);
        EXPECT_EQ(DisplayTitle(WorkingStyle), "Original Style");
        EXPECT_EQ(FieldText(WorkingStyle.description), "Orizinal style by wizard is defined.");
        const auto captions = dialog.Button(kOperationVariance).caption;
        EXPECT_EQ(captions, "Variance");
        EXPECT_EQ(dialog.Button(kOperationOk).control->Bounds(), (Rect{302, 96, 343, 138}));
    });
}

// Mix right after start-up mixes with "Acoustic": every byte of the result
// outside the names is the working style's or Acoustic's, and some changed.
TEST_F(StyleOperationDialogTest, MixRightAfterStartUpTakesEveryChangedByteFromAcoustic) {
    ASSERT_EQ(DisplayTitle(StyleClipboard), "Acoustic");
    const MusicStyle acoustic = StyleClipboard;
    SetWorkingStyle(catalogue_[3 * 24 + 2]);
    const MusicStyle start = WorkingStyle;
    std::vector<MusicStyle> mixed;
    Operate([&](HeadlessBackend& d, StyleOperation& dialog) {
        for (int i = 0; i < 6; ++i) {
            SetWorkingStyle(start);
            Press(d, dialog, kOperationMix);
            mixed.push_back(WorkingStyle);
        }
    });
    auto named = [](std::size_t at) {
        return (at >= 372 && at < 396) || (at >= 400 && at < 421) || (at >= 440 && at < 696);
    };
    const auto* a = reinterpret_cast<const unsigned char*>(&acoustic);
    const auto* w = reinterpret_cast<const unsigned char*>(&start);
    int changed = 0;
    for (const MusicStyle& m : mixed) {
        EXPECT_EQ(DisplayTitle(m), "Mixed Style");
        EXPECT_EQ(FieldText(m.description), "No music style is defined.");
        const auto* r = reinterpret_cast<const unsigned char*>(&m);
        for (std::size_t at = 0; at < sizeof m; ++at) {
            if (named(at) || r[at] == w[at]) continue;
            ++changed;
            ASSERT_EQ(r[at], a[at]) << "byte " << at;
        }
    }
    EXPECT_GT(changed, 0);
    EXPECT_TRUE(SameRecord(StyleClipboard, acoustic));
}

// Common, Variance and Extract cancelled or given a bad file, and Extract
// while a conversion holds the tune structure: the working style stays byte
// for byte and no file appears.
TEST_F(StyleOperationDialogTest, CompoundsAndExtractCancelledOrRefusedLeaveTheStyleAlone) {
    ResetMidiChoice();
    auto roles = std::make_shared<testing_support::ScriptedRoleDialog>();
    SetChannelRoleDialog(roles);
    SetWorkingStyle(catalogue_[4 * 24 + 3]);
    const MusicStyle before = WorkingStyle;
    testing_support::WriteFileText(Path("bad.dat"), std::string(300, 'x'));
    testing_support::WriteFileText(Path("bad.mid"), "not a file");
    ASSERT_EQ(SaveStyleFile(catalogue_[0 * 24 + 5], Path("good.dat")), 0);
    const std::string song = testing_support::ReadFileText(
        std::string(ZAW_RES_DIR) + "/../fuzz/corpus/style_extract/four-parts-480");
    testing_support::WriteFileText(Path("song.mid"), song);
    auto& chooser = testing_support::Chooser();
    chooser.QueueCancel();  // Common
    chooser.QueueFile(Path("good.dat"));
    chooser.QueueFile(Path("bad.dat"));  // Common, second file refused
    chooser.QueueCancel();  // Variance
    chooser.QueueFile(Path("bad.dat"));  // Variance, first file refused
    chooser.QueueCancel();  // Extract
    chooser.QueueFile(Path("bad.mid"));  // Extract, no MIDI file
    chooser.QueueFile(Path("song.mid"));  // Extract while a structure is held
    CurrentTuneStructure = std::make_unique<TuneStructure>();
    TuneStructure* held = CurrentTuneStructure.get();
    const std::vector<std::string> files = testing_support::FolderNames(folder_);
    Operate([&](HeadlessBackend& d, StyleOperation& dialog) {
        for (int region : {kOperationCommon, kOperationCommon, kOperationVariance,
                           kOperationVariance}) {
            Press(d, dialog, region);
            EXPECT_TRUE(SameRecord(WorkingStyle, before));
        }
        CurrentTuneStructure.reset();
        Press(d, dialog, kOperationExtract);
        Press(d, dialog, kOperationExtract);
        EXPECT_TRUE(SameRecord(WorkingStyle, before));
        CurrentTuneStructure = std::make_unique<TuneStructure>();
        held = CurrentTuneStructure.get();
        testing_support::Sink().Clear();
        Press(d, dialog, kOperationExtract);
        EXPECT_EQ(testing_support::Sink().Texts(),
                  std::vector<std::string>{"ZAWCFF0101A7 Error occuerd in tune structure!"});
        EXPECT_EQ(CurrentTuneStructure.get(), held);
        EXPECT_TRUE(SameRecord(WorkingStyle, before));
        EXPECT_FALSE(d.WaitCursorShown());
    });
    CurrentTuneStructure.reset();
    EXPECT_EQ(roles->runs, 0);
    EXPECT_EQ(testing_support::FolderNames(folder_), files);
    const auto requests = chooser.FileRequests();
    ASSERT_GE(requests.size(), 3u);
    const auto& last = requests.back();
    EXPECT_EQ(last.filter, "midi files|*.mid|");
    EXPECT_EQ(last.defaultExtension, "mid");
    EXPECT_EQ(last.proposedName, Path("bad.mid"));  // the last choice of the run
    EXPECT_EQ(last.initialFolder, folder_);
    EXPECT_EQ(chooser_->waitCursor.back(), true);
    SetChannelRoleDialog(nullptr);
}

// A style extracted from a MIDI file is named only when it came out.
TEST_F(StyleOperationDialogTest, ExtractNamesTheStyleItTookFromTheFile) {
    ResetMidiChoice();
    auto roles = std::make_shared<testing_support::ScriptedRoleDialog>();
    SetChannelRoleDialog(roles);
    SetWorkingStyle(catalogue_[1 * 24 + 1]);
    const std::string song = testing_support::ReadFileText(
        std::string(ZAW_RES_DIR) + "/../fuzz/corpus/style_extract/four-parts-480");
    ASSERT_FALSE(song.empty());
    testing_support::WriteFileText(Path("song.mid"), song);
    testing_support::Chooser().QueueFile(Path("song.mid"));
    testing_support::Chooser().QueueFile(Path("song.mid"));
    Operate([&](HeadlessBackend& d, StyleOperation& dialog) {
        Press(d, dialog, kOperationExtract);
        EXPECT_EQ(DisplayTitle(WorkingStyle), "Extracted Style");
        EXPECT_EQ(FieldText(WorkingStyle.description),
                  "Extracted style from external midi file is defined.");
        // Cancelled in the channel roles: nothing changes, not even the name.
        SetWorkingStyle(catalogue_[1 * 24 + 1]);
        const MusicStyle before = WorkingStyle;
        roles->ok = false;
        Press(d, dialog, kOperationExtract);
        EXPECT_TRUE(SameRecord(WorkingStyle, before));
    });
    EXPECT_EQ(roles->runs, 2);
    EXPECT_EQ(CurrentTuneStructure, nullptr);
    SetChannelRoleDialog(nullptr);
}

}  // namespace
