#include "platform/sdl/SdlControllers.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

// Last: Xlib's macros must not meet the other headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace zolvex {
namespace {

// The stick counts as pushed past half its travel and as let go under 30 % of it:
// a stick resting near either line does not send the arrow again and again.
constexpr int kStickPressed = 16384;
constexpr int kStickReleased = 9830;

// When the layer starts by itself, once the first screen is up.
constexpr uint64_t kStartAtMs = 1000;

// How often the loop looks at connected controllers, and for a new one.
constexpr uint64_t kPollWhileConnectedMs = 10;
constexpr uint64_t kLookForNewMs = 500;

const uint32_t kArrowKeys[] = {kVkLeft, kVkRight, kVkUp, kVkDown};

// The stick's new position along one axis (-1, 0 or 1) from its old one and the
// axis value.
int StickPosition(int position, int value) {
    if (value <= -kStickPressed) return -1;
    if (value >= kStickPressed) return 1;
    if (position < 0 && value < -kStickReleased) return -1;
    if (position > 0 && value > kStickReleased) return 1;
    return 0;
}

// The virtual key of a button other than the D-pad's; 0 for a button without one.
uint32_t ButtonKey(uint8_t button) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_A:
            return kVkSpace;
        case SDL_CONTROLLER_BUTTON_B:
            return kVkBack;
        case SDL_CONTROLLER_BUTTON_START:
            return kVkReturn;
        case SDL_CONTROLLER_BUTTON_BACK:
            return kVkEscape;
        case SDL_CONTROLLER_BUTTON_Y:
            return kVkF1;
        case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
            return 'H';
        default:
            return 0;
    }
}

// The X server's keyboard repeat, which held keys follow; false without one.
bool ReadKeyboardRepeat(uint32_t& delayMs, uint32_t& intervalMs) {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::strcmp(driver, "x11") != 0) return false;
    ::Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    unsigned int delay = 0;
    unsigned int interval = 0;
    const bool read = XkbGetAutoRepeatRate(display, XkbUseCoreKbd, &delay, &interval) != 0;
    XCloseDisplay(display);
    if (!read || delay == 0 || interval == 0) return false;
    delayMs = delay;
    intervalMs = interval;
    return true;
}

}  // namespace

void SdlControllers::Stop() {
    for (auto& [id, pad] : pads_) SDL_GameControllerClose(pad.controller);
    pads_.clear();
    if (started_) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    started_ = false;
}

bool SdlControllers::Start() {
    if (tried_) return started_;
    tried_ = true;
    // The loop reads the controllers itself (Poll); left to SDL, any connected
    // joystick would turn every wait for events into a millisecond poll.
    SDL_SetHint(SDL_HINT_AUTO_UPDATE_JOYSTICKS, "0");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        std::fprintf(stderr, "zolvex: no game controllers can be used: %s\n", SDL_GetError());
        return false;
    }
    started_ = true;
    return true;
}

void SdlControllers::SetRepeat(uint32_t delayMs, uint32_t intervalMs) {
    repeatDelay_ = delayMs;
    repeatInterval_ = intervalMs > 0 ? intervalMs : 1;
    repeatKnown_ = true;
}

void SdlControllers::Poll(uint64_t now) {
    // Starting the layer takes tens of milliseconds, which the first screen need
    // not wait for.
    if (!started_ && (now < kStartAtMs || !Start())) return;
    // Without a controller the layer is only looked at for a new one every so often:
    // each look reads the device monitors. A controller SDL announces by itself
    // (a virtual one) comes through the event queue at once all the same.
    if (!pads_.empty() || now >= nextLook_) {
        SDL_GameControllerUpdate();
        nextLook_ = now + kLookForNewMs;
    }
    if (repeating_ >= 0 && now >= repeatDue_) {
        PostKey(kMsgKeyDown, kArrowKeys[repeating_]);
        // A repeat missed while the loop was busy is not made up, as with a key.
        repeatDue_ = std::max(repeatDue_ + repeatInterval_, now + 1);
    }
}

uint64_t SdlControllers::WakeAt(uint64_t now) const {
    if (!started_) return 0;
    // The look for a new controller is made on whatever wake comes after it falls due
    // (a tick of the screen's timer, mostly); it wakes the loop by itself only when
    // nothing else has within another period.
    if (pads_.empty()) return std::max(nextLook_, now) + kLookForNewMs;
    uint64_t wake = now + kPollWhileConnectedMs;
    if (repeating_ >= 0) wake = std::min(wake, std::max(repeatDue_, now));
    return wake;
}

