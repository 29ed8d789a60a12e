#include "app/Program.h"

#include <cstdio>
#include <string>

#include "scenes/Music.h"
#include "formats/ProfileFile.h"

namespace zolvex {

Program::Binding::Binding(Program& program) {
    SetPlatform(&program.platform_);
    program.context_.application = &program.application_;
    program.context_.mainWindow = &program.mainWindow_;
    program.context_.random = &program.random_;
    program.context_.scenes = SceneSet{&program.levelSelect_, &program.game_, &program.ranking_,
                                       &program.farewell_};
    SetRunContext(&program.context_);
    SetDisplay(&program.display_);
}

Program::Program(Platform& platform, const ProgramOptions& options)
    : platform_(platform), binding_(*this) {
    application_.installed = options.installed;
}

Program::~Program() {
    if (application_.currentScene != nullptr && !ended_) Teardown();
    SetRunContext(nullptr);
    SetDisplay(nullptr);
    SetPlatform(nullptr);
}

bool Program::StartUp() {
    application_.InitPaths();

    if (!CreateFonts()) {
        std::fputs("zolvex: no usable font was found; texts will not be shown\n", stderr);
    }
    fontsCreated_ = true;

    const std::string& settings = application_.settingsPath;
    int bgm = GetProfileInt(settings, "BGM", "BGM", 1);
    char text[16];
    std::snprintf(text, sizeof text, "%1d", bgm);
    WriteProfileString(settings, "BGM", "BGM", text);
    if (bgm != 0) KBGMOpen(10, -1);

    WindowOptions options;
    options.windowed = GetProfileInt(settings, "Display", "Windowed", 0) != 0;
    options.scale = GetProfileInt(settings, "Display", "Scale", 1);

    application_.currentScene = &levelSelect_;
    mainWindow_.Create("zolvex", "zolvex", SceneWindowProc, options);

    if (!display_.Init(19, 640, 480, 16)) {
        // The display has already said which file or step failed.
        platform_.ShowErrorBox("zolvex", "DirectDraw 初期化エラー");
        display_.Release();
        KBGMClose();
        DeleteFonts();
        fontsCreated_ = false;
        ended_ = true;
        exitCode_ = 1;
        return false;
    }
    platform_.ShowCursor(false);
    application_.active = 1;
    levelSelect_.Start(StartMode::Create);
    return true;
}

void Program::Dispatch(const Message& message) {
    if (message.message == kMsgTimer) {
        SceneTimerProc(message);
    } else {
        SceneWindowProc(message);
    }
}

bool Program::RunMessageLoop() {
    Message message;
    while (!ended_ && platform_.GetNextMessage(message)) {
        if (message.message == kMsgQuit) {
            exitCode_ = static_cast<int>(message.wParam);
            Teardown();
            return true;
        }
        Dispatch(message);
    }
    return ended_;
}

int Program::Teardown() {
    if (ended_) return exitCode_;
    display_.Release();
    application_.Shutdown();
    KBGMClose();
    platform_.ShowCursor(true);
    if (fontsCreated_) DeleteFonts();
    fontsCreated_ = false;
    ended_ = true;
    return exitCode_;
}

int RunProgram(Platform& platform, const ProgramOptions& options) {
    Program program(platform, options);
    if (!program.StartUp()) return program.ExitCode();
    program.RunMessageLoop();
    return program.Teardown();
}

}  // namespace zolvex
