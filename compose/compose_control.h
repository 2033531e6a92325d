// Starting, running and stopping automatic composing: the flags shared by the
// panel, the timer and the compose worker, and the one worker thread.
#pragma once

#include <atomic>

// 1 while a compose run is wanted.
extern std::atomic<int> ComposingActive;
// Tunes a run composes: 100 from Play or the timer, 1 for a conversion, 0 to
// stop.
extern std::atomic<int> TuneCount;
// 1 while ComposeOneTune runs for a tune.
extern std::atomic<int> TuneInProgress;
// 1 while a result file or the listen preview plays.
extern std::atomic<int> PlayingActive;
// MIDI device of the current playback; -1 is the default device.
extern std::atomic<int> MidiOutDeviceId;

// The Play action of the panel in compose and convert mode; a seconds value
// of 2 or less first waits up to a second for a second press.
void OnPlayCompose(int seconds);
// Starts a run when none is wanted, else stops the one in hand.
void ToggleComposing();
// Lets the run end after the tune in hand.
void ClearComposingFlag();

// Starts the compose worker for count tunes (the tune number first set to 0
// when resetTuneNumber); false when a worker is already running.
bool StartComposeRun(int count, bool resetTuneNumber);
// Asks the worker to stop; with wait, also joins it.
void StopComposeRun(bool wait);
