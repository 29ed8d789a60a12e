// The game's one window and how its 640 x 480 frames reach the player's eyes:
// full screen or a decorated window, the picture scaled to fill it, and the keys
// the window system owns (Alt+Enter and F11 switch between the two).
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/FrameScaler.h"
#include "platform/Platform.h"
#include "platform/sdl/XWindowImage.h"

namespace zolvex {

class SdlScreen {
public:
    SdlScreen() = default;
    ~SdlScreen();
    SdlScreen(const SdlScreen&) = delete;
    SdlScreen& operator=(const SdlScreen&) = delete;

    // Creates the window, still hidden, where `options` says; false (with one
    // line on standard error) when it cannot be made or drawn into.
    bool Open(const std::string& title, const WindowOptions& options,
              const std::string& programFolder);
    void Show(uint64_t nowMs);
    void Close();
    bool IsOpen() const { return window_ != nullptr; }
    SDL_Window* Window() const { return window_; }

    // Shows a frame of `width` x `height` RGB565 pixels, sending only what changed.
    // With `change`, only the parts it names are compared with the frame shown last,
    // when that is the frame it names.
    void Present(const uint16_t* pixels, int width, int height,
                 const FrameChange* change = nullptr);

    // Takes the window system's own events: switching keys, resizing, moving and
    // exposure. True when the event was the screen's and must not reach the game.
    bool HandleEvent(const SDL_Event& event, uint64_t nowMs);

    // Until this time focus changes are the window system's reaction to a switch,
    // not the player leaving the game; 0 when no switch is settling.
    uint64_t SwitchSettlesAt() const { return switchSettlesAt_; }
    void SwitchSettled() { switchSettlesAt_ = 0; }
    bool HasFocus() const;

    // When the placement last changed and has not been reported yet; 0 when none.
    uint64_t PlacementDueAt() const { return placementDueAt_; }
    // Reports the placement to the program if it changed since the last report.
    void ReportPlacement();

private:
    void Toggle(uint64_t nowMs);
    void NotePlacement(uint64_t nowMs);
    bool SetUpDrawing();
    void DropDrawing();
    // Draws the whole frame again into a fresh or resized window.
    void Refresh();
    void PresentWithRenderer(const std::vector<PixelRect>& changed);
    void PresentToSurface(const std::vector<PixelRect>& changed);
    // Sizes the window's pixels to the window, and the scaler to them; false when the
    // window has none to draw into.
    bool OpenWindowPixels();
    void LoadIcon(const std::string& programFolder);

    SDL_Window* window_ = nullptr;
    // With a graphics card the renderer scales on it; otherwise frames are scaled
    // here and written straight into the window's pixels.
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* frameTexture_ = nullptr;
    SDL_Texture* sharpTexture_ = nullptr;  // the frame at a whole multiple, for sharp scaling
    int sharpMultiple_ = 0;
    bool useRenderer_ = false;
    // Without one, the window's pixels: on X in memory shared with the server, put
    // without waiting for it; elsewhere (or when the server refuses) SDL's window surface.
    XWindowImage xImage_;
    bool xImageRefused_ = false;
    SDL_Surface* surface_ = nullptr;
    FrameScaler scaler_;
    PixelRect picture_;
    bool surfaceFresh_ = true;
    std::vector<SDL_Rect> bars_;     // the window's parts beside the shared image, kept black
    std::vector<SDL_Rect> written_;  // the window's rectangles a frame wrote, kept for the next

    ScalingMode scaling_ = ScalingMode::Sharp;
    std::vector<uint16_t> frame_;  // the frame shown last
    uint64_t frameNumber_ = 0;     // its number, when it came with one
    int frameWidth_ = 0;
    int frameHeight_ = 0;

    WindowPlacement placement_;
    WindowPlacement reported_;
    std::function<void(const WindowPlacement&)> placementChanged_;
    uint64_t switchSettlesAt_ = 0;
    uint64_t placementDueAt_ = 0;
    // The window manager places a new window as it likes; where it put it is
    // taken as the starting point, not reported as the player's change.
    bool placementBaseline_ = true;
    SDL_Keycode swallowedKeyUp_ = SDLK_UNKNOWN;
};

}  // namespace zolvex
