#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/timer.h"
#include "tests/support/test_support.h"

using namespace std::chrono_literals;
using platform::Nanoseconds;
using platform::TimerId;
using platform::TimerKind;

namespace {

// What the callbacks of one test saw, with a real-time wait for them (the
// test thread must not sleep through the fake clock, or it would move the
// time the timers are measured by).
struct Log {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> labels;
    std::vector<Nanoseconds> times;

    void Add(const std::string& label) {
        std::lock_guard<std::mutex> lock(mutex);
        labels.push_back(label);
        times.push_back(platform::GetClock()->Now());
        changed.notify_all();
    }

    bool WaitForCount(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, 10s, [&] { return labels.size() >= count; });
    }

    std::size_t Count() {
        std::lock_guard<std::mutex> lock(mutex);
        return labels.size();
    }
};

struct Labelled {
    Log* log;
    std::string label;
};

void AddLabel(TimerId, void* user) {
    auto* l = static_cast<Labelled*>(user);
    l->log->Add(l->label);
}

bool WaitForNoTimers() {
    auto until = std::chrono::steady_clock::now() + 10s;
    while (platform::ActiveTimerCount() != 0) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Installs the real clock for one test, for timers that must stay pending.
struct RealClockScope {
    std::shared_ptr<platform::Clock> previous =
        platform::SetClock(std::make_shared<platform::RealClock>());
    ~RealClockScope() { platform::SetClock(previous); }
};

}  // namespace

TEST(Timers, CapsPeriodsAndRefusedTimers) {
    platform::TimerCaps caps = platform::TimeGetDevCaps();
    EXPECT_EQ(caps.periodMin, 1u);
    EXPECT_GE(caps.periodMax, 1000u);
    EXPECT_TRUE(platform::TimeBeginPeriod(caps.periodMin));
    EXPECT_TRUE(platform::TimeEndPeriod(caps.periodMin));
    EXPECT_FALSE(platform::TimeBeginPeriod(0));
    EXPECT_FALSE(platform::TimeBeginPeriod(caps.periodMax + 1));
    Log log;
    Labelled l{&log, "x"};
    EXPECT_EQ(platform::TimeSetEvent(0, 1, AddLabel, &l, TimerKind::OneShot), 0u);
    EXPECT_EQ(platform::TimeSetEvent(caps.periodMax + 1, 1, AddLabel, &l, TimerKind::OneShot), 0u);
    EXPECT_EQ(platform::TimeSetEvent(5, 1, nullptr, &l, TimerKind::OneShot), 0u);
    EXPECT_FALSE(platform::TimeKillEvent(0));
    EXPECT_FALSE(platform::TimeKillEvent(0xFFFFFFFF));
    EXPECT_EQ(log.Count(), 0u);
}

namespace {

struct Scheduler {
    Log log;
    Labelled later{&log, "30"}, first{&log, "10"}, tieA{&log, "15a"}, tieB{&log, "15b"},
        middle{&log, "20"};
};

// Sets the timers from the timer thread, so none can fire before all are set.
void SetTimersOutOfOrder(TimerId, void* user) {
    auto* s = static_cast<Scheduler*>(user);
    s->log.Add("start");
    platform::TimeSetEvent(30, 1, AddLabel, &s->later, TimerKind::OneShot);
    platform::TimeSetEvent(10, 1, AddLabel, &s->first, TimerKind::OneShot);
    platform::TimeSetEvent(15, 1, AddLabel, &s->tieA, TimerKind::OneShot);
    platform::TimeSetEvent(15, 1, AddLabel, &s->tieB, TimerKind::OneShot);
    platform::TimeSetEvent(20, 1, AddLabel, &s->middle, TimerKind::OneShot);
}

}  // namespace

