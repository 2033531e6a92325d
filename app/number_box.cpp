#include "app/number_box.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "platform/message_sink.h"

using namespace platform::ui;

namespace {

constexpr int kOkCaptionStatic = 2067;
constexpr int kEditLeft = 120;
constexpr int kSpinLeft = 220;
constexpr int kMainTop = 40;
constexpr int kSecondTop = 80;
constexpr int kFieldWidth = 100;
constexpr int kSpinWidth = 20;
constexpr int kRowHeight = 30;

constexpr int kPositionLow = std::numeric_limits<std::int16_t>::min();
constexpr int kPositionHigh = std::numeric_limits<std::int16_t>::max();

int ToPosition(int value) {
    return std::clamp(value, kPositionLow, kPositionHigh);
}

// An edit field with its arrows on one row; the arrows hold the value to the
// range and show it in the field.
Control* AddValueRow(Window& window, int editId, int spinId, int top, int lo, int hi, int value) {
    Control& edit = window.AddControl(
        ControlKind::Edit, Rect::FromSize(kEditLeft, top, kFieldWidth, kRowHeight), editId);
    edit.SetNumeric(true);
    Control& spin = window.AddControl(
        ControlKind::UpDown, Rect::FromSize(kSpinLeft, top, kSpinWidth, kRowHeight), spinId);
    spin.SetRange(ToPosition(lo), ToPosition(hi));
    spin.SetValue(ToPosition(value));
    spin.BindBuddy(&edit);
    return &spin;
}

// The position the arrows stand at: the number in the field (which may have
// been typed over) held to the range, else the last stepped value.
int Position(const Control* spin) {
    if (!spin) return 0;
    int value = spin->Value();
    if (const Control* edit = spin->Buddy()) value = edit->NumberOr(value);
    return static_cast<std::int16_t>(std::clamp(value, spin->RangeLow(), spin->RangeHigh()));
}

}  // namespace

void CentreOverOwner(Window& dialog, const Window* owner) {
    if (!owner) return;
    const Size outer = owner->ClientSize();
    const Size inner = dialog.ClientSize();
    dialog.Move(Point{owner->Position().x + (outer.width - inner.width) / 2,
                      owner->Position().y + (outer.height - inner.height) / 2});
}

int NumberBox::DoModal(Window* owner) {
    OnInitDialog();
    CentreOverOwner(GetWindow(), owner);
    return RunModal(owner);
}

void NumberBox::OnInitDialog() {
    InitSkin(1);
    Window& window = GetWindow();
    window.SetTitle(title);
    SetBackground(SkinImage(SkinId::SmallBackground), kSmallDialogWidth, kSmallDialogHeight);
    SetColumnSkinButton(Button(0), "OK", kSmallOkTop, AddButtonHolder(kOkCaptionStatic));
    const int captions[] = {0};
    SetCaptionButtons(1, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    PlaceSkinButtons(1, &Button(0));

    mainSpin_ = AddValueRow(window, kNumberBoxMainEdit, kNumberBoxMainSpin, kMainTop, mainMinimum,
                            mainMaximum, mainValue);
    secondSpin_ = AddValueRow(window, kNumberBoxSecondEdit, kNumberBoxSecondSpin, kSecondTop,
                              secondMinimum, secondMaximum, secondValue);
    if (secondShown != 1) {
        secondSpin_->Show(false);
        secondSpin_->Buddy()->Show(false);
    }
    PaintSkin();
}

void NumberBox::OnPaint(Window& window, Canvas& canvas) {
    // A held OK keeps its pressed face until it is released.
    if (!PressedControl()) PaintSkin();
    ZAWDialog::OnPaint(window, canvas);
}

void NumberBox::OnLeftUp(Window& window, Point) {
    const bool wasPressed = PressedControl() != nullptr;
    OnSkinButtonUp();
    if (wasPressed && PressedIndex() == 0) ReadBackAndClose(window);
}

void NumberBox::OnOk(Window& window) {
    ReadBackAndClose(window);
}

void NumberBox::ReadBackAndClose(Window& window) {
    mainValue = Position(mainSpin_);
    if (secondShown == 1) secondValue = Position(secondSpin_);
    window.EndModal(platform::kIdOk);
}
