// "Convert Setting": four on-off settings of style conversion; switching
// the watermark on asks for its text.
#pragma once

#include "app/skin_page.h"

class ConvertSetting : public SkinPage {
public:
    // owner: the value the function page hands on (kept, unused here).
    explicit ConvertSetting(platform::ui::Window* parent = nullptr, int owner = 0);
    int Owner() const { return owner_; }

protected:
    void Load() override;
    void Store() override;
    void OnButton(int index) override;

private:
    int owner_;
};
