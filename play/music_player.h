// MusicPlayer: the one playback object through which the play threads of
// the tunes start a player, wait for its end, stop it and release it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "play/midi_player.h"

// Failures of MusicPlayer, tag "MDSP".
namespace mdsp {
constexpr std::uint32_t kInternal = 0x9000001;
}

class MusicPlayer {
public:
    MusicPlayer() = default;
    // A player still running at exit is left to the system: the timers it
    // would have to stop are gone by then.
    ~MusicPlayer() = default;
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // Starts a player on the song: a CallBackPlayer on CallBackPlayerDevice
    // with an event callback, else a MidiPlayer on the mapper. 1 when a
    // device was opened; otherwise the player is deleted and 0 returned.
    int Start(MidiF0Data* song, PlayEventCallback eventCallback, long long startTime,
              long long startTick, long long endPosition, PlayEndCallback endCallback);
    void RequestStop();
    // Ends the running timer chain at once.
    void Kill();
    // 1 while a player object exists.
    int IsPlaying() const;
    // Waits until play has ended. After a stop request the chain is ended at
    // once and silenced, and 0 returned; otherwise the result of the end
    // callback (0 when none).
    int WaitForEnd(PlayEndCallback endCallback);
    // Deletes the player (which closes the device).
    void ReleasePlayer();
    void SetLoop(int loop);

    // 1 while no play thread runs.
    std::atomic<int> idle{1};

private:
    MidiPlayer* Current() const;

    mutable std::mutex mutex_;
    PlayEventCallback callbackMode_ = nullptr;
    // A CallBackPlayer in callback mode, else a MidiPlayer.
    std::unique_ptr<MidiPlayer> player_;
    PlayEndCallback endCallback_ = nullptr;
};

// The one playback object of the program.
extern MusicPlayer TheMusicPlayer;

void ShowMusicPlayerError(std::uint32_t code);
