#pragma once

#include "dsp/SpectrumFeed.h"

#include <cstdint>
#include <functional>
#include <span>

// The receive chain's neighbours, which live in higher layers: the main window connects
// them at start-up. A link left empty is skipped: without an analyser there is no spectrum
// feed, without a VFO the tuned frequency reads as 0, without a recorder nothing is being
// played back, and without a sound card the attenuation goes nowhere.
namespace ReceiveLinks {

inline SpectrumFeed* SpectrumAnalyser = nullptr;
inline std::function<int32_t()> TunedFrequency;             // the VFO's, tenths of a hertz
inline std::function<bool()> RecorderIsPlaying;             // the recorder plays a recording back
inline std::function<void(int32_t)> SetSoundCardAttenuation; // hundredths of a decibel, 0 full level

// True while an analyser is connected and switched on.
bool AnalyserActive();

// Loads the two traces into the analyser and places its axis: the offset is the tuned
// frequency in hertz less RIT less half the displayed span, rounded half to even.
void FeedSpectrum(std::span<const float> Y1, std::span<const float> Y2, int32_t RIT, bool Reverse);

bool IsRecorderPlaying();
void SoundCardAttenuation(int32_t hundredthsOfDecibel);

} // namespace ReceiveLinks
