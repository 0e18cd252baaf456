#pragma once

#include <cstdint>

// One CY27EE16 PLL setting packed into 32 bits:
//   bits 0-6 Q, bit 7 PO, bits 8-17 PB, bits 18-20 charge pump, bits 24-30 post divider N.
// Bits 21-23 and 31 are always 0. The entry 0 is no setting.
using PLLEntry = std::uint32_t;

// The fields of an entry, with the divider totals the chip works with.
struct PLLFields {
    int Q = 0;
    int PO = 0;
    int PB = 0;
    int Pump = 0;
    int N = 0;

    int Qtotal() const { return Q + 2; }
    int Ptotal() const { return 2 * (PB + 4) + PO; }
};

// What the driver writes to the chip for one entry: the three PLL registers and DIV1N's value.
struct PLLRegisters {
    std::uint8_t Reg40 = 0;  // 0xC0 | pump << 2 | PB bits 9-8
    std::uint8_t Reg41 = 0;  // PB bits 7-0
    std::uint8_t Reg42 = 0;  // PO << 7 | Q
    std::uint8_t N = 0;      // output post divider
};

namespace PLLEntryCodec {

// Packs fields into an entry; each field is masked to its width, so nothing spills into a neighbour.
PLLEntry Pack(const PLLFields& fields);

PLLFields Unpack(PLLEntry entry);

PLLRegisters RegistersOf(PLLEntry entry);

}  // namespace PLLEntryCodec
