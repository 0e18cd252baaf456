#include "radio/DDSInterface.h"

#include "core/BusyGuard.h"
#include "core/RuntimeError.h"
#include "core/Settings.h"

#include <cstdio>

DDSInterface::DDSInterface(const std::string& className) : className_(className), name_(className) {}

void DDSInterface::NotSupported(const char* member) const
{
    throw RuntimeError(438,
                       className_ + " has no " + member +
                           ": the oscillator chip needs another interface type (see the receiver configuration)",
                       className_ + "." + member);
}

int32_t DDSInterface::SendSeqLSB(std::span<const uint8_t>, int16_t) { NotSupported("SendSeqLSB"); }
void DDSInterface::Out8LSB(uint8_t) { NotSupported("Out8LSB"); }
void DDSInterface::I2CInit() { NotSupported("I2CInit"); }
int32_t DDSInterface::I2CSendSeq(std::span<const uint8_t>, int16_t) { NotSupported("I2CSendSeq"); }
int32_t DDSInterface::PortNo() const { NotSupported("PortNo"); }
void DDSInterface::PortNo(int32_t) { NotSupported("PortNo"); }
std::shared_ptr<SerialLines::CommControl> DDSInterface::MSCommCtl() const { NotSupported("MSCommCtl"); }
void DDSInterface::MSCommCtl(std::shared_ptr<SerialLines::CommControl>) { NotSupported("MSCommCtl"); }

int32_t DDSInterface::Initialise()
{
    RestoreSettings();
    return InitialiseAsHeld();
}

void DDSInterface::CheckCount(std::span<const uint8_t> bytes, int16_t count, const char* member) const
{
    if (count > 0 && static_cast<size_t>(count) > bytes.size())
        throw RuntimeError(9,
                           "Subscript out of range: " + std::to_string(count) + " bytes asked for, " +
                               std::to_string(bytes.size()) + " given",
                           className_ + "." + member);
}

int32_t DDSInterface::SendFrame(bool& busy, std::span<const uint8_t> bytes, int16_t count, bool msbFirst,
                                const char* member)
{
    if (busy)
        return SequenceBusy;
    CheckCount(bytes, count, member);
    BusyGuard guard(busy);
    IOUPD(0);
    SCLCK(0);
    for (int16_t i = 0; i < count; ++i)
        ClockOutBits(bytes[i], 8, msbFirst);
    IOUPD(1);
    return 0;
}

void DDSInterface::ClockOutBits(uint32_t value, int bitCount, bool msbFirst)
{
    for (int bit = 0; bit < bitCount; ++bit) {
        const uint32_t mask = msbFirst ? 1u << (bitCount - 1 - bit) : 1u << bit;
        SDATA(static_cast<int32_t>(value & mask));
        SCLCK(1);
        SCLCK(0);
    }
}

void DDSInterface::RestoreKey(const char* key, const std::function<void(const std::string&)>& apply) const
{
    Settings::RestoreSetting(rxName_, key, apply, className_ + ".RestoreSettings");
}

void DDSInterface::SaveKey(const char* key, const std::string& value) const
{
    Settings::SaveSetting(rxName_, key, value);
}

std::string DDSInterface::SecondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.15G", seconds);
    return text;
}
