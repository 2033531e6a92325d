// "Adjust": the melody of the selected sections moved onto chord tones,
// either at the section edges ("Connect") or everywhere ("Delete
// Dissonant").
#pragma once

#include "app/edit_panel.h"

constexpr int kAdjustmentConnectButton = 1;
constexpr int kAdjustmentDissonantButton = 2;
constexpr int kAdjustmentConnectStatic = 2154;
constexpr int kAdjustmentDissonantStatic = 2155;

class Adjustment : public EditPanel {
public:
    Adjustment(platform::ui::Window* parent, int firstStep, int lastStep);

protected:
    void OnPanelButton(int index) override;
};
