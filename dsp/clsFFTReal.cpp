#include "dsp/clsFFTReal.h"

#include "core/RuntimeError.h"
#include "dsp/QELVO.h"
#include "dsp/VectorLib.h"

#include <bit>

void clsFFTReal::FFTInit(int32_t N)
{
    if (N < 4 || N > 32768 || !std::has_single_bit(static_cast<uint32_t>(N)))
        throw RuntimeError(5,
                           "Invalid procedure call or argument: " + std::to_string(N)
                               + " points; the real FFT needs a power of two from 4 to 32768",
                           "clsFFTReal.FFTInit");
    HalfFFT.FFTInit(N / 2);
    Points = N;
    Order = std::countr_zero(static_cast<uint32_t>(N));
    EvenSamples.assign(static_cast<size_t>(N) + 1, 0.0f);
    OddSamples.assign(static_cast<size_t>(N) + 1, 0.0f);
    WorkImag.assign(static_cast<size_t>(N) + 1, 0.0f);
    IsInitialised = true;
}

void clsFFTReal::RequireReady(std::initializer_list<size_t> sizes, const char* source) const
{
    if (!IsInitialised)
        throw RuntimeError(91, "clsFFTReal not initialised, you must call Init first", source);
    for (const size_t size : sizes) {
        if (size < static_cast<size_t>(Points))
            throw RuntimeError(9, "Subscript out of range: the transform needs " + std::to_string(Points) + " points",
                               source);
    }
}

void clsFFTReal::FFT_Real_S_2(std::span<const float> SamplesIn, std::span<float> RealOut, std::span<float> IMagOut)
{
    RequireReady({SamplesIn.size(), RealOut.size(), IMagOut.size()}, "clsFFTReal.FFT_Real_S_2");
    VectorLib::DeInterlace_S_2(SamplesIn.data(), EvenSamples.data(), OddSamples.data(), Points);
    HalfFFT.FFT_S_2(EvenSamples, OddSamples, RealOut, IMagOut);
    VectorLib::FFT_Real_S_1(RealOut.data(), IMagOut.data(), Points, Order);
}

void clsFFTReal::IFFT_Real_S_2(std::span<float> Re, std::span<float> Im, std::span<float> Out)
{
    RequireReady({Re.size(), Im.size(), Out.size()}, "clsFFTReal.IFFT_Real_S_2");
    // For a spectrum with conjugate symmetry, the real plus the imaginary part of the
    // forward transform of (Re + Im) is N times the inverse transform.
    VectorLib::MakeNegFreq_S_1_P(Re.data(), Im.data(), Order);
    QELVO::VecAdd_S_2(Im.data(), Re.data(), Points);
    FFT_Real_S_2(Re, Out, WorkImag);
    QELVO::VecAdd_S_2(WorkImag.data(), Out.data(), Points);
    QELVO::VecMpy_S_1(static_cast<float>(1.0 / Points), Out.data(), Points);
}
