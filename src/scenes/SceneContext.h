// What a scene reaches of the running program, built once by the program and handed
// to every scene: the platform, the display, the application record, the random
// generator, and the switcher that starts the next scene.
#pragma once

#include <cstdint>

#include "core/Random.h"
#include "core/StartMode.h"

namespace zolvex {

class Display;
class Platform;
struct Application;
struct MainWindow;

// The program's screens, as a scene names the one that comes next.
enum class SceneId { LevelSelect, Game, Ranking, Farewell };

// The outcome of a finished game, handed from the play screen to the ranking.
struct GameResult {
    uint32_t score = 0;
    uint32_t bonus = 0;
};

// How a scene hands over to another. A scene ends itself before it starts the next.
class SceneSwitcher {
public:
    virtual ~SceneSwitcher() = default;
    // Sets the level scene `id` works on when it is next started.
    virtual void HandOverLevel(SceneId id, int level) = 0;
    // Keeps the result of the game just finished for the ranking to place.
    virtual void HandOverResult(const GameResult& result) = 0;
    // The result last handed over; zero before the first game ends.
    virtual GameResult LastResult() const = 0;
    // Starts scene `id` in `mode`; it becomes the current scene.
    virtual void StartScene(SceneId id, StartMode mode) = 0;
};

struct SceneContext {
    Platform& platform;
    Display& display;
    Application& application;
    MainWindow& mainWindow;
    SceneSwitcher& switcher;
    // Replaceable for the whole run (a replay of recorded draws); never null.
    RandomGenerator* random;
};

}  // namespace zolvex
