#include "platform/sdl/SdlPlatform.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/Paths.h"
#include "formats/MidiCheck.h"
#include "formats/RenderedTune.h"
#include "formats/WavCheck.h"
#include "formats/WavTune.h"
#include "platform/EventQueue.h"
#include "platform/OutputLimiter.h"
#include "platform/Storage.h"
#include "platform/fonts/TtfFontRasterizer.h"
#include "platform/sdl/BufferedFile.h"
#include "platform/sdl/ErrorBox.h"
#include "platform/sdl/MixerLibrary.h"
#include "platform/sdl/MixerRest.h"
#include "platform/sdl/SdlControllers.h"
#include "platform/sdl/SdlKeyMap.h"
#include "platform/sdl/SdlScreen.h"
#include "platform/sdl/SoundFont.h"
#include "platform/sdl/XConnection.h"

namespace zolvex {
namespace {

// The shortest wait the mixer's library is loaded in, which takes some 10 ms.
constexpr uint64_t kMixerLoadPauseMs = 50;
// The longest the loop goes without pumping SDL's events while the X connection is quiet.
constexpr uint64_t kPumpAtLeastEveryMs = 200;

uint32_t VirtualKeyOf(SDL_Keycode key) {
    switch (key) {
        case SDLK_BACKSPACE:
            return kVkBack;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return kVkReturn;
        case SDLK_ESCAPE:
            return kVkEscape;
        case SDLK_SPACE:
            return kVkSpace;
        case SDLK_LEFT:
            return kVkLeft;
        case SDLK_UP:
            return kVkUp;
        case SDLK_RIGHT:
            return kVkRight;
        case SDLK_DOWN:
            return kVkDown;
        case SDLK_F1:
            return kVkF1;
        case SDLK_F5:
            return kVkF5;
        case SDLK_F12:
            return kVkF12;
        case SDLK_PRINTSCREEN:
            return kVkSnapshot;
        default:
            break;
    }
    if (key >= SDLK_a && key <= SDLK_z) return static_cast<uint32_t>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return static_cast<uint32_t>('0' + (key - SDLK_0));
    if (key >= SDLK_F2 && key <= SDLK_F11) return kVkF1 + 1 + static_cast<uint32_t>(key - SDLK_F2);
    return 0;
}

// Reads the whole of `path` into `data` unless it holds more than `maxBytes`;
// empty when read, else what kept it from being read (`kind` names what it should be).
std::string ReadFileUpTo(const std::string& path, long maxBytes, const char* kind,
                         std::vector<uint8_t>& data) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return std::strerror(errno);
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (length >= 0 && length <= maxBytes && std::fseek(file, 0, SEEK_SET) == 0) {
        data.resize(static_cast<size_t>(length));
        if (!data.empty() && std::fread(data.data(), 1, data.size(), file) != data.size()) {
            length = -1;
        }
    }
    std::fclose(file);
    if (length < 0) return "cannot read the file";
    if (length > maxBytes) {
        return "file of " + std::to_string(length) + " bytes is too large for a " + kind +
               " (expected at most " + std::to_string(maxBytes >> 20) + " MiB)";
    }
    return {};
}

// Reads `path` into `data`; empty when it holds a whole Standard MIDI File, else what
// is wrong with it. The mixer's synthesizer accepts a damaged file and then spins on
// it while it plays, flooding standard error and blocking every later music call, so
// a tune is checked before it is handed over.
std::string MidiFileProblem(const std::string& path, std::vector<uint8_t>& data) {
    constexpr long kMaxTuneBytes = 16L * 1024 * 1024;
    std::string problem = ReadFileUpTo(path, kMaxTuneBytes, "tune", data);
    return problem.empty() ? MidiDataProblem(data.data(), data.size()) : problem;
}

// Where the build puts a tune's rendering: beside it, as "open.wav" for "open.mid".
// 16-bit PCM, not FLAC or Ogg Vorbis: decoding was most of what the game spent on its
// music, and PCM needs none (the mixer's thread costs a third less in play).
std::string RenderedTunePath(const std::string& midiPath) {
    return std::filesystem::path(midiPath).replace_extension(".wav").string();
}

// A hang-up (the terminal the game was started from has gone) is taken as the
// close command, as SIGINT and SIGTERM are; the message loop hears of it.
volatile std::sig_atomic_t hangUpPending = 0;

void NoteHangUp(int /*signal*/) {
    hangUpPending = 1;
}

bool TakeHangUp() {
    if (hangUpPending == 0) return false;
    hangUpPending = 0;
    return true;
}

// What the program registered for a display lost for good.
std::function<void()> displayLostHook;

[[noreturn]] void EndForLostDisplay(const char* displayName) {
    if (displayLostHook) displayLostHook();
    std::fprintf(stderr, "zolvex: lost the connection to the display %s; the run ends\n",
                 displayName);
    // Xlib would call exit(); the libraries' exit handlers could still reach for
    // the dead connection, so the process ends here at once.
    std::_Exit(1);
}

class SdlPlatform : public Platform {
public:
    explicit SdlPlatform(const SdlOptions& options)
        : pollingLoop_(options.pollingLoop), programDirectory_(options.programDirectory) {
        PrepareEnvironment();
        if (!options.tickLogPath.empty()) {
            tickLog_ = std::fopen(options.tickLogPath.c_str(), "w");
            if (tickLog_ == nullptr) {
                std::fprintf(stderr, "zolvex: cannot write the tick log %s\n",
                             options.tickLogPath.c_str());
            }
        }
        struct sigaction hangUp = {};
        // A hang-up someone chose to ignore (nohup) stays ignored.
        if (sigaction(SIGHUP, nullptr, &hangUp) == 0 && hangUp.sa_handler == SIG_DFL) {
            hangUp.sa_handler = NoteHangUp;
            sigemptyset(&hangUp.sa_mask);
            // Without SA_RESTART, so that it also wakes a wait for events.
            hangUp.sa_flags = 0;
            watchingHangUp_ = sigaction(SIGHUP, &hangUp, nullptr) == 0;
        }
        // The full-screen picture stays while the player looks at another window.
        SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
        if (SDL_InitSubSystem(SDL_INIT_TIMER) != 0) {
            std::fprintf(stderr, "zolvex: cannot start the timer: %s\n", SDL_GetError());
        }
        start_ = SDL_GetTicks64();
    }

