#include "radio/clsAD9835.h"

#include "core/BusyGuard.h"
#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "radio/DDSInterface.h"

clsAD9835::clsAD9835() : OscillatorChip("clsAD9835", LimitType::Long) { ClkIn(DefaultClockHz); }

clsAD9835::~clsAD9835() { SaveIfInitialised(); }

int32_t clsAD9835::Initialise()
{
    if (initialising_)
        return 0;
    BusyGuard guard(initialising_);
    RestoreSettings();
    DDSInterface& transport = Transport();
    transport.SDATA(0);
    transport.SCLCK(0);
    transport.IOUPD(0);
    // Lines idle with the clock high, then the first frame opens.
    transport.IOUPD(1);
    transport.SDATA(0);
    transport.SCLCK(1);
    transport.IOUPD(0);
    SendCommandWord(transport, 0xF8, 0x00, true);   // SLEEP, RESET and CLR set
    SendCommandWord(transport, 0xC0, 0x00, true);   // and cleared
    SendCommandWord(transport, 0x80, 0x00, false);  // SYNC and SELSRC cleared: pins select
    initialised_ = true;
    return 0;
}

void clsAD9835::SendCommandWord(DDSInterface& transport, uint8_t high, uint8_t low, bool reopen)
{
    transport.Out8(high);
    transport.Out8(low);
    transport.IOUPD(1);
    if (reopen)
        transport.IOUPD(0);
}

std::optional<int32_t> clsAD9835::SetFrequency(int32_t FrequencyToSet)
{
    if (!initialised_)
        return std::nullopt;
    if (settingFrequency_)
        return FrequencyToSet;
    BusyGuard guard(settingFrequency_);
    const int32_t frequency = ClampedToMin(ClampedToMax(FrequencyToSet));
    if (!ClockIsUsable()) {
        ShowClockNotSet();
        return frequency;
    }
    const auto word = TuningWordFor(frequency);
    if (!word) {
        Trace("SetFrequency", "F=" + Numeric::Str(frequency) + " is beyond half the clock; nothing sent");
        return std::nullopt;
    }
    currentTuningWord_ = *word;
    try {
        SendFrequencyWord(*word);
    } catch (const RuntimeError& error) {
        Trace("SetFrequency", "Code=" + std::to_string(error.Number()) + " Description=" + error.Description() +
                                  " Source=" + error.Source());
        return std::nullopt;
    }
    return frequency;
}

void clsAD9835::SendFrequencyWord(int32_t word)
{
    const auto bits = static_cast<uint32_t>(word);
    DDSInterface& transport = Transport();
    transport.Out16(0x8000);
    transport.Out16(0xC000);
    transport.Out16(static_cast<uint16_t>(0x3300 + (bits >> 24)));
    transport.Out16(static_cast<uint16_t>(0x2200 + ((bits >> 16) & 0xFF)));
    transport.Out16(static_cast<uint16_t>(0x3100 + ((bits >> 8) & 0xFF)));
    transport.Out16(static_cast<uint16_t>(0x2000 + (bits & 0xFF)));
}

void clsAD9835::Refresh()
{
    if (CMDOutActive)
        return;
    BusyGuard transferring(CMDOutActive);
    if (parent_ == nullptr) {
        Trace("Refresh", "No VFO to take the oscillator frequency from; nothing sent");
        return;
    }
    SetFrequency(parent_->OscOut());
}

void clsAD9835::SaveSettings()
{
    if (rxName_.empty())
        return;
    SaveClockAndBase();
}

void clsAD9835::RestoreSettings()
{
    if (rxName_.empty())
        return;
    RestoreClock();
    RestoreBase();
}
