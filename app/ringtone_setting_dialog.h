// "Ringtone Setting": two on-off settings, the terminal choice and the
// algorithm switches.
#pragma once

#include "app/skin_page.h"

class RingtoneSetting : public SkinPage {
public:
    explicit RingtoneSetting(platform::ui::Window* parent = nullptr);

protected:
    void Load() override;
    void Store() override;
    void OnButton(int index) override;
};
