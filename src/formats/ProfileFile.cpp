#include "formats/ProfileFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <set>
#include <utility>

#include "core/Paths.h"

namespace zolvex {

namespace {

const char* const kProfileNames[] = {"zolvex.ini", "score.scr"};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

enum class LineKind { kOther, kHeader, kKey };

struct ParsedLine {
    LineKind kind = LineKind::kOther;
    std::string_view name;   // section or key name, trimmed
    std::string_view value;  // key value, trimmed, quotes kept
};

ParsedLine ParseLine(std::string_view line) {
    ParsedLine parsed;
    std::string_view text = Trim(line);
    if (text.empty() || text[0] == ';') return parsed;
    if (text[0] == '[') {
        // Without its closing bracket the line is no header: "[10" must not open section "10".
        size_t close = text.rfind(']');
        if (close != std::string_view::npos) {
            parsed.kind = LineKind::kHeader;
            parsed.name = Trim(text.substr(1, close - 1));
            return parsed;
        }
    }
    size_t equals = text.find('=');
    if (equals == std::string_view::npos) return parsed;
    parsed.kind = LineKind::kKey;
    parsed.name = Trim(text.substr(0, equals));
    parsed.value = Trim(text.substr(equals + 1));
    return parsed;
}

// Splits text into lines without their line ending; a CR before the LF belongs to the ending.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : text_(text) {}

    bool Next(std::string_view& line, std::string_view& ending) {
        if (pos_ >= text_.size()) return false;
        const void* found = std::memchr(text_.data() + pos_, '\n', text_.size() - pos_);
        size_t end = found ? static_cast<size_t>(static_cast<const char*>(found) - text_.data())
                           : text_.size();
        line = text_.substr(pos_, end - pos_);
        ending = std::string_view();
        if (found) {
            ending = "\n";
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
                ending = "\r\n";
            }
            pos_ = end + 1;
        } else {
            pos_ = end;
        }
        return true;
    }

    // Where the line after the last one returned begins.
    size_t Position() const { return pos_; }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

std::string_view StripQuotes(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Text ends at a NUL byte, as it does in the fixed buffers the callers copy into.
std::string_view CutAtNul(std::string_view value) {
    size_t nul = value.find('\0');
    return nul == std::string_view::npos ? value : value.substr(0, nul);
}

std::string EncodeValue(const std::string& value) {
    std::string clean;
    clean.reserve(value.size() + 2);
    for (char c : value) {
        if (c != '\r' && c != '\n' && c != '\0') clean.push_back(c);
    }
    // A reader trims blanks and strips one pair of quotes; quoting protects both.
    bool quote =
        !clean.empty() && (IsBlank(clean.front()) || IsBlank(clean.back()) ||
                           (clean.size() >= 2 && clean.front() == '"' && clean.back() == '"'));
    return quote ? "\"" + clean + "\"" : clean;
}

void ReportOnce(const std::string& path, const std::string& what) {
    static std::set<std::string> reported;
    if (reported.insert(path + '\n' + what).second) {
        std::fprintf(stderr, "zolvex: %s: %s\n", path.c_str(), what.c_str());
    }
}

enum class ReadResult { kRead, kMissing, kFailed, kRefused };

struct FileRead {
    ReadResult result = ReadResult::kMissing;
    int error = 0;             // errno, when kFailed
    const char* refusal = "";  // why, when kRefused
    mode_t mode = 0;           // the file's permissions, when kRead
};

// One line per refused file and run, whether it was being read or written.
void ReportRefusal(const std::string& path, const FileRead& read) {
    ReportOnce(path, std::string("refused (") + read.refusal +
                         "); using the defaults and leaving it untouched");
}

// Reads a profile file without ever waiting on it: the type is known from the open
// descriptor before anything is read, so a pipe or a device is refused unread, and a
// link is refused at the open, since it could lead anywhere.
FileRead ReadProfileText(const std::string& path, std::string& out) {
    out.clear();
    FileRead read;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        read.error = errno;
        if (errno == ENOENT || errno == ENOTDIR) {
            read.result = ReadResult::kMissing;
        } else if (errno == ELOOP) {
            read.result = ReadResult::kRefused;
            read.refusal = "a symbolic link";
        } else {
            read.result = ReadResult::kFailed;
        }
        return read;
    }
    struct stat info {};
    read.result = ReadResult::kRead;
    if (::fstat(fd, &info) != 0) {
        read.result = ReadResult::kFailed;
        read.error = errno;
    } else if (!S_ISREG(info.st_mode)) {
        read.result = ReadResult::kRefused;
        read.refusal = "not a regular file";
    } else if (static_cast<uintmax_t>(info.st_size) > kProfileFileLimit) {
        read.result = ReadResult::kRefused;
        read.refusal = "larger than 1 MiB";
    } else {
        read.mode = info.st_mode;
        out.reserve(static_cast<size_t>(info.st_size));
    }
    char buffer[65536];
    while (read.result == ReadResult::kRead) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            read.result = ReadResult::kFailed;
            read.error = errno;
        } else if (got == 0) {
            break;
        } else if (out.size() + static_cast<size_t>(got) > kProfileFileLimit) {
            // It grew while being read.
            read.result = ReadResult::kRefused;
            read.refusal = "larger than 1 MiB";
        } else {
            out.append(buffer, static_cast<size_t>(got));
        }
    }
    ::close(fd);
    if (read.result != ReadResult::kRead) std::string().swap(out);
    return read;
}

