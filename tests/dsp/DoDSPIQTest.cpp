#include "ReceiveChainRig.h"
#include "fakes/FakeSpectrumFeed.h"

#include <gtest/gtest.h>

namespace {

using ChainTest::Radians;
using ChainTest::StrongestHz;
using ChainTest::ToneAmplitude;
using DspTest::Decibels;

constexpr double AudioHz = 1000.0;

// A complex tone at hz (negative: below the oscillator) on the I (left) and Q (right) inputs.
struct IQTone
{
    ReceiveChainRig::Signal i;
    ReceiveChainRig::Signal q;
};

IQTone ComplexTone(double hz, double amplitude)
{
    return {[=](int64_t n) { return amplitude * std::cos(Radians(hz, n)); },
            [=](int64_t n) { return amplitude * std::sin(Radians(hz, n)); }};
}

std::vector<float> ReceiveUSB(const IQTone& tone, bool selectUpper, bool swapChannels)
{
    ReceiveChainRig rig(DemodModeEnum::USB);
    IQModeOn = true;
    IQSelectUpper = selectUpper;
    // Swapping the channels is what the block loop does for the L<->R switch.
    return swapChannels ? rig.Run(tone.q, tone.i) : rig.Run(tone.i, tone.q);
}

// The selected side is the one whose USB lies below the IF centre in the sum of the phasing
// pair; the upper-image switch, like swapping the channels, selects the other side.
TEST(IQChain, ReceivesTheSelectedSideAndRejectsItsImage)
{
    struct Case
    {
        bool selectUpper;
        bool swapChannels;
        double wantedHz;
    };
    for (const Case c : {Case{false, false, 12000 - AudioHz}, Case{true, false, -(12000 + AudioHz)},
                         Case{false, true, -(12000 - AudioHz)}}) {
        const std::vector<float> wanted = ReceiveUSB(ComplexTone(c.wantedHz, 6000), c.selectUpper, c.swapChannels);
        const std::vector<float> image = ReceiveUSB(ComplexTone(-c.wantedHz, 6000), c.selectUpper, c.swapChannels);

        EXPECT_NEAR(StrongestHz(wanted, 100, 4500), AudioHz, 12.0) << c.wantedHz;
        EXPECT_GT(ToneAmplitude(wanted, AudioHz), 2000.0) << c.wantedHz;
        EXPECT_LE(Decibels(ToneAmplitude(image, AudioHz) / ToneAmplitude(wanted, AudioHz)), -60.0) << c.wantedHz;
    }
}

// The Q channel is scaled to the I channel's peak before phasing, so a weak Q channel still
// cancels the image.
TEST(IQChain, BalancesTheQChannelToTheIChannel)
{
    ReceiveChainRig rig(DemodModeEnum::USB);
    IQModeOn = true;
    const IQTone image = ComplexTone(-(12000 - AudioHz), 6000);
    const std::vector<float> out = rig.Run(image.i, [&](int64_t n) { return 0.25 * image.q(n); });

    EXPECT_NEAR(IQGainBalance, 4.0f, 0.01f);
    EXPECT_LT(ToneAmplitude(out, AudioHz), 6.0);
}

TEST(IQChain, SilentQChannelKeepsTheBalanceAtOneAndTheBlockIsProcessed)
{
    ReceiveChainRig rig(DemodModeEnum::AM);
    IQModeOn = true;
    const std::vector<float> out = rig.Run(ChainTest::AMSignal(12000, 6000, 0.5, AudioHz), [](int64_t) { return 0.0; });

    EXPECT_FLOAT_EQ(IQGainBalance, 1.0f);
    EXPECT_NEAR(StrongestHz(out, 100, 4500), AudioHz, 12.0);
    EXPECT_FALSE(InDSP);
}

TEST(IQChain, AFailingStepEndsTheBlockPassesTheErrorOnAndClearsInDSP)
{
    ReceiveChainRig rig(DemodModeEnum::USB);
    PhaseFilterI = clsFFTFilter{};   // never set up: filtering raises
    std::vector<int16_t> left(BlockSize, 1234), right(BlockSize, 1000);

    EXPECT_THROW(DoDSPIQ(left, right, BlockSize), RuntimeError);

    EXPECT_FALSE(InDSP);
    EXPECT_EQ(left[0], 1234);   // the output samples are not written
}

TEST(IQChain, SpectrumFeedsOfACrystalReceiverLeaveOutItsIncrementalTuning)
{
    ReceiveChainRig rig(DemodModeEnum::USB);
    IQModeOn = true;
    FakeSpectrumFeed analyser;
    analyser.fEnd = 24000;
    ReceiveLinks::SpectrumAnalyser = &analyser;
    ReceiveLinks::TunedFrequency = [] { return int32_t{70000000}; };
    RITOffset = 500;
    const IQTone tone = ComplexTone(11000, 3000);

    for (const bool vfoControl : {true, false}) {
        for (const bool selectUpper : {false, true}) {
            VFOControl = vfoControl;
            IQSelectUpper = selectUpper;
            const int32_t expectedOffset = 7000000 - (vfoControl ? 0 : 500) - 12000;

            ScopeSource = ScopeSourceEnum::PreDemod;
            rig.Run(tone.i, tone.q, 1);
            EXPECT_EQ(analyser.fOffset, expectedOffset);
            EXPECT_EQ(analyser.reverse, selectUpper);

            ScopeSource = ScopeSourceEnum::PostDemod;
            rig.Run(tone.i, tone.q, 1);
            EXPECT_EQ(analyser.fOffset, expectedOffset);
            EXPECT_EQ(analyser.reverse, !selectUpper);
        }
    }
    EXPECT_EQ(analyser.loads, 8);
    EXPECT_FALSE(analyser.iqMode);
}

} // namespace
