#include "bench/BenchSupport.h"
#include "dsp/FFTWPlans.h"
#include "dsp/clsFFT.h"
#include "dsp/clsFFTFilter.h"
#include "dsp/clsFFTReal.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <vector>

// The shared filter and transforms, each row beside FFTW's own time for the same work, timed
// in the same iterations so that both see the same load: the row's time is ours, "fftw_us"
// FFTW's and "ratio" ours over FFTW's. FFTW's side runs on plans of its best kind
// (FFTW_MEASURE) called directly on aligned, interleaved arrays.
namespace {

using Clock = std::chrono::steady_clock;
using FFTWPlans::AlignedFloats;
using FFTWPlans::AllocateAligned;

constexpr int32_t BlockSize = 2048;

std::vector<float> TestSignal(size_t n)
{
    std::vector<float> signal(n);
    for (size_t i = 0; i < n; ++i)
        signal[i] = static_cast<float>(8000.0 * std::sin(0.05 * static_cast<double>(i)) + 100.0 * std::cos(1.3 * i));
    return signal;
}

// A measured plan of FFTW's own. The wisdom it leaves behind is dropped, so that the plans of
// the classes under test, made later for other sizes, stay what the program makes.
template <typename MakePlan>
fftwf_plan MeasuredPlan(MakePlan makePlan)
{
    fftwf_plan plan = makePlan(FFTW_MEASURE);
    fftwf_forget_wisdom();
    return plan;
}

fftwf_complex* AsComplex(float* floats)
{
    return reinterpret_cast<fftwf_complex*>(floats);
}

// Times ours() and reference() in turn, each after its own untimed setUp.
template <typename SetUp, typename Ours, typename Reference>
void TimeBesideFFTW(benchmark::State& state, SetUp setUp, Ours ours, Reference reference)
{
    std::chrono::duration<double> oursTotal{0}, fftwTotal{0};
    for (auto _ : state) {
        setUp();
        const auto start = Clock::now();
        ours();
        const std::chrono::duration<double> oursTime = Clock::now() - start;
        setUp();
        const auto middle = Clock::now();
        reference();
        fftwTotal += Clock::now() - middle;
        oursTotal += oursTime;
        state.SetIterationTime(oursTime.count());
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["fftw_us"] = 1e6 * fftwTotal.count() / iterations;
    state.counters["ratio"] = oursTotal.count() / fftwTotal.count();
}

// Overlap-add straight on FFTW: the block zero-padded to 2N, forward, times the response
// (scaled by 1 / 2N), inverse, the carried tail added.
class FFTWOverlapAdd
{
public:
    explicit FFTWOverlapAdd(const std::vector<float>& taps)
        : segment_(AllocateAligned(2 * BlockSize)), bins_(AllocateAligned(2 * BlockSize + 2)),
          response_(AllocateAligned(2 * BlockSize + 2)), output_(AllocateAligned(2 * BlockSize)),
          overlap_(BlockSize)
    {
        forward_ = MeasuredPlan([&](unsigned flags) {
            return fftwf_plan_dft_r2c_1d(2 * BlockSize, segment_.get(), AsComplex(bins_.get()), flags);
        });
        inverse_ = MeasuredPlan([&](unsigned flags) {
            return fftwf_plan_dft_c2r_1d(2 * BlockSize, AsComplex(bins_.get()), output_.get(), flags);
        });
        std::memcpy(segment_.get(), taps.data(), sizeof(float) * BlockSize);
        fftwf_execute_dft_r2c(forward_, segment_.get(), AsComplex(response_.get()));
        for (int32_t k = 0; k < 2 * BlockSize + 2; ++k)
            response_[k] /= 2 * BlockSize;
    }
    FFTWOverlapAdd(const FFTWOverlapAdd&) = delete;
    FFTWOverlapAdd& operator=(const FFTWOverlapAdd&) = delete;
    ~FFTWOverlapAdd()
    {
        fftwf_destroy_plan(forward_);
        fftwf_destroy_plan(inverse_);
    }

    void Filter(float* block)
    {
        std::memcpy(segment_.get(), block, sizeof(float) * BlockSize);
        fftwf_execute(forward_);
        float* x = bins_.get();
        const float* h = response_.get();
        for (int32_t k = 0; k < 2 * BlockSize + 2; k += 2) {
            const float re = x[k] * h[k] - x[k + 1] * h[k + 1];
            x[k + 1] = x[k] * h[k + 1] + x[k + 1] * h[k];
            x[k] = re;
        }
        fftwf_execute(inverse_);
        for (int32_t i = 0; i < BlockSize; ++i)
            block[i] = output_[i] + overlap_[i];
        std::memcpy(overlap_.data(), output_.get() + BlockSize, sizeof(float) * (BlockSize - 2));
    }

private:
    AlignedFloats segment_, bins_, response_, output_;
    std::vector<float> overlap_;
    fftwf_plan forward_ = nullptr;
    fftwf_plan inverse_ = nullptr;
};

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
    std::vector<float> taps(BlockSize);
    filter.GetFilterCoeffs_T_S(taps);
    FFTWOverlapAdd reference(taps);

    const std::vector<float> input = TestSignal(2 * BlockSize);
    std::vector<float> block(2 * BlockSize);
    TimeBesideFFTW(
        state, [&] { block = input; }, [&] { filter.Filter_FFT_S_1(block); }, [&] { reference.Filter(block.data()); });
}
BENCHMARK(Filter_FFT_S_1)->UseManualTime()->Apply(ReportBest)->Unit(benchmark::kMicrosecond);

// The shared 4096-point real transform of the receive chain, forward.
void RealFFT4096(benchmark::State& state)
{
    constexpr int32_t n = 4096;
    clsFFTReal fft;
    fft.FFTInit(n);
    const std::vector<float> input = TestSignal(n);
    std::vector<float> re(n), im(n);
    AlignedFloats samples = AllocateAligned(n), bins = AllocateAligned(n + 2);
    fftwf_plan plan = MeasuredPlan(
        [&](unsigned flags) { return fftwf_plan_dft_r2c_1d(n, samples.get(), AsComplex(bins.get()), flags); });
    std::memcpy(samples.get(), input.data(), sizeof(float) * n);   // measuring overwrote the arrays

    TimeBesideFFTW(
        state, [] {}, [&] { fft.FFT_Real_S_2(input, re, im); }, [&] { fftwf_execute(plan); });
    fftwf_destroy_plan(plan);
}
BENCHMARK(RealFFT4096)->UseManualTime()->Apply(ReportBest)->Unit(benchmark::kMicrosecond);

// Its inverse, from the spectrum of the test signal.
void RealIFFT4096(benchmark::State& state)
{
    constexpr int32_t n = 4096;
    clsFFTReal fft;
    fft.FFTInit(n);
    std::vector<float> re(n), im(n), out(n);
    fft.FFT_Real_S_2(TestSignal(n), re, im);
    AlignedFloats spectrum = AllocateAligned(n + 2), bins = AllocateAligned(n + 2), samples = AllocateAligned(n);
    for (int32_t k = 0; k <= n / 2; ++k) {
        spectrum[2 * k] = re[k];
        spectrum[2 * k + 1] = im[k];
    }
    fftwf_plan plan = MeasuredPlan(
        [&](unsigned flags) { return fftwf_plan_dft_c2r_1d(n, AsComplex(bins.get()), samples.get(), flags); });

    // FFTW's inverse overwrites its bins: each round starts from a fresh copy.
    TimeBesideFFTW(
        state, [&] { std::memcpy(bins.get(), spectrum.get(), sizeof(float) * (n + 2)); },
        [&] { fft.IFFT_Real_S_2(re, im, out); }, [&] { fftwf_execute(plan); });
    fftwf_destroy_plan(plan);
}
BENCHMARK(RealIFFT4096)->UseManualTime()->Apply(ReportBest)->Unit(benchmark::kMicrosecond);

// The complex transform of the given size.
void ComplexFFT(benchmark::State& state)
{
    const auto n = static_cast<int32_t>(state.range(0));
    clsFFT fft;
    fft.FFTInit(n);
    const std::vector<float> inRe = TestSignal(n);
    const std::vector<float> inIm(inRe.rbegin(), inRe.rend());
    std::vector<float> outRe(n), outIm(n);
    AlignedFloats in = AllocateAligned(2 * static_cast<size_t>(n)), out = AllocateAligned(2 * static_cast<size_t>(n));
    fftwf_plan plan = MeasuredPlan([&](unsigned flags) {
        return fftwf_plan_dft_1d(n, AsComplex(in.get()), AsComplex(out.get()), FFTW_FORWARD, flags);
    });
    for (int32_t k = 0; k < n; ++k) {
        in[2 * k] = inRe[k];
        in[2 * k + 1] = inIm[k];
    }

    TimeBesideFFTW(
        state, [] {}, [&] { fft.FFT_S_2(inRe, inIm, outRe, outIm); }, [&] { fftwf_execute(plan); });
    fftwf_destroy_plan(plan);
}
BENCHMARK(ComplexFFT)->Arg(2048)->Arg(4096)->UseManualTime()->Apply(ReportBest)->Unit(benchmark::kMicrosecond);

} // namespace
