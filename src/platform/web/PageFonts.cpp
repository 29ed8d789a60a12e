#include "platform/fonts/StbFontRasterizer.h"
#include "platform/fonts/TtfFontRasterizer.h"
#include "platform/web/WebPlatform.h"

namespace zolvex {

// The desktop's rasteriser in the page is the page's own: the same faces from the
// program's folder, whose fonts/ folder the page's build fills.
std::unique_ptr<FontRasterizer> CreateTtfFontRasterizer() {
    return CreateStbFontRasterizer(kPageFontFolder);
}

}  // namespace zolvex
