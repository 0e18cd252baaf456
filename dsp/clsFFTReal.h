#pragma once

#include "dsp/clsFFT.h"

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

// FFT of N real samples through a complex FFT of N/2 points (even samples as real part,
// odd samples as imaginary part, then a split stage), and its inverse through the same
// forward path. Transforms allocate nothing; one object is not re-entrant.
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
    // Only bins 0 .. N/2 count: the upper half is rebuilt from the lower. Re and Im are
    // work space: afterwards their upper halves hold the rebuilt bins and Re[k] holds
    // Re[k] + Im[k]. Out must not overlap Re or Im.
    void IFFT_Real_S_2(std::span<float> Re, std::span<float> Im, std::span<float> Out);

private:
    void RequireReady(std::initializer_list<size_t> sizes, const char* source) const;

    clsFFT HalfFFT;
    std::vector<float> EvenSamples;
    std::vector<float> OddSamples;
    std::vector<float> WorkImag;
};
