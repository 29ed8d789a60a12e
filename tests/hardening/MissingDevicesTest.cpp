// The real SDL backend on a machine without the sound it expects: missing
// tunes and sound files, no sound device at all, no sound font. Each case sets
// its environment before the backend is made; ctest runs every test in a
// process of its own, and the backend shuts SDL down when it goes, so the
// cases do not see each other's audio state.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/sdl/SdlPlatform.h"

namespace zolvex {
namespace {

// Lines of our own on standard error (libraries may add theirs).
std::vector<std::string> OwnLines(const std::string& errors) {
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin < errors.size()) {
        size_t end = errors.find('\n', begin);
        if (end == std::string::npos) end = errors.size();
        if (errors.compare(begin, 8, "zolvex: ") == 0) {
            lines.push_back(errors.substr(begin, end - begin));
        }
        begin = end + 1;
    }
    return lines;
}

class MissingDevicesTest : public testing::Test {
protected:
    void TearDown() override {
        platform.reset();
        std::error_code ignored;
        if (!scratch.empty()) std::filesystem::remove_all(scratch, ignored);
        for (const auto& [name, value] : saved) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }

    void SetEnv(const std::string& name, const std::string& value) {
        if (saved.find(name) == saved.end()) {
            const char* old = std::getenv(name.c_str());
            saved[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        }
        ::setenv(name.c_str(), value.c_str(), 1);
    }

    // Makes the backend after the environment is set; `calls` then run with
    // standard error captured, and our own lines are returned.
    template <typename Calls>
    std::vector<std::string> Capture(Calls calls) {
        testing::internal::CaptureStderr();
        calls();
        return OwnLines(testing::internal::GetCapturedStderr());
    }

    std::string Runtime(const std::string& name) {
        return (std::filesystem::current_path() / name).string();
    }

    std::map<std::string, std::optional<std::string>> saved;
    std::unique_ptr<Platform> platform;
    std::filesystem::path scratch;  // removed after the test, whatever its outcome
};

TEST_F(MissingDevicesTest, AMissingTuneLoadsAsNoTuneWithOneLineAndEveryMusicCallStaysHarmless) {
    SetEnv("SDL_AUDIODRIVER", "dummy");
    platform = CreateSdlPlatform();
    const std::string missing =
        (std::filesystem::temp_directory_path() / "zolvex-no-such-folder" / "missing.mid").string();
    uint32_t handle = 1;
    std::vector<std::string> lines = Capture([&] {
        platform->MusicOpen();
        handle = platform->MusicLoad(missing);
    });
    EXPECT_EQ(handle, 0u);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(missing), std::string::npos) << lines[0];

    lines = Capture([&] {
        platform->MusicInit(0);
        platform->MusicPlay(0);
        platform->MusicPause();
        platform->MusicResume(0);
        platform->MusicStop();
        platform->MusicFree(0);
        platform->MusicFree(12345);
        platform->MusicClose();
        platform->MusicClose();
    });
    EXPECT_TRUE(lines.empty()) << lines[0];
}

TEST_F(MissingDevicesTest, AMissingSoundIsReportedOnceAndARealOnePlaysWithoutALine) {
    SetEnv("SDL_AUDIODRIVER", "dummy");
    platform = CreateSdlPlatform();
    std::vector<std::string> lines = Capture([&] {
        for (int i = 0; i < 3; ++i) platform->PlaySoundFile("wav\\missing.wav");
    });
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("wav/missing.wav"), std::string::npos) << lines[0];

    lines = Capture([&] {
        platform->PlaySoundFile("wav\\drop.wav");
        platform->PlaySoundFile("wav\\pan.wav");
        platform->PlaySoundFile("wav\\missing.wav");
        platform->Beep();
    });
    EXPECT_TRUE(lines.empty()) << lines[0];
}

