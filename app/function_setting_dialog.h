// The function settings hub: compose, random style, convert and ringtone
// settings, each opened at once.
#pragma once

#include "app/skin_page.h"

class FunctionSetting : public SkinPage {
public:
    // owner: handed on to the convert settings.
    explicit FunctionSetting(platform::ui::Window* parent = nullptr, int owner = 0);

protected:
    void OnButton(int index) override;

private:
    int owner_;
};
