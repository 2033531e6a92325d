// Reading windows back from an X display in the Xvfb tests: a window found
// by its title, and a window's pixels.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/image.h"

// After the program's headers: X11 defines None, Bool and the like as macros.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace x11_screen {

// The first window under `under`, depth first, with exactly this title; 0
// when none.
inline ::Window FindTitled(Display* display, ::Window under, const std::string& title) {
    char* name = nullptr;
    if (XFetchName(display, under, &name) && name) {
        const bool match = title == name;
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
        found = FindTitled(display, children[i], title);
    if (children) XFree(children);
    return found;
}

// The window's pixels; an empty image when they cannot be read.
inline platform::ui::Image Grab(Display* display, ::Window window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    XImage* shot =
        XGetImage(display, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (!shot) return platform::ui::Image{};
    platform::ui::Image image(attributes.width, attributes.height);
    for (int y = 0; y < attributes.height; ++y) {
        for (int x = 0; x < attributes.width; ++x) {
            const unsigned long p = XGetPixel(shot, x, y);
            image.SetPixel(x, y,
                           platform::ui::Rgb{static_cast<std::uint8_t>((p & shot->red_mask) >> 16),
                                             static_cast<std::uint8_t>((p & shot->green_mask) >> 8),
                                             static_cast<std::uint8_t>(p & shot->blue_mask)});
        }
    }
    XDestroyImage(shot);
    return image;
}

}  // namespace x11_screen
