#include "scenes/Scene.h"

#include "core/Paths.h"
#include "display/Display.h"
#include "display/Font.h"
#include "scenes/Application.h"
#include "scenes/Music.h"

namespace zolvex {

void Scene::RestoreCurrentScene() {
    Display& display = TheDisplay();
    display.RestoreAll();
    Scene* scene = TheApplication().currentScene;
    scene->Start(StartMode::Restore);
    scene = TheApplication().currentScene;
    scene->Redraw();
    display.Flip();
}

int Scene::Redraw() {
    int drawn = Draw();
    OnDrawn();
    return drawn;
}

int Scene::Start(StartMode startMode) {
    TheApplication().currentScene = this;
    window = context_.mainWindow.window;
    mode = startMode;
    Display& display = TheDisplay();
    background = display.background;
    primary = display.primary;
    title = display.title;
    return 1;
}

int Scene::End() {
    KBGMStop();
    return KBGMFree(music);
}

intptr_t Scene::OnMessage(const Message& message) {
    if (message.message == kMsgActivateApp) {
        if (message.wParam == 0) {
            KBGMStop();
            TheApplication().currentScene->OnLostForeground();
        } else if (message.wParam == 1 && TheApplication().active != 0) {
            RestoreCurrentScene();
        }
        return 1;
    }
    if (message.message == kMsgKeyDown && message.wParam == kVkF5) {
        RestoreCurrentScene();
    }
    return 1;
}

int Scene::SetSceneTimer(int timerId, uint32_t milliseconds) {
    ThePlatform().SetTimer(timerId, milliseconds);
    return timerId == 0 ? 1 : timerId;
}

intptr_t Scene::DefWindowProc(const Message& message) {
    if (message.message == kMsgClose) DestroyWindow();
    return 0;
}

void Scene::PostQuitMessage(int exitCode) {
    ThePlatform().PostQuit(exitCode);
}

void Scene::DestroyWindow() {
    if (!ThePlatform().HasWindow()) return;
    ThePlatform().DestroyMainWindow();
    context_.mainWindow.window = 0;
}

void Scene::KillTimer(int timerId) {
    ThePlatform().KillTimer(timerId);
}

int Scene::KBGMLoadFile(uint32_t* handle, const std::string& path) {
    return zolvex::KBGMLoadFile(ThePlatform(), handle, path);
}
int Scene::KBGMInit(uint32_t handle) {
    return zolvex::KBGMInit(ThePlatform(), handle);
}
int Scene::KBGMPlay(uint32_t handle, int loop) {
    return zolvex::KBGMPlay(ThePlatform(), handle, loop);
}
int Scene::KBGMPause() {
    return zolvex::KBGMPause(ThePlatform());
}
int Scene::KBGMResume(uint32_t handle) {
    return zolvex::KBGMResume(ThePlatform(), handle);
}
int Scene::KBGMStop() {
    return zolvex::KBGMStop(ThePlatform());
}
int Scene::KBGMFree(uint32_t handle) {
    return zolvex::KBGMFree(ThePlatform(), handle);
}

const Font* Scene::GetFont(unsigned index, int flag) const {
    return TheDisplay().Fonts().Get(index, flag);
}

std::string Scene::ExecutableFilePath(const std::string& name) const {
    return JoinPath(TheApplication().exeDirectory, name);
}

std::string Scene::DataFilePath(const std::string& name) const {
    return JoinPath(TheApplication().dataDirectory, name);
}

intptr_t SceneWindowProc(Application& application, const Message& message) {
    return application.currentScene->OnMessage(message);
}

void SceneTimerProc(Application& application, const Message& message) {
    application.currentScene->OnTimer(static_cast<int>(message.wParam), message.time);
}

}  // namespace zolvex
