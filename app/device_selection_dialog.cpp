#include "app/device_selection_dialog.h"

#include <algorithm>

#include "app/number_box.h"
#include "core/settings.h"
#include "platform/message_sink.h"

using namespace platform::ui;

std::string PickerTitle;
std::vector<std::string> PickerFirstTexts;
int PickerFirstCount = 0;
int PickerFirstIndex = 0;
std::vector<std::string> PickerSecondTexts;
std::vector<int> PickerSecondValues;
int PickerSecondCount = 0;
int PickerSecondValue = 0;

namespace {

constexpr int kOkStatic = 2067;
constexpr int kComboLeft = 45;
constexpr int kFirstTop = 50;
constexpr int kSecondTop = 90;
constexpr int kComboWidth = 240;
constexpr int kComboHeight = 24;

// The count held to the texts there are.
int ListCount(int count, std::size_t texts) {
    return std::clamp(count, 0, static_cast<int>(texts));
}

}  // namespace

int PresetIndex(int preset, int count) {
    if (count <= 0) return -1;
    return preset >= 0 && preset < count ? preset : 0;
}

DeviceSelection::DeviceSelection(Window* parent) : parent_(parent) {
    largeFont_ = AppSettings.LargeFont != 0;
}

int DeviceSelection::DoModal() {
    OnInitDialog();
    CentreOverOwner(GetWindow(), parent_);
    return RunModal(parent_);
}

void DeviceSelection::OnInitDialog() {
    InitSkin(1);
    Window& window = GetWindow();
    window.SetTitle(PickerTitle);
    SetBackground(SkinImage(SkinId::SmallBackground), kSmallDialogWidth, kSmallDialogHeight);
    SetColumnSkinButton(Button(0), "OK", kSmallOkTop, AddButtonHolder(kOkStatic));
    const int captions[] = {0};
    SetCaptionButtons(1, captions);
    SetCaptionStyle(CaptionStyle::Shadow2);
    PlaceSkinButtons(1, &Button(0));

    first_ = &window.AddControl(ControlKind::ComboBox,
                                Rect::FromSize(kComboLeft, kFirstTop, kComboWidth, kComboHeight),
                                kDeviceFirstCombo);
    const int firstCount = ListCount(PickerFirstCount, PickerFirstTexts.size());
    for (int i = 0; i < firstCount; ++i)
        first_->AddItem(PickerFirstTexts[i], i);
    first_->SetSelection(PresetIndex(PickerFirstIndex, firstCount));

    second_ = &window.AddControl(ControlKind::ComboBox,
                                 Rect::FromSize(kComboLeft, kSecondTop, kComboWidth, kComboHeight),
                                 kDeviceSecondCombo);
    if (mode == 2) {
        const int count = ListCount(PickerSecondCount,
                                    std::min(PickerSecondTexts.size(), PickerSecondValues.size()));
        for (int i = 0; i < count; ++i)
            second_->AddItem(PickerSecondTexts[i], PickerSecondValues[i]);
        second_->SetSelection(PresetIndex(PickerSecondValue, count));
    } else {
        second_->Show(false);
    }
    PaintSkin();
}

void DeviceSelection::OnPaint(Window& window, Canvas& canvas) {
    if (!PressedControl()) PaintSkin();
    ZAWDialog::OnPaint(window, canvas);
}

void DeviceSelection::OnLeftUp(Window& window, Point) {
    if (!PressedControl()) return;
    OnSkinButtonUp();
    if (PressedIndex() == 0) StoreAndClose(window);
}

void DeviceSelection::OnOk(Window& window) {
    StoreAndClose(window);
}

void DeviceSelection::StoreAndClose(Window& window) {
    if (first_->Selection() >= 0) PickerFirstIndex = first_->Selection();
    if (mode == 2 && second_->Selection() >= 0) PickerSecondValue = second_->SelectedValue();
    window.EndModal(platform::kIdOk);
}
