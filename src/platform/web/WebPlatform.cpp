#include "platform/web/WebPlatform.h"

#include <emscripten.h>
#include <emscripten/html5.h>
#include <sys/random.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/Paths.h"
#include "formats/MidiCheck.h"
#include "formats/RenderedTune.h"
#include "formats/VorbisStream.h"
#include "formats/WavCheck.h"
#include "platform/EventQueue.h"
#include "platform/FrameScaler.h"
#include "platform/OutputLimiter.h"
#include "platform/fonts/StbFontRasterizer.h"

// The browser's half of the platform is ZolvexWeb (WebPlatform.js, run before the
// program starts); these are the calls into it.
// clang-format off
EM_JS(void, JsShowScreen, (), { ZolvexWeb.showScreen(); });
EM_JS(void, JsPresent, (const uint8_t* rgba, int width, int height, const int* areas, int count),
      { ZolvexWeb.present(rgba, width, height, areas, count); });
EM_JS(void, JsShowCursor, (int show), { ZolvexWeb.showCursor(show !== 0); });
EM_JS(int, JsPageVisible, (), { return document.hidden ? 0 : 1; });
EM_JS(void, JsToggleFullscreen, (), { ZolvexWeb.toggleFullscreen(); });
EM_JS(void, JsSaveShownFrame, (), { ZolvexWeb.saveShownFrame(); });
EM_JS(void, JsWake, (), { ZolvexWeb.wake(); });
EM_ASYNC_JS(void, JsWaitForEvents, (double milliseconds),
            { await ZolvexWeb.waitForEvents(milliseconds); });
EM_ASYNC_JS(void, JsShowErrorBox, (const char* caption, const char* text, const char* detail),
            { await ZolvexWeb.showErrorBox(UTF8ToString(caption), UTF8ToString(text),
                                           UTF8ToString(detail)); });
EM_JS(int, JsAudioAvailable, (), { return ZolvexWeb.audioAvailable() ? 1 : 0; });
EM_JS(void, JsPlayEffect, (int id, const uint8_t* bytes, int size),
      { ZolvexWeb.playEffect(id, bytes, size); });
EM_JS(void, JsBeep, (), { ZolvexWeb.beep(); });
EM_JS(void, JsSetVolumes, (double music, double effects), { ZolvexWeb.setVolumes(music, effects); });
EM_JS(void, JsLoadTune, (int handle, const uint8_t* bytes, int size, double loopStart, double loopEnd),
      { ZolvexWeb.loadTune(handle, bytes, size, loopStart, loopEnd); });
EM_JS(void, JsPlayTune, (int handle), { ZolvexWeb.playTune(handle); });
EM_JS(void, JsPauseTune, (), { ZolvexWeb.pauseTune(); });
EM_JS(int, JsResumeTune, (), { return ZolvexWeb.resumeTune() ? 1 : 0; });
EM_JS(void, JsStopTune, (), { ZolvexWeb.stopTune(); });
EM_JS(void, JsFreeTune, (int handle), { ZolvexWeb.freeTune(handle); });
EM_JS(void, JsRunEnded, (int code), { ZolvexWeb.runEnded(code); });
EM_JS(void, JsVerifyResult, (const char* json), { ZolvexWeb.verifyResult(UTF8ToString(json)); });
// clang-format on

