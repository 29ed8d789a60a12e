#include "platform/Storage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "core/Paths.h"

namespace zolvex {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSettingsName = "zolvex.ini";
constexpr const char* kScoresName = "score.scr";

bool HoldsPictures(const std::string& directory) {
    std::error_code error;
    return fs::is_regular_file(JoinPath(directory, "bmp/mback.bmp"), error);
}

// "$variable/zolvex", or "$HOME/homeDefault/zolvex"; empty when neither is usable.
// A relative XDG value is invalid and ignored, as the base-directory rules say.
std::string XdgFolder(const char* variable, const char* homeDefault) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') return JoinPath(value, "zolvex");
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return JoinPath(JoinPath(home, homeDefault), "zolvex");
    return std::string();
}

// Creates `directory` and its parents; the last level is the player's own, so 0700.
bool MakePrivateFolder(const std::string& directory, const char* what) {
    std::error_code error;
    if (!fs::is_directory(directory, error)) {
        fs::create_directories(fs::path(directory).parent_path(), error);
        if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
            error = std::error_code(errno, std::generic_category());
        } else {
            error.clear();
        }
    }
    if (error || !IsWritableDirectory(directory)) {
        std::fprintf(stderr, "zolvex: cannot use %s for the %s: %s\n", directory.c_str(), what,
                     error ? error.message().c_str() : "not writable");
        return false;
    }
    return true;
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t wrote = ::write(fd, data, size);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0) return false;
        data += wrote;
        size -= static_cast<size_t>(wrote);
    }
    return true;
}

// Copies the regular file `from` to `to`, which must not exist, whole or not at all:
// into a temporary beside `to` (named as the start-up clean-up knows them), synced,
// then linked under its name. A full disk leaves no cut-short copy behind. Returns
// the reason of a failure, or an empty text.
std::string CopyWhole(const std::string& from, const std::string& to) {
    int in = ::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (in < 0) return std::strerror(errno);
    struct stat info {};
    if (::fstat(in, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(in);
        return "not a regular file";
    }
    fs::path target(to);
    std::string temporary = target.parent_path().string();
    temporary += "/.";
    temporary += target.filename().string();
    temporary += ".tmp.XXXXXX";
    int out = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (out < 0) {
        std::string why = std::strerror(errno);
        ::close(in);
        return why;
    }
    ::fchmod(out, info.st_mode & 0777);
    std::string why;
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 || (got > 0 && !WriteAll(out, buffer, static_cast<size_t>(got)))) {
            why = std::strerror(errno);
            break;
        }
        if (got == 0) {
            // link, unlike rename, never replaces a file that appeared meanwhile.
            if (::fsync(out) != 0 || ::link(temporary.c_str(), to.c_str()) != 0) {
                why = std::strerror(errno);
            }
            break;
        }
    }
    ::unlink(temporary.c_str());
    ::close(out);
    ::close(in);
    if (why.empty()) {
        int folder = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }
    return why;
}

// Starts the player's copy of `name` from the program's one, unless the player has one.
void SeedFile(const std::string& programDirectory, const std::string& directory, const char* name) {
    std::error_code error;
    std::string to = JoinPath(directory, name);
    if (fs::exists(fs::symlink_status(to, error))) return;
    std::string from = JoinPath(programDirectory, name);
    if (!fs::is_regular_file(from, error)) return;
    std::string why = CopyWhole(from, to);
    if (!why.empty()) {
        std::fprintf(stderr, "zolvex: cannot copy %s to %s: %s\n", from.c_str(), directory.c_str(),
                     why.c_str());
    }
}

// Settings that an older run kept beside the rankings move to the settings folder.
// False when they could not be moved, and stay where they are.
bool MoveOldSettings(const std::string& scores, const std::string& settings) {
    if (scores == settings) return true;
    std::string from = JoinPath(scores, kSettingsName);
    std::string to = JoinPath(settings, kSettingsName);
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(from, error))) return true;
    if (fs::exists(fs::symlink_status(to, error))) return true;
    std::string why;
    if (::rename(from.c_str(), to.c_str()) != 0) {
        int renameError = errno;
        // Another file system: copy, and remove the old one only once the copy is whole.
        why = renameError == EXDEV ? CopyWhole(from, to) : std::strerror(renameError);
        if (why.empty()) fs::remove(from, error);
    }
    if (!why.empty()) {
        std::fprintf(stderr, "zolvex: cannot move %s to %s: %s; keeping the settings in %s\n",
                     from.c_str(), settings.c_str(), why.c_str(), scores.c_str());
        return false;
    }
    std::fprintf(stderr, "zolvex: moved the settings from %s to %s\n", scores.c_str(),
                 settings.c_str());
    return true;
}

}  // namespace

