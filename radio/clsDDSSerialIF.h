#pragma once

#include "radio/DDSInterface.h"

#include <functional>
#include <string>

// The transport over a serial port's modem-control lines: serial data on RTS and the
// strobe on DTR, both inverted (a logical 1 clears the line), the clock on the transmit
// line held in break. For I2C, SCL is RTS and SDA is DTR, not inverted. It also reads
// the modem status for the shaft encoder.
//
// The port opens in one of two modes: in event mode the serial-communications control
// given in MSCommCtl owns it and reports CTS and DSR changes; in polled mode the
// transport opens the device itself. Port n is /dev/ttyS<n-1> unless the settings
// section has a key "SerialDevice" naming another device.
class clsDDSSerialIF : public DDSInterface
{
public:
    clsDDSSerialIF();
    ~clsDDSSerialIF() override;

    void SDATA(int32_t State) override;
    void SCLCK(int16_t State) override;
    void IOUPD(int16_t State) override;
    void SCLCKNoWait(int16_t State);
    void IOUPDNoWait(int16_t State);

    int32_t SendSeqMSB(std::span<const uint8_t> Bytes, int16_t Count) override;
    void Out8(uint8_t ByteToSend) override;
    void Out16(uint16_t WordToSend) override;

    // I2C members. I2CSCL keeps what was written; I2CSDA reads CTS, so the acknowledge
    // bit is clocked but never sensed.
    void I2CInit() override;
    int32_t I2CSendSeq(std::span<const uint8_t> Bytes, int16_t Count) override;
    int32_t I2CSCL() const { return i2cSCL_; }
    void I2CSCL(int32_t level);
    int32_t I2CSDA() const { return CTS(); }
    void I2CSDA(int32_t level);
    bool I2COutByte(uint8_t ByteToSend);
    void I2CStart();
    void I2CStop();
    void I2CWait();
    int32_t CTS() const { return 1; }

    // Returns the handle (1 or more), or 0 after telling the user why the port did not open.
    // An open port keeps the mode it was opened in, so ClosePort closes what was opened.
    int32_t OpenPort(bool EventMode = false) override;
    int32_t ClosePort() override;
    int32_t PortNo() const override { return portNo_; }
    void PortNo(int32_t portNo) override { portNo_ = portNo; }
    std::shared_ptr<SerialLines::CommControl> MSCommCtl() const override { return control_; }
    void MSCommCtl(std::shared_ptr<SerialLines::CommControl> control) override { control_ = std::move(control); }
    int32_t hComm() const { return hComm_; }
    void hComm(int32_t handle) { hComm_ = handle; }
    bool EventMode() const { return eventMode_; }
    void EventMode(bool eventMode)
    {
        if (hComm_ < 1)
            eventMode_ = eventMode;
    }
    int32_t GetEncoderBits() override;

    double WaitTime() const override { return waitMicroseconds_ / 1'000'000.0; }
    void WaitTime(double seconds) override { waitMicroseconds_ = seconds * 1'000'000.0; }

    int32_t InitialiseAsHeld() override;
    void SaveSettings() override;
    void RestoreSettings() override;

    // The device OpenPort opens: "SerialDevice" from the settings, else /dev/ttyS<PortNo-1>.
    std::string DevicePath() const;
    // The "SerialDevice" in force; empty means the device of PortNo. Saved with the settings.
    const std::string& SerialDevice() const { return serialDevice_; }
    void SerialDevice(const std::string& path) { serialDevice_ = path; }
    // The clicks that lead to the configuration window from the display that the main window
    // shows once the message is answered (for example "Display: Full, then Config"); the main
    // window sets it. Unset: "Config".
    static inline std::function<std::string()> ConfigurationPath;

private:
    void SetDTRLine(int16_t level);
    void SetRTSLine(int16_t level);
    void SetTXDLine(int16_t level);
    void Pause() const;
    void SetIdleLines();
    int32_t OpenThroughControl();
    int32_t OpenPolled();
    // The port that did not open, why, and the ways on: another port, no board, or a device
    // set by hand; the trace log gets the routine and the mode.
    void ReportOpenFailure(const std::string& mode, const std::string& reason) const;
    std::string PortName() const;

    int32_t portNo_ = 1;
    int32_t hComm_ = 0;
    bool eventMode_ = false;
    std::shared_ptr<SerialLines::CommControl> control_;
    double waitMicroseconds_ = 0;
    int32_t i2cSCL_ = 0;
    std::string serialDevice_;
    bool sendSeqMSBBusy_ = false;
};
