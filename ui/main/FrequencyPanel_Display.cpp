#include "ui/main/FrequencyPanel.h"

#include "core/MainWindowValues.h"
#include "core/NumberFormat.h"
#include "core/Numeric.h"
#include "core/TryStep.h"
#include "radio/HardwareObjects.h"
#include "radio/RadioControls.h"
#include "ui/common/Dial.h"
#include "ui/common/FormControls.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/common/SevenSegmentLabel.h"
#include "ui/common/Shape.h"
#include "ui/main/FrontPanel.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/ScrollLabels.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

namespace {

constexpr int LeftButton = 1;
constexpr int RightButton = 2;
// Once a display key has been handled the timer serves pending steps this often.
constexpr int KeyTuneInterval = 20;

uint32_t DigitColour(bool focused)
{
    const ScrollLabelRecord& display = ScrollLabels[1];
    return static_cast<uint32_t>(focused ? display.FocusColour : display.NormalColour);
}

} // namespace

// The digits, unit labels, tuning-rate label, lock image and the VFO control menu.
void FrequencyPanel::ConnectFrequencyDisplay()
{
    for (int digit = lbl7Seg.LBound(); digit <= lbl7Seg.UBound(); ++digit) {
        SevenSegmentLabel* label = lbl7Seg[digit];
        connect(label, &SevenSegmentLabel::MouseMove, this, [this, digit] { lbl7Seg_MouseMove(digit); });
        connect(label, &SevenSegmentLabel::MouseDown, this, [this, digit](int button) {
            Tuning.ClickEndsDoubleClick = false;
            lbl7Seg_MouseDown(digit, button);
        });
        connect(label, &SevenSegmentLabel::Click, this, [this, digit] { lbl7Seg_Click(digit); });
        connect(label, &SevenSegmentLabel::DblClick, this, [this, digit] {
            lbl7Seg_DblClick(digit);
            Tuning.ClickEndsDoubleClick = true;
        });
    }
    for (int unit = lblScale.LBound(); unit <= lblScale.UBound(); ++unit)
        connect(lblScale[unit], &Label::Click, this, [this, unit] { lblScale_Click(unit); });
    connect(picFreqDisp, &PictureBox::MouseMove, this, &FrequencyPanel::picFreqDisp_MouseMove);
    connect(picFreqDisp, &PictureBox::MouseUp, this, [this](int button) { picFreqDisp_MouseUp(button); });
    connect(lblTuningRate, &Label::Click, this, &FrequencyPanel::lblTuningRate_Click);
    connect(lblTuningRate, &Label::MouseDown, this, [this](int button) { lblTuningRate_MouseDown(button); });
    connect(lblTuneDialRate, &Label::MouseDown, this, [this](int button) { lblTuneDialRate_MouseDown(button); });
    connect(imgTuneStepLock, &Label::DblClick, this, &FrequencyPanel::imgTuneStepLock_DblClick);
    picFreqDisp->installEventFilter(this);
    cboTuningSteps->installEventFilter(this);
    dialtuner->installEventFilter(this);
    CreateVFOControlMenu();
}

bool FrequencyPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == picFreqDisp)
        DisplayKey(*event);
    else if (watched == cboTuningSteps)
        ListEvent(*event);
    else if (watched == dialtuner && event->type() == QEvent::Enter)
        hub_.DarkenControls();   // the wheel over the dial turns the dial alone
    return false;
}

// A held key repeats its press; only the real release ends it.
void FrequencyPanel::DisplayKey(const QEvent& event)
{
    if (event.type() == QEvent::KeyPress)
        picFreqDisp_KeyDown(static_cast<const QKeyEvent&>(event).key());
    else if (event.type() == QEvent::KeyRelease && !static_cast<const QKeyEvent&>(event).isAutoRepeat())
        picFreqDisp_KeyUp();
}

// The list's own drop-down takes the focus while it is open; that is no leaving.
void FrequencyPanel::ListEvent(const QEvent& event)
{
    const bool escape = event.type() == QEvent::KeyPress &&
                        static_cast<const QKeyEvent&>(event).key() == Qt::Key_Escape;
    const bool left = event.type() == QEvent::FocusOut &&
                      static_cast<const QFocusEvent&>(event).reason() != Qt::PopupFocusReason &&
                      !cboTuningSteps->view()->isVisible();
    if (escape || left)
        cboTuningSteps->hide();
}

