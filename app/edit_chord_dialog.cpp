#include "app/edit_chord_dialog.h"

#include "app/edit_panel_seams.h"
#include "app/panel_style_seams.h"
#include "style/style_table.h"
#include "tuneedit/tune_edits.h"

EditChord::EditChord(platform::ui::Window* parent, int firstStep, int lastStep)
    : EditPanel(parent, "Edit Chord",
                {kEditChordChangeStatic, kEditChordDeleteStatic, kEditChordDelayStatic},
                {"Change", "Delete", "Set Delay"}, firstStep, lastStep) {}

void EditChord::RefreshCaptions() {
    SetCaption(kEditChordDelayButton, DelayCaption(kEditHarmonyDelayChannel));
}

void EditChord::OnPanelButton(int index) {
    switch (index) {
        case kEditChordChangeButton: {
            ChooseHarmonyPattern(&GetWindow());
            const int pattern = WorkingStyle.harmonyPattern;
            if (pattern == kUnusableHarmonyPatternA || pattern == kUnusableHarmonyPatternB)
                ShowErrorMessage(kPatternUnusableError);
            if (pattern == kCustomHarmonyPattern) RunCustomHarmonyDialog(&GetWindow());
            RunUnderWaitCursor([&] { ChangeHarmony(Sections()); });
            break;
        }
        case kEditChordDeleteButton:
            DeleteHarmonyRange(Sections());
            break;
        case kEditChordDelayButton:
            ToggleHarmonyDelay();
            RefreshCaptions();
            break;
        default:
            break;
    }
}

void RunEditChordPanel(platform::ui::Window* parent, int firstStep, int lastStep) {
    EditChord panel(parent, firstStep, lastStep);
    panel.DoModal();
}
