#pragma once

#include "dsp/ReceiveState.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

// The machine is shared, so a row's figure is the best of its repetitions (run with
// --benchmark_repetitions=N): besides mean and median, each row gets a "_best" aggregate.
inline void ReportBest(benchmark::internal::Benchmark* benchmark)
{
    benchmark->ComputeStatistics("best", [](const std::vector<double>& values) {
        return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
    });
}

// The share of the 42.7 ms block period that one iteration took, from the seconds all took.
inline void CountPeriodShare(benchmark::State& state, std::chrono::duration<double> elapsed)
{
    state.counters["period%"] = 100.0 * elapsed.count() / static_cast<double>(state.iterations()) / BlockPeriod;
}
