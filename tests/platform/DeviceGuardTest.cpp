#include "deviceguard/DeviceGuard.h"
#include "platform/SerialLines.h"
#include "support/ChildRoutines.h"
#include "support/DeviceGuardForTests.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

// Every test program runs with the guard installed by its main.
namespace {

TEST(DeviceGuard, KnowsTheSerialPrinterAndSoundDevicesAndNothingElse)
{
    for (const char* device : {"/dev/ttyS0", "/dev/ttyS31", "/dev/ttyUSB0", "/dev/ttyACM2", "/dev/parport0",
                               "/dev/snd/pcmC0D0p", "/dev/snd/controlC0"})
        EXPECT_TRUE(DeviceGuard::IsHardwareDevice(device)) << device;
    for (const char* path : {"/dev/null", "/dev/tty", "/dev/ptmx", "/dev/pts/0", "/dev/zero", "/tmp/ttyUSB0",
                             "ttyS0", "/dev/serial"})
        EXPECT_FALSE(DeviceGuard::IsHardwareDevice(path)) << path;
}

// The link is made to whichever guarded device node this machine has; nothing opens it.
TEST(DeviceGuard, ALinkToADeviceIsADevice)
{
    std::string device;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", error))
        if (DeviceGuard::IsHardwareDevice(entry.path().c_str())) {
            device = entry.path().string();
            break;
        }
    if (device.empty())
        GTEST_SKIP() << "this machine has no serial, printer or sound device node to link to";
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyUSB0");
    ASSERT_TRUE(QFile::link(QString::fromStdString(device), link));
    EXPECT_TRUE(DeviceGuard::IsHardwareDevice(link.toLocal8Bit().constData())) << device;
}

// The devices the opens below ask for are named as the system names them but exist on no
// ordinary machine: should the guard let one through, it fails on a missing file, never on
// the machine's own port.
// The open fails before it reaches the device, and the test that asked for it fails.
TEST(DeviceGuard, AnOpenOfADeviceFailsAndFailsTheTestNamingTheDevice)
{
    int fd = 0;
    int error = 0;
    EXPECT_NONFATAL_FAILURE(
        {
            fd = ::open("/dev/ttyS97", O_RDWR | O_NOCTTY | O_NONBLOCK);
            error = errno;
        },
        "/dev/ttyS97");
    EXPECT_EQ(fd, -1);
    EXPECT_EQ(error, EACCES);

    FILE* file = nullptr;
    EXPECT_NONFATAL_FAILURE(file = std::fopen("/dev/parport97", "r+"), "/dev/parport97");
    EXPECT_EQ(file, nullptr);

    EXPECT_NONFATAL_FAILURE(fd = ::openat(AT_FDCWD, "/dev/snd/pcmC97D0p", O_RDWR), "/dev/snd/pcmC97D0p");
    EXPECT_EQ(fd, -1);
}

// The other ways to name a device: relative to a descriptor of /dev, reopening a stream, and
// the open system call made through syscall(). Other system calls pass.
TEST(DeviceGuard, EveryOtherWayOfOpeningADeviceByNameIsRefusedToo)
{
    const int devices = ::open("/dev", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(devices, 0);
    int fd = 0;
    EXPECT_NONFATAL_FAILURE(fd = ::openat(devices, "ttyUSB97", O_RDWR | O_NOCTTY), "/dev/ttyUSB97");
    EXPECT_EQ(fd, -1);
    const int null = ::openat(devices, "null", O_RDWR);
    EXPECT_GE(null, 0) << "other files of /dev open as ever";
    ::close(null);
    ::close(devices);

    FILE* reopened = std::tmpfile();
    ASSERT_NE(reopened, nullptr);
    EXPECT_NONFATAL_FAILURE(reopened = std::freopen("/dev/ttyACM98", "r+", reopened), "/dev/ttyACM98");
    EXPECT_EQ(reopened, nullptr);

    long result = 0;
    int error = 0;
    EXPECT_NONFATAL_FAILURE(
        {
            result = ::syscall(SYS_openat, AT_FDCWD, "/dev/parport97", O_RDWR);
            error = errno;
        },
        "/dev/parport97");
    EXPECT_EQ(result, -1);
    EXPECT_EQ(error, EACCES);
    EXPECT_EQ(::syscall(SYS_getpid), ::getpid());
}

// Listing the sound devices looks for cards through their control devices: there are none.
TEST(DeviceGuard, ASoundCardProbeFindsNoCardAndPassesTheTest)
{
    EXPECT_EQ(::open("/dev/snd/controlC97", O_RDONLY), -1);
    EXPECT_EQ(errno, ENOENT);
}

TEST(DeviceGuard, TheSerialLayerIsRefusedTooAndSaysWhy)
{
    SerialLines::OpenError error;
    int32_t handle = -1;
    EXPECT_NONFATAL_FAILURE(handle = SerialLines::Open("/dev/ttyUSB97", 9600, error), "/dev/ttyUSB97");
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(error.number, EACCES);
    EXPECT_NE(error.description.find("/dev/ttyUSB97"), std::string::npos) << error.description;
}

TEST(DeviceGuard, OtherFilesOpenAsEver)
{
    const int fd = ::open("/dev/null", O_RDWR);
    EXPECT_GE(fd, 0);
    ::close(fd);
    QTemporaryDir dir;
    const std::string created = dir.filePath("new").toStdString();
    const int made = ::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0640);
    ASSERT_GE(made, 0);
    ::close(made);
    const QFile::Permissions permissions = QFile::permissions(QString::fromStdString(created));
    EXPECT_TRUE(permissions & QFile::ReadOwner) << "the mode reached the system";
    EXPECT_FALSE(permissions & QFile::ReadOther);
}

const bool childRoutines = ChildRoutines::Register("OpensTheModem", [] {
    const int fd = ::open("/dev/ttyACM97", O_RDWR | O_NOCTTY | O_NONBLOCK);
    return fd < 0 && errno == EACCES ? 0 : 1;
});

// A child of the test is refused too, and its test learns of it when it ends.
TEST(DeviceGuard, AChildOfTheTestIsRefusedAndReportedToItsTest)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(ChildRoutines::Variable, "OpensTheModem");
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_TRUE(child.readAllStandardError().contains("Refused to open the device /dev/ttyACM97"));
    EXPECT_EQ(DeviceGuardForTests::TakeChildReports(), "/dev/ttyACM97");   // taken: this test passes
}

} // namespace
