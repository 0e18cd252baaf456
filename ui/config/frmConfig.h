#pragma once

#include "ui/common/ButtonArray.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <string>

class QCheckBox;
class QComboBox;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabBar;
class QELVODX8;
class Shape;
class frmMain;

// True while the configuration window is open; the main window's Config button does
// nothing meanwhile.
inline bool ConfigFormOpen = false;

// The configuration window: ten tabs on which the user edits the receiver model, the
// oscillator and its interface, the sound devices, the DRM decoder's options, the display
// and the colours. Nothing reaches the running receiver until Apply (or OK); the window
// writes no settings itself (the main window and the hardware objects save theirs).
//
// It belongs to the main window: loaded at its first showing, then only hidden by OK and
// Cancel and shown again as it was left; the close box unloads it (deletes it), so the
// next showing loads it afresh. Member functions live in frmConfig_<area>.cpp.
class frmConfig : public QDialog
{
    Q_OBJECT
public:
    // The colour swatches, in the order of their table.
    enum Swatch : int {
        SDRBackGround, SDRLabel, SDRTuning, SDRFrameNormal, SDRFrameFocus, NormalScrollLabel, FocusScrollLabel,
        ScopeBack, ScopeGraticule, ScopeXText, ScopeYText, ScopeY1, ScopeY2, ScopeFilterCurve, ScopeNotchFilter,
        ControlNormal, ControlFocused, SwatchCount
    };

    // The main window's Config button: unless the window is open already, hands it the
    // sound-card engine and shows it (loading it first when it is not loaded).
    static void cmdConfig_Click(frmMain& main);
    // The loaded window, nullptr when there is none.
    static frmConfig* Loaded();

    explicit frmConfig(frmMain& main);

    // Loading (frmConfig_Load.cpp).
    void Form_Load();
    void Form_Unload();
    void TabStrip1_Click();
    void cboSDRModel_Click();
    void optIF_Click(int Index);
    void chkEnableEncoder_Click();

    // Applying (frmConfig_Apply.cpp).
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    // Defaults and pickers (frmConfig_Pickers.cpp).
    void cmdBitPeriodDefault_Click();
    void cmdParallelPortDefaults_Click();
    void cmdDreamDefault_Click();
    void cmdFindDREAM_Click();
    void cmdSavePath_Click();
    void cmdCalDDS_Click();

    // Colours (frmConfig_Colours.cpp).
    void PickColour(Shape* swatch);
    void cmdSDRControlDefaults_Click();
    void cmdScopeDefaults_Click();
    void cmdSDRPreviewColours_MouseDown();
    void cmdSDRPreviewColours_MouseUp();
    void cmdSDRColoursLoad_Click();
    void cmdSDRColoursSave_Click();
    Shape* SwatchShape(enum Swatch which) const { return swatches_[which]; }
    int32_t SwatchColour(enum Swatch which) const;
    void SetSwatchColour(enum Swatch which, int32_t colour);

    QELVODX8* SoundCard = nullptr;
    int32_t InitialCaptureDevice = 0;
    int32_t InitialPlaybackDevice = 0;
    int32_t InitialDDSInterfaceType = 0;
    int32_t InitialSDRModelNo = 0;
    int32_t NewSDRModelNo = 0;

    QTabBar* TabStrip1 = nullptr;
    std::array<QFrame*, 10> frConfigs{};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdCancel = nullptr;

