#include "app/display_setting_dialog.h"

#include "app/device_selection_dialog.h"
#include "core/reporters.h"
#include "core/settings.h"

void PickFontSize(platform::ui::Window* parent) {
    PickerTitle = "Font Size";
    PickerFirstTexts = {"Standard", "Large"};
    PickerFirstCount = 2;
    PickerFirstIndex = AppSettings.LargeFont;
    DeviceSelection picker(parent);
    picker.mode = 1;
    picker.DoModal();
    AppSettings.LargeFont = PickerFirstIndex == 1 ? 1 : 0;
    if (AppSettings.LargeFont == 1)
        ShowInfoBox("Text may not fit into display area with large font.");
}

DisplaySetting::DisplaySetting(platform::ui::Window* parent)
    : SkinPage(parent, "Display Setting",
               {"Write Chords", "Popup Guide", "Sound Generator", "Font Size"}, true) {}

void DisplaySetting::Load() {
    PlaceButton(4, 161, 306, 85, 126);
    StatesFrom({&AppSettings.WriteChords, &AppSettings.PopupGuide, &AppSettings.SoundGenerator});
}

void DisplaySetting::Store() {
    StatesTo({&AppSettings.WriteChords, &AppSettings.PopupGuide, &AppSettings.SoundGenerator});
}

void DisplaySetting::OnButton(int index) {
    if (index == 4) {
        PickFontSize(&GetWindow());
        return;
    }
    SkinPage::OnButton(index);
}
