#include "app/convert_setting_dialog.h"

#include <cstring>

#include "app/tune_name_dialog.h"
#include "core/settings.h"

ConvertSetting::ConvertSetting(platform::ui::Window* parent, int owner)
    : SkinPage(parent, "Convert Setting",
               {"Use Original Melody", "Save to output folder", "Adjust Voice", "WaterMark"}, true),
      owner_(owner) {}

void ConvertSetting::Load() {
    // This page's lower row sits at its own height.
    PlaceButton(3, 12, 157, 85, 126);
    PlaceButton(4, 161, 306, 85, 126);
    StatesFrom({&AppSettings.UseOriginalMelody, &AppSettings.SaveToOutputFolder,
                &AppSettings.AdjustVoice, &AppSettings.WatermarkEnabled});
}

void ConvertSetting::Store() {
    StatesTo({&AppSettings.UseOriginalMelody, &AppSettings.SaveToOutputFolder,
              &AppSettings.AdjustVoice, &AppSettings.WatermarkEnabled});
}

void ConvertSetting::OnButton(int index) {
    SkinPage::OnButton(index);
    if (index != 4 || Button(4).state != 1) return;
    TuneName name(&GetWindow());
    const char* stored = AppSettings.WatermarkText;
    name.text.assign(stored, strnlen(stored, sizeof AppSettings.WatermarkText));
    name.DoModal();
    // Nineteen characters always fit the field with its terminator.
    std::memset(AppSettings.WatermarkText, 0, sizeof AppSettings.WatermarkText);
    std::memcpy(AppSettings.WatermarkText, name.text.data(),
                std::min(name.text.size(), sizeof AppSettings.WatermarkText - 1));
}
