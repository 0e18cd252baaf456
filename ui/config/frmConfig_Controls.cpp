// The configuration window's controls, one tab at a time. Inside a tab the controls sit in
// a grid of caption and control, so that any font fits; the window's own layout (tab strip,
// frames and buttons) follows the rules of LayOutWindow.
#include "ui/config/frmConfig.h"

#include "ui/config/ColourSchemeEditor.h"
#include "ui/config/ConfigControls.h"
#include "ui/main/frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>

namespace {

using ConfigControls::Button;
using ConfigControls::Check;
using ConfigControls::Named;

QLineEdit* Text(QWidget* parent, const char* name, const char* tip)
{
    return Named(new QLineEdit(parent), name, tip);
}

QComboBox* Combo(QWidget* parent, const char* name, const char* tip)
{
    auto* combo = Named(new QComboBox(parent), name, tip);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return combo;
}

// A caption in the first column and the control beside it.
void Row(QGridLayout* grid, int row, const char* caption, QWidget* control, const char* tip = "")
{
    auto* label = new QLabel(caption, grid->parentWidget());
    if (*tip)
        label->setToolTip(tip);
    grid->addWidget(label, row, 0);
    grid->addWidget(control, row, 1);
}

// An option group's captions and tooltips, its buttons put in a row or column.
void CaptionOptions(const ButtonArray& options, std::initializer_list<std::pair<const char*, const char*>> texts,
                    QBoxLayout* layout)
{
    int i = options.LBound();
    for (const auto& [caption, tip] : texts) {
        options[i]->setText(caption);
        options[i]->setToolTip(tip);
        layout->addWidget(options[i++]);
    }
}

void FinishGrid(QGridLayout* grid, int rows)
{
    grid->setRowStretch(rows, 1);
    grid->setColumnStretch(2, 1);
}

struct TabText
{
    const char* caption;
    const char* tip;
};

constexpr std::array<TabText, 10> Tabs{{
    {"General", "Configure the SDR"},
    {"Soundcard", "Configure Soundcard Items"},
    {"VFO", "Configure VFO Items"},
    {"DDS", "Configure DDS Items"},
    {"Serial I/F", "Configure Serial Interface items"},
    {"Parallel I/F", "Configure Parallel I/F Items"},
    {"DREAM", "Configure Parameters for DREAM.EXE - DRM Decoder"},
    {"Spectrum Display", "Configure Spectrum Display"},
    {"Controls", "Configure Colour Themes of ZOZEVERE Display"},
    {"About", "About the ZOZEVERE"},
}};

} // namespace

void frmConfig::CreateControls()
{
    TabStrip1 = Named(new QTabBar(this), "TabStrip1");
    TabStrip1->setExpanding(false);
    for (size_t i = 0; i < Tabs.size(); ++i) {
        TabStrip1->addTab(Tabs[i].caption);
        TabStrip1->setTabToolTip(static_cast<int>(i), Tabs[i].tip);
        auto* frame = new QFrame(this);
        frame->setObjectName(QString("frConfigs_%1").arg(i));
        frame->setFrameShape(QFrame::StyledPanel);
        frame->setAutoFillBackground(true);
        frConfigs[i] = frame;
    }
    const auto grid = [this](size_t i) { return new QGridLayout(frConfigs[i]); };
    CreateGeneralTab(grid(0));
    CreateSoundcardTab(grid(1));
    CreateVFOTab(grid(2));
    CreateDDSTab(grid(3));
    CreateSerialTab(grid(4));
    CreateParallelTab(grid(5));
    CreateDreamTab(grid(6));
    CreateSpectrumTab(grid(7));
    CreateControlsTab(grid(8));
    CreateAboutTab(grid(9));
    cmdOK = Button(this, "cmdOK", "&OK");
    cmdApply = Button(this, "cmdApply", "&Apply");
    cmdCancel = Button(this, "cmdCancel", "&Cancel");
    ConnectHandlers();
}

