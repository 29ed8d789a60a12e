// Game controllers through SDL's game-controller layer, as keys: the D-pad and the
// left stick are the arrow keys (repeating while held, as the keyboard's keys do),
// A Space, B Backspace, Start Enter, Back Esc, Y F1 and the right shoulder H, the
// same on every screen. Controllers may come and go at any moment.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <map>

#include "platform/EventQueue.h"

namespace zolvex {

class SdlControllers {
public:
    // Key messages go to `events`.
    explicit SdlControllers(EventQueue& events) : events_(events) {}
    ~SdlControllers() { Stop(); }
    SdlControllers(const SdlControllers&) = delete;
    SdlControllers& operator=(const SdlControllers&) = delete;

    // Starts the controller layer (by itself on a Poll a second into the run); the
    // controllers already connected announce themselves through the event queue.
    // False, with one line on standard error, when there is none.
    bool Start();
    // Closes the controllers and the layer (before SDL itself is shut down).
    void Stop();
    // Reads the controllers, whose events join the window system's queue, and posts
    // the repeat of a held direction when it is due at `now`.
    void Poll(uint64_t now);
    // Takes a controller's event (connected, removed, a button, the stick); true
    // when it was one and must not reach anything else.
    bool HandleEvent(const SDL_Event& event, uint64_t now);
    // When the message loop must poll again at the latest: soon while a controller
    // is connected, within two periods of looking for a new one otherwise (see
    // kLookForNewMs); 0 when there is no layer.
    uint64_t WakeAt(uint64_t now) const;

    // The keyboard's repeat: the first repeat `delayMs` after the press, then one
    // every `intervalMs`. Read from the window system when not set.
    void SetRepeat(uint32_t delayMs, uint32_t intervalMs);

private:
    enum Arrow { kLeft, kRight, kUp, kDown, kArrowCount };

    struct Pad {
        SDL_GameController* controller = nullptr;
        bool dpad[kArrowCount] = {};
        int stickX = 0;  // -1 left, 0 centred, 1 right
        int stickY = 0;  // -1 up, 0 centred, 1 down
    };

    void Connect(int deviceIndex, uint64_t now);
    void Disconnect(SDL_JoystickID id, uint64_t now);
    void Button(uint8_t button, bool down, Pad& pad, uint64_t now);
    // Sends the key changes of the arrows held by any controller.
    void SettleArrows(uint64_t now);
    void PostKey(uint32_t message, uint32_t virtualKey);

    EventQueue& events_;
    bool tried_ = false;
    bool started_ = false;
    std::map<SDL_JoystickID, Pad> pads_;
    // When the layer is next read for a new controller while none is connected.
    uint64_t nextLook_ = 0;
    bool held_[kArrowCount] = {};
    // Only the direction pressed last repeats, as on a keyboard.
    int repeating_ = -1;
    uint64_t repeatDue_ = 0;
    bool repeatKnown_ = false;
    uint32_t repeatDelay_ = 500;
    uint32_t repeatInterval_ = 33;
};

}  // namespace zolvex
