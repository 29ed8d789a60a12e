// Screenshots: the PNG holds the frame's pixels as the screen shows them, and the
// folder falls back from the pictures folder to ~/Pictures to the data folder.
#include <gtest/gtest.h>
#include <png.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Files.h"
#include "TempDirectory.h"
#include "app/Screenshots.h"
#include "platform/PictureFolder.h"

namespace zolvex {
namespace {

// Sets an environment variable for the test's length.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::vector<std::filesystem::path> PngsIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".png") found.push_back(entry.path());
    }
    return found;
}

TEST(ScreenshotsTest, SavesThePixelsAsShownInAPngNamedByTheTime) {
    test::TempDirectory home;
    ScopedEnv homeVariable("HOME", home.Path().string());
    ScopedEnv pictures("XDG_PICTURES_DIR", home.File("Shots").string());
    Surface frame(640, 480);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            frame.Pixels()[y * 640 + x] = static_cast<uint16_t>(x * 97 + y * 31);
        }
    }
    Screenshots shots;
    // Two in the same second of the calendar.
    shots.Save(frame, 1796654109, home.Path().string());
    shots.Save(frame, 1796654109, home.Path().string());
    shots.Wait();

    std::vector<std::filesystem::path> files = PngsIn(home.File("Shots/zolvex"));
    ASSERT_EQ(files.size(), 2u) << "two in one second get two names";
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, files[0].c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    EXPECT_EQ(image.width, 640u);
    EXPECT_EQ(image.height, 480u);
    EXPECT_EQ(rgb, FrameToRgb(frame));
    // White comes back white: every channel is widened to its full range.
    Surface white(1, 1);
    white.Pixels()[0] = 0xFFFF;
    EXPECT_EQ(FrameToRgb(white), (std::vector<uint8_t>{255, 255, 255}));
}

TEST(ScreenshotsTest, TheFolderFallsBackToPicturesThenToTheDataFolder) {
    test::TempDirectory home;
    ScopedEnv homeVariable("HOME", home.Path().string());
    ScopedEnv config("XDG_CONFIG_HOME", home.File("config").string());
    // A pictures folder under a file cannot be made.
    test::WriteWholeFile(home.File("blocked"), "");
    ScopedEnv pictures("XDG_PICTURES_DIR", home.File("blocked/Shots").string());
    EXPECT_EQ(ChooseScreenshotFolder("/data"), home.File("Pictures/zolvex").string());

    std::filesystem::remove_all(home.File("Pictures"));
    test::WriteWholeFile(home.File("Pictures"), "");
    EXPECT_EQ(ChooseScreenshotFolder("/data"), "/data");

    // Without the variable, user-dirs.dirs names the folder.
    ::unsetenv("XDG_PICTURES_DIR");
    std::filesystem::create_directories(home.File("config"));
    test::WriteWholeFile(home.File("config/user-dirs.dirs"),
                         "# written by xdg-user-dirs-update\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    EXPECT_EQ(ChooseScreenshotFolder("/data"), home.File("Bilder/zolvex").string());
}

}  // namespace
}  // namespace zolvex
