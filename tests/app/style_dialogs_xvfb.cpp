// Opens "Music Style Selection" (compose mode with a tooltip showing, then
// convert mode) and "Style Operation" in real FLTK windows on the X display
// the test gives it, reads each back from the screen (the tooltip's window
// included) into <out>/<name>_xvfb.png, and checks size and content, and
// that the styles' captions stay inside their buttons and off the squares.
#include <algorithm>
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
using platform::ui::Rect;
using namespace dialog_shots;

namespace {

// The box the tooltip's face colour covers in the shot (empty without one).
Rect TipBox(const Image& shot) {
    Rect box{shot.Width(), shot.Height(), 0, 0};
    for (int y = 0; y < shot.Height(); ++y)
        for (int x = 0; x < shot.Width(); ++x)
            if (shot.Pixel(x, y) == platform::ui::Rgb{255, 255, 191})
                box = Rect{std::min(box.left, x), std::min(box.top, y),
                           std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
    return box;
}

// Each style's caption stays inside its button and off its square (shown
// while the style is not selected); buttons under the tooltip are left out.
void CheckCaptionsInside(const Image& shot, const StyleSelection& dialog, const std::string& mode) {
    const Rect tip = TipBox(shot);
    for (int k = kSelectionFirstButton; k < kSelectionFirstSquare; ++k) {
        const SkinButton& b = dialog.Button(k);
        if (!tip.Intersect(Rect{b.x1, b.y1, b.x2 + 1, b.y2 + 1}).Empty()) continue;
        const SkinButton& square = dialog.Button(k - kSelectionFirstButton + kSelectionFirstSquare);
        const bool squareClear =
            b.state == 1 ||
            window_shots::Differing(shot, *square.normal, {square.x1, square.y1},
                                    Rect{square.x1, square.y1, square.x2, square.y2}) == 0;
        Check(CaptionInside(shot, dialog, k, SkinImage(platform::ui::SkinId::LargeBackground)) &&
                  squareClear,
              mode + ": \"" + b.caption + "\" inside its button and off its square");
    }
}

// The style buttons and squares whose face, laid at the region's corner, is
// not whole inside the client or not shown there with its two-pixel frame (a
// selected button's pressed face covers its square).
int FacesCut(const Image& shot, const StyleSelection& dialog) {
    using window_shots::Differing;
    int cut = 0;
    for (int k = kSelectionFirstButton; k < kSelectionLeftArrow; ++k) {
        const SkinButton& b = dialog.Button(k);
        const int state = dialog.Button((k - 1) % kStyleButtonsPerPage + 1).state;
        if (k >= kSelectionFirstSquare && state == 1) continue;
        const Image& face = state == 1 ? *b.pressed : *b.normal;
        const Rect whole = Rect::FromSize(b.x1, b.y1, face.Width(), face.Height());
        const Rect inner{whole.left + 2, whole.top + 2, whole.right - 2, whole.bottom - 2};
        const platform::ui::Point at{b.x1, b.y1};
        cut += whole.Intersect(Rect{0, 0, shot.Width(), shot.Height()}) != whole ||
               Differing(shot, face, at, whole) != Differing(shot, face, at, inner);
    }
    return cut;
}

}  // namespace

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
        CheckCaptionsInside(shot, dialog, "compose");
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
        CheckCaptionsInside(shot, dialog, "convert");
    }
    // Every page in compose mode, a style of the last row selected on each.
    PanelMode = kPanelModeCompose;
    for (int page = 0; page < kStylePageCount; ++page) {
        ClearStyleSelections();
        ComposeStyleSelection[page * kStyleButtonsPerPage + 20 + page % 4] = 1;
        StyleSelectionPage = page;
        StyleSelection dialog;
        const std::string name = "page " + std::to_string(page);
        const Image shot = window_shots::ShootModal(
            dialog, out + "/style_selection_page" + std::to_string(page) + "_xvfb.png");
        Check(FacesCut(shot, dialog) == 0, name + ": every style button and square whole");
        CheckCaptionsInside(shot, dialog, name);
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
