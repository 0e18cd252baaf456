#pragma once

#include "DspTestSignals.h"
#include "core/RuntimeError.h"
#include "core/MainWindowValues.h"
#include "dsp/AGCAndOutputLevel.h"
#include "dsp/Demodulators.h"
#include "dsp/DoDSP.h"
#include "dsp/DoDSPIQ.h"
#include "dsp/FilterObjects.h"
#include "dsp/MakeFilters.h"
#include "dsp/QELVO.h"
#include "dsp/ReceiveLinks.h"
#include "dsp/ReceiveState.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

// The receive chain as power on leaves it: fresh filter objects, the sideband, phasing and
// AF filters switched on and designed for the AF band, the IF filter off, AGC off at unit
// output level, nothing connected. Tests change what they need and stream synthesized
// blocks through a chain.
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
        ReceiveLinks::RecorderIsPlaying = nullptr;
        ReceiveLinks::SetSoundCardAttenuation = nullptr;

        DemodMode = demodMode;
        IQModeOn = IQSelectUpper = HiSideLoOn = false;
        VFOControl = true;
        RITOffset = 0;
        InDSP = DynFilterActive = AGCOn = NBOn = false;
        NotchType = NotchTypeEnum::AF;
        IFFilterMode = IFFilterModeEnum::Track;
        ScopeSource = ScopeSourceEnum::IFIn;
        FilterLo = filterLo;
        FilterHi = filterHi;
        SetIF(12000);
        OutputAttenuation = 0.0f;
        NRLevel = 0.0f;
        FMLastPhase = 0.0f;
        BCHistory.fill(0.0f);
        NotchOverlap.fill(0.0f);
        IQNotchOverlap.fill(0.0f);
        PeakBinRing.fill(0);
        PeakBinIndex = 0;

        ApplyAGCAttack(25);
        ApplyAGCDecay(50);
        AGCDelayLine.fill(0.0f);
        FillAGCDelayLine();
        AGCLastGain = 0.0f;

        for (clsFFTFilter* filter : {&AFFilter, &SSBFilterI, &SSBFilterQ, &PhaseFilterI, &PhaseFilterQ})
            filter->Active = true;
        MakeFilters();
    }

    static void SetIF(int32_t hertz)
    {
        IFFreq = hertz;
        NCOPhaseInc = PhaseIncrementFor(hertz);
    }

    // Streams blocks through DoDSP (or DoDSPIQ when q is given) and returns the output of
    // the last two blocks.
    std::vector<float> Run(const Signal& i, const Signal& q = nullptr, int blocks = 8)
    {
        std::vector<float> out;
        std::vector<int16_t> left(BlockSize), right(BlockSize);
        for (int b = 0; b < blocks; ++b) {
            for (int k = 0; k < BlockSize; ++k) {
                left[k] = static_cast<int16_t>(std::lround(i(position + k)));
                right[k] = q ? static_cast<int16_t>(std::lround(q(position + k))) : 0;
            }
            position += BlockSize;
            if (q)
                DoDSPIQ(left, right, BlockSize);
            else
                DoDSP(left, right, BlockSize);
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

inline ReceiveChainRig::Signal Tone(double hz, double amplitude, double phase = 0.0)
{
    return [=](int64_t n) { return amplitude * std::cos(Radians(hz, n) + phase); };
}

// An IF carrier amplitude-modulated by a tone.
inline ReceiveChainRig::Signal AMSignal(double carrierHz, double amplitude, double depth, double toneHz)
{
    return [=](int64_t n) {
        return amplitude * (1.0 + depth * std::cos(Radians(toneHz, n))) * std::cos(Radians(carrierHz, n));
    };
}

// Amplitude of a tone in the output, fitted by least squares.
inline double ToneAmplitude(const std::vector<float>& out, double hz)
{
    return DspTest::FitTone(out.data(), static_cast<int>(out.size()), hz, 0, 1.0).gain;
}

// The share of the output's power that a tone carries (the output has no DC).
inline double ToneShare(const std::vector<float>& out, double hz)
{
    double power = 0.0;
    for (const float sample : out)
        power += static_cast<double>(sample) * sample;
    const double amplitude = ToneAmplitude(out, hz);
    return amplitude * amplitude / 2.0 / (power / static_cast<double>(out.size()));
}

// The frequency of the strongest component between loHz and hiHz, from a Hann-windowed
// spectrum of the output.
inline double StrongestHz(const std::vector<float>& out, double loHz, double hiHz)
{
    const auto n = static_cast<double>(out.size());
    const double binHz = DspTest::SampleRate / n;
    double bestHz = 0.0, bestPower = -1.0;
    for (double hz = std::ceil(loHz / binHz) * binHz; hz <= hiHz; hz += binHz) {
        double re = 0.0, im = 0.0;
        for (size_t k = 0; k < out.size(); ++k) {
            const double w = 0.5 - 0.5 * std::cos(2.0 * DspTest::Pi * static_cast<double>(k) / n);
            re += w * out[k] * std::cos(ChainTest::Radians(hz, static_cast<int64_t>(k)));
            im += w * out[k] * std::sin(ChainTest::Radians(hz, static_cast<int64_t>(k)));
        }
        if (re * re + im * im > bestPower) {
            bestPower = re * re + im * im;
            bestHz = hz;
        }
    }
    return bestHz;
}

} // namespace ChainTest
