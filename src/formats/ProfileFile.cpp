#include "formats/ProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

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
    if (reported.insert(path).second) {
        std::fprintf(stderr, "zolvex: %s: %s\n", path.c_str(), what.c_str());
    }
}

enum class ReadResult { kRead, kMissing, kFailed };

ReadResult ReadWholeFile(const std::string& path, std::string& out, int& error) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        return (errno == ENOENT || errno == ENOTDIR) ? ReadResult::kMissing : ReadResult::kFailed;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        out.reserve(static_cast<size_t>(info.st_size));
    }
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            error = errno;
            ::close(fd);
            out.clear();
            return ReadResult::kFailed;
        }
        if (got == 0) break;
        out.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return ReadResult::kRead;
}

struct Line {
    std::string text;
    std::string_view ending;  // "", "\n" or "\r\n"
};

class Document {
public:
    explicit Document(std::string_view text) {
        LineCursor cursor(text);
        std::string_view line;
        std::string_view ending;
        while (cursor.Next(line, ending)) {
            if (ParseLine(line).kind == LineKind::kHeader) headers_.push_back(lines_.size());
            lines_.push_back({std::string(line), ending});
            if (newline_.empty() && !ending.empty()) newline_ = ending;
        }
        if (newline_.empty()) newline_ = "\n";
    }

    void Set(const ProfileWrite& write) {
        std::string keyLine = write.key + "=" + EncodeValue(write.value);
        size_t header = FindSection(write.section);
        if (header == lines_.size()) {
            EndLastLine();
            headers_.push_back(lines_.size());
            lines_.push_back({"[" + write.section + "]", newline_});
            lines_.push_back({std::move(keyLine), newline_});
            return;
        }
        size_t end = header + 1;
        for (; end < lines_.size(); ++end) {
            ParsedLine parsed = ParseLine(lines_[end].text);
            if (parsed.kind == LineKind::kHeader) break;
            if (parsed.kind == LineKind::kKey && SameName(parsed.name, Trim(write.key))) {
                lines_[end].text = std::string(parsed.name) + "=" + EncodeValue(write.value);
                return;
            }
        }
        // A new key goes after the section's last line, before the blank lines that
        // separate it from the next section.
        size_t at = end;
        while (at > header + 1 && Trim(lines_[at - 1].text).empty()) --at;
        if (lines_[at - 1].ending.empty()) lines_[at - 1].ending = newline_;
        for (size_t& h : headers_) {
            if (h >= at) ++h;
        }
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                      Line{std::move(keyLine), newline_});
    }

    std::string Text() const {
        size_t size = 0;
        for (const Line& line : lines_) size += line.text.size() + line.ending.size();
        std::string text;
        text.reserve(size);
        for (const Line& line : lines_) {
            text += line.text;
            text += line.ending;
        }
        return text;
    }

private:
    size_t FindSection(std::string_view section) const {
        for (size_t i : headers_) {
            if (SameName(ParseLine(lines_[i].text).name, Trim(section))) return i;
        }
        return lines_.size();
    }

    void EndLastLine() {
        if (!lines_.empty() && lines_.back().ending.empty()) lines_.back().ending = newline_;
    }

    std::vector<Line> lines_;
    // Indices of the header lines in file order, so that a write of a large file
    // looks at its headers only to find its section.
    std::vector<size_t> headers_;
    std::string_view newline_;
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

bool ReplaceFile(const std::string& path, const std::string& content) {
    size_t slash = path.rfind('/');
    std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temporary = (slash == std::string::npos ? std::string() : directory) + "." + name +
                            ".tmp." + std::to_string(::getpid());

    mode_t mode = 0666;
    struct stat info {};
    bool existed = ::stat(path.c_str(), &info) == 0;
    if (existed) mode = info.st_mode & 07777;

    auto fail = [&](const char* step, int error, bool created) {
        if (created) ::unlink(temporary.c_str());
        std::fprintf(stderr, "zolvex: cannot write %s (%s %s): %s\n", path.c_str(), step,
                     temporary.c_str(), std::strerror(error));
        return false;
    };

    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) return fail("creating", errno, false);
    if (existed) ::fchmod(fd, mode);
    if (!WriteAll(fd, content) || ::fsync(fd) != 0) {
        int error = errno;
        ::close(fd);
        return fail("writing", error, true);
    }
    if (::close(fd) != 0) return fail("closing", errno, true);
    if (::rename(temporary.c_str(), path.c_str()) != 0) return fail("renaming", errno, true);
    SyncDirectory(directory);
    return true;
}

}  // namespace

ProfileSnapshot::ProfileSnapshot(const std::string& path) {
    int error = 0;
    if (ReadWholeFile(path, text_, error) == ReadResult::kFailed) {
        ReportOnce(path, std::string("cannot read profile file (") + std::strerror(error) +
                             "); using defaults");
    }
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

bool WriteProfileStrings(const std::string& path, const std::vector<ProfileWrite>& writes) {
    std::string text;
    int error = 0;
    if (ReadWholeFile(path, text, error) == ReadResult::kFailed) {
        // Writing now would replace content that could not be read.
        std::fprintf(stderr, "zolvex: cannot write %s: reading it failed: %s\n", path.c_str(),
                     std::strerror(error));
        return false;
    }
    Document document(text);
    text.clear();
    text.shrink_to_fit();
    for (const ProfileWrite& write : writes) document.Set(write);
    return ReplaceFile(path, document.Text());
}

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    return WriteProfileStrings(path, {ProfileWrite{section, key, value}});
}

void RemoveStaleProfileTemporaries(const std::string& directory) {
    namespace fs = std::filesystem;
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        std::string file = it->path().filename().string();
        for (const char* name : kProfileNames) {
            std::string prefix = std::string(".") + name + ".tmp.";
            if (file.size() <= prefix.size() || file.compare(0, prefix.size(), prefix) != 0) {
                continue;
            }
            bool digits = file.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
            std::error_code typeError;
            if (!digits || !it->is_regular_file(typeError)) continue;
            std::error_code removeError;
            if (!fs::remove(it->path(), removeError)) {
                std::fprintf(stderr, "zolvex: cannot remove leftover %s: %s\n", it->path().c_str(),
                             removeError.message().c_str());
            }
        }
    }
}

}  // namespace zolvex
