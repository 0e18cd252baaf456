#include "dsp/clsFFTFilter.h"

#include "DspTestSignals.h"
#include "core/RuntimeError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

using DspTest::Decibels;
using DspTest::FitTone;
using DspTest::Tone;

constexpr int32_t N = 2048;
constexpr double Amplitude = 8000.0;  // a strong signal in 16-bit units

// A filter set up as the start-up supervisor sets up its instances.
struct Setup
{
    int32_t windowType = 2;
    bool qPhase = false;
    bool normaliseGain = true;
    bool bandReject = false;
    int32_t fLow = 0;
    int32_t fHigh = 0;
};

std::unique_ptr<clsFFTFilter> MakeInstance(const Setup& setup, bool design = true)
{
    auto filter = std::make_unique<clsFFTFilter>();
    filter->SegmentSize = 4096;
    filter->Points = N;
    filter->FSampling = 48000;
    filter->WindowType = setup.windowType;
    filter->QPhase = setup.qPhase;
    filter->NormaliseGain = setup.normaliseGain;
    filter->BandReject = setup.bandReject;
    filter->FLow = setup.fLow;
    filter->FHigh = setup.fHigh;
    filter->init(filter->Points);
    if (design)
        filter->MakeFilter();
    return filter;
}

// The quadrature partner: the I partner's edges after its design, the opposite QPhase.
std::unique_ptr<clsFFTFilter> MakePartner(const clsFFTFilter& i, Setup setup)
{
    setup.fLow = i.FLow;
    setup.fHigh = i.FHigh;
    setup.qPhase = !i.QPhase;
    return MakeInstance(setup);
}

// Streams a cosine through the filter block by block and fits the tone in the third
// block, where the filter has settled.
Tone MeasureTone(clsFFTFilter& filter, double hz)
{
    std::vector<float> block(2 * N);
    for (int b = 0; b < 3; ++b) {
        for (int i = 0; i < N; ++i)
            block[i] = static_cast<float>(Amplitude * std::cos(2.0 * DspTest::Pi * hz * (b * N + i) / 48000.0));
        filter.Filter_FFT_S_1(block);
    }
    return FitTone(block.data(), N, hz, 2 * N, Amplitude);
}

// Every tone's gain lies within toleranceDb of wantDb.
void ExpectGain(clsFFTFilter& filter, std::initializer_list<double> frequencies, double wantDb, double toleranceDb)
{
    for (const double hz : frequencies)
        EXPECT_NEAR(Decibels(MeasureTone(filter, hz).gain), wantDb, toleranceDb) << hz << " Hz";
}

void ExpectStopBand(clsFFTFilter& filter, std::initializer_list<double> frequencies, double attenuationDb)
{
    for (const double hz : frequencies)
        EXPECT_LT(Decibels(MeasureTone(filter, hz).gain), -attenuationDb) << hz << " Hz";
}

constexpr double HalfAmplitudeDb = -6.02;

// The two members of a quadrature pair are 90 degrees apart, with equal gain, across the band.
void ExpectQuadrature(clsFFTFilter& i, clsFFTFilter& q, std::initializer_list<double> frequencies)
{
    double sign = 0.0;
    for (const double hz : frequencies) {
        const Tone inPhase = MeasureTone(i, hz);
        const Tone quadrature = MeasureTone(q, hz);
        EXPECT_NEAR(Decibels(quadrature.gain / inPhase.gain), 0.0, 0.1) << hz << " Hz";
        const double difference = DspTest::PhaseDifference(quadrature.phase, inPhase.phase);
        EXPECT_NEAR(std::fabs(difference), DspTest::Pi / 2, 0.5 * DspTest::Pi / 180) << hz << " Hz";
        if (sign == 0.0)
            sign = std::copysign(1.0, difference);
        EXPECT_EQ(std::copysign(1.0, difference), sign) << "the shift changes its sense at " << hz << " Hz";
    }
}

const Setup AudioFilter{2, false, true, false, 100, 4500};        // AFFilter, NRFilter, DynFilter
const Setup IFFilterSetup{0, false, false, false, 7500, 16500};   // IFFilter, IFFilterQ
const Setup PhaseFilterSetup{2, false, true, false, -1000, 23000};
const Setup SSBFilterSetup{2, false, true, false, 300, 2300};
const Setup NotchSetup{1, false, true, true, 950, 1050};          // NotchFilter, NotchFilter2

