#include "app/ringtone_listen.h"

#include <atomic>
#include <vector>

#include "compose/compose_control.h"
#include "convert/mobile_data.h"
#include "convert/multi_mobile_track_data.h"
#include "convert/ringtone/mfi_data.h"
#include "convert/ringtone/mfm_data.h"
#include "convert/ringtone/multi_mfi_data.h"
#include "convert/ringtone/smaf_data.h"
#include "core/reporters.h"
#include "core/shell_services.h"
#include "core/utilities.h"
#include "midi/f0_data.h"
#include "midi/f1_data.h"
#include "platform/ui/ui.h"

std::unique_ptr<MobileData> ListenMobileData;
std::unique_ptr<MultiMobileTrackData> ListenMultiTrackData;
std::unique_ptr<MidiF0Data> ListenMidiData;

namespace {

constexpr int kEndedWaitCursorMs = 1000;

enum class ListenKind { Mobile, MultiTrack, Midi };

// Counts the listens freed. A release posted by an end callback applies
// only while no listen has been freed since, so it never reaches a newer
// listen's object.
std::atomic<unsigned> g_listenGeneration{0};

// Stops the object's play (the play thread may still be finishing) and
// frees it.
void FreeListen(ListenKind kind) {
    switch (kind) {
        case ListenKind::Mobile:
            if (ListenMobileData) ListenMobileData->StopPlaying();
            ListenMobileData.reset();
            break;
        case ListenKind::MultiTrack:
            if (ListenMultiTrackData) ListenMultiTrackData->StopPlaying();
            ListenMultiTrackData.reset();
            break;
        case ListenKind::Midi:
            // The play copy's slot stops the copy before it is deleted.
            ListenMidiData.reset();
            break;
    }
}

void ReleaseEndedListen(ListenKind kind, unsigned generation) {
    if (generation != g_listenGeneration.load()) return;
    FreeListen(kind);
    GetShellServices()->SetWaitCursor(true);
    GetShellServices()->Pause(kEndedWaitCursorMs);
    GetShellServices()->SetWaitCursor(false);
}

int ListenEnded(ListenKind kind) {
    // On the play thread: flags, a posted release and a posted repaint.
    PlayingActive = 0;
    ProgressDotsText.Clear();
    const unsigned generation = g_listenGeneration.load();
    platform::ui::PostToUi([kind, generation] { ReleaseEndedListen(kind, generation); });
    GetShellServices()->BroadcastPaint();
    return 0;
}

// Before a new listen: an object of the same kind still playing is
// reported (one whose play has ended only waits for its release), then
// every listen stops and goes.
void MakeRoom(bool sameKindHeld, std::uint32_t code) {
    if (sameKindHeld && PlayingActive.load() == 1) ShowErrorMessage(code);
    StopRingtoneListen();
}

void ShowNothingToPlay() {
    ResultText.Set(kConvertFileFirst);
    ProgressDotsText.Clear();
    GetShellServices()->RedrawPanel();
}

template <typename Model>
int StartModel(Model& model, PlayEndCallback ended) {
    PlayingActive = 1;
    const int started = model.Play(ended);
    if (started != 1) PlayingActive = 0;
    return started == 1 ? 1 : 0;
}

// The model read from a file's image into ListenMobileData and played.
template <typename Image>
int ListenMobileImage(const Image& image) {
    if (image.Length() <= 0) {
        ShowNothingToPlay();
        return 0;
    }
    MakeRoom(ListenMobileData != nullptr, listen_code::kMobileDataWrong);
    ListenMobileData = std::make_unique<MobileData>(kMobileModelCapacity);
    image.ToMobileData(*ListenMobileData);
    return StartModel(*ListenMobileData, MobileListenEnded);
}

}  // namespace

int MobileListenEnded() {
    return ListenEnded(ListenKind::Mobile);
}

int MultiTrackListenEnded() {
    return ListenEnded(ListenKind::MultiTrack);
}

int MidiListenEnded() {
    return ListenEnded(ListenKind::Midi);
}

