#include "app/ring_voice_selection_dialog.h"

#include "app/number_box.h"
#include "convert/audio/ring_voice_table.h"
#include "platform/message_sink.h"

using namespace platform::ui;

namespace {

constexpr int kDialogWidth = 420;
constexpr int kDialogHeight = 96;
constexpr Rect kListPlace = Rect::FromSize(12, 14, 396, 24);
constexpr Rect kOkPlace = Rect::FromSize(170, 54, 80, 28);

}  // namespace

CRingVoiceSelectionDlg::CRingVoiceSelectionDlg(Window* parent) : parent_(parent) {}

int CRingVoiceSelectionDlg::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void CRingVoiceSelectionDlg::OnInitDialog() {
    if (built_) return;
    built_ = true;
    Window& window = GetWindow();
    window.SetTitle(kRingVoiceDialogTitle);
    ResizeToClient(window, kDialogWidth, kDialogHeight);
    list_ = &window.AddControl(ControlKind::ComboBox, kListPlace, kRingVoiceCombo);
    for (int i = 0; i < RingVoiceFormatCount; ++i)
        list_->AddItem(RingVoiceFormatTable[i].handsetList, i);
    list_->SetSelection(0);
    window.AddControl(ControlKind::PushButton, kOkPlace, kRingVoiceOk).SetText("OK");
}

void CRingVoiceSelectionDlg::StoreAndClose() {
    formatIndex = list_ ? list_->SelectedValue(0) : 0;
    GetWindow().EndModal(platform::kIdOk);
}

void CRingVoiceSelectionDlg::OnControl(Window&, Control& control, ControlEvent event) {
    if (control.Id() == kRingVoiceOk && event == ControlEvent::Clicked) StoreAndClose();
}

void CRingVoiceSelectionDlg::OnOk(Window&) {
    StoreAndClose();
}

void CRingVoiceSelectionDlg::OnCancel(Window& window) {
    window.EndModal(platform::kIdCancel);
}
