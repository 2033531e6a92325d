// Points, rectangles and colours of the UI layer. Rectangles keep their
// right and bottom edges outside the area, so a rectangle (100,74)-(370,145)
// covers the pixels 100..369 by 74..144.
#pragma once

#include <algorithm>
#include <cstdint>

namespace platform::ui {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    static constexpr Rect FromSize(int x, int y, int width, int height) {
        return Rect{x, y, x + width, y + height};
    }
    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool Empty() const { return right <= left || bottom <= top; }
    constexpr bool Contains(Point p) const {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    constexpr Rect Intersect(const Rect& o) const {
        Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
               std::min(bottom, o.bottom)};
        if (r.Empty()) return Rect{};
        return r;
    }
    constexpr Rect Offset(int dx, int dy) const {
        return Rect{left + dx, top + dy, right + dx, bottom + dy};
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

constexpr Rgb MakeRgb(int r, int g, int b) {
    return Rgb{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
               static_cast<std::uint8_t>(b)};
}

}  // namespace platform::ui