void StopRingtoneListen() {
    FreeListen(ListenKind::Mobile);
    FreeListen(ListenKind::MultiTrack);
    FreeListen(ListenKind::Midi);
    // No play of the freed objects runs now, so no end callback of theirs
    // can read the new count.
    ++g_listenGeneration;
    PlayingActive = 0;
}

int RingtoneListenHeld() {
    return ListenMobileData || ListenMultiTrackData || ListenMidiData ? 1 : 0;
}

int PlayMfiFile(const std::string& path, int mfiType) {
    ReadLog log;
    const MFiData mfi(path, mfiType, log);
    log.ShowAll();
    return ListenMobileImage(mfi);
}

int PlayMfmFile(const std::string& path) {
    ReadLog log;
    const std::unique_ptr<MFMData> mfm = MFMData::ReadFile(path, log);
    log.ShowAll();
    if (!mfm) {
        ShowNothingToPlay();
        return 0;
    }
    return ListenMobileImage(*mfm);
}

int PlayMultiMfiFile(const std::string& path, int mfiType) {
    ReadLog log;
    const MultiMFiData mfi(path, mfiType, log);
    log.ShowAll();
    if (mfi.Length() <= 0) {
        ShowNothingToPlay();
        return 0;
    }
    MakeRoom(ListenMultiTrackData != nullptr, listen_code::kMobileDataWrong);
    ListenMultiTrackData = std::make_unique<MultiMobileTrackData>();
    mfi.ToMultiMobileTrackData(*ListenMultiTrackData);
    return StartModel(*ListenMultiTrackData, MultiTrackListenEnded);
}

int ListenSmafData(const SmafData& smaf) {
    std::unique_ptr<MobileData> model = smaf.ToMobileData();
    if (!model) return 0;
    MakeRoom(ListenMobileData != nullptr, listen_code::kMobileDataWrong);
    ListenMobileData = std::move(model);
    return StartModel(*ListenMobileData, MobileListenEnded);
}

int ListenSmafMa3Data(const SmafMa3Data& smaf) {
    std::unique_ptr<MultiMobileTrackData> model = smaf.ToMultiMobileTrackData();
    if (!model) return 0;
    MakeRoom(ListenMultiTrackData != nullptr, listen_code::kMobileDataWrong);
    ListenMultiTrackData = std::move(model);
    return StartModel(*ListenMultiTrackData, MultiTrackListenEnded);
}

int PlaySmafFile(const std::string& path) {
    if (GetFileLength(path) == 0) {
        ProgressDotsText.Clear();
        return 0;
    }
    SmafFileLoader loader(path);
    loader.Log().ShowAll();
    if (loader.Data()) return ListenSmafData(*loader.Data());
    if (loader.Ma3Data()) return ListenSmafMa3Data(*loader.Ma3Data());
    ShowErrorMessage(listen_code::kSmafFailed);
    return 0;
}

int PlaySmfFile(const std::string& path) {
    std::vector<std::uint8_t> image(WorkBufferSize);
    std::size_t count = 0;
    if (!ReadWholeFile(path, image.data(), &count, image.size()) || count == 0) {
        ProgressDotsText.Clear();
        return 0;
    }
    int size = static_cast<int>(count);
    const int capacity = static_cast<int>(image.size());
    if (MidiData::DetectSmfFormat(image.data(), &size) == 0 &&
        !MidiData::ConvertSmfFormat(image.data(), &size, 1, capacity))
        return 0;
    const MidiF1Data song(image.data(), size, capacity);
    if (song.TrackCount() == 0) return 0;
    MakeRoom(ListenMidiData != nullptr, listen_code::kMidiDataError);
    ListenMidiData = std::make_unique<MidiF0Data>(note_mode::kLength, song.division);
    song.MergeTracksInto(*ListenMidiData);
    PlayingActive = 1;
    const int started = ListenMidiData->PlayCopy(MidiListenEnded);
    if (started != 1) PlayingActive = 0;
    return started == 1 ? 1 : 0;
}