TEST(clsFFTFilterInstances, AudioIFAndNotchFiltersPassTheirBandAndRejectOutsideIt)
{
    auto audio = MakeInstance(AudioFilter);
    ExpectGain(*audio, {300, 1000, 2500, 4000}, 0.0, 0.1);
    ExpectGain(*audio, {100, 4500}, HalfAmplitudeDb, 0.5);
    ExpectStopBand(*audio, {4800, 6000, 12000, 23000}, 70.0);

    auto ifFilter = MakeInstance(IFFilterSetup);
    ExpectGain(*ifFilter, {9000, 12000, 15000}, 0.0, 1.0);  // a rectangular window ripples
    ExpectGain(*ifFilter, {7500, 16500}, HalfAmplitudeDb, 0.5);
    ExpectStopBand(*ifFilter, {7000, 17000}, 40.0);
    ExpectStopBand(*ifFilter, {3000, 21000}, 55.0);

    auto notch = MakeInstance(NotchSetup);
    ExpectStopBand(*notch, {1000}, 40.0);
    ExpectGain(*notch, {950, 1050}, HalfAmplitudeDb, 0.5);
    ExpectGain(*notch, {300, 700, 1400, 3000, 12000}, 0.0, 0.1);
}

TEST(clsFFTFilterInstances, PhasingAndSidebandPairsPassTheirBandNinetyDegreesApart)
{
    auto phaseI = MakeInstance(PhaseFilterSetup);
    auto phaseQ = MakePartner(*phaseI, PhaseFilterSetup);
    EXPECT_EQ(phaseQ->FLow, 0);
    ExpectGain(*phaseQ, {1000, 12000, 20000}, 0.0, 0.1);
    ExpectGain(*phaseI, {23000}, HalfAmplitudeDb, 0.5);
    ExpectQuadrature(*phaseI, *phaseQ, {1000, 6000, 12000, 18000, 21000});

    auto ssbI = MakeInstance(SSBFilterSetup);
    auto ssbQ = MakePartner(*ssbI, SSBFilterSetup);
    ExpectGain(*ssbQ, {500, 1000, 2000}, 0.0, 0.1);
    ExpectGain(*ssbQ, {300, 2300}, HalfAmplitudeDb, 0.5);
    ExpectStopBand(*ssbQ, {2600, 3000, 8000, 20}, 70.0);
    ExpectQuadrature(*ssbI, *ssbQ, {500, 1000, 1500, 2000});
}

TEST(clsFFTFilter, ClampsEdgesAndCountsBins)
{
    auto filter = MakeInstance({2, false, true, false, -1000, 30000});
    EXPECT_EQ(filter->FLow, 0);
    EXPECT_EQ(filter->FHigh, 24000);

    filter->FLow = 300;
    filter->FHigh = 2300;
    filter->MakeFilter();
    EXPECT_EQ(filter->BinFLow, 25);
    EXPECT_EQ(filter->BinFHigh, 196);
    EXPECT_EQ(filter->BinFCount, 171);

    // A lower edge above the upper one passes the band between them, negated.
    const Tone upright = MeasureTone(*filter, 1000);
    filter->FLow = 2300;
    filter->FHigh = 300;
    filter->MakeFilter();
    EXPECT_LT(filter->BinFCount, 0);
    const Tone reversed = MeasureTone(*filter, 1000);
    EXPECT_NEAR(reversed.gain, upright.gain, 1e-4);
    EXPECT_NEAR(std::fabs(DspTest::PhaseDifference(reversed.phase, upright.phase)), DspTest::Pi, 1e-3);
}

TEST(clsFFTFilter, BandStopFromZeroHertzIsAHighPassNotNoise)
{
    // The notch width control can bring the lower edge to 0 Hz.
    auto notch = MakeInstance({1, false, true, true, 0, 500});
    std::vector<float> taps(N);
    notch->GetFilterCoeffs_T_S(taps);
    EXPECT_TRUE(std::all_of(taps.begin(), taps.end(), [](float tap) { return std::isfinite(tap); }));
    ExpectStopBand(*notch, {200}, 40.0);
    ExpectGain(*notch, {1500, 5000}, 0.0, 0.1);
}

