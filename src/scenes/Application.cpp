#include "scenes/Application.h"

#include <cstdio>
#include <cstdlib>

#include "core/Paths.h"
#include "formats/ProfileFile.h"
#include "platform/Storage.h"

namespace zolvex {

int Application::InitPaths(Platform& platform) {
    exeDirectory = platform.ExecutableDirectory();
    StorageFolders folders = ChooseStorageFolders({exeDirectory, installed});
    dataDirectory = folders.scores;
    RemoveStaleProfileTemporaries(folders.scores);
    if (folders.settings != folders.scores) RemoveStaleProfileTemporaries(folders.settings);
    settingsPath = JoinPath(folders.settings, "zolvex.ini");
    return 1;
}

int MainWindow::Create(Platform& platform, const std::string& /*className*/,
                       const std::string& windowName, WindowProc proc,
                       const WindowOptions& options) {
    // The handle is set before the window exists, as the messages it sends may
    // already use it.
    window = 1;
    if (!platform.CreateMainWindow(windowName, std::move(proc), options)) {
        window = 0;
        return 0;
    }
    return 1;
}

void MainWindow::Show(Platform& platform) const {
    if (window != 0) platform.ShowMainWindow();
}

const char* BuildBanner() {
    return "zolvex Project Build=2.00.00.01.22";
}

}  // namespace zolvex
