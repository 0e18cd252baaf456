#include "ui/main/frmMain.h"

#include "audio/QELVODX8.h"
#include "audio/clsWavFile.h"
#include "audio/frmDX8Events.h"
#include "bandplan/modBandPlan.h"
#include "core/BusyGuard.h"
#include "core/Globals.h"
#include "core/MainWindowValues.h"
#include "core/NumberFormat.h"
#include "core/Numeric.h"
#include "core/PublicVars.h"
#include "core/TryStep.h"
#include "core/frmLog.h"
#include "dsp/AGCAndOutputLevel.h"
#include "dsp/FilterObjects.h"
#include "dsp/ModeChange.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveLinks.h"
#include "dsp/ReceiveState.h"
#include "platform/DesktopSoundBackend.h"
#include "platform/AppPaths.h"
#include "platform/ProcessPriority.h"
#include "radio/HardwareObjects.h"
#include "radio/DDSInterface.h"
#include "radio/MouseOverS.h"
#include "radio/OscillatorChip.h"
#include "radio/RXDefinitions.h"
#include "radio/RadioControls.h"
#include "radio/modSetupRX.h"
#include "ui/common/FormControls.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/Line.h"
#include "ui/common/Slider.h"
#include "ui/main/FrontPanel.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/ScrollLabels.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/modWheelMouse.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QPushButton>

#include <string>

namespace {

const std::string loadTrace = "frmMain.frm:frmMain:Form_Load";

void Trace(const std::string& step) { AddLog(loadTrace + step); }

} // namespace

std::function<std::unique_ptr<SoundBackend>()> frmMain::CreateSoundBackend = [] {
    return std::make_unique<DesktopSoundBackend>();
};

std::function<void(frmMain&)> frmMain::OpenConfiguration;

frmMain::frmMain(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName("frmMain");
    setAttribute(Qt::WA_DeleteOnClose);
    ConnectHub();
    Labels = std::make_unique<ValueLabels>(Hub);
    Deferred = std::make_unique<DeferredBlockWork>(Hub);
    CreateControls();
    Loop = std::make_unique<BlockLoop>(SoundCard, Recorder->WavFile);
    ConnectHandlers();
    connect(cmdConfig, &QPushButton::clicked, this, [this] {
        if (OpenConfiguration)
            OpenConfiguration(*this);
    });
    Form_Load();
}

