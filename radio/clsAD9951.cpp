#include "radio/clsAD9951.h"

#include "core/BusyGuard.h"
#include "core/RuntimeError.h"
#include "radio/DDSInterface.h"

#include <array>

clsAD9951::clsAD9951() : OscillatorChip("clsAD9951", LimitType::Long)
{
    ClkIn(DefaultClockHz);
    // Placeholders until the receiver set-up assigns the model's clock and base.
    maxFreq_ = static_cast<int32_t>(ClkIn()) / 2;
    minFreq_ = 0;
}

clsAD9951::~clsAD9951() { SaveIfInitialised(); }

void clsAD9951::ClkIn(double hertz)
{
    StoreClock(hertz);
    SetRange();
}

void clsAD9951::BaseFrequency(int32_t hertz)
{
    baseFrequency_ = hertz;
    SetRange();
}

void clsAD9951::MinFreq(double limit) { minFreq_ = limit < 0 ? 0 : AsLimit(limit); }

void clsAD9951::SetRange()
{
    SetRangeAboutBase();
    MinFreq(minFreq_);
}

int32_t clsAD9951::Initialise()
{
    if (initialising_)
        return 0;
    BusyGuard guard(initialising_);
    RestoreSettings();
    PrepareChip();
    return 0;
}

void clsAD9951::PrepareChip()
{
    DDSInterface& transport = Transport();
    transport.SDATA(0);
    transport.SCLCK(0);
    transport.IOUPD(1);
    InitialiseChip();
    initialised_ = true;
}

void clsAD9951::InitialiseChip()
{
    DDSInterface& transport = Transport();
    const std::array<uint8_t, 5> cfr1{0x00, 0x00, 0x00, 0x02, 0x02};
    transport.SendSeqMSB(cfr1, 5);
    // The VCO range bit is set for any clock above 200 Hz, that is for every real one.
    const uint8_t cfr2Low = ClkIn() > 200 ? 0x47 : 0x43;
    const std::array<uint8_t, 4> cfr2{0x01, 0x00, 0x00, cfr2Low};
    transport.SendSeqMSB(cfr2, 4);
}

std::optional<int32_t> clsAD9951::SetFrequency(int32_t FrequencyToSet)
{
    if (!initialised_)
        return std::nullopt;
    if (settingFrequency_)
        return FrequencyToSet;
    BusyGuard guard(settingFrequency_);
    lastRequest_ = FrequencyToSet;
    const int32_t frequency = ClampedToMin(ClampedToMax(FrequencyToSet));
    if (!ClockIsUsable()) {
        ShowClockNotSet();
        return frequency;
    }
    SetTuningWordOrTwo(frequency);
    const auto bits = static_cast<uint32_t>(currentTuningWord_);
    const std::array<uint8_t, 5> ftw0{0x04, static_cast<uint8_t>(bits >> 24), static_cast<uint8_t>(bits >> 16),
                                      static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits)};
    try {
        Transport().SendSeqMSB(ftw0, 5);
    } catch (const RuntimeError& error) {
        Trace("SetFrequency", "Code=" + std::to_string(error.Number()) + " Description=" + error.Description() +
                                  " Source=" + error.Source());
    }
    return frequency;
}

void clsAD9951::Refresh()
{
    // The settings are not read again here: a clock under trial in the calibration window
    // stays in force between refreshes.
    if (!initialising_) {
        BusyGuard guard(initialising_);
        PrepareChip();
    }
    SetFrequency(lastRequest_);
}

void clsAD9951::SaveSettings()
{
    if (rxName_.empty())
        return;
    SaveClockAndBase();
}

void clsAD9951::RestoreSettings()
{
    if (rxName_.empty())
        return;
    RestoreClock();
    RestoreBase();
}
