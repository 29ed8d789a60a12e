// The only road from the game to the machine: window and messages, timers,
// clock, presentation, sound effects, music, the font rasteriser and the message box. Two backends
// implement it: SDL2 (src/platform/sdl) and headless (src/platform/headless).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/FontRasterizer.h"
#include "platform/FrameScaler.h"

namespace zolvex {

// Message numbers and virtual-key codes the scenes dispatch on.
enum : uint32_t {
    kMsgDestroy = 2,
    kMsgClose = 16,  // the system's close command; the default procedure destroys the window
    kMsgQuit = 18,
    kMsgActivateApp = 28,
    kMsgKeyDown = 256,
    kMsgKeyUp = 257,
    kMsgChar = 258,  // a character typed on the keyboard; wParam is its Unicode code point
    kMsgTimer = 275,
};

enum : uint32_t {
    kVkBack = 8,
    kVkReturn = 13,
    kVkEscape = 27,
    kVkSpace = 32,
    kVkLeft = 37,
    kVkUp = 38,
    kVkRight = 39,
    kVkDown = 40,
    kVkF1 = 112,
    kVkF5 = 116,
    kVkF12 = 123,
};

// Keys no screen uses, which the program itself answers on every screen: the music
// and effects levels, the screenshot.
enum : uint32_t {
    kVkSnapshot = 44,  // Print Screen
    kVkF2 = 113,
    kVkF3 = 114,
    kVkF7 = 118,
    kVkF8 = 119,
};

// A key of the player's own for one of the game's actions, from the settings.
// Keys are named as the window system names them ("A", "Left Shift", "Keypad 4").
struct KeyBinding {
    std::string action;       // the setting's name, for messages: "Swap"
    uint32_t virtualKey = 0;  // what the action's key sends to the screens
    std::string defaultKey;   // the key that does it by default: "Space"
    std::string key;          // the player's key; empty keeps the default
};

// How a frame to show differs from one shown before it: the frame is numbered `frame`
// and differs from the frame numbered `since` only inside `within`.
struct FrameChange {
    uint64_t frame = 0;
    uint64_t since = 0;
    std::vector<PixelRect> within;
};

struct Message {
    uint32_t message = 0;
    uint32_t wParam = 0;  // key code, activation flag, timer id or quit code
    uint32_t lParam = 0;
    uint32_t time = 0;  // milliseconds of the platform clock when the message was taken
};

// Receives every window message, including those sent synchronously while the
// window is created or destroyed.
using WindowProc = std::function<intptr_t(const Message&)>;

// Where and how the window was last shown, as the player's settings keep it.
struct WindowPlacement {
    bool windowed = false;
    // The window's inside and the place of its top-left corner on the desktop; a
    // width or height of 0 means not known.
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
    int monitor = 0;  // 0 is the first

    bool operator==(const WindowPlacement&) const = default;
};

// How the 640 x 480 picture is shown: full screen or in a window, scaled to fill
// it as `scaling` says.
struct WindowOptions {
    // The mode, and the window's last size and place (restored only while they
    // still fit a connected monitor).
    WindowPlacement placement;
    // Without a size to restore, the window opens at 640 x 480 times this (reduced
    // to what fits the desktop).
    int scale = 1;
    ScalingMode scaling = ScalingMode::Sharp;
    // Told, once things settle, whenever the player has switched between full
    // screen and window, moved or resized the window, or moved it to another monitor.
    std::function<void(const WindowPlacement&)> placementChanged;
    // The game's actions with the keys the player chose for them.
    std::vector<KeyBinding> keys;
};

class Platform {
public:
    virtual ~Platform() = default;

    // Window and messages.
    // Creates the one window, not yet shown, routing its messages to `proc`.
    // Returns false when there is no display to show it on.
    virtual bool CreateMainWindow(const std::string& title, WindowProc proc,
                                  const WindowOptions& options) = 0;
    // Shows the window; activation messages raised while it is shown are delivered
    // to the window procedure before this returns. On a desktop the window manager
    // may take tens of milliseconds over it.
    virtual void ShowMainWindow() = 0;
    // Destroys the window; the window procedure receives kMsgDestroy before this returns.
    virtual void DestroyMainWindow() = 0;
    virtual bool HasWindow() const = 0;
    // Blocks until the next message: queued input first, then a due timer tick.
    // Returns false when no message can ever come (the headless script ended).
    virtual bool GetNextMessage(Message& out) = 0;
    virtual void PostQuit(int exitCode) = 0;
    virtual void ShowCursor(bool show) = 0;
    // While on, each character typed on the keyboard arrives as kMsgChar after the
    // key-down of the key that typed it, in whatever layout the keyboard has. Off
    // when the window is created.
    virtual void SetTextInput(bool on) = 0;
    // Shows `text` under `caption` with `detail` (one English line naming what
    // failed) below it, until the player dismisses it or the close command comes.
    virtual void ShowErrorBox(const std::string& caption, const std::string& text,
                              const std::string& detail) = 0;
    // Registers what to run when the connection to the display is lost for good; the
    // process then ends with status 1 after one line on standard error. An empty
    // function removes it.
    virtual void OnDisplayLost(std::function<void()> hook) = 0;

    // Timers with the window system's semantics: starting an id replaces it with a
    // fresh interval; at most one tick of an id is outstanding; late ticks are not
    // made up; killing an id drops its outstanding tick.
    virtual void SetTimer(int id, uint32_t milliseconds) = 0;
    virtual void KillTimer(int id) = 0;

    // Milliseconds since start on the platform clock, and the calendar time in seconds.
    virtual uint64_t NowMs() const = 0;
    virtual int64_t CalendarTime() const = 0;

    // Shows a 640 x 480 RGB565 frame.
    virtual void Present(const uint16_t* pixels, int width, int height) = 0;
    // Shows a frame as Present does, told how it differs from frame `change.since`;
    // a backend that has shown anything else since that frame looks at the whole frame.
    virtual void PresentChange(const uint16_t* pixels, int width, int height,
                               const FrameChange& /*change*/) {
        Present(pixels, width, height);
    }

    // Sound effects by relative path ("wav\\drop.wav"); a sound cuts the one playing.
    virtual void PlaySoundFile(const std::string& relativePath) = 0;
    virtual void Beep() = 0;
    // How loud the music and the sound effects play, each 0 (silent) to 100 (as
    // recorded); takes effect at once, on what is playing too, and holds for sounds
    // and tunes started later.
    virtual void SetVolumes(int music, int effects) = 0;

    // Music. Every call is harmless before MusicOpen or after it failed; a handle
    // of 0 means no tune.
    virtual void MusicOpen() = 0;
    virtual void MusicClose() = 0;
    virtual uint32_t MusicLoad(const std::string& path) = 0;
    virtual void MusicInit(uint32_t handle) = 0;
    virtual void MusicPlay(uint32_t handle) = 0;
    virtual void MusicPause() = 0;
    virtual void MusicResume(uint32_t handle) = 0;
    virtual void MusicStop() = 0;
    virtual void MusicFree(uint32_t handle) = 0;

    // Folder of the running executable, without a trailing separator.
    virtual std::string ExecutableDirectory() const = 0;

    // A rasteriser for the game's fonts, the one the machine draws text with; null,
    // with a line on standard error, when there is none. Called once a run, on the
    // thread that opens the fonts while the window is created.
    virtual std::unique_ptr<FontRasterizer> CreateFontRasterizer() = 0;
};

}  // namespace zolvex
