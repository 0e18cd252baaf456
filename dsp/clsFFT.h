#pragma once

#include "dsp/FFTWPlans.h"

#include <cstdint>
#include <span>
#include <string>

// Complex FFT of N = 2^Order points on separate real and imaginary arrays, run by FFTW on
// the object's own aligned, interleaved arrays. FFTInit takes the plan of its size (made once
// for the whole program) and the arrays; transforms allocate nothing.
class clsFFT
{
public:
    std::string Name;            // free for the owner
    int32_t Index = 0;           // free for the owner
    bool IsInitialised = false;  // FFTInit has run
    int32_t Points = 0;          // N
    int32_t Order = 0;           // log2 N

    // Prepares the object for N points, a power of two from 2 to 16384; another N raises
    // RuntimeError and leaves the object as it was.
    void FFTInit(int32_t N);

    // Forward, unscaled transform of Points points; the inputs are not changed. Every array
    // must hold Points elements (RuntimeError otherwise).
    // Before FFTInit it shows "clsFFT not initialised, you must call Init first" and
    // leaves the outputs untouched.
    void FFT_S_2(std::span<const float> RealIn, std::span<const float> IMagIn, std::span<float> RealOut,
                 std::span<float> IMagOut);

private:
    fftwf_plan plan_ = nullptr;
    FFTWPlans::AlignedFloats in_;    // Points values (re, im)
    FFTWPlans::AlignedFloats out_;   // Points bins (re, im)
};
