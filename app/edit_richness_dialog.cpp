#include "app/edit_richness_dialog.h"

#include "tuneedit/tune_edits.h"

EditRichness::EditRichness(platform::ui::Window* parent, int firstStep, int lastStep)
    : EditPanel(parent, "Edit Richness", {kRichnessOctaveStatic, kRichnessDelayStatic},
                {"Set Octave", "Set Delay"}, firstStep, lastStep) {}

void EditRichness::RefreshCaptions() {
    SetCaption(kRichnessOctaveButton, OctaveCaption());
    SetCaption(kRichnessDelayButton, DelayCaption(kEditMelodyDelayChannel));
}

void EditRichness::OnPanelButton(int index) {
    if (index == kRichnessOctaveButton) ToggleOctave();
    if (index == kRichnessDelayButton) RemoveMelodyDelay();
    RefreshCaptions();
}
