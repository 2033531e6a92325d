// "Music Style Selection" driven as a user would, headless on the fake
// clock: from the panel in compose mode (pages, toggles, OK, the count and
// zaw.ini), in convert mode (the one shared "Format Change"), OK refused with
// nothing selected, squares (slot 0 refused, a scripted hub editing an
// entry), tooltips on and off, the off-screen face and its failure, and
// seeded random sessions where OK must close exactly when something is
// selected.
#include "app/styleedit/style_selection_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <cstring>
#include <iterator>
#include <random>
#include <vector>

#include "app/shell_seams.h"
#include "app/timer_thread.h"
#include "core/style_edit_guard.h"
#include "compose/compose_control.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "tests/app/panel_fixture.h"
#include "tests/support/test_support.h"

using namespace platform::ui;

namespace {

Point Centre(const SkinButton& b) {
    return Point{(b.x1 + b.x2) / 2, (b.y1 + b.y2) / 2};
}

void Press(HeadlessBackend& d, StyleSelection& dialog, int region) {
    const Point p = Centre(dialog.Button(region));
    d.Click(p.x, p.y);
}

int Ones(const std::int32_t* table) {
    return static_cast<int>(std::count(table, table + kStyleSelectionCount, 1));
}

std::vector<std::string> Boxes() {
    return testing_support::Sink().Texts();
}

// The saved state every test here changes.
class SelectionState {
public:
    SelectionState() {
        static const bool built = (InitDefaultSettings(), BuildStyleTable(), true);
        (void)built;
        settings_ = AppSettings;
        mode_ = PanelMode.load();
        std::copy(std::begin(ComposeStyleSelection), std::end(ComposeStyleSelection), compose_);
        std::copy(std::begin(ConvertStyleSelection), std::end(ConvertStyleSelection), convert_);
        catalogue_.assign(StyleTable, StyleTable + kStyleEntries);
        working_ = WorkingStyle;
        StyleSelectionPage = 0;
        testing_support::Sink().Clear();
    }
    ~SelectionState() {
        SetStyleHubRunner(nullptr);
        AppSettings = settings_;
        PanelMode = mode_;
        std::copy(std::begin(compose_), std::end(compose_), ComposeStyleSelection);
        std::copy(std::begin(convert_), std::end(convert_), ConvertStyleSelection);
        std::copy(catalogue_.begin(), catalogue_.end(), StyleTable);
        WorkingStyle = working_;
        StyleSelectionPage = 0;
    }

private:
    AppSettingsRecord settings_{};
    int mode_ = 0;
    std::int32_t compose_[kStyleSelectionCount]{};
    std::int32_t convert_[kStyleSelectionCount]{};
    std::vector<MusicStyle> catalogue_;
    MusicStyle working_{};
};

class StyleSelectionDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        ResetSkinBlitFailure();
    }
    void TearDown() override { InstallBackend(nullptr); }

    SelectionState state_;
    std::shared_ptr<HeadlessBackend> backend_;
};

StyleSelection& Top(HeadlessBackend& d) {
    return *static_cast<StyleSelection*>(d.TopWindow()->Handler());
}

class StyleSelectionPanelTest : public PanelFixture {
protected:
    SelectionState state_;
};

// From the panel: right twice and left three times reach page 8; three
// buttons selected on two pages (one more toggled on and off); OK shows the
// count, and quitting saves the compose table.
TEST_F(StyleSelectionPanelTest, ComposeSelectionsAcrossPagesAreCountedAndSaved) {
    StartFixture(nullptr, nullptr);
    bool shown = false;
    ASSERT_TRUE(RunApplication([&](HeadlessBackend& d, MainDlg&) {
        ClearStyleSelections();
        d.Then([&](HeadlessBackend& s) {
            shown = true;
            Window& w = *s.TopWindow();
            EXPECT_EQ(w.Title(), "Music Style Selection");
            EXPECT_EQ(w.ClientSize(), (Size{644, 464}));
            StyleSelection& dialog = Top(s);
            EXPECT_EQ(dialog.Button(kSelectionCategoryBar).caption, "Pops(World)");
            for (int region : {kSelectionRightArrow, kSelectionRightArrow, kSelectionLeftArrow,
                               kSelectionLeftArrow, kSelectionLeftArrow})
                Press(s, dialog, region);
            EXPECT_EQ(StyleSelectionPage, 8);
            EXPECT_EQ(dialog.Button(kSelectionCategoryBar).caption, "Techno");
            EXPECT_EQ(dialog.Button(1).caption, "Random Techno");
            Press(s, dialog, 3);
            Press(s, dialog, 5);
            Press(s, dialog, kSelectionLeftArrow);
            Press(s, dialog, 2);
            Press(s, dialog, 4);
            Press(s, dialog, 4);  // a selected button deselects
            EXPECT_EQ(dialog.Button(2).state, 1);
            EXPECT_EQ(dialog.Button(4).state, 0);
            Press(s, dialog, kSelectionOk);
        });
        d.Click(40, 130);  // Style
        EXPECT_TRUE(shown);
        EXPECT_EQ(StatusText.Get(), "3 styles are selected.");
        EXPECT_EQ(SelectedStyleCount, 3);
        d.Click(40, 175);  // Power
    }));
    const std::string ini = testing_support::ReadFileText(platform::JoinPath(folder_, "zaw.ini"));
    ASSERT_EQ(ini.size(), kSettingsFileSize);
    std::int32_t compose[kStyleSelectionCount];
    std::memcpy(compose, ini.data() + sizeof(AppSettingsRecord) + sizeof ConvertStyleSelection,
                sizeof compose);
    EXPECT_EQ(Ones(compose), 3);
    EXPECT_EQ(compose[8 * 24 + 2], 1);
    EXPECT_EQ(compose[8 * 24 + 4], 1);
    EXPECT_EQ(compose[7 * 24 + 1], 1);
    EXPECT_EQ(StyleSelectionPage, 7);  // kept for the next opening
}