void frmConfig::CreateGeneralTab(QGridLayout* grid)
{
    QWidget* f = grid->parentWidget();
    cboSDRModel = Combo(f, "cboSDRModel", "Select SDR Model");
    Row(grid, 0, "SDRModel", cboSDRModel);
    int row = 1;
    for (QCheckBox* box :
         {chkAutoStartSDR = Check(f, "chkAutoStartSDR", "Power On SDR on Start-Up"),
          chkEnableEncoder = Check(f, "chkEnableEncoder", "Enable Shaft Encoder", "Enable Shaft Encoder Support"),
          chkShaftAutoRate = Check(f, "chkShaftAutoRate", "Shaft Encoder Auto Rate"),
          chkAutoTrackPresets = Check(f, "chkAutoTrackPresets", "Auto-Track Presets",
                                      "Automatically Update Presets with SDR Settings (exc. Frequency)"),
          chkKBDSupport = Check(f, "chkKBDSupport", "Keyboard Support", "Use Keyboard to Adjust Scrollable Labels ?"),
          chkScrollWheelEnableOverScope =
              Check(f, "chkScrollWheelEnableOverScope", "ScrollWheel Tune over 'scope?",
                    "Click to enable Tuning by ScrollWheel over the Spectrum Display"),
          chkUseSPL = Check(f, "chkUseSPL", "Use Intel SPL ?", "Click to use Intel SPL"),
          FormCaptionOffOnPwrOn = Check(f, "FormCaptionOffOnPwrOn", "Title Bar Off", "Turn off Title Bar of Application"),
          chkShowClock = Check(f, "chkShowClock", "Show Clock ?", "Show UTC Clock")})
        grid->addWidget(box, row++, 0, 1, 3);
    txtSaveRecordingsPath = Text(f, "txtSaveRecordingsPath", "");
    cmdSavePath = Button(f, "cmdSavePath", "Set Save Recordings Path");
    grid->addWidget(cmdSavePath, row, 0);
    grid->addWidget(txtSaveRecordingsPath, row, 1, 1, 2);
    FinishGrid(grid, row + 1);
}

void frmConfig::CreateSoundcardTab(QGridLayout* grid)
{
    QWidget* f = grid->parentWidget();
    cboCapDevices = Combo(f, "cboCapDevices", "Select Audio Input Device");
    cboPlayDevices = Combo(f, "cboPlayDevices", "Select AF Output Device");
    chkADCDelayBitCorrection = Check(f, "chkADCDelayBitCorrection", "1 Bit Correction for ADC");
    Row(grid, 0, "IF IN Device", cboCapDevices);
    Row(grid, 1, "AF OUT Device", cboPlayDevices);
    grid->addWidget(chkADCDelayBitCorrection, 2, 0, 1, 3);
    FinishGrid(grid, 3);
}

void frmConfig::CreateVFOTab(QGridLayout* grid)
{
    QWidget* f = grid->parentWidget();
    txtIFFrequency = Text(f, "txtIFFrequency", "IF Frequency in Hz");
    chkLoLO = Check(f, "chkLoLO", "Lo Side LO ?", "Check if DDS tunes LOW side of tuned frequency");
    cboVFOMult = Combo(f, "cboVFOMult", "LO Output = Tuned Frequency X LO Divider");
    cboPLLMultiplier = Combo(f, "cboPLLMultiplier", "External Multiplier, eg PLL or Harmonic filter, normally set to 1");
    txtXtalFrequency = Text(f, "txtXtalFrequency", "Crystal Frequency in Hz - only use in IQXTAL RX model");
    Row(grid, 0, "IF Offset (Hz)", txtIFFrequency);
    grid->addWidget(chkLoLO, 1, 1);
    Row(grid, 2, "LO Divider", cboVFOMult, "LO Output = Tuned Frequency X LO Divider");
    Row(grid, 3, "PLL Multiplier", cboPLLMultiplier, "LO output = Tuned Frequency / PLL Multiplier");
    Row(grid, 4, "XTAL Frequ (Hz)", txtXtalFrequency);
    auto* note = new QLabel("Local Oscillator Output Frequency = (Desired Tuned Frequency + IF Offset) * "
                            "( LO Divider / PLL Multiplier)", f);
    note->setWordWrap(true);
    grid->addWidget(note, 5, 0, 1, 3);
    FinishGrid(grid, 6);
}

