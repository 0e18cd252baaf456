#include "ReceiveChainRig.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using ChainTest::Radians;
using DspTest::Decibels;

constexpr int32_t AllModes[] = {DemodModeEnum::AM,  DemodModeEnum::USB, DemodModeEnum::LSB, DemodModeEnum::DRM,
                                DemodModeEnum::FM,  DemodModeEnum::BC,  DemodModeEnum::SAM};

float LargestMagnitude(const std::vector<float>& samples)
{
    float largest = 0;
    for (const float sample : samples)
        largest = std::max(largest, std::fabs(sample));
    return largest;
}

// Nothing in, nothing out, in every mode of both chains, with the AGC off and on, with the
// optional stages off and all on: no mode makes a sound of its own. (A silent input has
// no phase, so FM's discriminator takes none: it used to put out its offset for a step
// of 0, a constant that the AF filter let through in part and the AGC raised to full
// scale.)
TEST(ReceiveModes, ASilentInputGivesASilentOutputInEveryMode)
{
    const ReceiveChainRig::Signal silence = [](int64_t) { return 0.0; };
    for (const bool everyStage : {false, true}) {
        for (const bool iq : {false, true}) {
            for (const bool agc : {false, true}) {
                for (const int32_t mode : AllModes) {
                    ReceiveChainRig rig(mode, 100, 4500);
                    AGCOn = agc;
                    ApplyAGCAttack(5);   // half a second: the start-up fill no longer holds the gain
                    if (everyStage) {
                        IFFilter.Active = NBOn = DynFilterActive = DynFilter.Active = true;
                        NRLevel = 0.2f;
                        NotchFilter.FLow = 950;
                        NotchFilter.FHigh = 1050;
                        NotchFilter.Active = true;
                        NotchFilter.MakeFilter();
                        MakeFilters();
                    }
                    const std::vector<float> out = rig.Run(silence, iq ? silence : nullptr, 16);   // the last two blocks
                    EXPECT_LE(LargestMagnitude(out), 1.0f) << (iq ? "I/Q" : "single") << " mode " << mode
                                                          << (agc ? " AGC" : "") << (everyStage ? " every stage" : "");
                }
            }
        }
    }
}

// One signal that every mode turns into a steady tone: a carrier at the IF modulated to
// half depth at 1 kHz (the AM detectors and either sideband hear it) and in phase at
// 1.5 kHz (the FM discriminator hears it); DRM passes the IF on, whose carrier is its
// tone, and so does the I/Q chain's SAM.
double Signal(int64_t n, bool quadrature)
{
    const double envelope = 6000.0 * (1.0 + 0.5 * std::cos(Radians(1000, n)));
    const double phase = Radians(12000, n) + 0.5 * std::sin(Radians(1500, n));
    return envelope * (quadrature ? std::sin(phase) : std::cos(phase));
}

double ToneHz(bool iq, int32_t mode)
{
    if (mode == DemodModeEnum::FM)
        return 1500;
    return mode == DemodModeEnum::DRM || (iq && mode == DemodModeEnum::SAM) ? 12000 : 1000;
}

// The tone of the block that ends at the rig's position.
double LastBlockTone(const ReceiveChainRig& rig, const std::vector<float>& out, bool iq, int32_t mode)
{
    const std::vector<float> last(out.end() - BlockSize, out.end());
    return DspTest::FitTone(last.data(), BlockSize, ToneHz(iq, mode), rig.position - BlockSize, 1.0).gain;
}

// After a stop the capture starts again with what the input holds now: no stage of either
// chain, in any mode, with the optional stages off and all on, carries sound from before the
// stop into the first block after it.
TEST(ChainStart, NothingFromBeforeAStopSoundsAfterTheStart)
{
    const ReceiveChainRig::Signal i = [](int64_t n) { return Signal(n, false); };
    const ReceiveChainRig::Signal q = [](int64_t n) { return Signal(n, true); };
    const ReceiveChainRig::Signal silence = [](int64_t) { return 0.0; };
    for (const bool everyStage : {false, true}) {
        for (const bool iq : {false, true}) {
            for (const int32_t mode : AllModes) {
                SCOPED_TRACE(testing::Message() << (iq ? "I/Q" : "single") << " mode " << mode << (everyStage ? " every stage" : ""));
                ReceiveChainRig rig(mode);
                if (everyStage) {
                    IFFilter.Active = NBOn = DynFilterActive = DynFilter.Active = true;
                    NotchFilter.FLow = 2950;
                    NotchFilter.FHigh = 3050;
                    NotchFilter.Active = true;
                    NotchFilter.MakeFilter();
                    MakeFilters();
                }
                const std::vector<float> before = rig.Run(i, iq ? q : nullptr, 6);
                // The audio stages leave out the IF that DRM, and the I/Q chain's SAM, hand on.
                if (!everyStage || ToneHz(iq, mode) < 12000) {
                    ASSERT_GT(LargestMagnitude(before), 100.0f) << "the signal is heard";
                }
                StartChainAfresh();
                const std::vector<float> after = rig.Run(silence, iq ? silence : nullptr, 1);
                EXPECT_LE(LargestMagnitude(after), 1.0f);
            }
        }
    }
}

