// "Compose Mode Setting": three on-off settings of composing; the fourth
// button is unused.
#pragma once

#include "app/skin_page.h"

class ComposeSetting : public SkinPage {
public:
    explicit ComposeSetting(platform::ui::Window* parent = nullptr);

protected:
    void Load() override;
    void Store() override;
    void OnButton(int index) override;
};
