// "Melody": the melody of the selected beats deleted or composed again,
// and the copy-paste and octave panels opened on the same beats.
#pragma once

#include "app/edit_panel.h"

constexpr int kEditMelodyCopyPasteButton = 1;
constexpr int kEditMelodyDeleteButton = 2;
constexpr int kEditMelodyComposeButton = 3;
constexpr int kEditMelodyOctaveButton = 4;
constexpr int kEditMelodyCopyPasteStatic = 2068;
constexpr int kEditMelodyDeleteStatic = 2157;
constexpr int kEditMelodyComposeStatic = 2158;
constexpr int kEditMelodyOctaveStatic = 2159;

class EditMelody : public EditPanel {
public:
    EditMelody(platform::ui::Window* parent, int firstStep, int lastStep);

protected:
    void OnPanelButton(int index) override;
};