// The window-wide services the panels ask for through the hub.
void frmMain::ConnectHub()
{
    Hub.HiLiteScrollLabel = [this](int16_t id) { Labels->HiLiteScrollLabel(id); };
    Hub.LoLiteScrollLabel = [this](int16_t id) { Labels->LoLiteScrollLabel(id); };
    Hub.InitialiseNoiseReducerSlider = [this] { Receive->InitialiseNoiseReducerSlider(); };
    Hub.InitialiseNoiseReducerKnob = [this] { Receive->InitialiseNoiseReducerKnob(); };
    Hub.InitialiseVolumeKnob = [this] { AudioOut->InitialiseVolumeKnob(); };
    Hub.InitialiseVolumeSlider = [this] { AudioOut->InitialiseVolumeSlider(); };
    Hub.InitialiseDialTuner = [this] { Frequency->InitialiseDialTuner(); };
    Hub.SetNoiseReducerSlider = [this](int32_t value) { Receive->sldNB->SetValue(value); };
    Hub.TakeKeyboardFocus = [this] { Frequency->TakeKeyboardFocus(); };
    Hub.DarkenControls = [this] { DarkenControls(); };
    Hub.FocusFrame = [this](Frame* frame) { FocusFrame(frame); };
    Hub.UnFocusFrames = [this] { UnFocusFrames(); };
    // The receive controls' requests.
    Hub.HandSoundCardToDecoder = [this] {
        if (SoundCard && SoundCard->Prepared() && CloseSoundcardOnDRM) {
            SoundCard->StopSound();
            SoundCard->ReleaseDevices();
        }
    };
    Hub.TakeBackSoundCard = [this] {
        if (SoundCard && !SoundCard->Prepared() && Power->optPwr[0]->isChecked()) {
            SoundCard->PrepareDevices();
            SoundCard->StartSound();
        }
    };
    Hub.CaptureDevice = [this] { return SoundCard ? SoundCard->CurrentCaptureDevice() : 0; };
    Hub.PlaybackDevice = [this] { return SoundCard ? SoundCard->CurrentPlaybackDevice() : 0; };
    Hub.ShowNotchCurve = [this](bool shown) {
        if (SpectrumAnalyser)
            SpectrumAnalyser->ShowNotch(shown);
    };
    Hub.ShowFrequency = [this](const std::string& digits) { Frequency->Display7Seg(digits); };
    Hub.TuneShownFrequency = [this](int32_t shown) {
        if (VFO)
            VFO->TunedFrequency(StoredForShown(shown));
    };
    Hub.BlockLoopBusy = [this] { return Loop->Busy(); };
    Hub.SelectPower = [this](int index) { Power->optPwr.Select(index); };
    Hub.PresetsFrameGeometry = [this] { return BandPlan->frPresets->geometry(); };
    Hub.PresetsBackColour = [this] { return FormControls::BackColour(BandPlan->frPresets); };
    ConnectBandPlanRequests();
    Hub.PowerOn = [this] { PowerOn(); };
    Hub.PowerOff = [this] { PowerOff(); };
    Hub.PowerIsOn = [this] { return Receiving && SoundCard && SoundCard->Running(); };
    Hub.CloseWindow = [this] { close(); };
    Hub.SelectDisplaySize = [this](int size) { DisplaySize->optDisplaySize.Select(size); };
    Hub.ShowMoreControls = [this](bool shown) { Power->cmdMoreControls->setVisible(shown); };
    Hub.ReleaseWindowSize = [this] {
        DisplayHeight = 0;
        DisplayWidth = 0;
    };
    // A size's client area ends at its marker line (0 Comp, 1 Std, 2 Ext, 3 Full).
    Hub.CutWindowAtSize = [this](int size) {
        const Line* markers[] = {linCompact, linNormal, linExtended, linConfig};
        SetClientHeight(markers[size]->Y1());
    };
    // The size the window came to is the one it keeps; the height to return to counts the
    // caption bar while that is hidden.
    Hub.KeepWindowSize = [this] {
        using FormUnits::PixelsToTwips;
        const int32_t windowHeight = PixelsToTwips(frameGeometry().height());
        FullWindowHeight = TitleBarHidden ? windowHeight + TitleBarHeight : windowHeight;
        DisplayHeight = PixelsToTwips(height());
        DisplayWidth = PixelsToTwips(width());
    };
    Hub.StopAnalyser = [this] {
        if (SpectrumAnalyser)
            SpectrumAnalyser->Active(false);
    };
    Hub.ApplyAnalyserSwitch = [this] { Analyser->chkSpectrumAnalyser_Click(); };
    Hub.ApplyStatisticsSwitch = [this] { Statistics->chkPerfStatsOn_Click(); };
    Hub.ShowOscillator = [this] { Statistics->ShowOscillator(); };
    Hub.StoreSubBandTuneStep = [this](int32_t index) { BandPlan->StoreSubBandTuneStep(index); };
    Hub.ShowSMeter = [this] { SMeter->ShowSMeter(); };
    Hub.ShowStatistics = [this] { Statistics->ShowStatistics(); };
    Hub.ShowSignalCentre = [this](int32_t hertz) {
        Receive->lblNotch->setText(QString::fromStdString(Format(hertz, "###0")));
        Receive->sldNotch->setToolTip(QString::fromStdString("Fcentre : " + Format(hertz, "#,###0 Hz")));
    };
    Hub.ShowImageChoice = [this](bool shown) { Receive->chkIQSelectUpper->setVisible(shown); };
    Hub.OfferLowSideInjection = [this](bool offered) {
        Receive->chkTuneLo->setVisible(offered);
        if (!offered)
            Receive->chkTuneLo->setChecked(false);
    };
    Hub.ShowSynchronousAM = [this](bool shown) { Receive->optMode[DemodModeEnum::SAM]->setVisible(shown); };
}

// A window deleted without being closed (as tests do) still unloads, so that nothing it
// set up outlives it.
frmMain::~frmMain()
{
    Form_Unload();
    // The receive chain must not call into a window that is gone.
    if (ReceiveLinks::SpectrumAnalyser == SpectrumAnalyser.get())
        ReceiveLinks::SpectrumAnalyser = nullptr;
    ReceiveLinks::TunedFrequency = nullptr;
    ReceiveLinks::RecorderIsPlaying = nullptr;
    ReceiveLinks::SetSoundCardAttenuation = nullptr;
    dx8Events_.reset();
    SoundCard.reset();
}

// The receiver hardware for the stored model. A software oscillator handed its offset during
// the set-up, before the injection side was known here: the offset again, on the side now in force.
void frmMain::InitialiseInterfaceObjects()
{
    MainWindowSettings::RestoreInterfaceSettings();
    AddLog("frmMain.InitialiseRX:Start");
    WithPathFromStoredSize([] {
        int32_t model = -1;
        modSetupRX::InitialiseRX(model);
    });
    AddLog("frmMain.InitialiseRX:End");
    HiSideLoOn = VFO->HiSideLo();
    MouseOverS::lblBFO_Wheel();
    ShowOscillatorLabels();
    Frequency->Display7Seg(VFO->FormattedTunedFreq());
}

