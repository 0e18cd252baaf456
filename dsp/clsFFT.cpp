#include "dsp/clsFFT.h"

#include "core/RuntimeError.h"
#include "dsp/VectorLib.h"
#include "platform/MessageBoxes.h"

#include <bit>

namespace {

constexpr int32_t MaxPoints = 16384;

} // namespace

void clsFFT::FFTInit(int32_t N)
{
    if (N < 2 || N > MaxPoints || !std::has_single_bit(static_cast<uint32_t>(N)))
        throw RuntimeError(5,
                           "Invalid procedure call or argument: " + std::to_string(N)
                               + " points; the FFT needs a power of two from 2 to 16384",
                           "clsFFT.FFTInit");

    // Everything is made aside first, so that a failure leaves the object as it was.
    fftwf_plan plan = FFTWPlans::ComplexForward(N);
    FFTWPlans::AlignedFloats in = FFTWPlans::AllocateAligned(2 * static_cast<size_t>(N));
    FFTWPlans::AlignedFloats out = FFTWPlans::AllocateAligned(2 * static_cast<size_t>(N));
    plan_ = plan;
    in_ = std::move(in);
    out_ = std::move(out);
    Points = N;
    Order = std::countr_zero(static_cast<uint32_t>(N));
    IsInitialised = true;
}

void clsFFT::FFT_S_2(std::span<const float> RealIn, std::span<const float> IMagIn, std::span<float> RealOut,
                     std::span<float> IMagOut)
{
    if (!IsInitialised) {
        MessageBoxes::MsgBox("clsFFT not initialised, you must call Init first", MessageBoxes::vbOKOnly);
        return;
    }
    const auto points = static_cast<size_t>(Points);
    if (RealIn.size() < points || IMagIn.size() < points || RealOut.size() < points || IMagOut.size() < points)
        throw RuntimeError(9, "Subscript out of range: the transform needs " + std::to_string(Points) + " points",
                           "clsFFT.FFT_S_2");
    VectorLib::Interlace_S_2(RealIn.data(), IMagIn.data(), in_.get(), 2 * Points);
    fftwf_execute_dft(plan_, reinterpret_cast<fftwf_complex*>(in_.get()), reinterpret_cast<fftwf_complex*>(out_.get()));
    VectorLib::DeInterlace_S_2(out_.get(), RealOut.data(), IMagOut.data(), 2 * Points);
}
