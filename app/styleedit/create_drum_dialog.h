// "Create Drum": the three sets of random values the "Create" rhythm plays.
// A plain dialog: each set can be rolled again and a bar of it heard.
#pragma once

#include "app/zaw_dialog.h"

constexpr int kCreateDrumFirstCreate = 1201;  // + set 0..2
constexpr int kCreateDrumFirstListen = 1211;  // + set 0..2
constexpr int kCreateDrumFirstLabel = 1221;   // + set 0..2
constexpr int kCreateDrumOk = 1231;

class ZACreateDrum : public ZAWDialog {
public:
    explicit ZACreateDrum(platform::ui::Window* parent = nullptr);

    int DoModal();
    void OnInitDialog();

    void OnControl(platform::ui::Window& window, platform::ui::Control& control,
                   platform::ui::ControlEvent event) override;
    void OnOk(platform::ui::Window& window) override;
    void OnCancel(platform::ui::Window& window) override;

    // Plays a bar of set 0..2 and waits for it (the bar plus 2 s at most).
    void ListenToSet(int set);

private:
    platform::ui::Window* parent_;
    bool built_ = false;
};

// Rolls all three sets, then runs the dialog.
void OpenDrumCreator(platform::ui::Window* parent);