// A new mode starts with the histories of its stages cleared and stays silent until each
// stage in its path (its demodulator's filter pair, the AF filter, the noise reducer's
// filter, ...) holds the new signal only, one block per stage; its first block that sounds
// is at its steady level, with nothing of the old mode's histories in it. The first block
// after start-up starts nothing.
TEST(ModeChange, ANewModeIsSilentWhileItsStagesFillAndThenPlaysAtItsSteadyLevel)
{
    struct Case
    {
        bool iq;
        int32_t from, to;
        bool noiseReducer;
        int silentBlocks;
    };
    const Case cases[] = {
        {false, DemodModeEnum::AM, DemodModeEnum::FM, false, 2},    // Hilbert pair, AF filter
        {false, DemodModeEnum::FM, DemodModeEnum::USB, false, 1},   // sideband pair
        {false, DemodModeEnum::USB, DemodModeEnum::DRM, false, 0},  // the IF as it stands
        {false, DemodModeEnum::BC, DemodModeEnum::AM, true, 3},     // phasing pair, AF filter, NRFilter
        {true, DemodModeEnum::AM, DemodModeEnum::USB, false, 2},    // sideband pair, AF filter
        {true, DemodModeEnum::USB, DemodModeEnum::DRM, false, 1},   // Hilbert pair
        {false, DemodModeEnum::FM, DemodModeEnum::FM, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.iq ? "I/Q " : "single ") << c.from << " -> " << c.to);
        const ReceiveChainRig::Signal i = [](int64_t n) { return Signal(n, false); };
        const ReceiveChainRig::Signal q = c.iq ? [](int64_t n) { return Signal(n, true); } : ReceiveChainRig::Signal{};
        // The level of the same block when the mode has run from the start.
        const int blocks = 1 + 4 + c.silentBlocks + 1;
        ReceiveChainRig steady(c.to);
        NBOn = c.noiseReducer;
        const double level = LastBlockTone(steady, steady.Run(i, q, blocks), c.iq, c.to);

        ReceiveChainRig rig(c.from);
        NBOn = c.noiseReducer;
        const std::vector<float> first = rig.Run(i, q, 1);
        EXPECT_GT(LargestMagnitude(first), 1.0f) << "the first block ever is not silenced";
        EXPECT_FALSE(AGCRestart);
        rig.Run(i, q, 4);

        DemodMode = c.to;
        for (int b = 0; b < c.silentBlocks; ++b) {
            const std::vector<float> out = rig.Run(i, q, 1);
            EXPECT_EQ(LargestMagnitude(out), 0.0f) << "block " << b;
        }
        const std::vector<float> out = rig.Run(i, q, 1);
        EXPECT_NEAR(Decibels(LastBlockTone(rig, out, c.iq, c.to) / level), 0.0, 0.1);
    }
}

// The filters' designs follow the mode, and the first block of a mode may have run on the
// old ones: a redesign for another mode than the last one's starts the mode again, one for
// the same mode does not.
TEST(ModeChange, ARedesignForAnotherModeStartsItAgain)
{
    ReceiveChainRig rig(DemodModeEnum::USB);
    const auto in = [](int64_t n) { return Signal(n, false); };
    rig.Run(in, nullptr, 3);
    AGCOn = true;

    MakeFilters();
    EXPECT_GT(LargestMagnitude(rig.Run(in, nullptr, 1)), 1.0f) << "the same mode";

    DemodMode = DemodModeEnum::BC;
    MakeFilters();   // before the new mode's first block
    EXPECT_TRUE(AGCRestart);
    EXPECT_EQ(ModeFillBlocks, 1);   // the AF filter
    EXPECT_EQ(LargestMagnitude(rig.Run(in, nullptr, 1)), 0.0f);
    EXPECT_GT(LargestMagnitude(rig.Run(in, nullptr, 1)), 1000.0f);
    EXPECT_FALSE(AGCRestart);

    IFFilter.Active = true;
    DemodMode = DemodModeEnum::AM;
    rig.Run(in, nullptr, 1);
    MakeFilters();   // after it: the IF filter's design moved too
    EXPECT_EQ(ModeFillBlocks, 3);   // IF filter, phasing pair, AF filter
}

} // namespace