bool SdlControllers::HandleEvent(const SDL_Event& event, uint64_t now) {
    switch (event.type) {
        case SDL_CONTROLLERDEVICEADDED:
            Connect(event.cdevice.which, now);
            return true;
        case SDL_CONTROLLERDEVICEREMOVED:
            Disconnect(event.cdevice.which, now);
            return true;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: {
            auto it = pads_.find(event.cbutton.which);
            if (it != pads_.end()) {
                Button(event.cbutton.button, event.type == SDL_CONTROLLERBUTTONDOWN, it->second,
                       now);
            }
            return true;
        }
        case SDL_CONTROLLERAXISMOTION: {
            auto it = pads_.find(event.caxis.which);
            if (it == pads_.end()) return true;
            Pad& pad = it->second;
            if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) {
                pad.stickX = StickPosition(pad.stickX, event.caxis.value);
            } else if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) {
                pad.stickY = StickPosition(pad.stickY, event.caxis.value);
            }
            SettleArrows(now);
            return true;
        }
        default:
            return false;
    }
}

void SdlControllers::Connect(int deviceIndex, uint64_t now) {
    SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
    if (controller == nullptr) {
        std::fprintf(stderr, "zolvex: cannot open the game controller %s: %s\n",
                     SDL_GameControllerNameForIndex(deviceIndex), SDL_GetError());
        return;
    }
    const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
    if (pads_.contains(id)) {
        // Announced twice (once at the start, once as connected): opened once.
        SDL_GameControllerClose(controller);
        return;
    }
    if (!repeatKnown_) {
        ReadKeyboardRepeat(repeatDelay_, repeatInterval_);
        repeatKnown_ = true;
    }
    pads_[id].controller = controller;
    SettleArrows(now);
}

// What the controller held is let go, so a held direction or the fast fall ends;
// nothing else happens, the game is not paused.
void SdlControllers::Disconnect(SDL_JoystickID id, uint64_t now) {
    auto it = pads_.find(id);
    if (it == pads_.end()) return;
    SDL_GameControllerClose(it->second.controller);
    pads_.erase(it);
    SettleArrows(now);
}

void SdlControllers::Button(uint8_t button, bool down, Pad& pad, uint64_t now) {
    int arrow = -1;
    switch (button) {
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
            arrow = kLeft;
            break;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
            arrow = kRight;
            break;
        case SDL_CONTROLLER_BUTTON_DPAD_UP:
            arrow = kUp;
            break;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
            arrow = kDown;
            break;
        default:
            break;
    }
    if (arrow >= 0) {
        pad.dpad[arrow] = down;
        SettleArrows(now);
        return;
    }
    const uint32_t key = ButtonKey(button);
    if (key != 0) PostKey(down ? kMsgKeyDown : kMsgKeyUp, key);
}

void SdlControllers::SettleArrows(uint64_t now) {
    bool held[kArrowCount] = {};
    for (const auto& [id, pad] : pads_) {
        const int stick[kArrowCount] = {pad.stickX<0, pad.stickX> 0, pad.stickY<0, pad.stickY> 0};
        for (int arrow = 0; arrow < kArrowCount; ++arrow) {
            held[arrow] = held[arrow] || pad.dpad[arrow] || stick[arrow] != 0;
        }
    }
    // Let go first: a stick swung from left to right lets Left go, then presses Right.
    for (int arrow = 0; arrow < kArrowCount; ++arrow) {
        if (held_[arrow] && !held[arrow]) {
            held_[arrow] = false;
            if (repeating_ == arrow) repeating_ = -1;
            PostKey(kMsgKeyUp, kArrowKeys[arrow]);
        }
    }
    for (int arrow = 0; arrow < kArrowCount; ++arrow) {
        if (!held_[arrow] && held[arrow]) {
            held_[arrow] = true;
            repeating_ = arrow;
            repeatDue_ = now + repeatDelay_;
            PostKey(kMsgKeyDown, kArrowKeys[arrow]);
        }
    }
}

void SdlControllers::PostKey(uint32_t message, uint32_t virtualKey) {
    events_.Post(Message{message, virtualKey, 0, 0});
}

}  // namespace zolvex
