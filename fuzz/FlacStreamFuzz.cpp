// Feeds arbitrary bytes to the FLAC reader and to the check of a rendered tune: any file
// put beside a tune must be judged without reading past its end, however its metadata
// blocks and comments announce their lengths.
#include <cstddef>
#include <cstdint>

#include "formats/FlacStream.h"
#include "formats/RenderedTune.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zolvex::VorbisStreamInfo info;
    zolvex::ReadFlacStream(data, size, info);
    zolvex::VorbisComment(info, "LOOPSTART");
    static const uint8_t kMidi[] = {'M', 'T', 'h', 'd'};
    zolvex::RenderedTuneProblem(data, size, kMidi, sizeof kMidi);
    return 0;
}
