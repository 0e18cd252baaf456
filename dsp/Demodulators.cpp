#include "dsp/Demodulators.h"

#include "dsp/FilterObjects.h"
#include "dsp/QELVO.h"
#include "dsp/VectorLib.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float HalfPi = 1.5707964f;
constexpr float FMScale = 4096.0f;
constexpr float Pi = 3.14159265f;
constexpr float TwoPi = 6.28318531f;

// The phase step from one sample to the next, within -pi .. pi. Taken as the plain
// difference of two angles, the step would jump by 2 pi once per carrier cycle, and where
// that jump falls from sample to sample it would add a distortion as loud as the audio.
float PhaseStep(float phase, float previous)
{
    const float step = phase - previous;
    if (step > Pi)
        return step - TwoPi;
    if (step < -Pi)
        return step + TwoPi;
    return step;
}

// Out[k] = sqrt(sum of the last six squares) / 6, the history running on from block to block;
// squares may be Out itself.
void Envelope(const float* squares, std::span<float> Out, int32_t Count)
{
    BCHistoryLength = 6;
    for (int32_t k = 0; k < Count; ++k) {
        VectorLib::ShiftVectorRight_S_1(BCHistory.data(), BCHistoryLength - 1);
        BCHistory[0] = squares[k];
        Out[k] = std::sqrt(VectorLib::Sum_S_1(BCHistory.data(), BCHistoryLength)) / BCHistoryLength;
    }
    AFFilter.Filter_FFT_S_1(Out);
}

} // namespace

void DemodAM(std::span<const float> I, std::span<const float> Q, std::span<float> Out)
{
    RequireElements(I.size(), BlockSize, "DemodAM");
    RequireElements(Q.size(), BlockSize, "DemodAM");
    RequireElements(Out.size(), BlockSize, "DemodAM");
    VectorLib::PowerSpectrum_S_2(I.data(), Q.data(), Out.data(), BlockSize);
    AFFilter.Filter_FFT_S_1(Out);
}

void DemodSSB(std::span<float> I, std::span<float> Q, std::span<float> Out, bool UseSum)
{
    RequireElements(Out.size(), BlockSize, "DemodSSB");
    SSBFilterI.Filter_FFT_S_1(I);
    SSBFilterQ.Filter_FFT_S_1(Q);
    if (UseSum)
        VectorLib::Add_S_3(I.data(), Q.data(), Out.data(), BlockSize);
    else
        VectorLib::Sub_S_3(I.data(), Q.data(), Out.data(), BlockSize);
}

void FormQuadraturePair(std::span<const float> IF, std::span<float> I, std::span<float> Q)
{
    HilbertQ.sTransform(IF, Q, BlockSize);
    HilbertI.sDelaySamples(IF, I, BlockSize);
}

void DemodFM(std::span<const float> I, std::span<const float> Q, std::span<float> Out)
{
    RequireElements(I.size(), BlockSize, "DemodFM");
    RequireElements(Q.size(), BlockSize, "DemodFM");
    RequireElements(Out.size(), BlockSize, "DemodFM");
    QELVO::CartToPolar_S(I.data(), Q.data(), FMMagnitude.data(), FMPhase.data(), BlockSize);
    float previous = FMLastPhase;
    for (int32_t k = 0; k < BlockSize; ++k) {
        if (FMMagnitude[k] == 0.0f) {
            // No phase: the carrier's own step, exactly, so that the audio is exactly 0 (the
            // AGC would raise any remainder to full scale); the phase runs on by it.
            FMPhase[k] = PhaseStep(previous + HalfPi, 0.0f);
            Out[k] = HalfPi;
        } else {
            Out[k] = PhaseStep(FMPhase[k], previous);
        }
        previous = FMPhase[k];
    }
    // A carrier at a quarter of the sampling rate steps by pi/2 per sample: the audio is the
    // departure from that step.
    VectorLib::Abs_S_1(Out.data(), BlockSize);
    VectorLib::Sub_S_1(HalfPi, Out.data(), BlockSize);
    QELVO::VecMpy_S_1(FMScale, Out.data(), BlockSize);
    FMLastPhase = FMPhase[BlockSize - 1];
    AFFilter.Filter_FFT_S_1(Out);
}

void DemodBC(std::span<float> Samples, std::span<float> Out, int32_t Count)
{
    RequireElements(Samples.size(), static_cast<size_t>(std::max(Count, 0)), "DemodBC");
    RequireElements(Out.size(), static_cast<size_t>(std::max(Count, 0)), "DemodBC");
    VectorLib::Sqr_S_1(Samples.data(), Count);
    Envelope(Samples.data(), Out, Count);
}

void DemodBCPair(std::span<const float> I, std::span<const float> Q, std::span<float> Out)
{
    RequireElements(I.size(), BlockSize, "DemodBCPair");
    RequireElements(Q.size(), BlockSize, "DemodBCPair");
    RequireElements(Out.size(), BlockSize, "DemodBCPair");
    VectorLib::PowerSpectrum_S_2(I.data(), Q.data(), Out.data(), BlockSize);
    QELVO::VecMpy_S_1(0.5f, Out.data(), BlockSize);
    Envelope(Out.data(), Out, BlockSize);   // each square is read before its place is written
}
