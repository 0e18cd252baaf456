#include "ReceiveChainRig.h"
#include "dsp/NoiseReduce.h"
#include "dsp/ReceiveDefaults.h"

#include <gtest/gtest.h>

namespace {

using DspTest::Decibels;

// One block of a tone into WorkBuffer, continuing the stream at position.
void LoadTone(double hz, double amplitude, int64_t position)
{
    for (int k = 0; k < BlockSize; ++k)
        WorkBuffer[k] = static_cast<float>(amplitude * std::cos(ChainTest::Radians(hz, position + k)));
}

float Peak()
{
    return QELVO::MaxAbs_S(WorkBuffer.data(), BlockSize);
}

struct AGCRig : ReceiveChainRig
{
    std::vector<int32_t> cardAttenuation;

    AGCRig() : ReceiveChainRig(DemodModeEnum::AM)
    {
        ReceiveLinks::SetSoundCardAttenuation = [this](int32_t value) { cardAttenuation.push_back(value); };
    }
};

TEST(AGC, SteadyToneSettlesToTheTargetPeakAndTheMeterReadsItsLevel)
{
    AGCRig rig;
    AGCOn = true;
    for (int b = 0; b < 80; ++b) {
        LoadTone(1000, 500, b * BlockSize);
        AGCAndOutputLevel(WorkBuffer);
    }
    EXPECT_NEAR(Peak(), 16383.0f, 2.0f);
    EXPECT_NEAR(AGCGain, 16383.0f / 500.0f, 0.1f);
    EXPECT_NEAR(SMeterRing[(SMeterRingIndex + 3) % 4], 500.0f / std::sqrt(2.0f), 1.0f);   // the input's RMS
    EXPECT_NEAR(BlockPowerRing[79], 2048 * 500.0f * 500.0f / 2, 2048 * 500.0f);
    EXPECT_EQ(BlockPowerIndex, 80);
}

// The gain moves from the last block's to the new one over the decay length, then holds.
TEST(AGC, GainRampsOverTheDecayLength)
{
    AGCRig rig;
    AGCOn = true;
    ApplyAGCDecay(100);   // 10 ms: 480 samples
    AGCLastGain = 1.0f;
    AGCDelayLine.fill(0.0f);
    WorkBuffer.fill(0.0f);
    WorkBuffer[0] = 16383.0f / 4;   // the block peak: gain 4
    for (int k = 1; k < BlockSize; ++k)
        WorkBuffer[k] = 1.0f;

    AGCAndOutputLevel(WorkBuffer);

    EXPECT_FLOAT_EQ(WorkBuffer[0], 16383.0f / 4);   // the ramp starts at the last gain, 1
    EXPECT_NEAR(WorkBuffer[240], 2.5f, 0.01f);
    EXPECT_FLOAT_EQ(WorkBuffer[479], 4.0f);
    EXPECT_FLOAT_EQ(WorkBuffer[2047], 4.0f);
}

TEST(AGC, AttackAndDecayLengthsFollowThePresetsAndTheOffPresetIsHeldAtOne)
{
    AGCRig rig;
    ReceiveDefaults::FillAGCTable("");
    struct Expected
    {
        int32_t attackBlocks;
        int32_t decaySamples;
    };
    const Expected expected[] = {{1, 1}, {59, 240}, {117, 480}, {234, 960}};
    for (int mode = 0; mode <= 3; ++mode) {
        ApplyAGCAttack(AGCTable[mode].Attack);
        ApplyAGCDecay(AGCTable[mode].Decay);
        EXPECT_EQ(AGCAttackLength, expected[mode].attackBlocks) << "preset " << mode;
        EXPECT_EQ(AGCDecayLength, expected[mode].decaySamples) << "preset " << mode;
    }

    // Lengths of 0 set directly: no division by zero, no infinite or undefined sample.
    AGCOn = true;
    AGCAttackLength = 0;
    AGCDecayLength = 0;
    AGCDelayLine.fill(0.0f);
    AGCLastGain = 0.0f;
    for (int b = 0; b < 3; ++b) {
        LoadTone(700, b == 1 ? 0 : 300, b * BlockSize);
        AGCAndOutputLevel(WorkBuffer);
        for (int k = 0; k < BlockSize; ++k)
            ASSERT_TRUE(std::isfinite(WorkBuffer[k])) << "block " << b << " sample " << k;
    }
    EXPECT_NEAR(Peak(), 16383.0f, 2.0f);
}

// A silent block changes neither the peak hold nor the gain; with the AGC off the gain is
// still tracked but not applied.
TEST(AGC, SilenceAndAGCOffLeaveTheSamplesAlone)
{
    AGCRig rig;
    LoadTone(1000, 1000, 0);
    AGCAndOutputLevel(WorkBuffer);
    EXPECT_NEAR(Peak(), 1000.0f, 0.01f);
    const float gain = AGCGain;
    const std::array<float, AGCDelayLine.size()> line = AGCDelayLine;

    WorkBuffer.fill(0.0f);
    AGCAndOutputLevel(WorkBuffer);

    EXPECT_EQ(AGCDelayLine, line);
    EXPECT_FLOAT_EQ(AGCGain, gain);
    EXPECT_EQ(Peak(), 0.0f);
}

TEST(AGC, OutputLevelScalesAboveZeroAndAttenuatesTheCardOtherwise)
{
    AGCRig rig;
    OutputAttenuation = 1.5f;
    LoadTone(1000, 1000, 0);
    AGCAndOutputLevel(WorkBuffer);
    EXPECT_NEAR(Peak(), 1500.0f, 0.1f);

    OutputAttenuation = -2000.5f;
    LoadTone(1000, 1000, 0);
    AGCAndOutputLevel(WorkBuffer);
    EXPECT_NEAR(Peak(), 1000.0f, 0.1f);

    OutputAttenuation = 0.0f;
    AGCAndOutputLevel(WorkBuffer);
    EXPECT_EQ(rig.cardAttenuation, (std::vector<int32_t>{0, -2000, 0}));
}

TEST(AGC, LimiterHoldsTheBlockPeakAt16384)
{
    AGCRig rig;
    OutputAttenuation = 4.0f;
    LoadTone(1000, 8000, 0);
    AGCAndOutputLevel(WorkBuffer);
    EXPECT_NEAR(Peak(), 16384.0f, 0.01f);

    OutputAttenuation = 0.0f;
    WorkBuffer.fill(0.0f);
    WorkBuffer[9] = -16384.0f;
    WorkBuffer[10] = 12000.0f;
    AGCAndOutputLevel(WorkBuffer);
    EXPECT_EQ(WorkBuffer[10], 12000.0f);   // a peak of exactly 16384 is left alone
}

// The noise reducer weakens the bins of the AF band that are weaker than NRLevel times the
// strongest: a weak tone beside a strong one fades, the strong one stays.
TEST(NoiseReducer, WeakensWhatIsBelowTheLevelAndKeepsTheStrongTone)
{
    // Whole numbers of cycles in the measured 4096 samples, so that each tone's fit is
    // blind to the other.
    constexpr double WeakHz = 213 * 48000.0 / 4096;
    const auto tones = [](float level) {
        ReceiveChainRig rig(DemodModeEnum::AM, 300, 3000);
        NBOn = true;
        NRLevel = level;
        std::vector<float> out;
        for (int b = 0; b < 8; ++b) {
            LoadTone(1500, 4000, b * BlockSize);
            for (int k = 0; k < BlockSize; ++k)
                WorkBuffer[k] += static_cast<float>(40.0 * std::cos(ChainTest::Radians(WeakHz, b * BlockSize + k)));
            NoiseReduce(WorkBuffer);
            if (b >= 6)
                out.insert(out.end(), WorkBuffer.begin(), WorkBuffer.begin() + BlockSize);
        }
        return std::pair{ChainTest::ToneAmplitude(out, 1500), ChainTest::ToneAmplitude(out, WeakHz)};
    };
    const auto [strongUntouched, weakUntouched] = tones(0.0f);
    const auto [strongReduced, weakReduced] = tones(0.1f);

    EXPECT_NEAR(Decibels(strongReduced / strongUntouched), 0.0, 1.0);
    EXPECT_LT(Decibels(weakReduced / weakUntouched), -30.0);
}

TEST(NoiseReducer, OffOrWithAnEmptyPassBandLeavesTheBlockAlone)
{
    ReceiveChainRig rig(DemodModeEnum::AM, 300, 3000);
    NRLevel = 0.3f;
    LoadTone(1500, 4000, 0);
    const WorkVector input = WorkBuffer;

    NoiseReduce(WorkBuffer);
    EXPECT_EQ(WorkBuffer, input);

    NBOn = true;
    AFFilter.FLow = 3000;
    AFFilter.FHigh = 300;   // the band's upper edge below its lower edge
    AFFilter.MakeFilter();
    NoiseReduce(WorkBuffer);
    EXPECT_EQ(WorkBuffer, input);
}

} // namespace
