// Measures the game side by side with a peer game and the floor program in one private X
// server: each subject in turn, in each phase (the title screen, then play), over a fixed
// window, for several rounds. For each it samples the processor time of the subject's
// threads and of the X server, the peak resident memory, and for the game the time from
// exec to its first frame and the regularity of the fall tick. A second X server with a
// window manager repeats the set in full screen. Prints a Markdown table and writes JSON.
//   zolvex_peers --game-dir BUILD [--floor PATH] [--peer PATH] [--seconds S] [--rounds N]
//                [--work DIR] [--json FILE] [--no-fullscreen] [--fullscreen-size WxH]
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "ProcessStats.h"
#include "TickLog.h"
#include "XServer.h"

namespace zolvex::bench {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

struct Options {
    std::string gameDir;
    std::string floorPath;
    std::string peerPath = "/usr/games/gemdropx";
    std::string workDir;
    std::string jsonPath;
    double seconds = 20;
    int rounds = 3;
    bool fullscreen = true;
    int fullWidth = 1920, fullHeight = 1080;
};

// How long a subject shows its first screen before the sample starts, and how the
// keys that lead into play are spaced.
constexpr double kSettleMs = 2000;
constexpr double kKeyGapMs = 500;
constexpr double kAfterKeysMs = 1000;
// During play one key every two seconds, the first a second into the window.
constexpr double kPlayKeyFirstMs = 1000;
constexpr double kPlayKeyEveryMs = 2000;

struct Phase {
    std::string name;
    double nominalMs = 0;                // the interval the subject's ticks are due at
    std::vector<std::string> enterKeys;  // pressed before the window to reach the phase
    std::vector<std::string> playKeys;   // pressed in turn during the window
};

struct Subject {
    std::string id;
    std::string label;
    std::string kind;  // "game", "peer" or "floor"
    std::string folder;
    std::vector<std::string> argv;
    std::string settings;  // zolvex.ini, written afresh before every start
    std::string tickLog;   // file name in the folder, or empty
    std::vector<Phase> phases;
};

struct Screen {
    std::string id;
    std::string label;
    XServer server;
    std::vector<Subject> subjects;
};

struct PhaseRound {
    CpuShare subject;
    CpuShare xserver;
    std::optional<TickStats> ticks;
};

struct SessionRound {
    std::map<std::string, PhaseRound> phases;
    double loadAverage = 0;  // of the last minute, as the session started
    std::optional<double> firstFrameMs;
    std::optional<double> peakRssKiB;
    std::string error;
};

bool ParseSize(const std::string& text, int& w, int& h) {
    return std::sscanf(text.c_str(), "%dx%d", &w, &h) == 2 && w > 0 && h > 0;
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--game-dir" && hasValue) {
            o.gameDir = argv[++i];
        } else if (arg == "--floor" && hasValue) {
            o.floorPath = argv[++i];
        } else if (arg == "--peer" && hasValue) {
            o.peerPath = argv[++i];
        } else if (arg == "--work" && hasValue) {
            o.workDir = argv[++i];
        } else if (arg == "--json" && hasValue) {
            o.jsonPath = argv[++i];
        } else if (arg == "--seconds" && hasValue) {
            o.seconds = std::atof(argv[++i]);
            if (o.seconds < 1) return false;
        } else if (arg == "--rounds" && hasValue) {
            o.rounds = std::atoi(argv[++i]);
            if (o.rounds < 1) return false;
        } else if (arg == "--no-fullscreen") {
            o.fullscreen = false;
        } else if (arg == "--fullscreen-size" && hasValue) {
            if (!ParseSize(argv[++i], o.fullWidth, o.fullHeight)) return false;
        } else {
            return false;
        }
    }
    return !o.gameDir.empty();
}

bool IsExecutable(const std::string& path) {
    return access(path.c_str(), X_OK) == 0;
}

