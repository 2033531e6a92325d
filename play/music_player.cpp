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
    return callBackPlayer_ ? callBackPlayer_ : midiPlayer_;
}

int MusicPlayer::Start(MidiF0Data* song, PlayEventCallback eventCallback, long long startTime,
                       long long startTick, long long endPosition, PlayEndCallback endCallback) {
    if (!song || song->noteMode != note_mode::kNoteOnOff) ShowMusicPlayerError(mdsp::kInternal);
    std::lock_guard<std::mutex> lock(mutex_);
    endCallback_ = endCallback;
    if (eventCallback) {
        callbackMode_ = eventCallback;
        int device = CallBackPlayerDevice.load();
        callBackPlayer_ = endCallback ? new CallBackPlayer(song, device, eventCallback, startTime,
                                                           startTick, endPosition, endCallback)
                                      : new CallBackPlayer(song, device, eventCallback, startTime,
                                                           startTick, endPosition);
        if (callBackPlayer_->DeviceOpen()) return 1;
        delete callBackPlayer_;
        callBackPlayer_ = nullptr;
        callbackMode_ = nullptr;
        return 0;
    }
    callbackMode_ = nullptr;
    midiPlayer_ = new MidiPlayer(song, platform::kMidiMapper);
    if (midiPlayer_->DeviceOpen()) return 1;
    delete midiPlayer_;
    midiPlayer_ = nullptr;
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
    MidiPlayer* player = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        player = Current();
        midiPlayer_ = nullptr;
        callBackPlayer_ = nullptr;
        callbackMode_ = nullptr;
    }
    delete player;
}

void MusicPlayer::SetLoop(int loop) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (MidiPlayer* player = Current()) player->loop = loop;
}