TEST(Timers, OneShotsFireInDeadlineOrderAtTheirTimes) {
    Scheduler s;
    Nanoseconds start = platform::GetClock()->Now();
    ASSERT_NE(platform::TimeSetEvent(2, 1, SetTimersOutOfOrder, &s, TimerKind::OneShot), 0u);
    ASSERT_TRUE(s.log.WaitForCount(6));
    ASSERT_TRUE(WaitForNoTimers());
    std::lock_guard<std::mutex> lock(s.log.mutex);
    EXPECT_EQ(s.log.labels, (std::vector<std::string>{"start", "10", "15a", "15b", "20", "30"}));
    // Under the fake clock each fires exactly at its deadline.
    std::vector<Nanoseconds> offsets;
    for (Nanoseconds t : s.log.times)
        offsets.push_back(t - start);
    EXPECT_EQ(offsets, (std::vector<Nanoseconds>{2ms, 12ms, 17ms, 17ms, 22ms, 32ms}));
}

namespace {

struct Periodic {
    Log log;
    int calls = 0;
    int stopAfter = 0;
    Nanoseconds workTime{0};
};

// Each call takes workTime of (fake) time; the fifth kills its own timer.
void PeriodicTick(TimerId id, void* user) {
    auto* p = static_cast<Periodic*>(user);
    p->log.Add("tick");
    testing_support::Clock().Advance(p->workTime);
    if (++p->calls == p->stopAfter) {
        EXPECT_TRUE(platform::TimeKillEvent(id));
    }
}

}  // namespace

TEST(Timers, PeriodicTimersKeepTheirPeriodAndStopWhenKilled) {
    Periodic p;
    p.stopAfter = 5;
    // A callback that takes time does not push the later ones back.
    p.workTime = 3ms;
    Nanoseconds start = platform::GetClock()->Now();
    TimerId id = platform::TimeSetEvent(10, 1, PeriodicTick, &p, TimerKind::Periodic);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(p.log.WaitForCount(5));
    ASSERT_TRUE(WaitForNoTimers());
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(p.log.Count(), 5u);
    EXPECT_FALSE(platform::TimeKillEvent(id));
    std::lock_guard<std::mutex> lock(p.log.mutex);
    for (std::size_t i = 0; i < p.log.times.size(); ++i)
        EXPECT_EQ(p.log.times[i] - start, std::chrono::milliseconds(10 * (i + 1)));
}

namespace {

struct Blocking {
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool release = false;
    bool finished = false;
    std::atomic<int> calls{0};
};

void BlockingTick(TimerId, void* user) {
    auto* b = static_cast<Blocking*>(user);
    ++b->calls;
    std::unique_lock<std::mutex> lock(b->mutex);
    b->entered = true;
    b->changed.notify_all();
    b->changed.wait(lock, [&] { return b->release; });
    b->finished = true;
}

}  // namespace

