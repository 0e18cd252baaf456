#pragma once

#include <cstdint>
#include <span>

struct ToneFit
{
    double FrequencyHz = 0;
    double Amplitude = 0;
    double SnrDb = 0;
};

// The sine (frequency, amplitude, phase, plus a constant) that best fits the samples, and
// the ratio in dB of its power to the power of what is left.
ToneFit FitTone(std::span<const int16_t> samples, double sampleRate, double approximateHz);
