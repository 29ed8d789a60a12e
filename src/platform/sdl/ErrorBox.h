// The error box of a run that cannot start, drawn by the game itself into a
// 640 x 480 frame, so that it shows in the game's window in the game's fonts and
// ends with the run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zolvex {

struct ErrorBoxFrame {
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 480;
    std::vector<uint16_t> pixels;  // RGB565, row-major
    // The OK button, in frame pixels.
    int okX = 0, okY = 0, okWidth = 0, okHeight = 0;
};

// A box on black: `caption` in its title bar, then `text` as the program wrote
// it, below that `detail` (one English line naming the file or step that failed,
// wrapped to the box), and an OK button. Texts that cannot be drawn (no fonts)
// are left out; the box is drawn all the same.
ErrorBoxFrame DrawErrorBox(const std::string& caption, const std::string& text,
                           const std::string& detail);

}  // namespace zolvex
