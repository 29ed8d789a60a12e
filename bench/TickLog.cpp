#include "TickLog.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace zolvex::bench {

std::vector<double> ReadTickLog(const std::string& path) {
    std::vector<double> ticks;
    std::ifstream in(path);
    double t = 0;
    while (in >> t) ticks.push_back(t);
    return ticks;
}

std::optional<double> Percentile(std::vector<double> values, double p) {
    if (values.empty()) return std::nullopt;
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(p / 100.0 * static_cast<double>(values.size()));
    const size_t k = static_cast<size_t>(std::clamp(rank - 1, 0.0, values.size() - 1.0));
    return values[k];
}

std::optional<TickStats> MeasureTicks(const std::vector<double>& ticks, double fromMs, double toMs,
                                      double nominalMs) {
    std::vector<double> inside;
    for (double t : ticks) {
        if (t >= fromMs && t <= toMs) inside.push_back(t);
    }
    if (inside.size() < 2) return std::nullopt;
    std::vector<double> deviations, steadyDeviations;
    TickStats stats;
    double total = 0;
    for (size_t i = 1; i < inside.size(); ++i) {
        const double interval = inside[i] - inside[i - 1];
        total += interval;
        stats.largestMs = std::max(stats.largestMs, interval);
        deviations.push_back(std::abs(interval - nominalMs));
        if (interval < nominalMs + 20) steadyDeviations.push_back(std::abs(interval - nominalMs));
    }
    stats.intervals = static_cast<int>(deviations.size());
    stats.meanMs = total / stats.intervals;
    stats.p99Ms = *Percentile(deviations, 99);
    stats.steadyIntervals = static_cast<int>(steadyDeviations.size());
    stats.steadyP99Ms = Percentile(steadyDeviations, 99).value_or(0);
    return stats;
}

std::optional<Spread> SpreadOf(std::vector<double> values) {
    if (values.empty()) return std::nullopt;
    std::sort(values.begin(), values.end());
    Spread s;
    s.count = static_cast<int>(values.size());
    s.min = values.front();
    s.max = values.back();
    const size_t n = values.size();
    s.median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return s;
}

}  // namespace zolvex::bench