// Copies of a real sound and tune cut short, and files of junk under their names.
TEST_F(MissingDevicesTest, DamagedTunesAreRefusedWithOneLineAndDamagedSoundsDoNoHarm) {
    SetEnv("SDL_AUDIODRIVER", "dummy");
    platform = CreateSdlPlatform();
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/zolvex-sounds-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    scratch = pattern;
    const fs::path folder = scratch;
    auto write = [](const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    };
    auto read = [](const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const std::string wav = read("wav/drop.wav");
    const std::string mid = read("game.mid");
    ASSERT_GT(wav.size(), 100u);
    ASSERT_GT(mid.size(), 100u);
    std::string junk(4096, '\0');
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 7919u) >> 3);
    const std::string junkWav = write(folder / "junk.wav", junk);
    const std::string junkMid = write(folder / "junk.mid", junk);
    // The headers survive; the data they announce does not.
    const std::string shortWav = write(folder / "short.wav", wav.substr(0, 60));
    const std::string shortMid = write(folder / "short.mid", mid.substr(0, 40));

    std::vector<std::string> lines = Capture([&] {
        platform->PlaySoundFile(junkWav);
        platform->PlaySoundFile(junkWav);
    });
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(junkWav), std::string::npos) << lines[0];

    // A tune the synthesizer cannot read whole would spin while it plays and
    // block every music call after it; it must be refused at loading.
    platform->MusicOpen();
    for (const std::string& path : {junkMid, shortMid, write(folder / "empty.mid", "")}) {
        SCOPED_TRACE(path);
        lines = Capture([&] {
            uint32_t handle = platform->MusicLoad(path);
            EXPECT_EQ(handle, 0u);
            platform->MusicPlay(handle);
            platform->MusicStop();
            platform->MusicFree(handle);
        });
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find(path), std::string::npos) << lines[0];
    }

    // Whether a cut-short sound still loads is the decoder's call; either way
    // there is at most one line, and it names the file.
    lines = Capture([&] { platform->PlaySoundFile(shortWav); });
    ASSERT_LE(lines.size(), 1u);
    if (!lines.empty()) {
        EXPECT_NE(lines[0].find(shortWav), std::string::npos) << lines[0];
    }

    // The game's own tunes are whole MIDI files (they may still fail for want
    // of a sound font, which is another line).
    for (const char* tune : {"open.mid", "game.mid", "rank.mid"}) {
        lines = Capture([&] {
            uint32_t handle = platform->MusicLoad(Runtime(tune));
            platform->MusicPlay(handle);
            platform->MusicStop();
            platform->MusicFree(handle);
        });
        for (const std::string& line : lines) {
            EXPECT_EQ(line.find("not a whole MIDI file"), std::string::npos) << line;
        }
    }
}

// A driver that does not exist stands for a machine with no sound device.
class NoSoundDeviceTest : public MissingDevicesTest {
protected:
    void SetUp() override {
        SetEnv("SDL_AUDIODRIVER", "zolvex-no-such-driver");
        platform = CreateSdlPlatform();
    }

    void EverythingAfterIsSilent() {
        std::vector<std::string> lines = Capture([&] {
            platform->PlaySoundFile("wav\\drop.wav");
            platform->PlaySoundFile("wav\\missing.wav");
            platform->Beep();
            platform->MusicOpen();
            uint32_t handle = platform->MusicLoad(Runtime("open.mid"));
            EXPECT_EQ(handle, 0u);
            platform->MusicInit(handle);
            platform->MusicPlay(handle);
            platform->MusicPause();
            platform->MusicResume(handle);
            platform->MusicStop();
            platform->MusicFree(handle);
            platform->MusicClose();
        });
        EXPECT_TRUE(lines.empty()) << lines[0];
    }
};

TEST_F(NoSoundDeviceTest, TheFirstSoundSaysOnceThatTheGameRunsSilent) {
    std::vector<std::string> lines = Capture([&] { platform->PlaySoundFile("wav\\drop.wav"); });
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("no sound device"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("running silent"), std::string::npos) << lines[0];
    EverythingAfterIsSilent();
}

TEST_F(NoSoundDeviceTest, OpeningTheMusicSaysOnceThatTheGameRunsSilent) {
    std::vector<std::string> lines = Capture([&] { platform->MusicOpen(); });
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("no sound device"), std::string::npos) << lines[0];
    EverythingAfterIsSilent();
}

TEST_F(MissingDevicesTest, WithoutASoundFontATuneFailsToLoadWithOneLineAndSoundsStillPlay) {
    SetEnv("SDL_AUDIODRIVER", "dummy");
    // The mixer takes SDL_SOUNDFONTS over its own choice only when forced to.
    SetEnv("SDL_FORCE_SOUNDFONTS", "1");
    SetEnv("SDL_SOUNDFONTS", "/nonexistent.sf2");
    platform = CreateSdlPlatform();
    const std::string tune = Runtime("game.mid");
    ASSERT_TRUE(std::filesystem::exists(tune));
    uint32_t handle = 1;
    std::vector<std::string> lines = Capture([&] {
        platform->MusicOpen();
        handle = platform->MusicLoad(tune);
        platform->MusicInit(handle);
        platform->MusicPlay(handle);
        platform->MusicResume(handle);
        platform->MusicStop();
        platform->MusicFree(handle);
    });
    EXPECT_EQ(handle, 0u);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find(tune), std::string::npos) << lines[0];

    lines = Capture([&] { platform->PlaySoundFile("wav\\gover.wav"); });
    EXPECT_TRUE(lines.empty()) << lines[0];
}

}  // namespace
}  // namespace zolvex
