// What the game reads of a rendered tune's WAV file before the mixer plays it: its
// format and length, where it loops (its sampler chunk, which the mixer follows) and the
// comment that names its MIDI file (the ICMT text of its LIST INFO chunk), all of which
// come before the sound data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "formats/VorbisStream.h"

namespace zolvex {

// The largest tune file accepted: a rendered tune of two minutes takes about 20 MiB.
constexpr uint64_t kMaxWavTuneBytes = uint64_t{96} * 1024 * 1024;

// Empty when `bytes`, the start of a WAV file of `fileSize` bytes (at most
// kMaxWavTuneBytes), hold a RIFF WAVE header, then chunks of at most
// kMaxVorbisCommentBytes in all: a format chunk of 16-bit PCM, a sampler chunk whose first
// loop runs forwards and a LIST INFO chunk with an ICMT text, before the sound data, which
// the file holds whole. `info` then holds the format, the length in frames, and as comments
// each "KEY=value" line of the ICMT text followed by LOOPSTART and LOOPLENGTH from the
// loop (whose end the chunk counts inclusively). Else what is wrong with them.
std::string ReadWavTune(const uint8_t* bytes, size_t size, uint64_t fileSize,
                        VorbisStreamInfo& info);

// Reads from `file`, at its start, what ReadWavTune looks at: the header and every chunk up
// to and including the sound data's chunk header, so that a tune played straight from its
// file is checked without holding it in memory. Stops early at what is not RIFF, at the end
// of the file, or past kMaxVorbisCommentBytes; ReadWavTune then says what is wrong.
std::vector<uint8_t> ReadWavTuneHead(std::FILE* file);

}  // namespace zolvex
