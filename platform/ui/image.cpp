#include "platform/ui/image.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace platform::ui {

Image::Image(int width, int height) : width_(std::max(0, width)), height_(std::max(0, height)) {
    rgba_.assign(static_cast<std::size_t>(width_) * height_ * 4, 0);
    for (std::size_t i = 3; i < rgba_.size(); i += 4)
        rgba_[i] = 255;
}

Rgb Image::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return Rgb{};
    const std::uint8_t* p = &rgba_[(static_cast<std::size_t>(y) * width_ + x) * 4];
    return Rgb{p[0], p[1], p[2]};
}

std::uint8_t Image::Alpha(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return rgba_[(static_cast<std::size_t>(y) * width_ + x) * 4 + 3];
}

void Image::SetPixel(int x, int y, Rgb colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    std::uint8_t* p = &rgba_[(static_cast<std::size_t>(y) * width_ + x) * 4];
    p[0] = colour.r;
    p[1] = colour.g;
    p[2] = colour.b;
    p[3] = 255;
}

void Image::Fill(const Rect& area, Rgb colour) {
    Rect r = area.Intersect(Rect{0, 0, width_, height_});
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x)
            SetPixel(x, y, colour);
    }
}

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool WritePng(const Image& image, const std::string& path) {
    if (image.Empty()) return false;
    FilePtr file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, image.Width(), image.Height(), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::uint8_t* bytes = image.Bytes().data();
    for (int y = 0; y < image.Height(); ++y) {
        png_write_row(
            png, const_cast<png_bytep>(bytes + static_cast<std::size_t>(y) * image.Width() * 4));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fflush(file.get()) == 0 && !std::ferror(file.get());
}

Image ReadPng(const std::string& path) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return Image{};
    unsigned char signature[8];
    if (std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
        return Image{};
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return Image{};
    png_infop info = png_create_info_struct(png);
    // Declared before the jump point so that a failure halfway frees it.
    Image image;
    std::vector<png_bytep> rows;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        return Image{};
    }
    png_init_io(png, file.get());
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
    png_read_info(png, info);
    png_uint_32 width = png_get_image_width(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    int colourType = png_get_color_type(png, info);
    int depth = png_get_bit_depth(png, info);
    if (depth == 16) png_set_strip_16(png);
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    if (!(colourType & PNG_COLOR_MASK_ALPHA)) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != width * 4) {
        png_destroy_read_struct(&png, &info, nullptr);
        return Image{};
    }
    image = Image(static_cast<int>(width), static_cast<int>(height));
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) {
        rows[y] = image.Bytes().data() + static_cast<std::size_t>(y) * width * 4;
    }
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return image;
}

}  // namespace platform::ui
