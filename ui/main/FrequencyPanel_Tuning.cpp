#include "ui/main/FrequencyPanel.h"

#include "core/BusyGuard.h"
#include "core/PublicVars.h"
#include "radio/HardwareObjects.h"
#include "radio/RadioControls.h"
#include "ui/common/Dial.h"
#include "ui/common/FormControls.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/common/SevenSegmentLabel.h"
#include "ui/main/ScrollLabelApply.h"

#include <QComboBox>

namespace {

constexpr int RightButton = 2;
constexpr int DialMax = 100;
constexpr int DialMin = 0;
constexpr double UnlockedDialStep = 1000;   // tenths of a hertz: 100 Hz per dial notch
constexpr uint32_t ButtonFace = 0xF0F0F0;   // the system's button face behind the list
constexpr uint32_t Black = 0;

int32_t StepCount() { return static_cast<int32_t>(PublicVars::TuningSteps.size()); }

} // namespace

// The tuning dial turns endlessly through its range.
void FrequencyPanel::InitialiseDialTuner()
{
    dialtuner->SetMax(DialMax);
    dialtuner->SetMin(DialMin);
    dialtuner->SetShowValue(false);
    Tuning.LastDialPosition = dialtuner->Value();
}

// The tuning dial's link to the shaft encoder and the wheel, and the display's handlers.
void FrequencyPanel::ConnectTuning()
{
    connect(dialtuner, &Dial::Changing, this, &FrequencyPanel::DialTuner_Changing);
    RadioControls::dialtuner.Attach([this] { return dialtuner->Value(); },
                                    [this](int32_t value) { MoveDialFromCode(value); });
    ConnectFrequencyDisplay();
    connect(cboTuningSteps, &QComboBox::activated, this, &FrequencyPanel::cboTuningSteps_Click);
}

// The shaft encoder and the encoder's and wheel's code keep their dial alone once the window
// has gone.
void FrequencyPanel::ReleaseTuning() { RadioControls::dialtuner.Attach(nullptr, nullptr); }

// Code that moves the dial (the wheel over the display, the held keys, the shaft encoder)
// has tuned already: the move is no user's turn, and the skip flag the wheel sets for it is
// spent with it, so it can never swallow the user's next turn.
void FrequencyPanel::MoveDialFromCode(int32_t value)
{
    {
        BusyGuard moving(Tuning.DialMovedByCode);
        dialtuner->SetValue(value);
    }
    Tuning.LastDialPosition = dialtuner->Value();
    MouseOverS::SkipNextDialChange = false;
}

// A turn of the dial by the user tunes one step in its direction, whatever its size: the
// VFO's step while the rate is locked, else 100 Hz. A turn that arrives while the previous one
// is still tuning is dropped.
void FrequencyPanel::DialTuner_Changing()
{
    if (Tuning.DialBusy || Tuning.DialMovedByCode)
        return;
    BusyGuard busy(Tuning.DialBusy);
    const int32_t position = dialtuner->Value();
    const int direction = TuningDisplay::DialDirection(Tuning.LastDialPosition, position, dialtuner->Min(),
                                                       dialtuner->Max(), dialtuner->Wrap());
    Tuning.LastDialPosition = position;
    if (!VFO || direction == 0)
        return;
    const double DialStep = TuneRateLocked ? VFO->TuneStep() : UnlockedDialStep;
    if (direction < 0)
        VFO->Dec_Freq(DialStep);
    else
        VFO->Inc_Freq(DialStep);
}

// Table entry Index (past either end: the other end) becomes the VFO's step and grid, shown
// on its digit, and locked. Unless Unlock is set, a locked step stays as it is.
void FrequencyPanel::SetTuneStep(int32_t Index, bool Unlock)
{
    if (!VFO)
        return;
    if (Unlock)
        VFO->TuneStepLock(false);
    else if (VFO->TuneStepLock())
        return;
    Tuning.TuneStepIndex = TuningDisplay::WrapIndex(Index, StepCount());
    const int32_t step = PublicVars::TuningSteps[static_cast<size_t>(Tuning.TuneStepIndex)];
    VFO->TuneStepLSD(step);
    const auto [digit, multiplier] = TuningDisplay::StepDigit(Tuning.TuneStepIndex, step);
    SetTuneRateLabel(digit, multiplier);
    VFO->TuneStepLock(true);
}

