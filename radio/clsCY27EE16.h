#pragma once

#include "radio/OscillatorChip.h"

#include <array>
#include <cstdint>
#include <memory>

class CY27EE16PLLTable;

// The CY27EE16 clock generator, written over I2C (device address 0xD2). It computes no
// tuning word: it looks the 4 kHz step up in its PLL table, writes the PLL, divider and
// crosspoint registers, and pulls the 10 MHz crystal for the rest of the step.
class clsCY27EE16 : public OscillatorChip
{
public:
    clsCY27EE16();
    ~clsCY27EE16() override;

    static constexpr double DefaultClockHz = 100'000'000;
    static constexpr uint8_t DeviceAddress = 0xD2;

    // The clock, base and scaling enter only MaxFreq and MinFreq; the frequency sent to the
    // chip depends on the table alone.

    // Restores the settings, builds the table and idles the I2C lines. Returns 0.
    int32_t Initialise() override;
    // Tunes the 4 kHz step nearest below F (in whole 4 Hz units) and pulls the crystal for
    // the rest. A frequency outside the table sends nothing and writes a trace line. No
    // clamping; the result is always empty.
    std::optional<int32_t> SetFrequency(int32_t FrequencyToSet) override;
    // Repeats all the writes for the last request.
    void Refresh() override;
    // Crystal pulling: the load-capacitance register gets FineTuneFreq / 4 (4 Hz units
    // within the step, 0 to 999, give 0 to 249).
    void TuneHz(int32_t FineTuneFreq);

    bool AutoRefresh() const { return autoRefresh_; }
    void AutoRefresh(bool on) { autoRefresh_ = on; }

    void SaveSettings() override;
    void RestoreSettings() override;

private:
    template <size_t N>
    void Send(const std::array<uint8_t, N>& message);
    void SendDivider(uint8_t divider);

    std::unique_ptr<CY27EE16PLLTable> table_;
    int32_t lastRequest_ = 0;
    bool autoRefresh_ = false;
    bool initialising_ = false;
};
