// Which tune the SDL backend plays: the build's rendering beside a MIDI file when it is
// the rendering of that very file, else the MIDI file synthesised, with one line saying
// why. Runs on SDL's dummy sound driver.
#include <SDL.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "Files.h"
#include "TempDirectory.h"
#include "platform/sdl/BufferedFile.h"
#include "platform/sdl/SdlPlatform.h"

namespace zolvex {
namespace {

class MusicSourceTest : public testing::Test {
protected:
    void SetUp() override {
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_TRUE(folder_.Ready());
        platform_ = CreateSdlPlatform();
        platform_->MusicOpen();
    }

    std::vector<uint8_t> Built(const std::string& name) {
        return test::ReadFileBytes(std::string(ZOLVEX_RUNTIME_DIR) + "/" + name);
    }
    void Put(const std::string& name, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(test::WriteWholeFile(folder_.File(name), bytes));
    }

    // Loads open.mid from the folder; its handle, and our lines on standard error.
    uint32_t Load(std::vector<std::string>& lines) {
        testing::internal::CaptureStderr();
        const uint32_t handle = platform_->MusicLoad(folder_.File("open.mid").string());
        platform_->MusicPlay(handle);
        const std::string errors = testing::internal::GetCapturedStderr();
        for (size_t at = errors.find("zolvex: "); at != std::string::npos;
             at = errors.find("zolvex: ", at + 1)) {
            lines.push_back(errors.substr(at, errors.find('\n', at) - at));
        }
        return handle;
    }

    test::TempDirectory folder_;
    std::unique_ptr<Platform> platform_;
};

TEST_F(MusicSourceTest, TheRenderingOfTheTuneBesideItPlaysWithoutALine) {
    Put("open.mid", Built("open.mid"));
    Put("open.wav", Built("open.wav"));
    std::vector<std::string> lines;
    EXPECT_NE(Load(lines), 0u);
    EXPECT_TRUE(lines.empty()) << lines[0];
}

TEST_F(MusicSourceTest, AForeignMissingOrDamagedRenderingFallsBackToSynthesisWithOneLine) {
    const std::vector<uint8_t> tune = Built("open.wav");
    struct Case {
        std::vector<uint8_t> midi;
        std::vector<uint8_t> tune;
        const char* why;
    } cases[] = {
        {Built("game.mid"), tune, "rendered from another MIDI file"},
        {Built("open.mid"), {}, "No such file"},
        // Its head is whole, but the file ends inside the sound.
        {Built("open.mid"), std::vector<uint8_t>(tune.begin(), tune.begin() + 4000), "cut short"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        std::filesystem::remove(folder_.File("open.wav"));
        Put("open.mid", c.midi);
        if (!c.tune.empty()) Put("open.wav", c.tune);
        std::vector<std::string> lines;
        // The machine's sound font synthesises it (scripts/lib.sh installs one).
        EXPECT_NE(Load(lines), 0u);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find(folder_.File("open.wav").string()), std::string::npos) << lines[0];
        EXPECT_NE(lines[0].find(c.why), std::string::npos) << lines[0];
        EXPECT_NE(lines[0].find("synthesising"), std::string::npos) << lines[0];
    }
}

// The mixer streams a tune through StreamFromFile: every read, seek and tell must
// come out as they do from SDL's own file stream, across its 64 KiB buffer and the end.
TEST_F(MusicSourceTest, TheTuneStreamReadsAndSeeksAsSdlsFileStreamDoes) {
    std::vector<uint8_t> bytes(150000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    Put("tune.wav", bytes);
    const std::string path = folder_.File("tune.wav").string();
    SDL_RWops* ours = StreamFromFile(std::fopen(path.c_str(), "rb"));
    SDL_RWops* sdl = SDL_RWFromFile(path.c_str(), "rb");
    ASSERT_NE(ours, nullptr);
    ASSERT_NE(sdl, nullptr);
    EXPECT_EQ(SDL_RWsize(ours), 150000);
    struct Step {
        Sint64 offset;
        int whence;
        size_t size, count;
    } steps[] = {{0, RW_SEEK_SET, 1, 4},          {65530, RW_SEEK_SET, 4, 5},
                 {-10, RW_SEEK_CUR, 3, 40000},    {-6, RW_SEEK_END, 4, 3},
                 {0, RW_SEEK_CUR, 1, 10},         {200000, RW_SEEK_SET, 1, 10},
                 {131000, RW_SEEK_SET, 1, 20000}, {7, RW_SEEK_SET, 65536, 2}};
    for (const Step& step : steps) {
        SCOPED_TRACE(std::to_string(step.offset) + " " + std::to_string(step.whence));
        EXPECT_EQ(SDL_RWseek(ours, step.offset, step.whence),
                  SDL_RWseek(sdl, step.offset, step.whence));
        std::vector<uint8_t> a(step.size * step.count, 0), b(a.size(), 0);
        EXPECT_EQ(SDL_RWread(ours, a.data(), step.size, step.count),
                  SDL_RWread(sdl, b.data(), step.size, step.count));
        EXPECT_EQ(a, b);
        EXPECT_EQ(SDL_RWtell(ours), SDL_RWtell(sdl));
    }
    EXPECT_LT(SDL_RWseek(ours, -1, RW_SEEK_SET), 0);
    EXPECT_EQ(SDL_RWwrite(ours, bytes.data(), 1, 1), 0u);
    EXPECT_EQ(SDL_RWclose(ours), 0);
    SDL_RWclose(sdl);
}

}  // namespace
}  // namespace zolvex