TEST(Timers, KillWaitsForTheCallbackInFlightAndNoCallbackFollows) {
    Blocking b;
    TimerId id = platform::TimeSetEvent(5, 1, BlockingTick, &b, TimerKind::Periodic);
    ASSERT_NE(id, 0u);
    {
        std::unique_lock<std::mutex> lock(b.mutex);
        ASSERT_TRUE(b.changed.wait_for(lock, 10s, [&] { return b.entered; }));
    }
    std::atomic<bool> killed{false};
    bool finishedWhenKilled = false;
    std::thread killer([&] {
        EXPECT_TRUE(platform::TimeKillEvent(id));
        std::lock_guard<std::mutex> lock(b.mutex);
        finishedWhenKilled = b.finished;
        killed = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(killed);
    {
        std::lock_guard<std::mutex> lock(b.mutex);
        b.release = true;
        b.changed.notify_all();
    }
    killer.join();
    EXPECT_TRUE(killed);
    EXPECT_TRUE(finishedWhenKilled);
    // The periodic timer is gone: under the fake clock it would otherwise
    // fire again at once.
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(b.calls, 1);
    EXPECT_EQ(platform::ActiveTimerCount(), 0);
}

TEST(Timers, KilledAndFiredIdsAndFullSlots) {
    RealClockScope real;
    Log log;
    Labelled pending{&log, "pending"};
    // A pending timer killed in time never fires; its id is then dead.
    TimerId id = platform::TimeSetEvent(60000, 1, AddLabel, &pending, TimerKind::OneShot);
    ASSERT_NE(id, 0u);
    EXPECT_EQ(platform::ActiveTimerCount(), 1);
    EXPECT_TRUE(platform::TimeKillEvent(id));
    EXPECT_FALSE(platform::TimeKillEvent(id));
    EXPECT_EQ(platform::ActiveTimerCount(), 0);

    // Every slot in use: one more is refused. A stale id does not reach the
    // timer that reuses its slot.
    std::vector<TimerId> ids;
    for (int i = 0; i < platform::kMaxTimers; ++i) {
        ids.push_back(platform::TimeSetEvent(60000, 1, AddLabel, &pending, TimerKind::OneShot));
        ASSERT_NE(ids.back(), 0u);
    }
    EXPECT_EQ(platform::TimeSetEvent(60000, 1, AddLabel, &pending, TimerKind::OneShot), 0u);
    EXPECT_NE(ids.front(), id);
    for (TimerId each : ids)
        EXPECT_TRUE(platform::TimeKillEvent(each));
    EXPECT_EQ(platform::ActiveTimerCount(), 0);

    // A one-shot that has fired cannot be killed any more.
    Labelled quick{&log, "quick"};
    id = platform::TimeSetEvent(1, 1, AddLabel, &quick, TimerKind::OneShot);
    ASSERT_TRUE(log.WaitForCount(1));
    ASSERT_TRUE(WaitForNoTimers());
    EXPECT_FALSE(platform::TimeKillEvent(id));
    EXPECT_EQ(log.labels, std::vector<std::string>{"quick"});
}

TEST(Timers, RealClockPeriodicTimerDoesNotDrift) {
    RealClockScope real;
    Periodic p;
    p.stopAfter = 20;
    Nanoseconds start = platform::GetClock()->Now();
    TimerId id = platform::TimeSetEvent(5, 1, PeriodicTick, &p, TimerKind::Periodic);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(p.log.WaitForCount(20));
    ASSERT_TRUE(WaitForNoTimers());
    std::lock_guard<std::mutex> lock(p.log.mutex);
    // No call comes before its deadline on the absolute schedule.
    for (std::size_t i = 0; i < p.log.times.size(); ++i)
        EXPECT_GE(p.log.times[i] - start, std::chrono::milliseconds(5 * (i + 1)));
}

namespace {

struct Scheduling {
    std::atomic<int> policy{-1};
    int priority = -1;
};

// The scheduling of the calling thread.
void ReadScheduling(Scheduling* out) {
    sched_param param{};
    int policy = -1;
    pthread_getschedparam(pthread_self(), &policy, &param);
    out->priority = param.sched_priority;
    out->policy = policy;
}

void ReadTimerThreadScheduling(TimerId, void* user) {
    ReadScheduling(static_cast<Scheduling*>(user));
}

}  // namespace

TEST(Timers, TheTimerThreadRunsAtRealTimePriorityWhereTheSystemGrantsIt) {
    // Whether this process may have it is asked on a thread of its own.
    bool granted = false;
    std::thread([&] {
        granted = platform::RequestRealTimeScheduling(platform::kTimerThreadPriority);
    }).join();

    Scheduling timer;
    ASSERT_NE(platform::TimeSetEvent(1, 1, ReadTimerThreadScheduling, &timer, TimerKind::OneShot),
              0u);
    ASSERT_TRUE(WaitForNoTimers());
    ASSERT_NE(timer.policy.load(), -1);
    if (granted) {
        EXPECT_EQ(timer.policy.load(), SCHED_FIFO);
        EXPECT_EQ(timer.priority, platform::kTimerThreadPriority);
    } else {
        EXPECT_EQ(timer.policy.load(), SCHED_OTHER);
    }

    // A refusal leaves the thread as it was and says nothing.
    Scheduling refused;
    bool result = true;
    std::thread([&] {
        result = platform::RequestRealTimeScheduling(sched_get_priority_max(SCHED_FIFO) + 1);
        ReadScheduling(&refused);
    }).join();
    EXPECT_FALSE(result);
    EXPECT_EQ(refused.policy.load(), SCHED_OTHER);
    EXPECT_EQ(testing_support::Sink().Count(), 0u);
}