    ~SdlPlatform() override {
        if (tickLog_ != nullptr) std::fclose(tickLog_);
        for (auto& [path, chunk] : chunks_) {
            if (chunk != nullptr) mix_->freeChunk(chunk);
        }
        if (beep_ != nullptr) mix_->freeChunk(beep_);
        FreeTunes();
        mixerRest_.Wake();
        if (audioOpen_) mix_->closeAudio();
        controllers_.Stop();
        screen_.Close();
        SDL_Quit();
        displayLostHook = nullptr;
        OnXConnectionLost(nullptr);
        if (watchingHangUp_) std::signal(SIGHUP, SIG_DFL);
    }

    // What the libraries read from the environment when the window opens. It is set
    // here, while the program has no other thread: a thread that reads the
    // environment (fontconfig does, on the thread that opens the fonts) while it
    // grows can read the list it replaced after it was freed, and crash.
    static void PrepareEnvironment() {
        // The window's class and application id, which the desktop entry matches.
        SDL_setenv("SDL_VIDEO_X11_WMCLASS", "zolvex", 0);
        SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", "zolvex", 0);
        // Xlib compiles the keyboard's compose table while the display opens; a
        // cached one spares every start after the first that time. Xlib keeps no
        // cache for root.
        if (::geteuid() != 0) {
            const std::string composeCache = PrepareComposeCacheFolder();
            if (!composeCache.empty()) SDL_setenv("XCOMPOSECACHE", composeCache.c_str(), 0);
        }
        // SDL asks the desktop's session bus to keep the screen saver off and to reach
        // the input method. With no bus named in the environment and none at the
        // user's standard socket, libdbus would run dbus-launch to start one: a fork
        // of the whole game on every start (the title's first frame came 8 ms later
        // for it), and, where dbus-launch is installed, a bus that outlives the game.
        // There is no bus to talk to, and libdbus is told so.
        if (SDL_getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr && !UserBusSocketExists()) {
            SDL_setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
        }
    }

