#pragma once

#include "ui/main/AnalyserPanel.h"
#include "ui/main/AudioOutPanel.h"
#include "ui/main/BandPlanPanel.h"
#include "ui/main/BlockLoop.h"
#include "ui/main/DeferredBlockWork.h"
#include "ui/main/DisplaySizePanel.h"
#include "ui/main/FrequencyPanel.h"
#include "ui/main/FrontPanel.h"
#include "ui/main/PanelHub.h"
#include "ui/main/PowerPanel.h"
#include "ui/main/ReceivePanel.h"
#include "ui/main/RecorderPanel.h"
#include "ui/main/SMeterPanel.h"
#include "ui/main/StatisticsPanel.h"
#include "ui/main/ValueLabels.h"
#include "ui/scope/clsSpectrumAnalyser.h"
#include "ui/scope/frmUpDateScopeDisplay.h"

#include <QMainWindow>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

class QELVODX8;
class SoundBackend;
class frmDX8Events;

// The receiver's front panel. Closing it unloads it (the window is deleted), which the
// start-up supervisor's watchdog takes as the end of the program. It composes the panels
// (ui/main/<Name>Panel.h, each building its controls and owning their handlers), answers the
// requests they make through the hub, runs the start-up in its fixed order (frmMain_StartUp.cpp)
// and hands the sound card's blocks to the block loop.
class frmMain : public QMainWindow, public FrontPanel
{
    Q_OBJECT
public:
    // Makes the sound system the sound-card engine runs on; tests replace it.
    static std::function<std::unique_ptr<SoundBackend>()> CreateSoundBackend;
    // Opens the configuration window (the Config button); installed by the start-up, since
    // that window lies above this one. Unset, the button does nothing.
    static std::function<void(frmMain&)> OpenConfiguration;

    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;
    // Window life (frmMain.cpp).
    bool FormLoading = false;   // Form_Load runs
    bool Receiving = false;     // between power On and power Off
    void Form_Load();
    void Form_Unload();

    // Colour scheme (frmMain_Colours.cpp): the scheme on every control; ApplyColourScheme
    // also sets the window's back colour first and clears every highlight after.
    void ReColour();
    void ApplyColourScheme();

    // The frames' focus, and the pointer over the bare window or the statistics, which clears
    // every highlight (frmMain_Frames.cpp).
    void Form_MouseMove(int Button, int Shift, double X, double Y);
    void picCalib_MouseMove(int Button, int Shift, double X, double Y);
    void UnFocusFrames();
    void FocusFrame(Frame* frame);
    void DarkenControls();
    void Form_MouseUp(int Button, int Shift, double X, double Y);

    // The window's size as the display sizes choose it (frmMain_DisplaySize.cpp). The clicks
    // that lead to the configuration window from the size in force, or from the size given.
    static std::string ConfigurationPath();
    static std::string ConfigurationPath(int32_t displayMode);
    void Form_Resize();
    int32_t DisplayHeight = 0;   // twips of client area the chosen size keeps; 0 none
    int32_t DisplayWidth = 0;

    // The sound card's events, handed to the block loop and the deferred block work (frmMain.cpp).
    void SoundCard_DataReady(std::span<int16_t> L, std::span<int16_t> R, int32_t n);
    void SoundCard_DataOut(std::span<int16_t> Buffer, int32_t Offset, int32_t NoSamples);

    // What the panels share; the panels, from the top of the window down; the block loop and
    // the work it leaves for later, which have no controls.
    PanelHub Hub;
    std::unique_ptr<ValueLabels> Labels;   // the value labels' records, focus and keys
    std::unique_ptr<FrequencyPanel> Frequency;
    std::unique_ptr<SMeterPanel> SMeter;
    std::unique_ptr<StatisticsPanel> Statistics;
    std::unique_ptr<ReceivePanel> Receive;
    std::unique_ptr<AudioOutPanel> AudioOut;
    std::unique_ptr<AnalyserPanel> Analyser;
    std::unique_ptr<RecorderPanel> Recorder;
    std::unique_ptr<BandPlanPanel> BandPlan;
    std::unique_ptr<PowerPanel> Power;
    std::unique_ptr<DisplaySizePanel> DisplaySize;
    std::unique_ptr<BlockLoop> Loop;
    std::unique_ptr<DeferredBlockWork> Deferred;

    std::unique_ptr<QELVODX8> SoundCard;
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
    void ComposePanels(QWidget* form);
    void CreateMarkerLines(QWidget* form);
    void SetClientHeight(int twips);
    static void WithPathFromStoredSize(const std::function<void()>& step);
    void CreateSoundCard();
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
    void ShowOscillatorLabels();
    void ShowRestoredSettings();
    void SetAnalyserOffset();
    void ShowModelInCaption();
    void ConfigureSoundCard();
    void ConnectReceiveChain();
    void CreateSpectrumAnalyser();
    void StartTimers();
    void ConnectBandPlanRequests();   // frmMain_StoredStates.cpp

    void PowerOn();
    void PowerOff();

    std::unique_ptr<SoundBackend> soundBackend_;
    std::unique_ptr<frmDX8Events> dx8Events_;
    bool unloaded_ = false;
    // The label text colour the last ReColour gave (none before the first).
    std::optional<uint32_t> labelColourGiven_;
};
