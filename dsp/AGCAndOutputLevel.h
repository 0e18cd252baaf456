#pragma once

#include "dsp/ReceiveState.h"

#include <array>
#include <cstdint>
#include <span>

// The AGC and the output level: the last stage of both receive chains. Per block it records
// the block's level for the S-meter and the statistics, holds the block peaks of the last
// AGCAttackLength blocks with weights falling from 1 (newest) to 0, brings the held peak to
// 16383, ramps the gain from the previous block's over AGCDecayLength samples, applies the
// output level (a gain factor above 0, else the sound card's attenuation) and limits the
// block's peak to 16384. After a mode change (AGCRestart) it starts afresh from the new
// mode's first block that is not silent.

inline constexpr int32_t AGCDelayLineLength = 234;   // 10 s of blocks, the longest attack
inline constexpr float AGCTargetPeak = 16383.0f;
inline constexpr float LimiterPeak = 16384.0f;

inline int32_t AGCAttackLength = 1;                  // blocks the peak hold covers, 1..234
inline std::array<float, AGCDelayLineLength + 1> AGCDelayLine{};   // block peaks, newest at 0
inline std::array<float, AGCDelayLineLength + 1> AGCAttackRamp{};  // weights, 1.0 down to 0
inline std::array<float, AGCDelayLineLength + 1> AGCWindowed{};
inline int32_t AGCDecayLength = 1;                   // samples of the gain ramp, 1..2048
inline float AGCGain = 0.0f;                         // the last block's gain, for the statistics

inline std::array<float, WorkVectorSize> AGCSquares{};
inline std::array<float, BlockSize> AGCGainRamp{};
inline float AGCBlockGain = 0.0f;
inline float AGCLastGain = 0.0f;                     // start of the next block's ramp
inline float AGCPeak = 0.0f;
// Set by a mode change: the AGC forgets the peaks it holds and starts from the next block
// that is not silent, at that block's own gain (no ramp from the old mode's gain).
inline bool AGCRestart = false;

// Levels Samples[0, 2048) in place. Fewer than 2048 elements raise RuntimeError.
void AGCAndOutputLevel(std::span<float> Samples);

// The sound card's attenuation (hundredths of a decibel) for an output level: the level
// itself at or below 0, full level (0) above it, where the level is a gain on the samples.
int32_t OutputLevelAttenuation(float level);

// The attack in the AGC table's unit, tenths of a second: AGCAttackLength becomes
// round(attack / 10 x 23.4375) blocks, held within 1..234, and the weights are rebuilt.
void ApplyAGCAttack(double Attack);

// The decay in the AGC table's unit, tenths of a millisecond: AGCDecayLength becomes
// round(decay / 10 ms x 48 samples), held within 1..2048. The decay value label holds the
// same unit, not milliseconds: its 10 to 200 are 1 to 20 ms, 48 to 960 samples.
void ApplyAGCDecay(double Decay);

// Fills the delay line's first AGCAttackLength entries with 16383, so that the first gain
// is 1.
void FillAGCDelayLine();