    // The session bus a user's session manager starts, where libdbus looks for it
    // when the environment names none.
    static bool UserBusSocketExists() {
        const char* runtime = SDL_getenv("XDG_RUNTIME_DIR");
        if (runtime == nullptr || runtime[0] == '\0') return false;
        std::error_code error;
        return std::filesystem::is_socket(std::filesystem::path(runtime) / "bus", error);
    }

    bool CreateMainWindow(const std::string& title, WindowProc proc,
                          const WindowOptions& options) override {
        const char* requested = SDL_getenv("SDL_VIDEODRIVER");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "zolvex: no display to open a window on: %s\n", SDL_GetError());
            return false;
        }
        const char* driver = SDL_GetCurrentVideoDriver();
        if (driver != nullptr && std::strcmp(driver, "x11") == 0) {
            OnXConnectionLost(EndForLostDisplay);
        }
        bool asked = requested != nullptr && requested[0] != '\0';
        if (!asked && driver != nullptr &&
            (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
            std::fprintf(stderr,
                         "zolvex: no display to open a window on (DISPLAY and WAYLAND_DISPLAY "
                         "are unset or unreachable)\n");
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return false;
        }
        if (!screen_.Open(title, options, ExecutableDirectory())) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return false;
        }
        SDL_StopTextInput();
        keyMap_.Bind(options.keys);
        xDisplay_ = XDisplayOf(screen_.Window());
        proc_ = std::move(proc);
        events_.WindowCreated();
        return true;
    }

    void ShowMainWindow() override {
        if (!events_.HasWindow()) return;
        screen_.Show(NowMs());
        // Activation raised while the window is shown reaches the window
        // procedure before this returns; other events wait in the queue.
        SDL_PumpEvents();
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            Translate(event);
        }
        for (const Message& m : events_.TakeQueued(kMsgActivateApp)) proc_(m);
    }

    void DestroyMainWindow() override {
        if (!events_.HasWindow()) return;
        proc_(Message{kMsgDestroy, 0, 0, Now32()});
        events_.WindowDestroyed();
        screen_.Close();
        xDisplay_ = nullptr;
    }

    bool HasWindow() const override { return events_.HasWindow(); }

    bool GetNextMessage(Message& out) override {
        // Each pass reads the window system at most once: a wait that has just ended
        // has read it already, so the pass after it only takes what that read queued.
        // A pass that finds nothing due leaves the reading to the wait it ends in,
        // which reads on its way in; reading twice costs calls to the X server.
        // Before a tick only the window system's input must be read, so that it keeps
        // its place ahead of the tick: when the X connection holds nothing, that read
        // too is left to the next wait.
        bool justRead = false;
        for (;;) {
            SDL_Event event;
            // A wait that slept past a due tick, to wake once for two timers, hands out
            // the ticks that fell due before what it read: as they would have come had
            // it woken for each.
            if (ticksFirst_) {
                if (std::optional<Message> m = events_.NextTick(NowMs())) {
                    out = *m;
                    LogTick(out);
                    return true;
                }
                ticksFirst_ = false;
            }
            const bool tickDue = events_.SleepBefore(NowMs()) == std::optional<uint64_t>{0};
            if (!justRead && (pollingLoop_ || events_.HasQueued() ||
                              (tickDue && (xDisplay_ == nullptr || !XConnectionIdle(xDisplay_))))) {
                Pump();
            }
            justRead = false;
            while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
                Translate(event);
            }
            if (TakeHangUp()) events_.Post(Message{kMsgClose, 0, 0, 0});
            const uint64_t now = NowMs();
            SettleScreen(now);
            controllers_.Poll(now);
            if (std::optional<Message> m = events_.Next(now)) {
                out = *m;
                LogTick(out);
                return true;
            }
            if (pollingLoop_) continue;
            // A wake costs the processor more than a tick that draws nothing (the play
            // screen's clock) does: a longer timer's tick waits for a shorter one's.
            std::optional<uint64_t> sleep = events_.SleepJoiningTicks(now);
            const bool joined = sleep != events_.SleepBefore(now);
            for (uint64_t due :
                 {screen_.SwitchSettlesAt(), screen_.PlacementDueAt(), controllers_.WakeAt(now)}) {
                if (due != 0) sleep = std::min(sleep.value_or(due - now), due - now);
            }
            if (std::optional<uint64_t> mixer = mixerRest_.Check(now)) {
                sleep = std::min(sleep.value_or(*mixer), *mixer);
            }
            // Without music the mixer's library would be loaded with the first sound,
            // in play, holding up a fall tick; it is loaded in the first pause long
            // enough for it once the window is up: at start-up, the wait for the
            // title's first tick. The device still opens with the first sound, so
            // that no mixing runs while nothing sounds.
            if (!mixerTried_ && events_.HasWindow() && (!sleep || *sleep >= kMixerLoadPauseMs)) {
                mixerTried_ = true;
                OpenMixer();
                continue;
            }
            if (xDisplay_ != nullptr && SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_FALSE) {
                // On X the wait is one poll of the connection and, when that finds
                // something, one read of it; SDL's own wait reads the connection two or
                // three times around its poll. A wait whose time ran out has nothing to
                // read, and on a fall tick reading all the same costs more calls than
                // the drawing. SDL still reads its sources every so often, for what it
                // does there in its own time (keeping the screen saver off, for one).
                const int limit =
                    !sleep ? -1 : static_cast<int>(std::min<uint64_t>(*sleep, INT_MAX));
                const bool input = XWaitForInput(xDisplay_, limit);
                if (input || NowMs() >= lastPumpMs_ + kPumpAtLeastEveryMs) Pump();
            } else {
                bool got = !sleep ? SDL_WaitEvent(&event) != 0
                                  : SDL_WaitEventTimeout(&event, static_cast<int>(*sleep)) != 0;
                if (got) Translate(event);
            }
            justRead = true;
            ticksFirst_ = joined;
        }
    }

    void Pump() {
        SDL_PumpEvents();
        lastPumpMs_ = NowMs();
    }

    void LogTick(const Message& m) {
        if (tickLog_ == nullptr || m.message != kMsgTimer || m.wParam != 0) return;
        std::fprintf(tickLog_, "%.3f\n",
                     static_cast<double>(SDL_GetPerformanceCounter()) * 1000.0 /
                         static_cast<double>(SDL_GetPerformanceFrequency()));
        // The first line is on disk at once: it tells a watcher the first frame is up.
        if (!tickLogged_) std::fflush(tickLog_);
        tickLogged_ = true;
    }

    void PostQuit(int exitCode) override {
        events_.Post(Message{kMsgQuit, static_cast<uint32_t>(exitCode), 0, 0});
    }

    void ShowCursor(bool show) override { SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE); }

    void SetTextInput(bool on) override {
        textInput_ = on;
        if (on) {
            SDL_StartTextInput();
        } else {
            SDL_StopTextInput();
        }
    }

    // Drawn by the game in its own window: no process of its own that could outlive
    // the run, the game's fonts, and the close command ends it like any screen.
    void ShowErrorBox(const std::string& caption, const std::string& text,
                      const std::string& detail) override {
        if (!screen_.IsOpen()) {
            std::fprintf(stderr, "zolvex: %s (no window to show it in)\n", text.c_str());
            return;
        }
        const ErrorBoxFrame box = DrawErrorBox(caption, text, detail);
        Present(box.pixels.data(), ErrorBoxFrame::kWidth, ErrorBoxFrame::kHeight);
        SDL_ShowCursor(SDL_ENABLE);
        for (;;) {
            if (TakeHangUp()) return;
            SDL_Event event;
            // The timeout only bounds how late a hang-up is noticed.
            if (SDL_WaitEventTimeout(&event, 250) == 0) continue;
            switch (event.type) {
                case SDL_QUIT:
                    return;
                case SDL_WINDOWEVENT:
                    if (event.window.event == SDL_WINDOWEVENT_CLOSE) return;
                    screen_.HandleEvent(event, NowMs());
                    break;
                case SDL_KEYDOWN:
                    if (screen_.HandleEvent(event, NowMs())) break;
                    switch (event.key.keysym.sym) {
                        case SDLK_RETURN:
                        case SDLK_KP_ENTER:
                        case SDLK_ESCAPE:
                        case SDLK_SPACE:
                            return;
                        default:
                            break;
                    }
                    break;
                case SDL_MOUSEBUTTONUP:
                    if (event.button.button == SDL_BUTTON_LEFT && event.button.x >= box.okX &&
                        event.button.x < box.okX + box.okWidth && event.button.y >= box.okY &&
                        event.button.y < box.okY + box.okHeight) {
                        return;
                    }
                    break;
                default:
                    break;
            }
        }
    }

    void OnDisplayLost(std::function<void()> hook) override { displayLostHook = std::move(hook); }

    void SetTimer(int id, uint32_t milliseconds) override {
        events_.SetTimer(id, milliseconds, NowMs());
    }

    void KillTimer(int id) override { events_.KillTimer(id); }

    uint64_t NowMs() const override { return SDL_GetTicks64() - start_; }
    int64_t CalendarTime() const override { return static_cast<int64_t>(std::time(nullptr)); }

    void Present(const uint16_t* pixels, int width, int height) override {
        screen_.Present(pixels, width, height);
    }
    void PresentChange(const uint16_t* pixels, int width, int height,
                       const FrameChange& change) override {
        screen_.Present(pixels, width, height, &change);
    }

    void PlaySoundFile(const std::string& relativePath) override {
        if (!EnsureAudio()) return;
        std::string path = NativePath(relativePath);
        auto it = chunks_.find(path);
        if (it == chunks_.end()) {
            // The mixer decodes whatever it is given in one go: a huge file or a header
            // announcing hours of sound takes gigabytes or crashes it, so the file is
            // checked first.
            std::vector<uint8_t> data;
            std::string problem =
                ReadFileUpTo(path, static_cast<long>(kMaxSoundFileBytes), "sound", data);
            if (problem.empty()) problem = WavDataProblem(data.data(), data.size());
            Mix_Chunk* chunk = nullptr;
            if (problem.empty()) {
                chunk = mix_->loadWavRw(
                    SDL_RWFromConstMem(data.data(), static_cast<int>(data.size())), 1);
                if (chunk == nullptr) problem = Mix_GetError();
            }
            if (!problem.empty()) {
                std::fprintf(stderr, "zolvex: cannot load sound %s: %s\n", path.c_str(),
                             problem.c_str());
            }
            it = chunks_.emplace(path, chunk).first;
        }
        // One channel: a new sound cuts the one still playing.
        if (it->second == nullptr) return;
        mix_->playChannel(0, it->second, 0);
        mixerRest_.Wake();
    }

    void Beep() override {
        if (!EnsureAudio()) return;
        if (beep_ == nullptr) beep_ = MakeBeep();
        if (beep_ == nullptr) return;
        mix_->playChannel(0, beep_, 0);
        mixerRest_.Wake();
    }

    void SetVolumes(int music, int effects) override {
        musicVolume_ = std::clamp(music, 0, 100);
        effectsVolume_ = std::clamp(effects, 0, 100);
        if (audioOpen_) ApplyVolumes();
    }

    // The sound font is looked for only when a tune has to be synthesised.
    // The device (and the mixer's library) is opened with the first tune or sound,
    // not here: at start-up that falls in the wait for the title's first tick.
    void MusicOpen() override { musicWanted_ = true; }

    void MusicClose() override {
        if (MusicOn()) {
            mix_->haltMusic();
            FreeTunes();
        }
        musicWanted_ = false;
    }

    // Plays the tune's rendering (beside it, made by the build) when it is the
    // rendering of this very MIDI file; otherwise synthesises the MIDI file.
    uint32_t MusicLoad(const std::string& path) override {
        if (!musicWanted_ || !EnsureAudio()) return 0;
        std::string native = NativePath(path);
        std::vector<uint8_t> midi;
        std::string problem = MidiFileProblem(native, midi);
        if (!problem.empty()) {
            std::fprintf(stderr, "zolvex: cannot load music %s (%s): playing without it\n",
                         native.c_str(), problem.c_str());
            return 0;
        }
        const uint32_t handle = nextHandle_;
        const std::string rendered = RenderedTunePath(native);
        // The mixer streams the tune from its file while it plays; only its head, where
        // the comments are, is read here, so no more than the mixer's buffers is held.
        std::FILE* file = std::fopen(rendered.c_str(), "rb");
        if (file == nullptr) {
            problem = std::strerror(errno);
        } else {
            const std::vector<uint8_t> head = ReadWavTuneHead(file);
            std::error_code error;
            const uint64_t size = std::filesystem::file_size(rendered, error);
            problem = RenderedTuneProblem(head.data(), head.size(), midi.data(), midi.size(),
                                          error ? head.size() : size);
            SDL_RWops* stream = nullptr;
            if (problem.empty()) {
                stream = StreamFromFile(file);
                if (stream == nullptr) problem = "cannot read it";
            } else {
                std::fclose(file);
            }
            if (stream != nullptr) {
                Mix_Music* music = mix_->loadMusTypeRw(stream, MUS_WAV, 1);
                if (music != nullptr) {
                    tunes_[handle].music = music;
                    return nextHandle_++;
                }
                problem = Mix_GetError();
            }
        }
        std::fprintf(stderr, "zolvex: cannot play the rendered tune %s (%s): synthesising %s\n",
                     rendered.c_str(), problem.c_str(), native.c_str());
        if (!EnsureSoundFont()) return 0;
        Mix_Music* music = mix_->loadMus(native.c_str());
        if (music == nullptr) {
            std::fprintf(stderr, "zolvex: cannot load music %s (%s): playing without it\n",
                         native.c_str(), Mix_GetError());
            return 0;
        }
        tunes_[handle].music = music;
        return nextHandle_++;
    }

    void MusicInit(uint32_t /*handle*/) override {}

    void MusicPlay(uint32_t handle) override {
        if (!MusicOn()) return;
        auto it = tunes_.find(handle);
        if (it == tunes_.end()) return;
        mix_->playMusic(it->second.music, -1);
        mixerRest_.Wake();
    }

    void MusicPause() override {
        if (MusicOn()) mix_->pauseMusic();
    }

    void MusicResume(uint32_t handle) override {
        if (!MusicOn()) return;
        if (mix_->pausedMusic() != 0) {
            mix_->resumeMusic();
            mixerRest_.Wake();
        } else if (mix_->playingMusic() == 0) {
            // A tune that was stopped rather than paused starts again.
            MusicPlay(handle);
        }
    }

    void MusicStop() override {
        if (MusicOn()) mix_->haltMusic();
    }

    void MusicFree(uint32_t handle) override {
        auto it = tunes_.find(handle);
        if (it == tunes_.end()) return;
        mix_->haltMusic();
        mix_->freeMusic(it->second.music);
        tunes_.erase(it);
    }

    std::string ExecutableDirectory() const override {
        return programDirectory_.empty() ? ReadExecutableDirectory() : programDirectory_;
    }

    std::unique_ptr<FontRasterizer> CreateFontRasterizer() override {
        return CreateTtfFontRasterizer();
    }

