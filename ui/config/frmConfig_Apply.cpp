// Apply: every tab's values into the running receiver, in a fixed order. Two checks (IF
// offset and reference clock) end the step with a message; any other statement that fails
// (a text that is no number, a call that fails) is skipped and the next one runs.
#include "ui/config/frmConfig.h"

#include "audio/QELVODX8.h"
#include "core/DoEvents.h"
#include "core/MainWindowValues.h"
#include "core/Numeric.h"
#include "core/PublicVars.h"
#include "core/RuntimeError.h"
#include "core/Settings.h"
#include "core/TryStep.h"
#include "core/frmLog.h"
#include "core/modVBTricks.h"
#include "dsp/QELVO.h"
#include "dsp/ReceiveState.h"
#include "platform/AppPaths.h"
#include "platform/MessageBoxes.h"
#include "radio/HardwareObjects.h"
#include "radio/RXDefinitions.h"
#include "radio/modSetupRX.h"
#include "ui/config/ColourSchemeEditor.h"
#include "ui/config/SoundDeviceLists.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/ScrollLabels.h"
#include "ui/main/frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <optional>
#include <stdexcept>

using Numeric::CDbl;
using Numeric::CLng;
using Numeric::Val;

namespace {

std::string TextOf(const QLineEdit* box) { return box->text().toStdString(); }

// The multiplier of the selected entry; a list without a selection (a stored multiplier it
// cannot show) leaves the multiplier as it is.
int32_t PowerOfTwo(const QComboBox* list)
{
    if (list->currentIndex() < 0)
        throw std::runtime_error("no multiplier selected");
    return CLng(std::pow(2.0, list->currentIndex()));
}

// A live object, or an error that skips the statement needing it.
template <typename Object>
Object& Live(const std::shared_ptr<Object>& object)
{
    if (!object)
        throw std::runtime_error("a receiver object is missing");
    return *object;
}

// The number typed into a box, or nothing when it does not fit (1e309, a hex value too long).
std::optional<double> TypedNumber(const std::string& text)
{
    try {
        return Val(text);
    } catch (const RuntimeError&) {
        return std::nullopt;
    }
}

std::shared_ptr<OscillatorChip> CurrentChip() { return VFO ? VFO->OscType() : nullptr; }
OscillatorChip& Chip() { return Live(CurrentChip()); }

} // namespace

void frmConfig::cmdApply_Click()
{
    SaveHardwareSettings();
    if (!ApplyModelAndOscillator())
        return;
    ApplySoundDevices();
    PhaseBitCorrection = chkADCDelayBitCorrection->isChecked();
    ApplyInterfaceType();
    ApplyTransports();
    ApplyOptions();
    ApplyDisplay();
    Colours->ApplyColourScheme();
    ApplyGeneral();
    RedrawMainWindow();
    InitialSDRModelNo = NewSDRModelNo = SDRModelNo;
    if (SoundCard) {
        InitialPlaybackDevice = SoundCard->CurrentPlaybackDevice();
        InitialCaptureDevice = SoundCard->CurrentCaptureDevice();
        InitialPlaybackDeviceName = SoundCard->CurrentPlaybackDeviceName();
        InitialCaptureDeviceName = SoundCard->CurrentCaptureDeviceName();
    }
    TryStep([this] { InitialDDSInterfaceType = Live(VFO).DDSInterfaceType(); });
    TryStep([this] {
        const std::string name = RXDefinitions::RXModels.at(static_cast<size_t>(SDRModelNo)).Name;
        main_.setWindowTitle(QString(AppPaths::ProductName) + " - " + QString::fromStdString(name));
    });
}

// The VFO's, the chip's and the transport's own settings, in one write of the settings file:
// a write per key, each waiting for a busy disk, held the receive chain up for seconds.
void frmConfig::SaveHardwareSettings()
{
    const Settings::Batch batch;
    TryStep([] { Live(VFO).SaveSettings(); });
    TryStep([] { Chip().SaveSettings(); });
    TryStep([] { Live(Chip().IFHandler()).SaveSettings(); });
}

