#include "app/compose_setting_dialog.h"

#include "core/settings.h"

ComposeSetting::ComposeSetting(platform::ui::Window* parent)
    : SkinPage(parent, "Compose Mode Setting",
               {"Start at 2nd bar", "Don't play", "Use Group Inst.", "Undefined"}, true) {}

void ComposeSetting::Load() {
    StatesFrom(
        {&AppSettings.StartAt2ndBar, &AppSettings.DontPlay, &AppSettings.UseGroupInstruments});
}

void ComposeSetting::Store() {
    StatesTo({&AppSettings.StartAt2ndBar, &AppSettings.DontPlay, &AppSettings.UseGroupInstruments});
}

void ComposeSetting::OnButton(int index) {
    if (index < 4) SkinPage::OnButton(index);
}
