// "Timer Set" and its number box driven as a user would: the first captions
// and the captions and local time of a paint, the on/off switch, times set
// through the box (typed, stepped, out of range), Esc only beeping; then the
// whole program: the timer set from the panel starts and ends a run at the
// set minutes and its fields are saved.
#include "app/timer_dialog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app/main_dlg.h"
#include "app/number_box.h"
#include "app/shell_seams.h"
#include "app/timer_thread.h"
#include "compose/compose_control.h"
#include "core/settings.h"
#include "platform/paths.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "tests/support/test_support.h"

using namespace platform::ui;

namespace {

// Wall seconds of 9 December 2026 at this time of day (the fake clock's
// local time is UTC).
std::int64_t At(int hour, int minute, int second) {
    return 1796774400 + hour * 3600 + minute * 60 + second;
}

Point Centre(const SkinButton& b) {
    return Point{(b.x1 + b.x2) / 2, (b.y1 + b.y2) / 2};
}

// The text operations of a window's last paint that drew this text.
std::vector<CanvasOp> TextOps(HeadlessBackend& d, Window& window, const std::string& text) {
    std::vector<CanvasOp> found;
    for (const CanvasOp& op : d.Ops(window))
        if (op.kind == CanvasOp::Kind::Text && op.text == text) found.push_back(op);
    return found;
}

class TimerDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = AppSettings;
        backend_ = std::make_shared<HeadlessBackend>();
        InstallBackend(backend_);
        ResetSkinBlitFailure();
        testing_support::Sink().Clear();
    }
    void TearDown() override {
        InstallBackend(nullptr);
        AppSettings = saved_;
    }
    // Answers the number box on top: types the hour and the minute and
    // releases OK.
    static void AnswerTime(HeadlessBackend& d, const std::string& hour, const std::string& minute) {
        d.Type(kNumberBoxMainEdit, hour);
        d.Type(kNumberBoxSecondEdit, minute);
        d.Click(322, 117);
    }

    std::shared_ptr<HeadlessBackend> backend_;
    AppSettingsRecord saved_;
};

