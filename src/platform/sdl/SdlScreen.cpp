#include "platform/sdl/SdlScreen.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/FrameDiff.h"

namespace zolvex {
namespace {

constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;
// Room left above a window for the title bar the window manager adds.
constexpr int kTitleBarAllowance = 40;
// How long the window system takes to settle after a switch or a move.
constexpr uint64_t kSwitchSettleMs = 600;
constexpr uint64_t kPlacementSettleMs = 500;
constexpr int64_t kMaxIconBytes = 1 << 20;

bool Contains(const SDL_Rect& outer, int x, int y, int w, int h) {
    return x >= outer.x && y >= outer.y && x + w <= outer.x + outer.w && y + h <= outer.y + outer.h;
}

// True when the surface's pixels are 32-bit xRGB, the layout the scaler writes.
bool DirectSurface(const SDL_Surface& surface) {
    return surface.format->BytesPerPixel == 4 && surface.format->Rshift == 16 &&
           surface.format->Gshift == 8 && surface.format->Bshift == 0;
}

// True when some connected monitor's usable area holds the whole rectangle.
bool FitsAMonitor(int x, int y, int w, int h) {
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect usable;
        if (SDL_GetDisplayUsableBounds(i, &usable) == 0 && Contains(usable, x, y, w, h)) {
            return true;
        }
    }
    return false;
}

// A graphics card shows itself as a render node; without one an OpenGL renderer
// would be a software rasteriser that costs more than scaling the frame here.
bool HasRenderNode() {
    for (int node = 128; node < 136; ++node) {
        const std::string path = "/dev/dri/renderD" + std::to_string(node);
        if (access(path.c_str(), R_OK | W_OK) == 0) return true;
    }
    return false;
}

bool RendererAsked() {
    const char* driver = SDL_getenv("SDL_RENDER_DRIVER");
    return driver != nullptr && driver[0] != '\0';
}

// True for an OpenGL renderer drawn by the processor (llvmpipe and its kin).
bool IsSoftwareRasteriser(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0) return true;
    if ((info.flags & SDL_RENDERER_SOFTWARE) != 0) return true;
    if (std::strncmp(info.name, "opengl", 6) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned int);
    constexpr unsigned int kGlRenderer = 0x1F01;
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (getString == nullptr) return false;
    const auto* name = reinterpret_cast<const char*>(getString(kGlRenderer));
    if (name == nullptr) return false;
    const std::array<const char*, 4> softwareNames{"llvmpipe", "softpipe", "Software Rasterizer",
                                                   "swrast"};
    return std::any_of(softwareNames.begin(), softwareNames.end(),
                       [name](const char* soft) { return std::strstr(name, soft) != nullptr; });
}

}  // namespace

SdlScreen::~SdlScreen() {
    Close();
}