private:
    uint32_t Now32() const { return static_cast<uint32_t>(NowMs()); }

    void Translate(const SDL_Event& event) {
        if (screen_.HandleEvent(event, NowMs())) return;
        if (controllers_.HandleEvent(event, NowMs())) return;
        switch (event.type) {
            case SDL_TEXTINPUT:
                PostTypedText(event.text.text);
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                uint32_t vk = keyMap_.Lookup(event.key.keysym, textInput_)
                                  .value_or(VirtualKeyOf(event.key.keysym.sym));
                if (vk != 0) {
                    events_.Post(
                        Message{event.type == SDL_KEYDOWN ? kMsgKeyDown : kMsgKeyUp, vk, 0, 0});
                }
                break;
            }
            case SDL_WINDOWEVENT:
                switch (event.window.event) {
                    case SDL_WINDOWEVENT_FOCUS_GAINED:
                    case SDL_WINDOWEVENT_FOCUS_LOST:
                        // While a switch settles the window system moves the focus
                        // about; only where it ends up counts.
                        if (screen_.SwitchSettlesAt() == 0) {
                            PostFocus(event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED);
                        }
                        break;
                    case SDL_WINDOWEVENT_CLOSE:
                        events_.Post(Message{kMsgClose, 0, 0, 0});
                        break;
                    default:
                        break;
                }
                break;
            case SDL_QUIT:
                // The close button, SIGINT and SIGTERM all arrive as the system's close command.
                events_.Post(Message{kMsgClose, 0, 0, 0});
                break;
            default:
                break;
        }
    }

    // One message for each character of the UTF-8 text.
    void PostTypedText(const char* text) {
        for (const auto* at = reinterpret_cast<const unsigned char*>(text); *at != 0;) {
            const int length = *at < 0x80 ? 1 : *at < 0xE0 ? 2 : *at < 0xF0 ? 3 : 4;
            uint32_t character = length == 1 ? *at : *at & (0x3F >> (length - 1));
            int taken = 1;
            while (taken < length && (at[taken] & 0xC0) == 0x80) {
                character = (character << 6) | (at[taken] & 0x3F);
                ++taken;
            }
            if (taken == length) events_.Post(Message{kMsgChar, character, 0, 0});
            at += taken;
        }
    }

    void PostFocus(bool focused) {
        focused_ = focused;
        events_.Post(Message{kMsgActivateApp, focused ? 1u : 0u, 0, 0});
    }

    void SettleScreen(uint64_t now) {
        const uint64_t switchDue = screen_.SwitchSettlesAt();
        if (switchDue != 0 && now >= switchDue) {
            screen_.SwitchSettled();
            if (screen_.HasFocus() != focused_) PostFocus(!focused_);
        }
        const uint64_t placementDue = screen_.PlacementDueAt();
        if (placementDue != 0 && now >= placementDue) screen_.ReportPlacement();
    }

    bool EnsureAudio() {
        if (audioTried_) return audioOpen_;
        audioTried_ = true;
        mix_ = OpenMixer();
        if (mix_ == nullptr) return false;
        // A 2048-frame buffer (46 ms) wakes the mixer half as often as 1024 did, which
        // measured about a third less processor time with the music playing; sounds
        // still start within a frame or two of the fall tick.
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 ||
            mix_->openAudio(44100, AUDIO_S16SYS, 2, 2048) != 0) {
            std::fprintf(stderr, "zolvex: no sound device (%s): running silent\n", SDL_GetError());
            return false;
        }
        mix_->allocateChannels(1);
        audioOpen_ = true;
        mixerRest_.Attach(mix_);
        ApplyVolumes();
        int frequency = 0;
        Uint16 format = 0;
        int channels = 0;
        if (mix_->querySpec(&frequency, &format, &channels) != 0 && format == AUDIO_S16SYS) {
            outputRate_ = frequency;
            outputChannels_ = channels;
            mix_->setPostMix(LimitOutput, this);
        }
        return true;
    }

    // Music was asked for and the device is open.
    bool MusicOn() const { return musicWanted_ && audioOpen_; }

    // The mixer's volumes keep the headroom the output limiter gives back.
    void ApplyVolumes() const {
        auto mixerVolume = [](int percent) {
            return static_cast<int>(
                std::lround(percent * MIX_MAX_VOLUME * OutputLimiter::kHeadroom / 100.0));
        };
        mix_->volumeMusic(mixerVolume(musicVolume_));
        mix_->volume(-1, mixerVolume(effectsVolume_));
    }

    // Runs on the mixer's thread, which alone touches the limiter.
    static void LimitOutput(void* self, Uint8* stream, int length) {
        auto* platform = static_cast<SdlPlatform*>(self);
        const size_t frames = static_cast<size_t>(length) / sizeof(int16_t) /
                              static_cast<size_t>(platform->outputChannels_);
        platform->limiter_.Process(reinterpret_cast<int16_t*>(stream), frames,
                                   platform->outputChannels_, platform->outputRate_);
    }

    // The music first, then the bytes it streams from.
    void FreeTunes() {
        for (auto& [handle, tune] : tunes_) mix_->freeMusic(tune.music);
        tunes_.clear();
    }

    // Chooses the synthesizer's sound font once; without one no tune is synthesised.
    bool EnsureSoundFont() {
        if (soundFontTried_) return soundFontFound_;
        soundFontTried_ = true;
        const char* variable = SDL_getenv("SDL_SOUNDFONTS");
        const std::string listed = variable != nullptr ? variable : "";
        const std::vector<std::string> folders = SystemSoundFontFolders();
        std::optional<std::string> font = FindSoundFont(folders, listed);
        if (!font) {
            std::string places = listed.empty() ? "" : "SDL_SOUNDFONTS=" + listed;
            for (const std::string& folder : folders) {
                places += (places.empty() ? "" : ", ") + folder;
            }
            std::fprintf(stderr, "zolvex: no General MIDI sound font found (looked in %s)\n",
                         places.c_str());
            return false;
        }
        if (!listed.empty() && !ListedSoundFont(listed)) {
            std::fprintf(stderr,
                         "zolvex: no readable sound font file in SDL_SOUNDFONTS=%s: using %s\n",
                         listed.c_str(), font->c_str());
        }
        // With SDL_FORCE_SOUNDFONTS set the mixer would take SDL_SOUNDFONTS as it
        // stands over the font chosen here, which has already honoured it.
        SDL_SetHintWithPriority("SDL_FORCE_SOUNDFONTS", "0", SDL_HINT_OVERRIDE);
        mix_->setSoundFonts(font->c_str());
        soundFontFound_ = true;
        return true;
    }

    // A short 880 Hz tone in the device's own format.
    Mix_Chunk* MakeBeep() {
        int frequency = 0;
        Uint16 format = 0;
        int channels = 0;
        if (mix_->querySpec(&frequency, &format, &channels) == 0 || format != AUDIO_S16SYS) {
            return nullptr;
        }
        int frames = frequency / 8;
        beepSamples_.assign(static_cast<size_t>(frames) * static_cast<size_t>(channels), 0);
        for (int i = 0; i < frames; ++i) {
            double envelope = std::min(1.0, std::min(i, frames - i) / (frequency * 0.005));
            double value = std::sin(2.0 * M_PI * 880.0 * i / frequency) * 0.3 * envelope;
            for (int c = 0; c < channels; ++c) {
                beepSamples_[static_cast<size_t>(i) * static_cast<size_t>(channels) +
                             static_cast<size_t>(c)] = static_cast<int16_t>(value * 32767);
            }
        }
        return mix_->quickLoadRaw(reinterpret_cast<Uint8*>(beepSamples_.data()),
                                  static_cast<Uint32>(beepSamples_.size() * sizeof(int16_t)));
    }

    bool pollingLoop_;
    bool watchingHangUp_ = false;
    std::string programDirectory_;
    std::FILE* tickLog_ = nullptr;
    bool tickLogged_ = false;
    bool ticksFirst_ = false;  // the last wait slept past a due tick
    uint64_t lastPumpMs_ = 0;  // when SDL last read its event sources
    uint64_t start_ = 0;
    SdlScreen screen_;
    bool focused_ = true;
    WindowProc proc_;
    EventQueue events_;
    SdlControllers controllers_{events_};
    SdlKeyMap keyMap_;
    bool textInput_ = false;
    bool audioTried_ = false;
    bool audioOpen_ = false;
    // The mixer's calls, once the device is open.
    const MixerCalls* mix_ = nullptr;
    bool mixerTried_ = false;
    // Holds the mixer's thread while nothing sounds.
    MixerRest mixerRest_;
    bool musicWanted_ = false;
    bool soundFontTried_ = false;
    bool soundFontFound_ = false;
    int musicVolume_ = 100;
    int effectsVolume_ = 100;
    // The X connection the window is drawn through (null when not on X).
    void* xDisplay_ = nullptr;
    OutputLimiter limiter_;
    int outputRate_ = 44100;
    int outputChannels_ = 2;
    std::map<std::string, Mix_Chunk*> chunks_;
    Mix_Chunk* beep_ = nullptr;
    std::vector<int16_t> beepSamples_;
    // A loaded tune; a rendered one keeps the file's bytes, which the mixer streams.
    struct Tune {
        Mix_Music* music = nullptr;
    };
    std::map<uint32_t, Tune> tunes_;
    uint32_t nextHandle_ = 1;
};

}  // namespace

std::string ReadExecutableDirectory() {
    std::vector<char> buffer(256);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) break;
        if (static_cast<size_t>(n) < buffer.size()) {
            std::string path(buffer.data(), static_cast<size_t>(n));
            size_t slash = path.find_last_of('/');
            if (slash == std::string::npos) return ".";
            return slash == 0 ? std::string("/") : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
    char* base = SDL_GetBasePath();
    if (base == nullptr) return ".";
    std::string dir = base;
    SDL_free(base);
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

std::unique_ptr<Platform> CreateSdlPlatform(const SdlOptions& options) {
    return std::make_unique<SdlPlatform>(options);
}

}  // namespace zolvex
