// A file for the mixer to stream from, read through a buffer of its own.
#pragma once

#include <cstdio>

struct SDL_RWops;

namespace zolvex {

// Takes over `file` (open for reading) and gives it to the mixer as a stream whose
// size and position are kept here and whose bytes are read 64 KiB at a time: the
// mixer asks for its position before every read and reads a buffer's worth at a time,
// which through stdio would cost a system call each. Null (and `file` closed) when SDL
// cannot make the stream or the file's size cannot be read.
SDL_RWops* StreamFromFile(std::FILE* file);

}  // namespace zolvex
