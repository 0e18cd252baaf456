#include "dsp/RealTransform.h"

#include "dsp/VectorLib.h"

#include <bit>

void RealTransform::Prepare(int32_t n)
{
    // Everything is made aside first, so that a failure leaves the object as it was.
    fftwf_plan forward = FFTWPlans::RealForward(n);
    fftwf_plan inverse = FFTWPlans::RealInverse(n);
    FFTWPlans::AlignedFloats input = FFTWPlans::AllocateAligned(static_cast<size_t>(n));
    FFTWPlans::AlignedFloats bins = FFTWPlans::AllocateAligned(static_cast<size_t>(n) + 2);
    FFTWPlans::AlignedFloats output = FFTWPlans::AllocateAligned(static_cast<size_t>(n));

    points_ = n;
    forward_ = forward;
    inverse_ = inverse;
    input_ = std::move(input);
    bins_ = std::move(bins);
    output_ = std::move(output);
}

void RealTransform::Forward()
{
    fftwf_execute_dft_r2c(forward_, input_.get(), reinterpret_cast<fftwf_complex*>(bins_.get()));
}

void RealTransform::Inverse()
{
    fftwf_execute_dft_c2r(inverse_, reinterpret_cast<fftwf_complex*>(bins_.get()), output_.get());
}

void RealTransform::SpreadBins(float* re, float* im) const
{
    VectorLib::DeInterlace_S_2(bins_.get(), re, im, points_ + 2);
    VectorLib::MakeNegFreq_S_1_P(re, im, std::countr_zero(static_cast<uint32_t>(points_)));
}
