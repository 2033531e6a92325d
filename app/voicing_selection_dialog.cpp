#include "app/voicing_selection_dialog.h"

#include <algorithm>

using namespace platform::ui;

VoicingSelection::VoicingSelection(Window* parent) : ValueDialog(parent, kSmallDialogHeight) {}

int VoicingSelection::Count() const {
    return table ? std::clamp(count, 0, static_cast<int>(texts.size())) : 0;
}

void VoicingSelection::BuildControls(Window& window) {
    check_ =
        &window.AddControl(ControlKind::CheckBox, Rect::FromSize(45, 30, 240, 24), kVoicingCheck);
    check_->SetText(checkCaption);
    check_->SetValue(checkState && *checkState == 1 ? 1 : 0);
    combo_ =
        &window.AddControl(ControlKind::ComboBox, Rect::FromSize(45, 70, 240, 24), kVoicingCombo);
    int selected = -1;
    for (int i = 0; i < Count(); ++i) {
        combo_->AddItem(texts[i], table[i]);
        if (selected < 0 && value && table[i] == *value) selected = i;
    }
    combo_->SetSelection(selected);
}

bool VoicingSelection::Accept() {
    const int index = combo_->Selection();
    if (value && index >= 0 && index < Count()) *value = table[index];
    if (checkState) *checkState = check_->Value() == 1 ? 1 : 0;
    return true;
}
