#include "radio/clsDDSSerialIF.h"

#include "core/Numeric.h"
#include "core/Settings.h"
#include "core/TryStep.h"
#include "core/frmLog.h"
#include "core/modTiming.h"
#include "platform/AppPaths.h"
#include "platform/MessageBoxes.h"
#include "platform/SerialLines.h"

#include <algorithm>

namespace {

constexpr const char* RoutineName = "clsDDSSerialIF:clsDDSSerialIF:OpenPort";

// The speeds each mode opens the port at; no characters are sent, so they matter little.
constexpr const char* EventModeSettings = "1200,n,8,1";
constexpr int32_t PolledModeBaud = 9600;

} // namespace

clsDDSSerialIF::clsDDSSerialIF() : DDSInterface("clsDDSSerialIF")
{
    WaitTime(1.0 / 230400.0);
    portNo_ = 1;
    modTiming::InitPerfCounter();
}

clsDDSSerialIF::~clsDDSSerialIF()
{
    TryStep([this] { ClosePort(); });
    if (Initialised())
        TryStep([this] { SaveSettings(); });
}

void clsDDSSerialIF::SetDTRLine(int16_t level) { SerialLines::SetDTR(hComm_, level >= 1); }
void clsDDSSerialIF::SetRTSLine(int16_t level) { SerialLines::SetRTS(hComm_, level >= 1); }
void clsDDSSerialIF::SetTXDLine(int16_t level) { SerialLines::SetBreak(hComm_, level >= 1); }

void clsDDSSerialIF::Pause() const { modTiming::DelayMicroseconds(static_cast<float>(waitMicroseconds_)); }

void clsDDSSerialIF::SDATA(int32_t State)
{
    SetRTSLine(State != 0 ? 0 : 1);
    Pause();
}

void clsDDSSerialIF::SCLCK(int16_t State)
{
    SCLCKNoWait(State);
    Pause();
}

void clsDDSSerialIF::SCLCKNoWait(int16_t State) { SetTXDLine((State & 1) == 1 ? 1 : 0); }

void clsDDSSerialIF::IOUPD(int16_t State)
{
    IOUPDNoWait(State);
    Pause();
}

void clsDDSSerialIF::IOUPDNoWait(int16_t State) { SetDTRLine(State >= 1 ? 0 : 1); }

int32_t clsDDSSerialIF::SendSeqMSB(std::span<const uint8_t> Bytes, int16_t Count)
{
    if (!Initialised())
        return 0;
    return SendFrame(sendSeqMSBBusy_, Bytes, Count, true, "SendSeqMSB");
}

void clsDDSSerialIF::Out8(uint8_t ByteToSend)
{
    SCLCK(0);
    ClockOutBits(ByteToSend, 8, true);
}

// The frame edges carry no pause; the bits do.
void clsDDSSerialIF::Out16(uint16_t WordToSend)
{
    IOUPDNoWait(0);
    SCLCKNoWait(0);
    ClockOutBits(WordToSend, 16, true);
    IOUPDNoWait(1);
}

void clsDDSSerialIF::I2CSCL(int32_t level)
{
    i2cSCL_ = level;
    SetRTSLine(level >= 1 ? 1 : 0);
}

void clsDDSSerialIF::I2CSDA(int32_t level) { SetDTRLine(level >= 1 ? 1 : 0); }

void clsDDSSerialIF::I2CWait() { Pause(); }

void clsDDSSerialIF::I2CInit()
{
    I2CSCL(1);
    I2CSDA(1);
}

void clsDDSSerialIF::I2CStart()
{
    I2CSDA(0);
    I2CWait();
    I2CSCL(0);
}

void clsDDSSerialIF::I2CStop()
{
    I2CSCL(0);
    I2CSDA(0);
    I2CWait();
    I2CSCL(1);
    I2CWait();
    I2CSDA(1);
}

// True when the chip acknowledged; SDA cannot be read back, so never.
bool clsDDSSerialIF::I2COutByte(uint8_t ByteToSend)
{
    for (uint32_t mask = 128; mask >= 1; mask >>= 1) {
        I2CSDA((ByteToSend & mask) == mask ? 1 : 0);
        I2CSCL(1);
        I2CWait();
        I2CSCL(0);
    }
    I2CSDA(1);
    I2CSCL(1);
    I2CWait();
    const int32_t acknowledge = I2CSDA();
    I2CSCL(0);
    I2CWait();
    return acknowledge != 1;
}

int32_t clsDDSSerialIF::I2CSendSeq(std::span<const uint8_t> Bytes, int16_t Count)
{
    CheckCount(Bytes, Count, "I2CSendSeq");
    I2CInit();
    modTiming::DelayMicroseconds(1.0f);
    I2CStart();
    for (int16_t i = 0; i < Count; ++i)
        I2COutByte(Bytes[i]);
    I2CStop();
    return 0;
}

