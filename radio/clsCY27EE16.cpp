#include "radio/clsCY27EE16.h"

#include "core/BusyGuard.h"
#include "core/Numeric.h"
#include "radio/DDSInterface.h"
#include "radio/cy27ee16_table/CY27EE16PLLTable.h"

#include <cmath>

namespace {

// Registers of the CY27EE16.
constexpr uint8_t PLLRegister = 0x40;        // 0x40..0x42: charge pump, PB, PO and Q
constexpr uint8_t CrosspointRegister = 0x45; // 0x45, 0x46: crosspoint switch
constexpr uint8_t DividerRegister = 0x0C;    // DIV1N
constexpr uint8_t CrystalRegister = 0x12;    // 0x12..0x14: crystal drive and load capacitance

// Four-hertz units per 4 kHz step.
constexpr int32_t FineStepsPerStep = 1000;

} // namespace

clsCY27EE16::clsCY27EE16()
    : OscillatorChip("clsCY27EE16", LimitType::Single), table_(std::make_unique<CY27EE16PLLTable>())
{
    ClkIn(DefaultClockHz);
}

clsCY27EE16::~clsCY27EE16() { SaveIfInitialised(); }

int32_t clsCY27EE16::Initialise()
{
    if (initialising_)
        return 0;
    BusyGuard guard(initialising_);
    RestoreSettings();
    table_->BuildLUT();
    Transport().I2CInit();
    initialised_ = true;
    return 0;
}

std::optional<int32_t> clsCY27EE16::SetFrequency(int32_t FrequencyToSet)
{
    if (!initialised_)
        return std::nullopt;
    lastRequest_ = FrequencyToSet;
    // The step comes from the frequency rounded to 4 Hz, so that a frequency just below a
    // step tunes that step rather than the one 4 kHz lower.
    const int32_t fourHertzUnits = Numeric::CLng(FrequencyToSet / 40.0);
    const auto entry = table_->SettingFor(fourHertzUnits * 40);
    if (!entry) {
        Trace("SetFrequency", "F=" + Numeric::Str(FrequencyToSet) +
                                  " lies outside the frequency table (448 kHz to 120.052 MHz); nothing sent");
        return std::nullopt;
    }
    const PLLRegisters registers = PLLEntryCodec::RegistersOf(*entry);
    Send(std::array<uint8_t, 5>{DeviceAddress, PLLRegister, registers.Reg40, registers.Reg41, registers.Reg42});
    SendDivider(registers.N);
    TuneHz(fourHertzUnits % FineStepsPerStep);
    return std::nullopt;
}

void clsCY27EE16::SendDivider(uint8_t divider)
{
    // Divide-by-2 and divide-by-3 come from DIV1N 4 and 6 with the crosspoint's divide-by-2
    // path; every other divider goes into DIV1N as it is.
    switch (divider) {
    case 2:
        Send(std::array<uint8_t, 3>{DeviceAddress, DividerRegister, 0x04});
        Send(std::array<uint8_t, 4>{DeviceAddress, CrosspointRegister, 0x0E, 0x87});
        break;
    case 3:
        Send(std::array<uint8_t, 3>{DeviceAddress, DividerRegister, 0x06});
        Send(std::array<uint8_t, 4>{DeviceAddress, CrosspointRegister, 0x0E, 0xC7});
        break;
    default:
        Send(std::array<uint8_t, 4>{DeviceAddress, CrosspointRegister, 0x0E, 0x47});
        Send(std::array<uint8_t, 3>{DeviceAddress, DividerRegister, divider});
        break;
    }
}

void clsCY27EE16::TuneHz(int32_t FineTuneFreq)
{
    Send(std::array<uint8_t, 5>{DeviceAddress, CrystalRegister, 0x08, static_cast<uint8_t>(FineTuneFreq / 4), 0x00});
}

template <size_t N>
void clsCY27EE16::Send(const std::array<uint8_t, N>& message)
{
    Transport().I2CSendSeq(message, static_cast<int16_t>(N));
}

void clsCY27EE16::Refresh() { SetFrequency(lastRequest_); }

void clsCY27EE16::SaveSettings()
{
    if (rxName_.empty())
        return;
    SaveClockAndBase();
    SaveKey("AutoRefresh", Numeric::BoolText(autoRefresh_));
}

void clsCY27EE16::RestoreSettings()
{
    if (rxName_.empty())
        return;
    RestoreClock();
    RestoreKey("AutoRefresh", [this](const std::string& text) { autoRefresh_ = Numeric::CBool(text); });
    RestoreBase();
}
