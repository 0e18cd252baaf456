#pragma once

#include "dsp/FFTWPlans.h"

#include <cstdint>

// Forward and inverse transforms of n real samples on the object's own aligned arrays: the
// forward's input samples, bins 0 .. n/2 of a spectrum, interleaved (re, im), and the inverse's
// output samples. Both directions are unscaled: the inverse of the forward gives n times the
// samples. Prepare takes the plans of its size (made once for the whole program) and the
// arrays, zero-filled; the transforms allocate nothing.
//
// Each direction runs as FFTW's complex transform of n/2 points, the even samples taken as real
// parts and the odd ones as imaginary parts, with a split (forward) or merge (inverse) stage
// between that half-size spectrum and the real one. With FFTW_ESTIMATE's plans this is about a
// third faster than FFTW's own real transforms.
class RealTransform
{
public:
    // n a power of two of at least 4; the callers hold their own limits.
    void Prepare(int32_t n);

    int32_t Points() const { return points_; }
    float* Input() { return input_.get(); }     // n samples
    float* Bins() { return bins_.get(); }       // n/2 + 1 bins, 2 floats each
    float* Output() { return output_.get(); }   // n samples

    void Forward();   // Input into Bins; Input is kept
    // Bins into Output; the imaginary parts of bins 0 and n/2 count for nothing, as a real
    // signal's spectrum has none there. Bins are kept.
    void Inverse();

    // The full spectrum in separate arrays of n elements: bins 0 .. n/2 as they are, bins
    // n/2 + 1 .. n - 1 as the conjugate mirror of bins n/2 - 1 .. 1.
    void SpreadBins(float* re, float* im) const;

private:
    int32_t points_ = 0;
    fftwf_plan forward_ = nullptr;   // complex, n/2 points
    fftwf_plan inverse_ = nullptr;   // complex, n/2 points
    FFTWPlans::AlignedFloats input_;
    FFTWPlans::AlignedFloats bins_;
    FFTWPlans::AlignedFloats output_;
    FFTWPlans::AlignedFloats halfSpectrum_;     // n/2 complex values, interleaved
    FFTWPlans::AlignedFloats splitRe_;          // n/2 + 1 values, the split stage's input
    FFTWPlans::AlignedFloats splitIm_;
    FFTWPlans::AlignedFloats forwardCosines_;   // cos(2 pi k / n), k = 0 .. n/2
    FFTWPlans::AlignedFloats inverseCosines_;   // -cos(2 pi k / n)
    FFTWPlans::AlignedFloats sines_;            // sin(2 pi k / n)
};
