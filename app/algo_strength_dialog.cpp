#include "app/algo_strength_dialog.h"

using namespace platform::ui;

AlgoStrengthDlg::AlgoStrengthDlg(Window* parent) : ValueDialog(parent, kSmallDialogHeight) {}

void AlgoStrengthDlg::BuildControls(Window& window) {
    window.AddControl(ControlKind::TextView, Rect::FromSize(10, 40, 100, 30), 2066)
        .SetText("Strength");
    spin_ = AddSpinRow(window, kAlgoStrengthEdit, kAlgoStrengthSpin, 120, 220, 40, 0, 1, value);
}

bool AlgoStrengthDlg::Accept() {
    value = SpinPosition(spin_);
    return true;
}
