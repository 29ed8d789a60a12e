#include "app/Program.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/KeySettings.h"
#include "app/ReplayStore.h"
#include "core/Tasks.h"
#include "display/Bitmap.h"
#include "formats/ProfileFile.h"
#include "scenes/Music.h"

namespace zolvex {

namespace {

// The game's screen, which the window shows scaled or not.
constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

}  // namespace

Program::Program(Platform& platform, const ProgramOptions& options)
    : platform_(platform),
      journal_(platform),
      options_(options),
      display_(platform),
      programKeys_(platform, display_),
      context_{journal_, display_, application_, mainWindow_, *this, &random_},
      levelSelect_(context_),
      game_(context_),
      ranking_(context_),
      farewell_(context_) {
    application_.installed = options.installed;
}

Program::~Program() {
    platform_.OnDisplayLost(nullptr);
    if (application_.currentScene != nullptr && !ended_) Teardown();
}

bool Program::StartUp() {
    application_.InitPaths(platform_);

    bool fontsFound = false;
    std::shared_future<void> fonts;  // started once the window and the pictures are ready
    // The pictures the title shows first (the display's backdrop and logo, the
    // title's blocks) are read and decoded while the window opens, and the display's
    // surfaces are built from them; the credit line waits for the fonts.
    std::future<void> pictures = RunAside([this] {
        ReadPicturesAhead({"bmp\\mback.bmp", "bmp\\title.bmp", "bmp\\block.bmp"});
        display_.PrepareAhead(kScreenWidth, kScreenHeight);
    });
    auto fontsReady = [&] {
        if (!fonts.valid()) return;
        fonts.get();
        fonts = {};
        if (!fontsFound) {
            std::fputs("zolvex: no usable font was found; texts will not be shown\n", stderr);
        }
        fontsCreated_ = true;
    };

    const std::string& settings = application_.settingsPath;
    int bgm = GetProfileInt(settings, "BGM", "BGM", 1);
    char text[16];
    std::snprintf(text, sizeof text, "%1d", bgm);
    // Written back so that the file names the setting; a file that already holds it
    // as it stands is not rewritten, which spares every start a flush to the disk.
    // A run that only plays a replay writes nothing.
    if (options_.replay == nullptr &&
        GetProfileString(settings, "BGM", "BGM", "", sizeof text) != text) {
        WriteProfileString(settings, "BGM", "BGM", text);
    }
    if (bgm != 0) KBGMOpen(platform_, 10, -1);
    programKeys_.Load(settings, bgm != 0, application_.dataDirectory);

    WindowOptions options = ReadDisplaySettings(settings, options_.display);
    storedPlacement_ = ReadDisplaySettings(settings).placement;
    options.keys = ReadKeySettings(settings);
    // What the player changes about the window is kept for the next run.
    options.placementChanged = [this](const WindowPlacement& placement) {
        if (options_.replay == nullptr &&
            WriteDisplayPlacement(application_.settingsPath, storedPlacement_, placement)) {
            storedPlacement_ = placement;
        }
    };

    application_.currentScene = &levelSelect_;
    // The run cannot go on without its display; what the current screen holds
    // that must not be lost is kept before the process ends.
    platform_.OnDisplayLost([this] {
        if (!ended_ && application_.currentScene != nullptr) {
            application_.currentScene->OnDisplayLost();
        }
    });
    mainWindow_.Create(
        platform_, "zolvex", "zolvex",
        [this](const Message& message) { return SceneWindowProc(application_, message); }, options);
    pictures.get();
    // Finding and opening the fonts takes as long as opening the window, and nothing
    // before the title's clock needs them: they are awaited only once it runs. Started
    // now, they no longer take a processor from the window and the pictures that the
    // clock does wait for (the title's first frame came 5 ms sooner on two cores). The
    // platform says which rasteriser draws them.
    fonts = RunAside([this, &fontsFound] {
                fontsFound = display_.Fonts().Create(platform_.CreateFontRasterizer());
            }).share();

    if (!display_.Init(19, kScreenWidth, kScreenHeight, 16)) {
        fontsReady();
        const std::string failure = display_.FailureReason();
        display_.Release();
        KBGMClose(platform_);
        // Before the box, which draws with a font rasteriser of its own.
        display_.Fonts().Delete();
        fontsCreated_ = false;
        // The display has said on standard error which file or step failed; the
        // box says it again below the game's own text, in the game's window.
        mainWindow_.Show(platform_);
        platform_.ShowErrorBox("zolvex", "DirectDraw 初期化エラー", failure);
        ended_ = true;
        exitCode_ = 1;
        return false;
    }
    platform_.ShowCursor(false);
    auto finishBackground = [&] {
        fontsReady();
        display_.WriteCreditLine();
    };
    if (options_.replay != nullptr) {
        // A replay's game draws from the background, and writes, as it starts.
        finishBackground();
        PlayReplay(*options_.replay, options_.pace);
    } else {
        levelSelect_.Start(StartMode::Create);
    }
    // Shown once the first screen's clock runs: the time a window manager takes to
    // show it passes while the first tick is awaited, not before it. Activation
    // while it shows restores nothing yet.
    mainWindow_.Show(platform_);
    // The title draws nothing before its first tick: the fonts and the credit line
    // are finished in that wait (after a replay's start there is nothing left to do).
    finishBackground();
    application_.active = 1;
    return true;
}

void Program::Dispatch(const Message& message) {
    const bool onTitle = application_.currentScene == &levelSelect_;
    if (programKeys_.Take(message, onTitle)) return;
    if (onTitle && message.message == kMsgKeyDown && message.wParam == 'R' &&
        levelSelect_.notYetDrawn == 0) {
        if (std::optional<std::string> path = BestReplay(ReplayDirectory(), levelSelect_.level)) {
            if (std::optional<Replay> replay = LoadReplay(*path)) {
                PlayReplay(*replay, PlaybackPace::RealTime);
            }
        }
        return;
    }
    // What the game receives is its journal.
    if (application_.currentScene == &game_) journal_.Record(message);
    if (message.message == kMsgTimer) {
        SceneTimerProc(application_, message);
    } else {
        SceneWindowProc(application_, message);
    }
}

bool Program::RunMessageLoop() {
    Message message;
    while (!ended_ && journal_.GetNextMessage(message)) {
        if (message.message == kMsgQuit) {
            exitCode_ = static_cast<int>(message.wParam);
            Teardown();
            return true;
        }
        if (message.message == kMsgPlaybackEnded) {
            FinishPlayback();
            continue;
        }
        if (message.message == kMsgPlaybackChanged) {
            ShowPlaybackBadge();
            continue;
        }
        Dispatch(message);
    }
    return ended_;
}

int Program::Teardown() {
    if (ended_) return exitCode_;
    display_.Release();
    application_.Shutdown();
    KBGMClose(platform_);
    platform_.ShowCursor(true);
    if (fontsCreated_) display_.Fonts().Delete();
    fontsCreated_ = false;
    ended_ = true;
    return exitCode_;
}

void Program::HandOverLevel(SceneId id, int level) {
    SceneFor(id).level = level;
}

void Program::HandOverResult(const GameResult& result) {
    if (playingReplay_) {
        playback_.result = result;
        return;
    }
    lastResult_ = result;
    if (!journal_.Recording()) return;
    recording_.events = journal_.FinishRecording();
    recording_.score = result.score;
    recording_.bonus = result.bonus;
    recording_.total = ReplayTotal(result.score, result.bonus);
    const GameModel& model = game_.model;
    const int64_t tenths =
        ((int64_t{model.hours} * 60 + model.minutes) * 60 + model.seconds) * 10 + model.tenths;
    recording_.playedTenths = static_cast<uint32_t>(std::clamp<int64_t>(tenths, 0, UINT32_MAX));
    StoreReplay(ReplayDirectory(), recording_);
    lastRecording_ = std::move(recording_);
    recording_ = Replay{};
}

void Program::StartScene(SceneId id, StartMode mode) {
    if (playingReplay_ && id == SceneId::Ranking) {
        // A replay ends where its game handed over; the ranking is never shown.
        journal_.GameEnded();
        FinishPlayback();
        return;
    }
    if (id == SceneId::Game && mode == StartMode::Create) {
        // The journal begins before the game draws anything from the generator.
        recording_ = Replay{};
        recording_.level = game_.level;
        recording_.randomState = context_.random->State();
        recording_.date = platform_.CalendarTime();
        journal_.BeginRecording();
    }
    SceneFor(id).Start(mode);
}

std::string Program::ReplayDirectory() const {
    return ReplayFolder(application_.dataDirectory);
}

void Program::PlayReplay(const Replay& replay, PlaybackPace pace) {
    if (application_.currentScene == &levelSelect_) levelSelect_.End();
    playingReplay_ = true;
    playbackPace_ = pace;
    playback_ = PlaybackResult{};
    randomBeforePlayback_ = context_.random->State();
    context_.random->Seed(replay.randomState);
    journal_.BeginPlayback(replay.events, pace);
    ShowPlaybackBadge();
    game_.level = replay.level;
    game_.Start(StartMode::Create);
}

void Program::FinishPlayback() {
    if (!playingReplay_) return;
    playingReplay_ = false;
    journal_.StopPlayback();
    playback_.outcome = journal_.Outcome();
    // A game handed over has ended itself already.
    if (!playback_.result && application_.currentScene == &game_) game_.End();
    context_.random->Seed(randomBeforePlayback_);
    programKeys_.SetBadge("");
    const bool diverged = playback_.outcome.end == PlaybackOutcome::End::Diverged;
    if (diverged && playbackPace_ == PlaybackPace::RealTime) {
        std::fprintf(stderr, "zolvex: the replay parts from its game at message %zu: %s\n",
                     playback_.outcome.message, playback_.outcome.what.c_str());
    }
    if (options_.replay != nullptr) {
        platform_.PostQuit(diverged ? 1 : 0);
    } else {
        levelSelect_.Start(StartMode::Create);
    }
}

void Program::ShowPlaybackBadge() {
    std::string badge = "REPLAY";
    if (journal_.Paused()) {
        badge += " (paused)";
    } else if (journal_.Speed() > 1) {
        badge += " x" + std::to_string(journal_.Speed());
    }
    programKeys_.SetBadge(badge);
}

Scene& Program::SceneFor(SceneId id) {
    switch (id) {
        case SceneId::Game:
            return game_;
        case SceneId::Ranking:
            return ranking_;
        case SceneId::Farewell:
            return farewell_;
        case SceneId::LevelSelect:
            break;
    }
    return levelSelect_;
}

int RunProgram(Platform& platform, const ProgramOptions& options) {
    Program program(platform, options);
    if (!program.StartUp()) return program.ExitCode();
    program.RunMessageLoop();
    return program.Teardown();
}

}  // namespace zolvex
