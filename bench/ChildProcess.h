// A program started by the measuring harness: its own folder, extra environment, output
// into a log file, and the moment of its exec on the clock the game logs its ticks with.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zolvex::bench {

using Environment = std::vector<std::pair<std::string, std::string>>;

// CLOCK_MONOTONIC_RAW in milliseconds: SDL's performance counter on Linux, so the
// game's tick log and the harness share one clock.
double MonotonicRawMs();

// Sleeps until the CLOCK_MONOTONIC_RAW time `ms`.
void SleepUntilMs(double ms);

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { Stop(); }

    // Starts argv (argv[0] a path or a name looked up in PATH) in `folder` with `env` added
    // to this process's environment; standard output and error go to `logPath`. `keepFd`
    // stays open in the child. The child dies with the harness. False when it cannot start.
    bool Start(const std::vector<std::string>& argv, const std::string& folder,
               const Environment& env, const std::string& logPath, int keepFd = -1);

    pid_t Pid() const { return pid_; }
    // When the child called exec, CLOCK_MONOTONIC_RAW milliseconds.
    double ExecMs() const { return execMs_; }
    bool Running();
    // SIGTERM, then SIGKILL after `graceMs`; reaps the child. Safe to call twice.
    void Stop(int graceMs = 3000);

private:
    pid_t pid_ = -1;
    double execMs_ = 0;
};

// Runs a tool to its end with `env` added; its standard output, or nothing when it
// could not run or failed.
std::optional<std::string> RunTool(const std::vector<std::string>& argv, const Environment& env);

}  // namespace zolvex::bench
