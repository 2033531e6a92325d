#include "platform/timer.h"

#include <pthread.h>
#include <sched.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/clock.h"

namespace platform {

namespace {

constexpr unsigned kPeriodMin = 1;
constexpr unsigned kPeriodMax = 1000000;

// An id holds the slot index + 1 in its low byte and the slot's generation
// above it, so an old id never reaches a slot that has been reused.
constexpr std::uint32_t kIndexBits = 8;
constexpr std::uint32_t kGenerationMask = 0x00FFFFFF;
static_assert(kMaxTimers < (1 << kIndexBits));

struct Slot {
    std::uint32_t generation = 0;
    bool used = false;       // set and not finished
    bool inFlight = false;   // its callback is running
    bool cancelled = false;  // killed while its callback ran
    TimerKind kind = TimerKind::OneShot;
    TimerProc proc = nullptr;
    void* user = nullptr;
    Nanoseconds deadline{0};
    Nanoseconds period{0};
    std::uint64_t order = 0;  // keeps timers with the same deadline in set order
};

class TimerQueue {
public:
    TimerQueue() {
        // The installed clock must outlive the thread that reads it, so its
        // static storage is made before this object's.
        GetClock();
    }

    ~TimerQueue() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    TimerId Set(unsigned delayMs, TimerProc proc, void* user, TimerKind kind) {
        std::lock_guard<std::mutex> lock(mutex_);
        int index = -1;
        for (int i = 0; i < kMaxTimers; ++i) {
            if (!slots_[i].used && !slots_[i].inFlight) {
                index = i;
                break;
            }
        }
        if (index < 0) return 0;
        Slot& slot = slots_[index];
        slot.generation = (slot.generation + 1) & kGenerationMask;
        slot.used = true;
        slot.cancelled = false;
        slot.kind = kind;
        slot.proc = proc;
        slot.user = user;
        slot.period = std::chrono::milliseconds(delayMs);
        slot.deadline = GetClock()->Now() + slot.period;
        slot.order = nextOrder_++;
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
        wake_.notify_all();
        return (slot.generation << kIndexBits) | static_cast<std::uint32_t>(index + 1);
    }

    bool Kill(TimerId id) {
        std::uint32_t index = (id & ((1u << kIndexBits) - 1)) - 1;
        std::uint32_t generation = id >> kIndexBits;
        if (id == 0 || index >= static_cast<std::uint32_t>(kMaxTimers)) return false;
        std::unique_lock<std::mutex> lock(mutex_);
        Slot& slot = slots_[index];
        if (slot.generation != generation || !slot.used || slot.cancelled) return false;
        if (!slot.inFlight) {
            slot.used = false;
            wake_.notify_all();
            return true;
        }
        slot.cancelled = true;
        // A callback killing itself (or any other callback, which cannot be
        // running now) must not wait for the timer thread: that is itself.
        if (std::this_thread::get_id() == thread_.get_id()) return true;
        done_.wait(lock, [&] { return !(slot.inFlight && slot.generation == generation); });
        return true;
    }

    int ActiveCount() {
        std::lock_guard<std::mutex> lock(mutex_);
        int count = 0;
        for (const Slot& slot : slots_) {
            if (slot.used) ++count;
        }
        return count;
    }

private:
    Slot* Earliest() {
        Slot* best = nullptr;
        for (Slot& slot : slots_) {
            if (!slot.used || slot.inFlight) continue;
            if (!best || slot.deadline < best->deadline ||
                (slot.deadline == best->deadline && slot.order < best->order)) {
                best = &slot;
            }
        }
        return best;
    }

    void Run() {
        // Refused without the right to real-time scheduling; the thread then
        // goes on at normal priority.
        RequestRealTimeScheduling(kTimerThreadPriority);
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stop_) {
            Slot* slot = Earliest();
            if (!slot) {
                wake_.wait(lock);
                continue;
            }
            std::shared_ptr<Clock> clock = GetClock();
            if (slot->deadline > clock->Now()) {
                // Woken early or not, the earliest timer is looked up again:
                // one may have been set or killed meanwhile.
                clock->WaitUntil(lock, wake_, slot->deadline);
                continue;
            }
            slot->inFlight = true;
            TimerId id =
                (slot->generation << kIndexBits) | static_cast<std::uint32_t>(slot - slots_ + 1);
            TimerProc proc = slot->proc;
            void* user = slot->user;
            lock.unlock();
            proc(id, user);
            lock.lock();
            slot->inFlight = false;
            if (slot->kind == TimerKind::Periodic && slot->used && !slot->cancelled) {
                // The next deadline follows from the last one, not from the
                // time the callback ended, so the period never drifts.
                slot->deadline += slot->period;
                slot->order = nextOrder_++;
            } else {
                slot->used = false;
                slot->cancelled = false;
            }
            done_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    Slot slots_[kMaxTimers];
    std::uint64_t nextOrder_ = 0;
    bool stop_ = false;
    std::thread thread_;
};

TimerQueue& Queue() {
    static TimerQueue queue;
    return queue;
}

}  // namespace

bool RequestRealTimeScheduling(int priority) {
    sched_param param{};
    param.sched_priority = priority;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

TimerCaps TimeGetDevCaps() {
    return {kPeriodMin, kPeriodMax};
}

bool TimeBeginPeriod(unsigned periodMs) {
    return periodMs >= kPeriodMin && periodMs <= kPeriodMax;
}

bool TimeEndPeriod(unsigned periodMs) {
    return periodMs >= kPeriodMin && periodMs <= kPeriodMax;
}

TimerId TimeSetEvent(unsigned delayMs, unsigned, TimerProc proc, void* user, TimerKind kind) {
    if (!proc || delayMs < kPeriodMin || delayMs > kPeriodMax) return 0;
    return Queue().Set(delayMs, proc, user, kind);
}

bool TimeKillEvent(TimerId id) {
    return Queue().Kill(id);
}

int ActiveTimerCount() {
    return Queue().ActiveCount();
}

}  // namespace platform
