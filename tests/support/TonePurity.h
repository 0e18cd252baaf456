#pragma once

#include <cstdint>
#include <span>

// How pure a recorded tone is: a dropped or repeated sample, a gap or a wobbling pitch all
// leave a residual that the fit of one steady sine cannot explain.
struct ToneFit { double FrequencyHz = 0; double Amplitude = 0; double SnrDb = 0; };
// The sine (frequency, amplitude, phase, plus a constant) that best fits the samples, and the ratio in dB of its power to the power of what is left.
ToneFit FitTone(std::span<const int16_t> samples, double sampleRate, double approximateHz);

// The same for the sum of two tones: each tone's frequency and amplitude, and the ratio in dB of
// their power together to the power of what is left (each ToneFit's own SnrDb is not set).
struct TonesFit { ToneFit First; ToneFit Second; double SnrDb = 0; };
TonesFit FitTones(std::span<const int16_t> samples, double sampleRate, double firstHz, double secondHz);
