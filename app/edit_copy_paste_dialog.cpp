#include "app/edit_copy_paste_dialog.h"

EditCopyPaste::EditCopyPaste(platform::ui::Window* parent, int firstStep, int lastStep)
    : EditPanel(parent, "Copy Paste",
                {kCopyPasteCopyStatic, kCopyPastePasteStatic, kCopyPasteOnChordStatic},
                {"Copy", "Paste", "Paste on Chord"}, firstStep, lastStep) {}

void EditCopyPaste::OnPanelButton(int index) {
    switch (index) {
        case kCopyPasteCopyButton:
            CopyMelody(Sections());
            break;
        case kCopyPastePasteButton:
            PasteMelody(Sections());
            break;
        case kCopyPasteOnChordButton:
            PasteMelodyOnChord(Sections());
            break;
        default:
            break;
    }
}
