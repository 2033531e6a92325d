#include "platform/ui/raster_canvas.h"

namespace platform::ui {

RasterCanvas::RasterCanvas(int width, int height) : raster_(width, height) {}

void RasterCanvas::Reset(int width, int height) {
    raster_ = Image(width, height);
    ops_.clear();
}

void RasterCanvas::Blit(const Image& image, const Rect& dest) {
    CanvasOp op;
    op.kind = CanvasOp::Kind::Blit;
    op.rect = dest;
    op.imageSize = image.Extent();
    ops_.push_back(op);
    Rect drawn = Rect::FromSize(dest.left, dest.top, image.Width(), image.Height())
                     .Intersect(dest)
                     .Intersect(Rect{0, 0, raster_.Width(), raster_.Height()});
    for (int y = drawn.top; y < drawn.bottom; ++y) {
        for (int x = drawn.left; x < drawn.right; ++x) {
            int sx = x - dest.left;
            int sy = y - dest.top;
            raster_.SetPixel(x, y, image.Pixel(sx, sy));
        }
    }
}

void RasterCanvas::FillRect(const Rect& area, Rgb colour) {
    CanvasOp op;
    op.kind = CanvasOp::Kind::Fill;
    op.rect = area;
    op.colour = colour;
    op.filled = true;
    ops_.push_back(op);
    raster_.Fill(area, colour);
}

void RasterCanvas::FrameRect(const Rect& area, Rgb colour) {
    CanvasOp op;
    op.kind = CanvasOp::Kind::Frame;
    op.rect = area;
    op.colour = colour;
    ops_.push_back(op);
    if (area.Empty()) return;
    raster_.Fill(Rect{area.left, area.top, area.right, area.top + 1}, colour);
    raster_.Fill(Rect{area.left, area.bottom - 1, area.right, area.bottom}, colour);
    raster_.Fill(Rect{area.left, area.top, area.left + 1, area.bottom}, colour);
    raster_.Fill(Rect{area.right - 1, area.top, area.right, area.bottom}, colour);
}

void RasterCanvas::InvertRect(const Rect& area) {
    CanvasOp op;
    op.kind = CanvasOp::Kind::Invert;
    op.rect = area;
    ops_.push_back(op);
    Rect r = area.Intersect(Rect{0, 0, raster_.Width(), raster_.Height()});
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            Rgb c = raster_.Pixel(x, y);
            raster_.SetPixel(x, y, MakeRgb(255 - c.r, 255 - c.g, 255 - c.b));
        }
    }
}

void RasterCanvas::Ellipse(const Rect& bounds, Rgb colour, bool filled) {
    CanvasOp op;
    op.kind = CanvasOp::Kind::Ellipse;
    op.rect = bounds;
    op.colour = colour;
    op.filled = filled;
    ops_.push_back(op);
    if (bounds.Empty()) return;
    // Pixel centres tested against the ellipse equation; an outline keeps the
    // pixels inside whose 4-neighbourhood reaches outside.
    const double cx = (bounds.left + bounds.right) / 2.0;
    const double cy = (bounds.top + bounds.bottom) / 2.0;
    const double rx = bounds.Width() / 2.0;
    const double ry = bounds.Height() / 2.0;
    auto inside = [&](int x, int y) {
        double dx = (x + 0.5 - cx) / rx;
        double dy = (y + 0.5 - cy) / ry;
        return dx * dx + dy * dy <= 1.0;
    };
    Rect r = bounds.Intersect(Rect{0, 0, raster_.Width(), raster_.Height()});
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            if (!inside(x, y)) continue;
            if (!filled && inside(x - 1, y) && inside(x + 1, y) && inside(x, y - 1) &&
                inside(x, y + 1)) {
                continue;
            }
            raster_.SetPixel(x, y, colour);
        }
    }
}

void RasterCanvas::DrawText(const std::string& utf8, const Rect& area, TextLayout layout) {
    CanvasOp op;
    op.kind = CanvasOp::Kind::Text;
    op.rect = area;
    op.colour = textColour_;
    op.text = utf8;
    op.layout = layout;
    op.font = font_;
    op.opaque = opaque_;
    op.background = background_;
    ops_.push_back(op);
}

std::vector<std::string> RasterCanvas::Texts() const {
    std::vector<std::string> texts;
    for (const CanvasOp& op : ops_) {
        if (op.kind == CanvasOp::Kind::Text) texts.push_back(op.text);
    }
    return texts;
}

}  // namespace platform::ui
