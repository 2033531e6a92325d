// MidiPlayer and CallBackPlayer: real-time playback of a tune in note-on/off
// form through the shared MidiControler, by a chain of one-shot timers, one
// per distinct event time.
//
// Event times are kept against the tempo map as absolute instants of the
// installed clock: each timer is set to the millisecond before the next
// event is due and the callback sleeps the rest, so neither the rounding of
// the delays nor the lateness of one callback adds up over a tune. The
// instants follow the tempo's microseconds per quarter note exactly (the
// part of a nanosecond left over is carried to the next event); the whole
// bpm is kept only to be shown.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "midi/midi_event.h"
#include "midi/play_callbacks.h"
#include "platform/clock.h"
#include "platform/timer.h"
#include "play/midi_controler.h"

class MidiF0Data;

// Failures of MidiPlayer, tag "MDPL".
namespace mdpl {
constexpr std::uint32_t kDivisionTooLarge = 0x8000001;
constexpr std::uint32_t kCantUseTimer = 0x8000002;
constexpr std::uint32_t kTempoTooSlow = 0x8000003;
constexpr std::uint32_t kInternal = 0x8000004;
constexpr std::uint32_t kPlayPointWrong = 0x8000005;
constexpr std::uint32_t kTempoWrong = 0x8000006;
constexpr std::uint32_t kDataInvalid = 0x8000007;
}  // namespace mdpl

// 1 while a timer chain runs; set to ask the chain to stop.
extern std::atomic<int> PlayerPlaying;
extern std::atomic<int> PlayerStopRequest;
// Device of the callback players (platform::kMidiMapper at start).
extern std::atomic<int> CallBackPlayerDevice;
// 1: a GM System On is sent before every play, in place of the tune's own.
extern std::atomic<int> SendGmSystemOnBeforePlay;

// Waits on the installed clock until PlayerPlaying is 0 or the deadline
// passes; woken as soon as a chain ends. True when play has ended.
bool WaitForPlayEnd(platform::Nanoseconds deadline);
// Wakes the waiters of WaitForPlayEnd (after a stop request).
void WakePlayWaiters();

// The controller the last preparation opened (null when none).
std::shared_ptr<MidiControler> SharedMidiControler();

// Tempo the tune plays at until its first tempo event: the Standard MIDI
// File default of 120 beats per minute, 500000 microseconds per quarter.
constexpr int kDefaultPlayBpm = 120;
constexpr int kDefaultPlayTempo = 500000;

class MidiPlayer {
public:
    // Prepares the song on the device and starts playing at once.
    MidiPlayer(MidiF0Data* song, int deviceId);
    // Stops the chain, waits for a callback in flight, and closes and
    // releases the shared controller unless keepDevice is set.
    virtual ~MidiPlayer();
    MidiPlayer(const MidiPlayer&) = delete;
    MidiPlayer& operator=(const MidiPlayer&) = delete;

    // Makes the song current, opens the controller, sends the state reached
    // at startTick and the events before the first note. The timer
    // resolution, or 0 when nothing can be played; *startOffset is the time
    // of the last event before startTick.
    int Prepare(MidiF0Data* song, int deviceId, long long startTick, long long* startOffset,
                PlayEventCallback callback);
    void SendEvent(const MidiEvent& event);
    // Sends (optionally) the event and moves the play index on (optionally);
    // the delta of the next event, -1 at the end of the track.
    int StepEvent(const MidiEvent& event, int send, int advance);
    int SendLeadingEvents(PlayEventCallback callback);
    void AllNotesOff();
    // Ends the timer chain now and returns once no callback of it runs.
    void Kill();
    bool DeviceOpen() const { return controler_ && controler_->IsOpen(); }

    static void TimerProc(platform::TimerId id, void* user);

    std::atomic<int> loop{0};
    int keepDevice = 0;
    // Milliseconds slept after each event sent before the first note.
    int leadingPause = 0;

    int PlayIndex() const { return playIndex_; }
    // The tempo as whole beats per minute, for showing.
    int Bpm() const { return bpm_; }
    // Microseconds per quarter note the events are timed by.
    int Tempo() const { return tempo_; }
    int TimerPeriod() const { return period_; }

protected:
    // A player that is only prepared by the derived class.
    MidiPlayer();

    // The tempo of a tempo meta event becomes the current tempo and bpm.
    void ApplyTempo(const MidiEvent& event);
    // Sends a channel or system-exclusive event (tempo and meta events not).
    void SendMessageOf(const MidiEvent& event);
    // Moves the due instant on by delta ticks at the current tempo; false
    // (with the message) when the division gives no time.
    bool AdvanceDue(long long delta);
    // Starts the first timer of the chain: the event at the play index is due
    // one period plus its own delta from now. False when no timer was set.
    bool StartChain(platform::TimerProc proc);
    // Sets the one-shot timer for the due instant when it lies at least 1 ms
    // ahead (true); otherwise sleeps until it (false).
    bool ScheduleOrSleep(platform::TimerProc proc, bool* failed);
    // The start of every timer callback: a stop request silences and ends
    // play, an early wake sets the timer again; true when the event at the
    // play index is due now.
    bool BeginCallback(platform::TimerProc proc);
    // Marks the chain ended: PlayerPlaying = 0, waiters woken.
    void EndPlay();
    bool StopWanted() const { return PlayerStopRequest.load() != 0 || killRequested_.load(); }
    const MidiEvent* EventAt(int index) const;
    int EventCount() const;

    MidiF0Data* song_ = nullptr;
    std::shared_ptr<MidiControler> controler_;
    int playIndex_ = 0;
    int bpm_ = kDefaultPlayBpm;
    int tempo_ = kDefaultPlayTempo;
    int speed_ = 100;
    int period_ = 1;
    unsigned resolution_ = 1;
    PlayEventCallback eventCallback_ = nullptr;
    std::atomic<platform::TimerId> timerId_{0};
    std::atomic<bool> killRequested_{false};
    // Clock time at which the event at playIndex_ is due: whole nanoseconds,
    // and the rest in units of 1 / (division x speed) ns.
    long long dueNs_ = 0;
    long long dueRest_ = 0;

private:
    void OnTimer();
};

class CallBackPlayer : public MidiPlayer {
public:
    // Plays from startTick, reporting each event to callback; stops at
    // endPosition (-1 = none).
    CallBackPlayer(MidiF0Data* song, int deviceId, PlayEventCallback callback, long long startTime,
                   long long startTick, long long endPosition);
    // As above; with nothing left to play after the preparation no timer is
    // started and PlayerPlaying is 0. Reaching the end position then ends
    // play quietly (the owner calls endCallback once play has ended).
    CallBackPlayer(MidiF0Data* song, int deviceId, PlayEventCallback callback, long long startTime,
                   long long startTick, long long endPosition, PlayEndCallback endCallback);

    ~CallBackPlayer() override;

    static void TimerProc(platform::TimerId id, void* user);
    long long CurrentTime() const { return currentTime_; }

private:
    struct BatchEntry {
        int index;
        long long time;
        long long due;  // clock time in ns
    };
    void Start(MidiF0Data* song, int deviceId, PlayEventCallback callback, long long startTime,
               long long startTick, long long endPosition, bool quietWhenEmpty);
    void OnTimer();
    void SendBatch();

    long long currentTime_ = 0;  // tick of the event at the play index
    long long endPosition_ = -1;
    PlayEndCallback endCallback_ = nullptr;
    std::vector<BatchEntry> batch_;
};
