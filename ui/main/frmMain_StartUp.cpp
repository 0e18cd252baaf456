#include "ui/main/frmMain.h"

#include "audio/QELVODX8.h"
#include "audio/clsWavFile.h"
#include "core/BusyGuard.h"
#include "core/DoEvents.h"
#include "core/Globals.h"
#include "core/MainWindowValues.h"
#include "core/NumberFormat.h"
#include "core/Numeric.h"
#include "core/PublicVars.h"
#include "core/Settings.h"
#include "core/TryStep.h"
#include "core/frmLog.h"
#include "core/modVBTricks.h"
#include "dsp/AGCAndOutputLevel.h"
#include "dsp/FilterObjects.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveState.h"
#include "platform/AppPaths.h"
#include "platform/ProcessPriority.h"
#include "radio/HardwareObjects.h"
#include "radio/OscillatorChip.h"
#include "radio/RXDefinitions.h"
#include "ui/common/ClickRule.h"
#include "ui/common/FormControls.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/Line.h"
#include "ui/common/PictureBox.h"
#include "ui/common/Slider.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/ScrollLabels.h"
#include "ui/main/modWheelMouse.h"

#include <QCheckBox>
#include <QRadioButton>

#include <cmath>
#include <string>

namespace {

const std::string loadTrace = "frmMain.frm:frmMain:Form_Load";

void Trace(const std::string& step) { AddLog(loadTrace + step); }

constexpr int AGCAttackStartPosition = 100;
constexpr int AGCDecayStartPosition = 40;
constexpr uint32_t Red = 0x0000FF;
// Key of the crystal receiver's image in its model's section.
constexpr const char* CrystalImageKey = "IQSelectUpper";

// Ten ticks across the slider's range, a page a tick, an arrow key half a page.
void SetAGCSliderTicks(Slider* slider)
{
    const int tick = Numeric::CLng((slider->Max() - slider->Min()) / 10.0);
    slider->SetTickFrequency(tick);
    slider->SetLargeChange(tick);
    slider->SetSmallChange(Numeric::CLng(tick / 2.0));
}

// The default tables, and the AF pass band of the first filter preset until a band's
// preset chooses one.
void FillDefaultTables()
{
    ReceiveDefaults::FillFilterTable(loadTrace);
    ReceiveDefaults::FillAGCTable(loadTrace);
    ReceiveDefaults::FillIFFilterTable(loadTrace);
    ReceiveDefaults::SetNotchDefaults(loadTrace);
    FilterHi = FilterTable[0].Hi;
    FilterLo = FilterTable[0].Lo;
    FiltersDirty = true;
}

} // namespace

// The controls' handlers, as a form's design binds them: setting a control's value from any
// step of the start-up already runs its handler.
void frmMain::ConnectHandlers()
{
    Receive->ConnectSwitches();
    AudioOut->Connect();
    Receive->ConnectSliders();
    Receive->ConnectHover();
    connect(Statistics->frStats, &Frame::MouseMove, this, &frmMain::picCalib_MouseMove);
    BandPlan->Connect();
    Frequency->ConnectTuning();
}

// The receiver's start-up, in its fixed order. Every step is tried on its own: one that
// fails leaves the others to run.
void frmMain::Form_Load()
{
    Trace(":Start");
    setWindowTitle(AppPaths::ProductName);
    if (FormLoading)   // the window system let the start-up in again: it is running already
        return;
    BusyGuard loading(FormLoading);
    // The window shows from its early steps on; until the end nothing a timer drives (the
    // program's own are stopped) runs on it between the steps.
    DoEventsHoldsTimers holdTimers;
    ProcessPriority::SetLog(AddLog);
    CreateFrontPanelObjects();
    InitialiseFrontPanel();
    ConfigureReceiver();
    SelectBandAndStart();
    Trace(":End");
}

