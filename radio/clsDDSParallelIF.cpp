#include "radio/clsDDSParallelIF.h"

#include "core/Numeric.h"
#include "core/Settings.h"
#include "core/TryStep.h"
#include "core/modTiming.h"
#include "platform/MessageBoxes.h"

#include <cstdio>

namespace {

std::string AddressText(int32_t address)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(address));
    return std::string(hex) + " (" + std::to_string(address) + ")";
}

} // namespace

clsDDSParallelIF::clsDDSParallelIF() : DDSInterface("clsDDSParallelIF")
{
    WaitTime(5e-6);
    portAddress_ = 888;
    inverting_ = false;
    modTiming::InitPerfCounter();
    SDATABitNo(0);
    SCLCKBitNo(1);
    IOUPDBitNo(2);
}

clsDDSParallelIF::~clsDDSParallelIF()
{
    TryStep([this] { SaveSettings(); });
}

void clsDDSParallelIF::SDATA(int32_t State) { ChangeLine(sdataBitNo_, State != 0); }
void clsDDSParallelIF::SCLCK(int16_t State) { ChangeLine(sclckBitNo_, State > 0); }
void clsDDSParallelIF::IOUPD(int16_t State) { ChangeLine(ioupdBitNo_, State > 0); }

void clsDDSParallelIF::ChangeLine(int32_t bitNo, bool high)
{
    const auto mask = static_cast<uint8_t>(1u << bitNo);
    if (high != inverting_)
        portState_ |= mask;
    else
        portState_ &= static_cast<uint8_t>(~mask);
    WritePort();
    modTiming::DelayMicroseconds(static_cast<float>(waitMicroseconds_));
}

std::string clsDDSParallelIF::DevicePath() const
{
    return parallelDevice_.empty() ? PrinterPort::DefaultDevice(portAddress_) : parallelDevice_;
}

// A port that cannot be written is told to the user once, not at every line change;
// a later success re-arms the message.
void clsDDSParallelIF::WritePort()
{
    const std::string device = DevicePath();
    std::string failure;
    if (device.empty()) {
        failure = "No printer port is known at address " + AddressText(portAddress_) +
                  ". Choose the address 888, 632 or 956 in Configuration, or name the device (for example "
                  "/dev/parport0) in the key ParallelDevice of section [" + RxName() + "].";
    } else if (writer_.Write(device, portState_, failure)) {
        reportedFailure_.clear();
        return;
    } else {
        failure = "Unable to write the printer port at address " + AddressText(portAddress_) + ":\n" + failure;
    }
    if (failure == reportedFailure_)
        return;
    reportedFailure_ = failure;
    MessageBoxes::MsgBox(failure, MessageBoxes::vbOKOnly | MessageBoxes::vbExclamation);
}

int32_t clsDDSParallelIF::SendSeqMSB(std::span<const uint8_t> Bytes, int16_t Count)
{
    if (!Initialised())
        return 0;
    return SendFrame(sendSeqMSBBusy_, Bytes, Count, true, "SendSeqMSB");
}

int32_t clsDDSParallelIF::SendSeqLSB(std::span<const uint8_t> Bytes, int16_t Count)
{
    if (!Initialised())
        return 0;
    return SendFrame(sendSeqLSBBusy_, Bytes, Count, false, "SendSeqLSB");
}

void clsDDSParallelIF::Out8(uint8_t ByteToSend)
{
    SCLCK(0);
    ClockOutBits(ByteToSend, 8, true);
}

void clsDDSParallelIF::Out8LSB(uint8_t ByteToSend)
{
    SCLCK(0);
    ClockOutBits(ByteToSend, 8, false);
}

void clsDDSParallelIF::Out16(uint16_t WordToSend)
{
    IOUPD(0);
    SCLCK(0);
    ClockOutBits(WordToSend, 16, true);
    IOUPD(1);
}

int32_t clsDDSParallelIF::OpenPort(bool) { return 1; }
int32_t clsDDSParallelIF::ClosePort() { return 0; }

int32_t clsDDSParallelIF::InitialiseAsHeld()
{
    modTiming::InitPerfCounter();
    IOUPD(1);
    SDATA(0);
    SCLCK(1);
    initialised_ = true;
    return 0;
}

void clsDDSParallelIF::SaveSettings()
{
    if (RxName().empty() || !Initialised())
        return;
    SaveKey("PortAddress", std::to_string(portAddress_));
    SaveKey("ParallelWaitTime", SecondsText(WaitTime()));
    SaveKey("Inverting", Numeric::BoolText(inverting_));
    SaveKey("IOUPDBitNo", std::to_string(ioupdBitNo_));
    SaveKey("SDATABitNo", std::to_string(sdataBitNo_));
    SaveKey("SCLCKBitNo", std::to_string(sclckBitNo_));
}

void clsDDSParallelIF::RestoreSettings()
{
    if (RxName().empty())
        return;
    RestoreKey("PortAddress", [this](const std::string& text) { PortAddress(Numeric::CLng(text)); });
    RestoreKey("ParallelWaitTime", [this](const std::string& text) { WaitTime(Numeric::CDbl(text)); });
    RestoreKey("Inverting", [this](const std::string& text) { Inverting(Numeric::CBool(text)); });
    RestoreKey("IOUPDBitNo", [this](const std::string& text) { IOUPDBitNo(Numeric::CLng(text)); });
    RestoreKey("SDATABitNo", [this](const std::string& text) { SDATABitNo(Numeric::CLng(text)); });
    RestoreKey("SCLCKBitNo", [this](const std::string& text) { SCLCKBitNo(Numeric::CLng(text)); });
    parallelDevice_ = Settings::GetSetting(RxName(), "ParallelDevice", "");
}
