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

using namespace platform::ui;

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++g_failures;
}

Image Shoot(Window& window, const std::string& path) {
    window.Show();
    Check(PumpWhile([&] { return !FltkWindowDrawn(window); }, std::chrono::seconds(20)),
          path + ": the window was shown and drawn");
    for (int i = 0; i < 10; ++i)
        PumpOnce(20);
    Image shot = ReadWindowPixels(window);
    Check(WritePng(shot, path), "screenshot written to " + path);
    window.Hide();
    return shot;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: style_wizard_xvfb <output folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::filesystem::create_directories(folder);
    std::shared_ptr<Backend> fltk = MakeFltkBackend();
    if (!fltk) {
        std::fprintf(stderr, "style_wizard_xvfb: no X display\n");
        return 1;
    }
    InstallBackend(fltk);
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
