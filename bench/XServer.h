// A private Xvfb for the measurements, with a window manager when asked, and the
// xdotool calls that find a program's window and type into it.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "ChildProcess.h"

namespace zolvex::bench {

class XServer {
public:
    // Starts Xvfb on a display number of its own choosing (-displayfd) with one screen of
    // the given size, then openbox when `windowManager`; their output goes to files in
    // `logFolder`. False, with a line on standard error, when either cannot start.
    bool Start(int width, int height, bool windowManager, const std::string& logFolder);
    void Stop();

    const std::string& Display() const { return display_; }
    pid_t Pid() const { return xvfb_.Pid(); }
    bool HasWindowManager() const { return windowManager_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // The id of a visible window of process `pid` (its _NET_WM_PID), waiting up to
    // `timeoutMs` for it to appear.
    std::optional<std::string> WaitForWindow(pid_t pid, int timeoutMs) const;
    // Gives the window the keyboard: activation through the window manager, or the
    // input focus set directly without one.
    void Focus(const std::string& window) const;
    // Presses and releases a key (an X keysym name such as Return or Left).
    void PressKey(const std::string& key) const;
    // Saves what the screen shows as a PNG (ImageMagick's import), when that is installed.
    void SaveScreen(const std::string& path) const;

private:
    Environment Env() const { return {{"DISPLAY", display_}}; }

    ChildProcess xvfb_;
    ChildProcess openbox_;
    std::string display_;
    bool windowManager_ = false;
    int width_ = 0, height_ = 0;
};

}  // namespace zolvex::bench
