#include "ReceiveChainRig.h"
#include "dsp/NoiseReduce.h"
#include "dsp/ReceiveDefaults.h"

#include <gtest/gtest.h>

namespace {

using DspTest::Decibels;

void LoadTone(double hz, double amplitude, int64_t position)
{
    for (int k = 0; k < BlockSize; ++k)
        WorkBuffer[k] = static_cast<float>(amplitude * std::cos(ChainTest::Radians(hz, position + k)));
}

float Peak()
{
    return QELVO::MaxAbs_S(WorkBuffer.data(), BlockSize);
}

TEST(AGC, SteadyToneSettlesTo16383AndTheMeterReadsTheInput)
{
    ReceiveChainRig rig(DemodModeEnum::AM);
    AGCOn = true;
    for (int b = 0; b < 80; ++b) {
        LoadTone(1000, 500, b * BlockSize);
        AGCAndOutputLevel(WorkBuffer);
    }
    EXPECT_NEAR(Peak(), 16383.0f, 2.0f);
    EXPECT_NEAR(SMeterRing[3], 500.0f / std::sqrt(2.0f), 1.0f);
    EXPECT_NEAR(BlockPowerRing[79], 2048 * 500.0f * 500.0f / 2, 2048 * 500.0f);
}

TEST(AGC, LengthsFollowThePresetsTheOffPresetIsHeldAtOneAndTheGainRamps)
{
    ReceiveChainRig rig(DemodModeEnum::AM);
    ReceiveDefaults::FillAGCTable("");
    const int32_t expected[][2] = {{1, 1}, {59, 240}, {117, 480}, {234, 960}};
    for (int mode = 0; mode <= 3; ++mode) {
        ApplyAGCAttack(AGCTable[mode].Attack);
        ApplyAGCDecay(AGCTable[mode].Decay);
        EXPECT_EQ(AGCAttackLength, expected[mode][0]) << "preset " << mode;
        EXPECT_EQ(AGCDecayLength, expected[mode][1]) << "preset " << mode;
    }

    // Lengths of 0 and an empty hold: no division by zero, no infinite or undefined sample.
    AGCOn = true;
    AGCAttackLength = AGCDecayLength = 0;
    AGCDelayLine.fill(0.0f);
    for (int b = 0; b < 3; ++b) {
        LoadTone(700, b == 1 ? 0 : 300, b * BlockSize);
        AGCAndOutputLevel(WorkBuffer);
        EXPECT_TRUE(std::all_of(WorkBuffer.begin(), WorkBuffer.begin() + BlockSize, [](float v) { return std::isfinite(v); }));
    }
    EXPECT_NEAR(Peak(), 16383.0f, 2.0f);

    // The gain moves from the last block's to the new one over the decay length.
    ApplyAGCDecay(100);   // 480 samples
    AGCLastGain = 1.0f;
    AGCDelayLine.fill(0.0f);
    WorkBuffer.fill(1.0f);
    WorkBuffer[0] = 16383.0f / 4;   // the peak: gain 4
    AGCAndOutputLevel(WorkBuffer);
    EXPECT_NEAR(WorkBuffer[240], 2.5f, 0.01f);
    EXPECT_FLOAT_EQ(WorkBuffer[479], 4.0f);
    EXPECT_FLOAT_EQ(WorkBuffer[2047], 4.0f);
}

TEST(AGC, OutputLevelScalesOrAttenuatesTheCardAndTheLimiterHolds16384)
{
    ReceiveChainRig rig(DemodModeEnum::AM);
    std::vector<int32_t> card;
    ReceiveLinks::SetSoundCardAttenuation = [&](int32_t value) { card.push_back(value); };
    for (const float level : {1.5f, -2000.5f, 4.0f}) {
        OutputAttenuation = level;
        LoadTone(1000, 1000, 0);
        AGCAndOutputLevel(WorkBuffer);
    }
    EXPECT_NEAR(Peak(), 4000.0f, 0.1f);
    EXPECT_EQ(card, (std::vector<int32_t>{0, -2000, 0}));

    OutputAttenuation = 20.0f;
    AGCAndOutputLevel(WorkBuffer);
    EXPECT_NEAR(Peak(), 16384.0f, 0.01f);
    WorkBuffer.fill(0.0f);
    WorkBuffer[9] = -16384.0f;   // a peak of exactly 16384 is left alone
    WorkBuffer[10] = 12000.0f;
    OutputAttenuation = 0.0f;
    AGCAndOutputLevel(WorkBuffer);
    EXPECT_EQ(WorkBuffer[10], 12000.0f);
}

// After a mode change the AGC forgets the old mode's peaks: silent blocks (the chain
// silences the new mode while its filters fill) leave it waiting, and the first block that
// sounds sets the gain by its own peak at once, without a ramp from the old gain. Without
// a restart the old peaks hold the gain down.
TEST(AGC, ARestartForgetsTheOldPeaksAndStartsFromTheFirstBlockThatSounds)
{
    ReceiveChainRig rig(DemodModeEnum::AM);
    AGCOn = true;
    const auto afterOldPeaks = [](bool restart) {
        AGCDelayLine.fill(0.0f);
        AGCDelayLine[0] = AGCDelayLine[1] = 30000.0f;   // a loud old mode
        AGCLastGain = 16383.0f / 30000.0f;
        AGCRestart = restart;
        WorkBuffer.fill(0.0f);
        AGCAndOutputLevel(WorkBuffer);
        EXPECT_EQ(AGCRestart, restart) << "a silent block leaves the restart waiting";
        LoadTone(1000, 1000, 0);
        AGCAndOutputLevel(WorkBuffer);
        return std::pair{std::fabs(WorkBuffer[0]), Peak()};
    };
    const auto [first, peak] = afterOldPeaks(true);
    EXPECT_NEAR(first, 16383.0f, 1.0f) << "no ramp from the old gain";
    EXPECT_NEAR(peak, 16383.0f, 1.0f);
    EXPECT_FALSE(AGCRestart);
    EXPECT_TRUE(std::all_of(AGCDelayLine.begin() + 1, AGCDelayLine.end(), [](float v) { return v == 0.0f; }));

    EXPECT_LT(afterOldPeaks(false).second, 16383.0f / 20);
}

// Bins of the AF band weaker than NRLevel times the strongest fade; the strong tone stays.
// The tones make whole cycles in the 4096 samples measured, so each fit is blind to the other.
TEST(NoiseReducer, WeakensWhatIsBelowTheLevelAndKeepsTheStrongTone)
{
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
    AFFilter.FHigh = 300;
    AFFilter.MakeFilter();
    NoiseReduce(WorkBuffer);
    EXPECT_EQ(WorkBuffer, input);
}

} // namespace
