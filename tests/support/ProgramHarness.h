// The two ways a test drives the whole program on the headless platform, in
// virtual time, with a folder that stands for the executable's folder (the
// settings and ranking files land there). Pictures, sounds and tunes are read
// from the working directory: the build's runtime folder, or a RuntimeFolderCopy.
//
//   ScriptedProgram  the simulator behind zolvex-sim, driven by its script lines,
//                    for scenario tests written as a player's keys and waits.
//   ProgramHarness   the Program itself on a RecordingPlatform, for tests that must
//                    see inside a run: which scene heard each message, every frame's
//                    texts, message polls, cursor and music calls.
//
// They stay two classes because the simulator makes and owns its HeadlessPlatform:
// the recording overrides cannot be put under it without changing the simulator
// for the tests' sake, and a ProgramHarness made to read script lines would only
// repeat the simulator. Both run in folders from TempDirectory.h, read and write
// files through Files.h, and start at kCalendarStart unless told otherwise.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Files.h"
#include "SimScript.h"
#include "Simulator.h"
#include "TempDirectory.h"
#include "app/Program.h"
#include "platform/headless/HeadlessPlatform.h"

namespace zolvex::test {

// Calendar seconds at virtual time 0 in every run of these tests.
constexpr int64_t kCalendarStart = 1'000'000'000;

class ScriptedProgram {
public:
    explicit ScriptedProgram(const std::filesystem::path& directory,
                             int64_t calendarStart = kCalendarStart,
                             SimFonts fonts = SimFonts::Desktop)
        : sim_(calendarStart, directory.string(), fonts) {}

    // Start-up and whatever follows at time 0.
    void Start() { sim_.Start(); }

    // Carries out zolvex-sim script lines; a line that does not parse, or cannot be
    // carried out, fails the test. What "dump" lines print is kept in Dumps().
    void Script(const std::string& script) {
        std::vector<SimCommand> commands;
        std::string error;
        ASSERT_TRUE(ParseSimScript(script, &commands, &error)) << error;
        for (const SimCommand& command : commands) {
            ASSERT_TRUE(sim_.Execute(command, dumps_, &error)) << error;
        }
    }

    // Start() and then `script`, when it is not empty, with standard error
    // captured; returns what was printed.
    std::string StartAndRun(const std::string& script) {
        testing::internal::CaptureStderr();
        Start();
        if (!script.empty()) Script(script);
        return testing::internal::GetCapturedStderr();
    }

    // Script(`script`) with standard error captured; returns what was printed.
    std::string RunCaptured(const std::string& script) {
        testing::internal::CaptureStderr();
        Script(script);
        return testing::internal::GetCapturedStderr();
    }

    std::string Dumps() const { return dumps_.str(); }

    bool Ended() { return Program().Ended(); }
    Scene* Current() { return Program().TheApplication().currentScene; }
    // The current scene's name; empty when there is none.
    std::string SceneName() {
        const Scene* scene = Current();
        return scene != nullptr ? scene->Name() : "";
    }
    zolvex::Program& Program() { return sim_.Run(); }
    HeadlessPlatform& Platform() { return sim_.Backend(); }

private:
    Simulator sim_;
    std::ostringstream dumps_;
};

// The headless platform, keeping what the screen showed frame by frame and
// which scene heard each window message.
class RecordingPlatform : public HeadlessPlatform {
public:
    using HeadlessPlatform::HeadlessPlatform;

    bool CreateMainWindow(const std::string& title, WindowProc proc,
                          const WindowOptions& options) override {
        WindowProc recording = [this, proc](const Message& message) {
            const Scene* scene =
                program != nullptr ? program->TheApplication().currentScene : nullptr;
            heard.push_back({message.message, message.wParam, scene});
            return proc(message);
        };
        return HeadlessPlatform::CreateMainWindow(title, recording, options);
    }

    void ShowMainWindow() override {
        timersAtShow = RunningTimers();
        HeadlessPlatform::ShowMainWindow();
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
        shown.assign(pixels, pixels + static_cast<size_t>(width) * height);
        shownNumber = 0;
    }

    // Checks what the display says of each frame: a pixel that changed outside the
    // parts it named would stay stale on a real screen.
    void PresentChange(const uint16_t* pixels, int width, int height,
                       const FrameChange& change) override {
        const bool told = shownNumber != 0 && change.since == shownNumber;
        changesTold += told ? 1 : 0;
        for (size_t i = 0; told && i < shown.size(); ++i) {
            if (pixels[i] == shown[i]) continue;
            const int x = static_cast<int>(i % width), y = static_cast<int>(i / width);
            const bool inside = std::any_of(
                change.within.begin(), change.within.end(),
                [&](auto& r) { return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h; });
            changedOutsideWhatWasTold += inside ? 0 : 1;
        }
        HeadlessPlatform::PresentChange(pixels, width, height, change);
        shownNumber = change.frame;
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
    // The timers running when the window was shown.
    std::map<int, uint32_t> timersAtShow;
    int polls = 0;
    // Cursor and music opening and closing, each marked with whether the
    // display's surfaces existed at that moment.
    std::vector<std::string> events;
    std::vector<uint32_t> freedHandles;
    // Frames presented with how they differ from the one before, and pixels found
    // changed outside what was said.
    int changesTold = 0;
    int changedOutsideWhatWasTold = 0;
    // The run on this platform, once made.
    Program* program = nullptr;

private:
    std::string DisplayState() const {
        return program != nullptr && program->TheDisplay().backBuffer != nullptr ? " (display up)"
                                                                                 : "";
    }

    std::vector<std::vector<TextRecord>> recordedFrames;
    std::vector<uint16_t> shown;
    uint64_t shownNumber = 0;
};

class ProgramHarness {
public:
    // `settings`, when not empty, is written as "zolvex.ini" before the run.
    explicit ProgramHarness(const std::string& settings = std::string())
        : backend(directory.Path().string(), kCalendarStart) {
        if (!settings.empty()) WriteWholeFile(SettingsPath(), settings);
        run = std::make_unique<Program>(backend);
        backend.program = run.get();
    }
    ~ProgramHarness() {
        EXPECT_EQ(backend.changedOutsideWhatWasTold, 0);
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

    std::filesystem::path Directory() const { return directory.Path(); }
    std::filesystem::path SettingsPath() const { return directory.File("zolvex.ini"); }
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
