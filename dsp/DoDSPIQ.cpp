#include "dsp/DoDSPIQ.h"

#include "core/BusyGuard.h"
#include "core/MainWindowValues.h"
#include "dsp/AGCAndOutputLevel.h"
#include "dsp/Demodulators.h"
#include "dsp/DoDSP.h"
#include "dsp/FilterObjects.h"
#include "dsp/ModeChange.h"
#include "dsp/NoiseReduce.h"
#include "dsp/QELVO.h"
#include "dsp/ReceiveLinks.h"
#include "dsp/SpectrumStage.h"
#include "dsp/VectorLib.h"

#include <array>
#include <cmath>
#include <numbers>

namespace {

void ChooseChannels(std::span<const int16_t> left, std::span<const int16_t> right)
{
    const std::span<const int16_t> i = IQSelectUpper ? right : left;
    const std::span<const int16_t> q = IQSelectUpper ? left : right;
    VectorLib::Int16ToFloat_S_2(i.data(), IQSamplesI.data(), BlockSize);
    VectorLib::Int16ToFloat_S_2(q.data(), IQSamplesQ.data(), BlockSize);
}

// A Blackman-Harris window over the block (side lobes 92 dB down).
const std::array<double, BlockSize>& BalanceWindow()
{
    static const std::array<double, BlockSize> window = [] {
        std::array<double, BlockSize> w{};
        for (int32_t k = 0; k < BlockSize; ++k) {
            const double x = 2.0 * std::numbers::pi * k / BlockSize;
            w[static_cast<size_t>(k)] =
                0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
        }
        return w;
    }();
    return window;
}

// A channel's power across the block, weighted by the window.
double WindowedPower(const WorkVector& channel)
{
    const std::array<double, BlockSize>& window = BalanceWindow();
    double power = 0.0;
    for (size_t k = 0; k < window.size(); ++k)
        power += window[k] * channel[k] * channel[k];
    return power;
}

// Scales Q to the I channel's level. The levels are the channels' powers across the block
// under a window: a pair in balance reads equal at every frequency but within a few tens of
// hertz of the oscillator and of half the sample rate, where I and Q of one tone are no longer
// apart. The largest samples would not do: a tone whose period spans a few samples (a sixth
// of the sample rate, say) reaches one channel's crest on a sample and misses the other's,
// and the pair so unbalanced lets its image through some 23 dB down. A silent channel (a
// tone right at the oscillator may leave either one at 0) gives no ratio: it stays at 1, so
// the block is still received rather than silenced by a ratio of 0.
void BalanceGain()
{
    const double powerI = WindowedPower(IQSamplesI);
    const double powerQ = WindowedPower(IQSamplesQ);
    const float ratio = powerI > 0.0 && powerQ > 0.0 ? static_cast<float>(std::sqrt(powerI / powerQ)) : 1.0f;
    IQGainBalance = std::isfinite(ratio) && ratio > 0.0f ? ratio : 1.0f;
    QELVO::VecMpy_S_1(IQGainBalance, IQSamplesQ.data(), BlockSize);
}

// A crystal receiver's offset turns the pair itself: I + jQ moves by the offset (the other
// way on the upper image, whose channels are swapped), so that the wanted signal reaches the
// phasing pair at the IF centre whatever the offset, and the IF and its filters stay where
// they are at offset 0. The oscillator's phase runs on from block to block. Without an
// offset the pair passes untouched.
void ShiftByOffset()
{
    const int32_t hertz = IQSelectUpper ? -RITOffset : RITOffset;
    if (hertz == 0)
        return;
    const double cyclesPerSample = hertz / static_cast<double>(ReceiveSampleRate);
    for (int32_t k = 0; k < BlockSize; ++k) {
        const double angle = 2.0 * std::numbers::pi * IQShiftPhase;
        const double c = std::cos(angle);
        const double s = std::sin(angle);
        const double i = IQSamplesI[k];
        const double q = IQSamplesQ[k];
        IQSamplesI[k] = static_cast<float>(i * c - q * s);
        IQSamplesQ[k] = static_cast<float>(i * s + q * c);
        IQShiftPhase += cyclesPerSample;
        IQShiftPhase -= std::floor(IQShiftPhase);
    }
}

void FormIF()
{
    PhaseFilterI.Filter_FFT_S_1(IQSamplesI);
    PhaseFilterQ.Filter_FFT_S_1(IQSamplesQ);
    VectorLib::Add_S_3(IQSamplesI.data(), IQSamplesQ.data(), WorkBuffer.data(), BlockSize);
    VectorLib::Sub_S_3(IQSamplesI.data(), IQSamplesQ.data(), IQDiff.data(), BlockSize);
}

void FeedSpectrum(int32_t source, std::span<const float> Y1, std::span<const float> Y2, bool reverse)
{
    if (!ReceiveLinks::AnalyserActive() || ScopeSource != source)
        return;
    ReceiveLinks::SpectrumAnalyser->SetIQMode(false);
    // The pair was moved by the offset: the IF centre is the tuned frequency.
    ReceiveLinks::FeedSpectrum(Y1, Y2, 0, reverse);
}

// The oscillator always mixes; the upper image swaps its cosine and sine.
void MixDown()
{
    QELVO::MakeNCO(NCOPhaseInc, NCOSin, NCOCos, 1.0f);
    const float* forI = IQSelectUpper ? NCOSin.data() : NCOCos.data();
    const float* forQ = IQSelectUpper ? NCOCos.data() : NCOSin.data();
    QELVO::VecMpy_S_3(forI, WorkBuffer.data(), IQSamplesI.data(), BlockSize);
    QELVO::VecMpy_S_3(forQ, WorkBuffer.data(), IQSamplesQ.data(), BlockSize);
}

// FM, BC and DRM take the IF itself (still in WorkBuffer) as a quadrature pair, as the
// single-channel chain's FM does. The mixed-down branches cannot serve them: a real IF
// times the oscillator's cosine and sine carries, besides the signal at 0 Hz, an equally
// strong product at twice the IF. One branch alone thus holds the signal scaled by the
// cosine of its phase against the oscillator (all of it, or nothing, by where the capture
// started), and the two branches' phase keeps only the IF's sign. The pair is not bounded:
// the phase needs no limiter.
void Demodulate()
{
    switch (DemodMode) {
    case DemodModeEnum::AM:
        DemodAM(IQSamplesI, IQSamplesQ, WorkBuffer);
        break;
    case DemodModeEnum::USB:
    case DemodModeEnum::LSB:
        DemodSSB(IQSamplesI, IQSamplesQ, WorkBuffer, DemodMode == DemodModeEnum::USB);
        AFFilter.Filter_FFT_S_1(WorkBuffer);
        break;
    case DemodModeEnum::FM:
        FormQuadraturePair(WorkBuffer, IQSamplesI, IQSamplesQ);
        DemodFM(IQSamplesI, IQSamplesQ, WorkBuffer);
        break;
    case DemodModeEnum::BC:
        FormQuadraturePair(WorkBuffer, IQSamplesI, IQSamplesQ);
        DemodBCPair(IQSamplesI, IQSamplesQ, WorkBuffer);
        break;
    default:   // DRM, and SAM, which this chain does not have: the IF passes through, as in
               // the single-channel chain, taken as the pair's in-phase member
        FormQuadraturePair(WorkBuffer, IQSamplesI, IQSamplesQ);
        QELVO::Copy_S(IQSamplesI.data(), WorkBuffer.data(), BlockSize);
        break;
    }
}

} // namespace

