#include "scenes/Application.h"
#include "core/Paths.h"

#include <cstdio>
#include <cstdlib>

#include "formats/ProfileFile.h"
#include "platform/Storage.h"

namespace zolvex {

namespace {
RunContext* gContext = nullptr;

RunContext& Context() {
    if (gContext == nullptr) {
        std::fputs("zolvex: no program is running\n", stderr);
        std::abort();
    }
    return *gContext;
}
}  // namespace

int Application::InitPaths() {
    exeDirectory = GetPlatform().ExecutableDirectory();
    StorageFolders folders = ChooseStorageFolders({exeDirectory, installed});
    dataDirectory = folders.scores;
    RemoveStaleProfileTemporaries(folders.scores);
    if (folders.settings != folders.scores) RemoveStaleProfileTemporaries(folders.settings);
    settingsPath = JoinPath(folders.settings, "zolvex.ini");
    return 1;
}

int MainWindow::Create(const std::string& /*className*/, const std::string& windowName,
                       WindowProc proc, const WindowOptions& options) {
    // The handle is set before the window shows, as the messages sent while it
    // shows may already use it.
    window = 1;
    if (!GetPlatform().CreateMainWindow(windowName, std::move(proc), options)) {
        window = 0;
        return 0;
    }
    return 1;
}

void SetRunContext(RunContext* context) { gContext = context; }
Application& GetApplication() { return *Context().application; }
MainWindow& GetMainWindow() { return *Context().mainWindow; }
SceneSet& GetScenes() { return Context().scenes; }
RandomGenerator& GetRandom() { return *Context().random; }

const char* BuildBanner() { return "zolvex Project Build=2.00.00.01.22"; }

std::string ExecutableFilePath(const std::string& name) {
    return JoinPath(GetApplication().exeDirectory, name);
}

std::string DataFilePath(const std::string& name) {
    return JoinPath(GetApplication().dataDirectory, name);
}

}  // namespace zolvex
