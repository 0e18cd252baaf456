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
class ColourSchemeEditor;
class QELVODX8;
class clsDDSSerialIF;
class frmMain;

// True while the configuration window is open; the main window's Config button does
// nothing meanwhile.
inline bool ConfigFormOpen = false;

// The configuration window: ten tabs on which the user edits the receiver model, the
// oscillator and its interface, the sound devices, the DRM decoder's options, the display
// and the colours (edited by a ColourSchemeEditor of its own). Nothing reaches the running
// receiver until Apply (or OK); the window writes no settings itself (the main window and
// the hardware objects save theirs).
//
// It belongs to the main window: loaded at its first showing, then only hidden by OK and
// Cancel and shown again as it was left, but for the sound device lists, which are read
// afresh at every showing (a device plugged in meanwhile is offered); the close box
// unloads it (deletes it), so the next showing loads it afresh. Member functions live in
// frmConfig_<area>.cpp.
class frmConfig : public QDialog
{
    Q_OBJECT
public:
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

    // The colour swatches, their defaults, preview and theme files.
    ColourSchemeEditor* Colours = nullptr;

    QELVODX8* SoundCard = nullptr;
    int32_t InitialCaptureDevice = 0;
    int32_t InitialPlaybackDevice = 0;
    // The names of those devices: a device is changed only when another name is picked.
    std::string InitialCaptureDeviceName;
    std::string InitialPlaybackDeviceName;
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
    // About
    QLabel* lblAbout = nullptr;

protected:
    // Escape is Cancel.
    void reject() override { cmdCancel_Click(); }
    void closeEvent(QCloseEvent* event) override;

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
    void ConnectHandlers();
    void LayOutWindow();

    void LoadSoundDevices();
    void LoadHardwareControls();
    void LoadSerialDevices();
    void LoadOptionControls();
    void ShowModelSettings(int32_t modelNo);
    void ShowOscillatorSettings(int32_t modelNo);

    static void SaveHardwareSettings();
    bool ApplyModelAndOscillator();
    void ApplySoundDevices();
    void ApplyInterfaceType();
    // The port chosen in the Serial I/F or Parallel I/F tab into that transport.
    void TakePortChoice(int32_t interfaceType);
    void TakePrinterPortChoice();
    struct SerialPortChoice
    {
        int32_t port = 1;
        std::string device;   // empty: the device of the port number
        bool HeldBy(const clsDDSSerialIF& serial) const;
    };
    SerialPortChoice ChosenSerialPort() const;
    static void TakeSerialPort(const SerialPortChoice& choice);
    void ApplyTransports();
    void ApplyOptions();
    void ApplyDisplay();
    void ApplyGeneral();
    void RedrawMainWindow();
    bool RefuseApply(const std::string& prompt) const;

    frmMain& main_;
    bool Loading = false;
    uint8_t SelIOUPDBitNo = 0;
    uint8_t SelSDATABitNo = 0;
    uint8_t SelSCLCKBitNo = 0;
};
