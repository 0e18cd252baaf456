#include "ConfigRig.h"
#include "support/CaptionCheck.h"

#include "audio/QELVODX8.h"
#include "core/Numeric.h"
#include "core/PublicVars.h"
#include "core/modIniFiles.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveState.h"
#include "fakes/FakeSettingsStore.h"
#include "radio/HardwareObjects.h"
#include "radio/RXDefinitions.h"
#include "support/BandPlanFile.h"
#include "ui/common/ButtonArray.h"
#include "ui/common/FormControls.h"
#include "ui/common/Shape.h"
#include "ui/config/ColourSchemeEditor.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/ReceivePanel.h"
#include "ui/main/ScrollLabels.h"

#include <sys/stat.h>

#include <map>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>

namespace {

using Device = FakeSoundBackend::Device;

class ConfigDialog : public ConfigRig
{
};

TEST_F(ConfigDialog, EveryTabIsFilledFromTheLiveSettings)
{
    PublicVars::SDRColourSchemes.SDRTuningColour = 0x123456;
    EnableShaftEncoder = false;
    SaveRecordingsPath = "/tmp/recordings";
    ScrollLabels[19].Default = 12;
    DDSParallelIF->PortAddress(0x378);
    DDSSerialIF->WaitTime(5e-6);
    frmConfig* config = Open();
    ASSERT_NE(config, nullptr);
    EXPECT_TRUE(ConfigFormOpen);
    EXPECT_EQ(config->windowTitle(), "ZOZEVERE - Configuration");
    EXPECT_EQ(config->cboSDRModel->count(), static_cast<int>(RXDefinitions::RXModels.size()));
    EXPECT_EQ(config->cboSDRModel->currentText(), "Vantrel RAV1");
    EXPECT_EQ(config->txtIFFrequency->text(), "45 000 000");
    EXPECT_EQ(config->txtDDSClkin->text(), "360 096 000");
    EXPECT_EQ(config->cboVFOMult->count(), 4);
    EXPECT_EQ(config->cboPLLMultiplier->itemText(15), "32768");
    EXPECT_EQ(config->optIF.Selected(), 3);
    EXPECT_EQ(config->txtPortAddress->text(), "&H378");
    EXPECT_EQ(config->txtBitPeriod->text(), "0.000005000");
    EXPECT_EQ(config->cboComPort->count(), 16);
    EXPECT_FALSE(config->chkShaftAutoRate->isEnabled());
    EXPECT_FALSE(config->chkUseSPL->isEnabled());
    EXPECT_EQ(config->txtSaveRecordingsPath->text(), "/tmp/recordings");
    EXPECT_EQ(config->txtSpectrumDisplaySmoothingCount->text(), "12");
    EXPECT_EQ(config->Colours->SwatchColour(ColourSchemeEditor::SDRTuning), 0x123456);
    EXPECT_EQ(config->Colours->SwatchColour(ColourSchemeEditor::ScopeGraticule), window->SpectrumAnalyser->GraticuleColour());
    // The devices as ALSA describes them, with their names; device k is entry k - 1.
    EXPECT_EQ(config->cboPlayDevices->itemText(0), "Default sound device  [default]");
    EXPECT_EQ(config->cboCapDevices->itemText(1), "Line in  [hw:0,0]");
    EXPECT_EQ(config->cboCapDevices->currentIndex(), window->SoundCard->CurrentCaptureDevice() - 1);
    EXPECT_TRUE(config->lblAbout->text().contains("ZOZEVERE"));
    EXPECT_FALSE(config->lblAbout->text().contains("example")) << "no address that does not exist";
}

TEST_F(ConfigDialog, CancelKeepsTheEditsAndTheCloseBoxLoadsAfresh)
{
    frmConfig* config = Open();
    config->txtIFFrequency->setText("1 000");
    config->cmdCancel->click();
    EXPECT_FALSE(ConfigFormOpen);
    EXPECT_FALSE(config->isVisible());
    EXPECT_EQ(VFO->IFFrequency(), 45000000) << "Cancel applies nothing";
    EXPECT_EQ(Open(), config);
    EXPECT_EQ(config->txtIFFrequency->text(), "1 000");
    config->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(ConfigFormOpen);
    EXPECT_EQ(Open()->txtIFFrequency->text(), "45 000 000");
}

TEST_F(ConfigDialog, AModelChoiceShowsThatModelsStoredValuesOrItsTableValues)
{
    Settings::SaveSetting("RXModel.IQ,AD9850 DDS", "OscMultiplier", "3");
    frmConfig* config = Open();
    Choose(config->cboSDRModel, "Elektor DRM - Teluro");
    EXPECT_EQ(config->txtIFFrequency->text(), "0 455 000");
    EXPECT_EQ(config->txtDDSClkin->text(), "50 000 000");
    EXPECT_EQ(config->optIF.Selected(), 0);
    EXPECT_EQ(VFO->IFFrequency(), 45000000) << "only the controls change";
    Choose(config->cboSDRModel, "IQ,AD9850 DDS");
    EXPECT_EQ(config->cboVFOMult->currentText(), "4") << "3 rounds to the entry of 4";
    EXPECT_EQ(config->optIF.Selected(), 1);
    config->cboIOUPDBitNo->setCurrentIndex(7);
    config->cmdParallelPortDefaults_Click();
    EXPECT_EQ(config->cboIOUPDBitNo->currentIndex(), RXDefinitions::RXModels[2].IOUPDBitNo);
    EXPECT_EQ(config->txtParallelPortBitPeriod->text(), "0.000005000");
}

// The two checks end the step with their message; everything before them stays applied.
struct CheckCase
{
    const char* ifText;
    const char* clockText;
    const char* message;   // nullptr: accepted
};

class ApplyChecks : public ConfigRig, public ::testing::WithParamInterface<CheckCase>
{
};

TEST_P(ApplyChecks, RefuseWithTheirMessage)
{
    const CheckCase c = GetParam();
    frmConfig* config = Open();
    config->txtIFFrequency->setText(c.ifText);
    config->txtDDSClkin->setText(c.clockText);
    config->chkMuteAFOnDRM->setChecked(!MuteAFOnDRM);
    const bool muteBefore = MuteAFOnDRM;
    config->cmdApply->click();
    if (c.message) {
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.Last().prompt, c.message);
        EXPECT_EQ(boxes.Last().title, "ZOZEVERE - Configuration CLKIN - ERROR");
        EXPECT_EQ(MuteAFOnDRM, muteBefore) << "no later step ran";
    } else {
        EXPECT_TRUE(boxes.boxes.empty()) << boxes.Last().prompt;
        EXPECT_NE(MuteAFOnDRM, muteBefore);
        EXPECT_EQ(VFO->OscType()->ClkIn(), std::floor(Numeric::Val(c.clockText) + 0.5));
    }
}

