#include "ui/main/FrequencyPanel.h"

#include "core/MainWindowValues.h"
#include "core/PublicFuncs.h"
#include "core/PublicVars.h"
#include "core/TryStep.h"
#include "dsp/QELVO.h"
#include "ui/common/Dial.h"
#include "ui/common/FormControls.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/common/SevenSegmentLabel.h"
#include "ui/common/Shape.h"
#include "ui/main/PanelBuilder.h"

#include <QComboBox>
#include <QPainter>

using namespace PanelBuilder;

namespace {

constexpr uint32_t Black = 0x000000;

// Nine digits in groups of 2, 3, 3 and 1 with a dot between the groups.
constexpr int DigitLeft[9] = {90, 450, 930, 1290, 1650, 2130, 2490, 2850, 3330};
constexpr int DotLeft[3] = {840, 2040, 3240};
constexpr int DigitTop = 30;
constexpr int DigitWidth = 360;
constexpr int DigitHeight = 540;

uint32_t TuningColour() { return static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRTuningColour); }

uint32_t ScaledTuningColour(int16_t percent)
{
    return static_cast<uint32_t>(PublicFuncs::ScaleColour(PublicVars::SDRColourSchemes.SDRTuningColour, percent));
}

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

FrequencyPanel::FrequencyPanel(QWidget* container, PanelHub& hub,
                               const std::function<void(Frame* frFreqCtl)>& buildPresets)
    : hub_(hub)
{
    frFreqCtl = MakeFrame(container, "frFreqCtl", "VFO", {60, 0, 9120, 1260});
    img7SegArea = Make<Image>(frFreqCtl, "img7SegArea", {60, 120, 4020, 1110});
    CreateDisplay();
    CreateRateControls();
    if (buildPresets)
        buildPresets(frFreqCtl);
    CreateTuneDial();

    connect(frFreqCtl, &Frame::MouseMove, this, [this] { hub_.UnFocusFrames(); });
    connect(img7SegArea, &Label::MouseMove, this, &FrequencyPanel::img7SegArea_MouseMove);
    connect(&tmrTune, &QTimer::timeout, this, &FrequencyPanel::tmrTune_Timer);
    connect(&tmrClock, &QTimer::timeout, this, &FrequencyPanel::tmrClock_Timer);
}

// The digits, their dots and unit labels, the step marker and the clock.
void FrequencyPanel::CreateDisplay()
{
    picFreqDisp = Make<PictureBox>(frFreqCtl, "picFreqDisp", {120, 180, 3810, 1020});
    picFreqDisp->SetBackColor(Black);
    picFreqDisp->setFocusPolicy(Qt::StrongFocus);
    lbl7Seg = ControlArray<SevenSegmentLabel>(picFreqDisp, "lbl7Seg", 9);
    for (int digit = 0; digit < 9; ++digit) {
        lbl7Seg[digit]->SetCaption("8");
        lbl7Seg[digit]->SetBackColor(Black);
        lbl7Seg[digit]->SetForeColor(TuningColour());
        FormControls::Place(lbl7Seg[digit], DigitLeft[digit], DigitTop, DigitWidth, DigitHeight);
    }
    shpDP = ControlArray<Shape>(picFreqDisp, "shpDP", 3);
    for (int dot = 0; dot < 3; ++dot) {
        shpDP[dot]->SetShape(Shape::Circle);
        shpDP[dot]->SetFillStyle(0);
        shpDP[dot]->SetFillColor(TuningColour());
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
    shpTuneStep->SetBorderColor(TuningColour());
    lblClock = MakeLabel(picFreqDisp, "lblClock", "00:00:00", {90, 810, 1200, 180});
}

// The lock image, the tuning-rate label and the tuning-step list under the display.
void FrequencyPanel::CreateRateControls()
{
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
}

void FrequencyPanel::CreateTuneDial()
{
    picTuneDial = Make<PictureBox>(frFreqCtl, "picTuneDial", {7950, 150, 1110, 1050});
    picTuneDial->SetBackColor(static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRBackgroundColour));
    dialtuner = Make<Dial>(picTuneDial, "dialtuner", {120, 30, 870, 840});
    dialtuner->SetShowValue(false);
    lblTuneDialRate = MakeLabel(picTuneDial, "lblTuneDialRate", "x 100 Hz", {0, 870, 1110, 180},
                                "Right Click to Set Tune Step", Qt::AlignCenter);
}

void FrequencyPanel::CreateOffsetLabels(QWidget* container, int top)
{
    lblBFODesc = MakeLabel(container, "lblBFODesc", "RIT", {9720, top, 480, 195}, "Receiver Incremental Tune");
    lblBFO = MakeLabel(container, "lblBFO", "0", {10200, top, 780, 195});
    scrollLabelBinding_.Bind(lblBFOIndex, lblBFO);
    lblIFShiftDesc = MakeLabel(container, "lblIFShiftDesc", "IF Shift", {11040, top, 720, 195});
    lblIFShift = MakeLabel(container, "lblIFShift", "0", {11760, top, 720, 195});
    scrollLabelBinding_.Bind(lblIFShiftIndex, lblIFShift);
}

void FrequencyPanel::StartTuneTimer() { tmrTune.start(TuneTimerInterval); }

void FrequencyPanel::StartClock() { tmrClock.start(ClockInterval); }

void FrequencyPanel::StopTimers()
{
    tmrTune.stop();
    tmrClock.stop();
}

// The dial's picture on the dial's back colour; the digits 85 % of the tuning colour but the
// one that carries the step marker, which stays lit as the marker does, the dots half of it,
// the units, clock and offsets in shades of it.
void FrequencyPanel::ApplyColours()
{
    TryStep([this] { picTuneDial->SetBackColor(FormControls::BackColour(dialtuner)); });
    for (SevenSegmentLabel* digit : lbl7Seg)
        digit->SetForeColor(static_cast<uint32_t>(ScrollLabels[1].NormalColour));
    const auto lit = static_cast<uint32_t>(ScrollLabels[1].FocusColour);
    if (lbl7Seg.Contains(Tuning.MarkerDigit))
        lbl7Seg[Tuning.MarkerDigit]->SetForeColor(lit);
    shpTuneStep->SetBorderColor(lit);
    for (Shape* dot : shpDP) {
        dot->SetFillColor(ScaledTuningColour(50));
        dot->SetBorderColor(ScaledTuningColour(50));
        dot->SetBackColor(ScaledTuningColour(50));
    }
    for (Label* unit : lblScale)
        FormControls::SetForeColour(unit, ScaledTuningColour(75));
    // The tuning rate lit as the digits are, dimmed while it is locked.
    FormControls::SetForeColour(lblTuningRate, TuneRateLocked ? static_cast<uint32_t>(ScrollLabels[1].NormalColour) : lit);
    FormControls::SetForeColour(lblTuneDialRate, Black);
    if (lblBFO) {
        FormControls::SetForeColour(lblBFO, TuningColour());
        FormControls::SetForeColour(lblBFODesc, TuningColour());
    }
    FormControls::SetForeColour(lblClock, ScaledTuningColour(75));
}

void FrequencyPanel::TakeKeyboardFocus() { picFreqDisp->setFocus(Qt::MouseFocusReason); }

void FrequencyPanel::tmrClock_Timer()
{
    lblClock->setText(QString::fromStdString(QELVO::UTCTimeStamp()));
    if (lblBFO) {
        lblBFODesc->setEnabled(VFOControl);
        lblBFO->setEnabled(VFOControl);
    }
}
