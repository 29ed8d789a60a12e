// The least a program can spend to show a 640 x 480 picture that changes at the game's
// pace: a bar moves one step every interval and the frame is presented straight into the
// window's pixels, either whole or only the 120 x 40 area that holds the bar. Between
// frames it sleeps in SDL_WaitEventTimeout. zolvex_peers measures it beside the game.
//   zolvex_floor [--interval MS] [--rect] [--fullscreen] [--tick-log FILE]
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kFrameW = 640, kFrameH = 480;
constexpr int kAreaX = 200, kAreaY = 220, kAreaW = 120, kAreaH = 40;
constexpr int kBarW = 8;

struct Options {
    int intervalMs = 43;
    bool rectOnly = false;
    bool fullscreen = false;
    std::string tickLog;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--interval" && i + 1 < argc) {
            options.intervalMs = std::atoi(argv[++i]);
            if (options.intervalMs <= 0) return false;
        } else if (arg == "--rect") {
            options.rectOnly = true;
        } else if (arg == "--fullscreen") {
            options.fullscreen = true;
        } else if (arg == "--tick-log" && i + 1 < argc) {
            options.tickLog = argv[++i];
        } else {
            return false;
        }
    }
    return true;
}

double NowMs() {
    return static_cast<double>(SDL_GetPerformanceCounter()) * 1000.0 /
           static_cast<double>(SDL_GetPerformanceFrequency());
}

// The picture's place in the window, as the game's sharp scaling puts it: the largest
// 4:3 area that fits, centred.
struct Placement {
    double factor = 1;
    int x = 0, y = 0;
};

Placement PlacePicture(const SDL_Surface* surface) {
    Placement p;
    p.factor = std::min(static_cast<double>(surface->w) / kFrameW,
                        static_cast<double>(surface->h) / kFrameH);
    p.x = (surface->w - static_cast<int>(kFrameW * p.factor)) / 2;
    p.y = (surface->h - static_cast<int>(kFrameH * p.factor)) / 2;
    return p;
}

SDL_Rect Scaled(const Placement& p, int x, int y, int w, int h) {
    return SDL_Rect{p.x + static_cast<int>(x * p.factor), p.y + static_cast<int>(y * p.factor),
                    static_cast<int>(w * p.factor), static_cast<int>(h * p.factor)};
}

class Floor {
public:
    Floor(SDL_Window* window, const Options& options) : window_(window), options_(options) {}

    // Takes the window's surface again (after a resize) and shows all of it.
    bool Reset() {
        surface_ = SDL_GetWindowSurface(window_);
        if (surface_ == nullptr) return false;
        placement_ = PlacePicture(surface_);
        SDL_FillRect(surface_, nullptr, SDL_MapRGB(surface_->format, 0, 0, 0));
        const SDL_Rect picture = Scaled(placement_, 0, 0, kFrameW, kFrameH);
        SDL_FillRect(surface_, &picture, SDL_MapRGB(surface_->format, 24, 40, 88));
        return SDL_UpdateWindowSurface(window_) == 0;
    }

    // Moves the bar one step and presents the frame.
    void Step() {
        const SDL_Rect area = Scaled(placement_, kAreaX, kAreaY, kAreaW, kAreaH);
        SDL_FillRect(surface_, &area, SDL_MapRGB(surface_->format, 24, 40, 88));
        position_ = (position_ + kBarW) % kAreaW;
        const SDL_Rect bar = Scaled(placement_, kAreaX + position_, kAreaY, kBarW, kAreaH);
        SDL_FillRect(surface_, &bar, SDL_MapRGB(surface_->format, 240, 200, 40));
        if (options_.rectOnly) {
            SDL_UpdateWindowSurfaceRects(window_, &area, 1);
        } else {
            SDL_UpdateWindowSurface(window_);
        }
    }

private:
    SDL_Window* window_;
    const Options& options_;
    SDL_Surface* surface_ = nullptr;
    Placement placement_;
    int position_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: zolvex_floor [--interval MS] [--rect] [--fullscreen] "
                     "[--tick-log FILE]\n");
        return 2;
    }
    // Frames go into the window's own pixels, as the game does without a graphics card.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "zolvex_floor: cannot start SDL: %s\n", SDL_GetError());
        return 1;
    }
    const Uint32 flags = options.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0;
    SDL_Window* window = SDL_CreateWindow("zolvex_floor", SDL_WINDOWPOS_CENTERED,
                                          SDL_WINDOWPOS_CENTERED, kFrameW, kFrameH, flags);
    if (window == nullptr) {
        std::fprintf(stderr, "zolvex_floor: cannot create the window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    std::FILE* tickLog = nullptr;
    if (!options.tickLog.empty()) {
        tickLog = std::fopen(options.tickLog.c_str(), "w");
        if (tickLog == nullptr) {
            std::fprintf(stderr, "zolvex_floor: cannot write %s\n", options.tickLog.c_str());
        }
    }
    Floor floor(window, options);
    if (!floor.Reset()) {
        std::fprintf(stderr, "zolvex_floor: cannot draw into the window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    // Frames are due on a fixed grid, so a late one does not delay the rest.
    double due = NowMs() + options.intervalMs;
    bool running = true;
    while (running) {
        const double now = NowMs();
        if (now >= due) {
            floor.Step();
            if (tickLog != nullptr) std::fprintf(tickLog, "%.3f\n", now);
            due += options.intervalMs;
            if (due <= now) due = now + options.intervalMs;
            continue;
        }
        SDL_Event event;
        const int wait = static_cast<int>(due - now + 0.999);
        if (SDL_WaitEventTimeout(&event, wait) == 0) continue;
        do {
            if (event.type == SDL_QUIT) running = false;
            if (event.type == SDL_WINDOWEVENT &&
                (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
                 event.window.event == SDL_WINDOWEVENT_EXPOSED)) {
                floor.Reset();
            }
        } while (SDL_PollEvent(&event));
    }
    if (tickLog != nullptr) std::fclose(tickLog);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