// ".<name><suffix>" beside the file at `path`.
std::string Sibling(const std::string& path, const char* suffix) {
    size_t slash = path.rfind('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(0, nameStart) + "." + path.substr(nameStart) + suffix;
}

// The text of a profile file under change. Each write finds its section and key by
// scanning the text, so a change needs little more memory than the text itself.
class Document {
public:
    explicit Document(std::string text) : text_(std::move(text)) {
        LineCursor cursor(text_);
        std::string_view line;
        std::string_view ending;
        while (cursor.Next(line, ending)) {
            if (!ending.empty()) {
                newline_ = ending;
                break;
            }
        }
    }

    void Set(const ProfileWrite& write) {
        std::string value = EncodeValue(write.value);
        std::string_view section = Trim(write.section);
        std::string_view key = Trim(write.key);
        LineCursor cursor(text_);
        std::string_view line;
        std::string_view ending;
        bool inSection = false;
        // A new key goes after the section's last line that is not blank, before the
        // blank lines that separate it from the next section.
        size_t insertAt = 0;
        bool insertAfterEnding = true;
        while (cursor.Next(line, ending)) {
            ParsedLine parsed = ParseLine(line);
            if (parsed.kind == LineKind::kHeader) {
                if (inSection) break;
                if (!SameName(parsed.name, section)) continue;
                inSection = true;
            } else if (!inSection || Trim(line).empty()) {
                continue;
            } else if (parsed.kind == LineKind::kKey && SameName(parsed.name, key)) {
                size_t start = static_cast<size_t>(line.data() - text_.data());
                text_.replace(start, line.size(), std::string(parsed.name) + "=" + value);
                return;
            }
            insertAt = cursor.Position();
            insertAfterEnding = !ending.empty();
        }
        std::string keyLine = write.key + "=" + value;
        keyLine += newline_;
        if (!inSection) {
            if (!text_.empty() && text_.back() != '\n') text_ += newline_;
            text_ += "[" + write.section + "]";
            text_ += newline_;
            text_ += keyLine;
            return;
        }
        // Only the file's last line can lack its line ending.
        if (!insertAfterEnding) keyLine.insert(0, newline_);
        text_.insert(insertAt, keyLine);
    }

    const std::string& Text() const { return text_; }

private:
    std::string text_;
    std::string_view newline_ = "\n";
};

void SyncDirectory(const std::string& directory) {
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // Some file systems cannot sync a folder; the rename has happened either way.
    ::fsync(fd);
    ::close(fd);
}

bool WriteAll(int fd, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        ssize_t wrote = ::write(fd, content.data() + done, content.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(wrote);
    }
    return true;
}

// The advisory lock of a profile file, ".<name>.lock" beside it, held for one
// read-change-replace. A flock lock ends with the copy that holds it, so only a live
// copy can keep a writer waiting, and the wait is bounded in case that copy is stopped.
class ProfileLock {
public:
    explicit ProfileLock(const std::string& path) {
        std::string lockPath = Sibling(path, ".lock");
        // Readable by all, so every player's copy can take the lock of a shared table.
        fd_ = ::open(lockPath.c_str(),
                     O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            // A folder that cannot take the lock file cannot take the new file either,
            // and the write says so.
            if (errno != ENOENT && errno != ENOTDIR && errno != EACCES && errno != EPERM &&
                errno != EROFS && errno != ENOSPC && errno != EDQUOT) {
                Report(lockPath, std::strerror(errno));
            }
            return;
        }
        struct stat info {};
        if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
            Report(lockPath, "not a regular file");
            return;
        }
        for (int tries = 0;; ++tries) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
            if (errno == EINTR) continue;
            if (errno != EWOULDBLOCK) {
                Report(lockPath, std::strerror(errno));
                return;
            }
            if (tries == kTries) {
                Report(lockPath, "another copy has held it for two seconds");
                return;
            }
            struct timespec pause {
                0, kPauseNanoseconds
            };
            ::nanosleep(&pause, nullptr);
        }
    }
    ~ProfileLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;

