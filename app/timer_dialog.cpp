#include "app/timer_dialog.h"

#include <cstdio>
#include <ctime>

#include "app/number_box.h"
#include "app/timer_thread.h"
#include "platform/clock.h"
#include "platform/message_sink.h"

using namespace platform::ui;

namespace {

constexpr int kTimerButtonStatics[kTimerButtonCount] = {2067, 2068, 2069, 2070};

}  // namespace

std::string FormatTimerTime(int hour, int minute) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", hour, minute);
    return text;
}

ZaTime::ZaTime(Window* parent) : parent_(parent) {}

int ZaTime::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void ZaTime::OnInitDialog() {
    if (built_) return;
    built_ = true;
    InitSkin(kTimerButtonCount);
    Window& window = GetWindow();
    window.SetTitle("Timer Set");
    const int captions[kTimerButtonCount] = {0, 1, 2, 3};
    SetCaptionButtons(kTimerButtonCount, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    SetBackground(SkinImage(SkinId::SmallBackground), kSmallDialogWidth, kSmallDialogHeight);

    // The on/off switch sits in the lower right toggle place, the two times
    // in the upper row; each shows the toggle images of its place.
    SetColumnSkinButton(Button(kTimerOkButton), "OK", kSmallOkTop,
                        AddButtonHolder(kTimerButtonStatics[0]));
    SetGridSkinButton(Button(kTimerSwitchButton), 4, "停止中",
                      AddButtonHolder(kTimerButtonStatics[1]));
    SetGridSkinButton(Button(kTimerStartButton), 1, "開始時間 00:00",
                      AddButtonHolder(kTimerButtonStatics[2]));
    SetGridSkinButton(Button(kTimerStopButton), 2, "停止時間 00:00",
                      AddButtonHolder(kTimerButtonStatics[3]));
    PlaceSkinButtons(kTimerButtonCount, &Button(0));
    PaintSkin();
}

void ZaTime::PaintTimer(Canvas& canvas) {
    // A held button keeps its pressed face until it is released.
    if (!PressedControl()) PaintSkin();

    const TimerTimes times = ReadTimerTimes();
    Button(kTimerSwitchButton).caption = TimerIsEnabled() == 1 ? "On" : "Off";
    Button(kTimerStartButton).caption =
        "Start " + FormatTimerTime(times.startHour, times.startMinute);
    Button(kTimerStopButton).caption = "Stop " + FormatTimerTime(times.stopHour, times.stopMinute);
    DrawCaptions(canvas);

    const std::tm now = platform::GetClock()->LocalTime();
    SelectSkinFont(canvas, largeFont_);
    canvas.SetTextBackground(false, Rgb{0, 0, 0});
    canvas.SetTextColour(kTimerCurrentColour);
    canvas.DrawText("Current " + FormatTimerTime(now.tm_hour, now.tm_min), kTimerCurrentRect,
                    TextLayout::LeftCentred);
}

void ZaTime::OnPaint(Window&, Canvas& canvas) {
    PaintTimer(canvas);
}

void ZaTime::OnLeftUp(Window& window, Point) {
    OnSkinButtonUpTimer(window);
}

void ZaTime::OnSkinButtonUpTimer(Window& window) {
    // Only a release that follows a press on a button acts.
    if (!PressedControl()) return;
    OnSkinButtonUp();
    switch (PressedIndex()) {
        case kTimerOkButton:
            window.EndModal(platform::kIdOk);
            return;
        case kTimerSwitchButton:
            SetTimerEnabled(TimerIsEnabled() == 1 ? 0 : 1);
            break;
        case kTimerStartButton:
            AskTime(true);
            break;
        case kTimerStopButton:
            AskTime(false);
            break;
        default:
            return;
    }
    window.Invalidate(false);
}

void ZaTime::AskTime(bool start) {
    const TimerTimes times = ReadTimerTimes();
    NumberBox box;
    box.title = "Time Setting";
    box.mainMinimum = 0;
    box.mainMaximum = 23;
    box.mainValue = start ? times.startHour : times.stopHour;
    box.secondShown = 1;
    box.secondMinimum = 0;
    box.secondMaximum = 59;
    box.secondValue = start ? times.startMinute : times.stopMinute;
    box.DoModal(&GetWindow());
    // However the box ended, the timer is on with the times it shows.
    SetTimerEnabled(1);
    if (start) {
        SetTimerStartTime(box.mainValue, box.secondValue);
    } else {
        SetTimerStopTime(box.mainValue, box.secondValue);
    }
}
