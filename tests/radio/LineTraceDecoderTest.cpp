#include "fakes/LineTraceDecoder.h"

#include <gtest/gtest.h>

namespace {

// Builds a pin trace step by step, one pin change per step as the transports make them.
class PinScript
{
public:
    explicit PinScript(ChipPins initial = {}) : initial_(initial) {}
    PinScript& Data(bool level) { return Set(&ChipPins::data, level); }
    PinScript& Clock(bool level) { return Set(&ChipPins::clock, level); }
    PinScript& Strobe(bool level) { return Set(&ChipPins::strobe, level); }
    // A bit as the transports clock it: data, clock high, clock low.
    PinScript& Bits(uint32_t value, int count)
    {
        for (int bit = count - 1; bit >= 0; --bit)
            Data(((value >> bit) & 1) != 0).Clock(true).Clock(false);
        return *this;
    }
    LineTraceDecoder Decoder(ChipPins initial = {}) const { return {steps_, initial}; }

private:
    PinScript& Set(bool ChipPins::*pin, bool level)
    {
        ChipPins pins = steps_.empty() ? initial_ : steps_.back().pins;
        pins.*pin = level;
        steps_.push_back({pins, 1.0});
        return *this;
    }
    ChipPins initial_;
    std::vector<PinStep> steps_;
};

TEST(LineTraceDecoder, UpdateFramingTakesBitsClockedWhileTheStrobeWasHigh)
{
    // An AD9850 refresh: 40 bits clocked with the strobe high, then a low-high update pulse.
    PinScript script;
    script.Strobe(true).Bits(0xA5, 8).Bits(0x0F, 8).Strobe(false).Strobe(true);
    const auto decoder = script.Decoder();
    ASSERT_EQ(decoder.UpdatedFrames().size(), 2u);   // the first rising edge closes an empty frame
    EXPECT_EQ(decoder.UpdatedFrames()[1].Bytes(BitOrder::MSBFirst), (std::vector<uint8_t>{0xA5, 0x0F}));
    // A chip selected by the strobe low saw none of them.
    ASSERT_EQ(decoder.SelectedFrames().size(), 2u);
    EXPECT_TRUE(decoder.SelectedFrames()[1].bits.empty());
}

TEST(LineTraceDecoder, FallingEdgesAndPartialWords)
{
    // An AD9835 takes data on the falling clock edge; here the frame opens with the clock high.
    const ChipPins idle{false, true, true};
    PinScript script(idle);
    script.Strobe(false).Bits(0xF800, 16).Bits(0x1, 3).Strobe(true);
    const auto decoder = script.Decoder(idle);
    EXPECT_EQ(decoder.Words16(ClockEdge::Falling), (std::vector<uint16_t>{0xF800}));
    const auto frames = decoder.SelectedFrames(ClockEdge::Falling);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bits.size(), 19u);
    EXPECT_EQ(frames[0].Value(BitOrder::LSBFirst, 16, 3), 0x4u);
    EXPECT_EQ(frames[0].Value(BitOrder::MSBFirst, 16), 0x1u);
}

TEST(LineTraceDecoder, I2CRepeatedStartAndDataChangingUnderTheClock)
{
    // Idle high; start; one byte with its acknowledge clock; repeated start; half a byte; stop.
    PinScript script;
    script.Clock(true).Data(true).Data(false).Clock(false);
    for (int bit = 7; bit >= 0; --bit)
        script.Data(((0xD2 >> bit) & 1) != 0).Clock(true).Clock(false);
    script.Data(false).Clock(true).Clock(false);           // the chip acknowledges
    script.Data(true).Clock(true).Data(false).Clock(false); // repeated start
    script.Data(true).Clock(true).Clock(false).Data(false).Clock(true).Data(true);   // one bit, then stop
    const auto transactions = script.Decoder().I2CTransactions();
    ASSERT_EQ(transactions.size(), 2u);
    EXPECT_EQ(transactions[0].bytes, (std::vector<uint8_t>{0xD2}));
    EXPECT_EQ(transactions[0].acknowledged, (std::vector<bool>{true}));
    EXPECT_FALSE(transactions[0].stopped);
    EXPECT_TRUE(transactions[1].stopped);
    EXPECT_TRUE(transactions[1].bytes.empty());
    EXPECT_EQ(transactions[1].strayBits, 1u);
    EXPECT_EQ(script.Decoder().DataChangesWithClockHigh(), 4u);   // two starts, the stop, and the initial rise
}

} // namespace
