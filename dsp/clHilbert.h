#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// Hilbert transformer: sTransform passes a block through an antisymmetric, Hamming-windowed
// FIR Hilbert filter whose gain is 1 at a quarter of the sampling rate, and sDelaySamples
// delays a block by the filter's centre-tap delay, so that the two outputs form a pair 90
// degrees apart, sample for sample. Both keep their state between blocks: one object
// serves one stream. Bad arguments raise RuntimeError.
class clHilbert
{
public:
    double Gain = 0.0;    // 1 / (response of the taps at a quarter of the sampling rate)
    int32_t Delay = 0;    // delay of sDelaySamples: Taps / 2, halves to even (64 for 128 taps)
    int32_t Nzeros = 0;   // the number of taps
    float sGain = 0.0f;   // Gain in single precision, applied by sTransform

    // Designs Taps taps (4 to 8194) for blocks of up to NumSamples samples; clears the
    // filter history but not the delay state. Must run before the first block.
    void Load(int32_t Taps, int32_t NumSamples);

    // Filters NumSamples samples of SamplesIn into SamplesOut, scaled by sGain, continuing
    // the filter's history from the previous call.
    void sTransform(std::span<const float> SamplesIn, std::span<float> SamplesOut, int32_t NumSamples);

    // SamplesOut[n] = the input sample Delay positions earlier in the stream.
    void sDelaySamples(std::span<const float> SamplesIn, std::span<float> SamplesOut, int32_t NumSamples);
    void DelaySamples(std::span<const double> SamplesIn, std::span<double> SamplesOut, int32_t NumSamples);

    // Forgets the stream: the filter history and both delay states become zeros, as before
    // the first block. The taps stay.
    void ClearHistory();

    // Copy the first Taps taps out of, or into, the double or the single set only.
    void GetCoefs(std::span<double> Coefficients, int32_t Taps) const;
    void sGetCoefs(std::span<float> Coefficients, int32_t Taps) const;
    void dSetCoefs(std::span<const double> Coefficients, int32_t Taps);
    void sSetCoefs(std::span<const float> Coefficients, int32_t Taps);

private:
    static constexpr size_t DelayStateSize = 4097;

    static double CalcCoefficients(int32_t Taps, std::vector<double>& Coeffs);
    void RequireBlock(size_t inSize, size_t outSize, int32_t NumSamples, const char* source) const;
    void RequireTaps(size_t arraySize, int32_t Taps, const char* source) const;
    template <typename T>
    void Delay_(const T* in, T* out, int32_t NumSamples, std::array<T, DelayStateSize>& state) const;

    int32_t blockLength_ = 0;
    std::vector<double> dCoefs;
    std::vector<float> sCoefs;
    std::vector<float> sWork;    // [0, Nzeros): history; the block follows
    std::array<float, DelayStateSize> sDelayState{};
    std::array<double, DelayStateSize> dDelayState{};
};
