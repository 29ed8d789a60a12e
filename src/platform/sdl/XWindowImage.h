// The window's pixels kept in memory shared with the X server, put on the window
// rectangle by rectangle without waiting for the server to answer.
//
// SDL's own window surface waits for a round trip to the server after every update,
// which wakes the game a second time on every fall tick. Here nothing is waited for:
// the memory always holds the whole current picture and every update puts all that
// changed since the last, so a put the server reads late shows newer pixels, never
// stale ones, and the next put settles whatever it read in passing.
#pragma once

#include <SDL_rect.h>

#include <cstdint>
#include <memory>

struct SDL_Window;

namespace zolvex {

class XWindowImage {
public:
    XWindowImage();
    ~XWindowImage();
    XWindowImage(const XWindowImage&) = delete;
    XWindowImage& operator=(const XWindowImage&) = delete;

    // Makes a black image for `place`, a rectangle of the window in the window's size as
    // SDL knows it (the size its resize events report, which the X server may reach a
    // little later); false, with no image, when the window is not on X, its pixels are
    // not 32-bit xRGB or the server cannot share memory with the game (a remote
    // display): then the caller draws another way.
    bool Open(SDL_Window* window, const SDL_Rect& place);
    void Close();
    bool IsOpen() const { return shared_ != nullptr; }

    uint32_t* Pixels() const { return pixels_; }
    const SDL_Rect& Place() const { return place_; }
    int Pitch() const { return pitch_; }  // in pixels

    // Sends the rectangles of the image (in the image's own coordinates) to their place
    // in the window and flushes the request.
    void Put(const SDL_Rect* areas, int count);
    // Fills the rectangles of the window, which the image need not cover, with black.
    void Blacken(const SDL_Rect* areas, int count);

private:
    struct Shared;  // the X server's side: connection, window, image, memory segment
    std::unique_ptr<Shared> shared_;
    uint32_t* pixels_ = nullptr;
    SDL_Rect place_{0, 0, 0, 0};
    int pitch_ = 0;
};

}  // namespace zolvex
