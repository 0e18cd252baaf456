#pragma once

#include "radio/OscillatorChip.h"

#include <array>
#include <cstdint>
#include <string>

// The AD9850 and AD9851 drivers, which differ only in their names, the type of their
// limits and the control byte that ends the chip's 40-bit serial word. The word goes out
// least significant bit first through the transport's SendSeqLSB, or Out8LSB and an
// update pulse on Refresh, so these chips need the printer-port (or null) transport.
class AD985xDriver : public OscillatorChip
{
public:
    ~AD985xDriver() override;

    // Both chips start from a 100 MHz clock.
    static constexpr double DefaultClockHz = 100'000'000;

    // Restores the settings, idles the lines and pulses the update strobe. Sends no
    // tuning word: the VFO's first SetFrequency does. Returns 0.
    int32_t Initialise() override;
    // Clamps at MaxFreq only (the VFO clamps at both limits) and sends the word.
    std::optional<int32_t> SetFrequency(int32_t FrequencyToSet) override;
    // Sends CurrentTuningWord again, marking the transfer in CMDOutActive.
    void Refresh() override;

    // Kept with the settings; nothing acts on it.
    bool AutoRefresh() const { return autoRefresh_; }
    void AutoRefresh(bool on) { autoRefresh_ = on; }

    void SaveSettings() override;
    void RestoreSettings() override;

protected:
    AD985xDriver(const std::string& className, LimitType limitType, uint8_t controlByte);

private:
    // W0..W39: the tuning word's four bytes, low byte first, then the control byte.
    std::array<uint8_t, 5> SerialWord() const;

    uint8_t controlByte_;
    bool autoRefresh_ = false;
    bool settingFrequency_ = false;
    bool initialising_ = false;
};
