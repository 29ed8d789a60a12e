// Feeds arbitrary bytes to the BMP decoder: any file dropped into bmp/ must load
// or fail cleanly, never crash or allocate without bound.
#include <cstddef>
#include <cstdint>
#include <string>

#include "display/Bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string why;
    const auto bitmap = zolvex::DecodeBitmap(data, size, &why);
    if (bitmap) {
        // A decoded picture is as large as it says, and cutting a tile from it stays in bounds.
        if (bitmap->rgb.size() != static_cast<size_t>(bitmap->width) * bitmap->height * 3) {
            __builtin_trap();
        }
        zolvex::Surface tile(40, 40);
        zolvex::CopyBitmapToSurface(*bitmap, bitmap->width / 2, bitmap->height / 2, tile, 0, 0, 40,
                                    40);
    }
    return 0;
}
