// The edit panels the chord input dialog opens while a tune is edited. Each
// runs modally over its parent on CurrentEditObject's tune, over the
// selected beats firstStep..lastStep (96 ticks each), and returns when it
// closes.
#pragma once

namespace platform::ui {
class Window;
}

// "Melody": copy and paste, delete, recompose, octave (it opens the copy
// and richness panels itself).
void RunEditMelodyPanel(platform::ui::Window* parent, int firstStep, int lastStep);
// "Chord": change, delete, harmony delay.
void RunEditChordPanel(platform::ui::Window* parent, int firstStep, int lastStep);
// "Adjust": connect, delete dissonant notes.
void RunAdjustmentPanel(platform::ui::Window* parent, int firstStep, int lastStep);