void frmConfig::CreateDDSTab(QGridLayout* grid)
{
    QWidget* f = grid->parentWidget();
    auto* options = new QWidget(f);
    auto* optionRow = new QHBoxLayout(options);
    optionRow->setContentsMargins(0, 0, 0, 0);
    optIF = ButtonArray(options, "optIF", ButtonArray::Kind::Option, 4);
    CaptionOptions(optIF,
                   {{"Ser", "Serial Port DDS Control"},
                    {"Par", "Parallel Port DDS Control"},
                    {"USB", "Reserved for future"},
                    {"Null", "Null Port - used in IQXTAL RX Model"}},
                   optionRow);
    txtDDSClkin = Text(f, "txtDDSClkin", "DDS CLKIN Frequency");
    chkAutoDDSRefresh = Check(f, "chkAutoDDSRefresh", "", "Periodic Refresh DDS Settings");
    cmdCalDDS = Button(f, "cmdCalDDS", "Calibrate", "Calibrate DDS CLKIN");
    Row(grid, 0, "DDS I/F Control", options);
    Row(grid, 1, "DDS Clock (Hz)", txtDDSClkin);
    grid->addWidget(cmdCalDDS, 1, 2, Qt::AlignLeft);
    Row(grid, 2, "DDS Auto Refresh", chkAutoDDSRefresh);
    FinishGrid(grid, 3);
}

void frmConfig::CreateSerialTab(QGridLayout* grid)
{
    QWidget* f = grid->parentWidget();
    cboComPort = Combo(f, "cboComPort", "Select Serial Com Port");
    txtBitPeriod = Text(f, "txtBitPeriod", "Clocking Period in seconds");
    cmdBitPeriodDefault = Button(f, "cmdBitPeriodDefault", "Default");
    Row(grid, 0, "COM Port", cboComPort);
    Row(grid, 1, "Bit Period        sec", txtBitPeriod);
    grid->addWidget(cmdBitPeriodDefault, 1, 2, Qt::AlignLeft);
    FinishGrid(grid, 2);
}

void frmConfig::CreateParallelTab(QGridLayout* grid)
{
    QWidget* f = grid->parentWidget();
    txtPortAddress = Text(f, "txtPortAddress", "Parallel Port Address");
    txtParallelPortBitPeriod = Text(f, "txtParallelPortBitPeriod", "Clocking Period in seconds");
    cboIOUPDBitNo = Combo(f, "cboIOUPDBitNo", "");
    cboSCLCKBitNo = Combo(f, "cboSCLCKBitNo", "");
    cboSDATABitNo = Combo(f, "cboSDATABitNo", "");
    chkInvertingIF = Check(f, "chkInvertingIF", "Inverting I/F");
    cmdParallelPortDefaults = Button(f, "cmdParallelPortDefaults", "Defaults");
    Row(grid, 0, "Port Address    Hex", txtPortAddress);
    Row(grid, 1, "Bit Period           sec", txtParallelPortBitPeriod);
    Row(grid, 2, "IOUPD Bit Number", cboIOUPDBitNo);
    Row(grid, 3, "SCLCK Bit Number", cboSCLCKBitNo);
    Row(grid, 4, "SDIO Bit Number", cboSDATABitNo);
    grid->addWidget(chkInvertingIF, 5, 1);
    grid->addWidget(cmdParallelPortDefaults, 6, 1, Qt::AlignLeft);
    auto* wiring = Named(new QPlainTextEdit(f), "Text1", "Parallel Port to RX Wiring");
    wiring->setReadOnly(true);
    wiring->setPlainText("PC(DB25)          RX(DB9) RAV1\n--------          -------\nD0(2) SDIO  --->  (7) \n"
                         "D1(3) SCLK  --->  (3)\nD2(4) IOUPD --->  (4)\n0V(18)Gnd   <-->  (5) Gnd");
    wiring->setFont(QFont("Monospace"));
    wiring->setLineWrapMode(QPlainTextEdit::NoWrap);
    grid->addWidget(wiring, 0, 2, 7, 1);
    FinishGrid(grid, 7);
}