// Steps 5 to 19: the window at its normal size in its colours, the analyser, the recorder,
// the scroll labels, the band controls and the sound-card engine.
void frmMain::CreateFrontPanelObjects()
{
    Trace(":Resizing");
    TryStep([this] { SetClientHeight(linNormal->Y1()); });
    TryStep([this] { Statistics->HideSpareRow(); });
    Trace(":Restoring SDR Colour Settings from Registry");
    TryStep([] { MainWindowSettings::RestoreColourScheme(); });
    Trace(":Creating SpectrumAnalyser Object");
    TryStep([this] { CreateSpectrumAnalyser(); });
    TryStep([this] { Analyser->ConnectControls(); });
    Trace(":Making frmMain Visible");
    TryStep([this] { show(); });
    Trace(":Setting Colour Scheme");
    TryStep([this] { ApplyColourScheme(); });
    DoEvents();
    Trace(":Creating Wavfile Object");
    TryStep([this] { Recorder->CreateWavFile(); });
    // The caption bar and borders, as the window system draws them now (nothing before the
    // window is first shown): the display-size buttons and the power switch size around them.
    TryStep([this] { TitleBarHeight = (frameGeometry().height() - height()) * FormUnits::TwipsPerPixel; });
    TryStep([this] { lblVer->setText(ZOZEVERE_VERSION); });
    TryStep([this] { DisplaySize->optDisplaySize.Select(3); });
    // The band selectors and their buttons are laid out with the window's controls.
    Trace(":Positioning Presets");
    TryStep([this] { Statistics->ShowWindowThread(); });
    TryStep([this] {
        MouseOverS::Companions = {Receive->sldNB, Receive->dialNB, AudioOut->sldOutVolume, AudioOut->dialOutVol};
        Labels->FillScrollLabels(SpectrumAnalyser.get());
    });
    TryStep([this] { Labels->ConnectRIT(); });
    Trace(":Initialising cboBandSelect");
    TryStep([this] { BandPlan->FillBandList(); });
    // The colour scheme has given every option button the label colour; none is chosen yet.
    Trace(":Initialising optSubBand");
    TryStep([this] { BandPlan->InitialiseSubBandButtons(); });
    Trace(":Initialising optPreset");
    TryStep([this] { BandPlan->InitialisePresetButtons(); });
    Trace(":New QELVODX8");
    TryStep([this] { CreateSoundCard(); });
    Trace(":VB.Load frmDX8Events");
    TryStep([this] { LoadSoundCardEvents(); });
    Trace(":New clsFFTReal");
    TryStep([] { FFTReal = clsFFTReal(); });
    Trace(":Initialising FFTReal");
    TryStep([] {
        FFTReal.Points = SpectrumPoints;
        FFTReal.FFTInit(FFTReal.Points);
    });
}

// Steps 20 to 25: the receiver hardware for the stored model, the AGC sliders, the analyser's
// scales, the AGC preset and the default tables.
void frmMain::InitialiseFrontPanel()
{
    Trace(" : Initialising Interface Objects");
    TryStep([this] { InitialiseInterfaceObjects(); });
    TryStep([this] { modWheelMouse::init(this); });
    Trace(":Initialising sldAGCAttack");
    TryStep([this] {
        SetAGCSliderTicks(Receive->sldAGCAttack);
        Receive->sldAGCAttack->SetValue(AGCAttackStartPosition);
    });
    Trace(":Initialising sldAGCDecay");
    TryStep([this] {
        SetAGCSliderTicks(Receive->sldAGCDecay);
        Receive->sldAGCDecay->SetValue(AGCDecayStartPosition);
    });
    Trace(":Initialising SpectrumAnalyser");
    TryStep([this] { InitialiseSpectrumAnalyser(); });
    TryStep([this] {
        Receive->optAGC.Select(1);
        AGCMode = 1;
        AGCOn = false;
        Receive->chkAGC_Click();
    });
    TryStep([] { FillDefaultTables(); });
}

// Steps 26 to 34: the stored settings and the controls brought in line with them, and the
// sound card's format.
void frmMain::ConfigureReceiver()
{
    Trace(":Restoring SDR Settings");
    TryStep([this] { MainWindowSettings::RestoreSettings(SMeter->NoiseFloor); });
    TryStep([this] { ShowRestoredSettings(); });
    Trace(":Initialising SoundCard Object");
    TryStep([this] { ConfigureSoundCard(); });
    TryStep([this] { ConnectReceiveChain(); });
    TryStep([this] { Receive->ShowInjectionSide(); });
    TryStep([this] { ClickRule::SetCheckAndRun(Receive->chkNB, NBOn, [this] { Receive->chkNB_Click(); }); });
    Trace(":Set OutputLevel Attenuator to PublicVars.OutputAttenuation");
    TryStep([] {
        ScrollLabels[lblOutVolIndex].Value = ValueLabels::OutputVolumeValue();
        MouseOverS::lblOutVol_Wheel();
    });
    TryStep([this] { Receive->InitialiseReceiveControls(); });
    TryStep([this] {
        Receive->optFilter[2]->setText(QString::fromStdString(Format(2000 / 1000.0, "0.0 kHz")));
        Receive->optFilter[3]->setText(QString::fromStdString(Format(3000 / 1000.0, "0.0 kHz")));
    });
}

