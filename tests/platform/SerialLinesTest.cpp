#include "platform/SerialLines.h"

#include "support/PtyModemLines.h"
#include "fakes/FakePerfCounter.h"
#include "fakes/FakeSerialLines.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

using SerialLines::CommControl;

// A pseudo-terminal that answers the modem-line calls; the test is skipped where none can be had.
class SerialLinesOnPty : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!pty.Available())
            GTEST_SKIP() << "no pseudo-terminal can be opened here";
    }
    PtyModemLines pty;
};

// The same, with a control opened on it that collects its events.
class CommControlOnPty : public SerialLinesOnPty
{
protected:
    CommControlOnPty()
    {
        control.Device(pty.SlavePath());
        control.OnComm = [this] { events.push_back(control.CommEvent()); };
    }
    CommControl control;
    std::vector<int16_t> events;
};

// A port still open when the program exits (a transport held by a global, the X server gone)
// is closed by a destructor that runs after every function-local static is gone.
struct ClosedAtExit
{
    int32_t handle = 0;
    ~ClosedAtExit()
    {
        if (handle != 0)
            SerialLines::Close(handle);
    }
} closedAtExit;

TEST_F(SerialLinesOnPty, APortClosedAfterTheOtherStaticsAreGoneEndsTheProgramCleanly)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SerialLines::OpenError error;
        closedAtExit.handle = SerialLines::Open(pty.SlavePath(), 1200, error);
        std::exit(closedAtExit.handle >= 1 ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST_F(SerialLinesOnPty, OpensItRawAndDrivesItsModemLines)
{
    SerialLines::OpenError error;
    const int32_t handle = SerialLines::Open(pty.SlavePath(), 1200, error);
    ASSERT_GE(handle, 1) << error.description;

    // Raw, no flow control, exclusive.
    const int observer = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(observer, 0);
    termios tio{};
    ASSERT_EQ(::tcgetattr(observer, &tio), 0);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_NE(tio.c_cflag & CLOCAL, 0u);
    EXPECT_EQ(cfgetospeed(&tio), B1200);
    int exclusive = 0;
    ASSERT_EQ(::ioctl(observer, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);
    ::close(observer);

    EXPECT_TRUE(SerialLines::SetRTS(handle, true));
    EXPECT_TRUE(SerialLines::SetDTR(handle, true));
    EXPECT_TRUE(SerialLines::SetBreak(handle, true));
    EXPECT_TRUE(SerialLines::SetRTS(handle, false));
    EXPECT_TRUE(SerialLines::SetBreak(handle, false));
    using Levels = PtyModemLines::Levels;
    EXPECT_EQ(pty.OutputChanges(), (std::vector<Levels>{{true, false, false}, {true, true, false}, {true, true, true},
                                                         {false, true, true}, {false, true, false}}));

    pty.SetInputs(TIOCM_CTS | TIOCM_CD);
    uint32_t bits = 0;
    ASSERT_TRUE(SerialLines::GetModemStatus(handle, bits));
    EXPECT_EQ(bits, SerialLines::MS_CTS_ON | SerialLines::MS_RLSD_ON);

    EXPECT_TRUE(SerialLines::Close(handle));
    EXPECT_FALSE(SerialLines::IsOpen(handle));
    EXPECT_FALSE(SerialLines::SetRTS(handle, true)) << "a closed handle does nothing";
    EXPECT_FALSE(SerialLines::SetDTR(0, true));
    EXPECT_FALSE(SerialLines::GetModemStatus(0, bits));
    EXPECT_FALSE(SerialLines::Close(handle));
}

TEST(SerialLines, DevicesThatDoNotOpenAreNamedWithTheReason)
{
    SerialLines::OpenError error;
    EXPECT_EQ(SerialLines::Open("/dev/ttyZOZ-missing", 9600, error), 0);
    EXPECT_EQ(error.number, ENOENT);
    EXPECT_EQ(error.description.rfind("/dev/ttyZOZ-missing: ", 0), 0u) << error.description;

    QTemporaryDir dir;
    const std::string plainFile = dir.filePath("not-a-port").toStdString();
    std::ofstream(plainFile) << "x";
    EXPECT_EQ(SerialLines::Open(plainFile, 9600, error), 0);
    EXPECT_EQ(error.description, plainFile + ": not a serial port");

    EXPECT_NE(SerialLines::OpenErrorText("/dev/ttyS0", EACCES).find("dialout"), std::string::npos);
    EXPECT_NE(SerialLines::OpenErrorText("/dev/ttyUSB0", EBUSY).find("Another program"), std::string::npos);
    EXPECT_EQ(SerialLines::DefaultDevice(1), "/dev/ttyS0");
    EXPECT_EQ(SerialLines::DefaultDevice(12), "/dev/ttyS11");
}

// Root opens everything; the permission error is seen by a child that gives up root.
TEST(SerialLines, ForbiddenDeviceAsksToJoinTheDialoutGroup)
{
    QTemporaryDir dir;
    const std::string device = dir.filePath("ttyForbidden").toStdString();
    std::ofstream(device) << "x";
    ::chmod(device.c_str(), 0);
    ::chmod(dir.path().toLocal8Bit().constData(), 0755);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && ::setuid(65534) != 0)
            ::_exit(3);
        SerialLines::OpenError error;
        const bool refused = SerialLines::Open(device, 9600, error) == 0 && error.number == EACCES &&
                             error.description.find(device) != std::string::npos &&
                             error.description.find("dialout group") != std::string::npos;
        ::_exit(refused ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(CommControlOnPty, ReportsCtsAndDsrChangesOnTheMainThread)
{
    control.PortOpen(true);
    ASSERT_TRUE(control.PortOpen()) << control.LastError().description;
    ASSERT_TRUE(ProcessEventsUntil([&] { return pty.Waiters() == 1; }));

    pty.SetInputs(TIOCM_CTS);
    ASSERT_TRUE(ProcessEventsUntil([&] { return events.size() == 1; }));
    pty.SetInputs(TIOCM_CTS | TIOCM_DSR | TIOCM_RI);
    ASSERT_TRUE(ProcessEventsUntil([&] { return events.size() == 2; }));
    pty.SetInputs(TIOCM_DSR | TIOCM_RI);   // RI alone would not count
    pty.SetInputs(0);
    ASSERT_TRUE(ProcessEventsUntil([&] { return events.size() >= 4; }));
    EXPECT_EQ(events[0], SerialLines::comEvCTS);
    EXPECT_EQ(events[1], SerialLines::comEvDSR);

    // Closing wakes the watcher out of its wait and stops it.
    const auto started = std::chrono::steady_clock::now();
    control.PortOpen(false);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    EXPECT_EQ(pty.Waiters(), 0);
    EXPECT_EQ(control.CommID(), 0);
}

TEST_F(CommControlOnPty, PollsWhereTheDriverCannotWaitForAChange)
{
    pty.SetWaitSupported(false);
    control.PortOpen(true);
    ASSERT_TRUE(control.PortOpen());

    pty.SetInputs(TIOCM_DSR);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !events.empty(); }));
    EXPECT_EQ(events, (std::vector<int16_t>{SerialLines::comEvDSR}));
    control.PortOpen(false);
}

