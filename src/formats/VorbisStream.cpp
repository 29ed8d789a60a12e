#include "formats/VorbisStream.h"

#include <array>
#include <cctype>
#include <cstring>

#include "formats/LittleEndian.h"

namespace zolvex {

namespace {

constexpr size_t kPageHeaderBytes = 27;
constexpr uint8_t kContinued = 0x01;
constexpr uint8_t kFirstPage = 0x02;
constexpr uint8_t kLastPage = 0x04;
// A page whose packets all go on past it has this granule position.
constexpr uint64_t kNoGranule = ~uint64_t{0};

uint64_t Le64(const uint8_t* p) {
    return uint64_t{Le32(p)} | uint64_t{Le32(p + 4)} << 32;
}

// The page checksum: CRC-32 with the polynomial 0x04C11DB7, most significant bit
// first, no reflection and no final inversion.
constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t r = i << 24;
        for (int bit = 0; bit < 8; ++bit) r = (r & 0x80000000U) ? (r << 1) ^ 0x04C11DB7U : r << 1;
        table[i] = r;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

uint32_t PageCrc(const uint8_t* page, size_t size) {
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        // The checksum field itself counts as zeros.
        const uint8_t byte = (i >= 22 && i < 26) ? 0 : page[i];
        crc = (crc << 8) ^ kCrcTable[((crc >> 24) ^ byte) & 0xFF];
    }
    return crc;
}

bool HasSignature(const std::vector<uint8_t>& packet, uint8_t type) {
    return packet.size() >= 7 && packet[0] == type && std::memcmp(&packet[1], "vorbis", 6) == 0;
}

std::string IdentificationProblem(const std::vector<uint8_t>& packet, VorbisStreamInfo& info) {
    // Type, "vorbis", version, channels, rate, three bit rates, block sizes, framing.
    if (packet.size() < 30 || !HasSignature(packet, 1) || Le32(&packet[7]) != 0 ||
        (packet[29] & 1) == 0) {
        return "no Vorbis identification header";
    }
    info.channels = packet[11];
    info.sampleRate = Le32(&packet[12]);
    if (info.channels == 0 || info.sampleRate == 0) return "no channels or no sample rate";
    return {};
}

std::string CommentProblem(const std::vector<uint8_t>& packet, VorbisStreamInfo& info) {
    if (!HasSignature(packet, 3)) return "no Vorbis comment header";
    size_t used = 0;
    std::string problem = ReadVorbisComments(packet.data() + 7, packet.size() - 7, used, info);
    if (!problem.empty()) return problem;
    const size_t at = 7 + used;
    if (at >= packet.size() || (packet[at] & 1) == 0) return "damaged comment header";  // framing
    return {};
}

// Checks the header packet number `index` (0, 1 or 2) and keeps what it says.
std::string HeaderProblem(int index, const std::vector<uint8_t>& packet, VorbisStreamInfo& info) {
    if (index == 0) return IdentificationProblem(packet, info);
    if (index == 1) return CommentProblem(packet, info);
    return HasSignature(packet, 5) ? std::string() : "no Vorbis setup header";
}

}  // namespace

std::string ReadVorbisComments(const uint8_t* data, size_t size, size_t& used,
                               VorbisStreamInfo& info) {
    constexpr const char* kDamaged = "damaged comment header";
    size_t at = 0;
    auto field = [&](std::string* out) {
        if (size - at < 4) return false;
        const uint32_t length = Le32(data + at);
        at += 4;
        if (length > size - at) return false;
        if (out != nullptr) out->assign(reinterpret_cast<const char*>(data + at), length);
        at += length;
        return true;
    };
    if (!field(nullptr) || size - at < 4) return kDamaged;  // the vendor
    const uint32_t count = Le32(data + at);
    at += 4;
    // Each comment takes four bytes at least, so the count cannot outrun the data.
    if (count > (size - at) / 4) return kDamaged;
    for (uint32_t i = 0; i < count; ++i) {
        std::string comment;
        if (!field(&comment)) return kDamaged;
        const size_t equals = comment.find('=');
        if (equals == std::string::npos) {
            info.comments.emplace_back(std::move(comment), std::string());
        } else {
            info.comments.emplace_back(comment.substr(0, equals), comment.substr(equals + 1));
        }
    }
    used = at;
    return {};
}

