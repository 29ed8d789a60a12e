#include "platform/headless/HeadlessPlatform.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "core/Paths.h"
#include "platform/fonts/TtfFontRasterizer.h"

namespace zolvex {

HeadlessPlatform::HeadlessPlatform(std::string executableDirectory, int64_t calendarStart)
    : executableDirectory_(std::move(executableDirectory)), calendarStart_(calendarStart) {}

std::unique_ptr<FontRasterizer> HeadlessPlatform::CreateFontRasterizer() {
    return createFonts_ ? createFonts_() : CreateTtfFontRasterizer();
}

bool HeadlessPlatform::CreateMainWindow(const std::string& /*title*/, WindowProc proc,
                                        const WindowOptions& /*options*/) {
    if (!displayAvailable_) {
        std::fputs("zolvex: no display to open a window on\n", stderr);
        return false;
    }
    proc_ = std::move(proc);
    events_.WindowCreated();
    textInput_ = false;
    return true;
}

void HeadlessPlatform::ShowMainWindow() {
    if (!events_.HasWindow()) return;
    // Showing the window makes the program the foreground one; the window
    // procedure hears of it before the showing returns.
    proc_(Message{kMsgActivateApp, 1, 0, static_cast<uint32_t>(now_)});
}

void HeadlessPlatform::DestroyMainWindow() {
    if (!events_.HasWindow()) return;
    proc_(Message{kMsgDestroy, 0, 0, static_cast<uint32_t>(now_)});
    events_.WindowDestroyed();
}

bool HeadlessPlatform::GetNextMessage(Message& out) {
    std::optional<Message> m = events_.Next(now_);
    if (!m) {
        // Nothing is queued or due yet: the clock moves on to the earliest tick
        // as long as it falls within the horizon.
        std::optional<uint64_t> due = events_.EarliestDue();
        if (due && *due <= horizon_) {
            now_ = *due;
            m = events_.Next(now_);
        }
    }
    if (!m) {
        now_ = std::max(now_, horizon_);
        return false;
    }
    out = *m;
    return true;
}

void HeadlessPlatform::PostQuit(int exitCode) {
    events_.Post(Message{kMsgQuit, static_cast<uint32_t>(exitCode), 0, 0});
}

void HeadlessPlatform::ShowErrorBox(const std::string& caption, const std::string& text,
                                    const std::string& /*detail*/) {
    errorBoxes_.push_back(caption + ": " + text);
}

void HeadlessPlatform::SetTimer(int id, uint32_t milliseconds) {
    events_.SetTimer(id, milliseconds, now_);
}

void HeadlessPlatform::KillTimer(int id) {
    events_.KillTimer(id);
}

int64_t HeadlessPlatform::CalendarTime() const {
    return calendarStart_ + static_cast<int64_t>(now_ / 1000);
}

void HeadlessPlatform::Present(const uint16_t* /*pixels*/, int /*width*/, int /*height*/) {
    ++presentCount_;
}

void HeadlessPlatform::PlaySoundFile(const std::string& relativePath) {
    sounds_.push_back(NativePath(relativePath));
}

void HeadlessPlatform::Beep() {
    sounds_.emplace_back("beep");
}

void HeadlessPlatform::SetVolumes(int music, int effects) {
    musicVolume_ = music;
    effectsVolume_ = effects;
}

void HeadlessPlatform::MusicOpen() {
    musicCalls_.emplace_back("Open");
    musicOpen_ = true;
}

void HeadlessPlatform::MusicClose() {
    musicCalls_.emplace_back("Close");
    musicOpen_ = false;
}

uint32_t HeadlessPlatform::MusicLoad(const std::string& path) {
    std::string native = NativePath(path);
    size_t slash = native.find_last_of('/');
    musicCalls_.push_back("LoadFile " +
                          (slash == std::string::npos ? native : native.substr(slash + 1)));
    return musicOpen_ ? nextMusicHandle_++ : 0;
}

void HeadlessPlatform::MusicInit(uint32_t /*handle*/) {
    musicCalls_.emplace_back("Init");
}
void HeadlessPlatform::MusicPlay(uint32_t /*handle*/) {
    musicCalls_.emplace_back("Play");
}
void HeadlessPlatform::MusicPause() {
    musicCalls_.emplace_back("Pause");
}
void HeadlessPlatform::MusicResume(uint32_t /*handle*/) {
    musicCalls_.emplace_back("Resume");
}
void HeadlessPlatform::MusicStop() {
    musicCalls_.emplace_back("Stop");
}
void HeadlessPlatform::MusicFree(uint32_t /*handle*/) {
    musicCalls_.emplace_back("Free");
}

void HeadlessPlatform::Inject(const Message& message) {
    if (message.message == kMsgChar && !textInput_) return;
    events_.Post(message);
}

void HeadlessPlatform::AdvanceTo(uint64_t time) {
    horizon_ = std::max(horizon_, time);
}

std::vector<std::string> HeadlessPlatform::TakeSounds() {
    std::vector<std::string> taken;
    taken.swap(sounds_);
    return taken;
}

std::vector<std::string> HeadlessPlatform::TakeMusicCalls() {
    std::vector<std::string> taken;
    taken.swap(musicCalls_);
    return taken;
}

}  // namespace zolvex
