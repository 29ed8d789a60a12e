#include "platform/sdl/XConnection.h"

#include <X11/Xlib.h>

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

}  // namespace zolvex
