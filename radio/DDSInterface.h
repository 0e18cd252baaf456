#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace SerialLines { class CommControl; }

// A byte-sequence member entered again (through message pumping) while it still runs.
inline constexpr int32_t SequenceBusy = -32767;

// The operations every transport to the oscillator chip offers: three logical lines
// (serial data, serial clock, frame and update strobe), sequences clocked out over them,
// and the port's set-up. Each line change of a hardware transport is followed by a busy
// wait of WaitTime.
//
// A member that a transport does not have raises RuntimeError 438, naming the transport
// and the member: the chip it was paired with needs another transport.
class DDSInterface
{
public:
    virtual ~DDSInterface() = default;
    DDSInterface(const DDSInterface&) = delete;
    DDSInterface& operator=(const DDSInterface&) = delete;

    // Lines: 0 for logical low, 1 for logical high.
    virtual void SDATA(int32_t State) = 0;
    virtual void SCLCK(int16_t State) = 0;
    virtual void IOUPD(int16_t State) = 0;

    // Elements 0 to Count - 1 of Bytes in one frame (strobe low, the bits each with a
    // clock pulse, strobe high). Returns 0, or SequenceBusy when re-entered. A Count larger
    // than Bytes raises RuntimeError 9 before any line changes.
    virtual int32_t SendSeqMSB(std::span<const uint8_t> Bytes, int16_t Count) = 0;
    virtual int32_t SendSeqLSB(std::span<const uint8_t> Bytes, int16_t Count);
    // Eight bits clocked out without a frame.
    virtual void Out8(uint8_t ByteToSend) = 0;
    virtual void Out8LSB(uint8_t ByteToSend);
    // One framed 16-bit word, most significant bit first.
    virtual void Out16(uint16_t WordToSend) = 0;
    // I2C: release both lines; one write transaction of Bytes[0 .. Count - 1].
    virtual void I2CInit();
    virtual int32_t I2CSendSeq(std::span<const uint8_t> Bytes, int16_t Count);

    // Non-zero when the port is open.
    virtual int32_t OpenPort(bool EventMode = false) = 0;
    virtual int32_t ClosePort() = 0;
    virtual int32_t PortNo() const;
    virtual void PortNo(int32_t portNo);
    virtual std::shared_ptr<SerialLines::CommControl> MSCommCtl() const;
    virtual void MSCommCtl(std::shared_ptr<SerialLines::CommControl> control);
    // Modem-status bits of the serial port (SerialLines::ModemStatusBits), 0 when closed.
    virtual int32_t GetEncoderBits() = 0;

    // Pause after each line change, in seconds.
    virtual double WaitTime() const = 0;
    virtual void WaitTime(double seconds) = 0;

    // Restores the settings and sets the lines to their idle levels. Returns 0.
    int32_t Initialise();
    // Sets the lines to their idle levels with the settings held now. A caller that has
    // restored them and put the user's choice of port over them reaches that port alone.
    virtual int32_t InitialiseAsHeld() = 0;
    bool Initialised() const { return initialised_; }
    virtual void SaveSettings() = 0;
    virtual void RestoreSettings() = 0;

    const std::string& Name() const { return name_; }
    void Name(const std::string& name) { name_ = name; }
    // The settings section ("RXModel." and the model's name); empty: no settings kept.
    const std::string& RxName() const { return rxName_; }
    void RxName(const std::string& section) { rxName_ = section; }

protected:
    explicit DDSInterface(const std::string& className);

    [[noreturn]] void NotSupported(const char* member) const;

    // The frame of the sequence members over this transport's own line members.
    // Refuses re-entry through busy.
    int32_t SendFrame(bool& busy, std::span<const uint8_t> bytes, int16_t count, bool msbFirst,
                      const char* member);
    // Per bit, most or least significant first: SDATA bit, SCLCK 1, SCLCK 0.
    void ClockOutBits(uint32_t value, int bitCount, bool msbFirst);
    // Raises RuntimeError 9 when count asks for more bytes than there are.
    void CheckCount(std::span<const uint8_t> bytes, int16_t count, const char* member) const;

    // Reads one key of RxName's section; a missing key leaves the value alone, and a
    // malformed one is logged and leaves it alone too.
    void RestoreKey(const char* key, const std::function<void(const std::string&)>& apply) const;
    void SaveKey(const char* key, const std::string& value) const;

    // Wait time in seconds as settings text: 15 significant digits, an exponent for
    // small values ("5E-06").
    static std::string SecondsText(double seconds);

    bool initialised_ = false;

private:
    std::string className_;
    std::string name_;
    std::string rxName_;
};