bool frmConfig::RefuseApply(const std::string& prompt) const
{
    MessageBoxes::MsgBox(prompt, MessageBoxes::vbOKOnly, windowTitle().toStdString() + " CLKIN - ERROR");
    return false;
}

// A new model first gets a fresh VFO, the RIT back at 0 and the receiver set up again; then
// the IF offset, the reference clock and the multipliers. False when a check refused a value.
bool frmConfig::ApplyModelAndOscillator()
{
    if (InitialSDRModelNo != NewSDRModelNo) {
        TryStep([] {
            if (const auto chip = CurrentChip(); chip && chip->Parent() == VFO.get())
                chip->Parent(nullptr);
            Live(VFO).OscType(nullptr);
        });
        VFO = std::make_shared<clsVFO>();
        TryStep([this] { SDRModelNo = cboSDRModel->currentData().toInt(); });
        ScrollLabels[20].Value = 0;
        TryStep(MouseOverS::lblBFO_Wheel);
        TryStep([] {
            int32_t current = -1;
            modSetupRX::InitialiseRX(current);
        });
    }
    // The offset is kept in whole hertz: one that does not fit is refused as a negative one is.
    const std::optional<double> ifOffset = TypedNumber(TextOf(txtIFFrequency));
    if (!ifOffset || *ifOffset < 0 || *ifOffset >= 2147483647.5)
        return RefuseApply("IF Frequency must be greater than 0.0 MHZ");
    TryStep([this, offset = *ifOffset] {
        Live(VFO).HiSideLo(!chkLoLO->isChecked());
        VFO->IFFrequency(CLng(offset));
    });
    TryStep([this] { Live(VFO).AutoUpdate(chkAutoDDSRefresh->isChecked()); });
    const std::optional<double> typedClock = TypedNumber(TextOf(txtDDSClkin));
    if (!typedClock || *typedClock <= 1.0)
        return RefuseApply("CLKIN must be greater than 1.0000 MHZ");
    const double clock = *typedClock;
    TryStep([] { Chip().Initialise(); });
    if (!VFOControl)
        TryStep([this] { Live(SoftDDS).BaseFrequency(CLng(Val(TextOf(txtXtalFrequency)))); });
    TryStep([clock] {
        Chip().ClkIn(clock);
        Live(VFO).Refresh();
    });
    TryStep([this] {
        Live(VFO).OscMultiplier(PowerOfTwo(cboVFOMult));
        VFO->PLLMultiplier(PowerOfTwo(cboPLLMultiplier));
        VFO->Refresh();
    });
    return true;
}

// A new capture or playback device restarts the sound card on the new pair (once the
// receive chain has left its block); a stopped sound card only takes the devices. A device
// is new when another name is picked: the same device at another place in the list is none.
void frmConfig::ApplySoundDevices()
{
    if (!SoundCard)
        return;
    const std::string playbackName = SoundDeviceLists::SelectedName(cboPlayDevices);
    const std::string captureName = SoundDeviceLists::SelectedName(cboCapDevices);
    if (playbackName == InitialPlaybackDeviceName && captureName == InitialCaptureDeviceName)
        return;
    const int32_t playback = SoundDeviceLists::SelectedNumber(cboPlayDevices, SoundCard->CurrentPlaybackDevice());
    const int32_t capture = SoundDeviceLists::SelectedNumber(cboCapDevices, SoundCard->CurrentCaptureDevice());
    const bool running = SoundCard->InAction();
    if (running) {
        do
            DoEvents();
        while (InDSP);
        TryStep([this] { SoundCard->StopSound(); });
    }
    TryStep([this] { SoundCard->ReleaseDevices(); });
    SoundCard->SetCurrentPlaybackDevice(playback);
    SoundCard->SetCurrentPlaybackDeviceName(playbackName);
    SoundCard->SetCurrentCaptureDevice(capture);
    SoundCard->SetCurrentCaptureDeviceName(captureName);
    TryStep([this] { SoundCard->PrepareDevices(); });
    if (running)
        TryStep([this] { SoundCard->StartSound(); });
}

