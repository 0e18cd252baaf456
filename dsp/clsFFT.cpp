#include "dsp/clsFFT.h"

#include "core/RuntimeError.h"
#include "dsp/QELVO.h"
#include "platform/MessageBoxes.h"

#include <bit>
#include <cmath>

namespace {

constexpr int32_t MaxPoints = 16384;
// Pi rounded to single precision, as the twiddle steps have always been computed.
constexpr double SinglePi = 3.1415927410125732;

int32_t BitReversed(int32_t index, int32_t bits)
{
    int32_t reversed = 0;
    for (int32_t bit = 0; bit < bits; ++bit) {
        reversed = 2 * reversed + (index & 1);
        index >>= 1;
    }
    return reversed;
}

} // namespace

void clsFFT::FFTInit(int32_t N)
{
    if (N < 2 || N > MaxPoints || !std::has_single_bit(static_cast<uint32_t>(N)))
        throw RuntimeError(5,
                           "Invalid procedure call or argument: " + std::to_string(N)
                               + " points; the FFT needs a power of two from 2 to 16384",
                           "clsFFT.FFTInit");

    Points = N;
    Order = std::countr_zero(static_cast<uint32_t>(N));
    bitRevTable_.resize(static_cast<size_t>(N));
    for (int32_t i = 0; i < N; ++i)
        bitRevTable_[i] = BitReversed(i, Order);

    twiddleCos_.assign(static_cast<size_t>(Order) + 1, 0.0f);
    twiddleSin_.assign(static_cast<size_t>(Order) + 1, 0.0f);
    for (int32_t stage = 1; stage <= Order; ++stage) {
        const double angle = SinglePi / static_cast<double>(int32_t{1} << (stage - 1));
        twiddleCos_[stage] = static_cast<float>(std::cos(angle));
        twiddleSin_[stage] = static_cast<float>(-std::sin(angle));
    }
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
    QELVO::FFT_S(RealIn.data(), IMagIn.data(), RealOut.data(), IMagOut.data(), Points, Order, bitRevTable_.data(),
                 twiddleCos_.data(), twiddleSin_.data());
}
