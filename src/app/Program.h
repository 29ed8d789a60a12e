// One run of the game on a given platform: the program-wide objects in their
// load order, the one place that names every scene and wires them together,
// start-up, the message loop and teardown.
#pragma once

#include "app/DisplaySettings.h"
#include "app/ProgramKeys.h"
#include "core/Random.h"
#include "display/Display.h"
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

    Platform& platform_;
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