namespace zolvex {
namespace {

// The page's key codes are the window system's virtual keys; only the keys the
// desktop build hands to the screens are handed on.
uint32_t VirtualKeyOf(unsigned long keyCode) {
    switch (keyCode) {
        case kVkBack:
        case kVkReturn:
        case kVkEscape:
        case kVkSpace:
        case kVkLeft:
        case kVkUp:
        case kVkRight:
        case kVkDown:
            return static_cast<uint32_t>(keyCode);
        default:
            break;
    }
    if ((keyCode >= 'A' && keyCode <= 'Z') || (keyCode >= '0' && keyCode <= '9')) {
        return static_cast<uint32_t>(keyCode);
    }
    if (keyCode >= kVkF1 && keyCode <= kVkF12) return static_cast<uint32_t>(keyCode);
    return 0;
}

constexpr unsigned long kVkF11 = 122;

// The one code point of a key's character ("a", "é", " "), or 0 when the key types
// nothing or more than one character ("Enter", "Shift").
uint32_t TypedCharacter(const char* key) {
    const auto* at = reinterpret_cast<const unsigned char*>(key);
    if (at[0] == 0) return 0;
    const int length = at[0] < 0x80 ? 1 : at[0] < 0xE0 ? 2 : at[0] < 0xF0 ? 3 : 4;
    uint32_t character = length == 1 ? at[0] : at[0] & (0x3FU >> (length - 1));
    for (int i = 1; i < length; ++i) {
        if ((at[i] & 0xC0) != 0x80) return 0;
        character = (character << 6U) | (at[i] & 0x3FU);
    }
    return at[length] == 0 ? character : 0;
}

// The whole of `path` unless it holds more than `maxBytes`; else why not.
std::string ReadWholeFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>& data) {
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    if (error) return error.message();
    if (size > maxBytes) {
        return "file of " + std::to_string(size) + " bytes is too large (expected at most " +
               std::to_string(maxBytes >> 20) + " MiB)";
    }
    std::ifstream in(path, std::ios::binary);
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) return "cannot read the file";
    return {};
}

class WebPlatform : public Platform {
public:
    explicit WebPlatform(const WebOptions& options)
        : programDirectory_(options.programDirectory), start_(emscripten_get_now()) {
        rgba_.resize(640 * 480 * 4);
    }

