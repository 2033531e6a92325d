// "Timer Set": switches timed composing on or off and sets the start and
// stop times of day, each through a two-value number box (hour and minute).
// Setting a time switches the timer on. The dialog shows the local time of
// its last repaint; it has no timer of its own.
#pragma once

#include <string>

#include "app/zaw_dialog.h"

// Buttons: 0 OK, 1 on/off, 2 start time, 3 stop time.
constexpr int kTimerOkButton = 0;
constexpr int kTimerSwitchButton = 1;
constexpr int kTimerStartButton = 2;
constexpr int kTimerStopButton = 3;
constexpr int kTimerButtonCount = 4;

// Where the local time is written, left-aligned and centred vertically.
constexpr platform::ui::Rect kTimerCurrentRect{20, 100, 170, 120};
constexpr platform::ui::Rgb kTimerCurrentColour{40, 80, 20};

// "hh:mm" with two digits each.
std::string FormatTimerTime(int hour, int minute);

class ZaTime : public ZAWDialog {
public:
    explicit ZaTime(platform::ui::Window* parent = nullptr);

    // Builds the dialog and runs it modally over the parent.
    int DoModal();
    // Makes the background and the four buttons with their first captions
    // (done once; DoModal calls it).
    void OnInitDialog();

    // The skin, then the captions from the settings and the local time.
    void PaintTimer(platform::ui::Canvas& canvas);

    void OnPaint(platform::ui::Window& window, platform::ui::Canvas& canvas) override;
    void OnLeftUp(platform::ui::Window& window, platform::ui::Point p) override;

private:
    void OnSkinButtonUpTimer(platform::ui::Window& window);
    // Asks for a start (true) or stop time and stores it.
    void AskTime(bool start);

    platform::ui::Window* parent_;
    bool built_ = false;
};
