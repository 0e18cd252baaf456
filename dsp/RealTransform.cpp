#include "dsp/RealTransform.h"

#include "dsp/VectorLib.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

namespace {

// sin(pi x) and cos(pi x) for x in [0, 1], each taken as a sine of an angle of at most pi/2, so
// that the tables hold exact zeros at 0, pi/2 and pi: bins 0 and n/2 of the forward transform
// then come out exactly real, as from a transform of real samples.
float SinPi(double x)
{
    return static_cast<float>(std::sin(std::numbers::pi * std::min(x, 1.0 - x)));
}

float CosPi(double x)
{
    return static_cast<float>(std::sin(std::numbers::pi * (0.5 - x)));
}

// cos(2 pi k / n), its negative and sin(2 pi k / n) for k = 0 .. n/2, computed in double.
void FillTwiddles(int32_t n, float* cosines, float* negatedCosines, float* sines)
{
    const int32_t half = n / 2;
    for (int32_t k = 0; k <= half; ++k) {
        const double x = static_cast<double>(k) / half;
        cosines[k] = CosPi(x);
        negatedCosines[k] = -cosines[k];
        sines[k] = SinPi(x);
    }
}

// The stage between the spectrum Z of the n/2 complex points z[m] = x[2m] + j x[2m + 1] and the
// spectrum X of the n real samples x, in both directions. With h = n/2, A = (re[k], im[k]),
// B = (re[h - k], im[h - k]), c and s the tables' entries k, for k = 0 .. count - 1:
//   out[k] = scale (Re A + Re B + c (Im A + Im B) - s (Re A - Re B),
//                   Im A - Im B - c (Re A - Re B) - s (Im A + Im B))
// Forward (A, B from Z with Z[h] = Z[0]; scale 1/2; c = cos 2 pi k / n, s = sin 2 pi k / n) it
// is X[k] = (Z[k] + conj Z[h - k]) / 2 - j W^k (Z[k] - conj Z[h - k]) / 2, W = exp(-2 pi j / n).
// Inverse (A, B from X; scale 1; c negated) it gives 2 Z[k], whose unscaled inverse DFT of h
// points is n z[m], the scale of an unscaled real inverse. The input comes in separate arrays of
// h + 1 values because the compiler vectorises a walk downwards through those, not through
// interleaved pairs; out is interleaved (re, im).
void CombineWithMirror(const float* __restrict re, const float* __restrict im, const float* __restrict cosines,
                       const float* __restrict sines, float scale, float* __restrict out, int32_t h, int32_t count)
{
    for (int32_t k = 0; k < count; ++k) {
        const float sumRe = re[k] + re[h - k];
        const float differenceRe = re[k] - re[h - k];
        const float sumIm = im[k] + im[h - k];
        const float differenceIm = im[k] - im[h - k];
        out[2 * k] = scale * (sumRe + cosines[k] * sumIm - sines[k] * differenceRe);
        out[2 * k + 1] = scale * (differenceIm - cosines[k] * differenceRe - sines[k] * sumIm);
    }
}

fftwf_complex* AsComplex(float* floats)
{
    return reinterpret_cast<fftwf_complex*>(floats);
}

} // namespace

void RealTransform::Prepare(int32_t n)
{
    // Everything is made aside first, so that a failure leaves the object as it was.
    const int32_t half = n / 2;
    const auto halfPlusOne = static_cast<size_t>(half) + 1;
    fftwf_plan forward = FFTWPlans::ComplexForward(half);
    fftwf_plan inverse = FFTWPlans::ComplexInverse(half);
    FFTWPlans::AlignedFloats input = FFTWPlans::AllocateAligned(static_cast<size_t>(n));
    FFTWPlans::AlignedFloats bins = FFTWPlans::AllocateAligned(static_cast<size_t>(n) + 2);
    FFTWPlans::AlignedFloats output = FFTWPlans::AllocateAligned(static_cast<size_t>(n));
    FFTWPlans::AlignedFloats halfSpectrum = FFTWPlans::AllocateAligned(static_cast<size_t>(n));
    FFTWPlans::AlignedFloats splitRe = FFTWPlans::AllocateAligned(halfPlusOne);
    FFTWPlans::AlignedFloats splitIm = FFTWPlans::AllocateAligned(halfPlusOne);
    FFTWPlans::AlignedFloats forwardCosines = FFTWPlans::AllocateAligned(halfPlusOne);
    FFTWPlans::AlignedFloats inverseCosines = FFTWPlans::AllocateAligned(halfPlusOne);
    FFTWPlans::AlignedFloats sines = FFTWPlans::AllocateAligned(halfPlusOne);
    FillTwiddles(n, forwardCosines.get(), inverseCosines.get(), sines.get());

    points_ = n;
    forward_ = forward;
    inverse_ = inverse;
    input_ = std::move(input);
    bins_ = std::move(bins);
    output_ = std::move(output);
    halfSpectrum_ = std::move(halfSpectrum);
    splitRe_ = std::move(splitRe);
    splitIm_ = std::move(splitIm);
    forwardCosines_ = std::move(forwardCosines);
    inverseCosines_ = std::move(inverseCosines);
    sines_ = std::move(sines);
}

void RealTransform::Forward()
{
    const int32_t half = points_ / 2;
    float* re = splitRe_.get();
    float* im = splitIm_.get();
    fftwf_execute_dft(forward_, AsComplex(input_.get()), AsComplex(halfSpectrum_.get()));
    VectorLib::DeInterlace_S_2(halfSpectrum_.get(), re, im, points_);
    re[half] = re[0];
    im[half] = im[0];
    CombineWithMirror(re, im, forwardCosines_.get(), sines_.get(), 0.5f, bins_.get(), half, half + 1);
}

void RealTransform::Inverse()
{
    const int32_t half = points_ / 2;
    float* re = splitRe_.get();
    float* im = splitIm_.get();
    VectorLib::DeInterlace_S_2(bins_.get(), re, im, points_ + 2);
    im[0] = 0.0f;
    im[half] = 0.0f;
    CombineWithMirror(re, im, inverseCosines_.get(), sines_.get(), 1.0f, halfSpectrum_.get(), half, half);
    fftwf_execute_dft(inverse_, AsComplex(halfSpectrum_.get()), AsComplex(output_.get()));
}

void RealTransform::SpreadBins(float* re, float* im) const
{
    VectorLib::DeInterlace_S_2(bins_.get(), re, im, points_ + 2);
    VectorLib::MakeNegFreq_S_1_P(re, im, std::countr_zero(static_cast<uint32_t>(points_)));
}
