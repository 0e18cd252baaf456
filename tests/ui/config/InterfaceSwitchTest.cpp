#include "ConfigRig.h"
#include "core/Settings.h"
#include "fakes/FakePerfCounter.h"
#include "fakes/FakePrinterPort.h"
#include "fakes/FakeSerialLines.h"
#include "radio/HardwareObjects.h"
#include "radio/RXDefinitions.h"
#include "radio/clsDDSParallelIF.h"
#include "radio/clsDDSSerialIF.h"

#include <QLineEdit>
#include <QRadioButton>

#include <cerrno>

// Started on the Null interface, the user switches to a port in the configuration window:
// the transport taken gets the model's settings section, only the port chosen in its tab
// is opened or written, and that port is the one of the next start.
namespace {

const std::string Section = "RXModel.Vantrel RAV1";

class InterfaceSwitch : public ConfigRig
{
protected:
    void TearDown() override
    {
        CloseWindow();   // while the fake ports still stand in for the real ones
        ConfigRig::TearDown();
    }

    void CloseWindow()
    {
        if (window)
            window.release()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Close, then start again on what the close saved.
    void Restart()
    {
        CloseWindow();
        HardwareObjects::CreateHardwareObjects();
        window = std::make_unique<frmMain>();
    }

    void SwitchTo(int interfaceType, const std::function<void(frmConfig&)>& choosePort)
    {
        frmConfig* config = Open();
        ASSERT_NE(config, nullptr);
        config->optIF[interfaceType]->setChecked(true);
        choosePort(*config);
        config->cmdOK->click();
    }

    std::string Prompts() const
    {
        std::string all;
        for (const auto& box : boxes.boxes)
            all += box.prompt + "\n---\n";
        return all;
    }

    FakePerfCounter clock{10'000'000, 1};
};

// Neither port 1 nor the port stored by an earlier session is opened before the one chosen.
TEST_F(InterfaceSwitch, TheSerialPortChosenIsTheOnlyOneOpenedAndItsBoxNamesTheSection)
{
    FakeSerialLines lines(clock);
    lines.failingDevices["/dev/ttyS4"] = ENOENT;
    Settings::SaveSetting(Section, "PortNo", "2");
    SwitchTo(DDSInterfaceCode::Serial, [this](frmConfig& config) { Choose(config.cboComPort, "5"); });

    ASSERT_EQ(lines.opens.size(), 1u) << "port 1 was opened before the port chosen";
    EXPECT_EQ(lines.opens[0].device, "/dev/ttyS4");
    ASSERT_EQ(boxes.boxes.size(), 1u) << Prompts();
    EXPECT_NE(boxes.Last().prompt.find("Unable to open COM5"), std::string::npos) << Prompts();
    EXPECT_NE(boxes.Last().prompt.find("section [" + Section + "]"), std::string::npos) << Prompts();
    EXPECT_EQ(DDSSerialIF->RxName(), Section);
    EXPECT_EQ(VFO->OscType()->IFHandler(), DDSSerialIF);
}

TEST_F(InterfaceSwitch, TheSerialPortChosenComesBackAtTheNextStart)
{
    FakeSerialLines lines(clock);
    lines.failingDevices["/dev/ttyS4"] = ENOENT;
    SwitchTo(DDSInterfaceCode::Serial, [this](frmConfig& config) { Choose(config.cboComPort, "5"); });
    boxes.boxes.clear();

    Restart();
    EXPECT_EQ(Settings::GetSetting(Section, "DDSInterfaceType", ""), "0");
    EXPECT_EQ(Settings::GetSetting(Section, "PortNo", ""), "5");
    EXPECT_EQ(lines.opens.back().device, "/dev/ttyS4");
    ASSERT_EQ(boxes.boxes.size(), 1u) << Prompts();
    EXPECT_NE(boxes.Last().prompt.find("Unable to open COM5"), std::string::npos) << Prompts();
    EXPECT_NE(boxes.Last().prompt.find("section [" + Section + "]"), std::string::npos) << Prompts();
}

TEST_F(InterfaceSwitch, ThePrinterPortChosenIsTheOnlyOneWrittenAndComesBackAtTheNextStart)
{
    FakePrinterPort port(clock);
    port.failingDevices["/dev/parport1"] = ENOENT;
    Settings::SaveSetting(Section, "PortAddress", "888");   // an earlier session's
    SwitchTo(DDSInterfaceCode::Parallel, [](frmConfig& config) { config.txtPortAddress->setText("&H278"); });

    ASSERT_FALSE(port.opens.empty()) << "the chip was set up over the printer port";
    for (const std::string& device : port.opens)
        EXPECT_EQ(device, "/dev/parport1") << "a printer port nobody chose was written";
    ASSERT_EQ(boxes.boxes.size(), 1u) << Prompts();
    EXPECT_NE(boxes.Last().prompt.find("0x278"), std::string::npos) << Prompts();
    EXPECT_EQ(DDSParallelIF->RxName(), Section);
    boxes.boxes.clear();
    port.opens.clear();

    Restart();
    EXPECT_EQ(Settings::GetSetting(Section, "DDSInterfaceType", ""), "1");
    EXPECT_EQ(Settings::GetSetting(Section, "PortAddress", ""), "632");
    ASSERT_FALSE(port.opens.empty());
    EXPECT_EQ(port.opens.back(), "/dev/parport1");
    ASSERT_EQ(boxes.boxes.size(), 1u) << Prompts();
    EXPECT_NE(boxes.Last().prompt.find("0x278"), std::string::npos) << Prompts();
}

// Started on Null with ports stored by an earlier session, the tabs show those ports, and a
// switch that leaves the tab as shown keeps them.
TEST_F(InterfaceSwitch, APortStoredEarlierIsShownAndKeptWhenTheSwitchLeavesItsTabAlone)
{
    FakeSerialLines lines(clock);
    FakePrinterPort port(clock);
    Settings::SaveSetting(Section, "PortNo", "5");
    Settings::SaveSetting(Section, "PortAddress", "632");
    Restart();
    SwitchTo(DDSInterfaceCode::Serial, [](frmConfig& config) {
        EXPECT_EQ(config.cboComPort->currentText(), "5");
        EXPECT_EQ(config.txtPortAddress->text(), "&H278");
    });

    ASSERT_EQ(lines.opens.size(), 1u);
    EXPECT_EQ(lines.opens[0].device, "/dev/ttyS4");
    Restart();
    EXPECT_EQ(Settings::GetSetting(Section, "PortNo", ""), "5");
    EXPECT_EQ(Settings::GetSetting(Section, "PortAddress", ""), "632");
}

} // namespace
