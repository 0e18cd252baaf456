#include "dsp/DoDSP.h"

#include "core/BusyGuard.h"
#include "core/Globals.h"
#include "core/MainWindowValues.h"
#include "core/TryStep.h"
#include "dsp/AGCAndOutputLevel.h"
#include "dsp/Demodulators.h"
#include "dsp/FilterObjects.h"
#include "dsp/ModeChange.h"
#include "dsp/NoiseReduce.h"
#include "dsp/QELVO.h"
#include "dsp/ReceiveLinks.h"
#include "dsp/SpectrumStage.h"
#include "dsp/VectorLib.h"

namespace {

// I and Q are bounded to this, not reduced to their signs: a pair of signs has only four
// phases, which would turn the discriminator into a counter of quadrant crossings.
constexpr float FMBound = 16384.0f;
// The SAM carrier reference is shown at this size.
constexpr float CarrierDisplayScale = 8192.0f;

void SetIQModeOff()
{
    if (ReceiveLinks::SpectrumAnalyser)
        ReceiveLinks::SpectrumAnalyser->SetIQMode(false);
}

void FeedSpectrum(int32_t source, std::span<const float> Y1, std::span<const float> Y2)
{
    SetIQModeOff();
    if (ReceiveLinks::AnalyserActive() && ScopeSource == source)
        ReceiveLinks::FeedSpectrum(Y1, Y2, 0, HiSideLoOn);
}

// Holds the block's samples within -bound .. +bound.
void Bound(float* samples, float bound)
{
    VectorLib::HiThresh_S_1(samples, bound, bound, BlockSize);
    VectorLib::LowThresh_S_1(samples, -bound, -bound, BlockSize);
}

void MixDown()
{
    if (IFFreq == IFCentreHz) {
        VectorLib::MixerIQ_S_S_1(IFSamples.data(), SamplesI.data(), SamplesQ.data(), BlockSize);
        return;
    }
    QELVO::MakeNCO(NCOPhaseInc, NCOSin, NCOCos, 1.0f);
    QELVO::VecMpy_S_3(IFSamples.data(), NCOCos.data(), SamplesI.data(), BlockSize);
    QELVO::VecMpy_S_3(IFSamples.data(), NCOSin.data(), SamplesQ.data(), BlockSize);
}

void FormAnalyticPair()
{
    FormQuadraturePair(IFSamples, SamplesI, SamplesQ);
    Bound(SamplesI.data(), FMBound);
    Bound(SamplesQ.data(), FMBound);
}

// The hard-limited IF is the carrier reference; the display gets a scaled copy of it.
void FormCarrierReference()
{
    QELVO::Copy_S(IFSamples.data(), CarrierRef.data(), BlockSize);
    Bound(CarrierRef.data(), 1.0f);
    QELVO::Copy_S(IFSamples.data(), SamplesI.data(), BlockSize);
    QELVO::Copy_S(CarrierRef.data(), SamplesQ.data(), BlockSize);
    QELVO::VecMpy_S_1(CarrierDisplayScale, SamplesQ.data(), BlockSize);
}

void CopyIFToBothBranches()
{
    QELVO::Copy_S(IFSamples.data(), SamplesI.data(), BlockSize);
    QELVO::Copy_S(IFSamples.data(), SamplesQ.data(), BlockSize);
}

void FormBranches()
{
    if (ReceiveLinks::IsRecorderPlaying()) {
        CopyIFToBothBranches();
        return;
    }
    switch (DemodMode) {
    case DemodModeEnum::AM:
        CopyIFToBothBranches();
        PhaseFilterI.Filter_FFT_S_1(SamplesI);
        PhaseFilterQ.Filter_FFT_S_1(SamplesQ);
        break;
    case DemodModeEnum::USB:
    case DemodModeEnum::LSB:
        MixDown();
        break;
    case DemodModeEnum::FM:
        FormAnalyticPair();
        break;
    case DemodModeEnum::SAM:
        FormCarrierReference();
        break;
    default:
        CopyIFToBothBranches();
        break;
    }
}

void Demodulate()
{
    switch (DemodMode) {
    case DemodModeEnum::AM:
        DemodAM(SamplesI, SamplesQ, WorkBuffer);
        break;
    case DemodModeEnum::USB:
        DemodSSB(SamplesI, SamplesQ, WorkBuffer, !HiSideLoOn);
        break;
    case DemodModeEnum::LSB:
        DemodSSB(SamplesI, SamplesQ, WorkBuffer, HiSideLoOn);
        break;
    case DemodModeEnum::FM:
        DemodFM(SamplesI, SamplesQ, WorkBuffer);
        break;
    case DemodModeEnum::BC:
        DemodBC(SamplesI, WorkBuffer, BlockSize);
        break;
    case DemodModeEnum::SAM:
        QELVO::VecMpy_S_3(SamplesI.data(), CarrierRef.data(), WorkBuffer.data(), BlockSize);
        AFFilter.Filter_FFT_S_1(WorkBuffer);
        break;
    default:   // DRM: the IF block passes through for the external decoder
        QELVO::Copy_S(SamplesI.data(), WorkBuffer.data(), BlockSize);
        break;
    }
}

} // namespace

void DoDSP(std::span<int16_t> Left, std::span<const int16_t> /*Right*/, int32_t /*NumSamples*/)
{
    RequireElements(Left.size(), BlockSize, "DoDSP");
    BusyGuard running(InDSP);
    EnterBlockMode(false, DemodMode, ReceiveLinks::IsRecorderPlaying());

    TryStep([&] { VectorLib::Int16ToFloat_S_2(Left.data(), IFSamples.data(), BlockSize); });
    TryStep([] {
        if (NotchFilter.Active && NotchType == NotchTypeEnum::IF)
            NotchFilter.Filter_FFT_S_1(IFSamples);
    });
    TryStep([] {
        if (ReceiveLinks::AnalyserActive())
            QELVO::Copy_S(IFSamples.data(), IFRawSamples.data(), BlockSize);
    });
    TryStep([] {
        if (IFFilter.Active)
            IFFilter.Filter_FFT_S_1(IFSamples);
    });
    TryStep([] { FeedSpectrum(ScopeSourceEnum::PreDemod, IFRawSamples, IFSamples); });
    TryStep(FormBranches);
    TryStep([] { FeedSpectrum(ScopeSourceEnum::PostDemod, SamplesI, SamplesQ); });
    TryStep(Demodulate);
    TryStep([] { NoiseReduce(WorkBuffer); });
    TryStep([] { SpectrumStage(WorkBuffer, {SpecRe, SpecIm, SpecPower, NotchOverlap, PeakBin}); });
    TryStep([] {
        if (DynFilter.Active)
            DynFilter.Filter_FFT_S_1(WorkBuffer);
    });
    TryStep([] { SilenceWhileModeFills(WorkBuffer); });
    TryStep([] { AGCAndOutputLevel(WorkBuffer); });
    TryStep([&] { VectorLib::FloatToInt16_S_2(WorkBuffer.data(), Left.data(), BlockSize); });
}
