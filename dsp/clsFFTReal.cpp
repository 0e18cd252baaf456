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
    transform_.Prepare(N);
    Points = N;
    Order = std::countr_zero(static_cast<uint32_t>(N));
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
    QELVO::Copy_S(SamplesIn.data(), transform_.Input(), Points);
    transform_.Forward();
    transform_.SpreadBins(RealOut.data(), IMagOut.data());
}

void clsFFTReal::IFFT_Real_S_2(std::span<float> Re, std::span<float> Im, std::span<float> Out)
{
    RequireReady({Re.size(), Im.size(), Out.size()}, "clsFFTReal.IFFT_Real_S_2");
    float* bins = transform_.Bins();
    VectorLib::Interlace_S_2(Re.data(), Im.data(), bins, Points + 2);
    bins[1] = 0.0f;
    bins[Points + 1] = 0.0f;
    transform_.Inverse();
    QELVO::Copy_S(transform_.Output(), Out.data(), Points);
    QELVO::VecMpy_S_1(1.0f / static_cast<float>(Points), Out.data(), Points);
}