// A private copy of the measuring build of the game with its pictures, sounds and tunes,
// so that its settings and tables are its own.
bool PrepareGameCopy(const std::string& gameDir, const std::string& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    const auto options = fs::copy_options::recursive | fs::copy_options::overwrite_existing;
    const std::string game = (fs::path(folder) / "zolvex").string();
    fs::copy(fs::path(gameDir) / "zolvex-measure", game, options, error);
    if (error) {
        std::fprintf(stderr, "zolvex_peers: cannot copy %s/zolvex-measure: %s\n", gameDir.c_str(),
                     error.message().c_str());
        return false;
    }
    // Without its debug information, as a package ships it: the build keeps it for
    // profiles, and the disk would read those megabytes at every start that the disk
    // cache has not kept, ahead of the first frame.
    if (!RunTool({"objcopy", "--strip-debug", game}, {})) {
        std::fprintf(stderr, "zolvex_peers: cannot strip the debug information of %s\n",
                     game.c_str());
    }
    for (const char* dir : {"bmp", "wav"}) {
        fs::copy(fs::path(gameDir) / dir, fs::path(folder) / dir, options, error);
        if (error) {
            std::fprintf(stderr, "zolvex_peers: cannot copy %s/%s\n", gameDir.c_str(), dir);
            return false;
        }
    }
    for (const auto& entry : fs::directory_iterator(gameDir, error)) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".mid" || ext == ".wav" || ext == ".ogg") {
            fs::copy(entry.path(), fs::path(folder) / entry.path().filename(), options, error);
        }
    }
    return true;
}

std::vector<Subject> PlanSubjects(const Options& o, const std::string& screenId, bool fullscreen,
                                  Json& notes) {
    std::vector<Subject> subjects;
    const std::string base = o.workDir + "/" + screenId + "/";
    const std::vector<std::string> gameKeys = {"Left", "Right", "space"};
    const std::string display =
        fullscreen ? "[Display]\nWindowed=0\nScaling=sharp\n" : "[Display]\nWindowed=1\nScale=1\n";
    for (bool music : {true, false}) {
        Subject s;
        s.id = music ? "zolvex-music-on" : "zolvex-music-off";
        s.label = music ? "zolvex, music on" : "zolvex, music off";
        s.kind = "game";
        s.folder = base + s.id;
        s.argv = {"./zolvex"};
        s.settings = display + "[BGM]\nBGM=" + (music ? "1" : "0") + "\n";
        s.tickLog = "ticks.log";
        s.phases = {{"title", 150, {}, {}}, {"play", 43, {"Return", "Return"}, gameKeys}};
        if (PrepareGameCopy(o.gameDir, s.folder)) subjects.push_back(s);
    }
    if (IsExecutable(o.peerPath)) {
        // The peer starts a game from its title with Return; during play the arrows move
        // and Down and Up grab and throw (Space would pause it).
        for (bool music : {true, false}) {
            if (fullscreen && !music) continue;
            Subject s;
            s.id = music ? "gemdropx" : "gemdropx-music-off";
            s.label = music ? "gemdropx" : "gemdropx, music off";
            s.kind = "peer";
            s.folder = base + s.id;
            s.argv = {o.peerPath};
            if (!music) s.argv.push_back("--nomusic");
            s.phases = {{"title", 0, {}, {}},
                        {"play", 0, {"Return"}, {"Left", "Right", "Down", "Up"}}};
            subjects.push_back(s);
        }
        if (fullscreen) {
            notes.push_back("gemdropx has no full-screen mode: it runs in its window on the " +
                            screenId + " screen.");
        }
    } else {
        notes.push_back("gemdropx (" + o.peerPath + ") is not installed: the peer was skipped.");
    }
    for (int interval : {150, 43}) {
        for (bool rect : {false, true}) {
            Subject s;
            s.id = "floor-" + std::to_string(interval) + (rect ? "-rect" : "-full");
            s.label = "floor, " + std::to_string(interval) + " ms, " +
                      (rect ? "120 x 40 area" : "whole frame");
            s.kind = "floor";
            s.folder = base + s.id;
            s.argv = {o.floorPath, "--interval", std::to_string(interval), "--tick-log",
                      "ticks.log"};
            if (rect) s.argv.push_back("--rect");
            if (fullscreen) s.argv.push_back("--fullscreen");
            s.tickLog = "ticks.log";
            if (interval == 150) {
                s.phases = {{"title", 150, {}, {}}};
            } else {
                s.phases = {{"play", 43, {}, gameKeys}};
            }
            subjects.push_back(s);
        }
    }
    for (Subject& s : subjects) fs::create_directories(s.folder + "/home");
    return subjects;
}

double LoadAverage() {
    double load = 0;
    std::ifstream("/proc/loadavg") >> load;
    return load;
}

