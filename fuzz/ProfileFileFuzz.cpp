// Feeds arbitrary bytes to the profile-file reader and writer: every read must cope,
// and a write must change its own key only.
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "formats/ProfileFile.h"

namespace {

struct Key {
    const char* section;
    const char* key;
};

const Key kKeys[] = {
    {"BGM", "BGM"},  {"Game", "DefaultLevel"}, {"10", "Name"},  {"10", "Score"},
    {"10", "Check"}, {"11", "Name"},           {"39", "Score"}, {"game", "defaultlevel"},
};
constexpr size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];

const std::string& ScratchPath() {
    static const std::string path = [] {
        // A memory file system keeps the fsync of every replace cheap.
        std::string pattern =
            (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/zpf-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        return pattern + "/zolvex.ini";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = ScratchPath();
    // Larger files are refused whole, which the reads and the write would report.
    if (size == 0 || size - 1 > zolvex::kProfileFileLimit) return 0;
    // The first byte picks the key to write and the value's length; the last bytes
    // give the value in the characters a player can type for a name.
    size_t target = data[0] % kKeyCount;
    size_t valueLength = std::min<size_t>((data[0] >> 4) % 11, size - 1);
    std::string value;
    for (size_t i = 0; i < valueLength; ++i) {
        value.push_back(static_cast<char>(32 + data[size - 1 - i] % 66));
    }

    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);

    std::string before[kKeyCount];
    int beforeInt[kKeyCount];
    {
        zolvex::ProfileSnapshot snapshot(path);
        for (size_t k = 0; k < kKeyCount; ++k) {
            before[k] = snapshot.GetString(kKeys[k].section, kKeys[k].key, "<none>", 4096);
            beforeInt[k] = snapshot.GetInt(kKeys[k].section, kKeys[k].key, -12345);
            if (zolvex::GetProfileString(path, kKeys[k].section, kKeys[k].key, "<none>", 4096) !=
                before[k]) {
                std::abort();
            }
        }
    }

    if (!zolvex::WriteProfileString(path, kKeys[target].section, kKeys[target].key, value)) {
        std::abort();
    }

    zolvex::ProfileSnapshot after(path);
    for (size_t k = 0; k < kKeyCount; ++k) {
        bool sameKey = strcasecmp(kKeys[k].section, kKeys[target].section) == 0 &&
                       strcasecmp(kKeys[k].key, kKeys[target].key) == 0;
        std::string now = after.GetString(kKeys[k].section, kKeys[k].key, "<none>", 4096);
        if (sameKey) {
            if (now != value) std::abort();
        } else if (now != before[k] ||
                   after.GetInt(kKeys[k].section, kKeys[k].key, -12345) != beforeInt[k]) {
            std::abort();
        }
    }
    return 0;
}
