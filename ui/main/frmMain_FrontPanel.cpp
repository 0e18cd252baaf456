#include "ui/main/frmMain.h"

#include "audio/QELVODX8.h"
#include "core/PublicVars.h"
#include "radio/clsDDSSerialIF.h"
#include "ui/common/Frame.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Label.h"
#include "ui/common/Line.h"
#include "ui/common/PictureBox.h"
#include "ui/main/PanelBuilder.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

using namespace PanelBuilder;

namespace {

// The front panel's width; its height is the chosen display size's (the marker lines).
constexpr int FormWidth = 12600;
constexpr int RowA = 1320;       // top of the receive controls' upper row
constexpr int RowB = 2490;       // and of their lower row
constexpr int ScopeTop = 3690;   // the spectrum's band
constexpr int ScopeHeight = 2910;
constexpr int BarTop = 6690;     // the recorder bar

}   // namespace

// The front panel in horizontal bands: frequency display, presets, tuning dial, S-meter and
// power; the receive controls; the spectrum display with its controls and the statistics;
// the recorder bar and the configuration button.
void frmMain::CreateControls()
{
    auto* form = new QWidget(this);
    form->setObjectName("form");
    form->setMouseTracking(true);
    form->installEventFilter(this);
    QFont small = form->font();
    small.setPointSizeF(7.5);
    form->setFont(small);
    setCentralWidget(form);
    ApplyDesignColours();

    ComposePanels(form);
    Recorder->CreateTrackPanel(Frequency->frFreqCtl);
    CreateMarkerLines(form);
    QELVODX8::ConfigurationPath = [] { return ConfigurationPath(); };
    clsDDSSerialIF::ConfigurationPath = [] { return ConfigurationPath(); };
    UnFocusFrames();
    SMeter->DrawSMeter();
    resize(FormUnits::TwipsToPixels(FormWidth), FormUnits::TwipsToPixels(linConfig->Y1()));
}

// The window's own colours from the colour scheme: background, label text, and dark
// faces for the buttons and boxes.
void frmMain::ApplyDesignColours()
{
    const SDRColourScheme& scheme = PublicVars::SDRColourSchemes;
    QPalette colours = palette();
    const QColor text = FormUnits::OleColour(static_cast<uint32_t>(scheme.SDRLabelColour));
    colours.setColor(QPalette::Window, FormUnits::OleColour(static_cast<uint32_t>(scheme.SDRBackgroundColour)));
    colours.setColor(QPalette::WindowText, text);
    colours.setColor(QPalette::ButtonText, text);
    colours.setColor(QPalette::Text, text);
    colours.setColor(QPalette::Button, QColor(40, 40, 44));
    colours.setColor(QPalette::Base, QColor(24, 24, 28));
    colours.setColor(QPalette::AlternateBase, QColor(34, 34, 38));
    colours.setColor(QPalette::Light, QColor(90, 90, 96));
    colours.setColor(QPalette::Midlight, QColor(70, 70, 76));
    colours.setColor(QPalette::Mid, QColor(60, 60, 66));
    colours.setColor(QPalette::Dark, QColor(50, 50, 56));
    colours.setColor(QPalette::Shadow, QColor(10, 10, 10));
    colours.setColor(QPalette::Highlight, QColor(0, 150, 150));
    setPalette(colours);
}

// The panels in their bands from the top of the window down (places in twips): frequency
// control with the band plan inside it, S-meter and power; receive controls, audio out and
// display sizes; the spectrum with its controls and the statistics; the recorder bar with the
// configuration button and the receiver's clock, IF and version.
void frmMain::ComposePanels(QWidget* form)
{
    Frequency = std::make_unique<FrequencyPanel>(form, Hub, [this](Frame* frFreqCtl) {
        BandPlan = std::make_unique<BandPlanPanel>(frFreqCtl, Hub);
    });
    SMeter = std::make_unique<SMeterPanel>(form, Place{9240, 60, 3300, 750}, Place{9240, 870, 570, 360});
    Power = std::make_unique<PowerPanel>(form, Place{9840, 870, 270, 360}, Place{10140, 810, 2400, 465}, Hub);

    Receive = std::make_unique<ReceivePanel>(form, Hub, RowA, RowB);
    AudioOut = std::make_unique<AudioOutPanel>(form, Hub, Place{8160, RowA, 1440, 2280});
    Frequency->CreateOffsetLabels(form, RowA + 60);
    Receive->CreateInjectionControls(form);
    DisplaySize = std::make_unique<DisplaySizePanel>(form, Place{9660, RowA + 1530, 2880, 780}, Hub);

    Analyser = std::make_unique<AnalyserPanel>(form, Place{60, ScopeTop, 6900, ScopeHeight},
                                               Place{7020, ScopeTop, 3180, ScopeHeight}, Hub, SpectrumAnalyser);
    Statistics = std::make_unique<StatisticsPanel>(form, Place{10260, ScopeTop, 2280, ScopeHeight});

    Recorder = std::make_unique<RecorderPanel>(form, BarTop, Hub);
    cmdConfig = MakeCommand(form, "cmdConfig", "Config", "", {10800, BarTop + 45, 780, 390});
    lblCLKINFreq = MakeLabel(form, "lblCLKINFreq", "", {11610, BarTop, 975, 165}, "Oscillator clock, Hz");
    lblIFFreq = MakeLabel(form, "lblIFFreq", "", {11610, BarTop + 165, 975, 165}, "IF, Hz");
    lblVer = MakeLabel(form, "lblVer", "", {11610, BarTop + 330, 975, 165});
}

// Each display size's client area ends at one of these lines.
void frmMain::CreateMarkerLines(QWidget* form)
{
    auto marker = [form](const char* name, int y) {
        auto* line = new Line(form);
        line->setObjectName(name);
        line->SetEnds(0, y, 12600, y);
        line->hide();
        return line;
    };
    linCompact = marker("linCompact", 1280);
    linNormal = marker("linNormal", 3650);
    linExtended = marker("linExtended", 6660);
    linConfig = marker("linConfig", 7200);
}
