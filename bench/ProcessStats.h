// What the kernel knows of a running process's use of the processor and memory.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>

namespace zolvex::bench {

// Processor time of the live threads of `pid`, nanoseconds, summed over
// /proc/PID/task/*/schedstat. Nothing when the process is gone.
std::optional<uint64_t> ThreadCpuNs(pid_t pid);

// User and system time of the whole process, its ended threads included, nanoseconds
// at clock-tick resolution (/proc/PID/stat). Nothing when the process is gone.
std::optional<uint64_t> ProcessCpuNs(pid_t pid);

// Peak resident memory (VmHWM of /proc/PID/status), KiB.
std::optional<uint64_t> PeakRssKiB(pid_t pid);

// One reading of a process's processor time at a moment of CLOCK_MONOTONIC_RAW.
struct CpuReading {
    double atMs = 0;
    uint64_t threadNs = 0;
    uint64_t processNs = 0;
};
std::optional<CpuReading> ReadCpu(pid_t pid);

// Share of one core between two readings, per cent: from the threads' fine clock, and
// from the coarse whole-process clock that also counts threads ended in between.
struct CpuShare {
    double threads = 0;
    double process = 0;
};
CpuShare ShareBetween(const CpuReading& a, const CpuReading& b);

}  // namespace zolvex::bench