// The oscillator's reference clock and the receiver's IF, in hertz.
void frmMain::ShowOscillatorLabels()
{
    if (const std::shared_ptr<OscillatorChip> chip = VFO->OscType())
        lblCLKINFreq->setText(QString::fromStdString(Format(chip->ClkIn(), "#0 000 000")));
    lblIFFreq->setText(QString::fromStdString(Format(VFO->IFFrequency(), "#0 000 000;(#0.000 000)")));
}

// The controls that show a stored option take it.
void frmMain::ShowRestoredSettings()
{
    Analyser->ShowSource();
    Analyser->ShowActive();
    // The statistics switch shows the restored choice (the smaller sizes switch it off).
    Statistics->ShowPerfStatsOn();
    Receive->chkFlipIQ->setChecked(FlipIQ);
    DisplaySize->optDisplaySize.Select(DisplayMode);
}

void frmMain::SetAnalyserOffset()
{
    clsSpectrumAnalyser& analyser = *SpectrumAnalyser;
    const int32_t tuned = VFO ? VFO->TunedFrequency() : 0;
    analyser.SetFOffset(Numeric::CLng(tuned / 10.0 - (analyser.FEnd() - analyser.FStart()) / 2.0));
}

void frmMain::ShowModelInCaption()
{
    if (SDRModelNo >= 0 && static_cast<size_t>(SDRModelNo) < RXDefinitions::RXModels.size())
        setWindowTitle(QString(AppPaths::ProductName) + " - " +
                       QString::fromStdString(RXDefinitions::RXModels[static_cast<size_t>(SDRModelNo)].Name));
}

void frmMain::CreateSoundCard()
{
    soundBackend_ = CreateSoundBackend();
    SoundCard = std::make_unique<QELVODX8>(*soundBackend_);
}

// The sound card's notifications reach the window as its events.
void frmMain::LoadSoundCardEvents()
{
    dx8Events_ = std::make_unique<frmDX8Events>(*SoundCard);
    connect(SoundCard.get(), &QELVODX8::DataReady, this, &frmMain::SoundCard_DataReady);
    connect(SoundCard.get(), &QELVODX8::DataOut, this, &frmMain::SoundCard_DataOut);
    connect(SoundCard.get(), &QELVODX8::CaptureStarting, this, [] { StartChainAfresh(); });
    // Sound that could not be brought back switches the receiver off.
    connect(&SoundCard->Recovery(), &SoundRecovery::SoundLost, this, [this] { Power->optPwr.Select(1); });
}

void frmMain::SoundCard_DataReady(std::span<int16_t> L, std::span<int16_t> R, int32_t /*n*/)
{
    Loop->ProcessCapturedBlock(L, R);
}

// Each processed block handed on to playback arms the display's redraw and the deferred
// block work.
void frmMain::SoundCard_DataOut(std::span<int16_t> /*Buffer*/, int32_t /*Offset*/, int32_t /*NoSamples*/)
{
    Loop->BlockPlayed();
    Deferred->Schedule();
}

// 48000 samples per second, stereo in, mono out, two blocks of 2048 16-bit samples.
void frmMain::ConfigureSoundCard()
{
    QELVODX8& card = *SoundCard;
    card.SetFSampling(ReceiveSampleRate);
    card.SetNoChannelsIn(2);
    card.SetNoChannelsOut(1);
    card.SetNoBlocksInBuffer(2);
    card.SetSamplesPerEvent(BlockSize);
    card.SetBitsPerSample(16);
    card.SetInp2OutpBufferRatio(2);
    card.SetOutputAttenuation(OutputLevelAttenuation(OutputAttenuation));
    MainWindowSettings::RestoreSoundDevices(*SoundCard);
}

void frmMain::ConnectReceiveChain()
{
    ReceiveLinks::SpectrumAnalyser = SpectrumAnalyser.get();
    ReceiveLinks::TunedFrequency = [] { return VFO ? VFO->TunedFrequency() : 0; };
    ReceiveLinks::RecorderIsPlaying = [this] { return Recorder->WavFile && Recorder->WavFile->IsPlaying(); };
    ReceiveLinks::SetSoundCardAttenuation = [this](int32_t attenuation) {
        if (SoundCard)
            SoundCard->SetOutputAttenuation(attenuation);
    };
}

