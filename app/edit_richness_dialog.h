// "Octave": octave doubling of the melody set or removed, and the melody
// delay track removed.
#pragma once

#include "app/edit_panel.h"

constexpr int kRichnessOctaveButton = 1;
constexpr int kRichnessDelayButton = 2;
constexpr int kRichnessOctaveStatic = 1161;
constexpr int kRichnessDelayStatic = 2101;

class EditRichness : public EditPanel {
public:
    EditRichness(platform::ui::Window* parent, int firstStep, int lastStep);

protected:
    void OnPanelButton(int index) override;
    void RefreshCaptions() override;
};