// A changed interface option closes the old transport's port and gives the chip the new
// transport, wired as the receiver set-up wires it and on the port chosen in its tab.
void frmConfig::ApplyInterfaceType()
{
    TryStep([this] {
        if (const int selected = optIF.Selected(); selected >= optIF.LBound())
            Live(VFO).DDSInterfaceType(selected);
    });
    if (!VFO || InitialDDSInterfaceType == VFO->DDSInterfaceType())
        return;
    const std::shared_ptr<OscillatorChip> chip = CurrentChip();
    if (!chip)
        return;
    TryStep([&chip] { Live(chip->IFHandler()).ClosePort(); });
    switch (const int32_t interfaceType = VFO->DDSInterfaceType()) {
    case DDSInterfaceCode::Serial:
    case DDSInterfaceCode::Parallel:
    case DDSInterfaceCode::None:
        modSetupRX::SwitchTransport(*chip, interfaceType, [this, interfaceType] { TakePortChoice(interfaceType); });
        break;
    case DDSInterfaceCode::USB:
        TryStep([&chip] { chip->IFHandler(nullptr); });
        break;
    default:
        break;
    }
}

void frmConfig::TakePortChoice(int32_t interfaceType)
{
    if (interfaceType == DDSInterfaceCode::Serial)
        TakeSerialPort(ChosenSerialPort());
    else if (interfaceType == DDSInterfaceCode::Parallel)
        TakePrinterPortChoice();
}

void frmConfig::TakePrinterPortChoice()
{
    TryStep([this] { Live(DDSParallelIF).PortAddress(CLng(TextOf(txtPortAddress))); });
    TryStep([this] { Live(DDSParallelIF).WaitTime(CDbl(TextOf(txtParallelPortBitPeriod))); });
    TryStep([this] {
        Live(DDSParallelIF).Inverting(chkInvertingIF->isChecked());
        DDSParallelIF->IOUPDBitNo(SelIOUPDBitNo);
        DDSParallelIF->SCLCKBitNo(SelSCLCKBitNo);
        DDSParallelIF->SDATABitNo(SelSDATABitNo);
    });
}

// The port of the Serial I/F tab: a COM number, or a present device (an entry after the COM
// numbers) chosen by its path. A disabled list keeps the port held.
frmConfig::SerialPortChoice frmConfig::ChosenSerialPort() const
{
    const clsDDSSerialIF& serial = Live(DDSSerialIF);
    const bool chosenByNumber = cboComPort->currentIndex() < ComPortNumbers;
    if (!cboComPort->isEnabled())
        return {serial.PortNo(), serial.SerialDevice()};
    if (chosenByNumber)
        return {cboComPort->currentIndex() + 1, std::string()};
    return {serial.PortNo(), cboComPort->currentData().toString().toStdString()};
}

bool frmConfig::SerialPortChoice::HeldBy(const clsDDSSerialIF& serial) const
{
    return port == serial.PortNo() && device == serial.SerialDevice();
}

void frmConfig::TakeSerialPort(const SerialPortChoice& choice)
{
    Live(DDSSerialIF).PortNo(choice.port);
    DDSSerialIF->SerialDevice(choice.device);
}

void frmConfig::ApplyTransports()
{
    TakePrinterPortChoice();
    if (!optIF[0]->isChecked() || !DDSSerialIF)
        return;
    if (const SerialPortChoice chosen = ChosenSerialPort(); !chosen.HeldBy(*DDSSerialIF)) {
        TryStep([] { DDSSerialIF->ClosePort(); });
        TakeSerialPort(chosen);
        TryStep([] { DDSSerialIF->OpenPort(EnableShaftEncoder); });
    }
    TryStep([this] { DDSSerialIF->WaitTime(CDbl(TextOf(txtBitPeriod))); });
}

