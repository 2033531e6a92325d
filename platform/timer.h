// Multimedia timers: one-shot and periodic events whose callbacks run on one
// timer thread, in deadline order and one at a time. The thread sleeps to
// absolute deadlines of the installed clock, so a periodic timer does not
// drift and tests under the fake clock run without real waiting. It asks for
// real-time scheduling, so that busy normal threads do not make it late, and
// runs at normal priority where that is refused.
#pragma once

#include <cstdint>

namespace platform {

// Identifies a set timer; 0 is never a valid id.
using TimerId = std::uint32_t;

// Runs on the timer thread. It may set and kill timers, its own included.
using TimerProc = void (*)(TimerId id, void* user);

enum class TimerKind {
    OneShot,   // fires once; the id is free again after the callback returned
    Periodic,  // fires every delay until killed
};

struct TimerCaps {
    unsigned periodMin;  // smallest delay and period in milliseconds
    unsigned periodMax;  // largest one
};

TimerCaps TimeGetDevCaps();

// Accepts a resolution request for a period within the caps (true) or refuses
// it (false). The timer thread always sleeps with the clock's full precision,
// so an accepted request changes nothing.
bool TimeBeginPeriod(unsigned periodMs);
bool TimeEndPeriod(unsigned periodMs);

// Sets a timer that first fires delayMs from now. The resolution is accepted
// for the callers' sake and ignored. Returns 0 when the delay is outside the
// caps, proc is null, or every timer slot is in use.
TimerId TimeSetEvent(unsigned delayMs, unsigned resolutionMs, TimerProc proc, void* user,
                     TimerKind kind);

// Cancels a timer. When its callback is running on the timer thread, waits
// until it has returned (unless called from that callback or another timer
// callback, which cannot be running at the same time). After a true return
// the callback is never called again for this id. False for an id that is
// not set (never was, already killed, or a one-shot whose callback has
// returned).
bool TimeKillEvent(TimerId id);

// Number of timers set and not yet finished (for checks at the end of play).
int ActiveTimerCount();

// Most timers that can be set at the same time.
constexpr int kMaxTimers = 64;

// First-in-first-out real-time priority the timer thread asks for: above
// every normal thread, below the system's own real-time work.
constexpr int kTimerThreadPriority = 15;

// Asks for first-in-first-out real-time scheduling at the priority for the
// calling thread. True when granted; when refused the thread keeps its
// scheduling and nothing is reported.
bool RequestRealTimeScheduling(int priority);

}  // namespace platform