TEST_F(TimerDialogTest, CaptionsSwitchTimesAndOk) {
    AppSettings.TimerEnabled = 0;
    AppSettings.TimerStartHour = 25;  // from a damaged file
    AppSettings.TimerStartMinute = 61;
    AppSettings.TimerStopHour = 7;
    AppSettings.TimerStopMinute = 5;
    testing_support::Clock().SetWallSeconds(At(8, 4, 59));

    ZaTime dialog;
    dialog.OnInitDialog();
    const char* first[] = {"OK", "停止中", "開始時間 00:00", "停止時間 00:00"};
    const Rect places[] = {
        {302, 96, 343, 138}, {160, 87, 306, 127}, {12, 35, 157, 76}, {161, 36, 306, 77}};
    for (int i = 0; i < kTimerButtonCount; ++i) {
        EXPECT_EQ(dialog.Button(i).caption, first[i]);
        EXPECT_EQ(dialog.Button(i).control->Bounds(), places[i]);
    }
    EXPECT_EQ(dialog.PaintedCount(), 4);

    Window& w = dialog.GetWindow();
    backend_->Then([&](HeadlessBackend& d) {
        EXPECT_EQ(w.Title(), "Timer Set");
        EXPECT_EQ(w.ClientSize(), (Size{346, 144}));
        // The first paint: times held to their ranges, the switch off, and
        // the local time in its own colour at the left of its strip.
        EXPECT_EQ(TextOps(d, w, "Start 23:59").size(), 2u);  // shadow and face
        EXPECT_EQ(dialog.Button(1).caption, "Off");
        EXPECT_EQ(dialog.Button(2).caption, "Start 23:59");
        EXPECT_EQ(dialog.Button(3).caption, "Stop 07:05");
        EXPECT_EQ(AppSettings.TimerStartHour * 100 + AppSettings.TimerStartMinute, 2359);
        auto current = TextOps(d, w, "Current 08:04");
        ASSERT_EQ(current.size(), 1u);
        EXPECT_EQ(current[0].colour, (Rgb{40, 80, 20}));
        EXPECT_EQ(current[0].rect, (Rect{20, 100, 170, 120}));
        EXPECT_EQ(current[0].layout, TextLayout::LeftCentred);
        EXPECT_FALSE(current[0].opaque);

        // The switch toggles; the repaint shows it and the new local time.
        testing_support::Clock().SetWallSeconds(At(8, 5, 0));
        const Point toggle = Centre(dialog.Button(1));
        d.Click(toggle.x, toggle.y);
        EXPECT_EQ(AppSettings.TimerEnabled, 1);
        EXPECT_EQ(TextOps(d, w, "On").size(), 2u);
        EXPECT_EQ(TextOps(d, w, "Current 08:05").size(), 1u);
        d.Click(toggle.x, toggle.y);
        EXPECT_EQ(AppSettings.TimerEnabled, 0);
        EXPECT_EQ(TextOps(d, w, "Off").size(), 2u);

        // Esc and the close box only beep; a release off the buttons does nothing.
        const int beeps = d.Beeps();
        d.Key(Key::Esc);
        d.Close();
        d.Click(5, 5);
        EXPECT_EQ(d.Beeps(), beeps + 2);
        EXPECT_TRUE(w.IsModal());

        // Start: the box is preset with the (clamped) start time; its answer
        // is stored and switches the timer on.
        d.Then([](HeadlessBackend& box) {
            Window* top = box.TopWindow();
            ASSERT_NE(top, nullptr);
            EXPECT_EQ(top->Title(), "Time Setting");
            EXPECT_EQ(top->FindControl(kNumberBoxMainEdit)->Text(), "23");
            EXPECT_EQ(top->FindControl(kNumberBoxSecondEdit)->Text(), "59");
            AnswerTime(box, "9", "30");
        });
        const Point start = Centre(dialog.Button(2));
        d.Click(start.x, start.y);
        EXPECT_EQ(TextOps(d, w, "Start 09:30").size(), 2u);
        EXPECT_EQ(AppSettings.TimerEnabled, 1);
        EXPECT_EQ(AppSettings.TimerStartHour * 100 + AppSettings.TimerStartMinute, 930);

        // Stop: Esc in the box only beeps; the arrows and typed text outside
        // the range stay inside it.
        AppSettings.TimerEnabled = 0;
        d.Then([](HeadlessBackend& box) {
            const int boxBeeps = box.Beeps();
            box.Key(Key::Esc);
            EXPECT_EQ(box.Beeps(), boxBeeps + 1);
            EXPECT_EQ(box.TopWindow()->Title(), "Time Setting");
            box.Step(kNumberBoxMainSpin, -1);  // 7 -> 6
            box.Step(kNumberBoxSecondSpin, 100);
            EXPECT_EQ(box.TopWindow()->FindControl(kNumberBoxSecondEdit)->Text(), "59");
            box.Type(kNumberBoxSecondEdit, "75");
            box.Key(Key::Enter);  // the default OK reads the values too
        });
        const Point stop = Centre(dialog.Button(3));
        d.Click(stop.x, stop.y);
        EXPECT_EQ(TextOps(d, w, "Stop 06:59").size(), 2u);
        EXPECT_EQ(AppSettings.TimerEnabled, 1);

        const Point ok = Centre(dialog.Button(0));
        d.Click(ok.x, ok.y);
    });
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_EQ(backend_->PendingSteps(), 0u);
    EXPECT_EQ(backend_->ModalStarvations(), 0);
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}

