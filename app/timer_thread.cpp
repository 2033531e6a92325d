#include "app/timer_thread.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <thread>

#include "compose/compose_control.h"
#include "core/settings.h"
#include "core/shell_services.h"
#include "core/style_edit_guard.h"
#include "platform/clock.h"
#include "platform/ui/ui.h"

std::atomic<int> TimerPollCount{0};

namespace {

constexpr int kTunesPerTimedRun = 100;
constexpr int kPollsPerPowerSwitch = 60;
constexpr std::chrono::seconds kPollInterval{1};

// The settings record is plain data shared with the panel; the timer's fields
// are read and written as atomics.
std::int32_t LoadField(std::int32_t& field) {
    return std::atomic_ref<std::int32_t>(field).load();
}
void StoreField(std::int32_t& field, std::int32_t value) {
    std::atomic_ref<std::int32_t>(field).store(value);
}

// Holds a field to lo..hi and stores it back when it lay outside.
int ClampedField(std::int32_t& field, int lo, int hi) {
    const std::int32_t raw = LoadField(field);
    const std::int32_t clamped = std::clamp<std::int32_t>(raw, lo, hi);
    if (clamped != raw) StoreField(field, clamped);
    return clamped;
}

bool DefaultStartRun() {
    return StartComposeRun(kTunesPerTimedRun, true);
}
void DefaultEndRun() {
    TuneCount = 0;
}

std::mutex g_actionsMutex;
TimerRunActions g_actions{DefaultStartRun, DefaultEndRun};

TimerRunActions CurrentActions() {
    std::lock_guard<std::mutex> lock(g_actionsMutex);
    return g_actions;
}

// The thread, its stop request and the wait it is woken from.
std::mutex g_threadMutex;  // StartTimerThread / StopTimerThread
std::thread g_thread;
std::mutex g_waitMutex;
std::condition_variable g_wake;
bool g_stopRequested = false;  // guarded by g_waitMutex
std::atomic<bool> g_threadEnded{true};

// Date and minute of the last start asked for; only the timer thread uses it.
std::int64_t g_lastStartMinute = -1;

std::int64_t MinuteOfDate(const std::tm& t) {
    const std::int64_t day = (static_cast<std::int64_t>(t.tm_year) + 1900) * 366 + t.tm_yday;
    return day * 24 * 60 + t.tm_hour * 60 + t.tm_min;
}

void Poll(platform::Clock& clock) {
    const int polls = ++TimerPollCount;
    if (polls % kPollsPerPowerSwitch == 0) DisablePowerSaving();

    const std::tm now = clock.LocalTime();
    const TimerTimes times = ReadTimerTimes();
    const bool start = now.tm_hour == times.startHour && now.tm_min == times.startMinute;
    const bool stop = now.tm_hour == times.stopHour && now.tm_min == times.stopMinute;

    if (!TimerIsEnabled()) return;
    if (stop) {
        if (ComposingActive == 1) CurrentActions().endRun();
        return;
    }
    if (start && ComposingActive == 0) {
        // While a style editor holds the working style the start waits, and
        // the minute is not marked: the first poll after the editor closes
        // inside the start minute still starts the run.
        if (StyleEditHeld()) return;
        const std::int64_t minute = MinuteOfDate(now);
        if (minute == g_lastStartMinute) return;
        g_lastStartMinute = minute;
        CurrentActions().startRun();
    }
}

}  // namespace

TimerTimes ReadTimerTimes() {
    TimerTimes t;
    t.startHour = ClampedField(AppSettings.TimerStartHour, 0, 23);
    t.startMinute = ClampedField(AppSettings.TimerStartMinute, 0, 59);
    t.stopHour = ClampedField(AppSettings.TimerStopHour, 0, 23);
    t.stopMinute = ClampedField(AppSettings.TimerStopMinute, 0, 59);
    return t;
}

void SetTimerStartTime(int hour, int minute) {
    StoreField(AppSettings.TimerStartHour, std::clamp(hour, 0, 23));
    StoreField(AppSettings.TimerStartMinute, std::clamp(minute, 0, 59));
}

void SetTimerStopTime(int hour, int minute) {
    StoreField(AppSettings.TimerStopHour, std::clamp(hour, 0, 23));
    StoreField(AppSettings.TimerStopMinute, std::clamp(minute, 0, 59));
}

int TimerIsEnabled() {
    return LoadField(AppSettings.TimerEnabled) == 1 ? 1 : 0;
}

void SetTimerEnabled(int on) {
    StoreField(AppSettings.TimerEnabled, on ? 1 : 0);
}

void SetTimerRunActions(TimerRunActions actions) {
    if (!actions.startRun) actions.startRun = DefaultStartRun;
    if (!actions.endRun) actions.endRun = DefaultEndRun;
    std::lock_guard<std::mutex> lock(g_actionsMutex);
    g_actions = std::move(actions);
}

void TimerThreadProc() {
    std::unique_lock<std::mutex> lock(g_waitMutex);
    while (!g_stopRequested) {
        std::shared_ptr<platform::Clock> clock = platform::GetClock();
        const platform::Nanoseconds deadline = clock->Now() + kPollInterval;
        // Early wake-ups are a stop request or spurious; each wait ends at
        // the deadline at the latest.
        while (!g_stopRequested && !clock->WaitUntil(lock, g_wake, deadline)) {
        }
        if (g_stopRequested) break;
        lock.unlock();
        Poll(*clock);
        lock.lock();
    }
}

void StartTimerThread() {
    std::lock_guard<std::mutex> guard(g_threadMutex);
    // Running, or still on its way out of a stop.
    if (g_thread.joinable() || !g_threadEnded.load()) return;
    {
        std::lock_guard<std::mutex> lock(g_waitMutex);
        g_stopRequested = false;
    }
    TimerPollCount = 0;
    g_threadEnded = false;
    g_thread = std::thread([] {
        TimerThreadProc();
        g_threadEnded = true;
    });
}

void StopTimerThread() {
    std::thread thread;
    {
        std::lock_guard<std::mutex> guard(g_threadMutex);
        if (!g_thread.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(g_waitMutex);
            g_stopRequested = true;
        }
        thread = std::move(g_thread);
    }
    g_wake.notify_all();
    // A start the thread is making may wait for a box on the UI thread: a
    // stop asked for there serves the UI until the thread has ended. The
    // handle is taken out first, so a stop asked for while serving returns
    // at once.
    if (platform::ui::IsUiThread() && platform::ui::HasBackend())
        platform::ui::PumpWhile([] { return !g_threadEnded.load(); });
    thread.join();
}

bool TimerThreadRunning() {
    std::lock_guard<std::mutex> guard(g_threadMutex);
    return g_thread.joinable() || !g_threadEnded.load();
}
