// An RGBA image held in memory: the skin art, off-screen drawings and the
// raster of the headless canvas.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/geometry.h"

namespace platform::ui {

class Image {
public:
    Image() = default;
    // A fully opaque black image; sizes below zero become zero.
    Image(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    Size Extent() const { return Size{width_, height_}; }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    // Colour of a pixel; outside the image black.
    Rgb Pixel(int x, int y) const;
    std::uint8_t Alpha(int x, int y) const;
    // Sets an opaque pixel; outside the image nothing happens.
    void SetPixel(int x, int y, Rgb colour);
    void Fill(const Rect& area, Rgb colour);

    // Four bytes a pixel, rows from the top, R G B A.
    const std::vector<std::uint8_t>& Bytes() const { return rgba_; }
    std::vector<std::uint8_t>& Bytes() { return rgba_; }

    friend bool operator==(const Image&, const Image&) = default;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> rgba_;
};

// PNG files. Writing gives true when the whole file was written. Reading
// refuses images wider or higher than kMaxPngSide and returns an empty image
// on any failure.
constexpr int kMaxPngSide = 4096;
bool WritePng(const Image& image, const std::string& path);
Image ReadPng(const std::string& path);

}  // namespace platform::ui
