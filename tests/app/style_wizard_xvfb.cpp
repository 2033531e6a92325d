// The style wizard's three pages in real FLTK windows on the X display the
// test gives it, each read back into <out>/wizard_page<n>_xvfb.png and
// checked for its size, its sliders' places and values, and its buttons.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/styleedit/style_wizard_dialog.h"
#include "platform/ui/fltk/fltk_backend.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"
#include "style/style_wizard.h"
#include "tests/app/window_shots.h"

using namespace platform::ui;
using window_shots::Check;
using window_shots::g_failures;
using window_shots::Shoot;

int main(int argc, char** argv) {
    std::string folder;
    if (const int status = window_shots::Start(argc, argv, "style_wizard_xvfb", folder)) return status;
    LoadSkinBitmaps();
    BuildStyleTable();
    SetWorkingStyle(StyleTable[3 * 24 + 2]);
    for (int page = 1; page <= kWizardPages; ++page) {
        StyleWizardPage dialog(page, nullptr);
        dialog.OnInitDialog();
        const std::string name = "wizard_page" + std::to_string(page);
        const Image shot = Shoot(dialog.GetWindow(), folder + "/" + name + "_xvfb.png");
        Check(shot.Extent() == (Size{644, 464}), name + ": 644 x 464");
        for (const WizardRow& row : WizardPageRows(page)) {
            const Control* slider = dialog.GetWindow().FindControl(row.slider);
            Check(slider && slider->Kind() == ControlKind::Trackbar &&
                      slider->Bounds() == Rect::FromSize(220, row.y, 190, 33) &&
                      slider->Value() == StyleWizardParams[row.index] &&
                      slider->TickFrequency() == 5,
                  name + ": slider " + std::to_string(row.slider) + " in place");
            const Control* high = dialog.GetWindow().FindControl(row.highButton);
            Check(high && high->Text() == row.highText, name + ": " + row.highText);
        }
    }
    InstallBackend(nullptr);
    return g_failures == 0 ? 0 : 1;
}