std::string ReadVorbisStream(const uint8_t* bytes, size_t size, VorbisStreamInfo& info) {
    info = VorbisStreamInfo();
    if (size > kMaxVorbisFileBytes) {
        return "file too large for a tune (expected at most " +
               std::to_string(kMaxVorbisFileBytes >> 20) + " MiB)";
    }
    if (size < 4 || std::memcmp(bytes, "OggS", 4) != 0) return "not an Ogg file";

    // The three header packets, gathered from the first pages' segments.
    std::vector<uint8_t> packet;
    int headers = 0;
    bool packetOpen = false;  // the last segment read ended in the middle of a packet
    uint32_t serial = 0;
    uint32_t sequence = 0;
    uint64_t granule = kNoGranule;
    bool ended = false;
    size_t at = 0;
    while (at < size) {
        if (ended) return "data after the end of the stream";
        if (size - at < kPageHeaderBytes || std::memcmp(bytes + at, "OggS", 4) != 0 ||
            bytes[at + 4] != 0) {
            return "damaged or cut short (no Ogg page at byte " + std::to_string(at) + ")";
        }
        const uint8_t* page = bytes + at;
        const uint8_t flags = page[5];
        const size_t segments = page[26];
        if (size - at - kPageHeaderBytes < segments) return "cut short";
        size_t bodyBytes = 0;
        for (size_t i = 0; i < segments; ++i) bodyBytes += page[kPageHeaderBytes + i];
        const size_t pageBytes = kPageHeaderBytes + segments + bodyBytes;
        if (size - at < pageBytes) return "cut short";
        if (PageCrc(page, pageBytes) != Le32(page + 22)) {
            return "damaged (wrong checksum of Ogg page " + std::to_string(sequence) + ")";
        }
        if (at == 0) {
            if ((flags & kFirstPage) == 0) return "its first page does not start a stream";
            serial = Le32(page + 14);
        } else if ((flags & kFirstPage) != 0 || Le32(page + 14) != serial) {
            return "more than one stream";
        }
        if (Le32(page + 18) != sequence) return "a page is missing";
        if (((flags & kContinued) != 0) != packetOpen) return "a packet is cut off";
        const uint64_t pageGranule = Le64(page + 6);
        if (pageGranule != kNoGranule) granule = pageGranule;

        const uint8_t* body = page + kPageHeaderBytes + segments;
        for (size_t i = 0; i < segments; ++i) {
            const uint8_t lacing = page[kPageHeaderBytes + i];
            packetOpen = lacing == 255;
            if (headers < 3) {
                if (packet.size() + lacing > kMaxVorbisCommentBytes) {
                    return "comment header too large (expected at most " +
                           std::to_string(kMaxVorbisCommentBytes >> 10) + " KiB)";
                }
                packet.insert(packet.end(), body, body + lacing);
                if (!packetOpen) {
                    std::string problem = HeaderProblem(headers, packet, info);
                    if (!problem.empty()) return problem;
                    packet.clear();
                    ++headers;
                }
            }
            body += lacing;
        }
        // The identification header fills the first page alone.
        if (at == 0 && (headers != 1 || packetOpen)) return "no Vorbis identification header";
        ended = (flags & kLastPage) != 0;
        ++sequence;
        at += pageBytes;
    }
    if (!ended || packetOpen) return "cut short (no last page)";
    if (headers < 3) return "no Vorbis headers";
    info.frames = granule == kNoGranule ? 0 : granule;
    return {};
}

std::optional<std::string> VorbisComment(const VorbisStreamInfo& info, std::string_view key) {
    for (const auto& [name, value] : info.comments) {
        if (name.size() != key.size()) continue;
        bool same = true;
        for (size_t i = 0; i < key.size() && same; ++i) {
            same = std::toupper(static_cast<unsigned char>(name[i])) ==
                   std::toupper(static_cast<unsigned char>(key[i]));
        }
        if (same) return value;
    }
    return std::nullopt;
}

}  // namespace zolvex
