// Loading: every control filled from the live objects and globals, and the model choice,
// which shows the chosen model's stored values (the receiver changes only on Apply).
#include "ui/config/frmConfig.h"

#include "audio/QELVODX8.h"
#include "core/DoEvents.h"
#include "core/MainWindowValues.h"
#include "core/NumberFormat.h"
#include "core/Numeric.h"
#include "core/PublicVars.h"
#include "core/Settings.h"
#include "core/TryStep.h"
#include "dsp/QELVO.h"
#include "dsp/ReceiveState.h"
#include "platform/AppPaths.h"
#include "platform/SerialLines.h"
#include "radio/HardwareObjects.h"
#include "radio/RXDefinitions.h"
#include "ui/config/ColourSchemeEditor.h"
#include "ui/config/SoundDeviceLists.h"
#include "ui/main/DreamLauncher.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/ScrollLabels.h"
#include "ui/main/frmMain.h"

#include <filesystem>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>

#include <cmath>

using Numeric::BoolText;
using Numeric::CBool;
using Numeric::CInt;
using Numeric::CLng;
using Numeric::Str;

namespace {

constexpr const char* ClockPicture = "#0 000 000";
constexpr const char* PeriodPicture = "0.000000000";

std::string ClockText(double hertz) { return Format(std::fabs(hertz), ClockPicture); }

// The list entry of a power of two: log2 rounded, halves to even (3 gives 2, that is "4").
int PowerEntry(double value) { return CInt(std::log(value) / std::log(2.0)); }

void Fill(QComboBox* list, int count, const std::function<QString(int)>& text)
{
    list->clear();
    for (int i = 0; i < count; ++i)
        list->addItem(text(i));
}

void SetText(QLineEdit* box, const std::string& text) { box->setText(QString::fromStdString(text)); }

} // namespace

void frmConfig::Form_Load()
{
    ConfigFormOpen = true;
    Loading = true;
    setWindowTitle(QString(AppPaths::ProductName) + " - Configuration");
    InitialSDRModelNo = NewSDRModelNo = SDRModelNo;
    cboSDRModel->clear();
    for (int32_t i = 0; i <= RXDefinitions::RXModelMaxIndex && i < static_cast<int32_t>(RXDefinitions::RXModels.size()); ++i)
        cboSDRModel->addItem(QString::fromStdString(RXDefinitions::RXModels[static_cast<size_t>(i)].Name), i);
    cboSDRModel->setCurrentIndex(SDRModelNo);
    Fill(cboVFOMult, 4, [](int i) { return QString::number(1 << i); });
    Fill(cboPLLMultiplier, 16, [](int i) { return QString::number(1 << i); });
    if (VFO) {
        cboVFOMult->setCurrentIndex(PowerEntry(VFO->OscMultiplier()));
        cboPLLMultiplier->setCurrentIndex(PowerEntry(VFO->PLLMultiplier()));
    }
    LayOutWindow();
    TabStrip1->setCurrentIndex(0);
    LoadSoundDevices();
    LoadHardwareControls();
    LoadOptionControls();
    Colours->LoadColourControls();
    Loading = false;
}

void frmConfig::TabStrip1_Click()
{
    const int index = TabStrip1->currentIndex();
    if (index >= 0 && index < static_cast<int>(frConfigs.size()))
        frConfigs[static_cast<size_t>(index)]->raise();
}

// The devices as they are listed now, the devices in force selected; at a later showing the
// entries the user left selected stay selected where they are still listed. Without an
// engine the lists stay empty.
void frmConfig::LoadSoundDevices()
{
    if (!SoundCard)
        return;
    const std::string playback = SoundDeviceLists::SelectedName(cboPlayDevices);
    const std::string capture = SoundDeviceLists::SelectedName(cboCapDevices);
    SoundCard->RefreshDevices();
    InitialPlaybackDevice = SoundCard->CurrentPlaybackDevice();
    InitialPlaybackDeviceName = SoundCard->CurrentPlaybackDeviceName();
    SoundDeviceLists::Fill(cboPlayDevices, SoundCard->PlaybackChoice(), playback);
    InitialCaptureDevice = SoundCard->CurrentCaptureDevice();
    InitialCaptureDeviceName = SoundCard->CurrentCaptureDeviceName();
    SoundDeviceLists::Fill(cboCapDevices, SoundCard->CaptureChoice(), capture);
}

