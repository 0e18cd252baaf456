#pragma once

#include "radio/cy27ee16_table/PLLEntry.h"

#include <array>
#include <cstdint>
#include <optional>

// The six fields that describe the CY27EE16 driver's PLL table.
struct PLLTableHeader {
    std::int32_t LUTRefFreq = 0;   // reference crystal, Hz
    std::int32_t LUTMinFreq = 0;   // nominal frequency of slot 0, Hz
    std::int32_t LUTMaxFreq = 0;   // nominal frequency of the last setting, Hz
    std::int32_t LUTCount = 0;     // number of settings; also the first zero slot
    std::int32_t LUTStep = 0;      // spacing of the slots, Hz
    std::int32_t LUTIFOffset = 0;  // the IF at the oscillator, Hz
};

// The CY27EE16 driver's frequency table: one packed PLL setting per 4 kHz step of oscillator
// frequency from 448 kHz to 120.048 MHz. All zero until BuildLUT, which the driver runs at
// every Initialise.
class CY27EE16PLLTable {
public:
    static constexpr int SlotCount = 30001;      // slots 0 to 30000
    static constexpr int LastWrittenSlot = 29901;  // holds 0; the slots above stay 0
    using Slots = std::array<PLLEntry, SlotCount>;

    // Writes the header, then FillLUT1 to FillLUT10 in order. Returns 0.
    std::int32_t BuildLUT();

    // Each stores the stored search results into one run of slots and returns 0:
    // FillLUT1 slots 0-2999, FillLUT2 3000-5999, ... FillLUT9 24000-26999, FillLUT10 27000-29901.
    std::int32_t FillLUT1();
    std::int32_t FillLUT2();
    std::int32_t FillLUT3();
    std::int32_t FillLUT4();
    std::int32_t FillLUT5();
    std::int32_t FillLUT6();
    std::int32_t FillLUT7();
    std::int32_t FillLUT8();
    std::int32_t FillLUT9();
    std::int32_t FillLUT10();

    const PLLTableHeader& Header() const { return PLLTableHeader_; }
    const Slots& PLLTable() const { return PLLTable_; }

    // The slot of the 4 kHz step that an oscillator frequency F (tenths of a hertz) falls in,
    // by the header's values: floor(F / 40000) - 112 once built. It may lie outside the table.
    std::int64_t SlotOf(std::int32_t frequency) const;

    // The entry of a slot; nothing for a slot outside the table.
    std::optional<PLLEntry> EntryAt(std::int64_t slot) const;

    // The setting for F: nothing when F lies outside the table's settings (below 448 kHz, or in or
    // beyond the zero slots from 120.052 MHz on) or before BuildLUT, so no caller reads outside
    // the table or sends the zero entry, which is no setting.
    std::optional<PLLEntry> SettingFor(std::int32_t frequency) const;

private:
    std::int32_t FillSlots(int first, int last);

    PLLTableHeader PLLTableHeader_;
    Slots PLLTable_{};
};
