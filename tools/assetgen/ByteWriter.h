// Helpers shared by the file writers: little-endian fields and writing a finished file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zolvex {

void AppendLe16(std::vector<uint8_t>& out, uint32_t value);
void AppendLe32(std::vector<uint8_t>& out, uint32_t value);

// Writes `bytes` to `path`; false, with one line on standard error naming the file and what was
// expected there (e.g. "a bitmap file"), when it cannot be written.
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, const char* kind);

}  // namespace zolvex