ProgramFolder LocateProgramFolder(const std::string& executableDirectory) {
    if (HoldsPictures(executableDirectory)) return {executableDirectory, false};
    std::string shared = JoinPath(executableDirectory, "../share/zolvex");
    if (HoldsPictures(shared)) {
        std::error_code error;
        fs::path canonical = fs::canonical(shared, error);
        return {error ? shared : canonical.string(), true};
    }
    return {executableDirectory, false};
}

StorageFolders PlanStorageFolders(const ProgramFolder& program) {
    if (!program.installed && IsWritableDirectory(program.directory)) {
        return {program.directory, program.directory};
    }
    std::string settings = XdgFolder("XDG_CONFIG_HOME", ".config");
    std::string scores = XdgFolder("XDG_DATA_HOME", ".local/share");
    return {settings.empty() ? program.directory : settings,
            scores.empty() ? program.directory : scores};
}

StorageFolders ChooseStorageFolders(const ProgramFolder& program) {
    StorageFolders folders = PlanStorageFolders(program);
    if (folders.settings == program.directory && folders.scores == program.directory) {
        return folders;
    }
    if (folders.settings == program.directory || folders.scores == program.directory) {
        std::fprintf(stderr, "zolvex: HOME is not set; keeping the player's files in %s\n",
                     program.directory.c_str());
    }
    if (folders.settings != program.directory && !MakePrivateFolder(folders.settings, "settings")) {
        folders.settings = program.directory;
    }
    if (folders.scores != program.directory && !MakePrivateFolder(folders.scores, "rankings")) {
        folders.scores = program.directory;
    }
    if (folders.scores != program.directory && folders.settings != program.directory &&
        !MoveOldSettings(folders.scores, folders.settings)) {
        folders.settings = folders.scores;
    }
    if (folders.settings != program.directory) {
        SeedFile(program.directory, folders.settings, kSettingsName);
    }
    if (folders.scores != program.directory) {
        SeedFile(program.directory, folders.scores, kScoresName);
    }
    if (!program.installed) {
        std::fprintf(stderr,
                     "zolvex: %s is not writable; keeping settings in %s and rankings in %s\n",
                     program.directory.c_str(), folders.settings.c_str(), folders.scores.c_str());
    }
    return folders;
}

std::string PrepareComposeCacheFolder() {
    const char* chosen = std::getenv("XCOMPOSECACHE");
    const char* home = std::getenv("HOME");
    if ((chosen != nullptr && chosen[0] != '\0') || home == nullptr || home[0] == '\0') return "";
    std::error_code error;
    if (fs::is_directory(JoinPath(home, ".compose-cache"), error)) return "";
    const std::string cache = XdgFolder("XDG_CACHE_HOME", ".cache");
    if (cache.empty()) return "";
    const std::string folder = JoinPath(cache, "compose");
    // Quietly: without the cache the table is only compiled again, as it always was.
    fs::create_directories(cache, error);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return "";
    return fs::is_directory(folder, error) && IsWritableDirectory(folder) ? folder : "";
}

bool IsWritableDirectory(const std::string& directory) {
    std::string folder = directory.empty() ? "." : directory;
    if (::access(folder.c_str(), W_OK) != 0) return false;
    // access() trusts permission bits alone; a read-only mount or a full disk shows
    // only when a file is really created.
    // Each probe gets its own name, so two threads asking at once (two screenshots
    // saved in the same second) do not take each other's probe for a refusal; a name
    // left behind by a crashed run is stepped over.
    static std::atomic<unsigned> probes{0};
    for (int tries = 0; tries < 8; ++tries) {
        std::string probe = JoinPath(folder, ".zolvex.probe." + std::to_string(::getpid()) + "." +
                                                 std::to_string(probes.fetch_add(1)));
        int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return false;
        ::close(fd);
        ::unlink(probe.c_str());
        return true;
    }
    return false;
}

}  // namespace zolvex
