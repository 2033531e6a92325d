// What the dialog screenshot programs share: a check that counts failures,
// the count of colours in a shot, and a run of a dialog in a real window
// that a helper thread finds, reads back from the screen and ends.
#pragma once

#include <chrono>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "app/zaw_dialog.h"
#include "platform/ui/image.h"
#include "platform/ui/ui.h"
#include "tests/app/window_shots.h"

// After the program's headers: X11 defines None, Bool and the like as macros.
#include "tests/app/x11_grab.h"

namespace dialog_shots {

using platform::ui::Image;
using platform::ui::Rgb;

using window_shots::Check;
using window_shots::g_failures;

using x11_grab::FindTitled;
using x11_grab::GrabScreenOver;

inline int Colours(const Image& shot) {
    std::set<std::uint32_t> colours;
    for (int y = 0; y < shot.Height(); y += 3)
        for (int x = 0; x < shot.Width(); x += 3) {
            const Rgb c = shot.Pixel(x, y);
            colours.insert(c.r << 16 | c.g << 8 | c.b);
        }
    return static_cast<int>(colours.size());
}

// A caption drawn inside skin button `index` of the dialog leaves the
// button's two-pixel border as its image (normal or pressed) shows it, and
// the two columns either side of the button as the dialog's background shows
// them. An image is drawn cut to x1..x2 - 1, y1..y2 - 1; pixels where another
// of the dialog's buttons lies are left out.
inline bool CaptionInside(const Image& shot, const ZAWDialog& dialog, int index,
                          const Image& background) {
    const SkinButton& b = dialog.Button(index);
    auto elsewhere = [&](int x, int y) {
        for (int i = 0; i < dialog.PaintedCount(); ++i) {
            const SkinButton& o = dialog.Button(i);
            if (i != index && x >= o.x1 && x < o.x2 && y >= o.y1 && y < o.y2) return true;
        }
        return false;
    };
    auto same = [&](const Image& image, platform::ui::Point at, int x, int y) {
        return elsewhere(x, y) ||
               window_shots::Differing(shot, image, at, platform::ui::Rect{x, y, x + 1, y + 1}) == 0;
    };
    for (int y = b.y1; y < b.y2; ++y)
        for (int x : {b.x1 - 2, b.x1 - 1, b.x2, b.x2 + 1})
            if (!same(background, {0, 0}, x, y)) return false;
    for (const Image* face : {b.normal, b.pressed}) {
        bool untouched = face != nullptr;
        for (int y = b.y1; y < b.y2 && untouched; ++y)
            for (int x = b.x1; x < b.x2 && untouched; ++x)
                if (x < b.x1 + 2 || x >= b.x2 - 2 || y < b.y1 + 2 || y >= b.y2 - 2)
                    untouched = same(*face, {b.x1, b.y1}, x, y);
        if (untouched) return true;
    }
    return false;
}

// Runs the dialog; meanwhile a helper finds its window, optionally rests the
// pointer on a point of it, reads the screen back and ends the dialog.
inline Image Shoot(ZAWDialog& dialog, const std::string& title, const std::string& path, int pointX,
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
        // A loaded machine may paint late: read the screen again, a bounded
        // number of times, until the window shows more than its background.
        for (int i = 0; i < 25 && window; ++i) {
            shot = GrabScreenOver(display, window);
            if (Colours(shot) > 8) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        Check(window != 0, "window \"" + title + "\" found");
        Check(shot.Width() > 0 && WritePng(shot, path), "screenshot written to " + path);
        if (display) XCloseDisplay(display);
        platform::ui::PostToUi([&dialog] { dialog.GetWindow().EndModal(platform::kIdOk); });
    });
    run();
    helper.join();
    return shot;
}

}  // namespace dialog_shots
