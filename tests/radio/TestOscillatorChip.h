#pragma once

#include "core/RuntimeError.h"
#include "radio/OscillatorChip.h"

#include <cmath>
#include <functional>
#include <vector>

// An oscillator driver that records what it is asked to do. Its range is whatever a test
// assigns; SetFrequency works out a DDS tuning word from the clock.
class TestOscillatorChip : public OscillatorChip
{
public:
    TestOscillatorChip() { clockTenths_ = 1'000'000'000; }

    void ClkIn(double hertz) override
    {
        if (hertz == 0)
            throw RuntimeError(11, "Division by zero");
        clockTenths_ = hertz * 10;
        clocksAssigned.push_back(hertz);
    }
    using OscillatorChip::ClkIn;
    void BaseFrequency(int32_t hertz) override { baseFrequency_ = hertz; }
    using OscillatorChip::BaseFrequency;

    double MaxFreq() const override { return maxFreq; }
    void MaxFreq(double limit) override { maxFreq = limit; }
    double MinFreq() const override { return minFreq; }
    void MinFreq(double limit) override { minFreq = limit; }

    int32_t Initialise() override
    {
        initialised_ = true;
        return 0;
    }
    std::optional<int32_t> SetFrequency(int32_t FrequencyToSet) override
    {
        if (duringSetFrequency)
            duringSetFrequency();
        frequencies.push_back(FrequencyToSet);
        currentTuningWord_ = static_cast<int32_t>(std::llround(FrequencyToSet * 4294967296.0 / clockTenths_));
        return FrequencyToSet;
    }
    void Refresh() override { ++refreshes; }
    void SaveSettings() override {}
    void RestoreSettings() override {}

    double maxFreq = 2'000'000'000;
    double minFreq = 0;
    std::vector<int32_t> frequencies;   // every SetFrequency argument
    std::vector<double> clocksAssigned;
    int refreshes = 0;
    std::function<void()> duringSetFrequency;   // e.g. a nested call, as message pumping makes
};
