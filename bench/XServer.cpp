#include "XServer.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

namespace zolvex::bench {

namespace {

// Reads the display number Xvfb writes to its -displayfd once it accepts clients.
std::optional<std::string> ReadDisplayNumber(int fd, int timeoutMs) {
    std::string text;
    const double until = MonotonicRawMs() + timeoutMs;
    while (text.find('\n') == std::string::npos) {
        const double left = until - MonotonicRawMs();
        if (left <= 0) return std::nullopt;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char buffer[32];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) return std::nullopt;
        text.append(buffer, static_cast<size_t>(got));
    }
    return text.substr(0, text.find('\n'));
}

}  // namespace

bool XServer::Start(int width, int height, bool windowManager, const std::string& logFolder) {
    width_ = width;
    height_ = height;
    windowManager_ = windowManager;
    int displayPipe[2];
    if (pipe2(displayPipe, O_CLOEXEC) != 0) return false;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const bool started =
        xvfb_.Start({"Xvfb", "-displayfd", std::to_string(displayPipe[1]), "-nolisten", "tcp",
                     "-noreset", "-screen", "0", screen},
                    "", {}, logFolder + "/xvfb-" + screen + ".log", displayPipe[1]);
    close(displayPipe[1]);
    std::optional<std::string> number;
    if (started) number = ReadDisplayNumber(displayPipe[0], 15000);
    close(displayPipe[0]);
    if (!number) {
        std::fprintf(stderr, "zolvex_peers: Xvfb did not start a %s screen (see %s)\n",
                     screen.c_str(), logFolder.c_str());
        xvfb_.Stop();
        return false;
    }
    display_ = ":" + *number;
    if (!windowManager) return true;
    if (!openbox_.Start({"openbox", "--sm-disable"}, "", Env(),
                        logFolder + "/openbox-" + screen + ".log")) {
        std::fprintf(stderr, "zolvex_peers: openbox did not start on %s\n", display_.c_str());
        Stop();
        return false;
    }
    // The window manager is ready once it names its check window on the root window.
    const double until = MonotonicRawMs() + 15000;
    while (MonotonicRawMs() < until) {
        std::optional<std::string> prop =
            RunTool({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}, Env());
        if (prop && prop->find("window id") != std::string::npos) return true;
        SleepUntilMs(MonotonicRawMs() + 100);
    }
    std::fprintf(stderr, "zolvex_peers: openbox did not take over %s\n", display_.c_str());
    Stop();
    return false;
}

void XServer::Stop() {
    openbox_.Stop();
    xvfb_.Stop();
}

std::optional<std::string> XServer::WaitForWindow(pid_t pid, int timeoutMs) const {
    const double until = MonotonicRawMs() + timeoutMs;
    do {
        std::optional<std::string> out =
            RunTool({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}, Env());
        std::string window;
        if (out && std::istringstream(*out) >> window) return window;
        SleepUntilMs(MonotonicRawMs() + 50);
    } while (MonotonicRawMs() < until);
    return std::nullopt;
}

void XServer::Focus(const std::string& window) const {
    if (windowManager_) {
        RunTool({"xdotool", "windowactivate", "--sync", window}, Env());
    } else {
        RunTool({"xdotool", "windowfocus", "--sync", window}, Env());
    }
}

void XServer::PressKey(const std::string& key) const {
    RunTool({"xdotool", "key", key}, Env());
}

void XServer::SaveScreen(const std::string& path) const {
    RunTool({"import", "-window", "root", path}, Env());
}

}  // namespace zolvex::bench
