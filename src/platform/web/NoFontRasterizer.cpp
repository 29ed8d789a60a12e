#include <cstdio>

#include "platform/fonts/TtfFontRasterizer.h"

namespace zolvex {

std::unique_ptr<FontRasterizer> CreateTtfFontRasterizer() {
    std::fputs("zolvex: this page has no font rasteriser yet\n", stderr);
    return nullptr;
}

}  // namespace zolvex
