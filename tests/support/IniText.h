// A plain reading of INI text, written apart from the profile-file code under
// test, with the window system's rules: blanks around names are ignored, names
// match without regard to case, a header needs its closing bracket, ";" starts a
// comment, and of sections or keys of the same name the first one counts.
#pragma once

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zolvex::test {

enum class IniKind { kOther, kHeader, kKey };

inline std::string_view TrimBlanks(std::string_view s) {
    const char* blanks = " \t\r\v\f";
    size_t begin = s.find_first_not_of(blanks);
    if (begin == std::string_view::npos) return std::string_view();
    return s.substr(begin, s.find_last_not_of(blanks) - begin + 1);
}

// True when two section or key names are the same name.
inline bool SameName(std::string_view a, std::string_view b) {
    a = TrimBlanks(a);
    b = TrimBlanks(b);
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Calls visit(line, kind, name) for every line of `text`, split at LF (a CR
// before it stays in `line`); a last line without its LF counts, the empty
// remainder after a final LF does not. `name` is the section or key name.
template <typename Visit>
void ForEachIniLine(std::string_view text, Visit visit) {
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        std::string_view trimmed = TrimBlanks(line);
        if (!trimmed.empty() && trimmed[0] == '[' && trimmed.find(']') != std::string_view::npos) {
            visit(line, IniKind::kHeader, trimmed.substr(1, trimmed.rfind(']') - 1));
        } else if (!trimmed.empty() && trimmed[0] != ';' &&
                   trimmed.find('=') != std::string_view::npos) {
            visit(line, IniKind::kKey, trimmed.substr(0, trimmed.find('=')));
        } else {
            visit(line, IniKind::kOther, std::string_view());
        }
        at = end + 1;
    }
}

// A key of a section.
struct IniKey {
    std::string section;
    std::string key;
};

// The values of `keys` as written (quotes kept, the line end's CR removed),
// each the first of its key in the first section of its name, in the order of
// `keys`; nullopt for a key that is missing.
inline std::vector<std::optional<std::string>> IniValues(std::string_view text,
                                                         const std::vector<IniKey>& keys) {
    std::vector<std::optional<std::string>> values(keys.size());
    std::vector<std::string> sectionsSeen;
    std::string_view section;
    bool wanted = false;
    ForEachIniLine(text, [&](std::string_view line, IniKind kind, std::string_view name) {
        if (kind == IniKind::kHeader) {
            section = name;
            const bool first =
                std::none_of(sectionsSeen.begin(), sectionsSeen.end(),
                             [&](const std::string& s) { return SameName(s, name); });
            if (first) sectionsSeen.emplace_back(name);
            wanted = first && std::any_of(keys.begin(), keys.end(), [&](const IniKey& k) {
                         return SameName(k.section, name);
                     });
        } else if (kind == IniKind::kKey && wanted) {
            for (size_t i = 0; i < keys.size(); ++i) {
                if (!values[i] && SameName(keys[i].section, section) &&
                    SameName(keys[i].key, name)) {
                    std::string_view value = line.substr(line.find('=') + 1);
                    if (!value.empty() && value.back() == '\r') value.remove_suffix(1);
                    values[i] = std::string(value);
                }
            }
        }
    });
    return values;
}

// The value of `key` in `[section]` of `text`, with IniValues' rules.
inline std::optional<std::string> IniValue(std::string_view text, const std::string& section,
                                           const std::string& key) {
    return IniValues(text, {{section, key}}).front();
}

}  // namespace zolvex::test
