#include "ReceiveChainRig.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

using ChainTest::Radians;
using ChainTest::Tone;
using ChainTest::ToneAmplitude;
using DspTest::Decibels;

constexpr double AudioHz = 1000.0;

struct SidebandCase
{
    int32_t mode;
    bool hiSideLo;
    int32_t ifHz;
    double wantedOffset;   // offset from the IF of the side the chain must receive
};

// USB lies above the IF with high-side injection, below it with low-side, LSB the reverse.
class SingleChannelSideband : public ::testing::TestWithParam<SidebandCase>
{};

TEST_P(SingleChannelSideband, RecoversTheWantedSideAndRejectsTheOtherBy60dB)
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

    EXPECT_NEAR(ToneAmplitude(wanted, AudioHz), 8000.0, 400.0);
    EXPECT_GE(ChainTest::ToneShare(wanted, AudioHz), 0.99);
    EXPECT_LE(Decibels(ToneAmplitude(image, AudioHz) / ToneAmplitude(wanted, AudioHz)), -60.0);
}

// The last two take the oscillator path, the IF being shifted off 12 kHz.
INSTANTIATE_TEST_SUITE_P(Injection, SingleChannelSideband,
                         ::testing::Values(SidebandCase{DemodModeEnum::USB, true, 12000, +AudioHz},
                                           SidebandCase{DemodModeEnum::USB, false, 12000, -AudioHz},
                                           SidebandCase{DemodModeEnum::LSB, true, 12000, -AudioHz},
                                           SidebandCase{DemodModeEnum::LSB, false, 12000, +AudioHz},
                                           SidebandCase{DemodModeEnum::USB, true, 12500, +AudioHz},
                                           SidebandCase{DemodModeEnum::LSB, false, 11400, +AudioHz}));

// FM: I and Q are only bounded, not reduced to their signs, and each phase step is taken
// within -pi .. pi; either fault misstates the level and spreads a narrow-band signal's
// audio over its harmonics.
TEST(SingleChannelChain, DemodulatorsRecoverTheModulatingTone)
{
    for (const int32_t mode : {DemodModeEnum::AM, DemodModeEnum::BC, DemodModeEnum::SAM}) {
        ReceiveChainRig rig(mode, 100, 4500);
        const std::vector<float> out = rig.Run(ChainTest::AMSignal(12000, 6000, 0.5, AudioHz));
        EXPECT_GE(ChainTest::ToneShare(out, AudioHz), 0.9) << "mode " << mode;
    }
    for (const double deviationHz : {500.0, 2000.0}) {
        ReceiveChainRig rig(DemodModeEnum::FM, 100, 4500);
        const std::vector<float> out = rig.Run([=](int64_t n) {
            return 8000.0 * std::cos(Radians(12000, n) + deviationHz / AudioHz * std::sin(Radians(AudioHz, n)));
        });
        const double expected = 2.0 * DspTest::Pi * deviationHz / DspTest::SampleRate * 4096.0;
        EXPECT_NEAR(ToneAmplitude(out, AudioHz), expected, 0.03 * expected) << deviationHz << " Hz";
        EXPECT_GE(ChainTest::ToneShare(out, AudioHz), 0.99) << deviationHz << " Hz";
    }
}

// The detector multiplies by the unscaled carrier reference (the IF's sign), so the audio
// keeps the IF's scale: sampled at a quarter of the rate from phase 0, the rectified
// carrier averages to one half. The S-meter reads that audio.
TEST(SingleChannelChain, SynchronousAMUsesTheUnscaledCarrierReference)
{
    ReceiveChainRig rig(DemodModeEnum::SAM, 100, 4500);
    const std::vector<float> out = rig.Run(ChainTest::AMSignal(12000, 2000, 0.5, AudioHz));

    EXPECT_NEAR(ToneAmplitude(out, AudioHz), 2000 * 0.5 / 2, 20.0);
    EXPECT_LT(SMeterRing[0], 1000.0f);
}

// DRM passes the IF block through; a failing step is skipped and the rest still acts.
TEST(SingleChannelChain, DRMPassesTheBlockAndAFailingStepIsSkipped)
{
    ReceiveChainRig rig(DemodModeEnum::DRM);
    std::vector<int16_t> left(BlockSize), right(BlockSize, 7);
    std::iota(left.begin(), left.end(), int16_t{-1000});
    const std::vector<int16_t> input = left;
    DoDSP(left, right, BlockSize);
    EXPECT_EQ(left, input);

    IFFilter = clsFFTFilter{};   // never set up: filtering raises
    IFFilter.Active = true;
    OutputAttenuation = 4.0f;
    std::fill(left.begin(), left.end(), int16_t{10000});
    EXPECT_NO_THROW(DoDSP(left, right, BlockSize));
    EXPECT_FALSE(InDSP);
    EXPECT_EQ(left[100], 16384);   // levelled and limited all the same

    std::vector<int16_t> tooShort(100);
    EXPECT_THROW(DoDSP(tooShort, right, BlockSize), RuntimeError);
}

// One spectrum serves the peak search and the AF notch, which keeps its own overlap: a
// continuous tone in the notch disappears, one beside it passes unchanged.
TEST(SingleChannelChain, AFNotchAndPeakSearchShareOneSpectrum)
{
    ReceiveChainRig rig(DemodModeEnum::DRM, 100, 4500);
    NotchFilter.FLow = 950;
    NotchFilter.FHigh = 1050;
    NotchFilter.MakeFilter();
    NotchFilter.Active = true;
    const std::vector<float> out = rig.Run([](int64_t n) {
        return 3000.0 * std::cos(Radians(1000, n)) + 6000.0 * std::cos(Radians(2461, n));
    });

    EXPECT_LE(Decibels(ToneAmplitude(out, 1000) / 3000.0), -40.0);
    EXPECT_NEAR(Decibels(ToneAmplitude(out, 2461) / 6000.0), 0.0, 0.5);
    // 2461 Hz is bin 210; the search counts from bin 100 / 12 = 8.
    EXPECT_NEAR(PeakBinRing[7], 210 - 8, 1);
    EXPECT_EQ(PeakBinIndex, 8);

    // A pass band that is empty or beyond the spectrum leaves the search out.
    for (const auto& [lo, hi] : {std::pair{2300, 2300}, std::pair{30000, 40000}}) {
        FilterLo = lo;
        FilterHi = hi;
        rig.Run(Tone(1000, 4000), nullptr, 1);
        EXPECT_EQ(PeakBinIndex, 8);
    }
}

} // namespace
