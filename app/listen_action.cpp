// The panel's Play action in edit and convert mode: the last result played
// by the listen driver of its output type, or the listen stopped.
#include <string>

#include "app/main_dlg.h"
#include "app/ringtone_listen.h"
#include "app/shell_seams.h"
#include "app/wave_listen.h"
#include "compose/compose_control.h"
#include "convert/mobile_data.h"
#include "convert/ringtone/ma1_data.h"
#include "core/app_utilities.h"
#include "core/conversion_services.h"
#include "core/output_formats.h"
#include "core/reporters.h"
#include "core/settings.h"
#include "core/shell_services.h"

namespace {

constexpr ErrorCode kNothingToPlayError =
    0xFF010127;  // "You can not play before compose, convert or edit!"
constexpr ErrorCode kNotPlayedError = 0xFF01014F;
constexpr ErrorCode kInvalidPlayError = 0xFF0101C2;  // "Invalid file for play!"
constexpr ErrorCode kRingVoiceNotPlayedError = 0xFF010166;
constexpr int kStopWaitMs = 1000;

void ClearStatusLines() {
    StatusText.Clear();
    ResultText.Clear();
    ProgressDotsText.Clear();
}

void StopResult() {
    const bool wave = PanelMode.load() != kPanelModeEdit &&
                      FormatOf(OutputType.load()).listen == ListenRoad::Wave;
    if (PanelMode.load() == kPanelModeEdit) OutputType = kGmSmfType;
    if (wave && WavePlayer) {
        WavePlayer->Stop();
        ComposingActive = 0;
    }
    PlayingActive = 0;
    GetShellServices()->Pause(kStopWaitMs);
    if (!wave) {
        const bool smf = FormatOf(OutputType.load()).family == FormatFamily::Smf;
        if (!smf && !RingtoneListenHeld()) ShowErrorMessage(listen_code::kMobileDataWrong);
        // Freed here, on the UI thread, and nowhere else.
        StopRingtoneListen();
    }
    ClearStatusLines();
}

void PlayMa1(const std::string& path) {
    StopRingtoneListen();
    PlayingActive = 1;
    if (PlayMa1File(path, MobileListenEnded, ListenMobileData) != 1) PlayingActive = 0;
}

void RepaintAfter(ErrorCode code) {
    ShowErrorMessage(code);
    GetShellServices()->RedrawPanel();
}

void PlayResult(const std::string& path) {
    const OutputFormat& format = FormatOf(OutputType.load());
    ResultText.Set(FileNameOfPath(path) +
                   (format.RendersAudio() ? " has been converted!" : " is now playing."));
    switch (format.listen) {
        case ListenRoad::Smf:
            PlaySmfFile(path);
            break;
        case ListenRoad::Mfi:
            PlayMfiFile(path, format.listenArgument);
            break;
        case ListenRoad::MultiMfi:
            PlayMultiMfiFile(path, format.listenArgument);
            break;
        case ListenRoad::Ma1:
            PlayMa1(path);
            break;
        case ListenRoad::Mfm:
            PlayMfmFile(path);
            break;
        case ListenRoad::Smaf:
            PlaySmafFile(path);
            break;
        case ListenRoad::Wave:
            PlayWaveFile(path, MainWindow() ? &MainWindow()->GetWindow() : nullptr);
            break;
        case ListenRoad::NotPlayed:
            ShowErrorMessage(kNotPlayedError);
            break;
        case ListenRoad::RingVoiceNotPlayed:
            RepaintAfter(kRingVoiceNotPlayedError);
            break;
        case ListenRoad::Invalid:
            RepaintAfter(kInvalidPlayError);
            break;
    }
}

}  // namespace

void PlayOrStopResult() {
    const std::string path = LastOutputPath.Get();
    if (path.empty()) {
        ShowErrorMessage(kNothingToPlayError);
        return;
    }
    GetShellServices()->RedrawPanel();
    if (PlayingActive.load() == 1)
        StopResult();
    else
        PlayResult(path);
    GetShellServices()->DrawStatus();
}
