#include "dsp/SpectrumStage.h"

#include "core/Numeric.h"
#include "dsp/FilterObjects.h"
#include "dsp/QELVO.h"
#include "dsp/VectorLib.h"

namespace {

constexpr int32_t PowerBins = BlockSize;   // the power spectrum covers bins 0..2047

void SearchPeak(const SpectrumStageVectors& v)
{
    const int32_t hzPerBin = Numeric::CLng(DynFilter.HzPerBin);   // 11.71875 Hz becomes 12
    if (hzPerBin <= 0)
        return;
    const int32_t start = FilterLo / hzPerBin;
    const int64_t count = (int64_t{FilterHi} - FilterLo) / hzPerBin;
    if (start < 0 || count <= 0 || start + count > PowerBins)
        return;
    v.PeakBin = VectorLib::MaxIndex_S(v.Power.data() + start, static_cast<int32_t>(count));

    if (PeakBinIndex < 0 || PeakBinIndex >= static_cast<int32_t>(PeakBinRing.size()))
        PeakBinIndex = 0;
    PeakBinRing[PeakBinIndex] = Numeric::CLng(v.PeakBin);
    PeakBinIndex = (PeakBinIndex + 1) % static_cast<int32_t>(PeakBinRing.size());
}

// Overlap-add as the filters do it, on the spectrum already at hand.
void NotchAudio(WorkVector& samples, const SpectrumStageVectors& v)
{
    constexpr int32_t tail = BlockSize - 2;
    NotchFilter.Filter_S_Cart_1(v.Re, v.Im);
    FFTReal.IFFT_Real_S_2(v.Re, v.Im, samples);
    QELVO::VecAdd_S_2(v.NotchOverlap.data(), samples.data(), tail);
    QELVO::Copy_S(samples.data() + BlockSize, v.NotchOverlap.data(), tail);
}

} // namespace

void SpectrumStage(WorkVector& Samples, const SpectrumStageVectors& vectors)
{
    if (!NotchFilter.Active && !DynFilterActive)
        return;
    QELVO::Zero_S(Samples.data() + BlockSize, BlockSize);
    FFTReal.FFT_Real_S_2(Samples, vectors.Re, vectors.Im);
    VectorLib::PowerSpectrum_S_2(vectors.Re.data(), vectors.Im.data(), vectors.Power.data(), PowerBins);
    SearchPeak(vectors);
    if (NotchFilter.Active && NotchType == NotchTypeEnum::AF)
        NotchAudio(Samples, vectors);
}