void frmConfig::LoadHardwareControls()
{
    chkADCDelayBitCorrection->setChecked(PhaseBitCorrection);
    const std::shared_ptr<OscillatorChip> chip = VFO ? VFO->OscType() : nullptr;
    if (chip)
        SetText(txtDDSClkin, ClockText(chip->ClkIn()));
    if (VFO) {
        SetText(txtIFFrequency, ClockText(VFO->IFFrequency()));
        chkLoLO->setChecked(!VFO->HiSideLo());
        InitialDDSInterfaceType = VFO->DDSInterfaceType();
        optIF.Select(InitialDDSInterfaceType);
        chkAutoDDSRefresh->setChecked(VFO->AutoUpdate());
    }
    if (chip)
        SetText(txtXtalFrequency, std::to_string(chip->BaseFrequency()));
    chkUseSPL->setEnabled(QELVO::SPLAvailable);
    if (QELVO::SPLAvailable)
        chkUseSPL->setChecked(QELVO::UseSPL);
    chkEnableEncoder->setChecked(EnableShaftEncoder);
    chkEnableEncoder_Click();
    chkShaftAutoRate->setChecked(ShaftAutoRate);
    chkScrollWheelEnableOverScope->setChecked(ScrollWheelEnableOverScope);
    if (DDSSerialIF)
        SetText(txtBitPeriod, Format(DDSSerialIF->WaitTime(), PeriodPicture));
    if (DDSParallelIF) {
        SetText(txtParallelPortBitPeriod, Format(DDSParallelIF->WaitTime(), PeriodPicture));
        txtPortAddress->setText("&H" + QString::number(DDSParallelIF->PortAddress(), 16).toUpper());
        chkInvertingIF->setChecked(DDSParallelIF->Inverting());
    }
    for (QComboBox* list : {cboIOUPDBitNo, cboSCLCKBitNo, cboSDATABitNo})
        Fill(list, 8, [](int i) { return QString::number(i); });
    if (DDSParallelIF) {
        cboIOUPDBitNo->setCurrentIndex(DDSParallelIF->IOUPDBitNo());
        cboSCLCKBitNo->setCurrentIndex(DDSParallelIF->SCLCKBitNo());
        cboSDATABitNo->setCurrentIndex(DDSParallelIF->SDATABitNo());
    }
    DoEvents();
    Fill(cboComPort, ComPortNumbers, [](int i) { return QString::number(i + 1); });
    if (DDSSerialIF)
        cboComPort->setCurrentIndex(DDSSerialIF->PortNo() - 1);
    LoadSerialDevices();
}

// After the COM numbers, the serial devices present, each with the path that a choice
// stores in "SerialDevice"; the device in force is selected.
void frmConfig::LoadSerialDevices()
{
    const std::string inForce = DDSSerialIF ? DDSSerialIF->SerialDevice() : std::string();
    for (const SerialLines::PresentDevice& device : SerialLines::PresentDevices()) {
        const QString name = QString::fromStdString(device.path);
        const QString byId = QString::fromStdString(std::filesystem::path(device.byId).filename().string());
        cboComPort->addItem(byId.isEmpty() ? name : name + "  (" + byId + ")", QString::fromStdString(device.Stored()));
        if (!inForce.empty() && (inForce == device.Stored() || inForce == device.path))
            cboComPort->setCurrentIndex(cboComPort->count() - 1);
    }
}