    ~WebPlatform() override {
        emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
        emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
        emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, nullptr);
        emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, nullptr);
        emscripten_set_focus_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, nullptr);
        if (musicOpen_) JsStopTune();
    }

    bool CreateMainWindow(const std::string& /*title*/, WindowProc proc,
                          const WindowOptions& /*options*/) override {
        proc_ = std::move(proc);
        events_.WindowCreated();
        textInput_ = false;
        emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, EM_TRUE, OnKey);
        emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, EM_TRUE, OnKey);
        emscripten_set_visibilitychange_callback(this, EM_FALSE, OnVisibility);
        // Not captured: the page's own focus changes, never those of its elements.
        emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, EM_FALSE, OnFocus);
        emscripten_set_focus_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, EM_FALSE, OnFocus);
        return true;
    }

    void ShowMainWindow() override {
        if (!events_.HasWindow()) return;
        JsShowScreen();
        // The player has just pressed a key on the page: it is the foreground,
        // unless the tab is already hidden again.
        visible_ = JsPageVisible() != 0;
        focused_ = visible_;
        proc_(Message{kMsgActivateApp, focused_ ? 1u : 0u, 0, Now32()});
    }

    void DestroyMainWindow() override {
        if (!events_.HasWindow()) return;
        proc_(Message{kMsgDestroy, 0, 0, Now32()});
        events_.WindowDestroyed();
    }

    bool HasWindow() const override { return events_.HasWindow(); }

    bool GetNextMessage(Message& out) override {
        for (;;) {
            const uint64_t now = NowMs();
            if (std::optional<Message> m = events_.Next(now)) {
                out = *m;
                return true;
            }
            // The page's events arrive while this waits; a key wakes it at once.
            std::optional<uint64_t> sleep = events_.SleepBefore(now);
            JsWaitForEvents(sleep ? static_cast<double>(*sleep) : -1.0);
        }
    }

    void PostQuit(int exitCode) override {
        events_.Post(Message{kMsgQuit, static_cast<uint32_t>(exitCode), 0, 0});
        JsWake();
    }

    void ShowCursor(bool show) override { JsShowCursor(show ? 1 : 0); }
    void SetTextInput(bool on) override { textInput_ = on; }

    void ShowErrorBox(const std::string& caption, const std::string& text,
                      const std::string& detail) override {
        JsShowErrorBox(caption.c_str(), text.c_str(), detail.c_str());
    }

    // A page never loses its display.
    void OnDisplayLost(std::function<void()> /*hook*/) override {}

    void SetTimer(int id, uint32_t milliseconds) override {
        events_.SetTimer(id, milliseconds, NowMs());
    }
    void KillTimer(int id) override { events_.KillTimer(id); }

    uint64_t NowMs() const override { return static_cast<uint64_t>(emscripten_get_now() - start_); }
    int64_t CalendarTime() const override { return static_cast<int64_t>(std::time(nullptr)); }

    void Present(const uint16_t* pixels, int width, int height) override {
        ShowFrame(pixels, width, height, nullptr);
    }

    void PresentChange(const uint16_t* pixels, int width, int height,
                       const FrameChange& change) override {
        ShowFrame(pixels, width, height, &change);
    }

    void PlaySoundFile(const std::string& relativePath) override {
        if (!EnsureAudio()) return;
        const std::string path = NativePath(relativePath);
        auto it = effects_.find(path);
        std::vector<uint8_t> data;
        if (it == effects_.end()) {
            // Checked as the desktop checks it: a broken file is refused once, here.
            std::string problem = ReadWholeFile(path, kMaxSoundFileBytes, data);
            if (problem.empty()) problem = WavDataProblem(data.data(), data.size());
            if (!problem.empty()) {
                std::fprintf(stderr, "zolvex: cannot load sound %s: %s\n", path.c_str(),
                             problem.c_str());
            }
            it = effects_.emplace(path, problem.empty() ? nextEffect_++ : 0).first;
        }
        if (it->second == 0) return;
        // The bytes go along only the first time; the page keeps the decoded sound.
        JsPlayEffect(it->second, data.data(), static_cast<int>(data.size()));
    }

    void Beep() override {
        if (EnsureAudio()) JsBeep();
    }

    void SetVolumes(int music, int effects) override {
        musicVolume_ = std::clamp(music, 0, 100);
        effectsVolume_ = std::clamp(effects, 0, 100);
        if (audioOpen_) ApplyVolumes();
    }

    void MusicOpen() override { musicOpen_ = EnsureAudio(); }

    void MusicClose() override {
        if (!musicOpen_) return;
        JsStopTune();
        for (uint32_t handle : tunes_) JsFreeTune(static_cast<int>(handle));
        tunes_.clear();
        musicOpen_ = false;
    }

    // Only a tune's rendering plays here: the page has no synthesizer for MIDI files.
    uint32_t MusicLoad(const std::string& path) override {
        if (!musicOpen_) return 0;
        const std::string native = NativePath(path);
        std::vector<uint8_t> midi;
        std::string problem = ReadWholeFile(native, 16U << 20U, midi);
        if (problem.empty()) problem = MidiDataProblem(midi.data(), midi.size());
        if (!problem.empty()) {
            std::fprintf(stderr, "zolvex: cannot load music %s (%s): playing without it\n",
                         native.c_str(), problem.c_str());
            return 0;
        }
        const std::string rendered = std::filesystem::path(native).replace_extension(".ogg");
        std::vector<uint8_t> ogg;
        problem = ReadWholeFile(rendered, kMaxVorbisFileBytes, ogg);
        if (problem.empty()) {
            problem = RenderedTuneProblem(ogg.data(), ogg.size(), midi.data(), midi.size());
        }
        VorbisStreamInfo info;
        if (problem.empty()) problem = ReadVorbisStream(ogg.data(), ogg.size(), info);
        if (!problem.empty() || info.sampleRate == 0) {
            std::fprintf(stderr,
                         "zolvex: cannot play the rendered tune %s (%s): playing without %s\n",
                         rendered.c_str(), problem.c_str(), native.c_str());
            return 0;
        }
        // RenderedTuneProblem has held the loop to the stream's end.
        const double loopStart =
            std::stod(VorbisComment(info, kLoopStartComment).value_or("0")) / info.sampleRate;
        const double loopEnd = static_cast<double>(info.frames) / info.sampleRate;
        const uint32_t handle = nextTune_++;
        JsLoadTune(static_cast<int>(handle), ogg.data(), static_cast<int>(ogg.size()), loopStart,
                   loopEnd);
        tunes_.push_back(handle);
        return handle;
    }

    void MusicInit(uint32_t /*handle*/) override {}

    void MusicPlay(uint32_t handle) override {
        if (musicOpen_ && Loaded(handle)) JsPlayTune(static_cast<int>(handle));
    }

    void MusicPause() override {
        if (musicOpen_) JsPauseTune();
    }

    void MusicResume(uint32_t handle) override {
        if (!musicOpen_) return;
        // A tune that was stopped rather than paused starts again.
        if (JsResumeTune() == 0) MusicPlay(handle);
    }

    void MusicStop() override {
        if (musicOpen_) JsStopTune();
    }

    void MusicFree(uint32_t handle) override {
        if (!Loaded(handle)) return;
        JsFreeTune(static_cast<int>(handle));
        std::erase(tunes_, handle);
    }

    std::string ExecutableDirectory() const override { return programDirectory_; }

    std::unique_ptr<FontRasterizer> CreateFontRasterizer() override {
        return CreateStbFontRasterizer(kPageFontFolder);
    }

