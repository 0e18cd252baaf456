#include "radio/clsDDSSerialIF.h"

#include "RadioTestRig.h"
#include "platform/AppPaths.h"
#include "platform/SerialLines.h"

#include <array>
#include <cerrno>

namespace {

const double DefaultPause = MeasuredPause(1e6 / 230400.0);   // 4.34 microseconds

class SerialTransport : public RadioTestRig
{
protected:
    // Initialised and open in polled mode, with the trace cleared.
    void OpenIdle()
    {
        transport.Initialise();
        ASSERT_GE(transport.OpenPort(), 1);
        lines.ClearTrace();
    }

    clsDDSSerialIF transport;
};

TEST_F(SerialTransport, SendSeqMSBFramesTheBytesMostSignificantBitFirst)
{
    OpenIdle();
    const std::array<uint8_t, 2> bytes{0xA5, 0x3C};
    EXPECT_EQ(transport.SendSeqMSB(bytes, 2), 0);
    const auto chip = lines.Chip();
    ASSERT_EQ(chip.Steps().size(), 2u + 24 * 2 + 1);
    const auto frames = chip.SelectedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].Bytes(BitOrder::MSBFirst), (std::vector<uint8_t>{0xA5, 0x3C}));
    EXPECT_EQ(chip.DataChangesWithClockHigh(), 0u);
    for (const auto& step : chip.Steps())
        EXPECT_DOUBLE_EQ(step.pauseMicroseconds, DefaultPause);

    // An empty sequence is an empty frame.
    lines.ClearTrace();
    EXPECT_EQ(transport.SendSeqMSB({}, 0), 0);
    ASSERT_EQ(lines.Chip().SelectedFrames().size(), 1u);
    EXPECT_TRUE(lines.Chip().SelectedFrames()[0].bits.empty());
}

TEST_F(SerialTransport, Out8LeavesTheStrobeAloneAndOut16FramesAWordWithUnpausedEdges)
{
    OpenIdle();
    transport.Out8(0x96);
    const auto byte = lines.Chip();
    EXPECT_EQ(byte.Steps().size(), 1u + 24);
    EXPECT_EQ(ClockedFrame{byte.ClockedBits()}.Value(BitOrder::MSBFirst), 0x96u);
    for (const auto& step : byte.Steps())
        EXPECT_FALSE(step.pins.strobe);

    lines.ClearTrace();
    transport.Out16(0xF800);
    const auto chip = lines.Chip();
    EXPECT_EQ(chip.Words16(), (std::vector<uint16_t>{0xF800}));
    const auto& steps = chip.Steps();
    ASSERT_EQ(steps.size(), 2u + 48 + 1);
    EXPECT_EQ(steps[0].pauseMicroseconds, 0);   // strobe low
    EXPECT_EQ(steps[1].pauseMicroseconds, 0);   // clock low
    EXPECT_DOUBLE_EQ(steps[2].pauseMicroseconds, DefaultPause);
    EXPECT_EQ(steps.back().pauseMicroseconds, 0);   // strobe high
    EXPECT_TRUE(steps.back().pins.strobe);
}

