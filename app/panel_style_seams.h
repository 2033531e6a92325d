// The style editor's dialogs as the edit panels open them. Each runs
// modally over WorkingStyle; until the style editor is built they change
// nothing.
#pragma once

namespace platform::ui {
class Window;
}

// The "Harmony Pattern" picker for the harmony part: the chosen pattern goes
// into WorkingStyle.harmonyPattern. 1 when closed with a choice.
int ChooseHarmonyPattern(platform::ui::Window* parent);
// The custom harmony pattern dialog (the step pattern of pattern 47).
void RunCustomHarmonyDialog(platform::ui::Window* parent);
// The melody settings of the melody part.
void EditMelodyAlgorithm(platform::ui::Window* parent);
