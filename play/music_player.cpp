#include "play/music_player.h"

#include <chrono>

#include "core/reporters.h"
#include "midi/f0_data.h"

MusicPlayer TheMusicPlayer;

namespace {

const CodeText kMusicPlayerTable[] = {
    {mdsp::kInternal, "Internal Error occured in MusicPlayer!"},
};

constexpr ClassReporter kMusicPlayerReporter("MDSP", kMusicPlayerTable,
                                             "Error occured in MusicPlayer!");

constexpr std::chrono::milliseconds kPollStep(100);

}  // namespace

void ShowMusicPlayerError(std::uint32_t code) {
    kMusicPlayerReporter.Show(code);
}

MidiPlayer* MusicPlayer::Current() const {
    return player_.get();
}

int MusicPlayer::Start(MidiF0Data* song, PlayEventCallback eventCallback, long long startTime,
                       long long startTick, long long endPosition, PlayEndCallback endCallback) {
    if (!song || song->noteMode != note_mode::kNoteOnOff) ShowMusicPlayerError(mdsp::kInternal);
    std::lock_guard<std::mutex> lock(mutex_);
    endCallback_ = endCallback;
    if (eventCallback) {
        callbackMode_ = eventCallback;
        int device = CallBackPlayerDevice.load();
        player_ = endCallback
                      ? std::make_unique<CallBackPlayer>(song, device, eventCallback, startTime,
                                                         startTick, endPosition, endCallback)
                      : std::make_unique<CallBackPlayer>(song, device, eventCallback, startTime,
                                                         startTick, endPosition);
        if (player_->DeviceOpen()) return 1;
        player_.reset();
        callbackMode_ = nullptr;
        return 0;
    }
    callbackMode_ = nullptr;
    player_ = std::make_unique<MidiPlayer>(song, platform::kMidiMapper);
    if (player_->DeviceOpen()) return 1;
    player_.reset();
    return 0;
}

void MusicPlayer::RequestStop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!Current()) return;
        PlayerStopRequest = 1;
    }
    WakePlayWaiters();
}

void MusicPlayer::Kill() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (MidiPlayer* player = Current()) player->Kill();
        PlayerPlaying = 0;
    }
    WakePlayWaiters();
}

int MusicPlayer::IsPlaying() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return Current() ? 1 : 0;
}

int MusicPlayer::WaitForEnd(PlayEndCallback endCallback) {
    std::shared_ptr<platform::Clock> clock = platform::GetClock();
    while (!WaitForPlayEnd(clock->Now() + kPollStep)) {
        if (PlayerStopRequest.load() == 0) continue;
        // A stop ends play now rather than at the next event, which may be
        // seconds away.
        std::lock_guard<std::mutex> lock(mutex_);
        if (MidiPlayer* player = Current()) {
            player->Kill();
            player->AllNotesOff();
        }
        PlayerPlaying = 0;
    }
    if (PlayerStopRequest.load() != 0) return 0;
    return endCallback ? endCallback() : 0;
}

void MusicPlayer::ReleasePlayer() {
    std::unique_ptr<MidiPlayer> player;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        player = std::move(player_);
        callbackMode_ = nullptr;
    }
    // Freed outside the lock: closing the device may take a while.
    player.reset();
}

void MusicPlayer::SetLoop(int loop) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (MidiPlayer* player = Current()) player->loop = loop;
}
