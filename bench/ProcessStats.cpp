#include "ProcessStats.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "ChildProcess.h"

namespace zolvex::bench {

std::optional<uint64_t> ThreadCpuNs(pid_t pid) {
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    std::filesystem::directory_iterator it(tasks, error);
    if (error) return std::nullopt;
    uint64_t total = 0;
    for (const auto& entry : it) {
        // A thread that ends between listing and reading has nothing left to add.
        std::ifstream in(entry.path() / "schedstat");
        uint64_t ns = 0;
        if (in >> ns) total += ns;
    }
    return total;
}

std::optional<uint64_t> ProcessCpuNs(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) return std::nullopt;
    // The command name may hold spaces and parentheses; the fields follow its last ')'.
    const size_t close = line.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    uint64_t utime = 0, stime = 0;
    // Fields 3 (state) to 15 (stime); utime is the 14th.
    for (int n = 3; n <= 15 && fields >> field; ++n) {
        if (n == 14) utime = std::stoull(field);
        if (n == 15) stime = std::stoull(field);
    }
    const long ticks = sysconf(_SC_CLK_TCK);
    return (utime + stime) * (1000000000ULL / static_cast<uint64_t>(ticks > 0 ? ticks : 100));
}

std::optional<uint64_t> PeakRssKiB(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stoull(line.substr(6));
    }
    return std::nullopt;
}

std::optional<CpuReading> ReadCpu(pid_t pid) {
    CpuReading r;
    const std::optional<uint64_t> threads = ThreadCpuNs(pid);
    const std::optional<uint64_t> process = ProcessCpuNs(pid);
    r.atMs = MonotonicRawMs();
    if (!threads || !process) return std::nullopt;
    r.threadNs = *threads;
    r.processNs = *process;
    return r;
}

CpuShare ShareBetween(const CpuReading& a, const CpuReading& b) {
    const double wallNs = (b.atMs - a.atMs) * 1e6;
    CpuShare share;
    if (wallNs <= 0) return share;
    share.threads =
        100.0 * (static_cast<double>(b.threadNs) - static_cast<double>(a.threadNs)) / wallNs;
    share.process =
        100.0 * (static_cast<double>(b.processNs) - static_cast<double>(a.processNs)) / wallNs;
    return share;
}

}  // namespace zolvex::bench
