// A screen of the program. Exactly one scene is current; it receives every
// window message and timer tick. Scenes switch by ending themselves and
// starting the next one through the switcher, from inside their own handlers.
#pragma once

#include <cstdint>
#include <string>

#include "core/StartMode.h"
#include "display/Font.h"
#include "platform/Platform.h"
#include "scenes/SceneContext.h"

namespace zolvex {

class Surface;

class Scene {
public:
    explicit Scene(SceneContext& context) : context_(context) {}
    virtual ~Scene() = default;
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Makes this scene current and takes the window and the shared surfaces.
    virtual int Start(StartMode startMode);
    // Stops and frees the scene's tune.
    virtual int End();
    // Composes the whole screen in the back buffer; never flips, never changes the game.
    virtual int Draw() = 0;
    // What having drawn a frame changes in the scene; nothing by default.
    virtual void OnDrawn() {}
    // Draw, then OnDrawn: how a frame for the screen is composed.
    int Redraw();
    // Handles one window message; the base is the handling common to all scenes.
    virtual intptr_t OnMessage(const Message& message);
    // Handles one tick of timer `timerId`.
    virtual int OnTimer(int timerId, uint32_t time) = 0;
    // Starts timer `timerId`, or restarts it with the new period.
    int SetSceneTimer(int timerId, uint32_t milliseconds);

    // What losing the foreground does to this scene beyond stopping the music.
    virtual void OnLostForeground() {}
    // Keeps what must not be lost when the display is gone for good and the run
    // ends at once: file work only, nothing drawn, no platform call. Nothing by default.
    virtual void OnDisplayLost() {}
    // The scene's name as the simulator reports it.
    virtual const char* Name() const = 0;

    int level = 0;
    uint32_t music = 0;
    int window = 0;
    StartMode mode = StartMode::Create;
    Surface* primary = nullptr;
    Surface* background = nullptr;
    Surface* title = nullptr;

protected:
    Platform& ThePlatform() const { return context_.platform; }
    Display& TheDisplay() const { return context_.display; }
    Application& TheApplication() const { return context_.application; }
    SceneSwitcher& Switcher() const { return context_.switcher; }
    RandomGenerator& TheRandom() const { return *context_.random; }

    // The window system's calls on the program's window.
    // What the window system does with a message no scene answered: the close
    // command destroys the window.
    intptr_t DefWindowProc(const Message& message);
    void PostQuitMessage(int exitCode);
    void DestroyWindow();
    void KillTimer(int timerId);

    // The music calls on this program's platform (see scenes/Music.h).
    int KBGMLoadFile(uint32_t* handle, const std::string& path);
    int KBGMInit(uint32_t handle);
    int KBGMPlay(uint32_t handle, int loop);
    int KBGMPause();
    int KBGMResume(uint32_t handle);
    int KBGMStop();
    int KBGMFree(uint32_t handle);

    // The display's font for size index 0-4 and face flag (see display/Font.h).
    const Font* GetFont(unsigned index, int flag) const;
    // The file `name` in the program's folder, and in the folder of the rankings.
    std::string ExecutableFilePath(const std::string& name) const;
    std::string DataFilePath(const std::string& name) const;

private:
    // The full restore: the display's surfaces, then the current scene started
    // again, drawn and shown.
    void RestoreCurrentScene();

    SceneContext& context_;
};

// Routes a window message to the application's current scene.
intptr_t SceneWindowProc(Application& application, const Message& message);
// Routes a timer tick to the application's current scene.
void SceneTimerProc(Application& application, const Message& message);

}  // namespace zolvex
