// Where the panel and the start-up reach the rest of the shell: the media
// layer, the mixer check, the settings, device and style dialogs, and the
// convert, edit and listen actions. Those not built yet do nothing (the
// README lists them); the media layer, the mixer check, the settings, the
// timer dialog and the convert, edit and listen actions are real. The timer thread is started and stopped through hooks that the program sets, so a panel
// run without the program's hooks has no thread polling the clock.
#pragma once

#include <atomic>
#include <functional>
#include <string>

namespace platform::ui {
class Window;
}

// The media layer: 1 when it could be started.
extern std::atomic<int> QuickTimeAvailable;
// 1 when the default soundfont loads into a software synth rendered by the
// caller (no audio output); the synth is kept until StopQuickTime.
int StartQuickTime();
// The same with another soundfont (for tests).
int StartQuickTimeWith(const std::string& soundFont);
void StopQuickTime();
void AttachQuickTimeWindow(platform::ui::Window& panel);

// The system mixer's check at panel start.
void CheckSystemMixer();

// Dialogs owned by the panel.
void OpenSystemSetting(platform::ui::Window* owner);
// "Device Selection", centred over the owner.
void SelectMidiDevice(platform::ui::Window* owner = nullptr);
void OpenStyleSelection(platform::ui::Window* owner);
// The timer dialog ("Timer Set"), modal over the owner.
void OpenTimerDialog(platform::ui::Window* owner);

// The panel's actions in convert and edit mode: convert a file (an empty
// path asks for one), edit a saved tune, play or stop the last result
// (app/convert_actions.cpp, app/edit_action.cpp, app/listen_action.cpp).
void ConvertInput(const std::string& path);
void EditTune();
void PlayOrStopResult();

// The timer thread (its own library sets the hooks): started once by the
// panel, stopped and joined before the program's shared objects go away.
void SetTimerThreadHooks(std::function<void()> start, std::function<void()> stop);
void StartTimerThreadSeam();
void StopTimerThreadSeam();
