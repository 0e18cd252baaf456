#include "radio/AD985xDriver.h"

#include "core/BusyGuard.h"
#include "core/Numeric.h"
#include "radio/DDSInterface.h"

AD985xDriver::AD985xDriver(const std::string& className, LimitType limitType, uint8_t controlByte)
    : OscillatorChip(className, limitType), controlByte_(controlByte)
{
    ClkIn(DefaultClockHz);
}

AD985xDriver::~AD985xDriver() { SaveIfInitialised(); }

int32_t AD985xDriver::Initialise()
{
    if (initialising_)
        return 0;
    BusyGuard guard(initialising_);
    RestoreSettings();
    DDSInterface& transport = Transport();
    transport.SDATA(0);
    transport.SCLCK(0);
    transport.IOUPD(0);
    transport.IOUPD(1);
    transport.IOUPD(0);
    initialised_ = true;
    return 0;
}

std::optional<int32_t> AD985xDriver::SetFrequency(int32_t FrequencyToSet)
{
    if (!initialised_)
        return std::nullopt;
    if (settingFrequency_)
        return FrequencyToSet;
    BusyGuard guard(settingFrequency_);
    const int32_t frequency = ClampedToMax(FrequencyToSet);
    if (!ClockIsUsable()) {
        ShowClockNotSet();
        return frequency;
    }
    SetTuningWordOrTwo(frequency);
    const auto word = SerialWord();
    Transport().SendSeqLSB(word, static_cast<int16_t>(word.size()));
    return frequency;
}

void AD985xDriver::Refresh()
{
    if (CMDOutActive || !ifHandler_)
        return;
    BusyGuard transferring(CMDOutActive);
    for (const uint8_t byte : SerialWord())
        ifHandler_->Out8LSB(byte);
    ifHandler_->IOUPD(1);
    ifHandler_->IOUPD(0);
    ifHandler_->IOUPD(1);
}

std::array<uint8_t, 5> AD985xDriver::SerialWord() const
{
    // The bits of the word as they stand, so that a refresh repeats exactly what
    // SetFrequency sent, whatever the word's sign.
    const auto word = static_cast<uint32_t>(currentTuningWord_);
    return {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word >> 16),
            static_cast<uint8_t>(word >> 24), controlByte_};
}

void AD985xDriver::SaveSettings()
{
    if (rxName_.empty())
        return;
    SaveClockAndBase();
    SaveKey("AutoRefresh", Numeric::BoolText(autoRefresh_));
}

void AD985xDriver::RestoreSettings()
{
    if (rxName_.empty())
        return;
    RestoreClock();
    RestoreKey("AutoRefresh", [this](const std::string& text) { autoRefresh_ = Numeric::CBool(text); });
    RestoreBase();
}
