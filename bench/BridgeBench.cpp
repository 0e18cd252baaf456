#include "audio/PlaybackBridge.h"
#include "bench/BenchSupport.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

namespace {

// One block through the playback bridge and its clock loop, on the given number of channels,
// and the device's call that takes a block's worth back out (a copy, a small part of the
// time). With the second argument 0 the device keeps the capture's pace, the ratio stays 1
// and the block is copied; with 1 the device takes 0.5 % more, and once the loop has seen it
// the resampler does the work, the same for every frame whatever the ratio. Reports the share
// of the 42.7 ms block period.
void PushBlock(benchmark::State& state)
{
    const auto channels = static_cast<int32_t>(state.range(0));
    const bool clocksApart = state.range(1) != 0;
    state.SetLabel(std::to_string(channels) + (channels == 1 ? " channel" : " channels") +
                   (clocksApart ? ", clocks apart" : ", one clock"));
    PlaybackBridge bridge;
    bridge.Configure(channels, BlockSize, ReceiveSampleRate);
    bridge.Reset(3, 1024, true);

    std::vector<int16_t> block(static_cast<size_t>(BlockSize * channels));
    for (size_t k = 0; k < block.size(); ++k)
        block[k] = static_cast<int16_t>(std::lround(8000.0 * std::sin(0.13 * static_cast<double>(k / channels))));
    const int32_t takenFrames = clocksApart ? BlockSize + BlockSize / 200 : BlockSize;
    std::vector<int16_t> played(static_cast<size_t>(takenFrames * channels));
    // Enough blocks for the sound to start and the clock loop to settle on the device's pace.
    for (int k = 0; k < 400; ++k) {
        bridge.Push(block);
        bridge.Fill(played);
    }
    if (clocksApart && bridge.Ratio() == 1.0)
        state.SkipWithError("the clock loop did not leave the ratio of 1");

    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        bridge.Push(block);
        bridge.Fill(played);
    }
    CountPeriodShare(state, std::chrono::steady_clock::now() - start);
}

} // namespace

BENCHMARK(PushBlock)->ArgsProduct({{1, 2}, {0, 1}})->Apply(ReportBest)->Unit(benchmark::kMicrosecond);
