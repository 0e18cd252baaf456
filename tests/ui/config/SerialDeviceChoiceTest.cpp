#include "ConfigRig.h"
#include "core/Settings.h"
#include "fakes/FakePerfCounter.h"
#include "fakes/FakeSerialLines.h"
#include "radio/HardwareObjects.h"
#include "radio/clsDDSSerialIF.h"
#include "support/PtyModemLines.h"

#include <QDir>
#include <QFile>
#include <QTabBar>

#include <cerrno>

// The Serial I/F tab offers the serial devices present beside the COM numbers; a device
// chosen there is kept in "SerialDevice" and opened from then on.
namespace {

class SerialDeviceChoice : public ConfigRig
{
protected:
    QString Dev(const QString& name) const { return QString::fromStdString(home.file("dev/" + name.toStdString())); }

    void Make(const QString& path, const QByteArray& text = {})
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    }

    void Link(const QString& target, const QString& link)
    {
        QDir().mkpath(QFileInfo(link).path());
        ASSERT_TRUE(QFile::link(target, link)) << link.toStdString();
    }

    void RestartOnTheSerialPort(const std::string& device)
    {
        window.release()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Settings::SaveSetting("RXModel.Vantrel RAV1", "DDSInterfaceType", "0");
        if (!device.empty())
            Settings::SaveSetting("RXModel.Vantrel RAV1", "SerialDevice", device);
        HardwareObjects::CreateHardwareObjects();
        window = std::make_unique<frmMain>();
    }
};

TEST_F(SerialDeviceChoice, TheTabListsThePresentDevicesAfterTheComNumbers)
{
    for (const char* name : {"ttyS0", "ttyS1", "ttyACM0", "ttyUSB10", "tty0", "ttyUSB"})
        Make(Dev(name));
    Link("ttyS1", Dev("ttyUSB2"));
    Make(QString::fromStdString(home.file("sys/class/tty/ttyS0/type")), "4\n");   // a 16550A the driver found
    Make(QString::fromStdString(home.file("sys/class/tty/ttyS1/type")), "0\n");   // no port there
    Link("../../ttyUSB2", Dev("serial/by-id/usb-FTDI_FT232R_USB_UART_A10-if00-port0"));

    frmConfig* config = Open();
    ASSERT_NE(config, nullptr);
    QStringList entries;
    for (int i = 0; i < config->cboComPort->count(); ++i)
        entries << config->cboComPort->itemText(i);
    ASSERT_EQ(entries.size(), frmConfig::ComPortNumbers + 4) << entries.join(", ").toStdString();
    EXPECT_EQ(entries[0], "1");
    EXPECT_EQ(entries[15], "16");
    EXPECT_EQ(entries[16], Dev("ttyS0"));
    EXPECT_EQ(entries[17], Dev("ttyUSB2") + "  (usb-FTDI_FT232R_USB_UART_A10-if00-port0)");
    EXPECT_EQ(entries[18], Dev("ttyUSB10"));
    EXPECT_EQ(entries[19], Dev("ttyACM0"));
    EXPECT_EQ(config->cboComPort->itemData(17).toString(), Dev("serial/by-id/usb-FTDI_FT232R_USB_UART_A10-if00-port0"));
    EXPECT_EQ(config->cboComPort->currentIndex(), 0) << "COM1 in force";
}

// On the pseudo-terminal rig: a USB adapter chosen in the tab opens at once, is stored by
// its by-id name at the close and opens again at the next start.
TEST_F(SerialDeviceChoice, AChosenDeviceIsStoredAndOpenedAtTheNextStart)
{
    PtyModemLines pty;
    if (!pty.Available())
        GTEST_SKIP() << "no pseudo-terminal to be had";
    Link(QString::fromStdString(pty.SlavePath()), Dev("ttyUSB0"));
    const QString byId = Dev("serial/by-id/usb-Silicon_Labs_CP2102_0001-if00-port0");
    Link("../../ttyUSB0", byId);
    RestartOnTheSerialPort(pty.SlavePath());
    ASSERT_GE(DDSSerialIF->hComm(), 1) << "the start opens the stored device";

    frmConfig* config = Open();
    ASSERT_NE(config, nullptr);
    config->optIF[0]->setChecked(true);
    Choose(config->cboComPort, Dev("ttyUSB0"));
    config->cmdOK->click();
    EXPECT_EQ(DDSSerialIF->SerialDevice(), byId.toStdString());
    EXPECT_GE(DDSSerialIF->hComm(), 1);

    RestartOnTheSerialPort("");
    EXPECT_EQ(Settings::GetSetting("RXModel.Vantrel RAV1", "SerialDevice", ""), byId.toStdString());
    EXPECT_EQ(DDSSerialIF->DevicePath(), byId.toStdString());
    EXPECT_GE(DDSSerialIF->hComm(), 1);
    EXPECT_FALSE(pty.OutputChanges().empty()) << "the chip was set up through the adapter's lines";
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Last().prompt;
}

// The device in force is the one selected when the window opens.
TEST_F(SerialDeviceChoice, TheDeviceInForceIsSelected)
{
    PtyModemLines pty;
    if (!pty.Available())
        GTEST_SKIP() << "no pseudo-terminal to be had";
    Link(QString::fromStdString(pty.SlavePath()), Dev("ttyACM0"));
    RestartOnTheSerialPort(Dev("ttyACM0").toStdString());
    frmConfig* config = Open();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->cboComPort->currentText(), Dev("ttyACM0"));
}

// What the box about a port that does not open says of a restart, tried: a port chosen in
// the tab opens at OK; the "SerialDevice" key set by hand while the program runs opens
// nothing, not even at OK, and is lost as the program ends; set while the program is
// closed, it opens at the next start.
TEST_F(SerialDeviceChoice, OnlyADeviceSetByHandWaitsForTheNextStart)
{
    const std::string section = "RXModel.Vantrel RAV1";
    FakePerfCounter clock(10'000'000, 1);
    FakeSerialLines lines(clock);
    lines.failingDevices["/dev/ttyS0"] = ENOENT;
    RestartOnTheSerialPort("");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.Last().prompt.find("Only a device set by hand in the settings file needs one: close the program"),
              std::string::npos) << boxes.Last().prompt;
    ASSERT_EQ(DDSSerialIF->hComm(), 0);

    Settings::SaveSetting(section, "SerialDevice", "/dev/ttyUSB5");
    Open()->cmdOK->click();
    EXPECT_EQ(lines.OpenPorts(), 0) << "the key is not read while the program runs";

    frmConfig* config = Open();
    ASSERT_NE(config, nullptr);
    Choose(config->cboComPort, "2");
    config->cmdOK->click();
    EXPECT_GE(DDSSerialIF->hComm(), 1) << "the port chosen opens at OK";
    EXPECT_EQ(lines.opens.back().device, "/dev/ttyS1");

    RestartOnTheSerialPort("");
    EXPECT_EQ(Settings::GetSetting(section, "SerialDevice", "none"), "") << "the value in force was written back";
    EXPECT_EQ(lines.opens.back().device, "/dev/ttyS1");

    RestartOnTheSerialPort("/dev/ttyUSB5");
    EXPECT_GE(DDSSerialIF->hComm(), 1);
    EXPECT_EQ(lines.opens.back().device, "/dev/ttyUSB5");
    EXPECT_EQ(boxes.boxes.size(), 1u) << boxes.Last().prompt;
}

} // namespace
