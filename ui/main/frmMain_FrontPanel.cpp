#include "ui/main/frmMain.h"

#include "core/PublicVars.h"
#include "ui/common/Dial.h"
#include "ui/common/Frame.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Label.h"
#include "ui/common/Line.h"
#include "ui/common/PictureBox.h"
#include "ui/common/SevenSegmentLabel.h"
#include "ui/common/Shape.h"
#include "ui/main/PanelBuilder.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>

using namespace PanelBuilder;

namespace {

// The front panel's width; its height is the chosen display size's (the marker lines).
constexpr int FormWidth = 12600;

constexpr uint32_t Black = 0x000000;

// Nine digits in groups of 2, 3, 3 and 1 with a dot between the groups.
constexpr int DigitLeft[9] = {90, 450, 930, 1290, 1650, 2130, 2490, 2850, 3330};
constexpr int DotLeft[3] = {840, 2040, 3240};
constexpr int DigitTop = 30;
constexpr int DigitWidth = 360;
constexpr int DigitHeight = 540;

// A small padlock: the tuning rate is locked.
QPixmap PadlockPicture()
{
    QPixmap picture(12, 14);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(200, 200, 200), 1.6));
    painter.drawArc(QRectF(2.5, 0.8, 7, 9), 0, 180 * 16);
    painter.drawLine(QPointF(2.5, 5.3), QPointF(2.5, 6.5));
    painter.drawLine(QPointF(9.5, 5.3), QPointF(9.5, 6.5));
    painter.fillRect(QRectF(1, 6.5, 10, 7), QColor(230, 180, 40));
    return picture;
}

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
    Recorder->CreateTrackPanel(frFreqCtl);
    CreateMarkerLines(form);
    ConnectFrameFocus();
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
    frFreqCtl = MakeFrame(form, "frFreqCtl", "VFO", {60, 0, 9120, 1260});
    img7SegArea = Make<Image>(frFreqCtl, "img7SegArea", {60, 120, 4020, 1110});

    picFreqDisp = Make<PictureBox>(frFreqCtl, "picFreqDisp", {120, 180, 3810, 1020});
    picFreqDisp->SetBackColor(Black);
    picFreqDisp->setFocusPolicy(Qt::StrongFocus);
    lbl7Seg = ControlArray<SevenSegmentLabel>(picFreqDisp, "lbl7Seg", 9);
    for (int digit = 0; digit < 9; ++digit) {
        lbl7Seg[digit]->SetCaption("8");
        lbl7Seg[digit]->SetBackColor(Black);
        lbl7Seg[digit]->SetForeColor(static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRTuningColour));
        FormControls::Place(lbl7Seg[digit], DigitLeft[digit], DigitTop, DigitWidth, DigitHeight);
    }
    shpDP = ControlArray<Shape>(picFreqDisp, "shpDP", 3);
    for (int dot = 0; dot < 3; ++dot) {
        shpDP[dot]->SetShape(Shape::Circle);
        shpDP[dot]->SetFillStyle(0);
        shpDP[dot]->SetFillColor(static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRTuningColour));
        shpDP[dot]->SetBorderStyle(0);
        FormControls::Place(shpDP[dot], DotLeft[dot], DigitTop + DigitHeight - 75, 60, 60);
    }
    const char* units[] = {"MHz", "KHz", "Hz"};
    const Place unitPlaces[] = {{90, 600, 720, 180}, {930, 600, 1080, 180}, {2130, 600, 1080, 180}};
    lblScale = ControlArray<Label>(picFreqDisp, "lblScale", 3);
    for (int unit = 0; unit < 3; ++unit) {
        lblScale[unit]->setText(units[unit]);
        lblScale[unit]->setAlignment(Qt::AlignCenter);
        FormControls::Place(lblScale[unit], unitPlaces[unit].left, unitPlaces[unit].top, unitPlaces[unit].width,
                            unitPlaces[unit].height);
    }
    // Around the digit that carries the tuning step (here the 100 Hz digit).
    shpTuneStep = Make<Shape>(picFreqDisp, "shpTuneStep",
                              {DigitLeft[5] - 20, DigitTop + 150, DigitWidth + 40, DigitHeight - 150});
    shpTuneStep->SetBorderColor(static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRTuningColour));
    lblClock = MakeLabel(picFreqDisp, "lblClock", "00:00:00", {90, 810, 1200, 180});

    imgTuneStepLock = Make<Image>(frFreqCtl, "imgTuneStepLock", {2280, 990, 180, 195});
    imgTuneStepLock->setPixmap(PadlockPicture());
    imgTuneStepLock->setToolTip("Double Click to Unlock Tune Rate");
    imgTuneStepLock->hide();
    lblTuningRate = MakeLabel(frFreqCtl, "lblTuningRate", "x 100 kHz", {2490, 990, 1380, 180},
                              "Left Click to Lock Tune Rate, Right Click to Set Tune Step",
                              Qt::AlignRight | Qt::AlignVCenter);
    cboTuningSteps = Make<QComboBox>(frFreqCtl, "cboTuningSteps", {2490, 690, 1380, 300});
    cboTuningSteps->setFont(QFont("Courier New"));
    cboTuningSteps->hide();

    BandPlan = std::make_unique<BandPlanPanel>(frFreqCtl, Hub);

    picTuneDial = Make<PictureBox>(frFreqCtl, "picTuneDial", {7950, 150, 1110, 1050});
    picTuneDial->SetBackColor(static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRBackgroundColour));
    dialtuner = Make<Dial>(picTuneDial, "dialtuner", {120, 30, 870, 840});
    dialtuner->SetShowValue(false);
    lblTuneDialRate = MakeLabel(picTuneDial, "lblTuneDialRate", "x 100 Hz", {0, 870, 1110, 180},
                                "Right Click to Set Tune Step", Qt::AlignCenter);
}

// The S-meter and its zero button; the power buttons.
void frmMain::CreateMeterAndPower(QWidget* form)
{
    SMeter = std::make_unique<SMeterPanel>(form, Place{9240, 60, 3300, 750}, Place{9240, 870, 570, 360});
    Power = std::make_unique<PowerPanel>(form, Place{9840, 870, 270, 360}, Place{10140, 810, 2400, 465}, Hub);
}
