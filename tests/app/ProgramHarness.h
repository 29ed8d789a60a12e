// Drives a whole run of the program on the headless platform, in virtual time,
// from a folder of its own that stands for the executable's folder (the
// settings and ranking files land there and go with it). Pictures are read from
// the working directory, the build folder where the generated ones lie.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "app/Program.h"
#include "platform/headless/HeadlessPlatform.h"

namespace zolvex::test {

// Calendar seconds at virtual time 0 in every run of these tests.
constexpr int64_t kCalendarStart = 1'000'000'000;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDirectory {
public:
    TempDirectory() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zolvex-app-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~TempDirectory() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    std::filesystem::path path;
};

inline std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteWholeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The headless platform, keeping what the screen showed frame by frame and
// which scene heard each window message.
class RecordingPlatform : public HeadlessPlatform {
public:
    using HeadlessPlatform::HeadlessPlatform;

    bool CreateMainWindow(const std::string& title, WindowProc proc,
                          const WindowOptions& options) override {
        WindowProc recording = [this, proc](const Message& message) {
            const Scene* scene = program != nullptr ? program->TheApplication().currentScene : nullptr;
            heard.push_back({message.message, message.wParam, scene});
            return proc(message);
        };
        return HeadlessPlatform::CreateMainWindow(title, recording, options);
    }

    bool GetNextMessage(Message& out) override {
        ++polls;
        return HeadlessPlatform::GetNextMessage(out);
    }

    void Present(const uint16_t* pixels, int width, int height) override {
        // The frame presented before this one has become the flipped frame.
        if (!recordedFrames.empty() && program != nullptr) {
            recordedFrames.back() = program->TheDisplay().FlippedTexts();
        }
        HeadlessPlatform::Present(pixels, width, height);
        recordedFrames.emplace_back();
    }

    void ShowCursor(bool show) override {
        events.push_back(std::string(show ? "ShowCursor" : "HideCursor") + DisplayState());
        HeadlessPlatform::ShowCursor(show);
    }
    void MusicOpen() override {
        events.push_back("MusicOpen" + DisplayState());
        HeadlessPlatform::MusicOpen();
    }
    void MusicClose() override {
        events.push_back("MusicClose" + DisplayState());
        HeadlessPlatform::MusicClose();
    }
    void MusicFree(uint32_t handle) override {
        freedHandles.push_back(handle);
        HeadlessPlatform::MusicFree(handle);
    }

    // The texts of every frame presented since the last ForgetFrames, oldest first.
    std::vector<std::vector<TextRecord>> Frames() const {
        std::vector<std::vector<TextRecord>> frames = recordedFrames;
        if (!frames.empty() && program != nullptr) {
            frames.back() = program->TheDisplay().FlippedTexts();
        }
        return frames;
    }
    void ForgetFrames() { recordedFrames.clear(); }

    struct Heard {
        uint32_t message;
        uint32_t wParam;
        const Scene* scene;  // current when the message arrived
    };
    std::vector<Heard> heard;
    int polls = 0;
    // Cursor and music opening and closing, each marked with whether the
    // display's surfaces existed at that moment.
    std::vector<std::string> events;
    std::vector<uint32_t> freedHandles;
    // The run on this platform, once made.
    Program* program = nullptr;

private:
    std::string DisplayState() const {
        return program != nullptr && program->TheDisplay().backBuffer != nullptr ? " (display up)"
                                                                                  : "";
    }

    std::vector<std::vector<TextRecord>> recordedFrames;
};

class ProgramHarness {
public:
    // `settings`, when not empty, is written as "zolvex.ini" before the run.
    explicit ProgramHarness(const std::string& settings = std::string())
        : backend(directory.path.string(), kCalendarStart) {
        if (!settings.empty()) WriteWholeFile(SettingsPath(), settings);
        run = std::make_unique<Program>(backend);
        backend.program = run.get();
    }
    ~ProgramHarness() {
        run.reset();
        backend.program = nullptr;
    }
    ProgramHarness(const ProgramHarness&) = delete;
    ProgramHarness& operator=(const ProgramHarness&) = delete;

    // Start-up and whatever follows at time 0; false when the run ended there.
    bool Start() {
        if (!run->StartUp()) return false;
        Pump();
        return true;
    }
    // Lets `ms` milliseconds of virtual time pass.
    void Wait(uint64_t ms) {
        backend.AdvanceTo(backend.NowMs() + ms);
        Pump();
        backend.Settle();
    }
    // A key pressed and released.
    void Key(uint32_t code) {
        Send(Message{kMsgKeyDown, code, 0, 0});
        Send(Message{kMsgKeyUp, code, 0, 0});
    }
    void Focus(bool gained) { Send(Message{kMsgActivateApp, gained ? 1u : 0u, 0, 0}); }
    void Close() { Send(Message{kMsgClose, 0, 0, 0}); }
    void Send(const Message& message) {
        backend.Inject(message);
        Pump();
    }

    Program& Run() { return *run; }
    RecordingPlatform& Backend() { return backend; }
    Display& Screen() { return run->TheDisplay(); }
    Scene* Current() { return run->TheApplication().currentScene; }
    std::vector<std::string> Music() { return backend.TakeMusicCalls(); }

    std::filesystem::path Directory() const { return directory.path; }
    std::filesystem::path SettingsPath() const { return directory.path / "zolvex.ini"; }
    std::string Settings() const { return ReadWholeFile(SettingsPath()); }

private:
    void Pump() {
        if (!run->Ended()) run->RunMessageLoop();
    }

    TempDirectory directory;
    RecordingPlatform backend;
    std::unique_ptr<Program> run;
};

}  // namespace zolvex::test
