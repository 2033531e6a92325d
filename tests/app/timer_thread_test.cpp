// The timer thread on the fake clock: each one-second wait moves the fake
// time on, so hours of polls run in moments. Runs are started and ended
// through recording actions that keep the local time they saw.
#include "app/timer_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

#include "compose/compose_control.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/style_edit_guard.h"
#include "platform/message_sink.h"
#include "platform/ui/headless_backend.h"
#include "platform/ui/ui.h"
#include "tests/app/ui_stop_util.h"
#include "tests/support/test_support.h"

namespace {

std::int64_t Utc(int day, int hour, int minute, int second) {  // in December 2026
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return static_cast<std::int64_t>(timegm(&t));
}

class TimerThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = AppSettings;
        SetShellServices(shell_);
        ComposingActive = 0;
        TuneCount = 100;
        auto record = [this](std::vector<std::tm>& into) {
            std::lock_guard<std::mutex> lock(mutex_);
            into.push_back(testing_support::Clock().LocalTime());
        };
        SetTimerRunActions({[this, record] {
                                record(starts_);
                                if (!runsEndAtOnce_) ComposingActive = 1;
                                return true;
                            },
                            [this, record] {
                                record(ends_);
                                TuneCount = 0;
                            }});
    }
    void TearDown() override {
        StopTimerThread();
        SetTimerRunActions({});
        SetShellServices(nullptr);
        ComposingActive = 0;
        TuneCount = 100;
        AppSettings = saved_;
    }

    static void SetTimer(int on, int startHour, int startMinute, int stopHour, int stopMinute) {
        AppSettings.TimerEnabled = on;
        AppSettings.TimerStartHour = startHour;
        AppSettings.TimerStartMinute = startMinute;
        AppSettings.TimerStopHour = stopHour;
        AppSettings.TimerStopMinute = stopMinute;
    }

    // Runs the thread from the given time for at least polls polls.
    static void RunPolls(std::int64_t wallSeconds, int polls) {
        testing_support::Clock().SetWallSeconds(wallSeconds);
        StartTimerThread();
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (TimerPollCount < polls && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        StopTimerThread();
        ASSERT_GE(TimerPollCount, polls);
    }

    std::shared_ptr<RecordingShellServices> shell_ = std::make_shared<RecordingShellServices>();
    AppSettingsRecord saved_;
    std::mutex mutex_;
    std::vector<std::tm> starts_, ends_;
    bool runsEndAtOnce_ = false;
};

TEST_F(TimerThreadTest, StartsAtTheStartMinuteAndEndsTheRunAtTheStopMinute) {
    SetTimer(1, 9, 0, 9, 30);
    RunPolls(Utc(9, 8, 59, 50), 45 * 60);
    ASSERT_EQ(starts_.size(), 1u);
    EXPECT_EQ(starts_[0].tm_hour * 3600 + starts_[0].tm_min * 60 + starts_[0].tm_sec, 9 * 3600);
    // Each poll of the stop minute finds the run still active.
    ASSERT_EQ(ends_.size(), 60u);
    EXPECT_EQ(ends_.front().tm_min * 60 + ends_.front().tm_sec, 30 * 60);
    EXPECT_EQ(ends_.back().tm_min * 60 + ends_.back().tm_sec, 30 * 60 + 59);
    EXPECT_EQ(TuneCount, 0);
    // Power saving is switched off on every 60th poll.
    EXPECT_EQ(shell_->Count(RecordingShellServices::Kind::DisablePowerSaving), TimerPollCount / 60);
}

TEST_F(TimerThreadTest, NothingStartsWhenStopSharesTheMinuteOrTheTimerIsOff) {
    SetTimer(1, 9, 0, 9, 0);
    RunPolls(Utc(10, 8, 59, 0), 180);
    SetTimer(2, 9, 0, 9, 30);  // only 1 is on
    RunPolls(Utc(11, 8, 59, 0), 180);
    ComposingActive = 1;
    SetTimer(0, 9, 0, 9, 30);
    RunPolls(Utc(12, 9, 29, 0), 180);
    EXPECT_TRUE(starts_.empty());
    EXPECT_TRUE(ends_.empty());
}

TEST_F(TimerThreadTest, ARunEndingInItsStartMinuteIsNotStartedAgainThatDay) {
    runsEndAtOnce_ = true;
    SetTimer(1, 22, 15, 23, 0);
    RunPolls(Utc(14, 22, 14, 30), 150);
    RunPolls(Utc(14, 22, 15, 40), 10);  // a new thread inside the same minute
    EXPECT_EQ(starts_.size(), 1u);
    RunPolls(Utc(15, 22, 14, 58), 10);
    ASSERT_EQ(starts_.size(), 2u);
    EXPECT_EQ(starts_[1].tm_yday, starts_[0].tm_yday + 1);
}

