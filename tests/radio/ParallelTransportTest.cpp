#include "radio/clsDDSParallelIF.h"

#include "RadioTestRig.h"

#include <array>
#include <cerrno>

namespace {

class ParallelTransport : public RadioTestRig
{
protected:
    void InitialiseAndClear()
    {
        transport.Initialise();
        port.ClearTrace();
    }

    clsDDSParallelIF transport;
};

TEST_F(ParallelTransport, InitialiseWritesTheIdleImagesWithAndWithoutInversion)
{
    transport.Initialise();
    EXPECT_EQ(port.Bytes(), (std::vector<uint8_t>{4, 4, 6}));   // strobe high, data low, clock high
    EXPECT_EQ(port.opens, (std::vector<std::string>{"/dev/parport0"}));
    EXPECT_TRUE(transport.Initialised());

    port.ClearTrace();
    transport.PortState(0);
    transport.Inverting(true);
    transport.Initialise();
    EXPECT_EQ(port.Bytes(), (std::vector<uint8_t>{0, 1, 1}));
    EXPECT_EQ(port.Chip({0, 1, 2, true}).Final(), (ChipPins{false, true, true}));
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ParallelTransport, SequencesAndWordsFrameTheBitsInEitherOrder)
{
    InitialiseAndClear();
    const std::array<uint8_t, 5> word{0x1F, 0x85, 0xEB, 0x11, 0x00};   // AD9850 tuning word 0x11EB851F
    EXPECT_EQ(transport.SendSeqLSB(word, 5), 0);
    const auto chip = port.Chip();
    ASSERT_EQ(chip.UpdatedFrames().size(), 1u);
    EXPECT_EQ(chip.UpdatedFrames()[0].Value(BitOrder::LSBFirst, 0, 32), 0x11EB851Fu);
    EXPECT_EQ(chip.UpdatedFrames()[0].bits.size(), 40u);
    EXPECT_EQ(chip.DataChangesWithClockHigh(), 0u);
    // Every change paced by the default 5 microseconds.
    EXPECT_DOUBLE_EQ(chip.ShortestPause(), 5.1);

    port.ClearTrace();
    const std::array<uint8_t, 1> one{0x01};
    transport.SendSeqLSB(one, 1);
    EXPECT_EQ(port.Chip().ClockedBits(), (std::vector<bool>{true, false, false, false, false, false, false, false}));

    port.ClearTrace();
    const std::array<uint8_t, 2> bytes{0x00, 0x02};
    EXPECT_EQ(transport.SendSeqMSB(bytes, 2), 0);
    EXPECT_EQ(port.Chip().SelectedFrames().at(0).Bytes(BitOrder::MSBFirst), (std::vector<uint8_t>{0x00, 0x02}));

    port.ClearTrace();
    transport.Out8LSB(0x01);
    EXPECT_EQ(ClockedFrame{port.Chip().ClockedBits()}.Value(BitOrder::LSBFirst), 0x01u);
    EXPECT_EQ(port.Chip().UpdatedFrames().size(), 0u) << "Out8LSB leaves the strobe alone";

    port.ClearTrace();
    transport.Out16(0x3312);
    EXPECT_EQ(port.Chip().Words16(), (std::vector<uint16_t>{0x3312}));
    EXPECT_EQ(port.Chip().Steps().size(), 2u + 48 + 1);
    EXPECT_DOUBLE_EQ(port.Chip().ShortestPause(), 5.1) << "the frame edges are paced too";
}

TEST_F(ParallelTransport, ByteImagesFollowTheBitNumbers)
{
    transport.SDATABitNo(7);
    transport.SCLCKBitNo(13);   // taken And 7: bit 5
    transport.IOUPDBitNo(3);
    EXPECT_EQ(transport.SCLCKBitNo(), 5);
    transport.PortState(0x40);  // a bit no line uses keeps what PortState holds
    InitialiseAndClear();

    transport.Out8(0x80);
    const auto bytes = port.Bytes();
    ASSERT_EQ(bytes.size(), 1u + 24);
    // Strobe (0x08) high since Initialise; clock (0x20) low, data (0x80) 1, clock high, clock low.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4), (std::vector<uint8_t>{0x48, 0xC8, 0xE8, 0xC8}));
    EXPECT_EQ(ClockedFrame{port.Chip({7, 5, 3, false}).ClockedBits()}.Value(BitOrder::MSBFirst), 0x80u);

    // Two lines on one bit share it.
    transport.SDATABitNo(9);
    EXPECT_EQ(transport.SDATABitNo(), 1);
    port.ClearTrace();
    transport.SCLCKBitNo(1);
    transport.SDATA(128);   // any non-zero level is a 1
    transport.SCLCK(0);
    EXPECT_EQ(port.Bytes(), (std::vector<uint8_t>{0x4A, 0x48}));
}

TEST_F(ParallelTransport, EachSequenceRefusesItsOwnReentry)
{
    InitialiseAndClear();
    transport.WaitTime(600e-6);
    const std::array<uint8_t, 1> bytes{0xAA};
    int32_t lsbAgain = 0;
    int32_t msbMeanwhile = 1;
    RunDuringNextPause([&] {
        lsbAgain = transport.SendSeqLSB(bytes, 1);
        msbMeanwhile = transport.SendSeqMSB(bytes, 1);
    });
    EXPECT_EQ(transport.SendSeqLSB(bytes, 1), 0);
    EXPECT_EQ(lsbAgain, SequenceBusy);
    EXPECT_EQ(msbMeanwhile, 0) << "the other sequence member has its own flag";
}

TEST_F(ParallelTransport, PortThatCannotBeWrittenIsToldOnce)
{
    port.failingDevices["/dev/parport0"] = ENOENT;
    transport.Initialise();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.Last().prompt.find("0x378 (888)"), std::string::npos) << boxes.Last().prompt;
    EXPECT_NE(boxes.Last().prompt.find("/dev/parport0"), std::string::npos);
    EXPECT_NE(boxes.Last().prompt.find("modprobe ppdev"), std::string::npos);
    EXPECT_EQ(transport.PortState(), 6) << "the image is kept";