INSTANTIATE_TEST_SUITE_P(
    IFAndClock, ApplyChecks,
    ::testing::Values(CheckCase{"-1", "100 000 000", "IF Frequency must be greater than 0.0 MHZ"},
                      CheckCase{"0", "1", "CLKIN must be greater than 1.0000 MHZ"},
                      CheckCase{"0", "1.5", nullptr}, CheckCase{"0 455 000", "300 000 000", nullptr},
                      // Numbers too large for any field are refused the same way, never raised.
                      CheckCase{"1e309", "100 000 000", "IF Frequency must be greater than 0.0 MHZ"},
                      CheckCase{"3e9", "100 000 000", "IF Frequency must be greater than 0.0 MHZ"},
                      CheckCase{"0", "1e309", "CLKIN must be greater than 1.0000 MHZ"},
                      CheckCase{"0", "&H7FFFFFFFFFFFFFFFFFFFFFFF", "CLKIN must be greater than 1.0000 MHZ"}));

TEST_F(ConfigDialog, ApplyPutsEveryTabsValuesInForce)
{
    frmConfig* config = Open();
    config->chkLoLO->setChecked(true);
    config->txtIFFrequency->setText("0 455 000");
    config->cboVFOMult->setCurrentIndex(2);
    config->cboPLLMultiplier->setCurrentIndex(-1);
    const int32_t pll = VFO->PLLMultiplier();
    config->txtParallelPortBitPeriod->setText("0.000010000");
    config->txtPortAddress->setText("&H278");
    config->txtSpectrumDisplaySmoothingCount->setText("100000");
    config->txtXtalFrequency->setText("0 455 000");
    config->optDreamWindow.Select(2);
    config->FormCaptionOffOnPwrOn->setChecked(true);
    config->Colours->SetSwatchColour(ColourSchemeEditor::SDRBackGround, 0x102030);
    config->Colours->SetSwatchColour(ColourSchemeEditor::NormalScrollLabel, 0x405060);
    VFOControl = false;   // a crystal receiver takes the crystal text
    config->cmdOK->click();
    EXPECT_FALSE(config->isVisible());
    EXPECT_FALSE(ConfigFormOpen);
    EXPECT_FALSE(VFO->HiSideLo());
    EXPECT_EQ(VFO->IFFrequency(), 455000);
    EXPECT_EQ(VFO->OscMultiplier(), 4);
    EXPECT_EQ(VFO->PLLMultiplier(), pll) << "no entry chosen, no change";
    EXPECT_EQ(SoftDDS->BaseFrequency(), 455000) << "blanks read as in the IF and clock texts";
    EXPECT_EQ(DDSParallelIF->PortAddress(), 0x278);
    EXPECT_DOUBLE_EQ(DDSParallelIF->WaitTime(), 0.00001);
    EXPECT_EQ(window->SpectrumAnalyser->DefaultSmoothCount, static_cast<int32_t>(ScrollLabels[19].Max))
        << "held to the smoothing label's range";
    EXPECT_EQ(ScrollLabels[19].Default, ScrollLabels[19].Max);
    EXPECT_EQ(ScrollLabels[6].NormalColour, 0x405060);
    EXPECT_EQ(DreamWindowStyle, 2);
    EXPECT_TRUE(FormCaptionOffOnPwrOn);
    EXPECT_TRUE(TitleBarHidden);
    EXPECT_EQ(PublicVars::SDRColourSchemes.SDRBackgroundColour, 0x102030);
    EXPECT_EQ(window->windowTitle(), "ZOZEVERE - Vantrel RAV1");
}

