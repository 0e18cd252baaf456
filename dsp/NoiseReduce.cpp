#include "dsp/NoiseReduce.h"

#include "dsp/FilterObjects.h"
#include "dsp/VectorLib.h"

#include <cmath>

namespace {

// True when the search range lo+25 .. lo+c+24 and the halving pass from lo+1 lie inside
// the spectrum vectors and are not empty.
bool PassBandFits(int32_t lo, int32_t c)
{
    return lo >= 0 && c > 0 && static_cast<size_t>(lo) + c + NRSearchOffset <= WorkVectorSize;
}

void WeakenWeakBins(int32_t lo, int32_t c)
{
    float* searchRange = NRMag.data() + lo + NRSearchOffset;
    const float strongest = VectorLib::MaxValue_S(searchRange, c);
    const float level = NRLevel * strongest;
    VectorLib::LowThreshFract_S_1(searchRange, level, NRLevel / 10.0f, c);
    VectorLib::LowThreshFract_S_1(searchRange, level, 0.15f, c);
    const auto halvingLevel = static_cast<float>(static_cast<double>(NRLevel) * strongest / 4.0);
    for (int32_t k = lo + 1; k <= lo + c + NRSearchOffset - 1; ++k) {
        if (NRMag[k] < halvingLevel)
            NRMag[k] /= 2.0f;
    }
}

// Each bin the weakening changed is scaled by its new magnitude over its old one: the same
// as going to magnitude and phase and back, without an angle function per bin. Only bins
// first .. end - 1 can have changed; a bin of magnitude 0 stays 0.
void ScaleWeakenedBins(int32_t first, int32_t end)
{
    for (int32_t k = first; k < end; ++k) {
        if (NRMag[k] != NRMagBefore[k]) {
            const float gain = NRMag[k] / NRMagBefore[k];
            NRRe[k] *= gain;
            NRIm[k] *= gain;
        }
    }
}

} // namespace

void NoiseReduce(std::span<float> Samples)
{
    if (!NBOn)
        return;
    RequireElements(Samples.size(), SpectrumPoints, "NoiseReduce");
    const int32_t lo = AFFilter.BinFLow;
    const int32_t c = AFFilter.BinFCount;
    if (!PassBandFits(lo, c))
        return;

    FFTReal.FFT_Real_S_2(Samples, NRRe, NRIm);
    const int32_t first = lo + 1;
    const int32_t end = lo + c + NRSearchOffset;
    for (int32_t k = first; k < end; ++k)
        NRMag[k] = NRMagBefore[k] = std::sqrt(NRRe[k] * NRRe[k] + NRIm[k] * NRIm[k]);
    WeakenWeakBins(lo, c);
    ScaleWeakenedBins(first, end);
    FFTReal.IFFT_Real_S_2(NRRe, NRIm, Samples);
    NRFilter.Filter_FFT_S_1(Samples);
}
