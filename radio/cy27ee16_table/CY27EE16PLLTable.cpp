#include "radio/cy27ee16_table/CY27EE16PLLTable.h"

#include "core/Numeric.h"
#include "radio/cy27ee16_table/CY27EE16PLLSettings.h"

#include <algorithm>

static_assert(CY27EE16PLLSettings::Count == CY27EE16PLLTable::LastWrittenSlot + 1,
              "the stored settings must cover slots 0 to 29901");

namespace {

std::int64_t FloorDivide(std::int64_t numerator, std::int64_t denominator)
{
    const std::int64_t quotient = numerator / denominator;
    return (numerator % denominator != 0 && (numerator < 0) != (denominator < 0)) ? quotient - 1
                                                                                  : quotient;
}

}  // namespace

std::int32_t CY27EE16PLLTable::BuildLUT()
{
    PLLTableHeader_.LUTRefFreq = 10000000;
    PLLTableHeader_.LUTMinFreq = 448000;
    PLLTableHeader_.LUTMaxFreq = 120048000;
    PLLTableHeader_.LUTCount = 29901;
    PLLTableHeader_.LUTStep = 4000;
    PLLTableHeader_.LUTIFOffset = 48000;
    FillLUT1();
    FillLUT2();
    FillLUT3();
    FillLUT4();
    FillLUT5();
    FillLUT6();
    FillLUT7();
    FillLUT8();
    FillLUT9();
    FillLUT10();
    return 0;
}

std::int32_t CY27EE16PLLTable::FillLUT1() { return FillSlots(0, 2999); }
std::int32_t CY27EE16PLLTable::FillLUT2() { return FillSlots(3000, 5999); }
std::int32_t CY27EE16PLLTable::FillLUT3() { return FillSlots(6000, 8999); }
std::int32_t CY27EE16PLLTable::FillLUT4() { return FillSlots(9000, 11999); }
std::int32_t CY27EE16PLLTable::FillLUT5() { return FillSlots(12000, 14999); }
std::int32_t CY27EE16PLLTable::FillLUT6() { return FillSlots(15000, 17999); }
std::int32_t CY27EE16PLLTable::FillLUT7() { return FillSlots(18000, 20999); }
std::int32_t CY27EE16PLLTable::FillLUT8() { return FillSlots(21000, 23999); }
std::int32_t CY27EE16PLLTable::FillLUT9() { return FillSlots(24000, 26999); }
std::int32_t CY27EE16PLLTable::FillLUT10() { return FillSlots(27000, LastWrittenSlot); }

std::int32_t CY27EE16PLLTable::FillSlots(int first, int last)
{
    std::copy(CY27EE16PLLSettings::Settings + first, CY27EE16PLLSettings::Settings + last + 1,
              PLLTable_.begin() + first);
    return 0;
}

std::int64_t CY27EE16PLLTable::SlotOf(std::int32_t frequency) const
{
    // Lowest receiver frequency in kHz (100), a quarter of the oscillator frequency in whole kHz,
    // and the IF in kHz (12): the oscillator runs at four times the tuned frequency plus the IF.
    const std::int64_t lowestKHz =
        Numeric::CLng((PLLTableHeader_.LUTMinFreq - PLLTableHeader_.LUTIFOffset) / 4.0 / 1000.0);
    const std::int64_t quarterKHz = FloorDivide(frequency, 40 * 1000);
    return Numeric::CLng(static_cast<double>(quarterKHz - lowestKHz) -
                         PLLTableHeader_.LUTIFOffset / 4000.0);
}

std::optional<PLLEntry> CY27EE16PLLTable::EntryAt(std::int64_t slot) const
{
    if (slot < 0 || slot >= SlotCount)
        return std::nullopt;
    return PLLTable_[static_cast<std::size_t>(slot)];
}

std::optional<PLLEntry> CY27EE16PLLTable::SettingFor(std::int32_t frequency) const
{
    const std::int64_t slot = SlotOf(frequency);
    if (slot < 0 || slot >= PLLTableHeader_.LUTCount)
        return std::nullopt;
    const std::optional<PLLEntry> entry = EntryAt(slot);
    if (!entry || *entry == 0)
        return std::nullopt;
    return entry;
}
