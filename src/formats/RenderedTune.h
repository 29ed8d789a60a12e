// A tune rendered at build time: a WAV file (the desktop's) or an Ogg Vorbis file (the
// page's) beside its MIDI file, which names that MIDI file by a digest and says where the
// mixer loops it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zolvex {

// The comments of a rendered tune. LOOPSTART and LOOPLENGTH are the mixer's: in
// frames, it plays from the start and then repeats [LOOPSTART, LOOPSTART + LOOPLENGTH).
// A WAV file gives them in its sampler chunk, which is where the mixer looks in one.
inline constexpr char kMidiDigestComment[] = "ZOLVEX_MIDI";
inline constexpr char kLoopStartComment[] = "LOOPSTART";
inline constexpr char kLoopLengthComment[] = "LOOPLENGTH";

// The digest of a MIDI file: the zlib CRC-32 of its bytes as eight lowercase
// hexadecimal digits, a colon, and its length in bytes ("0a1b2c3d:4711").
std::string MidiDigest(const uint8_t* bytes, size_t size);

// Empty when `tune` is the rendering of the MIDI file `midi`: a WAV file (ReadWavTune; `tune`
// may be only its head, ReadWavTuneHead, of a file of `fileSize` bytes, 0 when `tune` is the
// whole file) or a whole Ogg Vorbis stream (ReadVorbisStream), told apart by their signatures,
// whose ZOLVEX_MIDI comment is MidiDigest(midi), with a loop that ends where the sound does.
// Else why it is not, for one line.
std::string RenderedTuneProblem(const uint8_t* tune, size_t tuneSize, const uint8_t* midi,
                                size_t midiSize, uint64_t fileSize = 0);

}  // namespace zolvex