bool SdlScreen::Open(const std::string& title, const WindowOptions& options,
                     const std::string& programFolder) {
    scaling_ = options.scaling;
    placementChanged_ = options.placementChanged;
    placement_ = options.placement;
    reported_ = options.placement;

    const int displays = SDL_GetNumVideoDisplays();
    const int monitor =
        placement_.monitor >= 0 && placement_.monitor < displays ? placement_.monitor : 0;
    placement_.monitor = monitor;
    SDL_Rect usable{0, 0, kFrameWidth, kFrameHeight + kTitleBarAllowance};
    if (SDL_GetDisplayUsableBounds(monitor, &usable) != 0) {
        SDL_GetDisplayBounds(monitor, &usable);
    }

    int x = static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(monitor));
    int y = x;
    int width = 0;
    int height = 0;
    if (placement_.width >= kFrameWidth && placement_.height >= kFrameHeight &&
        FitsAMonitor(placement_.x, placement_.y, placement_.width, placement_.height)) {
        x = placement_.x;
        y = placement_.y;
        width = placement_.width;
        height = placement_.height;
    } else {
        const int asked = std::clamp(options.scale, 1, 16);
        int scale = asked;
        while (scale > 1 && (kFrameWidth * scale > usable.w ||
                             kFrameHeight * scale + kTitleBarAllowance > usable.h)) {
            --scale;
        }
        if (scale < asked) {
            std::fprintf(stderr,
                         "zolvex: a window of %d x %d (Scale=%d) does not fit the desktop's %d x "
                         "%d: using Scale=%d\n",
                         kFrameWidth * asked, kFrameHeight * asked, asked, usable.w, usable.h,
                         scale);
        }
        width = kFrameWidth * scale;
        height = kFrameHeight * scale;
    }

    // Where the machine has no graphics card, frames go straight into the window's
    // own pixels through shared memory, never through a second drawing layer.
    useRenderer_ = RendererAsked() || HasRenderNode();
    for (int attempt = 0; attempt < 2; ++attempt) {
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, useRenderer_ ? "1" : "0");
        Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
        if (!placement_.windowed) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        window_ = SDL_CreateWindow(title.c_str(), x, y, width, height, flags);
        if (window_ == nullptr) {
            std::fprintf(stderr, "zolvex: cannot create the window: %s\n", SDL_GetError());
            return false;
        }
        if (SetUpDrawing()) break;
        const bool retry = useRenderer_;
        DropDrawing();
        SDL_DestroyWindow(window_);
        window_ = nullptr;
        if (!retry) {
            std::fprintf(stderr, "zolvex: cannot set up drawing to the window: %s\n",
                         SDL_GetError());
            return false;
        }
        useRenderer_ = false;
    }
    SDL_SetWindowMinimumSize(window_, kFrameWidth, kFrameHeight);
    LoadIcon(programFolder);
    placement_.width = width;
    placement_.height = height;
    return true;
}

bool SdlScreen::SetUpDrawing() {
    if (!useRenderer_) return true;
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED);
    if (renderer_ == nullptr) return false;
    if (!RendererAsked() && IsSoftwareRasteriser(renderer_)) return false;
    frameTexture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB565,
                                      SDL_TEXTUREACCESS_STREAMING, kFrameWidth, kFrameHeight);
    if (frameTexture_ == nullptr) return false;
    SDL_SetTextureScaleMode(frameTexture_, scaling_ == ScalingMode::Smooth ? SDL_ScaleModeLinear
                                                                           : SDL_ScaleModeNearest);
    return true;
}

