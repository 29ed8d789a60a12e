// Feeds arbitrary bytes to the WAV tune reader and to the check of a rendered tune: any file
// put beside a tune must be judged without reading past its end, however its chunks and its
// comment announce their lengths.
#include <cstddef>
#include <cstdint>

#include "formats/RenderedTune.h"
#include "formats/WavTune.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zolvex::VorbisStreamInfo info;
    zolvex::ReadWavTune(data, size, size, info);
    zolvex::VorbisComment(info, "LOOPSTART");
    static const uint8_t kMidi[] = {'M', 'T', 'h', 'd'};
    zolvex::RenderedTuneProblem(data, size, kMidi, sizeof kMidi);
    return 0;
}