// One start of a subject: it shows its first screen, then each phase is sampled in turn.
// With `shots`, what the screen shows at the end of each phase is saved beside it.
SessionRound RunSession(const Screen& screen, const Subject& s, double seconds, bool shots) {
    SessionRound round;
    round.loadAverage = LoadAverage();
    if (!s.settings.empty()) std::ofstream(s.folder + "/zolvex.ini") << s.settings;
    const std::string tickPath = s.tickLog.empty() ? "" : s.folder + "/" + s.tickLog;
    if (!tickPath.empty()) fs::remove(tickPath);
    const std::string home = s.folder + "/home";
    Environment env = {{"DISPLAY", screen.server.Display()},  {"SDL_VIDEODRIVER", "x11"},
                       {"SDL_AUDIODRIVER", "dummy"},          {"HOME", home},
                       {"XDG_CONFIG_HOME", home + "/config"}, {"XDG_DATA_HOME", home + "/data"}};
    if (s.kind == "game" && !tickPath.empty()) env.emplace_back("ZOLVEX_TICK_LOG", tickPath);
    ChildProcess child;
    if (!child.Start(s.argv, s.folder, env, s.folder + "/output.txt")) {
        round.error = "did not start";
        return round;
    }
    // A subject that logs its ticks is waited for by watching the log, so that no
    // window search runs (and takes the processor and the X server) while it starts.
    if (!tickPath.empty()) {
        const double until = MonotonicRawMs() + 15000;
        std::error_code none;
        while (MonotonicRawMs() < until && child.Running() &&
               !(fs::exists(tickPath, none) && fs::file_size(tickPath, none) > 0)) {
            SleepUntilMs(MonotonicRawMs() + 20);
        }
    }
    const std::optional<std::string> window = screen.server.WaitForWindow(child.Pid(), 15000);
    if (!window) {
        round.error = "showed no window";
        return round;
    }
    const double shownMs = MonotonicRawMs();
    screen.server.Focus(*window);
    SleepUntilMs(shownMs + kSettleMs);
    std::map<std::string, std::pair<double, double>> windows;
    for (const Phase& phase : s.phases) {
        for (const std::string& key : phase.enterKeys) {
            screen.server.PressKey(key);
            SleepUntilMs(MonotonicRawMs() + kKeyGapMs);
        }
        if (!phase.enterKeys.empty()) SleepUntilMs(MonotonicRawMs() + kAfterKeysMs);
        const std::optional<CpuReading> a = ReadCpu(child.Pid());
        const std::optional<CpuReading> xa = ReadCpu(screen.server.Pid());
        if (!a || !xa) {
            round.error = "ended before the " + phase.name + " window";
            return round;
        }
        const double endMs = a->atMs + seconds * 1000;
        for (size_t k = 0; !phase.playKeys.empty(); ++k) {
            const double at = a->atMs + kPlayKeyFirstMs + kPlayKeyEveryMs * k;
            if (at >= endMs) break;
            SleepUntilMs(at);
            screen.server.PressKey(phase.playKeys[k % phase.playKeys.size()]);
        }
        SleepUntilMs(endMs);
        const std::optional<CpuReading> b = ReadCpu(child.Pid());
        const std::optional<CpuReading> xb = ReadCpu(screen.server.Pid());
        if (!b || !xb || !child.Running()) {
            round.error = "ended during the " + phase.name + " window";
            return round;
        }
        PhaseRound& r = round.phases[phase.name];
        r.subject = ShareBetween(*a, *b);
        r.xserver = ShareBetween(*xa, *xb);
        windows[phase.name] = {a->atMs, b->atMs};
        if (shots) screen.server.SaveScreen(s.folder + "/" + phase.name + ".png");
    }
    if (std::optional<uint64_t> peak = PeakRssKiB(child.Pid())) {
        round.peakRssKiB = static_cast<double>(*peak);
    }
    const double execMs = child.ExecMs();
    child.Stop();
    if (tickPath.empty()) return round;
    const std::vector<double> ticks = ReadTickLog(tickPath);
    if (s.kind == "game" && !ticks.empty()) round.firstFrameMs = ticks.front() - execMs;
    for (const Phase& phase : s.phases) {
        if (phase.nominalMs <= 0) continue;
        const auto [from, to] = windows[phase.name];
        round.phases[phase.name].ticks = MeasureTicks(ticks, from, to, phase.nominalMs);
    }
    return round;
}

Json SpreadJson(const std::vector<double>& values) {
    const std::optional<Spread> s = SpreadOf(values);
    if (!s) return nullptr;
    return Json{{"median", s->median}, {"min", s->min}, {"max", s->max}, {"count", s->count}};
}

Json TicksJson(const TickStats& t) {
    return Json{{"intervals", t.intervals},
                {"meanMs", t.meanMs},
                {"largestMs", t.largestMs},
                {"p99Ms", t.p99Ms},
                {"steadyIntervals", t.steadyIntervals},
                {"steadyP99Ms", t.steadyP99Ms}};
}

