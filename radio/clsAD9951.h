#pragma once

#include "radio/OscillatorChip.h"

#include <cstdint>

// The AD9951 direct digital synthesiser, written as registers over a three-wire serial
// port most significant bit first: CFR1 and CFR2 at initialisation, FTW0 per frequency.
class clsAD9951 : public OscillatorChip
{
public:
    clsAD9951();
    ~clsAD9951() override;

    static constexpr double DefaultClockHz = 360'096'000;

    // Both recompute MaxFreq and MinFreq about BaseFrequency.
    void ClkIn(double hertz) override;
    using OscillatorChip::ClkIn;
    void BaseFrequency(int32_t hertz) override;
    using OscillatorChip::BaseFrequency;
    // The chip cannot go below 0 Hz: a negative lower limit is stored as 0.
    void MinFreq(double limit) override;
    using OscillatorChip::MinFreq;

    // Restores the settings, idles the lines and writes the control registers. Returns 0.
    int32_t Initialise() override;
    // Writes CFR1 (three-wire serial, SYNC_CLK off) and CFR2 (REFCLK multiplier 8).
    void InitialiseChip();
    // Clamps to the limits and writes FTW0. A transport failure is traced and ignored.
    std::optional<int32_t> SetFrequency(int32_t FrequencyToSet) override;
    // Writes the control registers again and repeats the last request as it was given.
    void Refresh() override;

    void SaveSettings() override;
    void RestoreSettings() override;

private:
    void SetRange();
    // Lines to idle, the control registers, Initialised.
    void PrepareChip();

    int32_t lastRequest_ = 0;
    bool settingFrequency_ = false;
    bool initialising_ = false;
};
