// Playing a tune: the play copy, the play thread and stopping.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/utilities.h"
#include "midi/f0_data.h"
#include "platform/midi_out.h"
#include "play/music_player.h"

namespace {

constexpr int kPlayDivision = 96;
constexpr std::chrono::milliseconds kIdleStep(100);
constexpr std::chrono::milliseconds kStartStep(50);
constexpr int kIdleStepsBeforeStop = 50;
constexpr int kIdleStepsBeforeGivingUp = 100;

// The tune a play thread is playing now (null when none).
std::atomic<MidiF0Data*> g_tuneInPlay{nullptr};

// How a play thread's start went, for the thread that started it.
struct StartSignal {
    std::mutex mutex;
    std::condition_variable changed;
    int state = 0;  // 0 pending, 1 started, -1 gave up

    void Set(int value) {
        std::lock_guard<std::mutex> lock(mutex);
        state = value;
        changed.notify_all();
    }
};

// Wakes the waits for an idle player as soon as a play thread ends.
std::mutex g_idleMutex;
std::condition_variable g_idleChanged;

void SetIdle(int idle) {
    {
        std::lock_guard<std::mutex> lock(g_idleMutex);
        TheMusicPlayer.idle = idle;
    }
    g_idleChanged.notify_all();
}

// One step of a wait for an idle player; true when it is idle.
bool WaitIdleStep(std::chrono::milliseconds step) {
    std::shared_ptr<platform::Clock> clock = platform::GetClock();
    platform::Nanoseconds deadline = clock->Now() + step;
    std::unique_lock<std::mutex> lock(g_idleMutex);
    while (!TheMusicPlayer.idle.load()) {
        if (clock->WaitUntil(lock, g_idleChanged, deadline)) break;
    }
    return TheMusicPlayer.idle.load() != 0;
}

bool WaitForIdle(int steps) {
    for (int i = 0; i < steps; ++i) {
        if (WaitIdleStep(kIdleStep)) return true;
    }
    return TheMusicPlayer.idle.load() != 0;
}

// Waits for the running play to end: a stop is requested after 5 s, and
// after 10 s the wait gives up (false) with the general error.
bool WaitForPlayerIdle() {
    for (int i = 1; i <= kIdleStepsBeforeGivingUp; ++i) {
        if (TheMusicPlayer.idle.load()) return true;
        if (i == kIdleStepsBeforeStop) TheMusicPlayer.RequestStop();
        if (WaitIdleStep(kIdleStep)) return true;
    }
    if (TheMusicPlayer.idle.load()) return true;
    ShowGeneralError(gene::kQuitAndRestart);
    return false;
}

// Ends the play now: a stop request, then the chain is cut; true once the
// play thread has finished.
bool StopRunningPlay() {
    TheMusicPlayer.RequestStop();
    if (WaitForIdle(20)) return true;
    TheMusicPlayer.Kill();
    return WaitForIdle(20);
}

void PlayThreadMain(PlayParameters block, std::shared_ptr<StartSignal> signal) {
    SetIdle(0);
    g_tuneInPlay = block.tune;
    int started = TheMusicPlayer.Start(block.tune, block.eventCallback, block.startTime,
                                       block.startTick, block.endPosition, block.endCallback);
    if (started) {
        signal->Set(1);
        TheMusicPlayer.SetLoop(block.loop);
        TheMusicPlayer.WaitForEnd(block.endCallback);
        // The player goes first: nothing of it may touch the tune afterwards.
        TheMusicPlayer.ReleasePlayer();
        g_tuneInPlay = nullptr;
        block.owned.reset();
        SetIdle(1);
        return;
    }
    g_tuneInPlay = nullptr;
    if (block.endCallback) block.endCallback();
    block.owned.reset();
    SetIdle(1);
    signal->Set(-1);
}

// Keeps the last play thread so that it is joined: by the next start, which
// finds it idle and at most finishing its last steps, and at exit, before
// the globals it signals are destroyed.
class PlayThreadHolder {
public:
    ~PlayThreadHolder() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!thread_.joinable()) return;
        // A play still running at exit is asked to stop first.
        if (!TheMusicPlayer.idle.load()) StopRunningPlay();
        if (TheMusicPlayer.idle.load() && thread_.get_id() != std::this_thread::get_id()) {
            thread_.join();
        } else {
            // A chain that would not end is left to the system.
            thread_.detach();
        }
    }
    // Joins the previous thread (idle by now) and keeps the new one.
    void Start(PlayParameters block, std::shared_ptr<StartSignal> signal) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (thread_.joinable()) {
            if (thread_.get_id() == std::this_thread::get_id()) {
                thread_.detach();
            } else {
                thread_.join();
            }
        }
        thread_ = std::thread(PlayThreadMain, std::move(block), std::move(signal));
    }

