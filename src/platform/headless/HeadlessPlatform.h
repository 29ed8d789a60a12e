// A platform without a window or a sound device: a virtual clock, messages
// injected by the caller, and a log of every sound and music call. Frames are
// composed by the same display code as on screen; presenting only counts them.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/EventQueue.h"
#include "platform/Platform.h"

namespace zolvex {

class HeadlessPlatform : public Platform {
public:
    // `executableDirectory` stands in for the folder of the running program;
    // `calendarStart` is the calendar time (seconds) at virtual time 0.
    HeadlessPlatform(std::string executableDirectory, int64_t calendarStart);

    bool CreateMainWindow(const std::string& title, WindowProc proc,
                          const WindowOptions& options) override;
    void ShowMainWindow() override;
    void DestroyMainWindow() override;
    bool HasWindow() const override { return events_.HasWindow(); }
    // Returns queued messages first, then timer ticks due no later than the
    // horizon set by AdvanceTo; false when nothing more is due.
    bool GetNextMessage(Message& out) override;
    void PostQuit(int exitCode) override;
    void ShowCursor(bool show) override { cursorShown_ = show; }
    void SetTextInput(bool on) override { textInput_ = on; }
    // Records "caption: text"; the detail line is not recorded.
    void ShowErrorBox(const std::string& caption, const std::string& text,
                      const std::string& detail) override;
    void OnDisplayLost(std::function<void()> hook) override { displayLost_ = std::move(hook); }

    void SetTimer(int id, uint32_t milliseconds) override;
    void KillTimer(int id) override;

    uint64_t NowMs() const override { return now_; }
    int64_t CalendarTime() const override;

    void Present(const uint16_t* pixels, int width, int height) override;

    void PlaySoundFile(const std::string& relativePath) override;
    void Beep() override;
    void SetVolumes(int music, int effects) override;

    void MusicOpen() override;
    void MusicClose() override;
    uint32_t MusicLoad(const std::string& path) override;
    void MusicInit(uint32_t handle) override;
    void MusicPlay(uint32_t handle) override;
    void MusicPause() override;
    void MusicResume(uint32_t handle) override;
    void MusicStop() override;
    void MusicFree(uint32_t handle) override;

    std::string ExecutableDirectory() const override { return executableDirectory_; }
    // The desktop's rasteriser (fontconfig and FreeType) unless UseFonts chose another.
    std::unique_ptr<FontRasterizer> CreateFontRasterizer() override;

    // Driving the run.
    // Queues `message`; a typed character only while text input is on, as the
    // window system delivers it.
    void Inject(const Message& message);
    // Lets ticks due up to `time` be delivered; the clock moves to `time` once
    // they have all been taken.
    void AdvanceTo(uint64_t time);
    // Moves the clock to the horizon without delivering anything (the program has ended).
    void Settle() { now_ = now_ > horizon_ ? now_ : horizon_; }
    // Makes CreateFontRasterizer make its rasterisers with `create` (before the run starts).
    void UseFonts(std::function<std::unique_ptr<FontRasterizer>()> create) {
        createFonts_ = std::move(create);
    }
    // Makes window creation fail, as on a machine without a display.
    void SetDisplayAvailable(bool available) { displayAvailable_ = available; }
    // Runs what the program registered for a display lost for good (the process
    // itself goes on).
    void LoseDisplay() {
        if (displayLost_) displayLost_();
    }

    // Inspection.
    std::map<int, uint32_t> RunningTimers() const { return events_.RunningTimers(); }
    std::vector<std::string> TakeSounds();
    std::vector<std::string> TakeMusicCalls();
    const std::vector<std::string>& ErrorBoxes() const { return errorBoxes_; }
    bool CursorShown() const { return cursorShown_; }
    bool TextInputOn() const { return textInput_; }
    uint64_t PresentCount() const { return presentCount_; }
    bool MusicIsOpen() const { return musicOpen_; }
    // The levels last set, 100 each before any call.
    int MusicVolume() const { return musicVolume_; }
    int EffectsVolume() const { return effectsVolume_; }

private:
    std::string executableDirectory_;
    int64_t calendarStart_;
    uint64_t now_ = 0;
    uint64_t horizon_ = 0;
    bool displayAvailable_ = true;
    bool cursorShown_ = true;
    bool textInput_ = false;
    bool musicOpen_ = false;
    WindowProc proc_;
    std::function<void()> displayLost_;
    std::function<std::unique_ptr<FontRasterizer>()> createFonts_;
    EventQueue events_;
    std::vector<std::string> sounds_;
    std::vector<std::string> musicCalls_;
    std::vector<std::string> errorBoxes_;
    uint32_t nextMusicHandle_ = 1;
    uint64_t presentCount_ = 0;
    int musicVolume_ = 100;
    int effectsVolume_ = 100;
};

}  // namespace zolvex
