// Opens "Music Style Selection" (compose mode with a tooltip showing, then
// convert mode) and "Style Operation" in real FLTK windows on the X display
// the test gives it, reads each back from the screen (the tooltip's window
// included) into <out>/<name>_xvfb.png, and checks size and content.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "app/styleedit/style_operation_dialog.h"
#include "app/styleedit/style_selection_dialog.h"
#include "core/settings.h"
#include "platform/ui/fltk/fltk_backend.h"
#include "platform/ui/image.h"
#include "platform/ui/ui.h"
#include "style/style_table.h"

#include "tests/app/dialog_shots.h"

using platform::ui::Image;
using namespace dialog_shots;

int main(int argc, char** argv) {
    std::string out;
    if (const int status = window_shots::Start(argc, argv, "style_dialogs_xvfb", out)) return status;
    InitDefaultSettings();
    ResetStyleSelections();
    LoadSkinBitmaps();
    BuildStyleTable();
    AppSettings.PopupGuide = 1;
    {
        PanelMode = kPanelModeCompose;
        StyleSelection dialog;
        dialog.OnInitDialog();
        const SkinButton& b = dialog.Button(6);
        const Image shot = Shoot(dialog, "Music Style Selection",
                                 out + "/style_selection_compose_xvfb.png", (b.x1 + b.x2) / 2,
                                 (b.y1 + b.y2) / 2, [&] { dialog.DoModal(); });
        Check(shot.Width() == 644 && shot.Height() == 464,
              "compose: " + std::to_string(shot.Width()) + " x " + std::to_string(shot.Height()));
        Check(dialog.TooltipsMade(), "the pointer made the tooltips");
        Check(Colours(shot) > 20, "compose: " + std::to_string(Colours(shot)) + " colours");
    }
    {
        PanelMode = kPanelModeConvert;
        ClearConvertStyleSelection();
        ConvertStyleSelection[3 * 24 + 5] = 1;
        StyleSelectionPage = 3;
        AppSettings.PopupGuide = 0;
        StyleSelection dialog;
        const Image shot = Shoot(dialog, "Music Style Selection",
                                 out + "/style_selection_convert_xvfb.png", -1, -1,
                                 [&] { dialog.DoModal(); });
        Check(shot.Width() == 644 && shot.Height() == 464, "convert: 644 x 464");
        Check(!dialog.TooltipsMade(), "tooltips off: none made");
    }
    {
        StyleOperation dialog;
        const Image shot = Shoot(dialog, "Style Operation", out + "/style_operation_xvfb.png", -1,
                                 -1, [&] { dialog.DoModal(); });
        Check(shot.Width() == 346 && shot.Height() == 144, "operation: 346 x 144");
        Check(Colours(shot) > 8, "operation: " + std::to_string(Colours(shot)) + " colours");
    }
    platform::ui::BeginShutdown();
    platform::ui::InstallBackend(nullptr);
    std::printf("%d failures\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}
