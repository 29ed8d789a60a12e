// The connection to the X server, as far as the game must hear of losing it.
#pragma once

namespace zolvex {

// From now on, when Xlib finds the connection to the X server broken for good it
// calls `lost` with the display's name instead of printing its own report and
// ending the process; `lost` must end the process itself. Null gives the
// connection back to Xlib's own handling.
void OnXConnectionLost(void (*lost)(const char* displayName));

}  // namespace zolvex
