// Whole files read and written as they are on disk, byte for byte.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace zolvex::test {

// The bytes of `path`; empty when it is missing or cannot be read.
inline std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The same bytes, unsigned, for readers of binary formats.
inline std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    const std::string bytes = ReadWholeFile(path);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// Makes `path` hold exactly `bytes`, replacing what was there; false when it
// could not be written.
inline bool WriteWholeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

inline bool WriteWholeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    return WriteWholeFile(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace zolvex::test