void frmConfig::LoadOptionControls()
{
    chkDreamRunOnDRM->setChecked(RunDreamOnDRM);
    chkCloseSoundCardOnDRM->setChecked(CloseSoundcardOnDRM);
    chkMuteAFOnDRM->setChecked(MuteAFOnDRM);
    chkDreamCloseOnExit->setChecked(PublicVars::DreamCloseOnExit);
    chkDreamCloseOnModeChange->setChecked(DreamCloseOnModeChange);
    optDreamWindow.Select(DreamWindowStyle);
    SetText(txtPathToDream, PublicVars::PathToDream);
    SetText(txtDreamProgArgs, PublicVars::DreamProgArgs);
    const int32_t capture = SoundCard ? SoundCard->CurrentCaptureDevice() : 1;
    const int32_t playback = SoundCard ? SoundCard->CurrentPlaybackDevice() : 1;
    const std::string arguments = DreamLauncher::BuildCommand("", capture, playback, IQModeOn, "", 0).Arguments;
    lblSDRDreamArgs->setText(QString::fromStdString(arguments).trimmed());
    txtSpectrumDisplaySmoothingCount->setText(QString::number(ScrollLabels[19].Default));
    if (main_.SpectrumAnalyser)
        chkSpectrumDisplayHideToolTip->setChecked(main_.SpectrumAnalyser->HideFreqToolTip());
    Colours->chkScollLabelHiliteBorder->setChecked(HiLiteBorder);
    chkKBDSupport->setChecked(KBDSupport);
    chkAutoTrackPresets->setChecked(AutoTrackPresets);
    FormCaptionOffOnPwrOn->setChecked(::FormCaptionOffOnPwrOn);
    chkAutoStartSDR->setChecked(AutoStartSDR);
    SetText(txtSaveRecordingsPath, SaveRecordingsPath);
    lblAbout->setText(QString("%1\n\nVersion %2\n\nA receiver for sound-card software-defined radios.\n"
                              "Licensed under the GNU General Public License, version 3 or later.")
                          .arg(AppPaths::ProductName, ZOZEVERE_VERSION));
}

void frmConfig::cboSDRModel_Click()
{
    if (Loading || cboSDRModel->currentIndex() < 0)
        return;
    NewSDRModelNo = cboSDRModel->currentData().toInt();
    TryStep([this] { ShowModelSettings(NewSDRModelNo); });
    TryStep([this] { ShowOscillatorSettings(NewSDRModelNo); });
}

// The model's stored values, each falling back to the model table's.
void frmConfig::ShowModelSettings(int32_t modelNo)
{
    const RXModelRecord& m = RXDefinitions::RXModels.at(static_cast<size_t>(modelNo));
    const std::string section = "RXModel." + m.Name;
    const auto read = [&section](const char* key, auto fallback) {
        return Settings::GetSetting(section, key, Str(static_cast<int32_t>(fallback)));
    };
    SetText(txtIFFrequency, ClockText(CLng(read("IFFrequency", m.LOOffset))));
    cboVFOMult->setCurrentIndex(PowerEntry(CLng(read("OscMultiplier", m.OscMultiplier))));
    cboPLLMultiplier->setCurrentIndex(PowerEntry(CLng(read("PLLMultiplier", m.PLLMultiplier))));
    optIF.Select(CLng(read("DDSInterfaceType", m.DDSInterfaceType)));
    chkInvertingIF->setChecked(CBool(Settings::GetSetting(section, "Inverting", BoolText(m.Inverting))));
    cboIOUPDBitNo->setCurrentIndex(CInt(read("IOUPDBitNo", m.IOUPDBitNo)));
    cboSCLCKBitNo->setCurrentIndex(CInt(read("SCLCKBitNo", m.SCLCKBitNo)));
    cboSDATABitNo->setCurrentIndex(CInt(read("SDATABitNo", m.SDATABitNo)));
}

void frmConfig::ShowOscillatorSettings(int32_t modelNo)
{
    const RXModelRecord& m = RXDefinitions::RXModels.at(static_cast<size_t>(modelNo));
    const std::string section = "DDSChip." + m.DDSChipName;
    SetText(txtDDSClkin, ClockText(CLng(Settings::GetSetting(section, "DDSClock", Str(m.DDSClock)))));
    SetText(txtXtalFrequency, ClockText(CLng(Settings::GetSetting(section, "BaseFrequency", Str(m.XtalFrequency)))));
}

void frmConfig::optIF_Click(int Index)
{
    if (!Loading)
        optIF.Select(Index);
}

void frmConfig::chkEnableEncoder_Click()
{
    chkShaftAutoRate->setEnabled(chkEnableEncoder->isChecked());
}
