// Feeds arbitrary bytes to the WAV check: any file dropped into wav/ must be
// judged without reading past its end or overflowing on the sizes it announces.
#include <cstddef>
#include <cstdint>

#include "formats/WavCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zolvex::WavDataProblem(data, size);
    return 0;
}
