#include "app/system_setting_dialog.h"

#include "app/display_setting_dialog.h"
#include "app/function_setting_dialog.h"
#include "app/holder_selection_dialog.h"
#include "app/shell_seams.h"

SystemSetting::SystemSetting(platform::ui::Window* owner)
    : SkinPage(owner, "Common Setting", {"Folder", "Midi Device", "Display", "Function"}, false) {}

void SystemSetting::OnButton(int index) {
    platform::ui::Window* self = &GetWindow();
    switch (index) {
        case 1: {
            HolderSelection page(self);
            page.DoModal();
            break;
        }
        case 2:
            SelectMidiDevice(self);
            break;
        case 3: {
            DisplaySetting page(self);
            page.DoModal();
            break;
        }
        case 4: {
            FunctionSetting page(self, 0);
            page.DoModal();
            break;
        }
        default:
            break;
    }
}

void OpenSystemSetting(platform::ui::Window* owner) {
    SystemSetting dialog(owner);
    dialog.DoModal();
}
