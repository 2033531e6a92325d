// "Display Setting": three on-off display settings and the font size picker.
#pragma once

#include "app/skin_page.h"

class DisplaySetting : public SkinPage {
public:
    explicit DisplaySetting(platform::ui::Window* parent = nullptr);

protected:
    void Load() override;
    void Store() override;
    void OnButton(int index) override;
};

// Asks for the font size ("Standard" or "Large") and stores it.
void PickFontSize(platform::ui::Window* parent);