void FrequencyPanel::CreateVFOControlMenu()
{
    mnuVFOControl = new QMenu("VFO Control", frFreqCtl->window());
    mnuVFOControl->setObjectName("mnuVFOControl_0");
    const char* captions[] = {"Cancel", "-", "Set Tuning Rate", "Lock Tune Rate", "Unlock Tune rate"};
    for (int item = 0; item < 5; ++item) {
        QAction* action = item == 1 ? mnuVFOControl->addSeparator() : mnuVFOControl->addAction(captions[item]);
        action->setObjectName(QString("mnuVFOControlSub_%1").arg(item));
        connect(action, &QAction::triggered, this, [this, item] { mnuVFOControlSub_Click(item); });
    }
}

// Shows a nine-character digit string, one character per digit, and the oscillator readout;
// the string shown already is not drawn again.
void FrequencyPanel::Display7Seg(const std::string& Digits)
{
    if (Digits == Tuning.LastShownDigits)
        return;
    Tuning.LastShownDigits = Digits;
    for (int digit = lbl7Seg.LBound(); digit <= lbl7Seg.UBound(); ++digit) {
        const auto at = static_cast<size_t>(digit);
        lbl7Seg[digit]->SetCaption(at < Digits.size() ? QString(QChar(Digits[at])) : QString());
    }
    hub_.ShowOscillator();
}

// Makes the digit's place value times M the VFO's step (unless its step is locked), moves the
// highlight and the marker to the digit and shows the step. A digit the display lacks
// changes nothing.
void FrequencyPanel::SetTuneRateLabel(int32_t D, float M)
{
    if (!lbl7Seg.Contains(D))
        return;
    if (!lbl7Seg.Contains(Tuning.MarkerDigit))
        Tuning.MarkerDigit = 0;
    lbl7Seg[Tuning.MarkerDigit]->SetForeColor(DigitColour(false));
    lbl7Seg[D]->SetForeColor(DigitColour(true));
    if (VFO) {
        VFO->TuneStep(TuningDisplay::PlaceValue(D) * M);
        lblTuningRate->setText(QString::fromStdString(TuningDisplay::TuneRateCaption(D, VFO->TuneStep())));
    }
    Tuning.MarkerDigit = D;
    PlaceTuneStepMarker(D);
}

void FrequencyPanel::PlaceTuneStepMarker(int digit)
{
    const QRect label = lbl7Seg[digit]->geometry();
    using FormUnits::PixelsToTwips;
    FormControls::Place(shpTuneStep, PixelsToTwips(label.x()) - 20, PixelsToTwips(label.y()) + 150,
                        PixelsToTwips(label.width()) + 40, PixelsToTwips(label.height()) - 150);
    shpTuneStep->SetBorderColor(DigitColour(true));
}

// Hovering a digit makes its place value the step, unless either lock holds it.
void FrequencyPanel::lbl7Seg_MouseMove(int Index)
{
    FocusedLabelID = 1;
    // The digits cover the display: hovering them is hovering the display.
    TakeKeyboardFocus();
    if (Index == Tuning.LastHoverDigit || !lbl7Seg.Contains(Index))
        return;
    if ((VFO && VFO->TuneStepLock()) || TuneRateLocked)
        return;
    if (lbl7Seg.Contains(Tuning.LastHoverDigit))
        lbl7Seg[Tuning.LastHoverDigit]->SetForeColor(DigitColour(false));
    TuneRate = static_cast<float>(TuningDisplay::PlaceValue(Index));
    TuneDigit = Index;
    SetTuneRateLabel(Index, 1);
    Tuning.LastHoverDigit = Index;
}

// The right button opens the VFO control menu for the digit.
void FrequencyPanel::lbl7Seg_MouseDown(int Index, int Button)
{
    if (Button != RightButton)
        return;
    mnuVFOControl->setProperty("Tag", QString::number(Index));
    mnuVFOControl->popup(QCursor::pos());
}

// Re-enters the frequency with one unit group zeroed (the VFO keeps it within the receiver's
// limits).
void FrequencyPanel::lblScale_Click(int Index)
{
    if (!VFO)
        return;
    const std::string digits = TuningDisplay::ZeroUnitGroup(VFO->FormattedTunedFreq(), Index);
    VFO->TunedFrequency(Numeric::CLng(Numeric::Val(digits)));
    Display7Seg(VFO->FormattedTunedFreq());
}

void FrequencyPanel::lblTuningRate_Click()
{
    TuneRateLocked = !TuneRateLocked;
    FormControls::SetForeColour(lblTuningRate, DigitColour(!TuneRateLocked));
    lblTuningRate->setToolTip(TuneRateLocked ? "Click to Unlock Tuning Rate" : "Click to Lock Tuning Rate");
}

void FrequencyPanel::picFreqDisp_MouseMove()
{
    hub_.UnFocusFrames();
    FocusedLabelID = 1;
    TakeKeyboardFocus();
}