Json SubjectJson(const Screen& screen, const Subject& s, const std::vector<SessionRound>& rounds) {
    Json j = {{"screen", screen.id}, {"id", s.id}, {"label", s.label}, {"kind", s.kind}};
    Json phases = Json::object();
    for (const Phase& phase : s.phases) {
        std::vector<double> process, coarse, xserver, sum, p99, steadyP99;
        Json perRound = Json::array();
        for (const SessionRound& r : rounds) {
            auto it = r.phases.find(phase.name);
            if (it == r.phases.end()) continue;
            const PhaseRound& p = it->second;
            process.push_back(p.subject.threads);
            coarse.push_back(p.subject.process);
            xserver.push_back(p.xserver.threads);
            sum.push_back(p.subject.threads + p.xserver.threads);
            Json one = {{"process", p.subject.threads},
                        {"processCoarse", p.subject.process},
                        {"xserver", p.xserver.threads},
                        {"sum", p.subject.threads + p.xserver.threads}};
            if (p.ticks) {
                p99.push_back(p.ticks->p99Ms);
                steadyP99.push_back(p.ticks->steadyP99Ms);
                one["ticks"] = TicksJson(*p.ticks);
            }
            perRound.push_back(one);
        }
        Json pj = {{"nominalMs", phase.nominalMs},
                   {"process", SpreadJson(process)},
                   {"xserver", SpreadJson(xserver)},
                   {"sum", SpreadJson(sum)},
                   {"processCoarse", SpreadJson(coarse)}};
        if (!p99.empty()) {
            pj["tickP99Ms"] = SpreadJson(p99);
            pj["tickSteadyP99Ms"] = SpreadJson(steadyP99);
        }
        pj["rounds"] = perRound;
        phases[phase.name] = pj;
    }
    j["phases"] = phases;
    std::vector<double> rss, first;
    Json perRound = Json::array();
    for (const SessionRound& r : rounds) {
        Json one = Json::object();
        if (r.peakRssKiB) {
            rss.push_back(*r.peakRssKiB);
            one["peakRssKiB"] = *r.peakRssKiB;
        }
        if (r.firstFrameMs) {
            first.push_back(*r.firstFrameMs);
            one["firstFrameMs"] = *r.firstFrameMs;
        }
        one["loadAverage"] = r.loadAverage;
        if (!r.error.empty()) one["error"] = r.error;
        perRound.push_back(one);
    }
    j["peakRssKiB"] = SpreadJson(rss);
    if (!first.empty()) j["firstFrameMs"] = SpreadJson(first);
    j["rounds"] = perRound;
    return j;
}

std::string Cell(const Json& spread, const char* format, double scale = 1) {
    if (spread.is_null()) return "–";
    char median[32], low[32], high[32];
    std::snprintf(median, sizeof median, format, spread["median"].get<double>() * scale);
    std::snprintf(low, sizeof low, format, spread["min"].get<double>() * scale);
    std::snprintf(high, sizeof high, format, spread["max"].get<double>() * scale);
    return std::string(median) + " (" + low + "–" + high + ")";
}

void PrintTable(const Json& report) {
    std::printf(
        "| Screen | Subject | Phase | Process %% | X server %% | Sum %% | Peak RSS MiB | "
        "First frame ms | Tick p99 ms |\n|---|---|---|---|---|---|---|---|---|\n");
    for (const Json& s : report["subjects"]) {
        for (const auto& [phase, p] : s["phases"].items()) {
            // The title's own timer is not held to a regular pace; the floor's ticks show
            // what the machine allows at the time.
            const bool paced = phase == "play" || s["kind"] == "floor";
            const std::string ticks = paced && p.contains("tickSteadyP99Ms")
                                          ? Cell(p["tickSteadyP99Ms"], "%.2f")
                                          : std::string("–");
            const std::string first = phase == "title" && s.contains("firstFrameMs")
                                          ? Cell(s["firstFrameMs"], "%.0f")
                                          : std::string("–");
            std::printf(
                "| %s | %s | %s | %s | %s | %s | %s | %s | %s |\n",
                s["screen"].get<std::string>().c_str(), s["label"].get<std::string>().c_str(),
                phase.c_str(), Cell(p["process"], "%.2f").c_str(),
                Cell(p["xserver"], "%.2f").c_str(), Cell(p["sum"], "%.2f").c_str(),
                Cell(s["peakRssKiB"], "%.1f", 1.0 / 1024).c_str(), first.c_str(), ticks.c_str());
        }
    }
}

