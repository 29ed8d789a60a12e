// Screenshots: the 640 x 480 picture saved as a PNG file named by the date and time,
// encoded and written away from the message loop so the game never waits for it.
#pragma once

#include <cstdint>
#include <future>
#include <string>
#include <vector>

#include "display/Surface.h"

namespace zolvex {

class Screenshots {
public:
    Screenshots() = default;
    // Waits for the screenshots still being written.
    ~Screenshots() { Wait(); }
    Screenshots(const Screenshots&) = delete;
    Screenshots& operator=(const Screenshots&) = delete;

    // Starts saving a copy of `frame` as "zolvex-YYYY-MM-DD-HHMMSS.png" (the local
    // time of `calendarTime`) in the screenshot folder (see ChooseScreenshotFolder),
    // `fallbackFolder` when there is none; returns at once. The file's path goes to
    // standard output once it is written, a failure to standard error.
    void Save(const Surface& frame, int64_t calendarTime, const std::string& fallbackFolder);
    // Waits until every screenshot started has been written or has failed.
    void Wait();

private:
    std::vector<std::future<void>> pending_;
};

// The frame's pixels as rows of 8-bit RGB triples, each channel widened as the
// screen shows it (the top bits repeated into the low ones).
std::vector<uint8_t> FrameToRgb(const Surface& frame);

}  // namespace zolvex
