// The game's pictures: background, title logo, number tiles, play-screen frame, swapper and the
// desktop icon.
#pragma once

#include <array>
#include <optional>

#include "Image.h"

namespace zolvex {

inline constexpr int kTileSize = 40;
inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;

struct PictureSet {
    Picture background;  // bmp/mback.bmp, 640 x 480
    Picture title;       // bmp/title.bmp, 470 x 100, black transparent
    Picture blocks;      // bmp/block.bmp, 360 x 80: normal row over marked row, black transparent
    Picture frame;       // bmp/frame.bmp, 640 x 480, black transparent
    Picture flipper;     // bmp/fliper.bmp, 80 x 36, black transparent
};

// The hue of the tile of number 1 to 9.
Rgb TileColour(int number);

// Draws every picture; empty when the lettering cannot be rendered (reason on standard error).
std::optional<PictureSet> MakePictures();

// The sizes of the desktop icons, in pixels square.
inline constexpr std::array<int, 7> kIconSizes{16, 32, 48, 64, 128, 256, 512};
// The size of the icon the game gives its window.
inline constexpr int kWindowIconSize = 64;

// The game's icon at `size` pixels square, on a transparent ground; empty when its digits cannot
// be lettered (reason on standard error).
std::optional<RgbaPicture> MakeIcon(int size);

// One overview sheet: the title, ranking and play screens put together as the game draws them,
// with their texts, then each picture on its own.
std::optional<Picture> MakeContactSheet(const PictureSet& pictures);

}  // namespace zolvex