// Time that moves for the timer thread only when the test lets one poll
// through; the UI thread's waits take no time at all.
class SteppedClock : public platform::FakeClock {
public:
    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                   platform::Nanoseconds deadline) override {
        cv.wait_for(lock, std::chrono::milliseconds(1));
        if (std::this_thread::get_id() == ui_) return false;
        if (deadline != lastDeadline_.load()) {
            lastDeadline_ = deadline;
            ++rounds_;  // the poll before this wait is done
        }
        int p = permits_.load();
        while (p > 0 && !permits_.compare_exchange_weak(p, p - 1)) {
        }
        if (p <= 0) return false;
        SleepUntil(deadline);
        return true;
    }
    // Lets n polls run and waits until the thread waits again after them.
    bool Polls(int n) {
        const int target = rounds_.load() + n;
        permits_ += n;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (rounds_.load() < target && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        return rounds_.load() >= target;
    }
    bool Waiting() const { return rounds_.load() > 0; }

private:
    std::thread::id ui_ = std::this_thread::get_id();
    std::atomic<int> permits_{0};
    std::atomic<int> rounds_{0};
    std::atomic<platform::Nanoseconds> lastDeadline_{platform::Nanoseconds{-1}};
};

// The timer's start falls due while the selection is open and its hub edits
// an entry: nothing starts (a run would replace WorkingStyle under the
// edit); the first poll after OK, still in the start minute, starts it, and
// the entry keeps its edits.
TEST_F(StyleSelectionPanelTest, ATimerStartWaitsForTheSelectionAndTheEditSurvives) {
    auto clock = std::make_shared<SteppedClock>();
    auto previous = platform::SetClock(clock);
    // 28 December 2026, 08:59:58: a date no other timer test uses, since the
    // timer remembers the minute it last started in.
    clock->SetWallSeconds(1796774400 + 19 * 86400 + 8 * 3600 + 59 * 60 + 58);
    struct Start {
        int second;
        bool held;
    };
    std::mutex mutex;
    std::vector<Start> starts;
    SetTimerRunActions({[&] {
                            const std::tm t = platform::GetClock()->LocalTime();
                            std::lock_guard<std::mutex> lock(mutex);
                            starts.push_back({t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec,
                                              StyleEditHeld()});
                            // As the worker does for each tune.
                            MusicStyle other;
                            GetStyleEntry(0, 8, other);
                            SetWorkingStyle(other);
                            return true;
                        },
                        {}});
    StartFixture(nullptr, StopTimerThread);
    auto startCount = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        return starts.size();
    };
    SetStyleHubRunner([&](Window*) {
        SetStyleTitle(WorkingStyle, "Edited");
        WorkingStyle.tempo = 444000;
        EXPECT_TRUE(clock->Polls(4));  // 09:00:00 .. 09:00:03 pass meanwhile
        EXPECT_EQ(startCount(), 0u);
    });
    ASSERT_TRUE(RunApplication([&](HeadlessBackend& d, MainDlg&) {
        SetTimerStartTime(9, 0);
        SetTimerStopTime(9, 30);
        SetTimerEnabled(1);
        ClearStyleSelections();
        StartTimerThread();
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!clock->Waiting() && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        EXPECT_TRUE(clock->Polls(1));  // 08:59:59
        d.Then([&](HeadlessBackend& s) {
            StyleSelection& dialog = Top(s);
            Press(s, dialog, kSelectionFirstSquare + 9);
            EXPECT_EQ(dialog.Button(10).caption, "Edited");
            EXPECT_TRUE(clock->Polls(1));
            EXPECT_EQ(startCount(), 0u);
            Press(s, dialog, kSelectionOk);
        });
        d.Click(40, 130);  // Style
        EXPECT_EQ(StatusText.Get(), "1 styles are selected.");
        EXPECT_TRUE(clock->Polls(1));
        d.Click(40, 175);  // Power
    }));
    platform::SetClock(previous);
    SetTimerRunActions({});
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].second, 9 * 3600 + 5);  // the first poll after OK
    EXPECT_FALSE(starts[0].held);
    EXPECT_EQ(DisplayTitle(StyleTable[9]), "Edited");
    EXPECT_EQ(StyleTable[9].tempo, 444000);
    EXPECT_FALSE(TimerThreadRunning());
}

