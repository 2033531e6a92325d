// Playing the ringtone model: its enabled slots become one flat track, the
// track a playback tune, and the tune plays on the play thread.
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "convert/mobile_data.h"
#include "convert/mobile_track_data.h"
#include "platform/clock.h"
#include "play/midi_player.h"
#include "play/music_player.h"

namespace {

constexpr int kPlayDivision = 96;
constexpr int kStopSteps = 20;
constexpr std::chrono::milliseconds kStopStep(100);
constexpr int kStopPauseMs = 500;

// One step of a wait in which the play thread may move on.
void PauseStep(platform::Clock& clock) {
    std::mutex mutex;
    std::condition_variable never;
    std::unique_lock<std::mutex> lock(mutex);
    clock.WaitUntil(lock, never, clock.Now() + kStopStep);
}

}  // namespace

std::vector<const MobileChanelData*> MobileData::SlotsToPlay(bool /*multiTrack*/) const {
    std::vector<const MobileChanelData*> slots;
    for (const auto& slot : slots_)
        if (slot->enabled) slots.push_back(slot.get());
    return slots;
}

int MobileData::PlayTrack(const MobileTrackData& track, PlayEndCallback callback) {
    if (!IsPlayableDivision(division)) {
        ShowError(mbdt::kInternal);
        return 0;
    }
    int playTempo = tempo;
    if (playTempo <= 0) {
        ShowError(mbdt::kTempoError);
        playTempo = kDefaultTempo;
    }
    StopOwnPlay();
    playSong_ = std::make_unique<MidiF0Data>(note_mode::kLength, division);
    track.ToMidiF0Data(*playSong_, division, timeSignature, playTempo);
    playSong_->ChangeResolution(kPlayDivision, 0);
    playSong_->ConvertToNoteOnOff();
    playSong_->RemoveLeadingEmptyMeasures();
    return playSong_->Play(callback);
}

int MobileData::PlaySlots(const std::vector<std::unique_ptr<MobileChanelData>>& slots,
                          bool multiTrack, PlayEndCallback callback) {
    std::vector<const MobileChanelData*> pointers;
    for (const auto& slot : slots)
        pointers.push_back(slot.get());
    MobileTrackData track(pointers.data(), static_cast<int>(pointers.size()), capacity_,
                          multiTrack);
    return PlayTrack(track, callback);
}

int MobileData::Play(PlayEndCallback callback) {
    std::vector<const MobileChanelData*> slots = SlotsToPlay(false);
    if (static_cast<int>(slots.size()) > kMaxPlayedSlots) {
        ShowError(mbdt::kTooManyToPlay);
        return 0;
    }
    MobileTrackData track(slots.data(), static_cast<int>(slots.size()), capacity_, false);
    return PlayTrack(track, callback);
}

int MobileData::PlayRange(PlayEndCallback callback, long long begin, long long end) {
    std::vector<const MobileChanelData*> slots = SlotsToPlay(false);
    if (static_cast<int>(slots.size()) > kMaxPlayedSlots) {
        ShowError(mbdt::kTooManyToPlay);
        return 0;
    }
    std::vector<std::unique_ptr<MobileChanelData>> copies;
    for (const MobileChanelData* slot : slots)
        copies.push_back(std::make_unique<MobileChanelData>(*slot, begin, end, capacity_));
    return PlaySlots(copies, false, callback);
}

void MobileData::StopOwnPlay() {
    // A playback tune must not be replaced or freed while its chain runs.
    if (playSong_ && PlayerPlaying.load() != 0) StopPlaying();
}

int MobileData::StopPlaying() {
    if (TheMusicPlayer.idle.load()) return 1;
    std::shared_ptr<platform::Clock> clock = platform::GetClock();
    bool started = false;
    for (int i = 0; i < kStopSteps; ++i) {
        started = TheMusicPlayer.IsPlaying() != 0;
        if (started) break;
        PauseStep(*clock);
    }
    // A player that never started has its timer ended here.
    if (!started) TheMusicPlayer.Kill();
    TheMusicPlayer.RequestStop();
    for (int i = 0; i < kStopSteps && !TheMusicPlayer.idle.load(); ++i) {
        // The chain has ended; the play thread is still finishing.
        if (WaitForPlayEnd(clock->Now() + kStopStep)) PauseStep(*clock);
    }
    if (!TheMusicPlayer.idle.load()) ShowError(mbdt::kClickTooFast2);
    clock->SleepMilliseconds(kStopPauseMs);
    return 1;
}
