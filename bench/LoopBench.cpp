#include "bench/BenchSupport.h"
#include "core/MainWindowValues.h"
#include "core/Settings.h"
#include "dsp/FilterObjects.h"
#include "dsp/ReceiveState.h"
#include "platform/SoundBackend.h"
#include "radio/HardwareObjects.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

namespace {

// A sound card that takes every block and plays nothing, so that only the receive loop
// is timed.
class SilentSoundBackend : public SoundBackend
{
public:
    std::vector<SoundDeviceInfo> Devices(SoundDirection) override { return {{"default", "Silent"}}; }
    int32_t OpenDevice(SoundDirection, const std::string&) override { return 0; }
    int32_t CreateBuffer(SoundDirection, const SoundBufferDesc&) override { return 0; }
    void CloseDevice(SoundDirection) override {}
    int32_t Start(SoundDirection) override { return 0; }
    int32_t Stop(SoundDirection) override { return 0; }
    bool IsRunning(SoundDirection) override { return false; }
    int32_t SetVolume(int32_t) override { return 0; }
    int32_t ReadBuffer(int32_t, int32_t, std::span<int16_t>) override { return 0; }
    void SetPlaybackSource(PlaybackSource*) override {}
    bool PlaybackKeepsPace() const override { return false; }
    int32_t PlaybackDeviceFrames() const override { return 0; }
    std::string ErrorText() const override { return {}; }
};

std::vector<int16_t> TestChannel(double phase)
{
    std::vector<int16_t> samples(BlockSize);
    for (int k = 0; k < BlockSize; ++k)
        samples[k] = static_cast<int16_t>(std::lround(6000.0 * std::cos(0.05 * k + phase) + 300.0 * std::cos(1.3 * k)));
    return samples;
}

// One captured block through the main window's block loop, and the deferred work that
// follows it, for USB on a single-channel and on an I/Q receiver with the statistics,
// noise reducer, notch and dynamic filter on (the heaviest work per block).
void BM_ReceiveLoop(benchmark::State& state)
{
    const bool iq = state.range(0) != 0;
    HardwareObjects::CreateHardwareObjects();
    CreateFilterObjects();
    DSPProfiler = std::make_unique<Profiler>();
    frmMain::CreateSoundBackend = [] { return std::make_unique<SilentSoundBackend>(); };
    auto window = std::make_unique<frmMain>();
    IQModeOn = iq;
    DemodMode = DemodModeEnum::USB;
    for (clsFFTFilter* filter : {&AFFilter, &SSBFilterI, &SSBFilterQ, &PhaseFilterI, &PhaseFilterQ, &IFFilter})
        filter->Active = true;
    AGCOn = PerfStatsOn = NBOn = DynFilterActive = true;
    NRLevel = 0.1f;
    DynFilter.Active = NotchFilter.Active = true;
    NotchMode = NotchModeEnum::Auto;
    FiltersDirty = true;
    window->Deferred->tmrPerfStats_Timer();

    const std::vector<int16_t> left = TestChannel(0.0), right = TestChannel(1.5707963);
    std::vector<int16_t> l(left), r(right);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        std::copy(left.begin(), left.end(), l.begin());
        std::copy(right.begin(), right.end(), r.begin());
        window->SoundCard_DataReady(l, r, BlockSize);
        window->Deferred->tmrPerfStats_Timer();
        benchmark::DoNotOptimize(l.data());
    }
    CountPeriodShare(state, std::chrono::steady_clock::now() - start);
    window.reset();
    HardwareObjects::ReleaseHardwareObjects();
}
BENCHMARK(BM_ReceiveLoop)->Arg(0)->Arg(1)->ArgName("iq")->Apply(ReportBest)->Unit(benchmark::kMicrosecond);

} // namespace

// The main window needs an application object; settings and files go to a scratch folder.
int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("ZOZEVERE_HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Settings::SaveSetting("RXModel.Vantrel RAV1", "DDSInterfaceType", "3");   // no port needed
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
