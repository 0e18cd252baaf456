#include "ui/main/frmMain.h"

#include "core/PublicVars.h"
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

    CreateFrequencyControls(form);
    CreateMeterAndPower(form);
    CreateReceiveControls(form);
    CreateScopeControls(form);
    CreateRecorderBar(form);
    Recorder->CreateTrackPanel(Frequency->frFreqCtl);
    CreateMarkerLines(form);
    ConnectDisplaySize();
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

void frmMain::CreateFrequencyControls(QWidget* form)
{
    Frequency = std::make_unique<FrequencyPanel>(form, Hub, [this](Frame* frFreqCtl) {
        BandPlan = std::make_unique<BandPlanPanel>(frFreqCtl, Hub);
    });
}

// The S-meter and its zero button; the power buttons.
void frmMain::CreateMeterAndPower(QWidget* form)
{
    SMeter = std::make_unique<SMeterPanel>(form, Place{9240, 60, 3300, 750}, Place{9240, 870, 570, 360});
    Power = std::make_unique<PowerPanel>(form, Place{9840, 870, 270, 360}, Place{10140, 810, 2400, 465}, Hub);
}