// The VFO, its chip and the chip's transport save their settings in one write of the
// settings file: one write per key, each waiting for a busy disk, held the receiver up.
TEST_F(ConfigDialog, ApplySavesTheReceiversSettingsInOneWrite)
{
    frmConfig* config = Open();
    FakeSettingsStore store;
    config->cmdApply->click();
    EXPECT_EQ(store.writeAllCount, 1);
    EXPECT_EQ(store.keysWrittenTogether, store.writeCount);
    EXPECT_GT(store.writeCount, 2) << "the VFO's keys and the chip's";
    EXPECT_NE(std::find(store.written.begin(), store.written.end(),
                        FakeSettingsStore::name("RXModel.Vantrel RAV1", "IFFrequency")),
              store.written.end());
}

TEST_F(ConfigDialog, AModelChangeSetsTheReceiverUpAgainRetitlesAndResetsTheRIT)
{
    ScrollLabels[20].Value = 500;
    RITOffset = 500;
    const std::shared_ptr<clsVFO> before = VFO;
    frmConfig* config = Open();
    Choose(config->cboSDRModel, "IQ,Crystal Controlled");
    config->cmdApply->click();
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Last().prompt;
    EXPECT_EQ(SDRModelNo, 4);
    EXPECT_NE(VFO, before) << "a new VFO";
    EXPECT_EQ(VFO->OscType(), SoftDDS);
    EXPECT_EQ(RITOffset, 0);
    EXPECT_EQ(window->windowTitle(), "ZOZEVERE - IQ,Crystal Controlled");
    EXPECT_EQ(config->InitialSDRModelNo, 4);
}

