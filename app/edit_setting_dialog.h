// "Random Style Setting": the tune length of random styles (asked through a
// number box, 16..96 bars) and whether random styles are saved.
#pragma once

#include "app/skin_page.h"

constexpr int kRandomLengthMinimum = 16;
constexpr int kRandomLengthMaximum = 96;

class EditSetting : public SkinPage {
public:
    explicit EditSetting(platform::ui::Window* parent = nullptr);

protected:
    void Load() override;
    void Store() override;
    void OnButton(int index) override;
};
