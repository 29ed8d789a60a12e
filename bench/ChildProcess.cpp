#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace zolvex::bench {

double MonotonicRawMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

void SleepUntilMs(double ms) {
    for (;;) {
        const double left = ms - MonotonicRawMs();
        if (left <= 0) return;
        timespec ts{};
        ts.tv_sec = static_cast<time_t>(left / 1000);
        ts.tv_nsec = static_cast<long>((left - static_cast<double>(ts.tv_sec) * 1000) * 1e6);
        nanosleep(&ts, nullptr);
    }
}

namespace {

// Everything between fork and exec is async-signal-safe: the argument and environment
// arrays are built before the fork.
struct ExecPlan {
    std::vector<std::string> strings;
    std::vector<char*> argv;
    std::vector<char*> envp;
};

ExecPlan PlanExec(const std::vector<std::string>& argv, const Environment& env) {
    ExecPlan plan;
    plan.strings = argv;
    std::vector<std::string> vars;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string var = *e;
        const std::string name = var.substr(0, var.find('='));
        bool replaced = false;
        for (const auto& [key, value] : env) replaced = replaced || key == name;
        if (!replaced) vars.push_back(var);
    }
    for (const auto& [key, value] : env) vars.push_back(key + "=" + value);
    const size_t argc = plan.strings.size();
    plan.strings.insert(plan.strings.end(), vars.begin(), vars.end());
    for (size_t i = 0; i < plan.strings.size(); ++i) {
        (i < argc ? plan.argv : plan.envp).push_back(plan.strings[i].data());
    }
    plan.argv.push_back(nullptr);
    plan.envp.push_back(nullptr);
    return plan;
}

[[noreturn]] void ExecChild(const ExecPlan& plan, const char* folder, int logFd, int keepFd,
                            int timeFd, pid_t parent) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    if (folder[0] != '\0' && chdir(folder) != 0) _exit(127);
    int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0) dup2(devNull, 0);
    if (logFd >= 0) {
        dup2(logFd, 1);
        dup2(logFd, 2);
    }
    if (keepFd >= 0) fcntl(keepFd, F_SETFD, 0);
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &ts);
    (void)!write(timeFd, &ts, sizeof ts);
    execvpe(plan.argv[0], plan.argv.data(), plan.envp.data());
    _exit(127);
}

}  // namespace

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::string& folder,
                         const Environment& env, const std::string& logPath, int keepFd) {
    Stop();
    const ExecPlan plan = PlanExec(argv, env);
    int logFd = -1;
    if (!logPath.empty()) {
        logFd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    }
    int timePipe[2];
    if (pipe2(timePipe, O_CLOEXEC) != 0) {
        if (logFd >= 0) close(logFd);
        return false;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) ExecChild(plan, folder.c_str(), logFd, keepFd, timePipe[1], parent);
    close(timePipe[1]);
    if (logFd >= 0) close(logFd);
    if (pid < 0) {
        close(timePipe[0]);
        return false;
    }
    timespec ts{};
    ssize_t got;
    do {
        got = read(timePipe[0], &ts, sizeof ts);
    } while (got < 0 && errno == EINTR);
    close(timePipe[0]);
    pid_ = pid;
    execMs_ = static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
    return got == static_cast<ssize_t>(sizeof ts) && Running();
}

bool ChildProcess::Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

void ChildProcess::Stop(int graceMs) {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    const double until = MonotonicRawMs() + graceMs;
    int status = 0;
    while (MonotonicRawMs() < until) {
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        SleepUntilMs(MonotonicRawMs() + 20);
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

std::optional<std::string> RunTool(const std::vector<std::string>& argv, const Environment& env) {
    const ExecPlan plan = PlanExec(argv, env);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return std::nullopt;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) dup2(devNull, 2);
        execvpe(plan.argv[0], plan.argv.data(), plan.envp.data());
        _exit(127);
    }
    close(out[1]);
    if (pid < 0) {
        close(out[0]);
        return std::nullopt;
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        text.append(buffer, static_cast<size_t>(got));
    }
    close(out[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return text;
}

}  // namespace zolvex::bench
