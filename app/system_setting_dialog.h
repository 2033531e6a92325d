// "Common Setting": the hub of the settings, opened from the panel: folders,
// MIDI device, display and the function settings.
#pragma once

#include "app/skin_page.h"

class SystemSetting : public SkinPage {
public:
    explicit SystemSetting(platform::ui::Window* owner = nullptr);

protected:
    void OnButton(int index) override;
};
