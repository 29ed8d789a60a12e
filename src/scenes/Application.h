// The application record of one run (its folders, the current scene) and the
// main window.
#pragma once

#include <string>

#include "platform/Platform.h"

namespace zolvex {

class Scene;

struct Application {
    std::string settingsPath;       // the settings file "zolvex.ini"
    std::string exeDirectory;       // folder of the running program, no trailing separator
    std::string dataDirectory;      // folder of the ranking file
    bool installed = false;         // the program's folder is an installed, shared one
    Scene* currentScene = nullptr;  // receives every message and timer tick
    int active = 0;                 // set once the display is up; activation is ignored before

    // Fills the paths from the program's folder on `platform`.
    int InitPaths(Platform& platform);
    // Called during teardown; nothing is left to release here.
    int Shutdown() { return 1; }
};

struct MainWindow {
    int window = 0;  // 1 while the window exists

    // Creates the window on `platform`, routing its messages to `proc`; Show shows it.
    int Create(Platform& platform, const std::string& className, const std::string& windowName,
               WindowProc proc, const WindowOptions& options);
    void Show(Platform& platform) const;
};

// The build banner of the farewell screen (34 characters).
const char* BuildBanner();

}  // namespace zolvex
