// The game's pictures: background, title logo, number tiles, play-screen frame and swapper.
#pragma once

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

// One overview sheet: the title, ranking and play screens put together as the game draws them,
// with their texts, then each picture on its own.
std::optional<Picture> MakeContactSheet(const PictureSet& pictures);

}  // namespace zolvex