// A new pair restarts a running sound card on it; a stopped one only takes the devices;
// an unchanged pair leaves the sound card alone.
TEST_F(ConfigDialog, ANewDevicePairRestartsTheSoundCardOnIt)
{
    frmConfig* config = Open();
    config->cmdApply->click();
    EXPECT_EQ(sound->Of(SoundDirection::Capture).Name, "") << "unchanged: not opened";

    Choose(config->cboCapDevices, "Line in");
    config->cmdApply->click();
    EXPECT_EQ(sound->Of(SoundDirection::Capture).Name, "hw:0,0");
    EXPECT_FALSE(window->SoundCard->InAction());

    window->Power->optPwr[0]->setChecked(true);
    ASSERT_TRUE(window->SoundCard->InAction());
    Choose(config->cboPlayDevices, "Speakers");
    config->cmdApply->click();
    EXPECT_TRUE(window->SoundCard->InAction());
    EXPECT_EQ(sound->Of(SoundDirection::Playback).Name, "hw:0,0");
    EXPECT_TRUE(sound->Of(SoundDirection::Capture).Running);
    EXPECT_EQ(window->SoundCard->CurrentPlaybackDevice(), 2);
    window->Power->optPwr[1]->setChecked(true);
}

TEST_F(ConfigDialog, DefaultsResetTheirOwnGroups)
{
    frmConfig* config = Open();
    for (int i = 0; i < ColourSchemeEditor::SwatchCount; ++i)
        config->Colours->SetSwatchColour(static_cast<ColourSchemeEditor::Swatch>(i), 0x010101);
    config->Colours->cmdSDRControlDefaults->click();
    EXPECT_EQ(config->Colours->SwatchColour(ColourSchemeEditor::SDRFrameFocus), 0xFFFF00);
    EXPECT_EQ(config->Colours->SwatchColour(ColourSchemeEditor::SDRLabel), 0xBFBF00);
    EXPECT_EQ(config->Colours->SwatchColour(ColourSchemeEditor::ScopeYText), 0xFF7F00);
    EXPECT_EQ(config->Colours->SwatchColour(ColourSchemeEditor::ControlNormal), 0x010101);
    config->Colours->SetSwatchColour(ColourSchemeEditor::SDRTuning, 0x010101);
    config->Colours->cmdScopeDefaults->click();
    EXPECT_EQ(config->Colours->SwatchColour(ColourSchemeEditor::ControlNormal), 0xC0C000);
    EXPECT_EQ(config->Colours->SwatchColour(ColourSchemeEditor::ControlFocused), 0xFF);
    EXPECT_EQ(config->Colours->SwatchColour(ColourSchemeEditor::SDRTuning), 0x010101);

    config->chkDreamRunOnDRM->setChecked(true);
    config->chkCloseSoundCardOnDRM->setChecked(true);
    config->cmdDreamDefault->click();
    EXPECT_TRUE(config->chkDreamRunOnDRM->isChecked());
    EXPECT_FALSE(config->chkCloseSoundCardOnDRM->isChecked());
    EXPECT_EQ(config->optDreamWindow.Selected(), 1);
    config->txtBitPeriod->clear();
    config->cmdBitPeriodDefault->click();
    EXPECT_EQ(config->txtBitPeriod->text(), "0.000005000");
}

TEST_F(ConfigDialog, PickersChangeTheirTextOnlyWhenAFileWasChosen)
{
    frmConfig* config = Open();
    config->txtPathToDream->setText("/opt/dream/dream");
    dialogs.CancelFile();
    config->cmdFindDREAM->click();
    EXPECT_EQ(config->txtPathToDream->text(), "/opt/dream/dream");
    dialogs.ChooseFile("/usr/local/bin/dream");
    config->cmdFindDREAM->click();
    EXPECT_EQ(config->txtPathToDream->text(), "/usr/local/bin/dream");

    SaveRecordingsPath = "/srv/old";
    const QString typed = config->txtSaveRecordingsPath->text();
    dialogs.CancelFile();
    config->cmdSavePath->click();
    EXPECT_EQ(config->txtSaveRecordingsPath->text(), typed);
    dialogs.ChooseFile("/srv/recordings");
    config->cmdSavePath->click();
    EXPECT_EQ(config->txtSaveRecordingsPath->text(), "/srv/recordings");
    const FileDialogs::FileRequest& folder = dialogs.fileRequests.back();
    EXPECT_EQ(folder.mode, FileDialogs::Mode::Folder);
    EXPECT_EQ(folder.initialFolder, "/srv/old");
    EXPECT_FALSE(folder.fileMustExist) << "the decoder picker's options do not carry over";
}