private:
    static constexpr int kTries = 200;
    static constexpr long kPauseNanoseconds = 10'000'000;

    void Report(const std::string& lockPath, const char* why) {
        std::fprintf(stderr, "zolvex: cannot lock %s (%s); writing without the lock\n",
                     lockPath.c_str(), why);
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    int fd_ = -1;
};

// Creates ".<name>.tmp.XXXXXX" beside the file under a name nobody can foresee, and
// exclusively: a link or file planted under that name is never opened.
int CreateTemporary(const std::string& path, mode_t mode, std::string& temporary) {
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static uint64_t counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        unsigned char random[6];
        if (::getrandom(random, sizeof random, GRND_NONBLOCK) != sizeof random) {
            // Without the kernel's generator the name is only unusual; O_EXCL keeps it safe.
            uint64_t mix = (static_cast<uint64_t>(::getpid()) << 32) ^
                           (++counter * 0x9E3779B97F4A7C15u) ^ reinterpret_cast<uintptr_t>(&random);
            for (unsigned char& byte : random) {
                byte = static_cast<unsigned char>(mix);
                mix = (mix >> 8) | (mix << 56);
            }
        }
        temporary = Sibling(path, ".tmp.");
        for (unsigned char byte : random) temporary += kLetters[byte % 62];
        int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// Replaces the file with `content`: a temporary beside it, written, synced and renamed
// over it. `before` is what reading the file found.
bool ReplaceFile(const std::string& path, const std::string& content, const FileRead& before) {
    size_t slash = path.rfind('/');
    std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::string temporary;
    auto fail = [&](const char* step, int error, int fd) {
        if (fd >= 0) {
            ::unlink(temporary.c_str());
            ::close(fd);
        }
        std::fprintf(stderr, "zolvex: cannot write %s (%s %s): %s\n", path.c_str(), step,
                     temporary.c_str(), std::strerror(error));
        return false;
    };
    bool existed = before.result == ReadResult::kRead;
    // A new file gets 0666 less the umask. A replaced one keeps its permissions, but
    // never set-user-ID, set-group-ID or sticky bits.
    int fd = CreateTemporary(path, existed ? 0600 : 0666, temporary);
    if (fd < 0) return fail("creating", errno, -1);
    // Another copy's start-up clean-up leaves alone a temporary that is locked.
    ::flock(fd, LOCK_EX | LOCK_NB);
    if (existed) ::fchmod(fd, before.mode & 0777);
    if (!WriteAll(fd, content) || ::fsync(fd) != 0) return fail("writing", errno, fd);
    if (::rename(temporary.c_str(), path.c_str()) != 0) return fail("renaming", errno, fd);
    // The rename is a change of the folder: synced too, a power cut cannot undo it.
    SyncDirectory(directory);
    ::close(fd);
    return true;
}

// Under the file's lock: reads the file as it is now, applies the writes `edit` makes
// of its text, and replaces it.
bool Update(const std::string& path,
            const std::function<std::vector<ProfileWrite>(const std::string&)>& edit) {
    ProfileLock lock(path);
    std::string text;
    FileRead read = ReadProfileText(path, text);
    if (read.result == ReadResult::kFailed) {
        // Writing now would replace content that could not be read.
        std::fprintf(stderr, "zolvex: cannot write %s: reading it failed: %s\n", path.c_str(),
                     std::strerror(read.error));
        return false;
    }
    if (read.result == ReadResult::kRefused) {
        ReportRefusal(path, read);
        return false;
    }
    std::vector<ProfileWrite> writes = edit(text);
    Document document(std::move(text));
    for (const ProfileWrite& write : writes) document.Set(write);
    return ReplaceFile(path, document.Text(), read);
}

// ".<name>.tmp." and then six letters or digits, or (from an older copy) only digits.
bool IsTemporaryOf(std::string_view file, std::string_view name) {
    if (file.size() < name.size() + 6 || file[0] != '.' ||
        file.compare(1, name.size(), name) != 0 || file.compare(1 + name.size(), 5, ".tmp.") != 0) {
        return false;
    }
    std::string_view tail = file.substr(name.size() + 6);
    auto all = [&](const char* allowed) {
        return tail.find_first_not_of(allowed) == std::string_view::npos;
    };
    return (!tail.empty() && all("0123456789")) ||
           (tail.size() == 6 &&
            all("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"));
}

void RemoveEntry(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        std::fprintf(stderr, "zolvex: cannot remove leftover %s: %s\n", path.c_str(),
                     std::strerror(errno));
    }
}

