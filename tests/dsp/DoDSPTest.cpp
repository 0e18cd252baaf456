#include "ReceiveChainRig.h"
#include "fakes/FakeSpectrumFeed.h"

#include <gtest/gtest.h>

namespace {

using ChainTest::AMSignal;
using ChainTest::StrongestHz;
using ChainTest::Tone;
using ChainTest::ToneAmplitude;
using DspTest::Decibels;

constexpr double AudioHz = 1000.0;
constexpr double ToneTolerance = 12.0;   // one bin of the 4096-point measurement

struct SidebandCase
{
    int32_t mode;
    bool hiSideLo;
    int32_t ifHz;
    double wantedOffset;   // the signal's offset from the IF that the chain must receive
};

// The wanted side follows the redesign's rule: USB lies above the IF with high-side
// injection, below it with low-side injection, LSB the other way round.
class SingleChannelSideband : public ::testing::TestWithParam<SidebandCase>
{};

TEST_P(SingleChannelSideband, RecoversTheWantedSideAndRejectsTheOther)
{
    const SidebandCase c = GetParam();
    const auto received = [&](double offset) {
        ReceiveChainRig rig(c.mode);
        HiSideLoOn = c.hiSideLo;
        ReceiveChainRig::SetIF(c.ifHz);
        return rig.Run(Tone(c.ifHz + offset, 8000.0));
    };
    const std::vector<float> wanted = received(c.wantedOffset);
    const std::vector<float> image = received(-c.wantedOffset);

    EXPECT_NEAR(StrongestHz(wanted, 100, 4500), AudioHz, ToneTolerance);
    EXPECT_NEAR(ToneAmplitude(wanted, AudioHz), 8000.0, 400.0);
    EXPECT_LE(Decibels(ToneAmplitude(image, AudioHz) / ToneAmplitude(wanted, AudioHz)), -60.0);
}

INSTANTIATE_TEST_SUITE_P(
    BothInjectionSidesAndTheOscillatorPath, SingleChannelSideband,
    ::testing::Values(SidebandCase{DemodModeEnum::USB, true, 12000, +AudioHz},
                      SidebandCase{DemodModeEnum::USB, false, 12000, -AudioHz},
                      SidebandCase{DemodModeEnum::LSB, true, 12000, -AudioHz},
                      SidebandCase{DemodModeEnum::LSB, false, 12000, +AudioHz},
                      SidebandCase{DemodModeEnum::USB, true, 12500, +AudioHz},
                      SidebandCase{DemodModeEnum::LSB, false, 11400, +AudioHz}));

TEST(SingleChannelChain, EnvelopeAndPhaseModesRecoverTheModulatingTone)
{
    const auto fm = [](int64_t n) {
        // 2 kHz deviation: the phase is the carrier's plus 2 sin(2 pi 1000 t).
        return 8000.0 * std::cos(ChainTest::Radians(12000, n) + 2.0 * std::sin(ChainTest::Radians(AudioHz, n)));
    };
    for (const int32_t mode : {DemodModeEnum::AM, DemodModeEnum::BC, DemodModeEnum::SAM, DemodModeEnum::FM}) {
        ReceiveChainRig rig(mode, 100, 4500);
        const std::vector<float> out =
            mode == DemodModeEnum::FM ? rig.Run(fm) : rig.Run(AMSignal(12000, 6000, 0.5, AudioHz));
        EXPECT_NEAR(StrongestHz(out, 100, 4500), AudioHz, ToneTolerance) << "mode " << mode;
        EXPECT_GE(ChainTest::ToneShare(out, AudioHz), 0.9) << "mode " << mode;
    }
}

// The discriminator follows the IF's phase: I and Q are only bounded, not reduced to their
// signs, and the step from sample to sample is taken within -pi .. pi. Either fault halves
// the tone's share of a narrow-band signal and misstates its level.
TEST(SingleChannelChain, FMOutputIsProportionalToTheDeviation)
{
    for (const double deviationHz : {500.0, 2000.0}) {
        ReceiveChainRig rig(DemodModeEnum::FM, 100, 4500);
        const std::vector<float> out = rig.Run([=](int64_t n) {
            return 8000.0 * std::cos(ChainTest::Radians(12000, n)
                                     + deviationHz / AudioHz * std::sin(ChainTest::Radians(AudioHz, n)));
        });
        const double expected = 2.0 * DspTest::Pi * deviationHz / DspTest::SampleRate * 4096.0;
        EXPECT_NEAR(ToneAmplitude(out, AudioHz), expected, 0.03 * expected) << deviationHz << " Hz";
        EXPECT_GE(ChainTest::ToneShare(out, AudioHz), 0.99) << deviationHz << " Hz";
    }
}

// The carrier reference is the IF's sign: the detected audio keeps the IF's scale, and the
// S-meter reads that audio, not a display copy. Sampled at a quarter of the sampling rate
// from phase 0, the rectified carrier averages to one half: the audio is amplitude x depth / 2.
TEST(SingleChannelChain, SynchronousAMDetectsWithTheUnscaledCarrierReference)
{
    ReceiveChainRig rig(DemodModeEnum::SAM, 100, 4500);
    FakeSpectrumFeed analyser;
    ReceiveLinks::SpectrumAnalyser = &analyser;
    ScopeSource = ScopeSourceEnum::PostDemod;

    const std::vector<float> out = rig.Run(AMSignal(12000, 2000, 0.5, AudioHz));

    EXPECT_NEAR(ToneAmplitude(out, AudioHz), 2000 * 0.5 / 2, 20.0);
    EXPECT_LT(SMeterRing[0], 1000.0f);
    EXPECT_FLOAT_EQ(*std::max_element(analyser.y2.begin(), analyser.y2.end()), 8192.0f);
    EXPECT_LE(*std::max_element(CarrierRef.begin(), CarrierRef.begin() + BlockSize), 1.0f);
}

TEST(SingleChannelChain, DRMPassesTheIFBlockThrough)
{
    ReceiveChainRig rig(DemodModeEnum::DRM);
    std::vector<int16_t> left(BlockSize), right(BlockSize, 7);
    for (int k = 0; k < BlockSize; ++k)
        left[k] = static_cast<int16_t>(k * 37 % 20001 - 10000);
    const std::vector<int16_t> input = left;

    DoDSP(left, right, BlockSize);

    EXPECT_EQ(left, input);
    EXPECT_FALSE(InDSP);
}

// A failing step is skipped: the block still comes out levelled and InDSP is clear again.
TEST(SingleChannelChain, SkipsAFailingStepAndClearsInDSP)
{
    ReceiveChainRig rig(DemodModeEnum::DRM);
    IFFilter = clsFFTFilter{};   // never set up: filtering raises
    IFFilter.Active = true;
    OutputAttenuation = 4.0f;
    std::vector<int16_t> left(BlockSize, 10000), right(BlockSize);

    EXPECT_NO_THROW(DoDSP(left, right, BlockSize));

    EXPECT_FALSE(InDSP);
    EXPECT_EQ(left[100], 16384);   // the limiter acted on the passed block
    std::vector<int16_t> tooShort(100);
    EXPECT_THROW(DoDSP(tooShort, right, BlockSize), RuntimeError);
}

// The AF notch works on the spectrum that the peak search takes, with its own overlap: a
// continuous tone in the notch disappears, one beside it passes unchanged.
TEST(SingleChannelChain, AFNotchAndPeakSearchShareOneSpectrum)
{
    ReceiveChainRig rig(DemodModeEnum::DRM, 100, 4500);
    NotchFilter.FLow = 950;
    NotchFilter.FHigh = 1050;
    NotchFilter.MakeFilter();
    NotchFilter.Active = true;
    const auto tones = [](int64_t n) {
        return 3000.0 * std::cos(ChainTest::Radians(1000, n)) + 6000.0 * std::cos(ChainTest::Radians(2461, n));
    };

    const std::vector<float> out = rig.Run(tones);

    EXPECT_LE(Decibels(ToneAmplitude(out, 1000) / 3000.0), -40.0);
    EXPECT_NEAR(Decibels(ToneAmplitude(out, 2461) / 6000.0), 0.0, 0.5);
    // 2461 Hz is bin 210 of the 4096-point spectrum; the search counts from bin 100 / 12 = 8.
    EXPECT_NEAR(PeakBinRing[0], 210 - 8, 1);
    EXPECT_EQ(PeakBinIndex, 8);
}

TEST(SingleChannelChain, EmptyAFPassBandLeavesThePeakSearchOut)
{
    ReceiveChainRig rig(DemodModeEnum::DRM, 300, 2300);
    DynFilterActive = true;
    FilterLo = 2300;
    FilterHi = 2300;
    rig.Run(Tone(1000, 4000), nullptr, 2);
    EXPECT_EQ(PeakBinIndex, 0);

    FilterLo = 30000;   // beyond the spectrum
    FilterHi = 40000;
    rig.Run(Tone(1000, 4000), nullptr, 2);
    EXPECT_EQ(PeakBinIndex, 0);
}

TEST(SingleChannelChain, SpectrumFeedsPlaceTheAxisAndOrientation)
{
    ReceiveChainRig rig(DemodModeEnum::USB);
    FakeSpectrumFeed analyser;
    analyser.fStart = 0;
    analyser.fEnd = 24000;
    ReceiveLinks::SpectrumAnalyser = &analyser;
    ReceiveLinks::TunedFrequency = [] { return int32_t{70500005}; };   // 7 050 000.5 Hz
    HiSideLoOn = true;

    ScopeSource = ScopeSourceEnum::IFIn;
    rig.Run(Tone(13000, 1000), nullptr, 1);
    EXPECT_EQ(analyser.loads, 0);
    EXPECT_FALSE(analyser.iqMode);

    ScopeSource = ScopeSourceEnum::PreDemod;
    rig.Run(Tone(13000, 1000), nullptr, 1);
    EXPECT_EQ(analyser.loads, 1);
    EXPECT_EQ(analyser.fOffset, 7038000);   // 7 038 000.5 rounds to the even neighbour
    EXPECT_TRUE(analyser.reverse);
    EXPECT_FLOAT_EQ(analyser.y1[5], std::round(1000.0 * std::cos(ChainTest::Radians(13000, rig.position - BlockSize + 5))));
}

} // namespace
