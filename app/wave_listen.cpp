#include "app/wave_listen.h"

#include "compose/compose_control.h"
#include "core/reporters.h"
#include "core/shell_services.h"

std::unique_ptr<CWavePlay> WavePlayer;
std::unique_ptr<WaveFile> ListenWaveFile;

namespace {

// Frees the panel after a listen that did not start or has ended.
void ClearListenFlags() {
    ComposingActive = 0;
    PlayingActive = 0;
}

bool IsPlayable16BitPcm(const WaveFile& wave) {
    return wave.FormatTag() == 1 && wave.BitsPerSample() == 16 && wave.Channels() > 0 &&
           wave.SampleRate() > 0 && wave.BlockAlign() == wave.Channels() * 2u;
}

}  // namespace

std::int64_t WaveListenEnded(std::int64_t total, std::int64_t position) {
    if (position < total) return position;
    // On the worker: flags and a posted repaint only.
    ClearListenFlags();
    GetShellServices()->BroadcastPaint();
    return position;
}

void ReleaseWavePlayer() {
    WavePlayer.reset();
    ListenWaveFile.reset();
}

void PlayWaveFile(const std::string& path, platform::ui::Window*) {
    if (ComposingActive) {
        ShowErrorBox(kUnknownErrorText);
        return;
    }
    ComposingActive = 1;
    PlayingActive = 1;
    // The old player stops and joins its worker before its samples go.
    ReleaseWavePlayer();
    ListenWaveFile = std::make_unique<WaveFile>(path);
    ListenWaveFile->Log().ShowAll();
    bool started = false;
    if (ListenWaveFile->HasData() && !IsPlayable16BitPcm(*ListenWaveFile)) {
        ShowErrorBox(wavefile::StatusText(wavefile::kDifferentFormat));
    } else if (ListenWaveFile->HasData()) {
        PlayFormat format;
        format.channels = ListenWaveFile->Channels();
        format.sampleRate = ListenWaveFile->SampleRate();
        const std::span<const std::uint8_t> data = ListenWaveFile->Data();
        WavePlayer = std::make_unique<CWavePlay>(
            platform::MakePcmOut(), format, data,
            static_cast<std::int64_t>(data.size() / format.BlockAlign()), kListenBufferSize,
            kListenBufferCount, kListenEndDelayMs, kListenWorkerSleepMs, WaveListenEnded);
        started = WavePlayer->Start() == 1;
    }
    if (!started) {
        ClearListenFlags();
        ProgressDotsText.Clear();
        GetShellServices()->BroadcastPaint();
    }
}