TEST_F(ConfigDialog, PreviewShowsTheSwatchesWhileHeldAndReturnsTheLoadedColours)
{
    const SDRColourScheme loaded = PublicVars::SDRColourSchemes;
    frmConfig* config = Open();
    config->Colours->SetSwatchColour(ColourSchemeEditor::SDRBackGround, 0x224466);
    config->Colours->SetSwatchColour(ColourSchemeEditor::ScopeY1, 0x0000AA);
    config->Colours->cmdSDRPreviewColours_MouseDown();
    EXPECT_EQ(PublicVars::SDRColourSchemes.SDRBackgroundColour, 0x224466);
    EXPECT_EQ(window->SpectrumAnalyser->Y1BaseColour(), 0x0000AA);
    config->Colours->cmdSDRPreviewColours_MouseUp();
    EXPECT_EQ(PublicVars::SDRColourSchemes.SDRBackgroundColour, loaded.SDRBackgroundColour);
    EXPECT_EQ(PublicVars::SDRColourSchemes.SDRFrameFocusColour, loaded.SDRFrameFocusColour);
    EXPECT_EQ(config->Colours->SwatchColour(ColourSchemeEditor::SDRBackGround), 0x224466) << "the swatch keeps its edit";
}

TEST_F(ConfigDialog, AThemeIsWrittenAndReadBackKeepingTheFilesOtherSections)
{
    const std::string path = home.file("night.thm");
    {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Other]\r\nKeep=1\r\n");
    }
    frmConfig* config = Open();
    config->Colours->cmdSDRControlDefaults->click();
    config->Colours->SetSwatchColour(ColourSchemeEditor::ScopeY2, 0x00ABCD);
    dialogs.ChooseFile(path);
    config->Colours->cmdSDRColoursSave->click();
    EXPECT_EQ(modIniFiles::ReadINI("Other", "Keep", "", path), "1");
    EXPECT_EQ(modIniFiles::ReadINI("SDRColours", "Name", "", path), "night.thm");
    EXPECT_EQ(modIniFiles::ReadINI("SDRColours", "shpSDRFrameFocusColour", "", path), "16776960");
    EXPECT_EQ(dialogs.fileRequests.back().defaultExtension, "thm");
    dialogs.ChooseFile(home.file("dawn"));
    config->Colours->cmdSDRColoursSave->click();
    EXPECT_EQ(modIniFiles::ReadINI("SDRColours", "Name", "", home.file("dawn.thm")), "dawn.thm");

    modIniFiles::WriteINI("SDRColours", "shpScopeXTextColour", "not a colour", path);
    {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        EXPECT_EQ(text.count("shpSDRFrameNormalColour"), 1);
    }
    for (int i = 0; i < ColourSchemeEditor::SwatchCount; ++i)
        config->Colours->SetSwatchColour(static_cast<ColourSchemeEditor::Swatch>(i), 0x010101);
    dialogs.CancelFile();
    config->Colours->cmdSDRColoursLoad->click();
    EXPECT_EQ(config->Colours->SwatchColour(ColourSchemeEditor::ScopeY2), 0x010101) << "a cancelled pick changes nothing";
    dialogs.ChooseFile(path);
    config->Colours->cmdSDRColoursLoad->click();
    EXPECT_EQ(config->Colours->SwatchColour(ColourSchemeEditor::ScopeY2), 0x00ABCD);
    EXPECT_EQ(config->Colours->SwatchColour(ColourSchemeEditor::SDRTuning), 0xFF);
    EXPECT_EQ(config->Colours->SwatchColour(ColourSchemeEditor::ScopeXText), 0x010101) << "no number, no colour";
    EXPECT_EQ(config->Colours->SwatchColour(ColourSchemeEditor::ControlNormal), 0x010101) << "not in theme files";
}

