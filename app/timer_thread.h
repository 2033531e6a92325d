// Timed composing: a background thread that polls the local time once a
// second, starts a compose run of 100 tunes at the timer's start minute and
// lets the run end after the tune in hand at its stop minute. The same thread
// keeps power saving off while the program runs.
#pragma once

#include <atomic>
#include <functional>

// Polls the running timer thread has made since it started.
extern std::atomic<int> TimerPollCount;

// The timer's times of day from the settings.
struct TimerTimes {
    int startHour;
    int startMinute;
    int stopHour;
    int stopMinute;
};

// The times held to hours 0..23 and minutes 0..59; values read from an old
// or damaged settings file are stored back clamped.
TimerTimes ReadTimerTimes();
// Stores a start or stop time, clamped to 0..23 and 0..59.
void SetTimerStartTime(int hour, int minute);
void SetTimerStopTime(int hour, int minute);

// TimerEnabled of the settings: 1 on, 0 off.
int TimerIsEnabled();
void SetTimerEnabled(int on);

// What the timer does to compose runs. startRun asks for a run (true when
// one started); endRun lets the run in hand end after its current tune.
struct TimerRunActions {
    std::function<bool()> startRun;
    std::function<void()> endRun;
};
// Installs the actions; an empty member restores its default: a run of 100
// tunes from tune 0 through StartComposeRun, and TuneCount set to 0.
void SetTimerRunActions(TimerRunActions actions);

// Starts the timer thread (nothing when it runs already); the poll count
// starts again from 0.
void StartTimerThread();
// Wakes the timer thread from its wait and joins it. Called by the quit
// protocol; nothing when no thread runs.
void StopTimerThread();
bool TimerThreadRunning();

// The thread's body: until StopTimerThread, waits a second through the
// installed clock, counts the poll, switches power saving off every 60th
// poll, and then compares the local hour and minute with the timer's times.
// At the stop minute a run in hand is ended (stop wins when both minutes are
// the same); at the start minute a run is asked for when none is active, at
// most once per start minute and date, so a run that ends inside its start
// minute is not started again. While a style editor is open (StyleEditHeld)
// no run is asked for and the minute is not used up.
void TimerThreadProc();
