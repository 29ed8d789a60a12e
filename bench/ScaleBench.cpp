// Cost of scaling the 640 x 480 frame into the window, which happens on every fall tick
// (43 ms) on machines that may have no graphics card: the whole frame in each mode at
// 1920 x 1080 and 3840 x 2160, and the redraw of one changed rectangle (a cell's worth).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/FrameScaler.h"

namespace zolvex {
namespace {

constexpr int kFrameW = 640, kFrameH = 480;

struct Setup {
    Setup(ScalingMode mode, int w, int h) : w(w), window(static_cast<size_t>(w) * h) {
        std::mt19937 rng(7);
        // Blocks of one colour with noise in places, like the play screen's cells and text.
        for (int y = 0; y < kFrameH; ++y) {
            for (int x = 0; x < kFrameW; ++x) {
                frame.push_back(
                    static_cast<uint16_t>((x / 40 + y / 40) % 3 == 0 ? rng() : (x / 40) * 1111));
            }
        }
        scaler.Configure(mode, kFrameW, kFrameH, PictureRect(mode, w, h, kFrameW, kFrameH), w, h);
    }
    int w;
    std::vector<uint16_t> frame;
    std::vector<uint32_t> window;
    FrameScaler scaler;
};

void BM_ScaleWholeFrame(benchmark::State& state) {
    const auto mode = static_cast<ScalingMode>(state.range(0));
    Setup s(mode, static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
    for (auto _ : state) {
        s.scaler.Scale(s.frame.data(), s.window.data(), s.w);
        benchmark::ClobberMemory();
    }
    state.SetLabel(ScalingModeName(mode));
}
// Each mode at each window size: {mode, width, height}.
void WholeFrameCases(benchmark::internal::Benchmark* b) {
    for (ScalingMode mode : {ScalingMode::Sharp, ScalingMode::Integer, ScalingMode::Smooth}) {
        b->Args({static_cast<int>(mode), 1920, 1080});
        b->Args({static_cast<int>(mode), 3840, 2160});
    }
}
BENCHMARK(BM_ScaleWholeFrame)->Apply(WholeFrameCases)->Unit(benchmark::kMillisecond);

void BM_ScaleChangedRect(benchmark::State& state) {
    Setup s(ScalingMode::Sharp, 1920, 1080);
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.scaler.ScaleRegion(s.frame.data(), PixelRect{200, 220, 120, 40},
                                                      s.window.data(), s.w));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ScaleChangedRect)->Unit(benchmark::kMicrosecond);

// The same rectangle in the unscaled 640 x 480 window, where the only work is widening
// the 16-bit pixels to the window's 32.
void BM_WidenChangedRect(benchmark::State& state) {
    Setup s(ScalingMode::Sharp, kFrameW, kFrameH);
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.scaler.ScaleRegion(s.frame.data(), PixelRect{200, 220, 120, 40},
                                                      s.window.data(), s.w));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_WidenChangedRect)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zolvex