void SdlScreen::DropDrawing() {
    if (sharpTexture_ != nullptr) SDL_DestroyTexture(sharpTexture_);
    if (frameTexture_ != nullptr) SDL_DestroyTexture(frameTexture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    sharpTexture_ = nullptr;
    frameTexture_ = nullptr;
    renderer_ = nullptr;
    sharpMultiple_ = 0;
    surface_ = nullptr;
    xImage_.Close();
}

void SdlScreen::Show(uint64_t nowMs) {
    if (window_ == nullptr) return;
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    placementBaseline_ = true;
    placementDueAt_ = nowMs + kPlacementSettleMs;
}

void SdlScreen::Close() {
    if (window_ == nullptr) return;
    ReportPlacement();
    DropDrawing();
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    frame_.clear();
}

bool SdlScreen::HasFocus() const {
    return window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

void SdlScreen::LoadIcon(const std::string& programFolder) {
    const std::string path = programFolder + "/bmp/icon.bmp";
    SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
    SDL_Surface* icon = nullptr;
    if (file != nullptr) {
        const Sint64 size = SDL_RWsize(file);
        if (size > 0 && size <= kMaxIconBytes) {
            icon = SDL_LoadBMP_RW(file, 1);
        } else {
            SDL_RWclose(file);
            SDL_SetError("expected a BMP picture of at most 1 MiB");
        }
    }
    if (icon == nullptr) {
        std::fprintf(stderr, "zolvex: cannot load the window's icon %s (%s): using none\n",
                     path.c_str(), SDL_GetError());
        return;
    }
    SDL_SetWindowIcon(window_, icon);
    SDL_FreeSurface(icon);
}

void SdlScreen::Present(const uint16_t* pixels, int width, int height, const FrameChange* change) {
    if (window_ == nullptr || pixels == nullptr || width <= 0 || height <= 0) return;
    const bool knownChange =
        change != nullptr && frameNumber_ != 0 && change->since == frameNumber_;
    frameNumber_ = change != nullptr ? change->frame : 0;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<PixelRect> changed{{0, 0, width, height}};
    if (width != frameWidth_ || height != frameHeight_ || frame_.size() != count) {
        frame_.assign(pixels, pixels + count);
        frameWidth_ = width;
        frameHeight_ = height;
        surfaceFresh_ = true;
    } else {
        changed = ChangedAreas(frame_.data(), pixels, width, height, 8,
                               knownChange ? &change->within : nullptr);
        // Each area, found tile by tile, shrinks to the pixels that changed in it.
        for (PixelRect& area : changed) area = ChangedBounds(frame_.data(), pixels, width, area);
        std::erase_if(changed, [](const PixelRect& area) { return area.w == 0; });
        // A frame like the one shown costs nothing to show again.
        if (changed.empty() && !surfaceFresh_) return;
        for (const PixelRect& area : changed) {
            for (int y = area.y; y < area.y + area.h; ++y) {
                const size_t offset = static_cast<size_t>(y) * width + area.x;
                std::memcpy(frame_.data() + offset, pixels + offset,
                            static_cast<size_t>(area.w) * sizeof(uint16_t));
            }
        }
    }
    if (useRenderer_) {
        PresentWithRenderer(changed);
    } else {
        PresentToSurface(changed);
    }
}

void SdlScreen::Refresh() {
    surfaceFresh_ = true;
    if (frame_.empty()) return;
    const std::vector<PixelRect> whole{{0, 0, frameWidth_, frameHeight_}};
    if (useRenderer_) {
        PresentWithRenderer(whole);
    } else {
        PresentToSurface(whole);
    }
}

void SdlScreen::PresentToSurface(const std::vector<PixelRect>& changed) {
    if (surfaceFresh_ || (surface_ == nullptr && !xImage_.IsOpen())) {
        if (!OpenWindowPixels()) return;
    }
    if (!xImage_.IsOpen() && !DirectSurface(*surface_)) {
        // Not the X server's usual 24-bit layout: too rare to scale for; the frame
        // is converted and stretched by SDL instead.
        SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormatFrom(
            frame_.data(), frameWidth_, frameHeight_, 16, frameWidth_ * 2, SDL_PIXELFORMAT_RGB565);
        if (frame == nullptr) return;
        SDL_FillRect(surface_, nullptr, 0);
        SDL_Rect dst{picture_.x, picture_.y, picture_.w, picture_.h};
        SDL_BlitScaled(frame, nullptr, surface_, &dst);
        SDL_FreeSurface(frame);
        SDL_UpdateWindowSurface(window_);
        surfaceFresh_ = false;
        return;
    }
    const bool shared = xImage_.IsOpen();
    const bool locked = !shared && SDL_MUSTLOCK(surface_);
    if (locked) SDL_LockSurface(surface_);
    uint32_t* target = shared ? xImage_.Pixels() : static_cast<uint32_t*>(surface_->pixels);
    const int pitch = shared ? xImage_.Pitch() : surface_->pitch / 4;
    const int width = shared ? xImage_.Place().w : surface_->w;
    const int height = shared ? xImage_.Place().h : surface_->h;
    std::vector<SDL_Rect>& written = written_;
    written.clear();
    if (surfaceFresh_) {
        if (shared) {
            xImage_.Blacken(bars_.data(), static_cast<int>(bars_.size()));
        } else {
            for (int y = 0; y < height; ++y) {
                std::fill_n(target + static_cast<size_t>(y) * pitch, width, 0u);
            }
        }
        scaler_.Scale(frame_.data(), target, pitch);
        written.push_back({0, 0, width, height});
        surfaceFresh_ = false;
    } else {
        for (const PixelRect& area : changed) {
            const PixelRect out = scaler_.ScaleRegion(frame_.data(), area, target, pitch);
            if (out.w > 0 && out.h > 0) written.push_back({out.x, out.y, out.w, out.h});
        }
    }
    if (locked) SDL_UnlockSurface(surface_);
    if (written.empty()) return;
    if (shared) {
        xImage_.Put(written.data(), static_cast<int>(written.size()));
    } else {
        SDL_UpdateWindowSurfaceRects(window_, written.data(), static_cast<int>(written.size()));
    }
}

bool SdlScreen::OpenWindowPixels() {
    int width = 0, height = 0;
    SDL_GetWindowSizeInPixels(window_, &width, &height);
    picture_ = PictureRect(scaling_, width, height, frameWidth_, frameHeight_);
    // The shared image holds the picture's part of the window alone: the bars beside it
    // are filled by the server, so a full screen keeps no memory for them.
    const SDL_Rect window{0, 0, width, height};
    const SDL_Rect picture{picture_.x, picture_.y, picture_.w, picture_.h};
    SDL_Rect place{0, 0, 0, 0};
    SDL_IntersectRect(&picture, &window, &place);
    if (!xImage_.IsOpen() || !SDL_RectEquals(&xImage_.Place(), &place)) {
        xImage_.Close();
        if (!xImageRefused_ && !xImage_.Open(window_, place)) xImageRefused_ = true;
    }
    bars_.clear();
    if (xImage_.IsOpen()) {
        const int right = place.x + place.w, bottom = place.y + place.h;
        for (const SDL_Rect& bar :
             {SDL_Rect{0, 0, width, place.y}, SDL_Rect{0, bottom, width, height - bottom},
              SDL_Rect{0, place.y, place.x, place.h},
              SDL_Rect{right, place.y, width - right, place.h}}) {
            if (bar.w > 0 && bar.h > 0) bars_.push_back(bar);
        }
        const PixelRect drawn{picture_.x - place.x, picture_.y - place.y, picture_.w, picture_.h};
        scaler_.Configure(scaling_, frameWidth_, frameHeight_, drawn, place.w, place.h);
        return true;
    }
    surface_ = SDL_GetWindowSurface(window_);
    if (surface_ == nullptr) return false;
    picture_ = PictureRect(scaling_, surface_->w, surface_->h, frameWidth_, frameHeight_);
    scaler_.Configure(scaling_, frameWidth_, frameHeight_, picture_, surface_->w, surface_->h);
    return true;
}

void SdlScreen::PresentWithRenderer(const std::vector<PixelRect>& changed) {
    for (const PixelRect& area : changed) {
        const SDL_Rect rect{area.x, area.y, area.w, area.h};
        const size_t offset = static_cast<size_t>(area.y) * frameWidth_ + area.x;
        SDL_UpdateTexture(frameTexture_, &rect, frame_.data() + offset,
                          frameWidth_ * static_cast<int>(sizeof(uint16_t)));
    }
    int outWidth = 0;
    int outHeight = 0;
    SDL_GetRendererOutputSize(renderer_, &outWidth, &outHeight);
    picture_ = PictureRect(scaling_, outWidth, outHeight, frameWidth_, frameHeight_);
    const SDL_Rect dst{picture_.x, picture_.y, picture_.w, picture_.h};
    // Bars only where the picture leaves them; a picture that covers the window
    // needs no clearing first.
    if (picture_.x > 0 || picture_.y > 0 || picture_.w < outWidth || picture_.h < outHeight) {
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
    }
    const int multiple = std::max(1, std::min(picture_.w / frameWidth_, picture_.h / frameHeight_));
    const bool whole =
        picture_.w == frameWidth_ * multiple && picture_.h == frameHeight_ * multiple;
    if (scaling_ != ScalingMode::Sharp || whole) {
        SDL_RenderCopy(renderer_, frameTexture_, nullptr, &dst);
    } else {
        // Sharp: each pixel becomes a block at the largest whole multiple, and only the
        // remaining fraction is filtered smoothly.
        if (sharpMultiple_ != multiple || sharpTexture_ == nullptr) {
            if (sharpTexture_ != nullptr) SDL_DestroyTexture(sharpTexture_);
            sharpTexture_ =
                SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET,
                                  frameWidth_ * multiple, frameHeight_ * multiple);
            sharpMultiple_ = multiple;
            if (sharpTexture_ != nullptr)
                SDL_SetTextureScaleMode(sharpTexture_, SDL_ScaleModeLinear);
        }
        if (sharpTexture_ != nullptr && SDL_SetRenderTarget(renderer_, sharpTexture_) == 0) {
            SDL_RenderCopy(renderer_, frameTexture_, nullptr, nullptr);
            SDL_SetRenderTarget(renderer_, nullptr);
            SDL_RenderCopy(renderer_, sharpTexture_, nullptr, &dst);
        } else {
            SDL_RenderCopy(renderer_, frameTexture_, nullptr, &dst);
        }
    }
    SDL_RenderPresent(renderer_);
    surfaceFresh_ = false;
}

bool SdlScreen::HandleEvent(const SDL_Event& event, uint64_t nowMs) {
    if (window_ == nullptr) return false;
    switch (event.type) {
        case SDL_KEYDOWN: {
            const SDL_Keycode key = event.key.keysym.sym;
            const bool altEnter =
                (key == SDLK_RETURN || key == SDLK_KP_ENTER) && (event.key.keysym.mod & KMOD_ALT);
            if (!altEnter && key != SDLK_F11) return false;
            if (event.key.repeat == 0) Toggle(nowMs);
            swallowedKeyUp_ = key;
            return true;
        }
        case SDL_KEYUP:
            if (event.key.keysym.sym == SDLK_F11) return true;
            if (event.key.keysym.sym != swallowedKeyUp_) return false;
            swallowedKeyUp_ = SDLK_UNKNOWN;
            return true;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                    Refresh();
                    NotePlacement(nowMs);
                    return true;
                case SDL_WINDOWEVENT_MOVED:
                case SDL_WINDOWEVENT_DISPLAY_CHANGED:
                case SDL_WINDOWEVENT_RESIZED:
                    NotePlacement(nowMs);
                    return true;
                case SDL_WINDOWEVENT_EXPOSED:
                    Refresh();
                    return true;
                default:
                    return false;
            }
        default:
            return false;
    }
}

