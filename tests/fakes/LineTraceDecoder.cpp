#include "fakes/LineTraceDecoder.h"

#include <algorithm>

namespace {

bool IsEdge(ClockEdge edge, const ChipPins& before, const ChipPins& after)
{
    return edge == ClockEdge::Rising ? !before.clock && after.clock : before.clock && !after.clock;
}

template <typename Step, typename ToPins>
std::vector<PinStep> Convert(const std::vector<Step>& trace, ToPins toPins)
{
    std::vector<PinStep> steps;
    steps.reserve(trace.size());
    for (const Step& step : trace)
        steps.push_back({toPins(step), step.pauseMicroseconds});
    return steps;
}

ChipPins SerialPins(const SerialLineState& lines) { return {!lines.rts, lines.brk, !lines.dtr}; }
ChipPins SerialI2CPins(const SerialLineState& lines) { return {lines.dtr, lines.rts, false}; }

ChipPins PrinterPins(uint8_t data, const PrinterPortWiring& wiring)
{
    const auto pin = [&](int bit) { return (((data >> bit) & 1) != 0) != wiring.inverting; };
    return {pin(wiring.sdataBit), pin(wiring.sclckBit), pin(wiring.ioupdBit)};
}

} // namespace

uint64_t ClockedFrame::Value(BitOrder order, size_t first, size_t count) const
{
    const size_t end = first + std::min(count, bits.size() - std::min(first, bits.size()));
    uint64_t value = 0;
    for (size_t i = first; i < end; ++i) {
        if (order == BitOrder::MSBFirst)
            value = (value << 1) | (bits[i] ? 1u : 0u);
        else if (bits[i])
            value |= uint64_t{1} << (i - first);
    }
    return value;
}

std::vector<uint8_t> ClockedFrame::Bytes(BitOrder order) const
{
    std::vector<uint8_t> bytes;
    for (size_t first = 0; first + 8 <= bits.size(); first += 8)
        bytes.push_back(static_cast<uint8_t>(Value(order, first, 8)));
    return bytes;
}

std::vector<uint16_t> ClockedFrame::Words16() const
{
    std::vector<uint16_t> words;
    for (size_t first = 0; first + 16 <= bits.size(); first += 16)
        words.push_back(static_cast<uint16_t>(Value(BitOrder::MSBFirst, first, 16)));
    return words;
}

std::vector<std::pair<uint8_t, uint8_t>> I2CTransaction::RegisterWrites() const
{
    std::vector<std::pair<uint8_t, uint8_t>> writes;
    for (size_t i = 2; i < bytes.size(); ++i)
        writes.emplace_back(static_cast<uint8_t>(bytes[1] + (i - 2)), bytes[i]);
    return writes;
}

LineTraceDecoder::LineTraceDecoder(std::vector<PinStep> steps, ChipPins initial)
    : steps_(std::move(steps)), initial_(initial)
{
}

LineTraceDecoder LineTraceDecoder::FromSerial(const std::vector<SerialLineStep>& trace, SerialLineState initial)
{
    return {Convert(trace, [](const SerialLineStep& s) { return SerialPins(s.lines); }), SerialPins(initial)};
}

LineTraceDecoder LineTraceDecoder::FromSerialI2C(const std::vector<SerialLineStep>& trace, SerialLineState initial)
{
    return {Convert(trace, [](const SerialLineStep& s) { return SerialI2CPins(s.lines); }), SerialI2CPins(initial)};
}

LineTraceDecoder LineTraceDecoder::FromPrinterPort(const std::vector<PrinterPortStep>& trace,
                                                   PrinterPortWiring wiring, uint8_t initial)
{
    return {Convert(trace, [&](const PrinterPortStep& s) { return PrinterPins(s.data, wiring); }),
            PrinterPins(initial, wiring)};
}

std::vector<bool> LineTraceDecoder::ClockedBits(ClockEdge edge) const
{
    std::vector<bool> bits;
    ChipPins before = initial_;
    for (const PinStep& step : steps_) {
        if (IsEdge(edge, before, step.pins))
            bits.push_back(step.pins.data);
        before = step.pins;
    }
    return bits;
}

std::vector<ClockedFrame> LineTraceDecoder::Frames(ClockEdge edge, bool onlyWhileSelected) const
{
    std::vector<ClockedFrame> frames;
    ClockedFrame current;
    ChipPins before = initial_;
    for (const PinStep& step : steps_) {
        const ChipPins& now = step.pins;
        if (IsEdge(edge, before, now) && !(onlyWhileSelected && now.strobe))
            current.bits.push_back(now.data);
        if (!before.strobe && now.strobe) {
            frames.push_back(std::move(current));
            current = {};
        }
        if (onlyWhileSelected && before.strobe && !now.strobe)
            current = {};
        before = now;
    }
    return frames;
}

std::vector<ClockedFrame> LineTraceDecoder::SelectedFrames(ClockEdge edge) const { return Frames(edge, true); }
std::vector<ClockedFrame> LineTraceDecoder::UpdatedFrames(ClockEdge edge) const { return Frames(edge, false); }

std::vector<uint16_t> LineTraceDecoder::Words16(ClockEdge edge) const
{
    std::vector<uint16_t> words;
    for (const ClockedFrame& frame : SelectedFrames(edge)) {
        const std::vector<uint16_t> frameWords = frame.Words16();
        words.insert(words.end(), frameWords.begin(), frameWords.end());
    }
    return words;
}

// A bit is sampled when SCL rises and counts once SCL falls again: the clock pulse of a
// start or stop condition carries no bit.
std::vector<I2CTransaction> LineTraceDecoder::I2CTransactions() const
{
    std::vector<I2CTransaction> transactions;
    bool inTransaction = false;
    std::vector<bool> bits;
    bool sampled = false;
    bool sample = false;
    const auto finish = [&](bool stopped) {
        I2CTransaction& t = transactions.back();
        t.stopped = stopped;
        t.strayBits = bits.size();
        bits.clear();
        inTransaction = false;
    };
    ChipPins before = initial_;
    for (const PinStep& step : steps_) {
        const ChipPins& now = step.pins;
        const bool clockHeld = before.clock && now.clock;
        if (clockHeld && before.data != now.data) {
            sampled = false;
            if (inTransaction)
                finish(now.data);                  // SDA rising: stop; falling: repeated start
            if (!now.data) {
                transactions.emplace_back();
                inTransaction = true;
            }
        } else if (!before.clock && now.clock) {
            sampled = inTransaction;
            sample = now.data;
        } else if (before.clock && !now.clock && sampled) {
            sampled = false;
            bits.push_back(sample);
            if (bits.size() == 9) {
                I2CTransaction& t = transactions.back();
                t.bytes.push_back(static_cast<uint8_t>(ClockedFrame{bits}.Value(BitOrder::MSBFirst, 0, 8)));
                t.acknowledged.push_back(!bits[8]);
                bits.clear();
            }
        }
        before = now;
    }
    if (inTransaction)
        transactions.back().strayBits = bits.size();
    return transactions;
}

size_t LineTraceDecoder::DataChangesWithClockHigh() const
{
    size_t changes = 0;
    ChipPins before = initial_;
    for (const PinStep& step : steps_) {
        if (before.data != step.pins.data && (before.clock || step.pins.clock))
            ++changes;
        before = step.pins;
    }
    return changes;
}

double LineTraceDecoder::ShortestPause() const
{
    if (steps_.empty())
        return 0;
    double shortest = steps_.front().pauseMicroseconds;
    for (const PinStep& step : steps_)
        shortest = std::min(shortest, step.pauseMicroseconds);
    return shortest;
}