    // General
    QComboBox* cboSDRModel = nullptr;
    QCheckBox* chkAutoStartSDR = nullptr;
    QCheckBox* chkEnableEncoder = nullptr;
    QCheckBox* chkShaftAutoRate = nullptr;
    QCheckBox* chkAutoTrackPresets = nullptr;
    QCheckBox* chkKBDSupport = nullptr;
    QCheckBox* chkScrollWheelEnableOverScope = nullptr;
    QCheckBox* chkUseSPL = nullptr;
    QCheckBox* FormCaptionOffOnPwrOn = nullptr;
    QCheckBox* chkShowClock = nullptr;
    QLineEdit* txtSaveRecordingsPath = nullptr;
    QPushButton* cmdSavePath = nullptr;
    // Soundcard
    QComboBox* cboCapDevices = nullptr;
    QComboBox* cboPlayDevices = nullptr;
    QCheckBox* chkADCDelayBitCorrection = nullptr;
    // VFO
    QLineEdit* txtIFFrequency = nullptr;
    QCheckBox* chkLoLO = nullptr;
    QComboBox* cboVFOMult = nullptr;
    QComboBox* cboPLLMultiplier = nullptr;
    QLineEdit* txtXtalFrequency = nullptr;
    // DDS
    ButtonArray optIF;
    QLineEdit* txtDDSClkin = nullptr;
    QCheckBox* chkAutoDDSRefresh = nullptr;
    QPushButton* cmdCalDDS = nullptr;
    // Serial I/F: COM 1 to ComPortNumbers, then the serial devices present
    static constexpr int ComPortNumbers = 16;
    QComboBox* cboComPort = nullptr;
    QLineEdit* txtBitPeriod = nullptr;
    QPushButton* cmdBitPeriodDefault = nullptr;
    // Parallel I/F
    QLineEdit* txtPortAddress = nullptr;
    QLineEdit* txtParallelPortBitPeriod = nullptr;
    QComboBox* cboIOUPDBitNo = nullptr;
    QComboBox* cboSCLCKBitNo = nullptr;
    QComboBox* cboSDATABitNo = nullptr;
    QCheckBox* chkInvertingIF = nullptr;
    QPushButton* cmdParallelPortDefaults = nullptr;
    // DREAM
    QCheckBox* chkDreamRunOnDRM = nullptr;
    QCheckBox* chkDreamCloseOnModeChange = nullptr;
    QCheckBox* chkDreamCloseOnExit = nullptr;
    QCheckBox* chkCloseSoundCardOnDRM = nullptr;
    QCheckBox* chkMuteAFOnDRM = nullptr;
    ButtonArray optDreamWindow;
    QLineEdit* txtPathToDream = nullptr;
    QPushButton* cmdFindDREAM = nullptr;
    QLineEdit* txtDreamProgArgs = nullptr;
    QLabel* lblSDRDreamArgs = nullptr;
    QPushButton* cmdDreamDefault = nullptr;
    // Spectrum Display and Controls
    QLineEdit* txtSpectrumDisplaySmoothingCount = nullptr;
    QCheckBox* chkSpectrumDisplayHideToolTip = nullptr;
    QPushButton* cmdScopeDefaults = nullptr;
    QCheckBox* chkScollLabelHiliteBorder = nullptr;
    QPushButton* cmdSDRColoursLoad = nullptr;
    QPushButton* cmdSDRColoursSave = nullptr;
    QPushButton* cmdSDRPreviewColours = nullptr;
    QPushButton* cmdSDRControlDefaults = nullptr;
    // About
    QLabel* lblAbout = nullptr;

protected:
    // Escape is Cancel.
    void reject() override { cmdCancel_Click(); }
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Building the controls (frmConfig_Controls.cpp).
    void CreateControls();
    void CreateGeneralTab(QGridLayout* grid);
    void CreateSoundcardTab(QGridLayout* grid);
    void CreateVFOTab(QGridLayout* grid);
    void CreateDDSTab(QGridLayout* grid);
    void CreateSerialTab(QGridLayout* grid);
    void CreateParallelTab(QGridLayout* grid);
    void CreateDreamTab(QGridLayout* grid);
    void CreateSpectrumTab(QGridLayout* grid);
    void CreateControlsTab(QGridLayout* grid);
    void CreateAboutTab(QGridLayout* grid);
    void CreateSwatchFrame(QGridLayout* grid, int row, int column, const QString& caption,
                           std::initializer_list<enum Swatch> members);
    void ConnectHandlers();
    void LayOutWindow();

    void LoadSoundDevices();
    void LoadHardwareControls();
    void LoadSerialDevices();
    void LoadOptionControls();
    void LoadColourControls();
    void ShowModelSettings(int32_t modelNo);
    void ShowOscillatorSettings(int32_t modelNo);

    bool ApplyModelAndOscillator();
    void ApplySoundDevices();
    void ApplyInterfaceType();
    void ApplyTransports();
    void ApplyOptions();
    void ApplyDisplay();
    void ApplyColourScheme();
    void RedrawMainWindow();
    bool RefuseApply(const std::string& prompt) const;

    void PutColours(const std::array<int32_t, 16>& colours);
    void PutAnalyserColours(const std::array<int32_t, 16>& colours);
    void ShowLiveColours(const std::array<int32_t, 16>& colours);
    std::array<int32_t, 16> SwatchColours() const;

    frmMain& main_;
    bool Loading = false;
    uint8_t SelIOUPDBitNo = 0;
    uint8_t SelSDATABitNo = 0;
    uint8_t SelSCLCKBitNo = 0;
    std::array<int32_t, 16> SavedColours{};
    std::array<Shape*, SwatchCount> swatches_{};
    std::string themeName_;   // the "Name" of the theme file loaded last
};