// The analyser with its stored settings, redrawn every FrameRate-th playback block while
// the window is not minimised; its scales are set once the receiver is known.
void frmMain::CreateSpectrumAnalyser()
{
    // Until the user stores colours of their own, the display's value labels take the front
    // panel's value-label colours: the configuration window shows one pair for both and stores
    // it in both, so that they never differ by themselves.
    const SDRColourScheme& scheme = PublicVars::SDRColourSchemes;
    SpectrumAnalyser = std::make_unique<clsSpectrumAnalyser>(
        ScopeControlColours{scheme.ScrollableLabelNormalColour, scheme.ScrollableLabelFocusColour});
    clsSpectrumAnalyser& analyser = *SpectrumAnalyser;
    analyser.Freeze = true;   // until the receiver is switched on
    ScopeDisplay.Analyser = SpectrumAnalyser.get();
    ScopeDisplay.MainWindowMinimised = [this] { return isMinimized(); };
    ScopeDisplay.FrameRateValue = [] { return ScrollLabels[lblFrameRateIndex].Value; };
    Loop->UpdateScopeDisplay = [this] { ScopeDisplay.UpdateScopeDisplay(); };
    Analyser->ShowActive();
}

void frmMain::StartTimers()
{
    Trace(":Enable TmrTune");
    Frequency->StartTuneTimer();
    Trace(":Enable TmrVFOUpdate");
    connect(&tmrVFOUpdate, &QTimer::timeout, this, [this] { RadioControls::tmrVFOUpdate_Timer(tmrVFOUpdate); });
    tmrVFOUpdate.start(RadioControls::tmrVFOUpdateFirstInterval);
    Trace(":Enable TmrShaft");
    connect(&tmrShaft, &QTimer::timeout, this, &RadioControls::tmrShaft_Timer);
    tmrShaft.start(RadioControls::tmrShaftInterval);
    Trace(":Enable TmrClock");
    Frequency->StartClock();
    Trace(":Enable TmrSubBands");
    BandPlan->tmrSubBands.start(BandPlanPanel::SubBandTrackingInterval);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    // A band being selected (its file read, with window messages let through meanwhile) is
    // selected to the end first; the window then closes.
    if (modBandPlan::BandPlanLoading || BandPlan->SelectingBand()) {
        BandPlan->CloseAfterBandLoad();
        event->ignore();
        return;
    }
    Form_Unload();
    QMainWindow::closeEvent(event);
}

// In order: the timers stop, the sound card is let go, then the window's settings, the
// VFO's, the transport's and the chip's are saved, the receiver set-up is released and the
// ports are closed, and the hardware objects go. Every step is tried, whatever the others did.
void frmMain::Form_Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    Loop->tmrScopeDisplay.stop();
    hide();
    Loop->tmrSpectrumDisplay.stop();
    for (QTimer* timer : {&Deferred->tmrPerfStats, &tmrVFOUpdate, &tmrShaft, &Recorder->tmrPlaybackRead, &Recorder->tmrRecorderWrite,
                          &BandPlan->tmrSubBands})
        timer->stop();
    Frequency->StopTimers();
    TryStep([this] { Frequency->ReleaseTuning(); });
    if (modWheelMouse::HookHandle)
        modWheelMouse::UnHookWheel();
    TryStep([this] {
        if (SoundCard) {
            SoundCard->StopSound();
            SoundCard->ReleaseDevices();
        }
    });
    TryStep(modBandPlan::SaveAllBandPlans);
    TryStep([this] { MainWindowSettings::SaveSettings(SMeter->NoiseFloor, SoundCard.get()); });
    const std::shared_ptr<OscillatorChip> chip = VFO ? VFO->OscType() : nullptr;
    TryStep([this] { SaveCrystalImage(); });
    TryStep([] {
        if (VFO)
            VFO->SaveSettings();
    });
    TryStep([&chip] {
        if (chip && chip->IFHandler())
            chip->IFHandler()->SaveSettings();
    });
    TryStep([&chip] {
        if (chip)
            chip->SaveSettings();
    });
    TryStep(modSetupRX::ReleaseRx);
    TryStep([] { if (DDSParallelIF) DDSParallelIF->ClosePort(); });
    TryStep([] { if (DDSSerialIF) DDSSerialIF->ClosePort(); });
    TryStep([] { if (DDSNullIF) DDSNullIF->ClosePort(); });
    TryStep([&chip] {
        if (chip)
            chip->IFHandler(nullptr);
    });
    TryStep(ProcessPriority::Restore);
    TryStep(HardwareObjects::ReleaseHardwareObjects);
    // Releasing the analyser writes its settings; the receive chain must not feed it after.
    TryStep([this] {
        Loop->UpdateScopeDisplay = nullptr;
        ScopeDisplay.Analyser = nullptr;
        if (ReceiveLinks::SpectrumAnalyser == SpectrumAnalyser.get())
            ReceiveLinks::SpectrumAnalyser = nullptr;
        SpectrumAnalyser.reset();
    });
    TryStep([this] { Labels->Release(); });
}
