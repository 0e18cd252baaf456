#include "dsp/clsFFTFilter.h"
#include "dsp/clsFFTReal.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

constexpr int32_t BlockSize = 2048;

std::vector<float> TestSignal(size_t n)
{
    std::vector<float> signal(n);
    for (size_t i = 0; i < n; ++i)
        signal[i] = static_cast<float>(8000.0 * std::sin(0.05 * static_cast<double>(i)) + 100.0 * std::cos(1.3 * i));
    return signal;
}

// One block through a sideband filter of the receive chain.
void Filter_FFT_S_1(benchmark::State& state)
{
    clsFFTFilter filter;
    filter.SegmentSize = 2 * BlockSize;
    filter.FSampling = 48000;
    filter.init(BlockSize);
    filter.FLow = 300;
    filter.FHigh = 2300;
    filter.MakeFilter();

    const std::vector<float> input = TestSignal(2 * BlockSize);
    std::vector<float> block(2 * BlockSize);
    for (auto _ : state) {
        state.PauseTiming();
        block = input;
        state.ResumeTiming();
        filter.Filter_FFT_S_1(block);
        benchmark::DoNotOptimize(block.data());
    }
}
BENCHMARK(Filter_FFT_S_1)->Unit(benchmark::kMicrosecond);

// The shared 4096-point real transform of the receive chain, forward and back.
void RealFFTAndInverse4096(benchmark::State& state)
{
    clsFFTReal fft;
    fft.FFTInit(4096);
    const std::vector<float> input = TestSignal(4096);
    std::vector<float> re(4096), im(4096), out(4096);
    for (auto _ : state) {
        fft.FFT_Real_S_2(input, re, im);
        fft.IFFT_Real_S_2(re, im, out);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(RealFFTAndInverse4096)->Unit(benchmark::kMicrosecond);

} // namespace