void DoDSPIQ(std::span<int16_t> Left, std::span<const int16_t> Right, int32_t /*NumSamples*/)
{
    RequireElements(Left.size(), BlockSize, "DoDSPIQ");
    RequireElements(Right.size(), BlockSize, "DoDSPIQ");
    BusyGuard running(InDSP);
    EnterBlockMode(true, DemodMode, ReceiveLinks::IsRecorderPlaying());

    ChooseChannels(Left, Right);
    BalanceGain();
    ShiftByOffset();
    FormIF();
    if (NotchFilter.Active && NotchType == NotchTypeEnum::IF)
        NotchFilter.Filter_FFT_S_1(WorkBuffer);
    QELVO::Copy_S(WorkBuffer.data(), PowerBuffer.data(), BlockSize);
    if (IFFilter.Active)
        IFFilter.Filter_FFT_S_1(WorkBuffer);
    FeedSpectrum(ScopeSourceEnum::PreDemod, PowerBuffer, IQDiff, IQSelectUpper);
    MixDown();
    FeedSpectrum(ScopeSourceEnum::PostDemod, IQSamplesI, IQSamplesQ, !IQSelectUpper);
    Demodulate();
    NoiseReduce(WorkBuffer);
    SpectrumStage(WorkBuffer, {IQSpecRe, IQSpecIm, IQSpecPower, IQNotchOverlap, IQPeakBin});
    if (DynFilter.Active)
        DynFilter.Filter_FFT_S_1(WorkBuffer);
    SilenceWhileModeFills(WorkBuffer);
    AGCAndOutputLevel(WorkBuffer);
    VectorLib::FloatToInt16_S_2(WorkBuffer.data(), Left.data(), BlockSize);
}