TEST(SerialLinesCommControl, ChangesAfterClosingOrAFailureAreNotReported)
{
    FakePerfCounter clock(10'000'000, 1);
    FakeSerialLines lines(clock);
    CommControl control;
    int events = 0;
    control.OnComm = [&] { ++events; };
    control.CommPort(4);
    control.PortOpen(true);
    ASSERT_TRUE(control.PortOpen());
    EXPECT_EQ(lines.opens.at(0).device, "/dev/ttyS3");

    // A change posted just before closing arrives after it: dropped.
    lines.SetModemStatus(SerialLines::MS_CTS_ON);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    control.PortOpen(false);
    QCoreApplication::processEvents();
    EXPECT_EQ(events, 0);

    // A port that stops reporting its status ends the watcher; closing still works.
    control.PortOpen(true);
    lines.FailModemStatus(true);
    lines.SetModemStatus(SerialLines::MS_DSR_ON);
    ProcessEventsUntil([] { return false; }, 20);
    EXPECT_EQ(events, 0);
    control.PortOpen(false);
    EXPECT_EQ(lines.OpenPorts(), 0);

    lines.failingDevices["/dev/ttyS3"] = ENOENT;
    control.PortOpen(true);
    EXPECT_FALSE(control.PortOpen());
    EXPECT_EQ(control.LastError().number, ENOENT);
}

} // namespace
