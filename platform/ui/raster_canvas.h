// A canvas that keeps every drawing operation and rasterises blits, fills,
// frames, inversions and ellipses into an RGBA image. Text stays as recorded
// operations only. It serves the headless backend and its off-screen images.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/canvas.h"

namespace platform::ui {

struct CanvasOp {
    enum class Kind { Blit, Fill, Frame, Invert, Ellipse, Text };
    Kind kind = Kind::Fill;
    Rect rect;
    Rgb colour;  // fill/frame/ellipse colour, text colour for Text
    bool filled = false;
    // Text only:
    std::string text;
    TextLayout layout = TextLayout::CentredLine;
    Font font;
    bool opaque = false;
    Rgb background;
    // Blit only: the size of the image drawn.
    Size imageSize;
};

class RasterCanvas : public Canvas {
public:
    RasterCanvas(int width, int height);

    Size Extent() const override { return raster_.Extent(); }
    void Blit(const Image& image, const Rect& dest) override;
    void FillRect(const Rect& area, Rgb colour) override;
    void FrameRect(const Rect& area, Rgb colour) override;
    void InvertRect(const Rect& area) override;
    void Ellipse(const Rect& bounds, Rgb colour, bool filled) override;
    void SetFont(const Font& font) override { font_ = font; }
    void SetTextColour(Rgb colour) override { textColour_ = colour; }
    void SetTextBackground(bool opaque, Rgb colour) override {
        opaque_ = opaque;
        background_ = colour;
    }
    void DrawText(const std::string& utf8, const Rect& area, TextLayout layout) override;

    const Image& Raster() const { return raster_; }
    const std::vector<CanvasOp>& Ops() const { return ops_; }
    // Texts drawn, in order.
    std::vector<std::string> Texts() const;
    // Clears the operations and resizes the raster (black) for a new paint.
    void Reset(int width, int height);

private:
    Image raster_;
    std::vector<CanvasOp> ops_;
    Font font_;
    Rgb textColour_;
    bool opaque_ = false;
    Rgb background_{255, 255, 255};
};

}  // namespace platform::ui
