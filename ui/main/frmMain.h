#pragma once

#include "bandplan/BandRecord.h"
#include "ui/main/BlockLoop.h"
#include "ui/main/DeferredBlockWork.h"
#include "ui/main/FrontPanel.h"
#include "ui/main/PanelHub.h"
#include "ui/main/SMeterPanel.h"
#include "ui/main/ScrollLabels.h"
#include "ui/main/StatisticsPanel.h"
#include "ui/main/TuningDisplay.h"
#include "ui/scope/clsSpectrumAnalyser.h"
#include "ui/scope/frmUpDateScopeDisplay.h"

#include <QMainWindow>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <span>
#include <string>

class QCheckBox;
class QELVODX8;
class QMenu;
class frmPresetDesc;
class SoundBackend;
class clsWavFile;
class frmDX8Events;
class QMenu;

// Main-window values of the receive path.
inline bool DreamStarting = false; // the DRM decoder is being started (preset tracking waits)
inline bool ApplyPresetBusy = false; // a stored state is being applied (preset tracking waits)
inline bool Receiving = false;     // between power On and power Off

// The receiver's front panel. Closing it unloads it (the window is deleted), which the
// start-up supervisor's watchdog takes as the end of the program.
//
// The sound card's capture notifications run the receive block loop (DataReady); each
// processed block handed on to playback arms the one-shot timers of the display and of the
// deferred block work (DataOut). Member functions live in frmMain_<area>.cpp by area; the controls are the
// front panel's (FrontPanel.h), but for the groups that are panels of their own (ui/main/<Name>Panel.h),
// which build their controls, own their handlers and are composed here.
class frmMain : public QMainWindow, public FrontPanel
{
    Q_OBJECT
public:
    // Makes the sound system the sound-card engine runs on; tests replace it.
    static std::function<std::unique_ptr<SoundBackend>()> CreateSoundBackend;

    static constexpr int SubBandTrackingInterval = 300;   // ms

    // Opens the configuration window (the Config button); installed by the start-up, since
    // that window lies above this one. Unset, the button does nothing.
    static std::function<void(frmMain&)> OpenConfiguration;
    static constexpr int TuneTimerInterval = 250;         // ms, until a display key makes it 20

    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Window life (frmMain.cpp).
    bool FormLoading = false;   // Form_Load runs
    void Form_Load();
    void Form_Unload();
    void RestoreSettings();
    void SaveSettings();
    void RestoreColourScheme();   // frmMain_Settings.cpp: the seven colour keys
    void RestoreSoundDevices();   // the two device keys, once the sound card exists

    // Colour scheme (frmMain_Colours.cpp): the scheme on every control; ApplyColourScheme
    // also sets the window's back colour first and clears every highlight after.
    void ReColour();
    void ApplyColourScheme();

    // Scroll labels and their keys (frmMain_ScrollLabels.cpp).
    void FillScrollLabels();
    void HiLiteScrollLabel(int16_t ID);
    void ScrollLabel_MouseDown(int16_t ID, int Button);
    void Form_KeyDown(int KeyCode, int Shift);   // Qt key code; shift 1 Shift, 2 Ctrl, 4 Alt

    // Hover over the bare window and the panels (frmMain_Hover.cpp): highlights cleared.
    void Form_MouseMove(int Button, int Shift, double X, double Y);
    void picCalib_MouseMove(int Button, int Shift, double X, double Y);
    void frDemod_MouseMove(int Button, int Shift, double X, double Y);
    void frFilters_MouseMove(int Button, int Shift, double X, double Y);
    void frPresets_MouseMove(int Button, int Shift, double X, double Y);
    void imgBandSelect_MouseMove(int Button, int Shift, double X, double Y);
    void RevealBandSelectors(double X, double Y);
    void HideBandSelectors();