void frmConfig::ApplyOptions()
{
    if (QELVO::SPLAvailable)
        QELVO::UseSPL = chkUseSPL->isChecked();
    ShaftAutoRate = chkShaftAutoRate->isChecked();
    EnableShaftEncoder = chkEnableEncoder->isChecked();
    ScrollWheelEnableOverScope = chkScrollWheelEnableOverScope->isChecked();
    RunDreamOnDRM = chkDreamRunOnDRM->isChecked();
    MuteAFOnDRM = chkMuteAFOnDRM->isChecked();
    CloseSoundcardOnDRM = chkCloseSoundCardOnDRM->isChecked();
    PublicVars::PathToDream = TextOf(txtPathToDream);
    PublicVars::DreamCloseOnExit = chkDreamCloseOnExit->isChecked();
    DreamCloseOnModeChange = chkDreamCloseOnModeChange->isChecked();
    PublicVars::DreamProgArgs = TextOf(txtDreamProgArgs);
    DreamWindowStyle = std::max(optDreamWindow.Selected(), 0);
}

// The analyser's colours and smoothing, then the scope's value labels in its control colours.
// The smoothing count is held to its value label's range.
void frmConfig::ApplyDisplay()
{
    const auto& analyser = main_.SpectrumAnalyser;
    if (analyser) {
        analyser->HideFreqToolTip(chkSpectrumDisplayHideToolTip->isChecked());
        Colours->ApplyAnalyserColours();
        TryStep([this, &analyser] {
            const ScrollLabelRecord& smoothing = ScrollLabels[19];
            const double count = CDbl(TextOf(txtSpectrumDisplaySmoothingCount));
            analyser->DefaultSmoothCount = CLng(std::clamp(count, double{smoothing.Min}, double{smoothing.Max}));
        });
        ScrollLabels[19].Default = static_cast<float>(analyser->DefaultSmoothCount);
        for (int id : {2, 3, 4, 5, 15, 6, 21, 22, 19}) {
            ScrollLabels[static_cast<size_t>(id)].NormalColour = analyser->ControlColourNormal;
            ScrollLabels[static_cast<size_t>(id)].FocusColour = analyser->ControlColourFocused;
        }
    }
    HiLiteBorder = Colours->chkScollLabelHiliteBorder->isChecked();
    KBDSupport = chkKBDSupport->isChecked();
    AutoTrackPresets = chkAutoTrackPresets->isChecked();
}

void frmConfig::ApplyGeneral()
{
    ::FormCaptionOffOnPwrOn = FormCaptionOffOnPwrOn->isChecked();
    AutoStartSDR = chkAutoStartSDR->isChecked();
    SaveRecordingsPath = TextOf(txtSaveRecordingsPath);
}

// The caption bar as configured, whatever the power state; the colour scheme on every
// control; the window laid out again at its present size.
void frmConfig::RedrawMainWindow()
{
    TryStep([this] {
        modVBTricks::ShowTitleBar(&main_, !::FormCaptionOffOnPwrOn);
        TitleBarHidden = ::FormCaptionOffOnPwrOn;
    });
    TryStep([this] { main_.ApplyColourScheme(); });
    TryStep([this] {
        if (const int size = main_.DisplaySize->optDisplaySize.Selected();
            size >= main_.DisplaySize->optDisplaySize.LBound())
            main_.DisplaySize->optDisplaySize_Click(size);
    });
}

void frmConfig::cmdOK_Click()
{
    cmdApply->click();
    hide();
    ConfigFormOpen = false;
}

void frmConfig::cmdCancel_Click()
{
    hide();
    ConfigFormOpen = false;
}