// The whole program: the user sets the timer from the panel, one and three
// minutes ahead; as the fake time passes the timer asks for a run at the
// start minute and ends it at the stop minute, and quitting saves the timer.
class TimerPanelTest : public TimerDialogTest {
protected:
    void SetUp() override {
        TimerDialogTest::SetUp();
        folder_ = testing_support::ScratchDir();
        platform::SetProgramDirectory(folder_);
        setenv("XDG_RUNTIME_DIR", folder_.c_str(), 1);
        ComposingActive = 0;
        TuneInProgress = 0;
        PlayingActive = 0;
        StopPending = 0;
        ComposeStopRequest = 0;
        TuneCount = 0;
        // The panel's start of the thread is held back until the timer is
        // set, so the fake time stands still while the user works; the quit
        // protocol stops and joins it.
        SetTimerThreadHooks([this] { ++panelStarts_; }, StopTimerThread);
        auto now = [] {
            const std::tm t = testing_support::Clock().LocalTime();
            return t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec;
        };
        SetTimerRunActions({[this, now] {
                                std::lock_guard<std::mutex> lock(mutex_);
                                starts_.push_back(now());
                                ComposingActive = 1;
                                TuneCount = 100;
                                return true;
                            },
                            [this, now] {
                                std::lock_guard<std::mutex> lock(mutex_);
                                ends_.push_back(now());
                                TuneCount = 0;
                                ComposingActive = 0;  // the tune in hand ends
                            }});
    }
    void TearDown() override {
        StopTimerThread();
        SetTimerRunActions({});
        SetTimerThreadHooks(nullptr, nullptr);
        ComposingActive = 0;
        TuneCount = 0;
        platform::SetProgramDirectory("");
        TimerDialogTest::TearDown();
    }

    std::string folder_;
    int panelStarts_ = 0;
    std::mutex mutex_;
    std::vector<int> starts_, ends_;
};

TEST_F(TimerPanelTest, TimerSetFromThePanelStartsAndEndsARunAndIsSaved) {
    testing_support::Clock().SetWallSeconds(At(13, 58, 20));
    backend_->Then([&](HeadlessBackend& d) {
        EXPECT_EQ(panelStarts_, 1);
        EXPECT_EQ(PanelMode.load(), kPanelModeCompose);
        // In "Timer Set": switch on, then the two times through the box.
        d.Then([&](HeadlessBackend& timer) {
            Window* dialog = timer.TopWindow();
            ASSERT_EQ(dialog->Title(), "Timer Set");
            EXPECT_EQ(dialog->Position(), (Point{347, 273}));  // centred over the panel
            EXPECT_EQ(TextOps(timer, *dialog, "Current 13:58").size(), 1u);
            timer.Click(233, 107);
            timer.Then([](HeadlessBackend& box) { AnswerTime(box, "13", "59"); });
            timer.Click(84, 55);
            timer.Then([](HeadlessBackend& box) {
                box.Type(kNumberBoxMainEdit, "14");
                box.Step(kNumberBoxSecondSpin, 1);
                box.Click(322, 117);
            });
            timer.Click(233, 56);
            EXPECT_EQ(TextOps(timer, *dialog, "On").size(), 2u);
            EXPECT_EQ(TextOps(timer, *dialog, "Start 13:59").size(), 2u);
            EXPECT_EQ(TextOps(timer, *dialog, "Stop 14:01").size(), 2u);
            timer.Click(322, 117);
        });
        d.Click(280, 50);
        EXPECT_EQ(d.TopWindow()->Title(), "ZAW [00]");

        StartTimerThread();
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (TimerPollCount < 300 && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        EXPECT_GE(TimerPollCount, 300);
        d.Click(40, 175);  // Power
    });
    ZawApplication app;
    EXPECT_TRUE(app.InitInstance());
    EXPECT_FALSE(TimerThreadRunning());

    {
        std::lock_guard<std::mutex> lock(mutex_);
        ASSERT_EQ(starts_.size(), 1u);
        EXPECT_EQ(starts_[0], 13 * 3600 + 59 * 60);
        ASSERT_EQ(ends_.size(), 1u);
        EXPECT_EQ(ends_[0], 14 * 3600 + 60);
    }
    const std::string ini = testing_support::ReadFileText(platform::JoinPath(folder_, "zaw.ini"));
    ASSERT_EQ(ini.size(), 3132u);
    std::int32_t fields[5] = {};
    std::memcpy(fields, ini.data() + 1092, sizeof fields);
    EXPECT_EQ(fields[0], 13);  // start hour
    EXPECT_EQ(fields[1], 59);
    EXPECT_EQ(fields[2], 14);  // stop hour
    EXPECT_EQ(fields[3], 1);
    EXPECT_EQ(fields[4], 1);  // on
}

}  // namespace