    // Frequency display and direct tuning (frmMain_FrequencyDisplay.cpp). Key codes are Qt's;
    // buttons 1 left, 2 right.
    void Display7Seg(const std::string& Digits);
    void SetTuneRateLabel(int32_t D, float M);
    void lbl7Seg_MouseMove(int Index);
    void lbl7Seg_MouseDown(int Index, int Button);
    void lblScale_Click(int Index);
    void lblTuningRate_Click();
    void picFreqDisp_MouseMove();
    void picFreqDisp_KeyDown(int KeyCode);
    void picFreqDisp_KeyUp();
    void picFreqDisp_MouseUp(int Button);
    void tmrTune_Timer();
    void mnuVFOControlSub_Click(int Index);
    QTimer tmrTune;
    QMenu* mnuVFOControl = nullptr;   // "VFO Control"; its "Tag" property names the digit

    // Tuning-step list, digit lock and tuning dial (frmMain_Tuning.cpp).
    void SetTuneStep(int32_t Index, bool Unlock);
    void cboTuningSteps_Click();
    void lblTuneDialRate_MouseDown(int Button);
    void lblTuningRate_MouseDown(int Button);
    void lbl7Seg_Click(int Index);
    void lbl7Seg_DblClick(int Index);
    void imgTuneStepLock_DblClick();
    void DialTuner_Changing();
    void mnuVFOStepSub_Click(int Index);
    TuningControlState Tuning;

    // Power (frmMain_Power.cpp): 0 On, 1 Off, 2 Close.
    void optPwr_Click(int Index);
    // The UTC clock in the frequency display; the RIT only for a tuned oscillator.
    void tmrClock_Timer();
    QTimer tmrClock;
    static constexpr int ClockInterval = 500;   // ms

    // Frame focus and the power frame (frmMain_Frames.cpp).
    void UnFocusFrames();
    void FocusFrame(Frame* frame);
    void LoLiteScrollLabel(int16_t ID);
    void DarkenControls();
    void frPower_MouseDown(int Button, int Shift, double X, double Y);
    void frPower_MouseMove(int Button, int Shift, double X, double Y);
    void frPower_MouseUp(int Button, int Shift, double X, double Y);
    void Form_MouseUp(int Button, int Shift, double X, double Y);
    void img7SegArea_MouseMove(int Button, int Shift, double X, double Y);
    void imgAreaScope_MouseMove(int Button, int Shift, double X, double Y);
    bool PowerFrameDragging = false;   // a window drag by the power frame is under way
    int32_t DragStartX = 0;            // twips: where the drag took the power frame
    int32_t DragStartY = 0;

    // Display size (frmMain_DisplaySize.cpp).
    void optDisplaySize_Click(int Index);
    static std::string ConfigurationPath();
    void chkSpectrumAnalyser_Click();
    void Form_Resize();
    int32_t DisplayHeight = 0;   // twips of client area the chosen size keeps; 0 none
    int32_t DisplayWidth = 0;

    // The spectrum analyser's display controls (frmMain_ScopeControls.cpp).
    void ConnectScopeControls();
    void optSpectrumSource_Click(int Index);
    void chkScopeMode_Click(int Index);
    void chkLog_Click();
    void chkSmoothSpectrum_Click();
    void chkScopeShowFilters_Click();
    void chkSpectrumAutoGain_Click();
    void chkChn1On_Click();
    void chkChn2On_Click();
    void chkTrigOn_Click(int Index);
    void sldSpectrumGain_Change();
    void sldXCentre_Change();
    void sldXWidth_Change();
    void picScope_MouseMove(int Index, int Button, int Shift, double X, double Y);
    void picScope_MouseDown(int Index, int Button, int Shift, double X, double Y);
    void HideScopeReadouts();
    void ScopePointerLeft(const QWidget& picture);

    // The sound card's events, handed to the block loop and the deferred block work (frmMain.cpp).
    void SoundCard_DataReady(std::span<int16_t> L, std::span<int16_t> R, int32_t n);
    void SoundCard_DataOut(std::span<int16_t> Buffer, int32_t Offset, int32_t NoSamples);

    // What the panels share, and the panels of their own: the S-meter beside the frequency display, the statistics beside
    // the analyser's controls.
    PanelHub Hub;
    std::unique_ptr<SMeterPanel> SMeter;
    std::unique_ptr<StatisticsPanel> Statistics;
    // The block loop and the work it leaves for later, which have no controls.
    std::unique_ptr<BlockLoop> Loop;
    std::unique_ptr<DeferredBlockWork> Deferred;

