// A screen of the program. Exactly one scene is current; it receives every
// window message and timer tick. Scenes switch by ending themselves and
// starting the next one from inside their own handlers.
#pragma once

#include <cstdint>

#include "core/StartMode.h"
#include "platform/Platform.h"

namespace zolvex {

class Surface;

class Scene {
public:
    virtual ~Scene() = default;

    // Makes this scene current and takes the window and the shared surfaces.
    virtual int Start(StartMode startMode);
    // Stops and frees the scene's tune.
    virtual int End();
    // Composes the whole screen in the back buffer; never flips.
    virtual int Draw() = 0;
    // Handles one window message; the base is the handling common to all scenes.
    virtual intptr_t OnMessage(const Message& message);
    // Handles one tick of timer `timerId`.
    virtual int OnTimer(int timerId, uint32_t time) = 0;
    // Starts timer `timerId`, or restarts it with the new period.
    int SetSceneTimer(int timerId, uint32_t milliseconds);

    // What losing the foreground does to this scene beyond stopping the music.
    virtual void OnLostForeground() {}
    // The scene's name as the simulator reports it.
    virtual const char* Name() const = 0;

    int level = 0;
    uint32_t music = 0;
    int window = 0;
    StartMode mode = StartMode::Create;
    Surface* primary = nullptr;
    Surface* background = nullptr;
    Surface* title = nullptr;
};

// Routes a window message to the current scene.
intptr_t SceneWindowProc(const Message& message);
// Routes a timer tick to the current scene.
void SceneTimerProc(const Message& message);
// What the window system does with a message no scene answered: the close
// command destroys the window.
intptr_t DefWindowProc(const Message& message);
void PostQuitMessage(int exitCode);
void DestroyWindow();
void KillTimer(int timerId);

}  // namespace zolvex
