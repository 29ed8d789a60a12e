// The real SDL backend on a machine without the sound it expects: missing
// tunes and sound files, no sound device at all, no sound font. Each case sets
// its environment before the backend is made; ctest runs every test in a
// process of its own, and the backend shuts SDL down when it goes, so the
// cases do not see each other's audio state.
#include <gtest/gtest.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/fonts/FontLibraries.h"
#include "platform/sdl/MixerLibrary.h"
#include "platform/sdl/SdlPlatform.h"
#include "platform/sdl/SoundFont.h"

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

    std::filesystem::path MakeScratch() {
        char pattern[] = "/tmp/zolvex-sounds-XXXXXX";
        if (::mkdtemp(pattern) != nullptr) scratch = pattern;
        return scratch;
    }

    // Runs `calls` in a child process that finds the system's sound font folders
    // empty, keeping our own lines of its standard error in `lines`. Returns the
    // child's exit status (0 when `calls` returned true), or kCannotHide when this
    // system gives no process folders of its own (no mount namespaces).
    static constexpr int kCannotHide = 77;
    int WithoutSystemSoundFonts(const std::function<bool()>& calls,
                                std::vector<std::string>& lines) {
        int out[2];
        if (::pipe(out) != 0) return kCannotHide;
        pid_t child = ::fork();
        if (child == 0) {
            ::dup2(out[1], 2);
            bool hidden =
                (::unshare(CLONE_NEWNS) == 0 || ::unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0) &&
                ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
            for (const std::string& folder : SystemSoundFontFolders()) {
                if (hidden && std::filesystem::is_directory(folder)) {
                    hidden = ::mount("none", folder.c_str(), "tmpfs", 0, nullptr) == 0;
                }
            }
            ::_exit(!hidden ? kCannotHide : calls() ? 0 : 1);
        }
        ::close(out[1]);
        std::string errors;
        char buffer[4096];
        for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) errors.append(buffer, n);
        ::close(out[0]);
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child) return kCannotHide;
        lines = OwnLines(errors);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
    const fs::path folder = MakeScratch();
    ASSERT_FALSE(folder.empty());
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

    // The game's own tunes are whole MIDI files.
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

// The device is opened with the first tune, which is when its absence is told.
TEST_F(NoSoundDeviceTest, LoadingTheFirstTuneSaysOnceThatTheGameRunsSilent) {
    EXPECT_TRUE(Capture([&] { platform->MusicOpen(); }).empty());
    std::vector<std::string> lines =
        Capture([&] { EXPECT_EQ(platform->MusicLoad(Runtime("open.mid")), 0u); });
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("no sound device"), std::string::npos) << lines[0];
    EverythingAfterIsSilent();
}

// Without the mixer's library the game runs silent, and says so once.
TEST_F(MissingDevicesTest, WithoutTheMixerLibraryTheGameSaysOnceThatItRunsSilent) {
    std::vector<std::string> lines = Capture([&] {
        EXPECT_EQ(OpenMixer("libzolvex-no-such-mixer.so.0"), nullptr);
        EXPECT_EQ(OpenMixer("libzolvex-no-such-mixer.so.0"), nullptr);
    });
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("libzolvex-no-such-mixer.so.0"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("running silent"), std::string::npos) << lines[0];
    EXPECT_NE(OpenMixer(), nullptr);
}

// Without a font library the texts are not shown, and the line says which is missing,
// once; the two that are installed are found whole.
TEST_F(MissingDevicesTest, WithoutAFontLibraryTheGameSaysOnceWhichIsMissing) {
    std::vector<std::string> lines = Capture([&] {
        EXPECT_EQ(OpenFontLibraries(kTtfLibraryName, "libzolvex-no-such-fontconfig.so.1"), nullptr);
        EXPECT_EQ(OpenFontLibraries(kTtfLibraryName, "libzolvex-no-such-fontconfig.so.1"), nullptr);
    });
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("libzolvex-no-such-fontconfig.so.1"), std::string::npos) << lines[0];
    const FontCalls* calls = OpenFontLibraries();
    ASSERT_NE(calls, nullptr);
    EXPECT_NE(calls->ttfRenderUtf8Blended, nullptr);
    EXPECT_NE(calls->fcUtf8ToUcs4, nullptr);
}

