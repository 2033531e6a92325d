#include "app/function_setting_dialog.h"

#include "app/compose_setting_dialog.h"
#include "app/convert_setting_dialog.h"
#include "app/edit_setting_dialog.h"
#include "app/ringtone_setting_dialog.h"

FunctionSetting::FunctionSetting(platform::ui::Window* parent, int owner)
    : SkinPage(parent, "Function Setting",
               {"Compose stg.", "Random Style", "Convert stg.", "Ringtone stg."}, false),
      owner_(owner) {}

void FunctionSetting::OnButton(int index) {
    platform::ui::Window* self = &GetWindow();
    switch (index) {
        case 1: {
            ComposeSetting page(self);
            page.DoModal();
            break;
        }
        case 2: {
            EditSetting page(self);
            page.DoModal();
            break;
        }
        case 3: {
            ConvertSetting page(self, owner_);
            page.DoModal();
            break;
        }
        case 4: {
            RingtoneSetting page(self);
            page.DoModal();
            break;
        }
        default:
            break;
    }
}
