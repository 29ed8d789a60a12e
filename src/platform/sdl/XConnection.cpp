#include "platform/sdl/XConnection.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <poll.h>

namespace zolvex {

namespace {

void (*connectionLost)(const char*) = nullptr;

int ReportLostConnection(Display* display) {
    connectionLost(DisplayString(display));
    return 0;
}

}  // namespace

void OnXConnectionLost(void (*lost)(const char* displayName)) {
    connectionLost = lost;
    XSetIOErrorHandler(lost != nullptr ? ReportLostConnection : nullptr);
}

void* XDisplayOf(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE ||
        info.subsystem != SDL_SYSWM_X11) {
        return nullptr;
    }
    return info.info.x11.display;
}

bool XConnectionIdle(void* display) {
    auto* x = static_cast<Display*>(display);
    if (XEventsQueued(x, QueuedAlready) > 0) return false;
    pollfd socket{ConnectionNumber(x), POLLIN, 0};
    return poll(&socket, 1, 0) == 0;
}

bool XWaitForInput(void* display, int timeoutMs) {
    auto* x = static_cast<Display*>(display);
    XFlush(x);
    if (XEventsQueued(x, QueuedAlready) > 0) return true;
    pollfd socket{ConnectionNumber(x), POLLIN, 0};
    return poll(&socket, 1, timeoutMs) != 0;
}

}  // namespace zolvex
