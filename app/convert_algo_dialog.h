// The four on-off switches of the ringtone conversion algorithm.
#pragma once

#include "app/skin_page.h"

class ConvertAlgoSetting : public SkinPage {
public:
    explicit ConvertAlgoSetting(platform::ui::Window* parent = nullptr);

protected:
    void Load() override;
    void Store() override;
};