    // Demodulation mode and the DRM decoder (frmMain_Mode.cpp).
    void optMode_Click(int Index);
    void RunDREAM();

    // AF filter presets, IF filter and notch modes (frmMain_Filters.cpp).
    void optFilter_Click(int Index);   // 0..4 a preset, -1 the edges in force, -2 the sliders' edges
    void optIFFilter_Click(int Index);
    void optNotch_Click(int Index);

    // Receive switches (frmMain_Switches.cpp).
    void chkDynFilter_Click();
    void chkFlipIQ_Click();
    void chkIQSelectUpper_Click();
    void chkNB_Click();
    void chkNotchOn_Click();
    void chkNotchAuto_Click();
    void chkNotchMirror_Click();
    void chkNotchType_Click();
    void chkIFFilter_Click();
    void chkMusic_Click();
    void chkMute_Click();
    void chkAGC_Click();
    void chkTuneLo_Click();
    void optAGC_Click(int Index);
    void dialNB_Changing();
    void dialOutVol_Changing();
    // The analyser draws the notch filter's curve (when there is an analyser).
    void ShowNotchCurve(bool shown);

    // Sliders (frmMain_Sliders.cpp); the edge sliders' index is 0 low, 1 high.
    void sldAGCAttack_Change();
    void sldAGCDecay_Change();
    void sldBalance_Change();
    void sldBW_Change(int Index);
    void sldBW_MouseDown(int Index, int Button);
    void sldBW_MouseMove(int Index, double X, double Y);
    void sldNB_Change();
    void sldNB_MouseDown(int Button);
    void sldNotch_Change();
    void sldNotchWidth_Change();
    void sldOutVolume_Change();
    void sldOutVolume_MouseDown(int Button);
    void sldPhaseAngle_Change();
    void ShowFilterEdges();
    double PhaseAngle = 0.0;   // the phasing angle last set

    // Bands, sub-bands and recalling stored states (frmMain_BandPlans.cpp).
    void FillBandList();     // start-up: the bands' captions
    void SelectLastBand();   // start-up: the band used last, or the first
    void SelectBand(int Index);
    void cboBandSelect_Click();
    void cboBandSelect_KeyDown(int KeyCode);
    void cboSubBandSelect_Click();
    void lstSubBandSelect_Click();
    void optSubBand_Click(int Index);
    void optSubBand_MouseDown(int Index, int Button, int Shift, double X, double Y);
    void lblSubBand_MouseMove();
    void lstSubBandSelect_MouseMove(int Button, int Shift, double X, double Y);
    void picSubBands_MouseMove();
    void ApplyPreset(const ModeSettingsRecord& state);
    // Loads the preset's settings when they were not read yet, then applies them.
    void ApplyPresetGuarded(int32_t Band, int32_t SubBand, int32_t Preset);
    void CapturePreset(ModeSettingsRecord& state);
    // The step chosen from the tuning-step list becomes the active sub-band's.
    void StoreSubBandTuneStep(int32_t Index);

    // Presets, their windows and the tracking timer (frmMain_Presets.cpp).
    void optPreset_MouseDown(int Index, int Button, int Shift, double X, double Y);
    void optPreset_MouseUp(int Index, int Button, int Shift, double X, double Y);
    void optPreset_KeyDown(int Index, int KeyCode, int Shift);
    void optPreset_MouseMove(int Index, int Button, int Shift, double X, double Y);
    void optSubBand_MouseMove(int Index, int Button, int Shift, double X, double Y);
    void StorePreset(PresetRecord& preset);
    void mnuUserPresets_Edit_Click();
    void mnuUserPresets_Save_Click();
    void tmrSubBands_Timer();
    QTimer tmrSubBands;
    QMenu* mnuUserPresets = nullptr;
    frmPresetDesc* PresetDesc = nullptr;
    bool PresetDescriptionOn = false;
    int32_t LastRecalledPreset = -1;   // -1 until the first preset button is pressed
    // The recorder's events, options and file name (frmMain_Recorder.cpp).
    void tmrPlaybackRead_Timer();
    void tmrRecorderWrite_Timer();
    void WavFile_PlayEnd();
    void WavFile_SamplesPlayed(int32_t CurrentTrack, int32_t NumSamples);
    void optRecordSampleRate_Click(int Index);
    void optRecordSamplePerBit_Click(int Index);
    void txtRecordFileName_LostFocus();
    QTimer tmrPlaybackRead;    // one shot: the recorder's disk read, outside the block loop
    QTimer tmrRecorderWrite;   // one shot: the recorder's disk write, outside the block loop

