// A small skinned dialog asking for one number, or two: each value sits in an
// edit field with up-down arrows held to its range. The caller fills the
// members, runs the dialog and reads the values back. Releasing the OK
// button (or Enter) reads both values and closes; Esc only beeps.
#pragma once

#include <string>

#include "app/zaw_dialog.h"

// Control ids of the edit fields and their arrows.
constexpr int kNumberBoxMainEdit = 2150;
constexpr int kNumberBoxMainSpin = 2151;
constexpr int kNumberBoxSecondEdit = 2152;
constexpr int kNumberBoxSecondSpin = 2153;

// Places a dialog centred over its owner, as dialogs open; nothing without one.
void CentreOverOwner(platform::ui::Window& dialog, const platform::ui::Window* owner);

class NumberBox : public ZAWDialog {
public:
    NumberBox() = default;

    // In: the title, the ranges and the preset values; out: the values. Ranges
    // are held to what a 16-bit position carries.
    std::string title;
    int mainMaximum = 0;
    int mainMinimum = 0;
    int mainValue = 0;
    int secondShown = 0;  // 1: the second value is asked for too
    int secondMaximum = 0;
    int secondMinimum = 0;
    int secondValue = 0;

    // Builds the dialog from the members and runs it modally.
    int DoModal(platform::ui::Window* owner = nullptr);

    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;
    // Enter is the dialog's default OK command.
    void OnOk(platform::ui::Window& window) override;
    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;

private:
    void OnInitDialog();
    void ReadBackAndClose(platform::ui::Window& window);

    platform::ui::Control* mainSpin_ = nullptr;
    platform::ui::Control* secondSpin_ = nullptr;
};
