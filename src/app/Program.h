// One run of the game on a given platform: the program-wide objects in their
// load order, the one place that names every scene and wires them together,
// start-up, the message loop and teardown.
#pragma once

#include "app/DisplaySettings.h"
#include "app/ProgramKeys.h"
#include "core/Random.h"
#include "display/Display.h"
#include "formats/ReplayFile.h"
#include "platform/Journal.h"
#include "scenes/Application.h"
#include "scenes/SceneContext.h"
#include "scenes/farewell/FarewellScene.h"
#include "scenes/play/GameScene.h"
#include "scenes/ranking/RankingScene.h"
#include "scenes/title/LevelSelectScene.h"

namespace zolvex {

// How this copy of the game was started.
struct ProgramOptions {
    // The program's folder is an installed one (see LocateProgramFolder).
    bool installed = false;
    // How the picture is shown this run, over the settings.
    DisplayOverrides display;
    // A replay to play instead of the title screen; the run ends with it. It must
    // outlive the run.
    const Replay* replay = nullptr;
    PlaybackPace pace = PlaybackPace::RealTime;
};

// What the last replay played came to.
struct PlaybackResult {
    PlaybackOutcome outcome;
    // The result the game handed over; none when it did not end.
    std::optional<GameResult> result;
};

class Program : private SceneSwitcher {
public:
    explicit Program(Platform& platform, const ProgramOptions& options = {});
    ~Program() override;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Start-up up to the first scene. False when the run already ended (the
    // display could not be set up); ExitCode() then holds its status.
    bool StartUp();
    // Dispatches messages until the quit message (true) or, on a platform
    // that can run dry, until none is available (false).
    bool RunMessageLoop();
    // Releases everything start-up acquired and returns the exit code.
    int Teardown();

    // Makes every later draw come from `random` instead of the program's own
    // generator (a replay of recorded draws, for instance); it must outlive the run.
    void UseRandom(RandomGenerator& random) { context_.random = &random; }

    // Plays `replay` from the title screen (or at start-up); the title comes back after
    // it, or the run ends when it was the run's own replay. Nothing is stored meanwhile.
    void PlayReplay(const Replay& replay, PlaybackPace pace);
    const PlaybackResult& LastPlayback() const { return playback_; }
    // The replay of the last game that reached the ranking, as written; none before.
    const std::optional<Replay>& LastRecording() const { return lastRecording_; }
    // Where the recorded games are kept.
    std::string ReplayDirectory() const;

    bool Ended() const { return ended_; }
    int ExitCode() const { return exitCode_; }

    // What every scene of this run reaches (a scene made by a test joins the run through it).
    SceneContext& Context() { return context_; }
    Application& TheApplication() { return application_; }
    Display& TheDisplay() { return display_; }
    ProgramKeys& TheProgramKeys() { return programKeys_; }
    LevelSelectScene& TheLevelSelect() { return levelSelect_; }
    GameScene& TheGame() { return game_; }
    RankingScene& TheRanking() { return ranking_; }
    FarewellScene& TheFarewell() { return farewell_; }

private:
    void HandOverLevel(SceneId id, int level) override;
    void HandOverResult(const GameResult& result) override;
    GameResult LastResult() const override { return lastResult_; }
    void StartScene(SceneId id, StartMode mode) override;
    Scene& SceneFor(SceneId id);

    void Dispatch(const Message& message);
    // The end of a playback: the game stops if it runs, and the title or the end of the
    // run follows.
    void FinishPlayback();
    void ShowPlaybackBadge();

    Platform& platform_;
    // The scenes' road to the platform: every game is recorded here, and played back.
    Journal journal_;
    ProgramOptions options_;
    // The [Display] keys as the settings file holds them now.
    WindowPlacement storedPlacement_;
    RandomGenerator random_;
    Display display_;
    // Before every scene sees a message; draws over the display's frames.
    ProgramKeys programKeys_;
    MainWindow mainWindow_;
    Application application_;
    SceneContext context_;
    GameResult lastResult_;
    // The game being recorded.
    Replay recording_;
    std::optional<Replay> lastRecording_;
    // While a replay plays: the generator's state to come back to, and how it went.
    bool playingReplay_ = false;
    PlaybackPace playbackPace_ = PlaybackPace::RealTime;
    uint32_t randomBeforePlayback_ = 0;
    PlaybackResult playback_;
    // The scenes, in their load order; each may use the context while it is built.
    LevelSelectScene levelSelect_;
    GameScene game_;
    RankingScene ranking_;
    FarewellScene farewell_;
    bool ended_ = false;
    bool fontsCreated_ = false;
    int exitCode_ = 0;
};

// A whole run: start-up, the message loop, teardown. Returns the exit code.
int RunProgram(Platform& platform, const ProgramOptions& options = {});

}  // namespace zolvex