    // The transport bar (frmMain_TransportBar.cpp) and the track list (frmMain_TrackList.cpp).
    void cmdWavCtls_Click(int Index);
    void lstRecordingLogs_Click();
    void WavFile_CatalogueLoaded(int32_t NumberOfTracks);
    void WavFile_DiskRead(int32_t RecordingOffsetInBytes);
    // The bar's buttons as ten digits, 1 enabled and 0 disabled, in index order.
    QString TransportPattern() const;
    bool InDiskReadSelect = false;   // the list's selection follows the played position

    std::unique_ptr<QELVODX8> SoundCard;
    std::unique_ptr<clsWavFile> WavFile;

    QTimer tmrVFOUpdate;
    QTimer tmrShaft;

    // The spectrum analyser and oscilloscope, fed by the receive chain; it draws into the
    // display's two picture boxes once they are given to it (picDisplay0, picDisplay1).
    std::unique_ptr<clsSpectrumAnalyser> SpectrumAnalyser;
    frmUpDateScopeDisplay ScopeDisplay;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ConnectHub();
    void CreateControls();
    void ApplyDesignColours();
    void CreateFrequencyControls(QWidget* form);
    void CreatePresetControls(Frame* frame);
    void CreateMeterAndPower(QWidget* form);
    void CreateReceiveControls(QWidget* form);
    void CreateFilterControls(QWidget* form);
    void CreateLevelControls(QWidget* form);
    void CreateScopeControls(QWidget* form);
    void CreateChannelControls(QWidget* panel);
    void CreateRecorderBar(QWidget* form);
    void CreateMarkerLines(QWidget* form);
    void CreateTrackPanel();
    void ConnectFrameFocus();
    void ConnectScrollLabels();
    void ConnectHover();
    void ConnectRIT();
    void ReleaseScrollLabels();
    void ConnectDisplaySize();
    void InitialiseDialTuner();
    void ConnectTuning();
    void ConnectFrequencyDisplay();
    void CreateVFOControlMenu();
    void FillTuningStepList();
    void ShowTuningStepList(int left, int top);
    void PlaceTuneStepMarker(int digit);
    void MoveDialFromCode(int32_t value);
    void ReleaseTuning();
    void SetClientHeight(int twips);
    void CreateSoundCard();
    void CreateWavFile();
    void MeasureTitleBar();
    // The start-up's stages (frmMain_StartUp.cpp), in their order.
    void ConnectHandlers();
    void CreateFrontPanelObjects();
    void InitialiseFrontPanel();
    void ConfigureReceiver();
    void SelectBandAndStart();
    void InitialiseSpectrumAnalyser();
    void SelectCrystalImage();
    void SaveCrystalImage() const;
    int32_t StoredForShown(int32_t shown) const;
    void ShowCaptionBar(bool shown);
    void LoadSoundCardEvents();
    void InitialiseInterfaceObjects();
    void RestoreInterfaceSettings();   // frmMain_Settings.cpp: the model and the shaft encoder
    void ShowOscillatorLabels();
    void FillDefaultTables();
    void FillNoiseAndVolumeLabels();   // frmMain_ScrollLabels.cpp
    void FillNotchAndAGCLabels();
    void FillScopeLabels();
    static float OutputVolumeValue();
    void ShowInjectionSide();          // frmMain_Switches.cpp
    void ShowRestoredSettings();
    void ShowAnalyserMode();
    void SetAnalyserOffset();
    void ShowModelInCaption();
    void ConfigureSoundCard();
    void ConnectReceiveChain();
    void CreateSpectrumAnalyser();
    void StartTimers();
    void InitialiseReceiveControls();   // frmMain_Switches.cpp
    void ConnectSwitches();
    void ConnectSliders();
    static void SetCheckAndRun(QCheckBox* box, bool ticked, const std::function<void()>& handler);
    void LeaveDRM();
    void EnterDRM();
    void ShowIFEdgeLabels(bool shown);
    void ApplyNotchMode();
    void ShowManualNotchControls(bool shown);
    void TakeAFNotchRange();
    void ColourEdgeLabels(int Index, uint32_t colour);
    bool EdgeSliderLostFocus(QObject* watched, QEvent* event);
    void ConnectBandPlanControls();   // frmMain_BandPlans.cpp
    bool BandPlanControlEvent(QObject* watched, QEvent* event);
    void ShowBand(int Index);
    void FillSubBandControls(const BandRecord& band);
    void LayOutBandButtons();
    void ShowPresetCaptions(SubBandRecord& subBand, bool releaseUnused);
    void ClearPresetButtons();
    void SelectPresetButton(int Index);
    void ShowDescription(QWidget* button, double X, double Y, const std::string& caption, const std::string& text);
    void ApplyStoredAGC(const ModeSettingsRecord& state);
    void ApplyStoredEdges(const ModeSettingsRecord& state);
    void RecallPreset(int Index);
    bool EditPreset(const std::string& title, const std::string& buttonCaption);
    PresetRecord* MenuPreset();
    void TakeEditedPreset(PresetRecord& preset, const std::string& caption);
    void ConnectRecorder();
    void SelectRecorderOptions();

