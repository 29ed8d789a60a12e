// What the game reads of a FLAC file before the mixer plays it: that its metadata is
// whole and its audio begins where the metadata ends, its format and length, and the
// comments of its comment block (a Vorbis comment list, as in an Ogg Vorbis file).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "formats/VorbisStream.h"

namespace zolvex {

// The largest FLAC file accepted: a rendered tune of two minutes takes about 12 MiB.
constexpr uint64_t kMaxFlacFileBytes = uint64_t{48} * 1024 * 1024;

// Empty when the bytes are a FLAC file of at most kMaxFlacFileBytes: the "fLaC"
// signature, the stream information block first, every metadata block whole and the
// last one marked, at most one comment block of at most kMaxVorbisCommentBytes, a known
// length, and a frame's sync code where the audio begins. `info` then holds the format,
// the length in frames and the comments. Else what is wrong with them. The audio frames
// themselves are left to the decoder, which skips a damaged one.
std::string ReadFlacStream(const uint8_t* bytes, size_t size, VorbisStreamInfo& info);

// Reads from `file`, at its start, what ReadFlacStream looks at: the signature, the
// metadata blocks one by one and the first two bytes of audio, so that a tune played
// straight from its file is checked without holding it all in memory. The blocks it does
// not look at (seek table, padding, pictures) are skipped and kept as empty blocks of
// their type. Stops early at what is not FLAC, at the end of the file, or past
// kMaxVorbisCommentBytes of the blocks it keeps; ReadFlacStream then says what is wrong.
std::vector<uint8_t> ReadFlacHead(std::FILE* file);

}  // namespace zolvex
