#include "app/value_dialog.h"

#include <algorithm>
#include <cstdint>

#include "app/device_selection_dialog.h"
#include "app/number_box.h"
#include "core/settings.h"
#include "platform/message_sink.h"

using namespace platform::ui;

ValueDialog::ValueDialog(Window* parent, int height) : parent_(parent), height_(height) {
    largeFont_ = AppSettings.LargeFont != 0;
}

int ValueDialog::DoModal() {
    InitSkin(1);
    Window& window = GetWindow();
    window.SetTitle(Title());
    const SkinId face =
        height_ > kSmallDialogHeight ? SkinId::MediumBackground : SkinId::SmallBackground;
    SetBackground(SkinImage(face), kSmallDialogWidth, height_);
    SetColumnSkinButton(Button(0), "OK", height_ - (kSmallDialogHeight - kSmallOkTop),
                        AddButtonHolder(2067));
    const int captions[] = {0};
    SetCaptionButtons(1, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    PlaceSkinButtons(1, &Button(0));
    BuildControls(window);
    PaintSkin();
    CentreOverOwner(window, parent_);
    return RunModal(parent_);
}

void ValueDialog::OnPaint(Window& window, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    ZAWDialog::OnPaint(window, canvas);
}

void ValueDialog::OnLeftUp(Window& window, Point) {
    if (!PressedControl()) return;
    OnSkinButtonUp();
    // The caption is drawn again over the released face.
    window.InvalidateRect(Button(0).control->Bounds(), false);
    if (PressedIndex() == 0) TryClose(window);
}

void ValueDialog::OnOk(Window& window) {
    TryClose(window);
}

void ValueDialog::TryClose(Window& window) {
    if (Accept()) window.EndModal(platform::kIdOk);
}

Control* AddSpinRow(Window& window, int editId, int spinId, int editLeft, int spinLeft, int top,
                    int low, int high, int value) {
    Control& edit =
        window.AddControl(ControlKind::Edit, Rect::FromSize(editLeft, top, 100, 30), editId);
    edit.SetNumeric(true);
    Control& spin =
        window.AddControl(ControlKind::UpDown, Rect::FromSize(spinLeft, top, 20, 30), spinId);
    spin.SetRange(std::clamp(low, -32768, 32767), std::clamp(high, -32768, 32767));
    spin.BindBuddy(&edit);
    spin.SetValue(value);
    return &spin;
}

int SpinPosition(const Control* spin) {
    int value = spin->Value();
    if (const Control* edit = spin->Buddy()) value = edit->NumberOr(value);
    return static_cast<std::int16_t>(std::clamp(value, spin->RangeLow(), spin->RangeHigh()));
}

Control* AddTextCombo(Window& window, int id, const Rect& bounds,
                      const std::vector<std::string>& texts, int selection) {
    Control& combo = window.AddControl(ControlKind::ComboBox, bounds, id);
    for (std::size_t i = 0; i < texts.size(); ++i)
        combo.AddItem(texts[i], static_cast<int>(i));
    combo.SetSelection(PresetIndex(selection, static_cast<int>(texts.size())));
    return &combo;
}
