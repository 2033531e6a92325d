// Opens "Knowledge Base" on the shipped pair of the program folder in a real
// FLTK window on the X display the test gives it, reads it back into
// <out>/knowledge_base_xvfb.png and checks its size, its colours, the list
// boxes' green-on-black lines and the right frame clear of the buttons. The
// shot ends the dialog without OK, so no file is written.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/styleedit/knowledge_dialog.h"
#include "core/settings.h"
#include "platform/ui/fltk/fltk_backend.h"
#include "platform/ui/image.h"
#include "platform/ui/ui.h"
#include "style/key_setup.h"
#include "style/style_table.h"

#include "tests/app/dialog_shots.h"

using platform::ui::Image;
using platform::ui::Rgb;
using namespace dialog_shots;

namespace {

// Pixels of the list's green text (smoothed glyph edges included) inside a
// list box's rectangle.
int ListTextPixels(const Image& shot, int top) {
    int found = 0;
    for (int y = top; y < top + 100 && y < shot.Height(); ++y)
        for (int x = 10; x < 630 && x < shot.Width(); ++x)
            if (const Rgb c = shot.Pixel(x, y); c.g > 160 && c.r < c.g - 60 && c.b < c.g - 60)
                ++found;
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    if (const int status = window_shots::Start(argc, argv, "knowledge_dialog_xvfb", out)) return status;
    InitDefaultSettings();
    LoadSkinBitmaps();
    InitMusicStyle(WorkingStyle);
    SetupMajorKey();
    {
        ZaKnowledge dialog;
        const std::string path = out + "/knowledge_base_xvfb.png";
        const Image shot = Shoot(dialog, "Knowledge Base", path, -1, -1, [&] { dialog.DoModal(); });
        Check(shot.Width() == 644 && shot.Height() == 464, path + ": 644 x 464");
        Check(Colours(shot) > 8, path + ": " + std::to_string(Colours(shot)) + " colours");
        Check(dialog.Editor().transitions.size() == 60 && dialog.Editor().patterns.size() == 16,
              "both shipped files loaded");
        Check(ListTextPixels(shot, 110) > 200, "transition lines drawn green");
        Check(ListTextPixels(shot, 260) > 200, "pattern lines drawn green");
        Check(shot.Pixel(625, 205) == Rgb{0, 0, 0} || shot.Pixel(600, 205) == Rgb{0, 0, 0},
              "list face black");
        // The buttons and lists end where the lists end, 14 px inside the
        // window's right edge: the skin's frame there shows untouched.
        Check(window_shots::Differing(shot, SkinImage(platform::ui::SkinId::LargeBackground),
                                      {0, 0}, platform::ui::Rect{631, 60, 644, 370}) == 0,
              "the right frame is clear of the Delete buttons");
    }
    platform::ui::BeginShutdown();
    platform::ui::InstallBackend(nullptr);
    std::printf("%d failures\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}