TEST_F(SerialTransport, I2CSendSeqWritesOneTransactionToTheChipAddress)
{
    OpenIdle();
    const std::array<uint8_t, 5> message{0xD2, 0x40, 0xC1, 0x23, 0x45};
    EXPECT_EQ(transport.I2CSendSeq(message, 5), 0);

    const auto i2c = lines.I2C();
    const auto transactions = i2c.I2CTransactions();
    ASSERT_EQ(transactions.size(), 1u);
    EXPECT_EQ(transactions[0].Address(), 0xD2);
    using Write = std::pair<uint8_t, uint8_t>;
    EXPECT_EQ(transactions[0].RegisterWrites(), (std::vector<Write>{{0x40, 0xC1}, {0x41, 0x23}, {0x42, 0x45}}));
    EXPECT_TRUE(transactions[0].stopped);
    EXPECT_EQ(transactions[0].strayBits, 0u);
    // No chip pulls SDA low here, and the acknowledge is clocked but not sensed.
    EXPECT_EQ(transactions[0].acknowledged, std::vector<bool>(5, false));
    EXPECT_FALSE(transport.I2COutByte(0x00));

    // Idle levels first: SCL and SDA high (RTS and DTR set), then 1 microsecond.
    const auto& steps = i2c.Steps();
    EXPECT_EQ(steps[1].pins, (ChipPins{true, true, false}));
    EXPECT_DOUBLE_EQ(steps[1].pauseMicroseconds, MeasuredPause(1.0));
    EXPECT_EQ(steps.back().pins, (ChipPins{true, true, false}));

    // Idle 2, start 2, per byte 8 bits of 3 changes and 3 for the acknowledge, stop 4. Only
    // the I2C waits pause: after the start, each clock high, both acknowledge edges, and
    // twice in the stop.
    ASSERT_EQ(steps.size(), 2u + 2 + 27 * 5 + 4);
    size_t waits = 0;
    for (size_t i = 2; i < steps.size(); ++i) {
        if (steps[i].pauseMicroseconds == 0)
            continue;
        ++waits;
        EXPECT_DOUBLE_EQ(steps[i].pauseMicroseconds, DefaultPause) << i;
    }
    EXPECT_EQ(waits, 1u + 10 * 5 + 2);
}

TEST_F(SerialTransport, InitialiseAndOpeningLeaveTheLinesIdle)
{
    ASSERT_GE(transport.OpenPort(), 1);
    lines.ClearTrace();
    const std::array<uint8_t, 1> bytes{0xFF};
    EXPECT_EQ(transport.SendSeqMSB(bytes, 1), 0);
    EXPECT_TRUE(lines.Trace().empty()) << "no sequence before Initialise";
    transport.ClosePort();

    transport.Initialise();
    EXPECT_TRUE(transport.Initialised());
    EXPECT_TRUE(lines.Trace().empty()) << "no port is open yet";
    ASSERT_GE(transport.OpenPort(), 1);
    // The driver raises RTS and DTR on opening; the transport then sets the idle state
    // explicitly, each change paced: data 0 (RTS set), strobe 0 (DTR set), clock 0.
    const auto trace = lines.Trace();
    ASSERT_EQ(trace.size(), 4u);
    for (const auto& step : trace)
        EXPECT_EQ(step.lines, (SerialLineState{true, true, false}));
    EXPECT_DOUBLE_EQ(trace.back().pauseMicroseconds, DefaultPause);
}

TEST_F(SerialTransport, CountBeyondTheBytesIsRefusedBeforeAnyLineChanges)
{
    OpenIdle();
    const std::array<uint8_t, 2> bytes{1, 2};
    try {
        transport.SendSeqMSB(bytes, 3);
        FAIL() << "no error raised";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), 9);
    }
    EXPECT_THROW(transport.I2CSendSeq(bytes, 3), RuntimeError);
    EXPECT_TRUE(lines.Trace().empty());
    EXPECT_EQ(transport.SendSeqMSB(bytes, 2), 0) << "the refusal must not leave the sequence busy";
}

TEST_F(SerialTransport, ReenteredSequenceIsRefusedAndSendsNothing)
{
    OpenIdle();
    transport.WaitTime(501e-6);   // long enough to let events run inside each pause
    const std::array<uint8_t, 1> outer{0x81};
    const std::array<uint8_t, 1> inner{0x7E};
    int32_t innerResult = 0;
    size_t changesBeforeInner = 0;
    size_t changesAfterInner = 0;
    RunDuringNextPause([&] {
        changesBeforeInner = lines.Trace().size();
        innerResult = transport.SendSeqMSB(inner, 1);
        changesAfterInner = lines.Trace().size();
    });

    EXPECT_EQ(transport.SendSeqMSB(outer, 1), 0);
    EXPECT_EQ(innerResult, SequenceBusy);
    EXPECT_GT(changesBeforeInner, 0u);
    EXPECT_EQ(changesAfterInner, changesBeforeInner);
    const auto frames = lines.Chip().SelectedFrames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].Bytes(BitOrder::MSBFirst), (std::vector<uint8_t>{0x81}));
}

