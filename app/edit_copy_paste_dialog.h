// "Copy Paste": the melody of the selected sections copied into the edited
// tune's clipboard and pasted, as it is or moved onto the chords it lands
// on.
#pragma once

#include "app/edit_panel.h"

constexpr int kCopyPasteCopyButton = 1;
constexpr int kCopyPastePasteButton = 2;
constexpr int kCopyPasteOnChordButton = 3;
constexpr int kCopyPasteCopyStatic = 1472;
constexpr int kCopyPastePasteStatic = 1473;
constexpr int kCopyPasteOnChordStatic = 2160;

class EditCopyPaste : public EditPanel {
public:
    EditCopyPaste(platform::ui::Window* parent, int firstStep, int lastStep);

protected:
    void OnPanelButton(int index) override;
};