void SdlScreen::Toggle(uint64_t nowMs) {
    const bool full = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
    if (SDL_SetWindowFullscreen(window_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
        std::fprintf(stderr, "zolvex: cannot switch to %s: %s\n", full ? "a window" : "full screen",
                     SDL_GetError());
        return;
    }
    switchSettlesAt_ = nowMs + kSwitchSettleMs;
    Refresh();
    NotePlacement(nowMs);
}

void SdlScreen::NotePlacement(uint64_t nowMs) {
    placementDueAt_ = nowMs + kPlacementSettleMs;
}

void SdlScreen::ReportPlacement() {
    placementDueAt_ = 0;
    if (window_ == nullptr) return;
    const Uint32 flags = SDL_GetWindowFlags(window_);
    placement_.windowed = (flags & SDL_WINDOW_FULLSCREEN) == 0;
    // A maximised or minimised window keeps the size and place it will return to.
    if (placement_.windowed && (flags & (SDL_WINDOW_MAXIMIZED | SDL_WINDOW_MINIMIZED)) == 0) {
        SDL_GetWindowSize(window_, &placement_.width, &placement_.height);
        SDL_GetWindowPosition(window_, &placement_.x, &placement_.y);
    }
    const int display = SDL_GetWindowDisplayIndex(window_);
    if (display >= 0) placement_.monitor = display;
    if (placementBaseline_) {
        placementBaseline_ = false;
        if (placement_.windowed == reported_.windowed) {
            reported_ = placement_;
            return;
        }
    }
    if (placement_ == reported_) return;
    reported_ = placement_;
    if (placementChanged_) placementChanged_(placement_);
}

}  // namespace zolvex
