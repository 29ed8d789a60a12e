// One run of the game on a given platform: the program-wide objects in their
// load order, start-up, the message loop and teardown.
#pragma once

#include "scenes/Application.h"
#include "scenes/farewell/FarewellScene.h"
#include "display/Display.h"
#include "scenes/play/GameScene.h"
#include "scenes/title/LevelSelectScene.h"
#include "scenes/ranking/RankingScene.h"

namespace zolvex {

// How this copy of the game was started.
struct ProgramOptions {
    // The program's folder is an installed one (see LocateProgramFolder).
    bool installed = false;
};

class Program {
public:
    explicit Program(Platform& platform, const ProgramOptions& options = {});
    ~Program();
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

    Application& TheApplication() { return application_; }
    Display& TheDisplay() { return display_; }
    LevelSelectScene& TheLevelSelect() { return levelSelect_; }
    GameScene& TheGame() { return game_; }
    RankingScene& TheRanking() { return ranking_; }
    FarewellScene& TheFarewell() { return farewell_; }

private:
    // Makes this run's objects the ones the global accessors reach; comes
    // first so that the scenes may use them while they are constructed.
    struct Binding {
        explicit Binding(Program& program);
    };

    void Dispatch(const Message& message);

    Platform& platform_;
    RunContext context_;
    Binding binding_;
    RandomGenerator random_;
    Display display_;
    MainWindow mainWindow_;
    Application application_;
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
