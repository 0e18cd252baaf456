#pragma once

#include "dsp/ReceiveState.h"

#include <cstdint>
#include <span>

// The receive chain of an I/Q receiver. Per block: channel choice by IQSelectUpper, the Q
// channel balanced to the I channel's level, the pair moved by a crystal receiver's offset
// (RITOffset) so that the tuned frequency lies at the IF centre, the phasing pair's sum as the IF (the difference
// only for the display), IF notch, IF filter, first spectrum feed, oscillator mix down to an
// I and a Q branch, second spectrum feed, demodulator (FM, BC and DRM on the IF's
// quadrature pair, so that their output never depends on where the capture started),
// noise reducer, spectrum stage, dynamic filter, AGC and output level, conversion back over
// Left. It shares the demodulators, the oscillator block and PeakBinRing with DoDSP.

inline WorkVector IQSamplesI{};
inline WorkVector IQSamplesQ{};
inline WorkVector IQDiff{};
inline WorkVector PowerBuffer{};
inline WorkVector IQSpecRe{};
inline WorkVector IQSpecIm{};
inline WorkVector IQSpecPower{};
inline WorkVector IQNotchOverlap{};
inline double IQPeakBin = 0.0;
inline double IQShiftPhase = 0.0;   // the offset oscillator's phase, in cycles (0 to 1)

// Demodulates the pair Left[0, 2048), Right[0, 2048) into Left; NumSamples is not used.
// The first failing step ends the block and its error passes to the caller; InDSP is False
// again whatever happens. Channels of fewer than 2048 samples raise RuntimeError.
void DoDSPIQ(std::span<int16_t> Left, std::span<const int16_t> Right, int32_t NumSamples);