private:
    std::mutex mutex_;
    std::thread thread_;
};

PlayThreadHolder& PlayThreads() {
    // The clock and the MIDI system a stop at exit uses are made first, so
    // they are destroyed after the holder.
    platform::GetClock();
    platform::GetMidiOutSystem();
    static PlayThreadHolder holder;
    return holder;
}

}  // namespace

namespace {

bool StopCopyIfPlaying(MidiF0Data* copy) {
    return !(g_tuneInPlay.load() == copy && !TheMusicPlayer.idle.load() && !StopRunningPlay());
}

}  // namespace

int MidiF0Data::PlayNewCopy(PlayEndCallback endCallback, int start, int end) {
    if (MidiF0Data* old = playCopy_.Get()) {
        // A second start while the copy still plays waits for its end.
        if (g_tuneInPlay.load() == old && !TheMusicPlayer.idle.load() && !WaitForPlayerIdle())
            return 0;
        playCopy_.Release();
    }
    playCopy_.Set(start < 0 ? std::make_unique<MidiF0Data>(*this)
                            : std::make_unique<MidiF0Data>(*this, start, end),
                  StopCopyIfPlaying);
    MidiF0Data* copy = playCopy_.Get();
    copy->ChangeResolution(kPlayDivision, 0);
    copy->ConvertToNoteOnOff();
    copy->RemoveLeadingEmptyMeasures();
    return copy->Play(endCallback);
}

int MidiF0Data::PlayCopy(PlayEndCallback endCallback) {
    return PlayNewCopy(endCallback, -1, -1);
}

int MidiF0Data::PlayRange(PlayEndCallback endCallback, int start, int end) {
    return PlayNewCopy(endCallback, start, end);
}

int MidiF0Data::Play(PlayEndCallback endCallback) {
    return StartPlayThread(endCallback, nullptr, 0, 0, -1, 0);
}

int MidiF0Data::PlayWithOptions(PlayEndCallback endCallback, PlayEventCallback eventCallback,
                                long long startTime, int loop) {
    return StartPlayThread(endCallback, eventCallback, startTime, 0, -1, loop);
}

int MidiF0Data::StartPlayThread(PlayEndCallback endCallback, PlayEventCallback eventCallback,
                                long long startTime, long long startTick, long long endPosition,
                                int loop) {
    PlayParameters block{this,      nullptr,   endCallback, eventCallback,
                         startTime, startTick, endPosition, loop};
    return StartPlay(std::move(block));
}

int MidiF0Data::StartPlayThread(std::unique_ptr<MidiF0Data> tune, PlayEndCallback endCallback,
                                PlayEventCallback eventCallback, long long startTime,
                                long long startTick, long long endPosition, int loop) {
    MidiF0Data* played = tune.get();
    PlayParameters block{played,    std::move(tune), endCallback, eventCallback,
                         startTime, startTick,       endPosition, loop};
    return StartPlay(std::move(block));
}

int MidiF0Data::StartPlay(PlayParameters block) {
    // Refused: a second player must not run beside the first (a tune handed
    // over is freed with the block).
    if (!WaitForPlayerIdle()) return 0;
    auto signal = std::make_shared<StartSignal>();
    // Busy from now on, so that no other start slips in before the thread runs.
    SetIdle(0);
    PlayThreads().Start(std::move(block), signal);

    std::shared_ptr<platform::Clock> clock = platform::GetClock();
    std::unique_lock<std::mutex> lock(signal->mutex);
    while (signal->state == 0)
        clock->WaitUntil(lock, signal->changed, clock->Now() + kStartStep);
    return signal->state == 1 ? 1 : 0;
}

int MidiF0Data::PlayThreadProc(PlayParameters block) {
    auto signal = std::make_shared<StartSignal>();
    PlayThreadMain(std::move(block), signal);
    return signal->state == 1 ? 0 : 1;
}

int MidiF0Data::StopPlay() {
    std::shared_ptr<platform::Clock> clock = platform::GetClock();
    bool seen = false;
    for (int i = 0; i < 30 && !seen; ++i) {
        seen = TheMusicPlayer.IsPlaying() != 0;
        if (!seen) clock->SleepFor(kIdleStep);
    }
    if (!seen) ShowError(m0dt::kStopError);
    if (StopRunningPlay()) playCopy_.Release();
    clock->SleepMilliseconds(1000);
    return 1;
}
