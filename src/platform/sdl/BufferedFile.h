// A file for the mixer to stream from, read through a buffer of its own.
#pragma once

#include <cstdio>

struct SDL_RWops;

namespace zolvex {

// Takes over `file` (open for reading) and gives it to the mixer as a stream whose
// size and position are kept here and whose bytes are read 64 KiB at a time: the
// FLAC decoder asks for its position, the end and a few bytes at a time, which
// through stdio would cost a system call each. Null (and `file` closed) when SDL
// cannot make the stream or the file's size cannot be read.
SDL_RWops* StreamFromFile(std::FILE* file);

}  // namespace zolvex
