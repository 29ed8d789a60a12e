// The connection to the X server, as far as the game must hear of losing it, and
// whether it holds anything to read.
#pragma once

struct SDL_Window;

namespace zolvex {

// From now on, when Xlib finds the connection to the X server broken for good it
// calls `lost` with the display's name instead of printing its own report and
// ending the process; `lost` must end the process itself. Null gives the
// connection back to Xlib's own handling.
void OnXConnectionLost(void (*lost)(const char* displayName));

// The Xlib display `window` is drawn through; null when it is not on X.
void* XDisplayOf(SDL_Window* window);

// True when the X connection `display` holds nothing to read: no event Xlib has
// queued already and nothing waiting on its socket. One poll of the socket, where
// SDL's reading of the connection makes a dozen calls.
bool XConnectionIdle(void* display);

// Sends what Xlib holds for the X server, then waits until the connection `display` has
// something to read or `timeoutMs` has passed (-1: no limit) or a signal arrives.
// False only when the time ran out with nothing to read.
bool XWaitForInput(void* display, int timeoutMs);

}  // namespace zolvex