// Removes a leftover temporary unless a writer still holds it; removes a link under
// that name without following it; leaves anything else alone, as it is not ours.
void RemoveLeftover(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return;
    if (S_ISLNK(info.st_mode)) {
        RemoveEntry(path);
        return;
    }
    if (!S_ISREG(info.st_mode)) return;
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK) RemoveEntry(path);
    ::close(fd);
}

}  // namespace

ProfileSnapshot::ProfileSnapshot(const std::string& path) {
    FileRead read = ReadProfileText(path, text_);
    if (read.result == ReadResult::kFailed) {
        ReportOnce(path, std::string("cannot read profile file (") + std::strerror(read.error) +
                             "); using defaults");
    } else if (read.result == ReadResult::kRefused) {
        ReportRefusal(path, read);
    }
    IndexSections();
}

ProfileSnapshot ProfileSnapshot::OfText(std::string text) {
    ProfileSnapshot snapshot;
    snapshot.text_ = std::move(text);
    snapshot.IndexSections();
    return snapshot;
}

void ProfileSnapshot::IndexSections() {
    LineCursor cursor(text_);
    std::string_view line;
    std::string_view ending;
    Span* open = nullptr;
    while (cursor.Next(line, ending)) {
        ParsedLine parsed = ParseLine(line);
        if (parsed.kind != LineKind::kHeader) continue;
        size_t start = static_cast<size_t>(line.data() - text_.data());
        if (open != nullptr) open->end = start;
        open = nullptr;
        std::string name(parsed.name);
        for (char& c : name) c = LowerAscii(c);
        size_t body = start + line.size() + ending.size();
        // Only the first section of a name counts; a later one is never read.
        auto [it, inserted] = sections_.try_emplace(std::move(name), Span{body, text_.size()});
        if (inserted) open = &it->second;
    }
}

