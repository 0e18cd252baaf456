#include "dsp/clHilbert.h"

#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "dsp/QELVO.h"
#include "dsp/VectorLib.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int32_t MinTaps = 4;       // fewer taps have no response at a quarter of the rate
constexpr int32_t MaxTaps = 8194;    // the delay state holds 4097 samples

void Fail(int number, const std::string& description, const char* source)
{
    throw RuntimeError(number, description, source);
}

} // namespace

double clHilbert::CalcCoefficients(int32_t Taps, std::vector<double>& Coeffs)
{
    const int32_t centre = Numeric::CLng((Taps - 1) / 2.0);
    Coeffs[centre] = 0.0;
    for (int32_t k = 1; k <= centre - 1; ++k) {
        const double ideal = (k % 2 == 1) ? 1.0 / k : 0.0;
        // One window value, taken at centre + k, serves both taps of the pair.
        const double window = 0.54 - 0.46 * std::cos((centre + k) * 6.28318530717958 / (Taps - 1));
        Coeffs[centre + k] = -window * ideal;
        Coeffs[centre - k] = window * ideal;
    }
    // The response at a quarter of the sampling rate: the odd taps below the centre with
    // alternating signs.
    double sum = 0.0;
    bool flip = false;
    for (int32_t j = 1; j <= centre - 1; j += 2) {
        sum = flip ? sum + Coeffs[j] : sum - Coeffs[j];
        flip = !flip;
    }
    if (flip)
        sum = -sum;
    return 2.0 * sum;
}

void clHilbert::Load(int32_t Taps, int32_t NumSamples)
{
    if (Taps < MinTaps || Taps > MaxTaps)
        Fail(5, "Invalid procedure call or argument: " + std::to_string(Taps) + " taps; the transformer takes 4 to 8194",
             "clHilbert.Load");
    if (NumSamples < 1)
        Fail(5, "Invalid procedure call or argument: blocks of " + std::to_string(NumSamples) + " samples",
             "clHilbert.Load");

    dCoefs.assign(static_cast<size_t>(Taps) + 1, 0.0);
    sCoefs.assign(static_cast<size_t>(Taps) + 1, 0.0f);
    sWork.assign(static_cast<size_t>(Taps) + 1 + static_cast<size_t>(NumSamples), 0.0f);
    blockLength_ = NumSamples;
    Nzeros = Taps;
    Delay = Numeric::CLng(Taps / 2.0);
    Gain = 1.0 / CalcCoefficients(Taps, dCoefs);
    sGain = static_cast<float>(Gain);
    VectorLib::DoubleToSingle_D_2(dCoefs.data(), sCoefs.data(), Taps);
}

void clHilbert::RequireBlock(size_t inSize, size_t outSize, int32_t NumSamples, const char* source) const
{
    if (blockLength_ == 0)
        Fail(91, "clHilbert not loaded, you must call Load first", source);
    if (NumSamples < 0 || NumSamples > blockLength_)
        Fail(5, "Invalid procedure call or argument: blocks of " + std::to_string(NumSamples)
                    + " samples; Load allowed up to " + std::to_string(blockLength_),
             source);
    if (inSize < static_cast<size_t>(NumSamples) || outSize < static_cast<size_t>(NumSamples))
        Fail(9, "Subscript out of range: the block has " + std::to_string(NumSamples) + " samples", source);
}

void clHilbert::sTransform(std::span<const float> SamplesIn, std::span<float> SamplesOut, int32_t NumSamples)
{
    RequireBlock(SamplesIn.size(), SamplesOut.size(), NumSamples, "clHilbert.sTransform");
    const int32_t taps = Nzeros;
    QELVO::Copy_S(SamplesIn.data(), sWork.data() + taps, NumSamples);
    VectorLib::sHilbert(sWork.data(), sCoefs.data(), SamplesOut.data(), taps, NumSamples);
    // The new history is the last Nzeros samples of the stream, taken from the work
    // vector so that blocks shorter than the filter keep the older samples too.
    QELVO::Copy_S(sWork.data() + NumSamples, sWork.data(), taps);
    QELVO::VecMpy_S_1(sGain, SamplesOut.data(), NumSamples);
}

template <typename T>
void clHilbert::Delay_(const T* in, T* out, int32_t NumSamples, std::array<T, DelayStateSize>& state) const
{
    const int32_t delay = Delay;
    const int32_t fromState = std::min(delay, NumSamples);
    std::memcpy(out, state.data(), sizeof(T) * static_cast<size_t>(fromState));
    if (NumSamples >= delay) {
        std::memcpy(out + delay, in, sizeof(T) * static_cast<size_t>(NumSamples - delay));
        std::memcpy(state.data(), in + NumSamples - delay, sizeof(T) * static_cast<size_t>(delay));
        return;
    }
    // A block shorter than the delay: the state moves on by the block.
    std::memmove(state.data(), state.data() + NumSamples, sizeof(T) * static_cast<size_t>(delay - NumSamples));
    std::memcpy(state.data() + delay - NumSamples, in, sizeof(T) * static_cast<size_t>(NumSamples));
}

void clHilbert::sDelaySamples(std::span<const float> SamplesIn, std::span<float> SamplesOut, int32_t NumSamples)
{
    RequireBlock(SamplesIn.size(), SamplesOut.size(), NumSamples, "clHilbert.sDelaySamples");
    Delay_(SamplesIn.data(), SamplesOut.data(), NumSamples, sDelayState);
}

void clHilbert::DelaySamples(std::span<const double> SamplesIn, std::span<double> SamplesOut, int32_t NumSamples)
{
    RequireBlock(SamplesIn.size(), SamplesOut.size(), NumSamples, "clHilbert.DelaySamples");
    Delay_(SamplesIn.data(), SamplesOut.data(), NumSamples, dDelayState);
}

void clHilbert::ClearHistory()
{
    std::fill(sWork.begin(), sWork.end(), 0.0f);
    sDelayState.fill(0.0f);
    dDelayState.fill(0.0);
}

void clHilbert::RequireTaps(size_t arraySize, int32_t Taps, const char* source) const
{
    if (Taps < 0 || static_cast<size_t>(Taps) > dCoefs.size() || static_cast<size_t>(Taps) > arraySize)
        Fail(9, "Subscript out of range: " + std::to_string(Taps) + " taps", source);
}

void clHilbert::GetCoefs(std::span<double> Coefficients, int32_t Taps) const
{
    RequireTaps(Coefficients.size(), Taps, "clHilbert.GetCoefs");
    QELVO::Copy_D(dCoefs.data(), Coefficients.data(), Taps);
}

void clHilbert::sGetCoefs(std::span<float> Coefficients, int32_t Taps) const
{
    RequireTaps(Coefficients.size(), Taps, "clHilbert.sGetCoefs");
    QELVO::Copy_S(sCoefs.data(), Coefficients.data(), Taps);
}

void clHilbert::dSetCoefs(std::span<const double> Coefficients, int32_t Taps)
{
    RequireTaps(Coefficients.size(), Taps, "clHilbert.dSetCoefs");
    QELVO::Copy_D(Coefficients.data(), dCoefs.data(), Taps);
}

void clHilbert::sSetCoefs(std::span<const float> Coefficients, int32_t Taps)
{
    RequireTaps(Coefficients.size(), Taps, "clHilbert.sSetCoefs");
    QELVO::Copy_S(Coefficients.data(), sCoefs.data(), Taps);
}
