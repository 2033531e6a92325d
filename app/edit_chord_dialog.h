// "Chord": the harmony of the selected sections generated again over a
// chosen pattern, deleted, or doubled by a delayed copy.
#pragma once

#include "app/edit_panel.h"

constexpr int kEditChordChangeButton = 1;
constexpr int kEditChordDeleteButton = 2;
constexpr int kEditChordDelayButton = 3;
constexpr int kEditChordChangeStatic = 1161;
constexpr int kEditChordDeleteStatic = 2156;
constexpr int kEditChordDelayStatic = 2157;
// Harmony patterns the regeneration cannot use, and the custom one.
constexpr int kUnusableHarmonyPatternA = 40;
constexpr int kUnusableHarmonyPatternB = 41;
constexpr int kCustomHarmonyPattern = 47;

class EditChord : public EditPanel {
public:
    EditChord(platform::ui::Window* parent, int firstStep, int lastStep);

protected:
    void OnPanelButton(int index) override;
    void RefreshCaptions() override;
};