int32_t clsDDSSerialIF::GetEncoderBits()
{
    uint32_t bits = 0;
    if (hComm_ >= 1 && SerialLines::GetModemStatus(hComm_, bits))
        return static_cast<int32_t>(bits);
    return 0;
}

std::string clsDDSSerialIF::DevicePath() const
{
    return serialDevice_.empty() ? SerialLines::DefaultDevice(portNo_) : serialDevice_;
}

// COMn and the device behind it; a device chosen by its path is named by that path alone.
std::string clsDDSSerialIF::PortName() const
{
    if (!serialDevice_.empty())
        return serialDevice_;
    return "COM" + std::to_string(portNo_) + " (" + DevicePath() + ")";
}

// A port chosen in the configuration window is opened at its OK, and the Null interface taken
// there: neither needs a restart. The "SerialDevice" key is read at the start only, and the
// running program writes its own value back, so a device set by hand needs the program closed.
void clsDDSSerialIF::ReportOpenFailure(const std::string& mode, const std::string& reason) const
{
    AddLog(std::string(RoutineName) + " : " + mode + " : Unable to Open " + PortName() + " : " + reason);
    const std::string configuration = ConfigurationPath ? ConfigurationPath() : "Config";
    MessageBoxes::MsgBox("Unable to open " + PortName() + ".\n" + reason + "\n" +
                             "To use another port: " + configuration + " → Serial I/F, choose it there, then OK.\n" +
                             "To run without a receiver board, after OK here: " + configuration +
                             " → DDS → \"Null\" → OK; the program goes on.\n" +
                             "Both take effect at OK, without a restart. Only a device set by hand in the settings "
                             "file needs one: close the program, set SerialDevice=/dev/ttyUSB0 (for example) in "
                             "section [" + RxName() + "] of " + AppPaths::SettingsFilePath() + ", then start it again.",
                         MessageBoxes::vbOKOnly);
}

// Opening raises RTS and DTR; the chip must see the idle levels before anything else.
void clsDDSSerialIF::SetIdleLines()
{
    SDATA(0);
    IOUPD(0);
    SCLCK(0);
}

int32_t clsDDSSerialIF::OpenPort(bool EventMode)
{
    if (hComm_ >= 1)
        return hComm_;
    eventMode_ = EventMode;
    const int32_t handle = eventMode_ ? OpenThroughControl() : OpenPolled();
    if (handle >= 1)
        SetIdleLines();
    return handle;
}

int32_t clsDDSSerialIF::OpenThroughControl()
{
    std::string reason = "No serial-communications control was given to the interface.";
    if (control_) {
        control_->CommPort(portNo_);
        control_->Device(DevicePath());
        control_->Settings(EventModeSettings);
        control_->PortOpen(true);
        if (control_->PortOpen()) {
            hComm_ = control_->CommID();
            return hComm_;
        }
        reason = control_->LastError().description;
    }
    ReportOpenFailure("EventMode", reason);
    return 0;
}

int32_t clsDDSSerialIF::OpenPolled()
{
    if (control_ && control_->PortOpen())
        control_->PortOpen(false);
    SerialLines::OpenError error;
    const int32_t handle = SerialLines::Open(DevicePath(), PolledModeBaud, error);
    if (handle >= 1) {
        hComm_ = handle;
        return handle;
    }
    ReportOpenFailure("PollMode", error.description);
    return 0;
}

int32_t clsDDSSerialIF::ClosePort()
{
    if (hComm_ <= 0)
        return 0;
    int32_t result = 0;
    if (eventMode_) {
        if (control_)
            control_->PortOpen(false);
    } else {
        result = SerialLines::Close(hComm_) ? 1 : 0;
    }
    hComm_ = 0;
    return result;
}

int32_t clsDDSSerialIF::InitialiseAsHeld()
{
    modTiming::InitPerfCounter();
    SetIdleLines();
    initialised_ = true;
    return 0;
}

void clsDDSSerialIF::SaveSettings()
{
    if (RxName().empty() || !Initialised())
        return;
    SaveKey("PortNo", std::to_string(portNo_));
    SaveKey("SerialWaitTime", SecondsText(WaitTime()));
    // The key is written once a device has been chosen, and then kept up to date.
    if (!serialDevice_.empty() || !Settings::GetSetting(RxName(), "SerialDevice", "").empty())
        SaveKey("SerialDevice", serialDevice_);
}

void clsDDSSerialIF::RestoreSettings()
{
    if (RxName().empty())
        return;
    RestoreKey("PortNo", [this](const std::string& text) { portNo_ = std::max(Numeric::CLng(text), int32_t{1}); });
    RestoreKey("SerialWaitTime", [this](const std::string& text) { WaitTime(Numeric::CDbl(text)); });
    serialDevice_ = Settings::GetSetting(RxName(), "SerialDevice", "");
}