// A theme is read once and written once: a pipe chosen as a theme does not hold the window,
// and a folder or a read-only file gives one message naming it and stays as it was.
TEST_F(ConfigDialog, AThemeThatIsNoFileOrIsReadOnlyIsRefusedWithOneMessage)
{
    frmConfig* config = Open();
    config->Colours->SetSwatchColour(ColourSchemeEditor::ScopeY2, 0x00ABCD);
    const std::string pipe = home.file("pipe.thm"), folder = home.file("folder.thm"), locked = home.file("locked.thm");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    for (const std::string& path : {pipe, folder}) {
        dialogs.ChooseFile(path);
        config->Colours->cmdSDRColoursLoad->click();
        ASSERT_EQ(boxes.boxes.size(), 1u) << path;
        EXPECT_NE(boxes.Last().prompt.find(path), std::string::npos);
        dialogs.ChooseFile(path);
        config->Colours->cmdSDRColoursSave->click();
        ASSERT_EQ(boxes.boxes.size(), 2u) << path;
        EXPECT_NE(boxes.Last().prompt.find(path), std::string::npos);
        boxes.boxes.clear();
    }
    EXPECT_EQ(config->Colours->SwatchColour(ColourSchemeEditor::ScopeY2), 0x00ABCD);

    modIniFiles::WriteINI("SDRColours", "Name", "mine", locked);
    QFile::setPermissions(QString::fromStdString(locked), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    dialogs.ChooseFile(locked);
    config->Colours->cmdSDRColoursSave->click();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.Last().prompt.find("read-only"), std::string::npos);
    EXPECT_EQ(modIniFiles::ReadINI("SDRColours", "shpScopeY2Colour", "none", locked), "none");
}

// Saves a picture of each tab beside the test program, for a look at the window.
TEST_F(ConfigDialog, EachTabIsPictured)
{
    frmConfig* config = Open();
    for (int tab = 0; tab < config->TabStrip1->count(); ++tab) {
        config->TabStrip1->setCurrentIndex(tab);
        const QString file = QDir(QCoreApplication::applicationDirPath()).filePath(QString("frmConfig-tab%1.png").arg(tab + 1));
        EXPECT_TRUE(config->grab().save(file)) << file.toStdString();
        EXPECT_TRUE(config->frConfigs[static_cast<size_t>(tab)]->isVisible());
    }
}

} // namespace

// Every tab of the configuration window shows its captions whole.
TEST_F(ConfigDialog, EveryTabShowsItsCaptionsWhole)
{
    frmConfig* config = Open();
    ASSERT_NE(config, nullptr);
    for (int tab = 0; tab < config->TabStrip1->count(); ++tab) {
        config->TabStrip1->setCurrentIndex(tab);
        std::string cut;
        for (const std::string& line : CaptionCheck::CutCaptions(config))
            cut += line + '\n';
        EXPECT_EQ(cut, "") << config->TabStrip1->tabText(tab).toStdString();
        CaptionCheck::SaveScreenshot(config, "frmConfig_" + config->TabStrip1->tabText(tab));
    }
}

// A band of three sub-bands, the second one in use, as the start-up shows it.
const char* const ThreeSubBands =
    "[MainBand]\r\nNumSubBands=2\r\nActiveSubBand=1\r\n"
    "[SubBand.0]\r\nFreqMin=7000000\r\nFreqMax=7100000\r\nFreqCurrent=7050000\r\nDemodMode=2\r\n"
    "[SubBand.1]\r\nFreqMin=7100000\r\nFreqMax=7150000\r\nFreqCurrent=7120000\r\nDemodMode=1\r\nFilterMode=3\r\n"
    "[SubBand.2]\r\nFreqMin=7150000\r\nFreqMax=7200000\r\nFreqCurrent=7160000\r\nDemodMode=2\r\n";

constexpr uint32_t SubBandColour = 0x0000C0;
constexpr uint32_t ChosenSubBandColour = 0x0000FF;

// The configuration window over a front panel that shows a band: its sub-band, mode and
// filter buttons coloured for what is chosen. (The rig passes the IF through whatever mode
// the buttons show.)
class ConfigOverTheFrontPanel : public ConfigRig
{
protected:
    void SetUp() override
    {
        BandPlans.clear();
        AddBandPlan(home.file("40m.bpl"), "40m", ThreeSubBands);
        CurrentMainBandIndex = 0;
        PublicVars::SetColourSchemeDefaults();   // as the program starts
        ConfigRig::SetUp();
    }
    void TearDown() override
    {
        ConfigRig::TearDown();
        BandPlans.clear();
    }

