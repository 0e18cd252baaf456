#include "bench/BenchSupport.h"
#include "core/MainWindowValues.h"
#include "dsp/AGCAndOutputLevel.h"
#include "dsp/DoDSP.h"
#include "dsp/DoDSPIQ.h"
#include "dsp/FilterObjects.h"
#include "dsp/MakeFilters.h"
#include "dsp/NoiseReduce.h"
#include "dsp/ReceiveState.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

namespace {

const char* const ModeNames[] = {"AM", "USB", "LSB", "DRM", "FM", "BC", "SAM"};

// The receive chain as power on leaves it, with the noise reducer, the AF notch and the
// dynamic filter switched on or off together.
void SetUpReceiver(int32_t demodMode, bool iq, bool extras)
{
    CreateFilterObjects();
    FFTReal.Points = SpectrumPoints;
    FFTReal.FFTInit(FFTReal.Points);
    DemodMode = demodMode;
    IQModeOn = iq;
    FilterLo = 300;
    FilterHi = 2800;
    IFFreq = 12000;
    NCOPhaseInc = PhaseIncrementFor(IFFreq);
    for (clsFFTFilter* filter : {&AFFilter, &SSBFilterI, &SSBFilterQ, &PhaseFilterI, &PhaseFilterQ, &IFFilter})
        filter->Active = true;
    MakeFilters();

    NBOn = extras;
    NRLevel = 0.1f;
    DynFilterActive = extras;
    DynFilter.Active = extras;
    NotchType = NotchTypeEnum::AF;
    NotchFilter.FLow = 950;
    NotchFilter.FHigh = 1050;
    NotchFilter.MakeFilter();
    NotchFilter.Active = extras;

    AGCOn = true;
    ApplyAGCAttack(50);
    ApplyAGCDecay(100);
    FillAGCDelayLine();
}

std::vector<int16_t> TestChannel(double phase)
{
    std::vector<int16_t> samples(BlockSize);
    for (int k = 0; k < BlockSize; ++k)
        samples[k] = static_cast<int16_t>(std::lround(6000.0 * std::cos(0.05 * k + phase) + 300.0 * std::cos(1.3 * k)));
    return samples;
}

// One block through a chain. Arguments: I/Q chain (0 or 1), demodulation mode, noise reducer,
// notch and dynamic filter (0 off, 1 on). Reports the share of the 42.7 ms block period.
void ReceiveBlock(benchmark::State& state)
{
    const bool iq = state.range(0) != 0;
    const auto mode = static_cast<int32_t>(state.range(1));
    const bool extras = state.range(2) != 0;
    SetUpReceiver(mode, iq, extras);
    state.SetLabel(std::string(iq ? "DoDSPIQ " : "DoDSP ") + ModeNames[mode] + (extras ? " NR+notch+dyn" : ""));

    const std::vector<int16_t> left = TestChannel(0.0);
    const std::vector<int16_t> right = TestChannel(1.5707963);
    std::vector<int16_t> block(BlockSize);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        block = left;
        if (iq)
            DoDSPIQ(block, right, BlockSize);
        else
            DoDSP(block, right, BlockSize);
        benchmark::DoNotOptimize(block.data());
    }
    CountPeriodShare(state, std::chrono::steady_clock::now() - start);
}

void AllChainsAndModes(benchmark::internal::Benchmark* benchmark)
{
    for (int64_t iq = 0; iq <= 1; ++iq)
        for (int64_t mode = 0; mode < 7; ++mode)
            for (int64_t extras = 0; extras <= 1; ++extras)
                if (!(iq && mode == DemodModeEnum::SAM))   // the I/Q chain has no SAM of its own
                    benchmark->Args({iq, mode, extras});
}
BENCHMARK(ReceiveBlock)->Apply(AllChainsAndModes)->Apply(ReportBest)->Unit(benchmark::kMicrosecond);

} // namespace
