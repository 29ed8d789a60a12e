#include "platform/Storage.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace zolvex {

namespace {

const char* const kProfileNames[] = {"zolvex.ini", "score.scr"};

std::string Join(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    if (directory.back() == '/') return directory + name;
    return directory + "/" + name;
}

}  // namespace

bool IsWritableDirectory(const std::string& directory) {
    std::string folder = directory.empty() ? "." : directory;
    if (::access(folder.c_str(), W_OK) != 0) return false;
    // access() trusts permission bits alone; a read-only mount or a full disk shows
    // only when a file is really created.
    std::string probe = Join(folder, ".zolvex.probe." + std::to_string(::getpid()));
    int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

std::string FallbackDataDirectory(const std::string& exeDirectory) {
    namespace fs = std::filesystem;
    std::string base;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    // A relative XDG_DATA_HOME is invalid and must be ignored.
    if (dataHome != nullptr && dataHome[0] == '/') {
        base = dataHome;
    } else if (home != nullptr && home[0] != '\0') {
        base = Join(home, ".local/share");
    } else {
        std::fputs("zolvex: neither XDG_DATA_HOME nor HOME is set; no folder for the settings\n",
                   stderr);
        return std::string();
    }
    std::string directory = Join(base, "zolvex");
    std::error_code error;
    fs::create_directories(directory, error);
    if (error || !IsWritableDirectory(directory)) {
        std::fprintf(stderr, "zolvex: cannot use %s for the settings: %s\n", directory.c_str(),
                     error ? error.message().c_str() : "not writable");
        return std::string();
    }

    bool seeded = false;
    for (const char* name : kProfileNames) {
        if (fs::exists(Join(directory, name), error)) seeded = true;
    }
    if (!seeded) {
        // The first run from a read-only install keeps the settings and rankings shipped
        // beside the executable.
        for (const char* name : kProfileNames) {
            std::string from = Join(exeDirectory, name);
            std::error_code copyError;
            if (!fs::is_regular_file(from, copyError)) continue;
            fs::copy_file(from, Join(directory, name), copyError);
            if (copyError) {
                std::fprintf(stderr, "zolvex: cannot copy %s to %s: %s\n", from.c_str(),
                             directory.c_str(), copyError.message().c_str());
            }
        }
    }
    return directory;
}

std::string ChooseDataDirectory(const std::string& exeDirectory) {
    if (IsWritableDirectory(exeDirectory)) return exeDirectory;
    std::string directory = FallbackDataDirectory(exeDirectory);
    if (directory.empty()) return exeDirectory;
    std::fprintf(stderr, "zolvex: %s is not writable; keeping settings and rankings in %s\n",
                 exeDirectory.c_str(), directory.c_str());
    return directory;
}

}  // namespace zolvex
