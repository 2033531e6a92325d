#include "app/note_range_dialog.h"

#include "core/reporters.h"

using namespace platform::ui;

namespace {

constexpr ErrorCode kNoteRangeError = 0xFF010152u;

}  // namespace

NoteRangeSelection::NoteRangeSelection(Window* parent) : ValueDialog(parent, kSmallDialogHeight) {}

std::string NoteRangeSelection::Title() const {
    return singleValue == 1 ? "Value Setting" : "Note Range";
}

void NoteRangeSelection::BuildControls(Window& window) {
    const bool single = singleValue == 1;
    window.AddControl(ControlKind::TextView, Rect::FromSize(10, 40, 100, 30), kNoteLowCaption)
        .SetText(single ? "Value" : "Lowest");
    low_ = single
               ? AddSpinRow(window, kNoteLowEdit, kNoteLowSpin, 120, 220, 40, 0, 127, value)
               : AddSpinRow(window, kNoteLowEdit, kNoteLowSpin, 120, 220, 40, 25, 100, lowestNote);
    Control& caption =
        window.AddControl(ControlKind::TextView, Rect::FromSize(10, 80, 100, 30), kNoteHighCaption);
    caption.SetText("Highest");
    high_ = AddSpinRow(window, kNoteHighEdit, kNoteHighSpin, 120, 220, 80, 32, 127, highestNote);
    if (single) {
        caption.Show(false);
        high_->Show(false);
        high_->Buddy()->Show(false);
    }
}

bool NoteRangeSelection::Accept() {
    if (singleValue == 1) {
        value = SpinPosition(low_);
        return true;
    }
    const int high = SpinPosition(high_);
    const int low = SpinPosition(low_);
    if (high - low < kSmallestNoteRange) {
        ShowErrorMessage(kNoteRangeError);
        return false;
    }
    highestNote = high;
    lowestNote = low;
    return true;
}