// Steps 35 to 51: the band used last, the wheel, the AGC's delay line, the filter edges, the
// recorder, the timers and the tuning steps; then the receiver on when so stored.
void frmMain::SelectBandAndStart()
{
    Trace(":Select Band in use last time");
    // The image first: the band's state holds the frequency shown, reached on the image in force.
    TryStep([this] { SelectCrystalImage(); });
    TryStep([this] { BandPlan->SelectLastBand(); });
    Trace(":Set the last tuned frequency for Spectrum Analyser");
    TryStep([this] { SetAnalyserOffset(); });
    Trace(":Call modWheelMouse.init");
    TryStep([] {
        if (!InIDE)
            modWheelMouse::HookWheel();
    });
    Trace(":Set up default values in the AGC delayline");
    TryStep(FillAGCDelayLine);
    Trace(":Call MouseOverS.lblFilterHi_Wheel");
    TryStep(MouseOverS::lblFilterHi_Wheel);
    Trace(":Call MouseOverS.lblFilterLo_Wheel");
    TryStep(MouseOverS::lblFilterLo_Wheel);
    Trace(":Initialise WavFile Object");
    TryStep([this] { Recorder->WavFile->init(); });
    TryStep([this] { Recorder->ConnectRecorder(); });
    Trace(":Call tmrPerfStats_Timer");
    TryStep([this] { Deferred->tmrPerfStats_Timer(); });
    Trace(":Enable Power Butons");
    TryStep([this] { Power->EnableSwitches(); });
    TryStep([this] { StartTimers(); });
    // The band's preset may have chosen the step: the list shows the step in force.
    Trace(":Initialise the Tuning Step Selector Drop Down List");
    TryStep([this] { Frequency->FillTuningStepList(); });
    TryStep([this] { Receive->chkFlipIQ->setChecked(FlipIQ); });
    Trace(":Call DarkenControls");
    TryStep([this] { DarkenControls(); });
    TryStep([this] { SMeter->DrawSMeter(); });
    TryStep([this] { Loop->tmrSpectrumDisplay.start(BlockLoop::SpectrumDisplayInterval); });
    // Last of all, with every table and object in place: the receiver powered on when so stored.
    TryStep([this] {
        if (AutoStartSDR)
            Power->optPwr[0]->setChecked(true);
    });
    TryStep([this] { ShowCaptionBar(!FormCaptionOffOnPwrOn); });
    TryStep([this] { ShowModelInCaption(); });
}

// The scales of the analyser's display: 0 to 24000 Hz about the tuned frequency, the mode's
// layout shown anew, its filter-curve and notch switches.
void frmMain::InitialiseSpectrumAnalyser()
{
    clsSpectrumAnalyser& analyser = *SpectrumAnalyser;
    analyser.FSampling = ReceiveSampleRate;
    analyser.Order = 11;
    analyser.picDisplay0(Analyser->picScope[0]);
    analyser.picDisplay1(Analyser->picScope[1]);
    analyser.StartBin = 0;
    analyser.StopBin = 1024;
    analyser.FStart(0);
    analyser.FEnd(2 * IFCentreHz);
    SetAnalyserOffset();
    Analyser->ShowAnalyserMode();
    analyser.init();
    Analyser->chkScopeShowFilters->setChecked(analyser.ShowFilter());
    analyser.ShowNotch(NotchActive);
}

// A receiver without an oscillator the program tunes comes back on the image it was closed
// on, at the same offset. Settings from before the image was kept: tuned above its crystal's
// frequency, it receives the upper image of its I/Q pair, twice the IF below the frequency
// tuned. The image box takes the low-side box's place: no model of the table offers both.
void frmMain::SelectCrystalImage()
{
    Receive->chkIQSelectUpper->move(Receive->chkTuneLo->pos());
    FormControls::SetForeColour(Receive->chkIQSelectUpper, Red);
    // The box and the flag start unticked together, whatever an earlier window left in the
    // flag: the frequency read below is then the one stored, not its upper image.
    Receive->chkIQSelectUpper->setChecked(false);
    IQSelectUpper = false;
    if (VFOControl || !VFO)
        return;
    const std::shared_ptr<OscillatorChip> chip = VFO->OscType();
    if (!chip || VFO->OscMultiplier() == 0)
        return;
    const int32_t stored = VFO->TunedFrequency();
    const std::string closedOn = Settings::GetSetting(VFO->Name(), CrystalImageKey);
    if (closedOn == "True" || closedOn == "False") {
        Receive->chkIQSelectUpper->setChecked(closedOn == "True");
        VFO->TunedFrequency(stored);   // the offset closed on, handed to the receive chain
        return;
    }
    const double crystalHz = chip->BaseFrequency() / VFO->OscMultiplier() * VFO->PLLMultiplier();
    if (Numeric::CLng(stored / 10.0) > crystalHz)
        Receive->chkIQSelectUpper->setChecked(true);   // the frequency shown stays
}

void frmMain::SaveCrystalImage() const
{
    if (VFO && IQModeOn && !VFOControl)
        Settings::SaveSetting(VFO->Name(), CrystalImageKey, Numeric::BoolText(IQSelectUpper));
}

// The caption bar shown or hidden; the window's height follows so that its inner area keeps
// its size.
void frmMain::ShowCaptionBar(bool shown)
{
    modVBTricks::ShowTitleBar(this, shown);
    TitleBarHidden = !shown;
}
