#include "ui/common/PictureBox.h"
#include "ui/scope/clsSpectrumAnalyser.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <random>
#include <vector>

namespace {

// Processor time of this thread: the cost of a frame, whatever else the machine runs.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1E-9;
}

// Band noise with carriers, as the receive chain hands it to the analyser.
std::vector<float> Channel(unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<float> noise(0, 40);
    std::vector<float> samples(2048);
    for (size_t n = 0; n < samples.size(); ++n)
        samples[n] = noise(random) + 3000.0f * static_cast<float>(std::sin(0.65 * n)) +
                     800.0f * static_cast<float>(std::sin(1.9 * n));
    return samples;
}

// One frame of the analyser as the paced redraw runs it: intake of a block, transforms,
// smoothing, graticule and traces into a display the size of the main window's, in each
// mode with both channels on. Real time is 23.4375 frames per second: the "core_%" counter is
// the share of one core that rate costs, from the processor time the frames took.
void BM_AnalyserFrame(benchmark::State& state)
{
    PictureBox panel;
    panel.resize(760, 300);
    PictureBox box0(&panel), box1(&panel);
    box0.resize(720, 260);
    box1.resize(720, 260);
    clsSpectrumAnalyser analyser;
    analyser.FSampling = 48000;
    analyser.Order = 11;
    analyser.FEnd(24000);
    analyser.SetFOffset(7038000);
    analyser.picDisplay0(&box0);
    analyser.picDisplay1(&box1);
    analyser.init();
    analyser.Active(true);
    analyser.ScreenWidth = 480;
    analyser.Mode(static_cast<int32_t>(state.range(0)));
    analyser.LogMode(state.range(0) == ScopeModeEnum::Spectrum);
    analyser.FastMode(state.range(0) != ScopeModeEnum::Spectrum);
    analyser.ShowFilter(true);
    analyser.ShowNotch(true);
    analyser.Mode(static_cast<int32_t>(state.range(0)));
    const std::vector<float> y1 = Channel(1), y2 = Channel(2);
    const double start = ThreadSeconds();
    for (auto _ : state) {
        analyser.LoadSamples_S(y1, y2);
        analyser.Display();
        benchmark::DoNotOptimize(analyser.Y1Display().data());
    }
    state.counters["core_%"] = (ThreadSeconds() - start) / static_cast<double>(state.iterations()) * 23.4375 * 100;
    analyser.Active(false);
}
BENCHMARK(BM_AnalyserFrame)->Arg(0)->Arg(1)->Arg(2)->ArgName("mode")->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
