#include "radio/cy27ee16_table/PLLEntry.h"

namespace PLLEntryCodec {

namespace {
constexpr PLLEntry QMask = 0x7F;
constexpr PLLEntry POMask = 0x1;
constexpr PLLEntry PBMask = 0x3FF;
constexpr PLLEntry PumpMask = 0x7;
constexpr PLLEntry NMask = 0x7F;

constexpr int POShift = 7;
constexpr int PBShift = 8;
constexpr int PumpShift = 18;
constexpr int NShift = 24;

PLLEntry Field(int value, PLLEntry mask, int shift)
{
    return (static_cast<PLLEntry>(value) & mask) << shift;
}

int Field(PLLEntry entry, PLLEntry mask, int shift)
{
    return static_cast<int>((entry >> shift) & mask);
}
}  // namespace

PLLEntry Pack(const PLLFields& fields)
{
    return Field(fields.Q, QMask, 0) | Field(fields.PO, POMask, POShift) |
           Field(fields.PB, PBMask, PBShift) | Field(fields.Pump, PumpMask, PumpShift) |
           Field(fields.N, NMask, NShift);
}

PLLFields Unpack(PLLEntry entry)
{
    PLLFields fields;
    fields.Q = Field(entry, QMask, 0);
    fields.PO = Field(entry, POMask, POShift);
    fields.PB = Field(entry, PBMask, PBShift);
    fields.Pump = Field(entry, PumpMask, PumpShift);
    fields.N = Field(entry, NMask, NShift);
    return fields;
}

PLLRegisters RegistersOf(PLLEntry entry)
{
    PLLRegisters registers;
    registers.Reg40 = static_cast<std::uint8_t>(0xC0 | ((entry >> 16) & 0x3F));
    registers.Reg41 = static_cast<std::uint8_t>((entry >> 8) & 0xFF);
    registers.Reg42 = static_cast<std::uint8_t>(entry & 0xFF);
    registers.N = static_cast<std::uint8_t>((entry >> 24) & 0x7F);
    return registers;
}

}  // namespace PLLEntryCodec
