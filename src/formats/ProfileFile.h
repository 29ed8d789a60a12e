// INI-style profile files ("zolvex.ini", "score.scr") with the window system's
// semantics: "[Section]" headers, "Key=Value" lines, ";" comment lines; section and
// key names match without regard to case; blanks around names and values are
// ignored; a missing file, section or key reads as the default; when a section or
// key appears twice, the first one counts for reads and writes. Paths are native.
//
// A profile file must be a regular file (not a symbolic link, folder, pipe or device)
// of at most kProfileFileLimit bytes. Any other is refused without waiting on it, with
// one line on stderr: it reads as empty and no write replaces it.
//
// Writes hold an advisory lock on ".<name>.lock" beside the file while they read it
// again, change it and replace it through a temporary ".<name>.tmp.XXXXXX", so that
// copies of the game writing at once each keep the other's changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zolvex {

// Leading decimal integer of the value (optional sign, leading zeros allowed; 0 when
// the value does not begin with a number; wraps modulo 2^32 like the window system).
// A missing or empty value gives defaultValue.
int GetProfileInt(const std::string& path, const std::string& section, const std::string& key,
                  int defaultValue);

// The value, or defaultValue when it is missing; copies at most capacity-1 characters
// (capacity >= 1). One pair of double quotes around the value is removed.
std::string GetProfileString(const std::string& path, const std::string& section,
                             const std::string& key, const std::string& defaultValue,
                             size_t capacity);

// Sets the value, creating the file, section or key as needed; keeps all other
// content, comments, order and line endings. The file is replaced atomically.
// A value that begins or ends with a blank, or is wrapped in double quotes, is
// stored inside double quotes so that it reads back unchanged. CR and LF are
// removed from the value. On failure prints one line on stderr and returns false.
bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

// One write of a batch.
struct ProfileWrite {
    std::string section;
    std::string key;
    std::string value;
};

// Applies the writes in order, with WriteProfileString's rules, then replaces the
// file once: either all of them are stored or the old file stays as it was.
bool WriteProfileStrings(const std::string& path, const std::vector<ProfileWrite>& writes);

// The largest profile file that is read or written.
constexpr size_t kProfileFileLimit = size_t{1} << 20;

// A profile file read once, for several lookups with the Get functions' rules.
// A missing, unreadable or refused file reads as empty.
class ProfileSnapshot {
public:
    explicit ProfileSnapshot(const std::string& path);
    // The same lookups on text already read.
    static ProfileSnapshot OfText(std::string text);

    int GetInt(std::string_view section, std::string_view key, int defaultValue) const;
    std::string GetString(std::string_view section, std::string_view key,
                          const std::string& defaultValue, size_t capacity) const;

private:
    ProfileSnapshot() = default;
    void IndexSections();
    // Points into text_ at the stored value (trimmed, quotes kept); false when missing.
    bool Find(std::string_view section, std::string_view key, std::string_view& value) const;

    std::string text_;
    // The lines of the first section of each name, as offsets into text_, by the
    // name in lower case: lookups read only their own section, not the whole file.
    struct Span {
        size_t begin;
        size_t end;
    };
    std::unordered_map<std::string, Span> sections_;
};

// The decimal number at the start of text: optional sign, then digits, modulo 2^32
// (a minus sign gives the two's complement); 0 when text does not begin with one.
uint32_t ParseLeadingDecimal(std::string_view text);

// Under the file's lock, reads the file as it is now, applies the writes that `edit`
// returns for that content, and replaces the file once; with WriteProfileStrings' rules.
bool UpdateProfile(const std::string& path,
                   const std::function<std::vector<ProfileWrite>(const ProfileSnapshot&)>& edit);

// Writes a new file (or replaces one) with `content` as the profile files are written:
// a temporary beside it, synced and renamed over it. False, after one line on standard
// error, when that failed; the old file is then untouched.
bool WriteFileAtomically(const std::string& path, const std::string& content);

// Removes temporaries of "zolvex.ini" and "score.scr" left in `directory` by a
// write that was cut short (a crash between creating and renaming them), and links
// planted under their names, which are removed and never followed. A temporary that
// a running copy may still be writing (its file's lock is held) is left alone.
void RemoveStaleProfileTemporaries(const std::string& directory);

}  // namespace zolvex
