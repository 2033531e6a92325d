// Finding a top-level window by its title on the test's X display and
// reading its pixels back, for the Xvfb screenshot programs. Include after
// the program's headers: X11 defines None, Bool and the like as macros.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <string>

#include "platform/ui/image.h"

namespace x11_grab {

// The window under `under` (itself included) whose title is `title` (or,
// with `prefix`, starts with it), or 0.
inline ::Window FindTitled(Display* display, ::Window under, const std::string& title,
                           bool prefix = false) {
    char* name = nullptr;
    if (XFetchName(display, under, &name) && name) {
        const bool match = prefix ? std::string(name).rfind(title, 0) == 0 : title == name;
        XFree(name);
        if (match) return under;
    }
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, under, &root, &parent, &children, &count)) return 0;
    ::Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i)
        found = FindTitled(display, children[i], title, prefix);
    if (children) XFree(children);
    return found;
}

// The pixels of a drawable's area.
inline platform::ui::Image GrabArea(Display* display, ::Drawable from, int x, int y, int width,
                                    int height) {
    XImage* shot = XGetImage(display, from, x, y, width, height, AllPlanes, ZPixmap);
    if (!shot) return platform::ui::Image{};
    platform::ui::Image image(width, height);
    for (int py = 0; py < height; ++py) {
        for (int px = 0; px < width; ++px) {
            const unsigned long p = XGetPixel(shot, px, py);
            image.SetPixel(px, py,
                           platform::ui::Rgb{static_cast<std::uint8_t>((p & shot->red_mask) >> 16),
                                             static_cast<std::uint8_t>((p & shot->green_mask) >> 8),
                                             static_cast<std::uint8_t>(p & shot->blue_mask)});
        }
    }
    XDestroyImage(shot);
    return image;
}

// What the window itself holds.
inline platform::ui::Image Grab(Display* display, ::Window window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    return GrabArea(display, window, 0, 0, attributes.width, attributes.height);
}

// The screen where the window is, with whatever lies over it (a tooltip).
inline platform::ui::Image GrabScreenOver(Display* display, ::Window window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    int x = 0, y = 0;
    ::Window child = 0;
    const ::Window root = DefaultRootWindow(display);
    XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child);
    return GrabArea(display, root, x, y, attributes.width, attributes.height);
}

}  // namespace x11_grab
