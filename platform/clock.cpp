#include "platform/clock.h"

#include <time.h>
#include <cerrno>
#include <thread>

namespace platform {

Nanoseconds RealClock::Now() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return Nanoseconds(static_cast<std::int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec);
}

std::int64_t RealClock::WallSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::tm RealClock::LocalTime() {
    std::time_t t = std::time(nullptr);
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

void RealClock::SleepUntil(Nanoseconds deadline) {
    timespec ts;
    ts.tv_sec = static_cast<time_t>(deadline.count() / 1000000000LL);
    ts.tv_nsec = static_cast<long>(deadline.count() % 1000000000LL);
    if (deadline.count() <= 0) return;
    // Absolute deadlines: an interrupted sleep resumes to the same instant.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

bool RealClock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                          Nanoseconds deadline) {
    // steady_clock is CLOCK_MONOTONIC, the same origin as Now(), and the wait
    // is on the absolute instant.
    std::chrono::steady_clock::time_point until(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(deadline));
    return cv.wait_until(lock, until) == std::cv_status::timeout;
}

FakeClock::FakeClock() : wallAtZero_(1'700'000'000) {}

Nanoseconds FakeClock::Now() {
    std::lock_guard<std::mutex> lock(mutex_);
    return now_;
}

std::int64_t FakeClock::WallSeconds() {
    std::lock_guard<std::mutex> lock(mutex_);
    return wallAtZero_ + std::chrono::duration_cast<std::chrono::seconds>(now_).count();
}

std::tm FakeClock::LocalTime() {
    std::time_t t = static_cast<std::time_t>(WallSeconds());
    std::tm out{};
    gmtime_r(&t, &out);
    return out;
}

void FakeClock::SleepUntil(Nanoseconds deadline) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (deadline > now_) {
        slept_ += deadline - now_;
        now_ = deadline;
    }
}

bool FakeClock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable&,
                          Nanoseconds deadline) {
    // The waiter's lock is given up for a moment so that threads it shares
    // state with can act while the (fake) time passes.
    lock.unlock();
    std::this_thread::yield();
    lock.lock();
    SleepUntil(deadline);
    return true;
}

void FakeClock::Advance(Nanoseconds duration) {
    std::lock_guard<std::mutex> lock(mutex_);
    now_ += duration;
}

void FakeClock::SetWallSeconds(std::int64_t seconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    wallAtZero_ = seconds - std::chrono::duration_cast<std::chrono::seconds>(now_).count();
}

Nanoseconds FakeClock::Slept() {
    std::lock_guard<std::mutex> lock(mutex_);
    return slept_;
}

namespace {
std::mutex g_clockMutex;
// Never destroyed: a thread still running while the program exits (the
// timer's, say, after a fatal error ended the main thread) gets a clock,
// never a freed one.
std::shared_ptr<Clock>& InstalledClock() {
    static auto* clock = new std::shared_ptr<Clock>(std::make_shared<RealClock>());
    return *clock;
}
}  // namespace

std::shared_ptr<Clock> GetClock() {
    std::lock_guard<std::mutex> lock(g_clockMutex);
    return InstalledClock();
}

std::shared_ptr<Clock> SetClock(std::shared_ptr<Clock> clock) {
    if (!clock) clock = std::make_shared<RealClock>();
    std::lock_guard<std::mutex> lock(g_clockMutex);
    std::shared_ptr<Clock> old = InstalledClock();
    InstalledClock() = std::move(clock);
    return old;
}

}  // namespace platform
