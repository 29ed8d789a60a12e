// Sound files the mixer must never see: far too large, or with headers that
// would make it decode without bound. The SDL backend runs on the dummy sound
// driver; each is refused once, with one line naming it, and the game's own
// sounds still play.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Files.h"
#include "TempDirectory.h"
#include "platform/sdl/SdlPlatform.h"

namespace zolvex {
namespace {

void PutLe(std::string& bytes, uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes += static_cast<char>(value >> (8 * i) & 0xFF);
}

// A PCM WAV header announcing `dataSize` bytes, followed by `held` bytes of silence.
std::string Wav(uint32_t channels, uint32_t rate, uint32_t bits, uint32_t dataSize, size_t held) {
    std::string bytes = "RIFF";
    PutLe(bytes, 36 + dataSize, 4);
    bytes += "WAVEfmt ";
    PutLe(bytes, 16, 4);
    PutLe(bytes, 1, 2);
    PutLe(bytes, channels, 2);
    PutLe(bytes, rate, 4);
    PutLe(bytes, rate * channels * bits / 8, 4);
    PutLe(bytes, channels * bits / 8, 2);
    PutLe(bytes, bits, 2);
    bytes += "data";
    PutLe(bytes, dataSize, 4);
    return bytes + std::string(held, '\0');
}

class HostileWavTest : public testing::Test {
protected:
    void SetUp() override {
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        platform = CreateSdlPlatform();
        ASSERT_TRUE(folder.Ready());
    }

    // Plays `path` three times; our lines on standard error.
    std::vector<std::string> PlayThrice(const std::string& path) {
        testing::internal::CaptureStderr();
        for (int i = 0; i < 3; ++i) platform->PlaySoundFile(path);
        std::vector<std::string> lines;
        std::string errors = testing::internal::GetCapturedStderr();
        for (size_t at = errors.find("zolvex: "); at != std::string::npos;
             at = errors.find("zolvex: ", at + 1)) {
            lines.push_back(errors.substr(at, errors.find('\n', at) - at));
        }
        return lines;
    }

    void ExpectRefusedOnce(const std::string& path, const char* why) {
        SCOPED_TRACE(path);
        std::vector<std::string> lines = PlayThrice(path);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find(path), std::string::npos) << lines[0];
        EXPECT_NE(lines[0].find(why), std::string::npos) << lines[0];
    }

    std::unique_ptr<Platform> platform;
    test::TempDirectory folder;
};

// Sparse files: a header, then holes the disk does not hold.
TEST_F(HostileWavTest, FilesOfHundredsOfMegabytesAreRefusedBeforeTheyAreRead) {
    for (uint64_t mebibytes : {136, 1024}) {
        const std::string path = folder.File(std::to_string(mebibytes) + ".wav").string();
        const uint32_t dataSize = static_cast<uint32_t>((mebibytes << 20) - 44);
        ASSERT_TRUE(test::WriteWholeFile(path, Wav(1, 22050, 8, dataSize, 0)));
        std::filesystem::resize_file(path, mebibytes << 20);
        ExpectRefusedOnce(path, "too large");
    }
    EXPECT_TRUE(PlayThrice("wav\\pause.wav").empty());
}

TEST_F(HostileWavTest, HeadersThatWouldDecodeWithoutBoundAreRefused) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* why;
    };
    const std::vector<Case> cases = {
        // Seventeen minutes at 1000 frames a second: hundreds of megabytes once decoded.
        {"slow.wav", Wav(1, 1000, 8, 1 << 20, 1 << 20), "longer"},
        {"one-hertz.wav", Wav(2, 1, 16, 1 << 16, 1 << 16), "frames a second"},
        {"cut-short.wav", Wav(1, 22050, 16, 1 << 30, 4096), "cut short"},
    };
    for (const Case& c : cases) {
        const std::string path = folder.File(c.name).string();
        ASSERT_TRUE(test::WriteWholeFile(path, c.bytes));
        ExpectRefusedOnce(path, c.why);
    }
    EXPECT_TRUE(PlayThrice("wav\\drop.wav").empty());
}

}  // namespace
}  // namespace zolvex
