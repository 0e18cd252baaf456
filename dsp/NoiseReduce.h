#pragma once

#include "dsp/ReceiveState.h"

#include <span>

// The spectral noise reducer ("Experimental Noise Reducer"). While NBOn is set it takes one
// 4096-point spectrum of the block, weakens the bins of the AF pass band (AFFilter's bins,
// searched from 25 bins above its first) that are weaker than NRLevel times the strongest,
// transforms back into Samples[0, 4096) and runs NRFilter. An empty or impossible pass
// band leaves the block alone.

inline constexpr int32_t NRSearchOffset = 25;   // bins

// The spectrum's working vectors, kept so that no block allocates: the bins, the magnitudes
// that are weakened, and the magnitudes as they were before.
inline WorkVector NRRe{};
inline WorkVector NRIm{};
inline WorkVector NRMag{};
inline WorkVector NRMagBefore{};

void NoiseReduce(std::span<float> Samples);