bool ProfileSnapshot::Find(std::string_view section, std::string_view key,
                           std::string_view& value) const {
    std::string name(Trim(section));
    for (char& c : name) c = LowerAscii(c);
    auto it = sections_.find(name);
    if (it == sections_.end()) return false;
    key = Trim(key);
    LineCursor cursor(
        std::string_view(text_).substr(it->second.begin, it->second.end - it->second.begin));
    std::string_view line;
    std::string_view ending;
    while (cursor.Next(line, ending)) {
        ParsedLine parsed = ParseLine(line);
        if (parsed.kind == LineKind::kKey && SameName(parsed.name, key)) {
            value = parsed.value;
            return true;
        }
    }
    return false;
}

int ProfileSnapshot::GetInt(std::string_view section, std::string_view key,
                            int defaultValue) const {
    std::string_view value;
    if (!Find(section, key, value)) return defaultValue;
    value = CutAtNul(StripQuotes(value));
    // An empty value reads as the default, as the window system's integer read does.
    if (value.empty()) return defaultValue;
    return static_cast<int32_t>(ParseLeadingDecimal(value));
}

std::string ProfileSnapshot::GetString(std::string_view section, std::string_view key,
                                       const std::string& defaultValue, size_t capacity) const {
    size_t limit = capacity == 0 ? 0 : capacity - 1;
    std::string_view value;
    if (!Find(section, key, value))
        value = defaultValue;
    else
        value = StripQuotes(value);
    value = CutAtNul(value);
    return std::string(value.substr(0, limit));
}

uint32_t ParseLeadingDecimal(std::string_view text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    }
    return negative ? 0u - value : value;
}

int GetProfileInt(const std::string& path, const std::string& section, const std::string& key,
                  int defaultValue) {
    return ProfileSnapshot(path).GetInt(section, key, defaultValue);
}

std::string GetProfileString(const std::string& path, const std::string& section,
                             const std::string& key, const std::string& defaultValue,
                             size_t capacity) {
    return ProfileSnapshot(path).GetString(section, key, defaultValue, capacity);
}

bool WriteFileAtomically(const std::string& path, const std::string& content) {
    return ReplaceFile(path, content, FileRead{});
}

bool WriteProfileStrings(const std::string& path, const std::vector<ProfileWrite>& writes) {
    return Update(path, [&](const std::string&) { return writes; });
}

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    return WriteProfileStrings(path, {ProfileWrite{section, key, value}});
}

bool UpdateProfile(const std::string& path,
                   const std::function<std::vector<ProfileWrite>(const ProfileSnapshot&)>& edit) {
    return Update(path,
                  [&](const std::string& text) { return edit(ProfileSnapshot::OfText(text)); });
}

void RemoveStaleProfileTemporaries(const std::string& directory) {
    std::string folder = directory.empty() ? "." : directory;
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) return;
    std::vector<std::string> found[std::size(kProfileNames)];
    while (const dirent* entry = ::readdir(listing)) {
        for (size_t k = 0; k < std::size(kProfileNames); ++k) {
            if (IsTemporaryOf(entry->d_name, kProfileNames[k]))
                found[k].emplace_back(entry->d_name);
        }
    }
    ::closedir(listing);
    for (size_t k = 0; k < std::size(kProfileNames); ++k) {
        if (found[k].empty()) continue;
        // A writer holds the file's lock from before it creates its temporary until after
        // the rename: while the lock is busy, a temporary may be one in use. Holding the
        // lock keeps another writer from starting while the leftovers are removed.
        std::string lockPath = Sibling(JoinPath(folder, kProfileNames[k]), ".lock");
        int lock =
            ::open(lockPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        bool busy = lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        if (!busy) {
            for (const std::string& file : found[k]) RemoveLeftover(JoinPath(folder, file));
        }
        if (lock >= 0) ::close(lock);
    }
}

}  // namespace zolvex
