#pragma once

#include "core/Profiler.h"
#include "ui/scope/clsSpectrumAnalyser.h"
#include "ui/scope/frmUpDateScopeDisplay.h"

#include <QMainWindow>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

class QELVODX8;
class QLabel;
class QRadioButton;
class SoundBackend;
class clsWavFile;
class frmDX8Events;

// The block-timing profiler, created by the start-up with the shaft encoder's.
inline std::unique_ptr<Profiler> DSPProfiler;

// Main-window values of the receive path.
inline bool MuteAFOnDRM = false;   // mute the sound card while the DRM decoder takes the audio
inline bool NotchMirror = false;   // the notch passes its band instead of rejecting it
inline int32_t NotchLo = 0;        // notch edges, Hz
inline int32_t NotchHi = 0;
inline int16_t PrevRSample = 0;    // last sample of the previous block's second channel

// The receiver's front panel. Closing it unloads it (the window is deleted), which the
// start-up supervisor's watchdog takes as the end of the program.
//
// The sound card's capture notifications run the receive block loop (DataReady); its
// playback notifications arm the one-shot timers of the display and of the deferred block
// work (DataOut). Member functions live in frmMain_<area>.cpp by area.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    // Makes the sound system the sound-card engine runs on; tests replace it.
    static std::function<std::unique_ptr<SoundBackend>()> CreateSoundBackend;

    static constexpr int32_t MutedAttenuation = -40000;   // hundredths of a decibel
    static constexpr int32_t StatsRingLength = 47;        // two seconds of blocks
    static constexpr float LoadYieldThreshold = 0.9f;     // share of the block period

    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Window life (frmMain.cpp).
    void Form_Load();
    void Form_Unload();
    void RestoreSettings();
    void SaveSettings();

    // Power (frmMain_Power.cpp): 0 On, 1 Off, 2 Close.
    std::array<QRadioButton*, 3> optPwr{};
    void optPwr_Click(int Index);

    // The block loop (frmMain_BlockLoop.cpp).
    void SoundCard_DataReady(std::span<int16_t> L, std::span<int16_t> R, int32_t n);
    void SoundCard_DataOut(std::span<int16_t> Buffer, int32_t Offset, int32_t NoSamples);
    int32_t DroppedBlocks = 0;   // captured blocks that found the loop busy

    // Deferred block work (frmMain_PerfStats.cpp).
    void tmrPerfStats_Timer();
    void UpdateSMeterBar(float level);
    float NoiseFloor = 10.0f;            // the S-meter's zero point, RMS in sample units
    bool SMeterZeroRequested = false;
    int32_t PeakCentre = 0;              // Hz: the received signal's estimated centre
    int32_t DynLastCentre = 0;           // Hz: where the dynamic filter was last moved to

    std::unique_ptr<QELVODX8> SoundCard;
    std::unique_ptr<clsWavFile> WavFile;

    QTimer tmrPerfStats;
    QTimer tmrScopeDisplay;
    QTimer tmrVFOUpdate;
    QTimer tmrShaft;
    // The analyser's paced redraw, run by tmrScopeDisplay.
    std::function<void()> UpdateScopeDisplay;

    // The spectrum analyser and oscilloscope, fed by the receive chain; it draws into the
    // display's two picture boxes once they are given to it (picDisplay0, picDisplay1).
    std::unique_ptr<clsSpectrumAnalyser> SpectrumAnalyser;
    frmUpDateScopeDisplay ScopeDisplay;

    // Plain value labels until the front panel's S-meter and statistics exist.
    QLabel* lblSMeter = nullptr;              // its tool tip carries the meter backoff
    std::array<QLabel*, 6> lblStatsVal{};     // Peak In, Peak Out, AGC Gain, LO, DSP Window % and uS
    QLabel* lblNotch = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void CreateSoundCard();
    void ConfigureSoundCard();
    void ConnectReceiveChain();
    void InitialiseReceiveState();
    void CreateSpectrumAnalyser();
    void StartTimers();

    void PowerOn();
    void PowerOff();

    void ProcessBlock(std::span<int16_t> L, std::span<int16_t> R);
    void ProcessBlockIQ(std::span<int16_t> L, std::span<int16_t> R);
    bool TakeBlock(bool& busy, std::span<int16_t> L, std::span<int16_t> R, const char* routine);
    void ReplayInput(std::span<int16_t> L);
    void ReplayChain(std::span<int16_t> L);
    void DelaySecondChannel(std::span<int16_t> R);
    void FeedIFIn(std::span<const int16_t> L, std::span<const int16_t> R, int32_t RIT, bool Reverse);
    void FeedAFOut(std::span<const int16_t> Y1, std::span<const int16_t> Y2);
    void MuteAndOutput(std::span<int16_t> L);
    void FinishBlockTiming();
    void tmrScopeDisplay_Timer();

    void ShowSMeter();
    void ShowStatistics();
    void ServePendingRedesign();
    void EstimateSignalCentre();
    void TrackDynamicFilter();
    void TrackAutomaticNotch();
    void RedesignNotch();
    void ShowOscillator();
    void KeepInjectionConsistent();

    std::unique_ptr<SoundBackend> soundBackend_;
    std::unique_ptr<frmDX8Events> dx8Events_;

    bool processBlockBusy_ = false;
    bool processBlockIQBusy_ = false;
    bool perfStatsBusy_ = false;
    bool sMeterBarBusy_ = false;
    bool unloaded_ = false;
    std::array<int16_t, 2048> phaseScratch_{};
    std::array<float, 2048> feedY1_{};   // 16-bit blocks converted for the analyser
    std::array<float, 2048> feedY2_{};
};
