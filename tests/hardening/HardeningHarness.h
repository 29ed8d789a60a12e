// Shared set-up of the hardening tests: the whole program, in a copy of the
// runtime folder that a test may then break (RuntimeFolderCopy), run through the
// simulator along one fixed route, and what it takes to compare INI text
// byte for byte around the keys the game writes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Files.h"
#include "IniText.h"
#include "ProgramHarness.h"
#include "TempDirectory.h"
#include "app/Program.h"
#include "platform/headless/HeadlessPlatform.h"

namespace zolvex::hardening {

using test::IniKey;
using test::IniKind;
using test::IniValue;
using test::IniValues;
using test::ReadWholeFile;
using test::RuntimeFolderCopy;
using test::SameName;
using test::WriteWholeFile;

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
class Route : public test::ScriptedProgram {
public:
    explicit Route(const std::filesystem::path& directory) : ScriptedProgram(directory) {}

    RouteSeen Run() {
        RouteSeen seen;
        testing::internal::CaptureStderr();
        Start();
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
        seen.music = Platform().TakeMusicCalls();
        seen.errorBoxes = Platform().ErrorBoxes();
        return seen;
    }
};

// The lines a write of `written` could not have touched: every line except
// the headers of the written sections and the first line of each written key
// in the first section of its name (the one a write replaces).
inline std::vector<std::string_view> Untouchable(std::string_view text,
                                                 const std::vector<IniKey>& written) {
    std::vector<std::string_view> kept;
    std::vector<std::string> sectionsSeen;
    std::vector<bool> replaced(written.size(), false);
    std::string_view section;
    bool firstOfItsName = false;
    bool sectionWritten = false;
    test::ForEachIniLine(text, [&](std::string_view line, IniKind kind, std::string_view name) {
        if (kind == IniKind::kHeader) {
            section = name;
            firstOfItsName = std::none_of(sectionsSeen.begin(), sectionsSeen.end(),
                                          [&](const std::string& s) { return SameName(s, name); });
            if (firstOfItsName) sectionsSeen.emplace_back(name);
            sectionWritten = std::any_of(written.begin(), written.end(), [&](const IniKey& w) {
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
inline bool HasWrittenSection(std::string_view text, const std::vector<IniKey>& written) {
    bool found = false;
    test::ForEachIniLine(text, [&](std::string_view, IniKind kind, std::string_view name) {
        if (kind != IniKind::kHeader) return;
        for (const IniKey& w : written) found = found || SameName(w.section, name);
    });
    return found;
}

// Ten megabytes of INI text whose `[section]` with `lines` comes only at the end, so
// a reader that stops early misses it.
inline std::string TenMegabytesEndingWith(const std::string& section, const std::string& lines) {
    std::string text = "[Other]\r\n";
    text.reserve(10'500'000);
    for (int i = 0; text.size() < 10'000'000; ++i) {
        text += "Key" + std::to_string(i) + "=value of a line nobody reads\r\n";
    }
    return text + "[" + section + "]\r\n" + lines;
}

// Runs the route with the file `name` of the work folder holding `content`, which the
// game must refuse: the run goes on to its end, says so naming the file, and leaves
// every byte of it alone.
inline RouteSeen RunWithRefusedFile(const RuntimeFolderCopy& work, const std::string& name,
                                    const std::string& content) {
    WriteWholeFile(work.File(name), content);
    RouteSeen seen = Route(work.Path()).Run();
    EXPECT_TRUE(seen.ended);
    EXPECT_EQ(seen.exitCode, 0);
    EXPECT_NE(seen.errors.find(name), std::string::npos) << seen.errors;
    EXPECT_TRUE(ReadWholeFile(work.File(name)) == content) << name << " was changed";
    return seen;
}

}  // namespace zolvex::hardening