TEST_F(SerialTransport, MembersOfOtherTransportsRaiseAClearError)
{
    const std::array<uint8_t, 1> bytes{0};
    try {
        transport.SendSeqLSB(bytes, 1);
        FAIL() << "no error raised";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), 438);
        EXPECT_NE(error.Description().find("clsDDSSerialIF has no SendSeqLSB"), std::string::npos);
    }
    EXPECT_THROW(transport.Out8LSB(0), RuntimeError);
}

// Opening an open port, in either mode, changes nothing: the port keeps its mode and
// closing it closes the device it opened.
TEST_F(SerialTransport, OpenPortOpensTheNumberedDeviceOnce)
{
    transport.MSCommCtl(std::make_shared<SerialLines::CommControl>());
    transport.PortNo(12);
    const int32_t handle = transport.OpenPort();
    ASSERT_GE(handle, 1);
    EXPECT_EQ(transport.OpenPort(), handle);
    EXPECT_EQ(transport.OpenPort(true), handle);
    transport.EventMode(true);
    EXPECT_FALSE(transport.EventMode());
    ASSERT_EQ(lines.opens.size(), 1u);
    EXPECT_EQ(lines.opens[0].device, "/dev/ttyS11");
    EXPECT_EQ(transport.hComm(), handle);

    EXPECT_EQ(transport.ClosePort(), 1);
    EXPECT_EQ(transport.hComm(), 0);
    EXPECT_EQ(lines.OpenPorts(), 0);
    EXPECT_EQ(transport.ClosePort(), 0);
    EXPECT_EQ(transport.GetEncoderBits(), 0);
}

// The box names the port and its device, says why, and gives the ways on: another port or
// the Null interface, both taken at OK in the configuration window, and a device set by hand
// in the settings file, the one way that needs the program started again. No routine names.
TEST_F(SerialTransport, PortThatDoesNotOpenIsExplainedWithItsDevice)
{
    lines.failingDevices["/dev/ttyS0"] = ENOENT;
    lines.failingDevices["/dev/ttyS1"] = EACCES;
    transport.RxName(Section);
    EXPECT_EQ(transport.OpenPort(), 0);
    EXPECT_EQ(transport.hComm(), 0);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    const std::string ways =
        "To use another port: Config → Serial I/F, choose it there, then OK.\n"
        "To run without a receiver board, after OK here: Config → DDS → \"Null\" → OK; the program goes on.\n"
        "Both take effect at OK, without a restart. Only a device set by hand in the settings file needs one: "
        "close the program, set SerialDevice=/dev/ttyUSB0 (for example) in section [" + std::string(Section) + "] of " +
        AppPaths::SettingsFilePath() + ", then start it again.";
    EXPECT_EQ(boxes.Last().prompt, "Unable to open COM1 (/dev/ttyS0).\n" + SerialLines::OpenErrorText("/dev/ttyS0", ENOENT) +
                                       "\n" + ways);

    transport.PortNo(2);
    EXPECT_EQ(transport.OpenPort(), 0);
    EXPECT_EQ(boxes.Last().prompt.rfind("Unable to open COM2 (/dev/ttyS1).\n/dev/ttyS1: ", 0), 0u) << boxes.Last().prompt;
    EXPECT_NE(boxes.Last().prompt.find("dialout"), std::string::npos);

    // In event mode the control's own message stands for the reason.
    transport.PortNo(1);
    transport.MSCommCtl(std::make_shared<SerialLines::CommControl>());
    EXPECT_EQ(transport.OpenPort(true), 0);
    EXPECT_EQ(boxes.Last().prompt.rfind("Unable to open COM1 (/dev/ttyS0).\n/dev/ttyS0: ", 0), 0u) << boxes.Last().prompt;
    transport.MSCommCtl(nullptr);
    EXPECT_EQ(transport.OpenPort(true), 0);
    EXPECT_EQ(boxes.Last().prompt, "Unable to open COM1 (/dev/ttyS0).\n"
                                   "No serial-communications control was given to the interface.\n" + ways);

    // A device chosen by its path is named by it.
    transport.SerialDevice("/dev/ttyUSB3");
    lines.failingDevices["/dev/ttyUSB3"] = EBUSY;
    EXPECT_EQ(transport.OpenPort(), 0);
    EXPECT_EQ(boxes.Last().prompt.rfind("Unable to open /dev/ttyUSB3.\n/dev/ttyUSB3: ", 0), 0u) << boxes.Last().prompt;
    ASSERT_EQ(boxes.boxes.size(), 5u);
    for (const auto& box : boxes.boxes) {
        EXPECT_EQ(box.prompt.find("clsDDSSerialIF"), std::string::npos) << box.prompt;
        EXPECT_EQ(box.prompt.find("COM port"), std::string::npos) << box.prompt;
        const size_t restart = box.prompt.find("estart");   // Restart or restart
        ASSERT_NE(restart, std::string::npos);
        EXPECT_EQ(box.prompt.find("estart", restart + 1), std::string::npos) << "told once: " << box.prompt;
    }
}

