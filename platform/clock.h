// The one source of time for the program: monotonic time for waits and
// playback, wall-clock and local time for seeds and timed composing. Tests
// install a fake clock, so every pause costs them nothing.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>

namespace platform {

// Monotonic time (CLOCK_MONOTONIC on the real clock) since an arbitrary origin.
using Nanoseconds = std::chrono::nanoseconds;

class Clock {
public:
    virtual ~Clock() = default;
    virtual Nanoseconds Now() = 0;
    // Seconds since the Unix epoch.
    virtual std::int64_t WallSeconds() = 0;
    virtual std::tm LocalTime() = 0;
    // Sleeps until the monotonic deadline (returns at once when it has passed).
    virtual void SleepUntil(Nanoseconds deadline) = 0;
    // Waits on cv (lock held on entry and on return) until it is notified or
    // the monotonic deadline passes. True when the deadline was reached; false
    // when woken earlier (spuriously too), so callers re-check their state.
    virtual bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                           Nanoseconds deadline) = 0;

    void SleepFor(Nanoseconds duration) { SleepUntil(Now() + duration); }
    void SleepMilliseconds(std::int64_t ms) { SleepFor(std::chrono::milliseconds(ms)); }
};

// CLOCK_MONOTONIC with absolute-deadline sleeps, and the system's local time.
class RealClock : public Clock {
public:
    Nanoseconds Now() override;
    std::int64_t WallSeconds() override;
    std::tm LocalTime() override;
    void SleepUntil(Nanoseconds deadline) override;
    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                   Nanoseconds deadline) override;
};

// Time that only moves when told to or when somebody sleeps: a sleep jumps
// the clock to its deadline and returns at once. A wait on a condition
// variable lets other threads run for a moment, then jumps to its deadline.
class FakeClock : public Clock {
public:
    FakeClock();
    Nanoseconds Now() override;
    std::int64_t WallSeconds() override;
    std::tm LocalTime() override;
    void SleepUntil(Nanoseconds deadline) override;
    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                   Nanoseconds deadline) override;

    void Advance(Nanoseconds duration);
    // Sets the wall-clock time; the local time is derived from it in UTC.
    void SetWallSeconds(std::int64_t seconds);
    // Total time spent in sleeps since construction.
    Nanoseconds Slept();

private:
    std::mutex mutex_;
    Nanoseconds now_{0};
    Nanoseconds slept_{0};
    std::int64_t wallAtZero_;
};

// The installed clock (a RealClock unless replaced). Holding the pointer keeps
// the clock alive even when another one is installed meanwhile.
std::shared_ptr<Clock> GetClock();
// Installs a clock; nullptr restores the real one. Returns the one replaced.
std::shared_ptr<Clock> SetClock(std::shared_ptr<Clock> clock);

}  // namespace platform
