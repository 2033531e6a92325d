#include "app/edit_melody_dialog.h"

#include "app/edit_copy_paste_dialog.h"
#include "app/edit_panel_seams.h"
#include "app/edit_richness_dialog.h"
#include "app/panel_style_seams.h"

EditMelody::EditMelody(platform::ui::Window* parent, int firstStep, int lastStep)
    : EditPanel(parent, "Edit Melody",
                {kEditMelodyCopyPasteStatic, kEditMelodyDeleteStatic, kEditMelodyComposeStatic,
                 kEditMelodyOctaveStatic},
                {"Copy Paste", "Delete", "Compose", "Octave"}, firstStep, lastStep) {}

void EditMelody::OnPanelButton(int index) {
    switch (index) {
        case kEditMelodyCopyPasteButton: {
            EditCopyPaste panel(&GetWindow(), FirstStep(), LastStep());
            panel.DoModal();
            break;
        }
        case kEditMelodyDeleteButton:
            DeleteMelodyBeats(FirstStep(), LastStep());
            ClearSelection();
            break;
        case kEditMelodyComposeButton:
            ShowInfoBox(kRecomposeNotice);
            EditMelodyAlgorithm(&GetWindow());
            RunUnderWaitCursor([] { RecomposeAllSections(); });
            ClearSelection();
            break;
        case kEditMelodyOctaveButton: {
            EditRichness panel(&GetWindow(), FirstStep(), LastStep());
            panel.DoModal();
            break;
        }
        default:
            break;
    }
}

void RunEditMelodyPanel(platform::ui::Window* parent, int firstStep, int lastStep) {
    EditMelody panel(parent, firstStep, lastStep);
    panel.DoModal();
}