TEST_F(TimerThreadTest, TimesOutsideTheirRangeAreClampedAndStored) {
    SetTimer(1, 24, 60, -4, -1);
    RunPolls(Utc(16, 23, 58, 50), 90);
    ASSERT_EQ(starts_.size(), 1u);
    EXPECT_EQ(starts_[0].tm_hour * 100 + starts_[0].tm_min, 2359);
    EXPECT_EQ(AppSettings.TimerStartHour * 100 + AppSettings.TimerStartMinute, 2359);
    EXPECT_EQ(AppSettings.TimerStopHour * 100 + AppSettings.TimerStopMinute, 0);
}

// While a style editor is open the start waits without using up its minute:
// the first poll after the editor closes inside that minute starts the run,
// one after the minute does not; a stop still ends a run meanwhile.
TEST_F(TimerThreadTest, AnOpenStyleEditorDefersTheStartWithinItsMinute) {
    SetTimer(1, 9, 0, 9, 30);
    {
        StyleEditGuard editing;
        RunPolls(Utc(20, 8, 59, 50), 30);
        EXPECT_TRUE(StyleEditHeld());
    }
    EXPECT_FALSE(StyleEditHeld());
    EXPECT_TRUE(starts_.empty());
    RunPolls(Utc(20, 9, 0, 25), 3);
    ASSERT_EQ(starts_.size(), 1u);
    EXPECT_EQ(starts_[0].tm_hour * 3600 + starts_[0].tm_min * 60 + starts_[0].tm_sec,
              9 * 3600 + 26);  // the first poll, a second after the thread starts

    {
        StyleEditGuard outer;
        StyleEditGuard inner;  // guards nest
        RunPolls(Utc(21, 8, 59, 50), 80);
    }
    RunPolls(Utc(21, 9, 1, 30), 5);
    EXPECT_EQ(starts_.size(), 1u);

    ComposingActive = 1;
    {
        StyleEditGuard editing;
        RunPolls(Utc(22, 9, 29, 58), 5);
    }
    EXPECT_FALSE(ends_.empty());
    EXPECT_EQ(starts_.size(), 1u);
}

// On the real clock the thread waits a second between polls; a stop wakes it
// rather than waiting for the second to pass.
TEST_F(TimerThreadTest, AStopWakesAndJoinsTheWaitingThread) {
    auto fake = platform::SetClock(std::make_shared<platform::RealClock>());
    StartTimerThread();
    EXPECT_TRUE(TimerThreadRunning());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto before = std::chrono::steady_clock::now();
    StopTimerThread();
    const auto took = std::chrono::steady_clock::now() - before;
    platform::SetClock(fake);
    EXPECT_FALSE(TimerThreadRunning());
    EXPECT_LT(took, std::chrono::milliseconds(500));
}

// A refused start shows its box from the timer thread and waits for the UI
// thread to answer it. A stop asked for on the UI thread must serve that box;
// a plain join would wait for ever (here until the watchdog begins shut-down,
// which answers the box without showing it).
TEST_F(TimerThreadTest, AStopOnTheUiThreadServesTheBoxOfARefusedStart) {
    auto backend = std::make_shared<platform::ui::HeadlessBackend>();
    platform::ui::InstallBackend(backend);
    auto previousSink = platform::SetMessageSink(std::make_shared<platform::ui::UiMessageSink>());
    std::atomic<int> answer{0};
    SetTimerRunActions({[&answer] {
                            answer = platform::ShowBox(platform::BoxKind::Error,
                                                       "no styles are selected!");
                            return false;
                        },
                        {}});
    SetTimer(1, 9, 0, 9, 30);
    testing_support::Clock().SetWallSeconds(Utc(17, 8, 59, 58));
    StartTimerThread();
    ASSERT_EQ(app_test::WaitForAPost(), 1);

    app_test::StopUnderWatchdog(StopTimerThread);

    EXPECT_FALSE(TimerThreadRunning());
    EXPECT_EQ(backend->BoxesShown(), 1);
    EXPECT_EQ(answer.load(), platform::kIdOk);
    platform::SetMessageSink(previousSink);
    platform::ui::InstallBackend(nullptr);
}

}  // namespace
