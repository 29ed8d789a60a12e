// Shared set-up of the hardening tests: a throw-away folder that is both the
// program's folder and the working directory, holding copies of the generated
// pictures, sounds and tunes that a test may then break; the whole program run
// through the simulator along one fixed route; and a plain reading of INI text
// that is independent of the profile-file code under test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "SimScript.h"
#include "Simulator.h"
#include "app/Program.h"
#include "platform/headless/HeadlessPlatform.h"

namespace zolvex::hardening {

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Reproducible bytes of every value 0..255, line breaks included.
inline std::string Junk(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 23);
    }
    return bytes;
}

// True when `text` has line ends and every one of them is CR LF.
inline bool AllLinesEndInCrlf(std::string_view text) {
    size_t lf = text.find('\n');
    if (lf == std::string_view::npos) return false;
    for (; lf != std::string_view::npos; lf = text.find('\n', lf + 1)) {
        if (lf == 0 || text[lf - 1] != '\r') return false;
    }
    return true;
}

// A fresh folder under /tmp holding what the game loads at run time, copied
// from the working directory the test started in (the build's runtime folder);
// it is the working directory until it is removed.
class WorkFolder {
public:
    WorkFolder() {
        namespace fs = std::filesystem;
        runtime_ = fs::current_path();
        char pattern[] = "/tmp/zolvex-hard-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) return;
        path_ = pattern;
        fs::copy(runtime_ / "bmp", path_ / "bmp", fs::copy_options::recursive);
        fs::copy(runtime_ / "wav", path_ / "wav", fs::copy_options::recursive);
        for (const char* tune : {"open.mid", "game.mid", "rank.mid"}) {
            fs::copy_file(runtime_ / tune, path_ / tune);
        }
        fs::current_path(path_);
    }
    ~WorkFolder() {
        std::error_code ignored;
        std::filesystem::current_path(runtime_, ignored);
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    bool Ready() const { return !path_.empty(); }
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path File(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path runtime_;
    std::filesystem::path path_;
};

// What the player met along the route, and what the run printed.
struct RouteSeen {
    std::string titleScene;  // the scene current after start-up
    int titleLevel = 0;      // the level the title screen opened on
    std::string viewScene;   // after F1
    int viewLevel = 0;
    RankEntry viewEntries[10] = {};
    std::string gameScene;  // after Enter on the title screen
    uint32_t bestScores[3] = {};
    uint32_t tenthScore = 0;
    std::string rankingScene;  // 4.5 s after giving up
    std::string backScene;     // after Enter on that ranking
    bool ended = false;        // after Esc on the title screen and the farewell
    int exitCode = -1;
    std::vector<std::string> music;
    std::vector<std::string> errorBoxes;
    std::string errors;  // everything printed on standard error
};

// Runs the whole program, with `directory` as its folder, through: start-up,
// the title screen, F1 to the level's rankings, Enter back, Enter into a game,
// Esc to give up, 4.5 s to the ranking screen, Enter back to the title screen,
// Esc to the farewell screen and the end of the run.
class Route {
public:
    explicit Route(const std::filesystem::path& directory)
        : sim_(std::make_unique<Simulator>(1'000'000'000, directory.string())) {}

    RouteSeen Run() {
        RouteSeen seen;
        testing::internal::CaptureStderr();
        sim_->Start();
        if (!Ended()) {
            Script("wait 150");
            seen.titleScene = SceneName();
            seen.titleLevel = Program().TheLevelSelect().level;
            Script("key F1\nwait 300");
            seen.viewScene = SceneName();
            seen.viewLevel = Program().TheRanking().level;
            std::copy(std::begin(Program().TheRanking().entries),
                      std::end(Program().TheRanking().entries), std::begin(seen.viewEntries));
            Script("key Enter\nwait 150\nkey Enter\nwait 100");
            seen.gameScene = SceneName();
            const GameModel& model = Program().TheGame().model;
            std::copy(std::begin(model.bestScores), std::end(model.bestScores),
                      std::begin(seen.bestScores));
            seen.tenthScore = model.tenthScore;
            Script("key Esc\nwait 4500");
            seen.rankingScene = SceneName();
            Script("key Enter\nwait 150");
            seen.backScene = SceneName();
            Script("key Esc\nwait 3000");
        }
        seen.errors = testing::internal::GetCapturedStderr();
        seen.ended = Ended();
        seen.exitCode = Program().ExitCode();
        seen.music = sim_->Backend().TakeMusicCalls();
        seen.errorBoxes = sim_->Backend().ErrorBoxes();
        return seen;
    }

    // Starts the program and runs `script` (zolvex-sim lines) with standard
    // error captured; returns what was printed.
    std::string StartAndRun(const std::string& script) {
        testing::internal::CaptureStderr();
        sim_->Start();
        if (!script.empty()) Script(script);
        return testing::internal::GetCapturedStderr();
    }

    // Runs `script` in the started program with standard error captured;
    // returns what was printed.
    std::string RunCaptured(const std::string& script) {
        testing::internal::CaptureStderr();
        Script(script);
        return testing::internal::GetCapturedStderr();
    }

    void Script(const std::string& script) {
        std::vector<SimCommand> commands;
        std::string error;
        ASSERT_TRUE(ParseSimScript(script, &commands, &error)) << error;
        std::ostringstream dumps;
        for (const SimCommand& command : commands) {
            ASSERT_TRUE(sim_->Execute(command, dumps, &error)) << error;
        }
    }

    bool Ended() { return Program().Ended(); }
    std::string SceneName() {
        const Scene* scene = Program().TheApplication().currentScene;
        return scene != nullptr ? scene->Name() : "";
    }
    zolvex::Program& Program() { return sim_->Run(); }
    HeadlessPlatform& Platform() { return sim_->Backend(); }

private:
    std::unique_ptr<Simulator> sim_;
};

// A line of INI text with the window system's reading: blanks around names
// are ignored, names match without regard to case, a header needs its closing
// bracket, ";" starts a comment.
enum class IniKind { kOther, kHeader, kKey };

inline std::string_view TrimBlanks(std::string_view s) {
    const char* blanks = " \t\r\v\f";
    size_t begin = s.find_first_not_of(blanks);
    if (begin == std::string_view::npos) return std::string_view();
    return s.substr(begin, s.find_last_not_of(blanks) - begin + 1);
}

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

// A key the game writes.
struct WrittenKey {
    std::string section;
    std::string key;
};

// The lines a write of `written` could not have touched: every line except
// the headers of the written sections and the first line of each written key
// in the first section of its name (the one a write replaces).
inline std::vector<std::string_view> Untouchable(std::string_view text,
                                                 const std::vector<WrittenKey>& written) {
    std::vector<std::string_view> kept;
    std::vector<std::string> sectionsSeen;
    std::vector<bool> replaced(written.size(), false);
    std::string_view section;
    bool firstOfItsName = false;
    bool sectionWritten = false;
    ForEachIniLine(text, [&](std::string_view line, IniKind kind, std::string_view name) {
        if (kind == IniKind::kHeader) {
            section = name;
            firstOfItsName = std::none_of(sectionsSeen.begin(), sectionsSeen.end(),
                                          [&](const std::string& s) { return SameName(s, name); });
            if (firstOfItsName) sectionsSeen.emplace_back(name);
            sectionWritten = std::any_of(written.begin(), written.end(), [&](const WrittenKey& w) {
                return SameName(w.section, name);
            });
            if (sectionWritten) return;
        } else if (kind == IniKind::kKey && firstOfItsName && sectionWritten) {
            for (size_t i = 0; i < written.size(); ++i) {
                if (!replaced[i] && SameName(written[i].section, section) &&
                    SameName(written[i].key, name)) {
                    replaced[i] = true;
                    return;
                }
            }
        }
        kept.push_back(line);
    });
    return kept;
}

// True when `text` has a header of one of the written sections.
inline bool HasWrittenSection(std::string_view text, const std::vector<WrittenKey>& written) {
    bool found = false;
    ForEachIniLine(text, [&](std::string_view, IniKind kind, std::string_view name) {
        if (kind != IniKind::kHeader) return;
        for (const WrittenKey& w : written) found = found || SameName(w.section, name);
    });
    return found;
}

// The values of `keys` as written (quotes kept, the line end's CR removed),
// each the first of its key in the first section of its name, in the order of
// `keys`; nullopt for a key that is missing.
inline std::vector<std::optional<std::string>> FirstValues(std::string_view text,
                                                           const std::vector<WrittenKey>& keys) {
    std::vector<std::optional<std::string>> values(keys.size());
    std::vector<std::string> sectionsSeen;
    std::string_view section;
    bool first = false;
    bool wanted = false;
    ForEachIniLine(text, [&](std::string_view line, IniKind kind, std::string_view name) {
        if (kind == IniKind::kHeader) {
            section = name;
            first = std::none_of(sectionsSeen.begin(), sectionsSeen.end(),
                                 [&](const std::string& s) { return SameName(s, name); });
            if (first) sectionsSeen.emplace_back(name);
            wanted = first && std::any_of(keys.begin(), keys.end(), [&](const WrittenKey& k) {
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

inline std::optional<std::string> FirstValue(std::string_view text, const std::string& section,
                                             const std::string& key) {
    return FirstValues(text, {{section, key}}).front();
}

}  // namespace zolvex::hardening
