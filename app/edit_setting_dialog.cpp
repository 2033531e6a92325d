#include "app/edit_setting_dialog.h"

#include <algorithm>

#include "app/number_box.h"
#include "core/settings.h"

EditSetting::EditSetting(platform::ui::Window* parent)
    : SkinPage(parent, "Random Style Setting", {"Tune Length", "Save Style"}, true) {}

void EditSetting::Load() {
    Button(2).state = AppSettings.SaveGeneratedStyles != 0 ? 1 : 0;
}

void EditSetting::Store() {
    AppSettings.SaveGeneratedStyles = Button(2).state;
}

void EditSetting::OnButton(int index) {
    if (index != 1) {
        SkinPage::OnButton(index);
        return;
    }
    NumberBox box;
    box.title = "Tune Length";
    box.mainMinimum = kRandomLengthMinimum;
    box.mainMaximum = kRandomLengthMaximum;
    box.mainValue = AppSettings.SettingsDialogValue;
    box.DoModal(&GetWindow());
    AppSettings.SettingsDialogValue =
        std::clamp(box.mainValue, kRandomLengthMinimum, kRandomLengthMaximum);
}
