#include "ReceiveChainRig.h"
#include "fakes/FakeSpectrumFeed.h"

#include <gtest/gtest.h>

namespace {

using ChainTest::Radians;
using ChainTest::ToneAmplitude;

constexpr double AudioHz = 1000.0;

// A complex tone at hz (negative: below the oscillator): I on the left, Q on the right.
std::pair<ReceiveChainRig::Signal, ReceiveChainRig::Signal> ComplexTone(double hz, double amplitude)
{
    return {[=](int64_t n) { return amplitude * std::cos(Radians(hz, n)); },
            [=](int64_t n) { return amplitude * std::sin(Radians(hz, n)); }};
}

// The selected side is the one whose USB lies below the IF in the phasing pair's sum; the
// upper-image switch, like swapping the channels (the L<->R switch), selects the other.
TEST(IQChain, ReceivesTheSelectedSideAndRejectsItsImageBy60dB)
{
    struct Case
    {
        bool selectUpper;
        bool swapChannels;
        double wantedHz;
    };
    for (const Case c : {Case{false, false, 12000 - AudioHz}, Case{true, false, -(12000 + AudioHz)},
                         Case{false, true, -(12000 - AudioHz)}}) {
        const auto received = [&](double hz) {
            ReceiveChainRig rig(DemodModeEnum::USB);
            IQModeOn = true;
            IQSelectUpper = c.selectUpper;
            const auto [i, q] = ComplexTone(hz, 6000);
            return c.swapChannels ? rig.Run(q, i) : rig.Run(i, q);
        };
        const std::vector<float> wanted = received(c.wantedHz);
        const std::vector<float> image = received(-c.wantedHz);

        EXPECT_GE(ChainTest::ToneShare(wanted, AudioHz), 0.99) << c.wantedHz;
        EXPECT_LE(DspTest::Decibels(ToneAmplitude(image, AudioHz) / ToneAmplitude(wanted, AudioHz)), -60.0)
            << c.wantedHz;
    }
}

// Q is scaled to I's level, so a weak Q channel still cancels the image. A pair in balance
// reads so at any pitch and wherever the block starts, also on simple fractions of the
// sample rate, whose samples reach one channel's crest and miss the other's. A silent
// channel, either one, keeps the ratio at 1 and the block is received.
TEST(IQChain, BalancesQToIAndReceivesASilentChannel)
{
    ReceiveChainRig rig(DemodModeEnum::USB);
    const auto [i, q] = ComplexTone(-(12000 - AudioHz), 6000);
    std::vector<float> out = rig.Run(i, [&](int64_t n) { return 0.25 * q(n); });
    EXPECT_NEAR(IQGainBalance, 4.0f, 0.01f);
    EXPECT_LT(ToneAmplitude(out, AudioHz), 6.0);

    for (const double hz : {8000.0, -8000.0, 16000.0, 9600.0, -4800.0, 6857.0, 1000.0, -23000.0}) {
        const auto [balancedI, balancedQ] = ComplexTone(hz, 6000);
        for (int block = 0; block < 3; ++block) {   // each block starts elsewhere in the tone's period
            rig.position += 1 + block;
            rig.Run(balancedI, balancedQ, 1);
            EXPECT_NEAR(IQGainBalance, 1.0f, 1e-4f) << hz << " Hz";
        }
    }

    const auto silent = [](int64_t) { return 0.0; };
    const ReceiveChainRig::Signal am = ChainTest::AMSignal(12000, 6000, 0.5, AudioHz);
    for (const bool silentI : {false, true}) {
        ReceiveChainRig receiver(DemodModeEnum::AM);
        out = silentI ? receiver.Run(silent, am) : receiver.Run(am, silent);
        EXPECT_FLOAT_EQ(IQGainBalance, 1.0f) << silentI;
        EXPECT_GE(ChainTest::ToneShare(out, AudioHz), 0.9) << silentI;
    }
}

// FM takes the phase of the IF the phasing pair forms at 12 kHz, as in the single-channel
// chain: the branches mixed down to 0 Hz, whose product above 24 kHz is as strong as the
// signal, carry nothing of its phase but its sign.
TEST(IQChain, FMPlaysItsToneAtTheDeviationsLevel)
{
    constexpr double DeviationHz = 2000.0;
    ReceiveChainRig rig(DemodModeEnum::FM, 100, 4500);
    const auto phase = [](int64_t n) {
        return Radians(12000, n) + DeviationHz / AudioHz * std::sin(Radians(AudioHz, n));
    };
    const std::vector<float> out = rig.Run([&](int64_t n) { return 8000.0 * std::cos(phase(n)); },
                                           [&](int64_t n) { return 8000.0 * std::sin(phase(n)); });

    const double expected = 2.0 * DspTest::Pi * DeviationHz / DspTest::SampleRate * 4096.0;
    EXPECT_NEAR(ToneAmplitude(out, AudioHz), expected, 0.03 * expected);
    EXPECT_GE(ChainTest::ToneShare(out, AudioHz), 0.99);
}

// BC and DRM take the IF's quadrature pair, as FM does, so their output depends on the
// signal alone, never on the oscillator's phase at the moment the capture started (the
// mixed-down I branch holds the signal scaled by the cosine of that phase: all of it or
// nothing). A carrier at the IF modulated to half depth, captured from nine start offsets
// (fractions of a sample among them), gives the same level every time, and the level the
// single-channel chain gives for the same IF: the one the phasing pair forms, twice the I
// channel for a signal on the selected side.
TEST(IQChain, BCAndDRMGiveOneLevelWhereverTheCaptureStarts)
{
    const auto signal = [](double start, double amplitude, bool quadrature) {
        return [=](int64_t n) {
            const double t = static_cast<double>(n) + start;
            const double envelope = amplitude * (1.0 + 0.5 * std::cos(2.0 * DspTest::Pi * AudioHz * t / DspTest::SampleRate));
            const double phase = 2.0 * DspTest::Pi * 12000.0 * t / DspTest::SampleRate;
            return envelope * (quadrature ? std::sin(phase) : std::cos(phase));
        };
    };
    for (const auto& [mode, heardHz] : {std::pair{DemodModeEnum::BC, AudioHz}, std::pair{DemodModeEnum::DRM, 12000.0}}) {
        ReceiveChainRig single(mode);
        const double reference = ToneAmplitude(single.Run(signal(0, 6000, false)), heardHz);
        double lowest = 1e9, highest = 0;
        for (const double start : {0.0, 0.25, 0.5, 1.0, 1.5, 2.0, 3.0, 3.7, 1000.6}) {
            ReceiveChainRig rig(mode);
            IQModeOn = true;
            const double level = ToneAmplitude(rig.Run(signal(start, 3000, false), signal(start, 3000, true)), heardHz);
            EXPECT_NEAR(DspTest::Decibels(level / reference), 0.0, 0.1) << "mode " << mode << ", start " << start;
            lowest = std::min(lowest, level);
            highest = std::max(highest, level);
        }
        EXPECT_LE(DspTest::Decibels(highest / lowest), 0.1) << "mode " << mode;
    }
}

TEST(IQChain, AFailingStepEndsTheBlockPassesTheErrorOnAndClearsInDSP)
{
    ReceiveChainRig rig(DemodModeEnum::USB);
    PhaseFilterI = clsFFTFilter{};   // never set up: filtering raises
    std::vector<int16_t> left(BlockSize, 1234), right(BlockSize, 1000);

    EXPECT_THROW(DoDSPIQ(left, right, BlockSize), RuntimeError);
    EXPECT_FALSE(InDSP);
    EXPECT_EQ(left[0], 1234);
}

// The axis sits half a span below the tuned frequency, also for a crystal receiver, whose
// I/Q pair the chain has moved by its offset; the single-channel chain mirrors it with
// high-side injection, the I/Q chain with the upper image on the first feed and the other
// way on the second.
TEST(ReceiveChains, SpectrumFeedsPlaceTheAxisAndItsOrientation)
{
    ReceiveChainRig rig(DemodModeEnum::USB);
    FakeSpectrumFeed analyser;
    ReceiveLinks::SpectrumAnalyser = &analyser;
    ReceiveLinks::TunedFrequency = [] { return int32_t{70000005}; };   // 7 000 000.5 Hz
    RITOffset = 500;
    VFOControl = false;
    HiSideLoOn = IQSelectUpper = true;
    const auto [i, q] = ComplexTone(11000, 3000);

    ScopeSource = ScopeSourceEnum::PreDemod;
    rig.Run(i, nullptr, 1);
    EXPECT_EQ(analyser.fOffset, 6988000);   // 6 988 000.5 rounds to the even neighbour
    EXPECT_TRUE(analyser.reverse);
    EXPECT_FLOAT_EQ(analyser.y1[5], std::round(i(rig.position - BlockSize + 5)));
    rig.Run(i, q, 1);
    EXPECT_EQ(analyser.fOffset, 6988000);
    EXPECT_TRUE(analyser.reverse);
    ScopeSource = ScopeSourceEnum::PostDemod;
    rig.Run(i, q, 1);
    EXPECT_FALSE(analyser.reverse);
    ScopeSource = ScopeSourceEnum::IFIn;
    rig.Run(i, q, 1);
    EXPECT_EQ(analyser.loads, 3);
    EXPECT_FALSE(analyser.iqMode);
}

} // namespace
