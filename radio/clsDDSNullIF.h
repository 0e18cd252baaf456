#pragma once

#include "radio/DDSInterface.h"

// The transport of receivers without a programmable oscillator: it accepts every call
// of the serial and printer-port transports, touches no hardware, never waits and keeps
// only what the receiver set-up reads back.
class clsDDSNullIF : public DDSInterface
{
public:
    clsDDSNullIF();
    ~clsDDSNullIF() override;

    void SDATA(int32_t) override {}
    void SCLCK(int16_t) override {}
    void IOUPD(int16_t) override {}
    void Out8(uint8_t) override {}
    void Out8LSB(uint8_t) override {}
    void Out16(uint16_t) override {}
    // The frame over the inert lines: 0, or SequenceBusy when re-entered.
    int32_t SendSeqMSB(std::span<const uint8_t> Bytes, int16_t Count) override;
    int32_t SendSeqLSB(std::span<const uint8_t> Bytes, int16_t Count) override;

    int32_t OpenPort(bool = false) override { return 0; }
    int32_t ClosePort() override { return 0; }
    int32_t GetEncoderBits() override { return 0; }
    int32_t PortNo() const override { return 0; }
    void PortNo(int32_t) override {}
    std::shared_ptr<SerialLines::CommControl> MSCommCtl() const override { return nullptr; }
    void MSCommCtl(std::shared_ptr<SerialLines::CommControl>) override {}

    // Stored as given, in seconds.
    double WaitTime() const override { return waitTime_; }
    void WaitTime(double seconds) override { waitTime_ = seconds; }

    // Inert copies of the other transports' members.
    bool Inverting() const { return inverting_; }
    void Inverting(bool inverting) { inverting_ = inverting; }
    int32_t PortAddress() const { return 0; }
    void PortAddress(int32_t) {}
    int32_t PortState() const { return 0; }
    void PortState(int32_t) {}
    int32_t hComm() const { return 0; }
    void hComm(int32_t) {}
    bool EventMode() const { return false; }
    void EventMode(bool) {}

    int32_t InitialiseAsHeld() override;
    void SaveSettings() override {}
    void RestoreSettings() override {}

private:
    double waitTime_ = 1.0 / 230400.0;
    bool inverting_ = false;
    bool sendSeqMSBBusy_ = false;
    bool sendSeqLSBBusy_ = false;
};
