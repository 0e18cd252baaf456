#include "dsp/ReceiveLinks.h"

#include "core/Numeric.h"

namespace ReceiveLinks {

bool AnalyserActive()
{
    return SpectrumAnalyser && SpectrumAnalyser->Active();
}

void FeedSpectrum(std::span<const float> Y1, std::span<const float> Y2, int32_t RIT, bool Reverse)
{
    SpectrumAnalyser->LoadSamples_S(Y1, Y2);
    const double tunedHz = (TunedFrequency ? TunedFrequency() : 0) / 10.0;
    const double halfSpan = (static_cast<double>(SpectrumAnalyser->FEnd()) - SpectrumAnalyser->FStart()) / 2.0;
    SpectrumAnalyser->SetFOffset(Numeric::CLng(tunedHz - RIT - halfSpan));
    SpectrumAnalyser->SetReverseSpectrum(Reverse);
}

bool IsRecorderPlaying()
{
    return RecorderIsPlaying && RecorderIsPlaying();
}

void SoundCardAttenuation(int32_t hundredthsOfDecibel)
{
    if (SetSoundCardAttenuation)
        SetSoundCardAttenuation(hundredthsOfDecibel);
}

} // namespace ReceiveLinks
