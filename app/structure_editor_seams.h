// The structure editors the style definition hub opens, each editing
// WorkingStyle at once.
#pragma once

namespace platform::ui {
class Window;
}

// The tune structure editor; the hand-on value goes on to the editors it
// opens.
void RunTuneStructureEditor(platform::ui::Window* parent, int handOn);
// The melody structure editor of a style part (1 Melody).
void RunMelodyStructureEditor(platform::ui::Window* parent, int part);
void RunHarmonyStructureEditor(platform::ui::Window* parent);
void RunRhythmStructureEditor(platform::ui::Window* parent);
