// What the screenshot programs that read their windows back through the UI
// layer share: a check that counts failures, the start (the output folder
// from the command line and the FLTK backend), and the read-back of a shown
// window into a PNG.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/fltk/fltk_backend.h"
#include "platform/ui/ui.h"

namespace window_shots {

inline int g_failures = 0;

inline void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++g_failures;
}

// 0 when the program may go on: the folder named on the command line exists
// and the FLTK backend is installed. Otherwise the exit status: 2 for a
// wrong command line, 1 without an X display.
inline int Start(int argc, char** argv, const char* program, std::string& folder) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", program);
        return 2;
    }
    folder = argv[1];
    std::filesystem::create_directories(folder);
    std::shared_ptr<platform::ui::Backend> fltk = platform::ui::MakeFltkBackend();
    if (!fltk) {
        std::fprintf(stderr, "%s: no X display\n", program);
        return 1;
    }
    platform::ui::InstallBackend(fltk);
    return 0;
}

// The pixels of a shown window once it is drawn, written to path.
inline platform::ui::Image ReadBack(platform::ui::Window& window, const std::string& path) {
    using namespace platform::ui;
    Check(PumpWhile([&] { return !FltkWindowDrawn(window); }, std::chrono::seconds(20)),
          path + ": the window was shown and drawn");
    for (int i = 0; i < 10; ++i)
        PumpOnce(20);
    Image shot = ReadWindowPixels(window);
    Check(WritePng(shot, path), "screenshot written to " + path);
    return shot;
}

// The pixels of the image that are exactly the colour.
inline int CountColour(const platform::ui::Image& image, platform::ui::Rgb colour) {
    int n = 0;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            n += image.Pixel(x, y) == colour;
    return n;
}

// The pixels of the area (shot coordinates) where the shot differs by more
// than the tolerance in a channel from the image laid with its corner at
// `at`; pixels the image or the shot does not cover are left out. Text or a
// control that runs over a skin part it must leave clear shows up here.
inline int Differing(const platform::ui::Image& shot, const platform::ui::Image& image,
                     platform::ui::Point at, const platform::ui::Rect& area, int tolerance = 8) {
    auto far = [tolerance](int a, int b) { return a - b > tolerance || b - a > tolerance; };
    int n = 0;
    for (int y = std::max(area.top, 0); y < std::min(area.bottom, shot.Height()); ++y)
        for (int x = std::max(area.left, 0); x < std::min(area.right, shot.Width()); ++x) {
            const int ix = x - at.x;
            const int iy = y - at.y;
            if (ix < 0 || iy < 0 || ix >= image.Width() || iy >= image.Height()) continue;
            const platform::ui::Rgb a = shot.Pixel(x, y);
            const platform::ui::Rgb b = image.Pixel(ix, iy);
            n += far(a.r, b.r) || far(a.g, b.g) || far(a.b, b.b);
        }
    return n;
}

// A window built without its modal run: shown, read back, hidden.
inline platform::ui::Image Shoot(platform::ui::Window& window, const std::string& path) {
    window.Show();
    platform::ui::Image shot = ReadBack(window, path);
    window.Hide();
    return shot;
}

// A dialog that is built by its modal run: the user's act (if any) and the
// read-back from inside the run, then the run ended through OK's path.
template <typename Dialog>
platform::ui::Image ShootModal(Dialog& dialog, const std::string& path,
                               const std::function<void(platform::ui::Window&)>& act = {}) {
    platform::ui::Image shot;
    platform::ui::PostToUi([&] {
        if (act) act(dialog.GetWindow());
        shot = ReadBack(dialog.GetWindow(), path);
        dialog.GetWindow().EndModal(platform::kIdOk);
    });
    dialog.DoModal();
    return shot;
}

}  // namespace window_shots
