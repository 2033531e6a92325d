#include "compose/compose_control.h"

std::atomic<int> ComposingActive{0};
std::atomic<int> TuneCount{100};
std::atomic<int> TuneInProgress{0};
std::atomic<int> PlayingActive{0};
std::atomic<int> MidiOutDeviceId{-1};

// Placeholders until the compose worker lands: nothing starts.
void OnPlayCompose(int) {}
void ToggleComposing() {}
void ClearComposingFlag() {
    ComposingActive = 0;
}
bool StartComposeRun(int, bool) {
    return false;
}
void StopComposeRun(bool) {}
