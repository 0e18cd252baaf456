#pragma once

#include "radio/DDSInterface.h"

#include "platform/PrinterPort.h"

// The transport over three data bits of a printer port. It keeps an image of the data
// register (PortState), changes one bit per line change and writes the whole byte.
// Each line can sit on any of the eight bits; Inverting inverts all three.
//
// The port's device is /dev/parport0, 1 or 2 for the addresses 0x378, 0x278 and 0x3BC,
// unless the settings section has a key "ParallelDevice" naming another one.
class clsDDSParallelIF : public DDSInterface
{
public:
    clsDDSParallelIF();
    ~clsDDSParallelIF() override;

    void SDATA(int32_t State) override;
    void SCLCK(int16_t State) override;
    void IOUPD(int16_t State) override;

    int32_t SendSeqMSB(std::span<const uint8_t> Bytes, int16_t Count) override;
    int32_t SendSeqLSB(std::span<const uint8_t> Bytes, int16_t Count) override;
    void Out8(uint8_t ByteToSend) override;
    void Out8LSB(uint8_t ByteToSend) override;
    void Out16(uint16_t WordToSend) override;

    int32_t OpenPort(bool EventMode = false) override;   // nothing to open: 1
    int32_t ClosePort() override;                        // nothing to close: 0
    int32_t GetEncoderBits() override { return 0; }

    double WaitTime() const override { return waitMicroseconds_ / 1'000'000.0; }
    void WaitTime(double seconds) override { waitMicroseconds_ = seconds * 1'000'000.0; }

    int32_t PortAddress() const { return portAddress_; }
    void PortAddress(int32_t address) { portAddress_ = address; }
    bool Inverting() const { return inverting_; }
    void Inverting(bool inverting) { inverting_ = inverting; }
    uint8_t PortState() const { return portState_; }
    void PortState(uint8_t state) { portState_ = state; }
    // Bit numbers 0 to 7 (a value is taken And 7). Two lines on one bit share it.
    int32_t SDATABitNo() const { return sdataBitNo_; }
    void SDATABitNo(int32_t bitNo) { sdataBitNo_ = bitNo & 7; }
    int32_t SCLCKBitNo() const { return sclckBitNo_; }
    void SCLCKBitNo(int32_t bitNo) { sclckBitNo_ = bitNo & 7; }
    int32_t IOUPDBitNo() const { return ioupdBitNo_; }
    void IOUPDBitNo(int32_t bitNo) { ioupdBitNo_ = bitNo & 7; }

    int32_t InitialiseAsHeld() override;
    void SaveSettings() override;
    void RestoreSettings() override;

    // The device the data register is written to, empty when the address has none.
    std::string DevicePath() const;

private:
    void ChangeLine(int32_t bitNo, bool high);
    void WritePort();

    int32_t portAddress_ = 0x378;
    bool inverting_ = false;
    uint8_t portState_ = 0;
    double waitMicroseconds_ = 0;
    int32_t sdataBitNo_ = 0;
    int32_t sclckBitNo_ = 1;
    int32_t ioupdBitNo_ = 2;
    std::string parallelDevice_;
    PrinterPort::Writer writer_;
    std::string reportedFailure_;   // the last failure told to the user, so it is told once
    bool sendSeqMSBBusy_ = false;
    bool sendSeqLSBBusy_ = false;
};