TEST_F(SerialTransport, EventModeOpensThroughTheControlAndReportsEncoderChanges)
{
    auto control = std::make_shared<SerialLines::CommControl>();
    std::vector<int16_t> events;
    control->OnComm = [&] { events.push_back(control->CommEvent()); };
    transport.MSCommCtl(control);
    transport.PortNo(3);

    const int32_t handle = transport.OpenPort(true);
    ASSERT_GE(handle, 1);
    EXPECT_TRUE(transport.EventMode());
    EXPECT_TRUE(control->PortOpen());
    EXPECT_EQ(handle, control->CommID());
    EXPECT_EQ(lines.opens.at(0).device, "/dev/ttyS2");
    EXPECT_EQ(lines.opens.at(0).baud, 1200);
    EXPECT_EQ(lines.Lines(), (SerialLineState{true, true, false}));

    lines.SetModemStatus(SerialLines::MS_CTS_ON);
    ProcessEventsUntil([&] { return !events.empty(); });
    EXPECT_EQ(events, (std::vector<int16_t>{SerialLines::comEvCTS}));
    EXPECT_EQ(transport.GetEncoderBits(), SerialLines::MS_CTS_ON);

    EXPECT_EQ(transport.ClosePort(), 0);
    EXPECT_FALSE(control->PortOpen());
    EXPECT_EQ(transport.GetEncoderBits(), 0);
}

TEST_F(SerialTransport, SettingsRoundTrip)
{
    transport.RxName(Section);
    transport.SaveSettings();
    EXPECT_EQ(settings.writeCount, 0) << "nothing is saved before Initialise";

    Store("SerialWaitTime", "5E-06");
    Store("PortNo", "0");
    Store("SerialDevice", "/dev/ttyUSB0");
    transport.Initialise();
    EXPECT_EQ(transport.WaitTime(), 5e-6);
    EXPECT_EQ(transport.PortNo(), 1);
    ASSERT_GE(transport.OpenPort(), 1);
    EXPECT_EQ(lines.opens.at(0).device, "/dev/ttyUSB0");
    lines.ClearTrace();
    transport.SDATA(1);
    EXPECT_DOUBLE_EQ(lines.Trace().back().pauseMicroseconds, MeasuredPause(5.0));

    // A malformed value keeps the current one.
    Store("PortNo", "COM4");
    transport.PortNo(7);
    transport.RestoreSettings();
    EXPECT_EQ(transport.PortNo(), 7);

    transport.WaitTime(1.0 / 230400.0);
    transport.SaveSettings();
    EXPECT_EQ(Stored("PortNo"), "7");
    EXPECT_EQ(Stored("SerialWaitTime"), "4.34027777777778E-06");
}

} // namespace
