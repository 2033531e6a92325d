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

// After the program's headers: X11 defines None, Bool and the like as macros.
#include "tests/app/x11_grab.h"

using platform::ui::Image;
using platform::ui::Rgb;

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++g_failures;
}

using x11_grab::FindTitled;
using x11_grab::GrabScreenOver;

int Colours(const Image& shot) {
    std::set<std::uint32_t> colours;
    for (int y = 0; y < shot.Height(); y += 3)
        for (int x = 0; x < shot.Width(); x += 3) {
            const Rgb c = shot.Pixel(x, y);
            colours.insert(c.r << 16 | c.g << 8 | c.b);
        }
    return static_cast<int>(colours.size());
}

// Runs the dialog; meanwhile a helper finds its window, optionally rests the
// pointer on a point of it, reads the screen back and ends the dialog.
Image Shoot(ZAWDialog& dialog, const std::string& title, const std::string& path, int pointX,
            int pointY, const std::function<void()>& run) {
    Image shot;
    std::thread helper([&] {
        Display* display = XOpenDisplay(nullptr);
        ::Window window = 0;
        for (int i = 0; i < 100 && !window; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (display) window = FindTitled(display, DefaultRootWindow(display), title);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(400));  // painted
        if (window && pointX >= 0) {
            // Two moves inside the window: the first enters, the second stays.
            XWarpPointer(display, 0, window, 0, 0, 0, 0, pointX - 30, pointY - 10);
            XFlush(display);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            XWarpPointer(display, 0, window, 0, 0, 0, 0, pointX, pointY);
            XFlush(display);
            std::this_thread::sleep_for(std::chrono::milliseconds(2000));  // the tip's delay
        }
        shot = window ? GrabScreenOver(display, window) : Image{};
        Check(window != 0, "window \"" + title + "\" found");
        Check(shot.Width() > 0 && WritePng(shot, path), "screenshot written to " + path);
        if (display) XCloseDisplay(display);
        platform::ui::PostToUi([&dialog] { dialog.GetWindow().EndModal(platform::kIdOk); });
    });
    run();
    helper.join();
    return shot;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string out = argc > 1 ? argv[1] : ".";
    std::filesystem::create_directories(out);
    auto backend = platform::ui::MakeFltkBackend();
    if (!backend) {
        std::printf("FAIL: no display\n");
        return 1;
    }
    platform::ui::InstallBackend(backend);
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
