#include "platform/PrinterPort.h"

#include "fakes/FakePerfCounter.h"
#include "fakes/FakePrinterPort.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

namespace {

TEST(PrinterPort, LegacyAddressesMapToTheirDevicesAndThoseThatDoNotOpenAreNamedWithWhatToDo)
{
    EXPECT_EQ(PrinterPort::DefaultDevice(0x378), "/dev/parport0");
    EXPECT_EQ(PrinterPort::DefaultDevice(0x278), "/dev/parport1");
    EXPECT_EQ(PrinterPort::DefaultDevice(0x3BC), "/dev/parport2");
    EXPECT_EQ(PrinterPort::DefaultDevice(0x300), "");

    // A missing device, named away from /dev, where the tests open no printer port.
    QTemporaryDir dir;
    const std::string missing = dir.filePath("parport-missing").toStdString();
    PrinterPort::Writer writer;
    std::string error;
    EXPECT_FALSE(writer.Write(missing, 0x55, error));
    EXPECT_EQ(error.rfind(missing + ": ", 0), 0u) << error;
    EXPECT_NE(error.find("modprobe ppdev"), std::string::npos);

    const std::string plainFile = dir.filePath("parport-file").toStdString();
    std::ofstream(plainFile) << "x";
    EXPECT_FALSE(writer.Write(plainFile, 0x55, error));
    EXPECT_EQ(error, plainFile + ": not a printer port");

    EXPECT_NE(PrinterPort::OpenErrorText("/dev/parport0", EACCES).find("lp group"), std::string::npos);
}

TEST(PrinterPort, WriterKeepsOneDeviceOpenAndRetriesOneThatFailed)
{
    FakePerfCounter clock(10'000'000, 1);
    FakePrinterPort port(clock);
    port.failingDevices["/dev/parport1"] = ENOENT;
    PrinterPort::Writer writer;
    std::string error;

    EXPECT_TRUE(writer.Write("/dev/parport0", 1, error));
    EXPECT_TRUE(writer.Write("/dev/parport0", 2, error));
    EXPECT_FALSE(writer.Write("/dev/parport1", 3, error));
    EXPECT_FALSE(writer.Write("/dev/parport1", 4, error));
    port.failingDevices.clear();
    EXPECT_TRUE(writer.Write("/dev/parport1", 5, error));
    writer.Release();
    EXPECT_TRUE(writer.Write("/dev/parport1", 6, error));

    EXPECT_EQ(port.opens, (std::vector<std::string>{"/dev/parport0", "/dev/parport1", "/dev/parport1",
                                                    "/dev/parport1", "/dev/parport1"}));
    EXPECT_EQ(port.Bytes(), (std::vector<uint8_t>{1, 2, 5, 6}));
}

} // namespace
