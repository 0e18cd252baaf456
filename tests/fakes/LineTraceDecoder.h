#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What the fakes of the serial lines and the printer port record: every line change
// (one per call, even one that sets a line to the level it had) with the pause after it,
// measured on the test's FakePerfCounter.

struct SerialLineState
{
    bool rts = true;   // as the driver leaves a port just opened: RTS and DTR raised
    bool dtr = true;
    bool brk = false;  // transmit line held in break
    bool operator==(const SerialLineState&) const = default;
};

struct SerialLineStep
{
    SerialLineState lines;
    double pauseMicroseconds = 0;
};

struct PrinterPortStep
{
    std::string device;
    uint8_t data = 0;
    double pauseMicroseconds = 0;
};

// Which data bits of the printer port carry the chip's pins, and whether the board
// inverts them.
struct PrinterPortWiring
{
    int sdataBit = 0;
    int sclckBit = 1;
    int ioupdBit = 2;
    bool inverting = false;
};

// The three pins of a serially programmed oscillator chip, as the chip sees them: serial
// data, serial clock and the frame or update strobe (FQ_UD, FSYNC, IO_UPDATE). For I2C,
// data is SDA and clock is SCL.
struct ChipPins
{
    bool data = false;
    bool clock = false;
    bool strobe = false;
    bool operator==(const ChipPins&) const = default;
};

struct PinStep
{
    ChipPins pins;
    double pauseMicroseconds = 0;
};

enum class BitOrder { MSBFirst, LSBFirst };
enum class ClockEdge { Rising, Falling };

// The bits a chip shifted in, in clocking order.
struct ClockedFrame
{
    std::vector<bool> bits;

    // Bits first .. first + count - 1 as a number; MSBFirst: the first of them is the most
    // significant. Value(BitOrder::LSBFirst, 0, 32) of an AD9850 frame is its tuning word.
    uint64_t Value(BitOrder order, size_t first = 0, size_t count = SIZE_MAX) const;
    std::vector<uint8_t> Bytes(BitOrder order) const;   // whole bytes only
    std::vector<uint16_t> Words16() const;               // whole words, most significant bit first
};

// One I2C transaction from its start condition to its stop (or to the next start).
struct I2CTransaction
{
    std::vector<uint8_t> bytes;        // the address byte first
    std::vector<bool> acknowledged;    // per byte: SDA low on the ninth clock
    bool stopped = false;              // ended by a stop condition
    size_t strayBits = 0;              // bits after the last whole byte and its acknowledge clock

    uint8_t Address() const { return bytes.empty() ? 0 : bytes.front(); }
    // (register, value) pairs of a register write: the byte after the address names the
    // first register, each later byte goes to the next one.
    std::vector<std::pair<uint8_t, uint8_t>> RegisterWrites() const;
};

// Turns a recorded trace into what the chip on the other end sees.
//     auto chip = LineTraceDecoder::FromPrinterPort(port.Trace());
//     EXPECT_EQ(chip.UpdatedFrames().back().Value(BitOrder::LSBFirst, 0, 32), 0x11EB851Fu);
class LineTraceDecoder
{
public:
    LineTraceDecoder(std::vector<PinStep> steps, ChipPins initial);

    // Serial port, AD985x wiring: data is RTS inverted, clock is the break, strobe is DTR inverted.
    static LineTraceDecoder FromSerial(const std::vector<SerialLineStep>& trace, SerialLineState initial = {});
    // Serial port, I2C wiring: SCL is RTS and SDA is DTR, not inverted.
    static LineTraceDecoder FromSerialI2C(const std::vector<SerialLineStep>& trace, SerialLineState initial = {});
    static LineTraceDecoder FromPrinterPort(const std::vector<PrinterPortStep>& trace, PrinterPortWiring wiring = {},
                                            uint8_t initial = 0);

    const std::vector<PinStep>& Steps() const { return steps_; }
    ChipPins Initial() const { return initial_; }
    ChipPins Final() const { return steps_.empty() ? initial_ : steps_.back().pins; }

    // The data pin at every clock edge of the given kind.
    std::vector<bool> ClockedBits(ClockEdge edge = ClockEdge::Rising) const;
    // Chip-select framing (AD9835 FSYNC, AD9951): bits clocked while the strobe is low,
    // one frame per rising edge of the strobe. Bits clocked while it is high are not taken.
    std::vector<ClockedFrame> SelectedFrames(ClockEdge edge = ClockEdge::Rising) const;
    // Update framing (AD9850 FQ_UD): every bit clocked since the previous rising edge of the
    // strobe, whatever its level, one frame per rising edge.
    std::vector<ClockedFrame> UpdatedFrames(ClockEdge edge = ClockEdge::Rising) const;
    // The 16-bit words of every selected frame, in order.
    std::vector<uint16_t> Words16(ClockEdge edge = ClockEdge::Rising) const;
    // Data pin = SDA, clock pin = SCL.
    std::vector<I2CTransaction> I2CTransactions() const;

    // Steps that change the data pin while the clock is high before or after them: a
    // clocked chip may take such a change as a bit (for I2C they are starts and stops).
    size_t DataChangesWithClockHigh() const;
    double ShortestPause() const;   // microseconds; 0 for an empty trace

private:
    std::vector<ClockedFrame> Frames(ClockEdge edge, bool onlyWhileSelected) const;

    std::vector<PinStep> steps_;
    ChipPins initial_;
};
