// The timer thread on the fake clock: each of its one-second waits moves the
// fake time on, so a day of polls runs in moments. Starting and ending runs
// go through recording actions; the local times they saw are kept.
#include "app/timer_thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "compose/compose_control.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "platform/clock.h"
#include "tests/support/test_support.h"

namespace {

using Kind = RecordingShellServices::Kind;

struct Moment {
    int day;  // day of the year
    int hour;
    int minute;
    int second;
};

std::int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
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
        shell_ = std::make_shared<RecordingShellServices>();
        SetShellServices(shell_);
        ComposingActive = 0;
        TuneCount = 100;
        // A started run stays active until the test ends it, unless the
        // test lets runs end at once.
        SetTimerRunActions({[this] {
                                std::lock_guard<std::mutex> lock(mutex_);
                                starts_.push_back(Now());
                                if (!runsEndAtOnce_) ComposingActive = 1;
                                return true;
                            },
                            [this] {
                                std::lock_guard<std::mutex> lock(mutex_);
                                ends_.push_back(Now());
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

    static Moment Now() {
        const std::tm t = platform::GetClock()->LocalTime();
        return {t.tm_yday, t.tm_hour, t.tm_min, t.tm_sec};
    }

    static void SetTimer(int enabled, int startHour, int startMinute, int stopHour,
                         int stopMinute) {
        AppSettings.TimerEnabled = enabled;
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

    std::vector<Moment> Starts() {
        std::lock_guard<std::mutex> lock(mutex_);
        return starts_;
    }
    std::vector<Moment> Ends() {
        std::lock_guard<std::mutex> lock(mutex_);
        return ends_;
    }

    bool runsEndAtOnce_ = false;

private:
    AppSettingsRecord saved_;
    std::shared_ptr<RecordingShellServices> shell_;
    std::mutex mutex_;
    std::vector<Moment> starts_;
    std::vector<Moment> ends_;

protected:
    RecordingShellServices& Shell() { return *shell_; }
};

TEST_F(TimerThreadTest, StartsAtTheStartMinuteAndEndsTheRunAtTheStopMinute) {
    SetTimer(1, 9, 0, 9, 30);
    RunPolls(UtcSeconds(2026, 12, 9, 8, 59, 50), 45 * 60);

    const auto starts = Starts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].hour, 9);
    EXPECT_EQ(starts[0].minute, 0);
    EXPECT_EQ(starts[0].second, 0);  // the first poll of the minute

    // Every poll of the stop minute sees the run still active.
    const auto ends = Ends();
    ASSERT_EQ(ends.size(), 60u);
    for (const Moment& m : ends) {
        EXPECT_EQ(m.hour, 9);
        EXPECT_EQ(m.minute, 30);
    }
    EXPECT_EQ(ends[0].second, 0);
    EXPECT_EQ(TuneCount, 0);
}

TEST_F(TimerThreadTest, NothingStartsWhenStopSharesTheMinuteOrTheTimerIsOff) {
    SetTimer(1, 9, 0, 9, 0);
    RunPolls(UtcSeconds(2026, 12, 10, 8, 59, 0), 180);
    SetTimer(0, 9, 0, 9, 30);
    RunPolls(UtcSeconds(2026, 12, 11, 8, 59, 0), 180);
    SetTimer(2, 9, 0, 9, 30);  // only 1 switches the timer on
    RunPolls(UtcSeconds(2026, 12, 12, 8, 59, 0), 180);
    EXPECT_TRUE(Starts().empty());

    // With the timer off an active run is left alone at the stop minute.
    SetTimer(0, 9, 0, 9, 30);
    ComposingActive = 1;
    RunPolls(UtcSeconds(2026, 12, 13, 9, 29, 0), 180);
    EXPECT_TRUE(Ends().empty());
    EXPECT_EQ(TuneCount, 100);
}

TEST_F(TimerThreadTest, ARunEndingInItsStartMinuteIsNotStartedAgain) {
    runsEndAtOnce_ = true;
    SetTimer(1, 22, 15, 23, 0);
    RunPolls(UtcSeconds(2026, 12, 14, 22, 14, 30), 150);
    ASSERT_EQ(Starts().size(), 1u);
    // A restart of the thread inside the minute does not start it either.
    RunPolls(UtcSeconds(2026, 12, 14, 22, 15, 40), 10);
    EXPECT_EQ(Starts().size(), 1u);
    // The next day's start minute starts again.
    RunPolls(UtcSeconds(2026, 12, 15, 22, 14, 58), 10);
    const auto starts = Starts();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1].day, starts[0].day + 1);
}

TEST_F(TimerThreadTest, TimesOutsideTheirRangeAreClampedAndStored) {
    SetTimer(1, 31, 75, -4, -1);
    const TimerTimes times = ReadTimerTimes();
    EXPECT_EQ(times.startHour, 23);
    EXPECT_EQ(times.startMinute, 59);
    EXPECT_EQ(times.stopHour, 0);
    EXPECT_EQ(times.stopMinute, 0);
    EXPECT_EQ(AppSettings.TimerStartHour, 23);
    EXPECT_EQ(AppSettings.TimerStartMinute, 59);
    EXPECT_EQ(AppSettings.TimerStopHour, 0);
    EXPECT_EQ(AppSettings.TimerStopMinute, 0);

    SetTimerStartTime(9, 70);
    SetTimerStopTime(-3, 30);
    EXPECT_EQ(AppSettings.TimerStartMinute, 59);
    EXPECT_EQ(AppSettings.TimerStopHour, 0);

    // The clamped start time is the one that starts.
    SetTimer(1, 24, 60, 12, 0);
    RunPolls(UtcSeconds(2026, 12, 16, 23, 58, 50), 90);
    const auto starts = Starts();
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].hour, 23);
    EXPECT_EQ(starts[0].minute, 59);
}

TEST_F(TimerThreadTest, PowerSavingIsSwitchedOffEverySixtyPolls) {
    RunPolls(UtcSeconds(2026, 12, 17, 12, 0, 0), 600);
    const int polls = TimerPollCount;
    EXPECT_EQ(Shell().Count(Kind::DisablePowerSaving), polls / 60);
    EXPECT_GE(polls / 60, 10);
}

// On the real clock the thread waits a whole second between polls; a stop
// must wake it rather than wait for the second to pass.
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
    StopTimerThread();  // a second stop does nothing
}

}  // namespace
