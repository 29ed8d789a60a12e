#include "formats/PngImage.h"

#if __has_include(<png.h>)
#include <png.h>
#define ZOLVEX_HAS_LIBPNG
#endif

namespace zolvex {

#ifdef ZOLVEX_HAS_LIBPNG
namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp /*png*/) {}

}  // namespace

std::optional<std::vector<uint8_t>> EncodePngRgb(const std::vector<uint8_t>& rgb, int width,
                                                 int height) {
    if (width < 1 || height < 1 ||
        rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) {
        return std::nullopt;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return std::nullopt;
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> out;
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        rows[static_cast<size_t>(y)] = const_cast<png_bytep>(rgb.data()) +
                                       static_cast<size_t>(y) * static_cast<size_t>(width) * 3;
    }
    // libpng reports its errors by jumping back here; nothing with a destructor is
    // created between the jump and this point.
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return std::nullopt;
    }
    png_set_write_fn(png, &out, AppendBytes, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

#else

// A build without libpng (the browser's, whose page saves the shown frame itself)
// encodes no PNG file.
std::optional<std::vector<uint8_t>> EncodePngRgb(const std::vector<uint8_t>& /*rgb*/, int /*width*/,
                                                 int /*height*/) {
    return std::nullopt;
}

#endif

}  // namespace zolvex