    void PowerOn();
    void PowerOff();

    void SetTransportPattern(const char* pattern);
    bool SomethingToPlay() const;
    void RunTransportAction(int Index);
    void RecordAction();
    void PlayAction();
    void PauseAction();
    void StopAction();
    void StepTrackAction(int step);
    void LoopAction();
    void OpenAction();
    void SaveAction();
    void CloseAction();
    void SetRecordingOptionsColour(uint32_t colour);
    void SelectRateOptionFor(int32_t samplesPerSecond);
    void ShowTrackPanel();
    void SelectTrackLine(int line);
    int32_t TrackOfLine(int line) const;
    bool BlockLoopBusy() const { return Loop->Busy(); }

    ScrollLabelBinding scrollLabelBinding_;
    std::unique_ptr<SoundBackend> soundBackend_;
    std::unique_ptr<frmDX8Events> dx8Events_;

    bool unloaded_ = false;
    bool modeBusy_ = false;
    bool scopeModeBusy_ = false;
    bool trigOnBusy_ = false;
    bool ifFilterBusy_ = false;
    bool notchBusy_ = false;
    bool notchAutoBusy_ = false;
    bool notchTypeBusy_ = false;
    bool ifFilterCheckBusy_ = false;
    bool agcBusy_ = false;
    bool dialNBBusy_ = false;
    bool dialOutVolBusy_ = false;
    bool agcAttackBusy_ = false;
    bool agcDecayBusy_ = false;
    bool edgeBusy_ = false;
    bool nbSliderBusy_ = false;
    bool notchWidthBusy_ = false;
    bool volumeBusy_ = false;
    bool showFilterEdgesBusy_ = false;
    bool selectBandBusy_ = false;
    bool subBandBusy_ = false;
    bool applyPresetBusy_ = false;
    bool applyPresetGuardedBusy_ = false;
    bool presetButtonBusy_ = false;
    bool presetMenuBusy_ = false;
    bool subBandTimerBusy_ = false;
    bool closeAfterBandLoad_ = false;   // the window was closed while a band was selected
    int32_t agcModeBeforeRecall_ = 0;   // the AGC speed in force before a state's own took over
    std::set<std::string> heldValuesTraced_;   // stored values held to a label's limits, told once each
    bool transportBusy_ = false;
    bool playbackReadBusy_ = false;
    bool recorderWriteBusy_ = false;
    bool sampleRateOptionBusy_ = false;
    bool bitsOptionBusy_ = false;
    int rememberedSampleRateOption_ = 0;   // the last choices the recorder accepted
    int rememberedBitsOption_ = 0;
};
