#include "app/Screenshots.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "core/Paths.h"
#include "core/Tasks.h"
#include "formats/PngImage.h"
#include "platform/PictureFolder.h"

namespace zolvex {
namespace {

// Creates `path` (never over an existing file) holding `bytes`; 0 or the errno.
int WriteNewFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return errno;
    size_t done = 0;
    int failure = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failure = n < 0 ? errno : EIO;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0 && failure == 0) failure = errno;
    if (failure != 0) ::unlink(path.c_str());
    return failure;
}

void SaveNow(const Surface& frame, int64_t calendarTime, const std::string& fallbackFolder) {
    std::optional<std::vector<uint8_t>> png =
        EncodePngRgb(FrameToRgb(frame), frame.Width(), frame.Height());
    if (!png) {
        std::fputs("zolvex: cannot encode the screenshot\n", stderr);
        return;
    }
    const std::string folder = ChooseScreenshotFolder(fallbackFolder);
    const std::time_t time = static_cast<std::time_t>(calendarTime);
    std::tm local{};
    localtime_r(&time, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &local);
    // Two screenshots in one second get "-2", "-3" ... after the time.
    int failure = EEXIST;
    std::string path;
    for (int n = 1; n < 100 && failure == EEXIST; ++n) {
        std::string name = std::string("zolvex-") + stamp;
        if (n > 1) {
            name += '-';
            name += std::to_string(n);
        }
        name += ".png";
        path = JoinPath(folder, name);
        failure = WriteNewFile(path, *png);
    }
    if (failure != 0) {
        std::fprintf(stderr, "zolvex: cannot save the screenshot %s: %s\n", path.c_str(),
                     std::strerror(failure));
        return;
    }
    std::printf("zolvex: screenshot saved as %s\n", path.c_str());
    std::fflush(stdout);
}

}  // namespace

std::vector<uint8_t> FrameToRgb(const Surface& frame) {
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(frame.Width()) * static_cast<size_t>(frame.Height()) * 3);
    for (int y = 0; y < frame.Height(); ++y) {
        for (int x = 0; x < frame.Width(); ++x) {
            const uint16_t p = frame.Pixel(x, y);
            const int r = p >> 11;
            const int g = (p >> 5) & 0x3F;
            const int b = p & 0x1F;
            rgb.push_back(static_cast<uint8_t>((r << 3) | (r >> 2)));
            rgb.push_back(static_cast<uint8_t>((g << 2) | (g >> 4)));
            rgb.push_back(static_cast<uint8_t>((b << 3) | (b >> 2)));
        }
    }
    return rgb;
}

void Screenshots::Save(const Surface& frame, int64_t calendarTime,
                       const std::string& fallbackFolder) {
    // Finished ones are let go; the copy of the frame is the only thing the writer shares.
    std::erase_if(pending_, [](const std::future<void>& f) {
        return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    });
    pending_.push_back(RunAside([copy = frame, calendarTime, fallbackFolder] {
        SaveNow(copy, calendarTime, fallbackFolder);
    }));
}

void Screenshots::Wait() {
    for (std::future<void>& f : pending_) f.wait();
    pending_.clear();
}

}  // namespace zolvex
