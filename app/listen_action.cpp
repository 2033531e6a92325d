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
    const int type = OutputType.load();
    const bool wave = PanelMode.load() != kPanelModeEdit && type == 22;
    if (PanelMode.load() == kPanelModeEdit) OutputType = 2;
    if (wave && WavePlayer) {
        WavePlayer->Stop();
        ComposingActive = 0;
    }
    PlayingActive = 0;
    GetShellServices()->Pause(kStopWaitMs);
    if (!wave) {
        const bool smf = IsSmfOutputType(OutputType.load()) == 1;
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
    const int type = OutputType.load();
    ResultText.Set(FileNameOfPath(path) +
                   (type == 21 || type == 22 ? " has been converted!" : " is now playing."));
    switch (type) {
        case 0:
        case 1:
        case 2:
            PlaySmfFile(path);
            break;
        case 3:
        case 10:
        case 13:
            PlayMfiFile(path, 4);
            break;
        case 5:
            PlayMfiFile(path, 254);
            break;
        case 9:
        case 12:
            PlayMfiFile(path, 1);
            break;
        case 11:
            PlayMfiFile(path, 252);
            break;
        case 14:
            PlayMultiMfiFile(path, 6);
            break;
        case 15:
            PlayMultiMfiFile(path, 7);
            break;
        case 16:
            PlayMultiMfiFile(path, 8);
            break;
        case 18:
            PlayMultiMfiFile(path, 32);
            break;
        case 24:
            PlayMultiMfiFile(path, 9);
            break;
        case 8:
            PlayMa1(path);
            break;
        case 20:
            PlayMfmFile(path);
            break;
        case 21:
            ShowErrorMessage(kNotPlayedError);
            break;
        case 22:
            PlayWaveFile(path, MainWindow() ? &MainWindow()->GetWindow() : nullptr);
            break;
        case 25:
            RepaintAfter(kRingVoiceNotPlayedError);
            break;
        case 4:
        case 6:
        case 7:
        case 17:
        case 19:
            PlaySmafFile(path);
            break;
        default:
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