// The chain's timing relies on these delays; the convolution test below covers the tail.
TEST(clsFFTFilter, ImpulseComesOutAtTheCentreTap)
{
    auto filter = MakeInstance(AudioFilter);
    auto notch = MakeInstance(NotchSetup);
    for (const auto& [instance, centre] : {std::pair{filter.get(), 1023}, std::pair{notch.get(), 1024}}) {
        std::vector<float> block(2 * N, 0.0f);
        block[0] = 1.0f;
        instance->Filter_FFT_S_1(block);
        const auto peak = std::max_element(block.begin(), block.begin() + N,
                                           [](float a, float b) { return std::fabs(a) < std::fabs(b); });
        EXPECT_EQ(peak - block.begin(), centre);
    }
}

TEST(clsFFTFilter, BlockByBlockOutputEqualsTheWholeStreamConvolvedWithTheTaps)
{
    auto filter = MakeInstance(SSBFilterSetup);
    std::vector<float> taps(N);
    filter->GetFilterCoeffs_T_S(taps);

    const int blocks = 4;
    const std::vector<float> stream = DspTest::RandomVector(blocks * N, 21u, 10000.0f);
    std::vector<float> filtered;
    std::vector<float> block(2 * N);
    for (int b = 0; b < blocks; ++b) {
        std::copy(stream.begin() + b * N, stream.begin() + (b + 1) * N, block.begin());
        filter->Filter_FFT_S_1(block);
        filtered.insert(filtered.end(), block.begin(), block.begin() + N);
    }

    double worst = 0.0;
    for (int n = 0; n < blocks * N; ++n) {
        double expected = 0.0;
        for (int k = 0; k <= std::min(n, N - 1); ++k)
            expected += static_cast<double>(taps[k]) * stream[n - k];
        worst = std::max(worst, std::fabs(filtered[n] - expected));
    }
    EXPECT_LT(worst, 0.05);  // against signal peaks of 10000
}

TEST(clsFFTFilter, UndesignedFilterSilencesAndMisuseIsReported)
{
    auto filter = MakeInstance(SSBFilterSetup, false);
    std::vector<float> block = DspTest::RandomVector(2 * N, 5u, 1000.0f);
    filter->Filter_FFT_S_1(block);
    EXPECT_TRUE(std::all_of(block.begin(), block.begin() + N, [](float v) { return v == 0.0f; }));

    std::vector<float> shortBlock(2 * N - 1);
    EXPECT_THROW(filter->Filter_FFT_S_1(shortBlock), RuntimeError);

    clsFFTFilter fresh;
    EXPECT_THROW(fresh.MakeFilter(), RuntimeError);
    fresh.SegmentSize = 4096;
    EXPECT_THROW(fresh.init(1000), RuntimeError);  // not a power of two
    EXPECT_THROW(fresh.init(1024), RuntimeError);  // SegmentSize is not twice the block
    fresh.WindowType = 7;
    EXPECT_THROW(fresh.init(2048), RuntimeError);
    fresh.WindowType = 2;
    fresh.init(2048);  // FSampling never set
    EXPECT_THROW(fresh.MakeFilter(), RuntimeError);

    // The largest block it takes, 16384 samples (transforms of 32768 points), works.
    fresh.SegmentSize = 65536;
    EXPECT_THROW(fresh.init(32768), RuntimeError);
    fresh.SegmentSize = 32768;
    fresh.FSampling = 48000;
    fresh.init(16384);
    fresh.FLow = 300;
    fresh.FHigh = 3000;
    fresh.MakeFilter();
    std::vector<float> impulse(32768, 0.0f);
    impulse[0] = 1.0f;
    fresh.Filter_FFT_S_1(impulse);
    std::vector<float> taps(16384);
    fresh.GetFilterCoeffs_T_S(taps);
    for (const int n : {0, 1000, 8191, 16382})
        EXPECT_NEAR(impulse[n], taps[n], 1e-6) << n;
}

} // namespace