// One entry per tuning step; the VFO's step, when the table holds it, is chosen as the
// user chooses it, so the active sub-band stores it. Filled once the band is selected, as
// its preset may have set the step.
void FrequencyPanel::FillTuningStepList()
{
    cboTuningSteps->clear();
    cboTuningSteps->hide();
    FormControls::SetBackColour(cboTuningSteps, static_cast<uint32_t>(PublicVars::SDRColourSchemes.SDRBackgroundColour));
    FormControls::SetForeColour(cboTuningSteps,
                                static_cast<uint32_t>(PublicVars::SDRColourSchemes.ScrollableLabelFocusColour));
    for (int32_t step : PublicVars::TuningSteps)
        cboTuningSteps->addItem(QString::fromStdString(TuningDisplay::TuningStepEntry(step)));
    cboTuningSteps->setCurrentIndex(-1);   // the first entry added is no choice of the user's
    if (!VFO)
        return;
    for (int32_t index = 0; index < StepCount(); ++index) {
        if (VFO->TuneStep() == PublicVars::TuningSteps[static_cast<size_t>(index)]) {
            cboTuningSteps->setCurrentIndex(index);
            cboTuningSteps_Click();
            return;
        }
    }
}

// Shows the list with its top-left corner at a place of the frequency frame (pixels), in
// the colours of a list being picked from, ready for the keys.
void FrequencyPanel::ShowTuningStepList(int left, int top)
{
    cboTuningSteps->show();
    cboTuningSteps->move(left, top);
    cboTuningSteps->raise();
    FormControls::SetBackColour(cboTuningSteps, ButtonFace);
    FormControls::SetForeColour(cboTuningSteps, Black);
    cboTuningSteps->setFocus(Qt::OtherFocusReason);
}

// The chosen step, locked. The list stays until Esc or until it loses the focus.
void FrequencyPanel::cboTuningSteps_Click()
{
    const int index = cboTuningSteps->currentIndex();
    if (index < 0)
        return;
    hub_.StoreSubBandTuneStep(index);
    SetTuneStep(index, true);
}

// The right button pops the list up over the dial, its left edge on the dial's.
void FrequencyPanel::lblTuneDialRate_MouseDown(int Button)
{
    if (Button != RightButton)
        return;
    const QRect dial(dialtuner->mapTo(frFreqCtl, QPoint(0, 0)), dialtuner->size());
    ShowTuningStepList(dial.left(), dial.top() + dial.height() / 2 - cboTuningSteps->height() / 2);
}

// The right button pops the list up over the tuning-rate label, right edges in line.
void FrequencyPanel::lblTuningRate_MouseDown(int Button)
{
    if (Button != RightButton)
        return;
    const QRect label = lblTuningRate->geometry();
    ShowTuningStepList(label.x() + label.width() - cboTuningSteps->width(), label.y());
}

// The release that ends a double-click is not a click of its own: a click, then the
// double-click, each act once.
void FrequencyPanel::lbl7Seg_Click(int Index)
{
    if (Tuning.ClickEndsDoubleClick) {
        Tuning.ClickEndsDoubleClick = false;
        return;
    }
    lbl7Seg_DblClick(Index);
}

// Another digit's place value becomes the step, locked; the same digit again toggles the lock.
void FrequencyPanel::lbl7Seg_DblClick(int Index)
{
    if (!VFO || !lbl7Seg.Contains(Index))
        return;
    bool locked = !VFO->TuneStepLock();
    if (Index != Tuning.LastClickedDigit) {
        locked = true;
        VFO->TuneStepLock(false);
        SetTuneRateLabel(Index, 1);
    }
    Tuning.LastClickedDigit = Index;
    TuneRateLocked = locked;
    VFO->TuneStepLock(locked);
    imgTuneStepLock->setVisible(locked);
}

void FrequencyPanel::imgTuneStepLock_DblClick()
{
    TuneRateLocked = false;
    if (VFO)
        VFO->TuneStepLock(false);
    imgTuneStepLock->hide();
}

void FrequencyPanel::mnuVFOStepSub_Click(int Index) { SetTuneStep(Index, false); }
