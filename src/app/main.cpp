// The game's entry on a real machine.
#include "app/Program.h"
#include "platform/sdl/SdlPlatform.h"

int main() {
#ifdef ZOLVEX_POLLING_LOOP
    auto platform = zolvex::CreateSdlPlatform(true);
#else
    auto platform = zolvex::CreateSdlPlatform(false);
#endif
    return zolvex::RunProgram(*platform);
}
