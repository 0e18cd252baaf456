#include "dsp/AGCAndOutputLevel.h"

#include "core/Numeric.h"
#include "dsp/QELVO.h"
#include "dsp/ReceiveLinks.h"
#include "dsp/VectorLib.h"

#include <algorithm>
#include <cmath>

namespace {

// The lengths as the AGC uses them: a length of 0 (the "Off" preset loads zeros) or one
// set out of range would divide by zero or read past the delay line and the gain ramp.
int32_t AttackBlocks()
{
    return std::clamp(AGCAttackLength, 1, AGCDelayLineLength);
}

int32_t DecaySamples()
{
    return std::clamp(AGCDecayLength, 1, BlockSize);
}

void RecordLevel(const float* samples)
{
    VectorLib::Sqr_S_2(samples, AGCSquares.data(), BlockSize);
    const float sumOfSquares = VectorLib::Sum_S_1(AGCSquares.data(), BlockSize);
    const int32_t powerSlots = static_cast<int32_t>(BlockPowerRing.size()) - 1;   // the last slot stays unused
    const int32_t meterSlots = static_cast<int32_t>(SMeterRing.size());
    if (BlockPowerIndex < 0 || BlockPowerIndex >= powerSlots)
        BlockPowerIndex = 0;
    if (SMeterRingIndex < 0 || SMeterRingIndex >= meterSlots)
        SMeterRingIndex = 0;
    BlockPowerRing[BlockPowerIndex] = sumOfSquares;
    SMeterRing[SMeterRingIndex] = std::sqrt(sumOfSquares / BlockSize);
    SMeterRingIndex = (SMeterRingIndex + 1) % meterSlots;
    BlockPowerIndex = (BlockPowerIndex + 1) % powerSlots;
}

// A silent block leaves the delay line as it is.
void HoldPeak(const float* samples, int32_t attack)
{
    AGCPeak = QELVO::MaxAbs_S(samples, BlockSize);
    if (AGCPeak != 0.0f) {
        VectorLib::ShiftVectorRight_S_1(AGCDelayLine.data(), attack - 1);
        AGCDelayLine[0] = AGCPeak;
    }
}

// The gain that brings the weighted peak hold to 16383; where none can be formed (an empty
// hold) the previous gain stays.
float BlockGain(int32_t attack)
{
    QELVO::VecMpy_S_3(AGCAttackRamp.data(), AGCDelayLine.data(), AGCWindowed.data(), attack);
    const float held = QELVO::MaxAbs_S(AGCWindowed.data(), attack);
    const float gain = AGCTargetPeak / held;
    return held > 0.0f && std::isfinite(gain) ? gain : AGCLastGain;
}

void ApplyGain(float* samples)
{
    const int32_t decay = DecaySamples();
    VectorLib::VectorRamp_S_1(AGCLastGain, AGCBlockGain, AGCGainRamp.data(), decay);
    QELVO::VecMpy_S_2(AGCGainRamp.data(), samples, decay);
    QELVO::VecMpy_S_1(AGCBlockGain, samples + decay, BlockSize - decay);
}

void ApplyOutputLevel(float* samples)
{
    if (std::isfinite(OutputAttenuation) && OutputAttenuation > 0.0f)
        QELVO::VecMpy_S_1(OutputAttenuation, samples, BlockSize);
    ReceiveLinks::SoundCardAttenuation(OutputLevelAttenuation(OutputAttenuation));
}

void Limit(float* samples)
{
    AGCPeak = QELVO::MaxAbs_S(samples, BlockSize);
    if (AGCPeak > LimiterPeak)
        QELVO::VecMpy_S_1(LimiterPeak / AGCPeak, samples, BlockSize);
}

} // namespace

void AGCAndOutputLevel(std::span<float> Samples)
{
    RequireElements(Samples.size(), BlockSize, "AGCAndOutputLevel");
    float* samples = Samples.data();
    const int32_t attack = AttackBlocks();
    RecordLevel(samples);
    if (AGCRestart)
        AGCDelayLine.fill(0.0f);
    HoldPeak(samples, attack);
    AGCBlockGain = BlockGain(attack);
    if (AGCRestart && AGCPeak != 0.0f) {
        AGCLastGain = AGCBlockGain;
        AGCRestart = false;
    }
    if (AGCOn)
        ApplyGain(samples);
    AGCLastGain = AGCBlockGain;
    AGCGain = AGCBlockGain;
    ApplyOutputLevel(samples);
    Limit(samples);
}

int32_t OutputLevelAttenuation(float level)
{
    // A level that is not a number counts as full level.
    if (!std::isfinite(level) || level > 0.0f)
        return 0;
    return Numeric::CLng(std::max(level, -1.0e9f));
}

void ApplyAGCAttack(double Attack)
{
    const double blocks = std::clamp(Attack / 10.0 * BlocksPerSecond, 1.0, double{AGCDelayLineLength});
    AGCAttackLength = Numeric::CLng(blocks);
    VectorLib::VectorRamp_S_1(1.0f, 0.0f, AGCAttackRamp.data(), AGCAttackLength);
}

void ApplyAGCDecay(double Decay)
{
    const double samples = Decay / 10.0 / 1000.0 * BlockSize / static_cast<double>(BlockPeriod);
    AGCDecayLength = Numeric::CLng(std::clamp(samples, 1.0, double{BlockSize}));
}

void FillAGCDelayLine()
{
    VectorLib::SetMemory_S(AGCDelayLine.data(), AttackBlocks(), AGCTargetPeak);
}
