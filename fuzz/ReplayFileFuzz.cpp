// Feeds arbitrary bytes to the replay reader: every read must cope, and whatever it
// accepts must be written back into a file that reads as the same replay.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "formats/ReplayFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    zolvex::ReplayRead read = zolvex::ReadReplay(text);
    if (!read.replay) {
        if (read.error.what.empty()) std::abort();
        return 0;
    }
    zolvex::ReplayRead again = zolvex::ReadReplay(zolvex::WriteReplay(*read.replay));
    if (!again.replay || !(*again.replay == *read.replay)) std::abort();
    return 0;
}
