// "Ring Voice Format": the handset family a WAV input becomes a ring voice
// for, chosen from the handset lists of the ring-voice format table. A plain
// dialog: one drop-down list and OK; closing it without OK leaves format 0.
#pragma once

#include "app/zaw_dialog.h"

constexpr int kRingVoiceCombo = 1701;
constexpr int kRingVoiceOk = 1702;
inline constexpr const char* kRingVoiceDialogTitle = "Ring Voice Format";

class CRingVoiceSelectionDlg : public ZAWDialog {
public:
    explicit CRingVoiceSelectionDlg(platform::ui::Window* parent = nullptr);

    int DoModal();
    void OnInitDialog();

    void OnControl(platform::ui::Window& window, platform::ui::Control& control,
                   platform::ui::ControlEvent event) override;
    void OnOk(platform::ui::Window& window) override;
    // A plain dialog closes without OK; the format stays 0.
    void OnCancel(platform::ui::Window& window) override;

    // The chosen row of the ring-voice format table (the format number).
    int formatIndex = 0;

private:
    void StoreAndClose();

    platform::ui::Window* parent_;
    platform::ui::Control* list_ = nullptr;
    bool built_ = false;
};