void frmConfig::CreateDreamTab(QGridLayout* grid)
{
    QWidget* f = grid->parentWidget();
    int row = 0;
    for (QCheckBox* box : {chkDreamRunOnDRM = Check(f, "chkDreamRunOnDRM", "Run DREAM.EXE on DRM"),
                           chkDreamCloseOnModeChange = Check(f, "chkDreamCloseOnModeChange", "Close Dream on Mode Change"),
                           chkDreamCloseOnExit = Check(f, "chkDreamCloseOnExit", "Close Dream On SDR Exit"),
                           chkCloseSoundCardOnDRM = Check(f, "chkCloseSoundCardOnDRM", "Close Soundcard on DRM Mode"),
                           chkMuteAFOnDRM = Check(f, "chkMuteAFOnDRM", "Mute SDR AF on DRM Mode Selected")})
        grid->addWidget(box, row++, 0, 1, 2);
    auto* window = Named(new QGroupBox("Dream Window", f), "frDreamWindowMode", "Set DREAM.EXE Window Style");
    auto* windowColumn = new QVBoxLayout(window);
    optDreamWindow = ButtonArray(window, "optDreamWindow", ButtonArray::Kind::Option, 3);
    CaptionOptions(optDreamWindow,
                   {{"Default", "Run DREAM with Window showing"},
                    {"Min", "Run DREAM minimised"},
                    {"Hide", "Run DREAM hidden"}},
                   windowColumn);
    grid->addWidget(window, 0, 2, row, 1, Qt::AlignTop);
    txtPathToDream = Text(f, "txtPathToDream", "Full Pathname of DREAM.EXE");
    cmdFindDREAM = Button(f, "cmdFindDREAM", "&Browse", "Locate DREAM.EXE");
    Row(grid, row, "DREAM Program", txtPathToDream, "Location of DREAM");
    grid->addWidget(cmdFindDREAM, row++, 2, Qt::AlignLeft);
    txtDreamProgArgs = Text(f, "txtDreamProgArgs", "DREAM.EXE Arguments");
    Row(grid, row++, "DREAM Prog Args", txtDreamProgArgs, "CLI Arguments");
    lblSDRDreamArgs = Named(new QLabel("-M 0 -I 0 -O 0", f), "lblSDRDreamArgs");
    grid->addWidget(lblSDRDreamArgs, row++, 1);
    cmdDreamDefault = Button(f, "cmdDreamDefault", "Defaults", "Set to Default Values");
    grid->addWidget(cmdDreamDefault, row++, 1, Qt::AlignLeft);
    grid->setColumnMinimumWidth(1, 260);
    FinishGrid(grid, row);
}

void frmConfig::CreateSpectrumTab(QGridLayout* grid)
{
    QWidget* f = grid->parentWidget();
    txtSpectrumDisplaySmoothingCount =
        Text(f, "txtSpectrumDisplaySmoothingCount", "Number of Sampling Cycles to average display over");
    chkSpectrumDisplayHideToolTip = Check(f, "chkSpectrumDisplayHideToolTip", "", "Hide the Frequency tooltip");
    Row(grid, 0, "Default Smooth Count", txtSpectrumDisplaySmoothingCount);
    Row(grid, 1, "Hide Freq ToolTip", chkSpectrumDisplayHideToolTip);
    Colours = new ColourSchemeEditor(this, main_.SpectrumAnalyser, [this] { main_.ApplyColourScheme(); },
                                     chkShowClock);
    Colours->CreateControlColourFrame(grid, 2);
    FinishGrid(grid, 4);
}

void frmConfig::CreateControlsTab(QGridLayout* grid) { Colours->CreateColoursTab(grid); }

void frmConfig::CreateAboutTab(QGridLayout* grid)
{
    lblAbout = Named(new QLabel(grid->parentWidget()), "lblAbout");
    lblAbout->setWordWrap(true);
    lblAbout->setAlignment(Qt::AlignCenter);
    lblAbout->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(lblAbout, 0, 0);
}

// The tab strip across the top with the frames under it, all of one size (the largest
// tab's), and the three buttons centred at a quarter, half and three quarters of the width
// in the band under the frames.
void frmConfig::LayOutWindow()
{
    QSize frameSize(560, 300);
    for (QFrame* frame : frConfigs)
        frameSize = frameSize.expandedTo(frame->sizeHint());
    const int margin = 8;
    const int tabHeight = TabStrip1->sizeHint().height();
    frameSize.setWidth(std::max(frameSize.width(), TabStrip1->sizeHint().width()));
    TabStrip1->setGeometry(margin, margin, frameSize.width(), tabHeight);
    for (QFrame* frame : frConfigs)
        frame->setGeometry(margin, margin + tabHeight, frameSize.width(), frameSize.height());
    frConfigs[0]->raise();
    const QSize button = cmdApply->sizeHint().expandedTo(QSize(90, 0));
    setFixedSize(3 * margin + frameSize.width(), tabHeight + margin + frameSize.height() + 3 * button.height());
    const int top = height() - button.height() * 3 / 2;
    const int free = width() - button.width();
    cmdApply->setGeometry(free / 2, top, button.width(), button.height());
    cmdOK->setGeometry(free / 4, top, button.width(), button.height());
    cmdCancel->setGeometry(free / 4 * 3, top, button.width(), button.height());
}
