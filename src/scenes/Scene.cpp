#include "scenes/Scene.h"

#include "scenes/Application.h"
#include "display/Display.h"
#include "scenes/Music.h"

namespace zolvex {

namespace {

// The full restore: the display's surfaces, then the current scene started
// again, drawn and shown.
void RestoreCurrentScene() {
    Display& display = GetDisplay();
    display.RestoreAll();
    Scene* scene = GetApplication().currentScene;
    scene->Start(StartMode::Restore);
    scene = GetApplication().currentScene;
    scene->Draw();
    display.Flip();
}

}  // namespace

int Scene::Start(StartMode startMode) {
    GetApplication().currentScene = this;
    window = GetMainWindow().window;
    mode = startMode;
    Display& display = GetDisplay();
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
            GetApplication().currentScene->OnLostForeground();
        } else if (message.wParam == 1 && GetApplication().active != 0) {
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
    GetPlatform().SetTimer(timerId, milliseconds);
    return timerId == 0 ? 1 : timerId;
}

intptr_t SceneWindowProc(const Message& message) {
    return GetApplication().currentScene->OnMessage(message);
}

void SceneTimerProc(const Message& message) {
    GetApplication().currentScene->OnTimer(static_cast<int>(message.wParam), message.time);
}

intptr_t DefWindowProc(const Message& message) {
    if (message.message == kMsgClose) DestroyWindow();
    return 0;
}

void PostQuitMessage(int exitCode) { GetPlatform().PostQuit(exitCode); }

void DestroyWindow() {
    if (!GetPlatform().HasWindow()) return;
    GetPlatform().DestroyMainWindow();
    GetMainWindow().window = 0;
}

void KillTimer(int timerId) { GetPlatform().KillTimer(timerId); }

}  // namespace zolvex
