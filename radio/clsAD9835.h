#pragma once

#include "radio/OscillatorChip.h"

#include <cstdint>

// The AD9835 direct digital synthesiser. Its 32-bit frequency word goes into FREQ0 as six
// 16-bit command words, each framed by the FSYNC strobe (the transport's IOUPD).
class clsAD9835 : public OscillatorChip
{
public:
    clsAD9835();
    ~clsAD9835() override;

    static constexpr double DefaultClockHz = 5'000'000;

    // Restores the settings, resets the chip and leaves it running; sends no frequency.
    int32_t Initialise() override;
    // Clamps to the limits and loads FREQ0. Any failure inside (a word beyond half the
    // clock, a transport error) ends the call quietly with a trace line: nothing is
    // returned and the words not yet sent stay unsent.
    std::optional<int32_t> SetFrequency(int32_t FrequencyToSet) override;
    // Sets the chip again to the VFO's current oscillator frequency, marking the transfer
    // in CMDOutActive.
    void Refresh() override;

    void SaveSettings() override;
    void RestoreSettings() override;

private:
    void SendFrequencyWord(int32_t word);
    // One 16-bit word as two bytes, closed by the strobe.
    void SendCommandWord(DDSInterface& transport, uint8_t high, uint8_t low, bool reopen);

    bool settingFrequency_ = false;
    bool initialising_ = false;
};
