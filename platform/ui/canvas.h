// Drawing into a window or an off-screen image: image blits, rectangles,
// ellipses and text in the Gothic face, all in client pixels.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/geometry.h"
#include "platform/ui/image.h"

namespace platform::ui {

// The dialog base units the layouts are measured in (horizontal 8, vertical
// 16 pixels); the font heights below follow from them.
constexpr int kDialogBaseUnitX = 8;
constexpr int kDialogBaseUnitY = 16;

// A size of the Gothic CJK face. A width of 0 lets the face choose it.
struct Font {
    int height = 12;
    int width = 0;
    friend bool operator==(const Font&, const Font&) = default;
};

// The panel's labels: base unit × 10 / 14 = 11 px.
constexpr Font LabelFont() {
    return Font{kDialogBaseUnitY * 10 / 14, 0};
}
// The status display: base units × 7 / 9 = 12 × 6 px.
constexpr Font StatusFont() {
    return Font{kDialogBaseUnitY * 7 / 9, kDialogBaseUnitX * 7 / 9};
}
// Button captions: 20 px when large, else 13 px below a vertical base unit
// of 19 and 12 px from it on.
constexpr Font CaptionFont(bool large, int baseUnitY = kDialogBaseUnitY) {
    return Font{large ? 20 : (baseUnitY < 19 ? 13 : 12), 0};
}

enum class TextLayout {
    CentredLine,   // one line, centred both ways in the rectangle
    LeftCentred,   // one line at the left edge, centred vertically
    CentredLines,  // several lines, each centred horizontally, from the top
    TopCentred,    // centred on the rectangle's left as x, from its top as y
    WrappedLines,  // words wrapped to the rectangle's width, centred both ways;
                   // a word wider than the rectangle shrinks the font to fit
};

class Canvas {
public:
    virtual ~Canvas() = default;

    virtual Size Extent() const = 0;

    // Draws the image with its top-left corner at dest's, cut to dest.
    virtual void Blit(const Image& image, const Rect& dest) = 0;
    virtual void FillRect(const Rect& area, Rgb colour) = 0;
    // A one-pixel frame along the inside of the rectangle.
    virtual void FrameRect(const Rect& area, Rgb colour) = 0;
    virtual void InvertRect(const Rect& area) = 0;
    // The ellipse inside the rectangle, filled or outlined.
    virtual void Ellipse(const Rect& bounds, Rgb colour, bool filled) = 0;

    virtual void SetFont(const Font& font) = 0;
    virtual void SetTextColour(Rgb colour) = 0;
    // With opaque set, text is drawn on a box of the background colour.
    virtual void SetTextBackground(bool opaque, Rgb colour) = 0;
    virtual void DrawText(const std::string& utf8, const Rect& area, TextLayout layout) = 0;
    // Centred on x with its top at y.
    void DrawTextAt(const std::string& utf8, Point topCentre) {
        DrawText(utf8, Rect{topCentre.x, topCentre.y, topCentre.x, topCentre.y},
                 TextLayout::TopCentred);
    }
};

// An image to draw into off the screen, read back when done.
class OffscreenCanvas {
public:
    virtual ~OffscreenCanvas() = default;
    virtual Canvas& Draw() = 0;
    virtual Image Read() = 0;
};

}  // namespace platform::ui
