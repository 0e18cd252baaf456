#pragma once

#include "dsp/RealTransform.h"

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

// FFT of N real samples and its inverse, in separate real and imaginary arrays of N bins,
// run by FFTW's real transforms. Transforms allocate nothing; one object is not re-entrant.
class clsFFTReal
{
public:
    std::string Name;            // free for the owner
    int32_t Index = 0;           // free for the owner
    bool IsInitialised = false;  // FFTInit has run
    int32_t Points = 0;          // N real samples
    int32_t Order = 0;           // log2 N

    // Prepares N real points, a power of two from 4 to 32768; another N raises
    // RuntimeError and leaves the object as it was.
    void FFTInit(int32_t N);

    // Forward, unscaled transform of SamplesIn[0, N) into all N bins of RealOut and
    // IMagOut (the upper half mirrors the lower). SamplesIn is not changed.
    void FFT_Real_S_2(std::span<const float> SamplesIn, std::span<float> RealOut, std::span<float> IMagOut);

    // Inverse transform of the spectrum Re + j Im to N real samples in Out, scaled by 1/N.
    // Only bins 0 .. N/2 count, without the imaginary parts of bins 0 and N/2 (a real
    // signal's spectrum has none): the upper half is taken as the mirror of the lower.
    // Re and Im are not changed.
    void IFFT_Real_S_2(std::span<float> Re, std::span<float> Im, std::span<float> Out);

private:
    void RequireReady(std::initializer_list<size_t> sizes, const char* source) const;

    RealTransform transform_;
};