    port.failingDevices.clear();
    transport.SDATA(1);
    EXPECT_EQ(port.Bytes(), (std::vector<uint8_t>{7}));

    transport.PortAddress(0x300);
    transport.SDATA(0);
    transport.SDATA(1);
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_NE(boxes.Last().prompt.find("ParallelDevice"), std::string::npos) << boxes.Last().prompt;
}

TEST_F(ParallelTransport, SettingsRoundTrip)
{
    transport.RxName(Section);
    Store("PortAddress", "632");
    Store("ParallelWaitTime", "1E-05");
    Store("Inverting", "True");
    Store("IOUPDBitNo", "10");
    Store("SDATABitNo", "seven");   // malformed: keeps the current bit
    Store("ParallelDevice", "/dev/parport3");
    transport.Initialise();
    EXPECT_EQ(transport.PortAddress(), 632);
    EXPECT_EQ(transport.WaitTime(), 1e-5);
    EXPECT_TRUE(transport.Inverting());
    EXPECT_EQ(transport.IOUPDBitNo(), 2);
    EXPECT_EQ(transport.SDATABitNo(), 0);
    EXPECT_EQ(port.opens.at(0), "/dev/parport3");

    settings.values.clear();
    transport.WaitTime(5e-6);
    transport.SaveSettings();
    EXPECT_EQ(Stored("PortAddress"), "632");
    EXPECT_EQ(Stored("ParallelWaitTime"), "5E-06");
    EXPECT_EQ(Stored("Inverting"), "True");
    EXPECT_EQ(Stored("IOUPDBitNo"), "2");
    EXPECT_EQ(Stored("SDATABitNo"), "0");
    EXPECT_EQ(Stored("SCLCKBitNo"), "1");
}

TEST_F(ParallelTransport, IsAlwaysOpenAndHasNoI2C)
{
    EXPECT_EQ(transport.OpenPort(true), 1);
    EXPECT_EQ(transport.GetEncoderBits(), 0);
    EXPECT_THROW(transport.I2CInit(), RuntimeError);
    EXPECT_TRUE(port.Bytes().empty());
}

} // namespace