private:
    uint32_t Now32() const { return static_cast<uint32_t>(NowMs()); }

    // Only what differs from the frame shown last is converted and handed to the page,
    // when the display knows what that is.
    void ShowFrame(const uint16_t* pixels, int width, int height, const FrameChange* change) {
        if (pixels == nullptr || width <= 0 || height <= 0) return;
        const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
        const bool known = change != nullptr && shownFrame_ != 0 && change->since == shownFrame_ &&
                           rgba_.size() == count * 4 && width == shownWidth_;
        shownFrame_ = change != nullptr ? change->frame : 0;
        shownWidth_ = width;
        rgba_.resize(count * 4);
        std::vector<PixelRect> areas{{0, 0, width, height}};
        if (known) areas = change->within;
        areaList_.clear();
        for (PixelRect area : areas) {
            const int x0 = std::clamp(area.x, 0, width);
            const int y0 = std::clamp(area.y, 0, height);
            const int x1 = std::clamp(area.x + area.w, x0, width);
            const int y1 = std::clamp(area.y + area.h, y0, height);
            if (x1 == x0 || y1 == y0) continue;
            for (int y = y0; y < y1; ++y) {
                for (int x = x0; x < x1; ++x) {
                    const size_t i = static_cast<size_t>(y) * static_cast<size_t>(width) +
                                     static_cast<size_t>(x);
                    const uint32_t rgb = Expand565(pixels[i]);
                    rgba_[i * 4] = static_cast<uint8_t>(rgb >> 16U);
                    rgba_[i * 4 + 1] = static_cast<uint8_t>(rgb >> 8U);
                    rgba_[i * 4 + 2] = static_cast<uint8_t>(rgb);
                    rgba_[i * 4 + 3] = 255;
                }
            }
            areaList_.insert(areaList_.end(), {x0, y0, x1 - x0, y1 - y0});
        }
        JsPresent(rgba_.data(), width, height, areaList_.data(),
                  static_cast<int>(areaList_.size() / 4));
    }

    bool Loaded(uint32_t handle) const {
        return std::find(tunes_.begin(), tunes_.end(), handle) != tunes_.end();
    }

    static EM_BOOL OnKey(int eventType, const EmscriptenKeyboardEvent* event, void* self) {
        return static_cast<WebPlatform*>(self)->TakeKey(eventType == EMSCRIPTEN_EVENT_KEYDOWN,
                                                        *event)
                   ? EM_TRUE
                   : EM_FALSE;
    }

    // True when the page should not do what the key does by default.
    bool TakeKey(bool down, const EmscriptenKeyboardEvent& event) {
        const bool command = event.ctrlKey != 0 || event.metaKey != 0;
        // Alt+Enter and F11 switch between full screen and window, and never reach a screen.
        if (event.keyCode == kVkF11 || (event.keyCode == kVkReturn && event.altKey != 0)) {
            if (down && event.repeat == 0) JsToggleFullscreen();
            return true;
        }
        // Print Screen saves the frame shown, as a download of the page.
        if (event.keyCode == kVkSnapshot) {
            if (down && event.repeat == 0) JsSaveShownFrame();
            return true;
        }
        const uint32_t vk = VirtualKeyOf(event.keyCode);
        if (vk != 0) events_.Post(Message{down ? kMsgKeyDown : kMsgKeyUp, vk, 0, 0});
        bool typed = false;
        if (down && textInput_ && !command) {
            if (const uint32_t character = TypedCharacter(event.key); character >= ' ') {
                events_.Post(Message{kMsgChar, character, 0, 0});
                typed = true;
            }
        }
        if (vk != 0 || typed) JsWake();
        // The browser keeps its own commands (Ctrl+R, Ctrl+W ...).
        return (vk != 0 || typed) && !command;
    }

    static EM_BOOL OnVisibility(int /*eventType*/, const EmscriptenVisibilityChangeEvent* event,
                                void* self) {
        auto* platform = static_cast<WebPlatform*>(self);
        platform->visible_ = event->hidden == 0;
        platform->SetFocus(platform->visible_);
        return EM_FALSE;
    }

    static EM_BOOL OnFocus(int eventType, const EmscriptenFocusEvent* /*event*/, void* self) {
        auto* platform = static_cast<WebPlatform*>(self);
        platform->SetFocus(eventType == EMSCRIPTEN_EVENT_FOCUS && platform->visible_);
        return EM_FALSE;
    }

    // A hidden tab or a page that lost the focus is a program that lost the foreground.
    void SetFocus(bool focused) {
        if (focused == focused_ || !events_.HasWindow()) return;
        focused_ = focused;
        events_.Post(Message{kMsgActivateApp, focused ? 1u : 0u, 0, 0});
        JsWake();
    }

    bool EnsureAudio() {
        if (audioTried_) return audioOpen_;
        audioTried_ = true;
        audioOpen_ = JsAudioAvailable() != 0;
        if (!audioOpen_) {
            std::fputs("zolvex: the page has no sound (no WebAudio): running silent\n", stderr);
            return false;
        }
        ApplyVolumes();
        return true;
    }

    // The levels keep the headroom that the limiter at the end of the page's sound
    // path gives back, as on the desktop.
    void ApplyVolumes() const {
        JsSetVolumes(musicVolume_ * OutputLimiter::kHeadroom / 100.0,
                     effectsVolume_ * OutputLimiter::kHeadroom / 100.0);
    }

    std::string programDirectory_;
    double start_;
    WindowProc proc_;
    EventQueue events_;
    bool textInput_ = false;
    bool visible_ = true;
    bool focused_ = true;
    std::vector<uint8_t> rgba_;
    // The number of the frame shown last (0: not known) and its width; the areas of the
    // frame being shown, as x, y, width, height each.
    uint64_t shownFrame_ = 0;
    int shownWidth_ = 0;
    std::vector<int> areaList_;
    bool audioTried_ = false;
    bool audioOpen_ = false;
    bool musicOpen_ = false;
    int musicVolume_ = 100;
    int effectsVolume_ = 100;
    // Each sound's number in the page; 0 for one refused.
    std::map<std::string, int> effects_;
    int nextEffect_ = 1;
    std::vector<uint32_t> tunes_;
    uint32_t nextTune_ = 1;
};

}  // namespace

std::unique_ptr<Platform> CreateWebPlatform(const WebOptions& options) {
    return std::make_unique<WebPlatform>(options);
}

void TellPageRunEnded(int exitCode) {
    JsRunEnded(exitCode);
}

void TellPageVerifyResult(const std::string& json) {
    JsVerifyResult(json.c_str());
}

}  // namespace zolvex

// The C library of the browser build has the kernel's generator only as getentropy;
// the profile files name their temporaries with getrandom.
extern "C" ssize_t getrandom(void* buffer, size_t length, unsigned /*flags*/) {
    if (length > 256) length = 256;
    return getentropy(buffer, length) == 0 ? static_cast<ssize_t>(length) : -1;
}
