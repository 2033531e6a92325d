// "Random Style Setting": the tune length of random styles (asked through a
// number box, 16..96 bars) and whether random styles are saved.
#pragma once

#include "app/skin_page.h"
#include "core/settings.h"

// The range the settings loader holds the stored value to.
constexpr int kRandomLengthMinimum = kTuneLengthMinimum;
constexpr int kRandomLengthMaximum = kTuneLengthMaximum;

class EditSetting : public SkinPage {
public:
    explicit EditSetting(platform::ui::Window* parent = nullptr);

protected:
    void Load() override;
    void Store() override;
    void OnButton(int index) override;
};
