#pragma once

#include "DspTestSignals.h"
#include "core/MainWindowValues.h"
#include "core/RuntimeError.h"
#include "dsp/AGCAndOutputLevel.h"
#include "dsp/Demodulators.h"
#include "dsp/DoDSP.h"
#include "dsp/DoDSPIQ.h"
#include "dsp/FilterObjects.h"
#include "dsp/MakeFilters.h"
#include "dsp/ModeChange.h"
#include "dsp/QELVO.h"
#include "dsp/ReceiveLinks.h"

#include <cmath>
#include <functional>
#include <vector>

// The receive chain as power on leaves it: fresh filter objects, the sideband, phasing and
// AF filters on and designed for the AF band, the IF filter off, AGC off at unit output
// level, nothing connected. Run streams synthesized blocks through a chain.
struct ReceiveChainRig
{
    using Signal = std::function<double(int64_t)>;   // sample value at a stream position

    int64_t position = 0;

    explicit ReceiveChainRig(int32_t demodMode, int32_t filterLo = 300, int32_t filterHi = 2300)
    {
        CreateFilterObjects();
        FFTReal.Points = SpectrumPoints;
        FFTReal.FFTInit(FFTReal.Points);
        ReceiveLinks::SpectrumAnalyser = nullptr;
        ReceiveLinks::TunedFrequency = nullptr;
        ReceiveLinks::SetSoundCardAttenuation = nullptr;
        DemodMode = demodMode;
        IQModeOn = IQSelectUpper = HiSideLoOn = InDSP = DynFilterActive = AGCOn = NBOn = false;
        VFOControl = true;
        RITOffset = 0;
        NotchType = NotchTypeEnum::AF;
        IFFilterMode = IFFilterModeEnum::Track;
        FilterLo = filterLo;
        FilterHi = filterHi;
        SetIF(12000);
        OutputAttenuation = NRLevel = 0.0f;
        FMLastPhase = 0.0f;
        IQShiftPhase = 0.0;
        BCHistory.fill(0.0f);
        NotchOverlap.fill(0.0f);
        PeakBinIndex = 0;
        ApplyAGCAttack(25);
        ApplyAGCDecay(50);
        AGCDelayLine.fill(0.0f);
        FillAGCDelayLine();
        AGCLastGain = 0.0f;
        AGCRestart = false;
        ForgetBlockMode();
        for (clsFFTFilter* filter : {&AFFilter, &SSBFilterI, &SSBFilterQ, &PhaseFilterI, &PhaseFilterQ})
            filter->Active = true;
        MakeFilters();
    }

    static void SetIF(int32_t hertz)
    {
        IFFreq = hertz;
        NCOPhaseInc = PhaseIncrementFor(hertz);
    }

    // Streams blocks through DoDSP, or DoDSPIQ when q is given; returns the last two outputs.
    std::vector<float> Run(const Signal& i, const Signal& q = nullptr, int blocks = 8)
    {
        std::vector<float> out;
        std::vector<int16_t> left(BlockSize), right(BlockSize);
        for (int b = 0; b < blocks; ++b, position += BlockSize) {
            for (int k = 0; k < BlockSize; ++k) {
                left[k] = static_cast<int16_t>(std::lround(i(position + k)));
                right[k] = q ? static_cast<int16_t>(std::lround(q(position + k))) : 0;
            }
            q ? DoDSPIQ(left, right, BlockSize) : DoDSP(left, right, BlockSize);
            if (b >= blocks - 2)
                out.insert(out.end(), left.begin(), left.end());
        }
        return out;
    }
};

namespace ChainTest {

inline double Radians(double hz, int64_t n)
{
    return 2.0 * DspTest::Pi * hz * static_cast<double>(n) / DspTest::SampleRate;
}

inline ReceiveChainRig::Signal Tone(double hz, double amplitude)
{
    return [=](int64_t n) { return amplitude * std::cos(Radians(hz, n)); };
}

inline ReceiveChainRig::Signal AMSignal(double carrierHz, double amplitude, double depth, double toneHz)
{
    return [=](int64_t n) {
        return amplitude * (1.0 + depth * std::cos(Radians(toneHz, n))) * std::cos(Radians(carrierHz, n));
    };
}

inline double ToneAmplitude(const std::vector<float>& out, double hz)
{
    return DspTest::FitTone(out.data(), static_cast<int>(out.size()), hz, 0, 1.0).gain;
}

// The share of the output's power that a tone carries (the output has no DC); above one
// half, the tone is the strongest component.
inline double ToneShare(const std::vector<float>& out, double hz)
{
    double power = 0.0;
    for (const float sample : out)
        power += static_cast<double>(sample) * sample;
    const double amplitude = ToneAmplitude(out, hz);
    return amplitude * amplitude / 2.0 / (power / static_cast<double>(out.size()));
}

} // namespace ChainTest
