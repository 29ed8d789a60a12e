// The game's entry on a real machine.
#include <cstdlib>

#include "app/Program.h"
#include "platform/sdl/SdlPlatform.h"

int main() {
    zolvex::SdlOptions options;
#ifdef ZOLVEX_MEASURE
    // Measurement builds only: the polling loop of the original design for
    // comparison, and a log of fall ticks.
    options.pollingLoop = std::getenv("ZOLVEX_POLL") != nullptr;
    if (const char* log = std::getenv("ZOLVEX_TICK_LOG")) options.tickLogPath = log;
#endif
    auto platform = zolvex::CreateSdlPlatform(options);
    return zolvex::RunProgram(*platform);
}