std::string ThisProgramFolder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? "." : self.parent_path().string();
}

int Run(Options o) {
    if (o.floorPath.empty()) o.floorPath = ThisProgramFolder() + "/zolvex_floor";
    if (!IsExecutable(o.floorPath)) {
        std::fprintf(stderr, "zolvex_peers: no floor program at %s\n", o.floorPath.c_str());
        return 1;
    }
    if (!IsExecutable(o.gameDir + "/zolvex-measure")) {
        std::fprintf(stderr, "zolvex_peers: no zolvex-measure in %s\n", o.gameDir.c_str());
        return 1;
    }
    o.gameDir = fs::absolute(o.gameDir).string();
    o.floorPath = fs::absolute(o.floorPath).string();
    if (o.workDir.empty()) {
        char pattern[] = "/tmp/zolvex-peers.XXXXXX";
        if (mkdtemp(pattern) == nullptr) return 1;
        o.workDir = pattern;
    }
    o.workDir = fs::absolute(o.workDir).string();
    fs::create_directories(o.workDir);
    unsetenv("WAYLAND_DISPLAY");

    Json notes = Json::array();
    std::vector<Screen> screens(o.fullscreen ? 2 : 1);
    screens[0].id = "window";
    screens[0].label = "640 x 480 window on a 1024 x 768 screen, no window manager";
    if (!screens[0].server.Start(1024, 768, false, o.workDir)) return 1;
    screens[0].subjects = PlanSubjects(o, "window", false, notes);
    if (o.fullscreen) {
        screens[1].id = "fullscreen";
        screens[1].label = "full screen " + std::to_string(o.fullWidth) + " x " +
                           std::to_string(o.fullHeight) + ", sharp scaling, openbox";
        if (!screens[1].server.Start(o.fullWidth, o.fullHeight, true, o.workDir)) return 1;
        screens[1].subjects = PlanSubjects(o, "fullscreen", true, notes);
    }

    // Rounds go over every subject in turn, so that whatever else the machine does at a
    // given moment falls on all of them alike.
    std::map<std::string, std::vector<SessionRound>> results;
    for (int round = 1; round <= o.rounds; ++round) {
        for (const Screen& screen : screens) {
            for (const Subject& s : screen.subjects) {
                std::fprintf(stderr, "zolvex_peers: round %d/%d, %s, %s\n", round, o.rounds,
                             screen.id.c_str(), s.label.c_str());
                SessionRound r = RunSession(screen, s, o.seconds, round == 1);
                if (!r.error.empty()) {
                    std::fprintf(stderr, "zolvex_peers:   %s %s (see %s/output.txt)\n",
                                 s.label.c_str(), r.error.c_str(), s.folder.c_str());
                }
                results[screen.id + "/" + s.id].push_back(r);
                SleepUntilMs(MonotonicRawMs() + 500);
            }
        }
    }
    for (Screen& screen : screens) screen.server.Stop();

    Json report = {{"seconds", o.seconds}, {"rounds", o.rounds}, {"notes", notes}};
    Json screenList = Json::array();
    for (const Screen& screen : screens) {
        screenList.push_back({{"id", screen.id},
                              {"label", screen.label},
                              {"width", screen.server.Width()},
                              {"height", screen.server.Height()},
                              {"windowManager", screen.server.HasWindowManager()}});
    }
    report["screens"] = screenList;
    Json subjects = Json::array();
    for (const Screen& screen : screens) {
        for (const Subject& s : screen.subjects) {
            subjects.push_back(SubjectJson(screen, s, results[screen.id + "/" + s.id]));
        }
    }
    report["subjects"] = subjects;
    if (!o.jsonPath.empty()) {
        std::ofstream out(o.jsonPath);
        out << report.dump(2) << "\n";
        if (!out) {
            std::fprintf(stderr, "zolvex_peers: cannot write %s\n", o.jsonPath.c_str());
            return 1;
        }
    }
    PrintTable(report);
    return 0;
}

}  // namespace
}  // namespace zolvex::bench

int main(int argc, char** argv) {
    zolvex::bench::Options options;
    if (!zolvex::bench::ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: zolvex_peers --game-dir BUILD [--floor PATH] [--peer PATH] "
                     "[--seconds S] [--rounds N]\n"
                     "                    [--work DIR] [--json FILE] [--no-fullscreen] "
                     "[--fullscreen-size WxH]\n");
        return 2;
    }
    return zolvex::bench::Run(options);
}
