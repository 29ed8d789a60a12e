// The program-wide objects of one run and their accessors: the application
// record, the main window, the four scenes and the random generator.
#pragma once

#include <string>

#include "core/Random.h"
#include "platform/Platform.h"

namespace zolvex {

class Scene;

struct Application {
    std::string settingsPath;   // the settings file "zolvex.ini"
    std::string exeDirectory;   // folder of the running program, no trailing separator
    std::string dataDirectory;  // folder of the ranking file
    bool installed = false;     // the program's folder is an installed, shared one
    Scene* currentScene = nullptr;  // receives every message and timer tick
    int active = 0;  // set once the display is up; activation is ignored before

    // Fills the paths from the running executable.
    int InitPaths();
    // Called during teardown; nothing is left to release here.
    int Shutdown() { return 1; }
};

struct MainWindow {
    int window = 0;  // 1 while the window exists

    // Creates and shows the window, routing its messages to `proc`.
    int Create(const std::string& className, const std::string& windowName, WindowProc proc,
               const WindowOptions& options);
};

// The scenes of the run, in their load order.
struct SceneSet {
    Scene* levelSelect = nullptr;
    Scene* game = nullptr;
    Scene* ranking = nullptr;
    Scene* farewell = nullptr;
};

// Everything the accessors below reach; owned by the running program.
struct RunContext {
    Application* application = nullptr;
    MainWindow* mainWindow = nullptr;
    SceneSet scenes;
    RandomGenerator* random = nullptr;
};

void SetRunContext(RunContext* context);
Application& GetApplication();
MainWindow& GetMainWindow();
SceneSet& GetScenes();
RandomGenerator& GetRandom();

// The build banner of the farewell screen (34 characters).
const char* BuildBanner();

// Files beside the executable (music) and in the data folder (settings, ranking).
std::string ExecutableFilePath(const std::string& name);
std::string DataFilePath(const std::string& name);

}  // namespace zolvex
