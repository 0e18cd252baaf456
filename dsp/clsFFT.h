#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Complex radix-2 FFT of N = 2^Order points on separate real and imaginary arrays.
// FFTInit builds the bit-reversal and twiddle tables once; transforms allocate nothing.
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

    // Forward, unscaled transform of Points points, out of place: the outputs must not
    // overlap the inputs, and every array must hold Points elements (RuntimeError otherwise).
    // Before FFTInit it shows "clsFFT not initialised, you must call Init first" and
    // leaves the outputs untouched.
    void FFT_S_2(std::span<const float> RealIn, std::span<const float> IMagIn, std::span<float> RealOut,
                 std::span<float> IMagOut);

    std::span<const int32_t> BitRevTable() const { return bitRevTable_; }

private:
    std::vector<int32_t> bitRevTable_;  // Order-bit reversal of each index
    std::vector<float> twiddleCos_;     // [s] = cos(pi / 2^(s-1)), s = 1..Order; [0] = 0
    std::vector<float> twiddleSin_;     // [s] = -sin(pi / 2^(s-1))
};