    static uint32_t Fore(const QWidget* control) { return FormControls::ForeColour(control); }

    // Every option button and check box of the main window with its text colour.
    std::map<std::string, uint32_t> ButtonColours() const
    {
        std::map<std::string, uint32_t> colours;
        for (const QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
            if (qobject_cast<const QRadioButton*>(button) || qobject_cast<const QCheckBox*>(button))
                colours[button->objectName().toStdString()] = Fore(button);
        }
        return colours;
    }

    // The buttons whose text colour differs from the one given, with both colours.
    std::vector<std::string> Recoloured(const std::map<std::string, uint32_t>& before) const
    {
        std::vector<std::string> changed;
        for (const auto& [name, colour] : ButtonColours()) {
            if (before.at(name) != colour)
                changed.push_back(name + " " + QString::number(before.at(name), 16).toStdString() + " -> " +
                                  QString::number(colour, 16).toStdString());
        }
        return changed;
    }

    // The chosen sub-band in red beside dark red ones, the chosen mode and filter lit.
    void ExpectTheChoicesShown() const
    {
        EXPECT_EQ(Fore(window->BandPlan->optSubBand[1]), ChosenSubBandColour);
        EXPECT_EQ(Fore(window->BandPlan->optSubBand[2]), SubBandColour);
        EXPECT_EQ(Fore(window->Receive->optMode[DemodModeEnum::USB]), ButtonArray::ChosenColour);
        EXPECT_EQ(Fore(window->Receive->optMode[DemodModeEnum::LSB]), ButtonArray::NormalColour);
        EXPECT_EQ(Fore(window->Receive->optFilter[3]), ButtonArray::ChosenColour);
        EXPECT_EQ(Fore(window->Receive->optFilter[0]), ButtonArray::NormalColour);
    }
};

// OK with nothing changed leaves every button as it was: the sub-bands keep their colours,
// the chosen mode and filter stay lit; the receiver keeps its mode and filter.
TEST_F(ConfigOverTheFrontPanel, OKWithoutEditsLeavesEveryButtonInItsColours)
{
    ASSERT_EQ(window->BandPlan->optSubBand.Selected(), 1);
    ASSERT_EQ(window->Receive->optMode.Selected(), DemodModeEnum::USB);
    ASSERT_EQ(FilterMode, 3);
    ExpectTheChoicesShown();
    const auto before = ButtonColours();
    Open()->cmdOK->click();
    EXPECT_EQ(Recoloured(before), std::vector<std::string>{});
    EXPECT_EQ(window->Receive->optMode.Selected(), DemodModeEnum::USB);
    EXPECT_EQ(FilterMode, 3);
}

// A new label colour reaches the labels and the buttons shown in the label colour, as at a
// start; the buttons that show a choice keep the choice's colours. Previewing a scheme and
// returning to the loaded one leaves them too.
TEST_F(ConfigOverTheFrontPanel, ANewLabelColourLeavesTheChoicesShown)
{
    const auto labelColour = static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRLabelColour);
    QCheckBox* plain = window->Receive->chkFlipIQ;
    ASSERT_EQ(Fore(plain), labelColour);
    frmConfig* config = Open();
    config->Colours->SetSwatchColour(ColourSchemeEditor::SDRLabel, 0x3060A0);
    config->Colours->cmdSDRPreviewColours_MouseDown();
    EXPECT_EQ(Fore(plain), 0x3060A0u);
    ExpectTheChoicesShown();
    config->Colours->cmdSDRPreviewColours_MouseUp();
    EXPECT_EQ(Fore(plain), labelColour);
    ExpectTheChoicesShown();

    config->cmdOK->click();
    EXPECT_EQ(Fore(plain), 0x3060A0u);
    EXPECT_EQ(Fore(window->lblVer), 0x3060A0u);
    ExpectTheChoicesShown();
}