// The game's own tunes play from their renderings, which need no sound font; a tune
// without one (here a copy of game.mid alone) has to be synthesised and cannot be.
TEST_F(MissingDevicesTest, WithoutASoundFontOnlyATuneToSynthesiseFailsToLoadAndSoundsStillPlay) {
    SetEnv("SDL_AUDIODRIVER", "dummy");
    SetEnv("SDL_SOUNDFONTS", "/nonexistent.sf2");
    const std::string tune = Runtime("game.mid");
    ASSERT_TRUE(std::filesystem::exists(tune));
    const std::filesystem::path folder = MakeScratch();
    ASSERT_FALSE(folder.empty());
    const std::string alone = (folder / "game.mid").string();
    std::filesystem::copy_file(tune, alone);
    std::vector<std::string> lines;
    int status = WithoutSystemSoundFonts(
        [&] {
            platform = CreateSdlPlatform();
            platform->MusicOpen();
            uint32_t shipped = platform->MusicLoad(tune);
            uint32_t handle = platform->MusicLoad(alone);
            platform->MusicInit(handle);
            platform->MusicPlay(handle);
            platform->MusicResume(handle);
            platform->MusicStop();
            platform->MusicFree(handle);
            platform->MusicFree(shipped);
            platform->MusicClose();
            platform->MusicOpen();
            platform->PlaySoundFile("wav\\gover.wav");
            platform.reset();
            return shipped != 0 && handle == 0;
        },
        lines);
    if (status == kCannotHide) GTEST_SKIP() << "no mount namespace to hide the sound fonts in";
    EXPECT_EQ(status, 0) << "the shipped tune did not load, or the other one loaded";
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "zolvex: cannot play the rendered tune " + (folder / "game.wav").string() +
                            " (No such file or directory): synthesising " + alone);
    EXPECT_EQ(lines[1],
              "zolvex: no General MIDI sound font found (looked in "
              "SDL_SOUNDFONTS=/nonexistent.sf2, /usr/share/sounds/sf2, "
              "/usr/share/sounds/sf3, /usr/share/soundfonts)");
}

TEST_F(MissingDevicesTest, SdlSoundfontsAloneChoosesTheFontAndTheFoldersPreferGeneralMidi) {
    namespace fs = std::filesystem;
    const fs::path root = MakeScratch();
    ASSERT_FALSE(root.empty());
    const fs::path first = root / "first", second = root / "second", third = root / "third";
    for (const fs::path& folder : {first, second, third}) fs::create_directory(folder);
    auto make = [](const fs::path& path) {
        std::ofstream(path) << "font";
        return path.string();
    };
    const std::string zz = make(first / "zz.sf2"), upper = make(first / "Bb.SF3");
    make(first / "aa.txt");
    fs::create_directory(first / "aa.sf2");
    fs::create_symlink(root / "gone.sf2", first / "default-GM.sf2");
    const std::string tim = make(second / "TimGM6mb.sf2");
    const std::string gm = make(third / "default-GM.sf3");
    const std::vector<std::string> folders = {first.string(), second.string(), third.string()};

    // SDL_SOUNDFONTS on its own: its first readable file, past missing files,
    // folders and empty entries; when it names none, the folders decide.
    const std::string mine = make(root / "mine.sf2");
    EXPECT_EQ(FindSoundFont(folders, "/nonexistent.sf2:" + first.string() + ";;" + mine + ":" + zz),
              mine);
    EXPECT_EQ(FindSoundFont(folders, "/nonexistent.sf2"), gm);
    // A General MIDI name wins over an earlier folder; then the first by name.
    fs::remove(gm);
    EXPECT_EQ(FindSoundFont(folders, ""), tim);
    fs::remove(tim);
    EXPECT_EQ(FindSoundFont(folders, ""), upper);
    EXPECT_EQ(FindSoundFont({second.string(), (root / "missing").string()}, ""), std::nullopt);
}

}  // namespace
}  // namespace zolvex