void FrequencyPanel::img7SegArea_MouseMove(int, int, double, double) { picFreqDisp_MouseMove(); }

// A and Up, Z and Down ask the timer for a step; Left and Right move the step to the next
// larger or smaller digit, round the nine. Every key makes the VFO's step the pending
// steps' size and the timer fast.
void FrequencyPanel::picFreqDisp_KeyDown(int KeyCode)
{
    if (FocusedLabelID != 1 || !VFO)
        return;
    if (!Tuning.KeyDigitInitialised) {
        Tuning.KeyDigitInitialised = true;
        // With no rate since the last release the VFO's own step names the digit.
        TuneDigit = TuningDisplay::DigitOfStep(TuneRate > 0 ? TuneRate : VFO->TuneStep());
    }
    switch (KeyCode) {
    case Qt::Key_A:
    case Qt::Key_Up:
        TuneUpPending = true;
        TuneDownPending = false;
        Tuning.KeyStepUnserved = true;
        break;
    case Qt::Key_Z:
    case Qt::Key_Down:
        TuneDownPending = true;
        TuneUpPending = false;
        Tuning.KeyStepUnserved = true;
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
        TuneDigit = TuningDisplay::WrapIndex(TuneDigit + (KeyCode == Qt::Key_Left ? -1 : 1), TuningDisplay::DigitCount);
        SetTuneRateLabel(TuneDigit, 1);
        break;
    default: break;
    }
    TuneRate = static_cast<float>(VFO->TuneStep());
    VFO->TuneStepLSD(VFO->TuneStep());
    tmrTune.setInterval(KeyTuneInterval);
}

// Releasing a key ends its steps, but a tap shorter than the timer's tick (or a press and
// release that arrive together) still makes the one step it asked for.
void FrequencyPanel::picFreqDisp_KeyUp()
{
    if (!Tuning.KeyStepUnserved) {
        TuneUpPending = false;
        TuneDownPending = false;
    }
    TuneRate = 0;
}

void FrequencyPanel::picFreqDisp_MouseUp(int Button)
{
    if (Button == LeftButton)
        TuneUpPending = false;
    if (Button == RightButton)
        TuneDownPending = false;
}

// Serves the pending steps (moving the dial a notch with each), then shows the frequency
// (with the RIT offset on a receiver whose oscillator is tuned), the spectrum's span and the
// step.
void FrequencyPanel::tmrTune_Timer()
{
    if (!VFO)
        return;
    Tuning.KeyStepUnserved = false;
    if (TuneUpPending) {
        VFO->Inc_Freq(TuneRate);
        RadioControls::dialtuner.Value(RadioControls::dialtuner.Value() + 1);
        TuneUpPending = false;
    }
    if (TuneDownPending) {
        VFO->Dec_Freq(TuneRate);
        RadioControls::dialtuner.Value(RadioControls::dialtuner.Value() - 1);
        TuneDownPending = false;
    }
    Tuning.ShownFrequency = VFO->TunedFrequency();
    if (VFOControl)
        Tuning.ShownFrequency += RITOffset * 10;
    Display7Seg(Format(Tuning.ShownFrequency, "000000000"));
    // The spectrum's frequency axis follows the tuning.
    TryStep(MouseOverS::lblScopeXCentre_Wheel);
    lblTuneDialRate->setText(lblTuningRate->text());
}

// The VFO control menu of the digit it was opened on: show the tuning-step list under it,
// lock the step at its place value, or unlock.
void FrequencyPanel::mnuVFOControlSub_Click(int Index)
{
    const int digit = std::clamp(mnuVFOControl->property("Tag").toString().toInt(), 0, TuningDisplay::DigitCount - 1);
    const QRect display = picFreqDisp->geometry();
    const QRect label = lbl7Seg[digit]->geometry();
    switch (Index) {
    case 2:
        ShowTuningStepList(display.x() + label.x() - cboTuningSteps->width() / 2,
                           display.y() + label.y() + label.height());
        break;
    case 3:
        if (VFO) {
            VFO->TuneStepLock(false);
            TuneRateLocked = false;
            SetTuneRateLabel(digit, 1);
            VFO->TuneStepLock(true);
            TuneRateLocked = true;
        }
        break;
    case 4:
        TuneRateLocked = false;
        if (VFO)
            VFO->TuneStepLock(false);
        break;
    default: break;
    }
    ShowTuneStepLock();
}

void FrequencyPanel::ShowTuneStepLock() { imgTuneStepLock->setVisible(VFO && VFO->TuneStepLock()); }
