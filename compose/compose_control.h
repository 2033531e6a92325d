// Starting, running and stopping automatic composing: the flags shared by the
// panel, the timer and the compose worker, and the one worker thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "core/reporters.h"
#include "core/utilities.h"

class MidiF0Data;

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

// Boxes of the compose control.
constexpr ErrorCode kNoStylesSelected = 0xFF010046u;     // "no styles are selected!"
constexpr ErrorCode kCantAutoComposeMail = 0xFF01011Eu;  // "Can't auto compose melody mail."
constexpr ErrorCode kComposeMemoryError = 0xFF010100u;   // "Memory Error!"
constexpr ErrorCode kListenMidiDataError = 0xFF010050u;  // "Error in MIDI Data!"

// The Play action of the panel in compose and convert mode; a seconds value
// of 2 or less first waits up to a second for a second press.
void OnPlayCompose(int seconds);
// Starts a run when none is wanted, else stops the one in hand.
void ToggleComposing();
// Lets the run end after the tune in hand.
void ClearComposingFlag();
// A Play click that comes while the start of a run still waits (the panel
// is then busy with the click that started it) stops that run at once, as
// Play during a tune does. False when no start is waiting.
bool StopRunWhileStarting();

// Starts the compose worker for count tunes (the tune number first set to 0
// when resetTuneNumber). Output types that cannot be composed automatically
// and an empty selection are refused with their box. False when refused or
// when a run is already wanted; at most one worker exists.
bool StartComposeRun(int count, bool resetTuneNumber);
// Asks the worker to stop (at once, also in the middle of a tune or while it
// plays); with wait, also joins it.
void StopComposeRun(bool wait);
// True while a worker thread has not been joined yet.
bool ComposeWorkerRunning();
// True while a worker thread has not reached its end.
bool ComposeWorkerBusy();
// How many runs have ended so far (by themselves or stopped); it grows by
// one as each run's flags are cleared.
unsigned ComposeRunsEnded();

// The worker: composes, saves and plays tunes until the count is reached or
// a stop is asked for. In compose mode each tune saved advances the tune
// number; a tune that failed or was stopped saves nothing, keeps its number
// for the next run and ends this one. Runs on the controller's thread, or
// directly on the calling thread for a style conversion (ComposingActive set
// by the caller).
// Always 1.
int ComposeThread();

// ChooseTuneStyle results.
constexpr int kStylePicked = 1;
constexpr int kNoStyleInMode = 0;     // the panel is not in compose or convert mode
constexpr int kNoStyleSelected = -1;  // nothing but empty slots is selected in the mode
// Picks a selected catalogue entry of the panel's mode, never an empty slot,
// and makes it the working style (running its random generator in compose
// mode); an entry without a display title is given a name to show. Never
// draws when nothing can be picked.
int ChooseTuneStyle();
// Category and slot of the last pick (-1, -1 before any); the next pick may
// repeat it only with a chance of 1 in 3.
void ResetPreviousStylePick();

// Plays a Standard MIDI File image from memory; returns when it has ended or
// composing stops, with every channel silenced and the device closed.
void PlayComposedTune(const std::uint8_t* image, std::size_t length);

// ---- Steps of the worker that tests replace ----

class ComposeSteps {
public:
    virtual ~ComposeSteps() = default;
    // Composes one tune into buffer (WorkBufferSize bytes) and saves it; 1 on
    // success. ComposeOneTune by default.
    virtual int ComposeTune(std::uint8_t* buffer, std::size_t* length);
    // The work buffer of a run; an empty block when memory runs out.
    virtual MemoryBlock AllocWorkBuffer();
    // Convert mode: chooses and prepares the input file of the next tune
    // (the conversion material's PickConversionInput by default); false when
    // no tune can be built, which ends the run.
    virtual bool PickConversionInput();
};

// Installs the steps; nullptr restores the default ones. Returns the ones
// replaced.
std::shared_ptr<ComposeSteps> SetComposeSteps(std::shared_ptr<ComposeSteps> steps);
std::shared_ptr<ComposeSteps> GetComposeSteps();

// ---- The worker thread ----

// Owns the worker thread: at most one at a time, a finished one joined
// before the next starts, and the last one joined when the controller goes.
class ComposeController {
public:
    ComposeController() = default;
    ~ComposeController();
    ComposeController(const ComposeController&) = delete;
    ComposeController& operator=(const ComposeController&) = delete;

    bool Start(int count, bool resetTuneNumber);
    void Stop(bool wait);
    bool Running();
    // A worker exists and has not reached its end.
    bool Busy();

private:
    std::mutex mutex_;
    std::thread worker_;
    // Set by the worker as it returns.
    std::atomic<bool> finished_{true};
};

// The controller behind StartComposeRun and StopComposeRun.
ComposeController& TheComposeController();

// ---- Listen preview of one channel ----

// Told on the play thread when the preview ended by itself; the dialog posts
// its button change to the UI thread from there. Null: nobody is told.
void SetChannelListenEndHandler(std::function<void()> handler);
// Plays only the given channel of a copy of song (from its first bar with
// notes). A preview still playing is reported with "Error in MIDI Data!",
// then stopped and released before the new one starts. 1 when play started.
int StartChannelListen(int channel, const MidiF0Data& song);
// Stops the preview and releases it.
void StopChannelListen();
// The end callback of the preview's play: marks it ended and tells the
// handler; the song is released by the next start or stop.
int OnChannelListenEnd();
// The song the preview holds (null when none).
const MidiF0Data* ChannelListenSong();