TEST_F(StyleSelectionDialogTest, ConvertModeKeepsOneChoiceAndFormatChangeIsShared) {
    PanelMode = kPanelModeConvert;
    ClearConvertStyleSelection();
    StyleSelection dialog;
    backend_->Then([&](HeadlessBackend& d) {
        EXPECT_EQ(dialog.Button(1).caption, "Format Change");
        for (int i = 0; i < 4; ++i) Press(d, dialog, kSelectionRightArrow);
        Press(d, dialog, 1);
        EXPECT_EQ(ConvertStyleSelection[0], 1);
        for (int i = 0; i < 3; ++i) {
            Press(d, dialog, kSelectionRightArrow);
            EXPECT_EQ(dialog.Button(1).state, 1) << "page " << StyleSelectionPage;
            EXPECT_EQ(dialog.Button(1).caption, "Format Change");
        }
        EXPECT_EQ(StyleSelectionPage, 7);
        Press(d, dialog, 6);
        for (int page = 0; page < kStylePageCount; ++page) {
            Press(d, dialog, kSelectionRightArrow);
            EXPECT_EQ(dialog.Button(1).state, 0) << "page " << StyleSelectionPage;
        }
        EXPECT_EQ(Ones(ConvertStyleSelection), 1);
        EXPECT_EQ(ConvertStyleSelection[7 * 24 + 5], 1);
        Press(d, dialog, kSelectionOk);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_EQ(SelectedStyleCount, 1);
    EXPECT_TRUE(Boxes().empty());
}

// Nothing selected: OK and Enter show the box and the dialog stays; Esc only
// beeps. The square of slot 0 is refused and keeps the slot selected.
TEST_F(StyleSelectionDialogTest, OkRefusesAnEmptySelectionAndSlotZeroCannotBeEdited) {
    PanelMode = kPanelModeCompose;
    ClearStyleSelections();
    int hubs = 0;
    SetStyleHubRunner([&hubs](Window*) { ++hubs; });
    StyleSelection dialog;
    backend_->Then([&](HeadlessBackend& d) {
        Press(d, dialog, kSelectionOk);
        d.Key(Key::Enter);
        const int beeps = d.Beeps();
        d.Key(Key::Esc);
        EXPECT_EQ(d.Beeps(), beeps + 1);
        EXPECT_TRUE(dialog.GetWindow().IsModal());
        EXPECT_EQ(Boxes(), (std::vector<std::string>(2, "ZAWCFF010046 no styles are selected!")));
        testing_support::Sink().Clear();
        Press(d, dialog, 3);
        Press(d, dialog, kSelectionFirstSquare);  // square of slot 0
        EXPECT_EQ(Boxes(), std::vector<std::string>{"ZAWCFF01011D Can't edit this style!"});
        EXPECT_EQ(hubs, 0);
        EXPECT_EQ(dialog.Button(1).state, 1);
        Press(d, dialog, 3);
        Press(d, dialog, 1);  // slot 0 deselects as a button
        Press(d, dialog, kSelectionFirstSquare + 2);  // and a square selects
        EXPECT_EQ(hubs, 1);
        EXPECT_EQ(dialog.Button(3).state, 1);
        Press(d, dialog, kSelectionFirstSquare + 2);
        EXPECT_EQ(dialog.Button(3).state, 1);  // never deselects
        // The refused OKs left the run going: the next step runs in it.
        d.Then([&](HeadlessBackend& again) { Press(again, dialog, kSelectionOk); });
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_EQ(backend_->PendingSteps(), 0u);
    EXPECT_EQ(Ones(ComposeStyleSelection), 1);
}

// A hub that renames an entry, changes its tempo and its description: the
// button shows the new title at once and the tooltip the new description,
// also after a page turn and after reopening.
TEST_F(StyleSelectionDialogTest, AnEditedEntryShowsItsTitleAndDescriptionAtOnce) {
    PanelMode = kPanelModeCompose;
    AppSettings.PopupGuide = 1;
    StyleSelectionPage = 2;
    const MusicStyle before = StyleTable[2 * 24 + 6];
    Window* ownerSeen = nullptr;
    SetStyleHubRunner([&ownerSeen](Window* owner) {
        ownerSeen = owner;
        EXPECT_EQ(DisplayTitle(WorkingStyle), DisplayTitle(StyleTable[2 * 24 + 6]));
        SetStyleTitle(WorkingStyle, "Late Night");
        SetFieldText(WorkingStyle.description, "Slow and blue.");
        WorkingStyle.tempo = 750000;
    });
    Window panel;
    StyleSelection dialog;
    dialog.owner = &panel;
    backend_->Then([&](HeadlessBackend& d) {
        EXPECT_FALSE(dialog.TooltipsMade());
        dialog.GetWindow().DispatchMouseMove(Point{300, 20});
        ASSERT_TRUE(dialog.TooltipsMade());
        EXPECT_EQ(dialog.Button(7).control->Tooltip(), FieldText(before.description));
        Press(d, dialog, kSelectionFirstSquare + 6);
        EXPECT_EQ(ownerSeen, &panel);
        EXPECT_EQ(dialog.Button(7).caption, "Late Night");
        EXPECT_EQ(dialog.Button(7).control->Tooltip(), "Slow and blue.");
        EXPECT_EQ(dialog.Button(7).state, 1);
        Press(d, dialog, kSelectionRightArrow);
        EXPECT_NE(dialog.Button(7).control->Tooltip(), "Slow and blue.");
        Press(d, dialog, kSelectionLeftArrow);
        EXPECT_EQ(dialog.Button(7).control->Tooltip(), "Slow and blue.");
        Press(d, dialog, kSelectionOk);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_EQ(StyleTable[2 * 24 + 6].tempo, 750000);
    EXPECT_EQ(ComposeStyleSelection[2 * 24 + 6], 1);

    StyleSelection again;
    backend_->Then([&](HeadlessBackend& d) {
        EXPECT_EQ(again.Button(7).caption, "Late Night");
        again.GetWindow().DispatchMouseMove(Point{5, 5});
        EXPECT_EQ(again.Button(7).control->Tooltip(), "Slow and blue.");
        Press(d, again, kSelectionOk);
    });
    EXPECT_EQ(again.DoModal(), platform::kIdOk);
}

TEST_F(StyleSelectionDialogTest, WithTooltipsOffNoToolIsEverMade) {
    PanelMode = kPanelModeCompose;
    AppSettings.PopupGuide = 0;
    SetStyleHubRunner([](Window*) { SetFieldText(WorkingStyle.description, "Changed."); });
    StyleSelection dialog;
    backend_->Then([&](HeadlessBackend& d) {
        for (int i = 0; i < 5; ++i) dialog.GetWindow().DispatchMouseMove(Point{100 + i, 200});
        Press(d, dialog, kSelectionRightArrow);
        Press(d, dialog, kSelectionFirstSquare + 4);
        EXPECT_FALSE(dialog.TooltipsMade());
        for (const auto& control : dialog.GetWindow().Controls())
            EXPECT_EQ(control->Tooltip(), "");
        Press(d, dialog, kSelectionOk);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
}

// The face: selected buttons cover their squares, captions in the colours of
// their state shifted right by 8 (OK not), the category in its own pair; the
// window gets it in one transfer of the whole client.
TEST_F(StyleSelectionDialogTest, TheFaceIsDrawnOffScreenAndShownInOneTransfer) {
    PanelMode = kPanelModeCompose;
    ClearStyleSelections();
    ComposeStyleSelection[1] = 1;
    StyleSelection dialog;
    dialog.OnInitDialog();
    RasterCanvas canvas(644, 464);
    dialog.Render(canvas);
    auto text = [&canvas](const std::string& t) {
        std::vector<CanvasOp> found;
        for (const CanvasOp& op : canvas.Ops())
            if (op.kind == CanvasOp::Kind::Text && op.text == t) found.push_back(op);
        return found;
    };
    const auto ok = text("OK");
    ASSERT_EQ(ok.size(), 2u);
    EXPECT_EQ(ok[0].rect, (Rect{476, 394, 621, 431}));
    EXPECT_EQ(ok[0].colour, kNormalCaption.shadow);
    const auto selected = text(dialog.Button(2).caption);
    ASSERT_EQ(selected.size(), 2u);
    // Right of the square (x 185..213), inside the button's right edge (x 319).
    EXPECT_EQ(selected[1].rect, (Rect{177 + 37 + 4, 115, 320 - 4, 156}));
    EXPECT_EQ(selected[0].colour, kSelectedCaption.shadow);
    EXPECT_EQ(selected[1].colour, kSelectedCaption.face);
    const auto category = text("Pops(World)");
    ASSERT_EQ(category.size(), 2u);
    EXPECT_EQ(category[0].colour, kCategoryShadow);
    EXPECT_EQ(category[1].colour, kCategoryFace);
    const Image& raster = canvas.Raster();
    EXPECT_EQ(raster.Pixel(190, 135), SkinImage(SkinId::StyleButtonPressed).Pixel(13, 20));
    EXPECT_EQ(raster.Pixel(40, 130), SkinImage(SkinId::StyleSquare).Pixel(6, 7));

    dialog.GetWindow().Show();
    const Image& shown = backend_->Snapshot(dialog.GetWindow());
    EXPECT_EQ(shown, raster);
    const CanvasOp& last = backend_->Ops(dialog.GetWindow()).back();
    EXPECT_EQ(last.kind, CanvasOp::Kind::Blit);
    EXPECT_EQ(last.rect, (Rect{0, 0, 644, 464}));
}

// A display that cannot draw off the screen: one box for the run, the paint
// skipped, the dialog still working.
TEST_F(StyleSelectionDialogTest, NoOffScreenImageReportsOnceAndStaysUsable) {
    struct NoOffscreen : HeadlessBackend {
        std::unique_ptr<OffscreenCanvas> CreateOffscreen(Size) override { return nullptr; }
    };
    auto backend = std::make_shared<NoOffscreen>();
    InstallBackend(backend);
    PanelMode = kPanelModeCompose;
    ClearStyleSelections();
    StyleSelection dialog;
    backend->Then([&](HeadlessBackend& d) {
        dialog.GetWindow().Invalidate();
        d.Pump();
        Press(d, dialog, 9);
        d.Pump();
        EXPECT_EQ(Boxes(), std::vector<std::string>{"ZAWCFF010136 Error occuered in Display Device!"});
        EXPECT_EQ(ComposeStyleSelection[8], 1);
        Press(d, dialog, kSelectionOk);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
}

// Seeded random sessions in both modes: arrows, buttons, squares (a hub
// that sometimes edits) and OK; OK closes exactly when the mode's table
// holds a selection, and the convert table never holds two.
TEST_F(StyleSelectionDialogTest, RandomSessionsCloseExactlyWhenSomethingIsSelected) {
    std::mt19937 random(77);
    SetStyleHubRunner([&random](Window*) {
        if (random() % 2) WorkingStyle.tempo = 400000 + static_cast<int>(random() % 1000);
    });
    int closed = 0, refused = 0;
    for (int session = 0; session < 12; ++session) {
        PanelMode = session % 2 ? kPanelModeConvert : kPanelModeCompose;
        ClearStyleSelections();
        StyleSelection dialog;
        bool ended = false;
        backend_->Then([&](HeadlessBackend& d) {
            for (int step = 0; step < 400 && !ended; ++step) {
                const int pick = static_cast<int>(random() % 20);
                int region = 1 + static_cast<int>(random() % 48);
                if (pick == 0 || step == 0) region = kSelectionOk;
                if (pick == 1) region = kSelectionLeftArrow;
                if (pick == 2) region = kSelectionRightArrow;
                if (pick > 12) region = 1 + static_cast<int>(random() % 24);
                const int count = CountSelectedStyles();
                const std::size_t boxes = testing_support::Sink().Count();
                Press(d, dialog, region);
                ASSERT_LE(Ones(ConvertStyleSelection), 1);
                if (region == kSelectionOk) {
                    // Refused with its box, or the run ends here.
                    EXPECT_EQ(testing_support::Sink().Count(), boxes + (count == 0 ? 1 : 0));
                    ended = count > 0;
                    count == 0 ? ++refused : ++closed;
                }
            }
            if (!ended) {
                Press(d, dialog, 7);
                if (CountSelectedStyles() == 0) Press(d, dialog, 7);
                Press(d, dialog, kSelectionOk);
            }
        });
        EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    }
    EXPECT_GT(closed, 0);
    EXPECT_GT(refused, 0);
}

}  // namespace
