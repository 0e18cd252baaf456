#pragma once

#include "dsp/ReceiveState.h"

#include <array>
#include <cstdint>
#include <span>

// The demodulators that both receive chains run on an I and a Q branch. Each writes
// Out[0, 2048); where an FFT filter runs on a vector it needs 4096 elements. Their state
// carries over from block to block and is common to both chains. Short vectors raise
// RuntimeError.

inline float FMLastPhase = 0.0f;              // phase of the previous block's last sample
inline WorkVector FMMagnitude{};
inline WorkVector FMPhase{};
inline std::array<float, 2049> BCHistory{};   // last six squared samples, newest at 0
inline int32_t BCHistoryLength = 6;

// Out = I^2 + Q^2, the power of the pair, then AFFilter.
void DemodAM(std::span<const float> I, std::span<const float> Q, std::span<float> Out);

// SSBFilterI on I and SSBFilterQ on Q (both in place), then Out = I + Q when UseSum, else
// I - Q. No AF filter.
void DemodSSB(std::span<float> I, std::span<float> Q, std::span<float> Out, bool UseSum);

// The quadrature pair of a real IF centred on a quarter of the sampling rate: Q from
// HilbertQ, I the same block delayed by HilbertI to line up with it. The pair's magnitude
// is the IF's envelope and its phase the IF's, whatever the phase the capture started at.
void FormQuadraturePair(std::span<const float> IF, std::span<float> I, std::span<float> Q);

// Phase discriminator: the phase step from sample to sample, within -pi .. pi, as
// |step| - pi/2, times 4096, then AFFilter. A sample of magnitude 0 has no phase: it is
// taken to step on by a quarter cycle, as an unmodulated carrier at the IF does, so silence
// gives no audio.
void DemodFM(std::span<const float> I, std::span<const float> Q, std::span<float> Out);

// Envelope: squares Samples[0, Count) in place, Out[k] = sqrt(sum of the last six squares)
// / 6, then AFFilter.
void DemodBC(std::span<float> Samples, std::span<float> Out, int32_t Count);

// The same envelope taken from a quadrature pair: half the pair's power, (I^2 + Q^2) / 2,
// stands for the square of the real IF (whose mean it is), so the level is DemodBC's for
// that IF.
void DemodBCPair(std::span<const float> I, std::span<const float> Q, std::span<float> Out);
