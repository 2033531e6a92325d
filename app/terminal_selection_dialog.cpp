#include "app/terminal_selection_dialog.h"

#include <algorithm>
#include <cstdint>


using namespace platform::ui;

int SuggestedByteLimit(int byteLimit) {
    return static_cast<int>(static_cast<long long>(byteLimit) * 9 / 10);
}

std::string TerminalInfoLines(const TerminalTable& table, int row) {
    std::string text = table.FormatTerminalInfo(row);
    std::erase(text, '\r');
    return text;
}

CTerminalSelectionDlg::CTerminalSelectionDlg(Window* parent)
    : ValueDialog(parent, kSmallDialogHeight) {}

int CTerminalSelectionDlg::DoModal() {
    table_ = std::make_unique<TerminalTable>();
    const int code = ValueDialog::DoModal();
    table_.reset();
    return code;
}

void CTerminalSelectionDlg::BuildControls(Window& window) {
    combo_ =
        &window.AddControl(ControlKind::ComboBox, Rect::FromSize(12, 10, 190, 24), kTerminalCombo);
    for (int row = 0; row < table_->Count(); ++row)
        combo_->AddItem(table_->Row(row).name, row);
    Control& edit =
        window.AddControl(ControlKind::Edit, Rect::FromSize(210, 10, 70, 24), kTerminalLimitEdit);
    edit.SetNumeric(true);
    spin_ = &window.AddControl(ControlKind::UpDown, Rect::FromSize(280, 10, 20, 24),
                               kTerminalLimitSpin);
    spin_->SetRange(std::clamp(numberMinimum, -32768, 32767),
                    std::clamp(numberMaximum, -32768, 32767));
    spin_->BindBuddy(&edit);
    spin_->SetValue(numberValue);
    // The list of models runs long: the pane wraps it and scrolls.
    info_ =
        &window.AddControl(ControlKind::TextPane, Rect::FromSize(12, 40, 285, 96), kTerminalInfo);
    const int row = terminalIndex >= 0 && terminalIndex < table_->Count() ? terminalIndex : 0;
    combo_->SetSelection(row);
    ShowTerminal(row, false);
}

void CTerminalSelectionDlg::ShowTerminal(int row, bool suggestLimit) {
    info_->SetText(TerminalInfoLines(*table_, row));
    if (suggestLimit) {
        const int figure = SuggestedByteLimit(table_->GetByteLimit(row));
        spin_->SetValue(figure);
        // The field shows the figure itself, even past the arrows' range.
        spin_->Buddy()->SetText(std::to_string(figure));
    }
}

void CTerminalSelectionDlg::OnControl(Window&, Control& control, ControlEvent event) {
    if (&control == combo_ && event == ControlEvent::SelectionChanged && combo_->Selection() >= 0)
        ShowTerminal(combo_->Selection(), true);
}

bool CTerminalSelectionDlg::Accept() {
    // The limit is read as the arrows hold it: inside their range.
    const int typed = spin_->Buddy()->NumberOr(spin_->Value());
    numberValue =
        static_cast<std::int16_t>(std::clamp(typed, spin_->RangeLow(), spin_->RangeHigh()));
    if (combo_->Selection() >= 0) terminalIndex = combo_->Selection();
    return true;
}
