#include "support/TonePurity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr double SampleRate = 48000;
constexpr size_t WindowSamples = 40 * 2048;

// A 16-bit tone at -12 dBFS over a DC offset, frequency slightly off the one asked for.
std::vector<int16_t> Tone(size_t count, double hz)
{
    const double amplitude = 32767 * std::pow(10.0, -12.0 / 20);
    std::vector<int16_t> samples(count);
    for (size_t n = 0; n < count; ++n)
        samples[n] = static_cast<int16_t>(std::lrint(25 + amplitude * std::sin(2 * std::numbers::pi * hz / SampleRate * static_cast<double>(n) + 0.4)));
    return samples;
}

TEST(TonePurity, FindsAClean16BitToneAtTheLimitOfItsSamplesAndLosesItOverOneDroppedSample)
{
    std::vector<int16_t> tone = Tone(WindowSamples + 1, 1003.7);
    const ToneFit clean = FitTone(std::span(tone).first(WindowSamples), SampleRate, 1000);
    EXPECT_NEAR(clean.FrequencyHz, 1003.7, 1e-5);
    EXPECT_NEAR(20 * std::log10(clean.Amplitude / 32767), -12, 0.01);
    EXPECT_GT(clean.SnrDb, 85.5);   // the rounding to 16 bits: 86 dB at -12 dBFS

    tone.erase(tone.begin() + WindowSamples / 2);
    EXPECT_LT(FitTone(std::span(tone).first(WindowSamples), SampleRate, 1000).SnrDb, 40);
}

// Two tones as the sound sessions play them, each at -14 dBFS, beside the 16 bits' rounding.
std::vector<int16_t> Tones(size_t count, double firstHz, double secondHz)
{
    const double amplitude = 32767 * std::pow(10.0, -14.0 / 20);
    std::vector<int16_t> samples(count);
    for (size_t n = 0; n < count; ++n) {
        const double t = static_cast<double>(n) / SampleRate;
        samples[n] = static_cast<int16_t>(std::lrint(amplitude * (std::sin(2 * std::numbers::pi * firstHz * t + 0.4) +
                                                                  0.8 * std::sin(2 * std::numbers::pi * secondHz * t + 2.0))));
    }
    return samples;
}

TEST(TonePurity, FindsTwoClean16BitTonesApartAndLosesThemOverOneDroppedSample)
{
    std::vector<int16_t> tones = Tones(WindowSamples + 1, 1000.3, 1959.4);
    const TonesFit clean = FitTones(std::span(tones).first(WindowSamples), SampleRate, 1000, 1959.18);
    EXPECT_NEAR(clean.First.FrequencyHz, 1000.3, 1e-5);
    EXPECT_NEAR(clean.Second.FrequencyHz, 1959.4, 1e-5);
    EXPECT_NEAR(clean.Second.Amplitude / clean.First.Amplitude, 0.8, 1e-5);
    EXPECT_GT(clean.SnrDb, 85.0);   // the rounding to 16 bits: some 86 dB with both tones' power

    tones.erase(tones.begin() + WindowSamples / 2);
    EXPECT_LT(FitTones(std::span(tones).first(WindowSamples), SampleRate, 1000, 1959.18).SnrDb, 40);
}

} // namespace
