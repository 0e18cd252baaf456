#pragma once

#include "dsp/FFTWPlans.h"

#include <cstdint>

// FFTW's forward and inverse transforms of n real samples on the object's own aligned arrays:
// the forward's input samples, bins 0 .. n/2 of a spectrum, interleaved (re, im), and the
// inverse's output samples. Both directions are unscaled: the inverse of the forward gives n
// times the samples. Prepare takes the plans of its size (made once for the whole program) and
// the arrays, zero-filled; the transforms allocate nothing.
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
    void Inverse();   // Bins into Output; Bins are overwritten

    // The full spectrum in separate arrays of n elements: bins 0 .. n/2 as they are, bins
    // n/2 + 1 .. n - 1 as the conjugate mirror of bins n/2 - 1 .. 1.
    void SpreadBins(float* re, float* im) const;

private:
    int32_t points_ = 0;
    fftwf_plan forward_ = nullptr;
    fftwf_plan inverse_ = nullptr;
    FFTWPlans::AlignedFloats input_;
    FFTWPlans::AlignedFloats bins_;
    FFTWPlans::AlignedFloats output_;
};
