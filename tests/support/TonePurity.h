#pragma once

#include <cstdint>
#include <span>

// How pure a recorded tone is: a dropped or repeated sample, a gap or a wobbling pitch all
// leave a residual that the fit of one steady sine cannot explain.
struct ToneFit { double FrequencyHz = 0; double Amplitude = 0; double SnrDb = 0; };
// The sine (frequency, amplitude, phase, plus a constant) that best fits the samples, and the ratio in dB of its power to the power of what is left.
ToneFit FitTone(std::span<const int16_t> samples, double sampleRate, double approximateHz);
