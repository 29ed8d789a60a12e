// Times of timer ticks logged one per line in milliseconds of CLOCK_MONOTONIC_RAW (the
// game's ZOLVEX_TICK_LOG, the floor's --tick-log), and how regular they were.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zolvex::bench {

// The ticks of the file in order; empty when it cannot be read.
std::vector<double> ReadTickLog(const std::string& path);

// The value at the p-th percentile of `values` (nearest rank); nothing when empty.
std::optional<double> Percentile(std::vector<double> values, double p);

struct TickStats {
    int intervals = 0;
    double meanMs = 0;
    double largestMs = 0;
    // 99th percentile of |interval - nominal|.
    double p99Ms = 0;
    // The same without the intervals longer than nominal + 20 ms, which hold a pause that
    // the game's rules make (a clearing pass stops the fall for 30 ms).
    int steadyIntervals = 0;
    double steadyP99Ms = 0;
};

// The intervals between the ticks within [fromMs, toMs] against the nominal interval;
// nothing when fewer than two ticks fall in that window.
std::optional<TickStats> MeasureTicks(const std::vector<double>& ticks, double fromMs, double toMs,
                                      double nominalMs);

// Median, least and greatest of a series of rounds.
struct Spread {
    double median = 0, min = 0, max = 0;
    int count = 0;
};
std::optional<Spread> SpreadOf(std::vector<double> values);

}  // namespace zolvex::bench
