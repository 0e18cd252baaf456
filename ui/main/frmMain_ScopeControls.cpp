#include "ui/main/frmMain.h"

#include "core/BusyGuard.h"
#include "core/MainWindowValues.h"
#include "dsp/ReceiveState.h"
#include "radio/HardwareObjects.h"
#include "radio/modSetupRX.h"
#include "ui/common/ClickRule.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/common/Slider.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/ScrollLabels.h"
#include "ui/main/TuningDisplay.h"
#include "ui/scope/ScopeControls.h"

#include <QCheckBox>
#include <QCursor>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int16_t ScopeWheelLabelID = 16;   // the wheel over the display tunes through it

QString Text(const std::string& text) { return QString::fromStdString(text); }

// A channel's value label shows a reloaded value in its own picture.
void ShowChannelValue(int16_t id, float value)
{
    ScrollLabels[id].Value = value;
    ScrollLabelSteps::ShowValue(ScrollLabels[id]);
}

// Check boxes used as options: the chosen one ticked (again), every other one cleared.
void TickOnly(ButtonArray& boxes, int chosen)
{
    for (int index = boxes.LBound(); index <= boxes.UBound(); ++index)
        boxes.SetValue(index, index == chosen ? 1 : 0);
}

// A slider's large step and tick spacing a tenth of its range, its small step a hundredth.
void SetSteps(Slider* slider)
{
    slider->SetMin(0);
    slider->SetLargeChange(std::max(1, (slider->Max() + 5) / 10));
    slider->SetTickFrequency(std::max(1, (slider->Max() + 5) / 10));
    slider->SetSmallChange(std::max(1, (slider->Max() + 50) / 100));
}

}   // namespace

// The display controls take their handlers; a right press on a slider brings it back to
// the middle (gain, centre) or the whole range (width).
void frmMain::ConnectScopeControls()
{
    optSpectrumSource.OnClick([this](int index) { optSpectrumSource_Click(index); });
    chkScopeMode.OnClick([this](int index) { chkScopeMode_Click(index); });
    chkTrigOn.OnClick([this](int index) { chkTrigOn_Click(index); });
    ClickRule::Connect(chkLog, [this] { chkLog_Click(); });
    ClickRule::Connect(chkSmoothSpectrum, [this] { chkSmoothSpectrum_Click(); });
    ClickRule::Connect(chkScopeShowFilters, [this] { chkScopeShowFilters_Click(); });
    ClickRule::Connect(chkSpectrumAutoGain, [this] { chkSpectrumAutoGain_Click(); });
    ClickRule::Connect(chkChn1On, [this] { chkChn1On_Click(); });
    ClickRule::Connect(chkChn2On, [this] { chkChn2On_Click(); });
    const auto middle = [](Slider* slider) {
        return [slider] { return static_cast<int>(std::nearbyint((slider->Max() - slider->Min()) / 2.0)); };
    };
    sldSpectrumGain->SetRightButtonReset(middle(sldSpectrumGain));
    sldXCentre->SetRightButtonReset(middle(sldXCentre));
    sldXWidth->SetRightButtonReset([this] { return sldXWidth->Max() - sldXWidth->Min(); });
    for (Slider* slider : {sldSpectrumGain, sldXCentre, sldXWidth}) {
        auto handler = slider == sldSpectrumGain ? &frmMain::sldSpectrumGain_Change
                       : slider == sldXCentre    ? &frmMain::sldXCentre_Change
                                                 : &frmMain::sldXWidth_Change;
        connect(slider, &Slider::Change, this, handler);
        connect(slider, &Slider::Scroll, this, handler);
    }
    for (int index = 0; index < 2; ++index) {
        connect(picScope[index], &PictureBox::MouseMove, this,
                [this, index](int b, int s, double x, double y) { picScope_MouseMove(index, b, s, x, y); });
        connect(picScope[index], &PictureBox::MouseDown, this,
                [this, index](int b, int s, double x, double y) { picScope_MouseDown(index, b, s, x, y); });
        picScope[index]->installEventFilter(this);   // the pointer leaving hides the readout
    }
}

void frmMain::optSpectrumSource_Click(int Index)
{
    if (!SpectrumAnalyser || !optSpectrumSource.Contains(Index))
        return;
    ScopeSource = Index;
    ScopeControls::SelectSource(*SpectrumAnalyser, Index, VFO ? VFO->TunedFrequency() : 0, HiSideLoOn);
}

// The boxes of the mode switch act as options: the clicked one is ticked (again), the others
// cleared, while the busy flag absorbs the clicks those changes raise. The controls the
// mode uses show, and the channel controls take the new mode's values.
void frmMain::chkScopeMode_Click(int Index)
{
    if (scopeModeBusy_ || !SpectrumAnalyser || !chkScopeMode.Contains(Index))
        return;
    BusyGuard busy(scopeModeBusy_);
    TickOnly(chkScopeMode, Index);
    const ScopeControls::ModeLayout layout = ScopeControls::SwitchMode(*SpectrumAnalyser, Index);
    chkChn1On->setVisible(layout.channelSwitches);
    chkChn2On->setVisible(layout.channelSwitches);
    frScopeYMode->setVisible(layout.yMode);
    frScopeYMode->setEnabled(layout.yMode);
    frScopeSweep->setVisible(layout.sweep);
    chkScopeShowFilters->setVisible(layout.spectrumControls);
    lblScopeXCentre->setVisible(layout.spectrumControls);
    lblScopeCtl[7]->setVisible(layout.spectrumControls);
    chkTrigOn[1]->setVisible(layout.triggerSwitches);
    chkTrigOn[2]->setVisible(layout.triggerSwitches);
    lblScopeCtl[2]->setVisible(layout.triggerCaptions);
    lblScopeCtl[3]->setVisible(layout.triggerCaptions);
    if (!layout.sweepCaption.empty()) {
        frScopeSweep->SetCaption(Text(layout.sweepCaption));
        lblScopeCtl[6]->setText(Text(layout.divisionCaption));
        ScrollLabels[6].Format = layout.widthFormat;
    }
    // The boxes' own handlers carry the reloaded values on.
    chkLog->setChecked(layout.linearChecked);
    chkSmoothSpectrum->setChecked(layout.fastChecked);
    chkChn1On->setChecked(layout.chn1On);
    chkChn2On->setChecked(layout.chn2On);
    chkTrigOn.SetValue(1, layout.chn1Trig ? 1 : 0);
    chkTrigOn.SetValue(2, layout.chn2Trig ? 1 : 0);
    ShowChannelValue(2, layout.chn1Gain);
    ShowChannelValue(3, layout.chn1Shift);
    ShowChannelValue(4, layout.chn2Gain);
    ShowChannelValue(5, layout.chn2Shift);
    SetSteps(sldXWidth);
    sldXCentre->SetMax(sldXWidth->Max());
    SetSteps(sldXCentre);
    sldXCentre->SetValue(sldXCentre->Max() / 2);
    sldXCentre_Change();
    MouseOverS::lblScopeXCentre_Wheel();
    MouseOverS::lblScopeXWidth_Wheel();
}

// The channel trigger boxes act as options too.
void frmMain::chkTrigOn_Click(int Index)
{
    if (trigOnBusy_ || !SpectrumAnalyser || !chkTrigOn.Contains(Index))
        return;
    BusyGuard busy(trigOnBusy_);
    TickOnly(chkTrigOn, Index);
    SpectrumAnalyser->TriggerChn(static_cast<int16_t>(Index));
}

void frmMain::chkLog_Click()
{
    if (SpectrumAnalyser)
        ScopeControls::ApplyLinearScale(*SpectrumAnalyser, chkLog->isChecked() ? 1 : 0);
}

void frmMain::chkSmoothSpectrum_Click()
{
    if (SpectrumAnalyser)
        lblSpectrumSmooth->setVisible(
            ScopeControls::ApplyFastDisplay(*SpectrumAnalyser, chkSmoothSpectrum->isChecked()));
}

void frmMain::chkScopeShowFilters_Click()
{
    if (SpectrumAnalyser)
        SpectrumAnalyser->ShowFilter(chkScopeShowFilters->isChecked());
}

void frmMain::chkSpectrumAutoGain_Click()
{
    if (SpectrumAnalyser)
        SpectrumAnalyser->AutoGain = chkSpectrumAutoGain->isChecked();
}

void frmMain::chkChn1On_Click()
{
    if (SpectrumAnalyser)
        SpectrumAnalyser->Chn1Enabled(chkChn1On->isChecked());
}

void frmMain::chkChn2On_Click()
{
    if (SpectrumAnalyser)
        SpectrumAnalyser->Chn2Enabled(chkChn2On->isChecked());
}

void frmMain::sldSpectrumGain_Change()
{
    if (!SpectrumAnalyser)
        return;
    const std::string tip = ScopeControls::ApplySpectrumGain(*SpectrumAnalyser, sldSpectrumGain->Max(),
                                                             sldSpectrumGain->Value(), chkSpectrumAutoGain->isChecked());
    if (!tip.empty())
        sldSpectrumGain->setToolTip(Text(tip));
}

void frmMain::sldXCentre_Change()
{
    if (!SpectrumAnalyser)
        return;
    sldXCentre->setToolTip(Text(ScopeControls::CentreToolTip(*SpectrumAnalyser, sldXCentre->Value())));
    sldXWidth_Change();
}

void frmMain::sldXWidth_Change()
{
    if (!SpectrumAnalyser)
        return;
    const std::string tip = ScopeControls::ApplyXRange(*SpectrumAnalyser, sldXWidth->Min(), sldXWidth->Max(),
                                                       sldXWidth->Value(), sldXCentre->Value());
    if (!tip.empty())
        sldXWidth->setToolTip(Text(tip));
}

// The frequency under the cursor goes into both pictures' tags and shows beside the cursor;
// when the wheel tunes over the display, its step follows the cursor's height.
void frmMain::picScope_MouseMove(int Index, int /*Button*/, int /*Shift*/, double X, double Y)
{
    if (!SpectrumAnalyser || !picScope.Contains(Index))
        return;
    UnFocusFrames();
    std::optional<int32_t> wheelStep;
    FocusedLabelID = ScrollWheelEnableOverScope ? ScopeWheelLabelID : 0;
    if (ScrollWheelEnableOverScope) {
        ScrollLabelRecord& wheel = ScrollLabels[ScopeWheelLabelID];
        if (const auto step = ScopeControls::WheelStepAt(Y, picScope[Index]->ScaleHeight()))
            wheel.StepText = std::to_string(*step);
        wheelStep = std::atoi(wheel.StepText.c_str());
        if (VFO && *wheelStep > 0)
            TuneRate = static_cast<float>(ScopeControls::ApplyWheelStep(*VFO, *wheelStep));
    }
    const double frequency = ScopeControls::CursorFrequency(*SpectrumAnalyser, X, IQModeOn);
    const QString tag = QString::number(frequency, 'g', 15);
    picScope[0]->SetTag(tag);
    picScope[1]->SetTag(tag);
    const QString caption = Text(ScopeControls::ReadoutCaption(*SpectrumAnalyser, tag.toStdString(), wheelStep));
    PictureBox* picture = picScope[Index];
    const double labelWidth = picture->PixelToUser(QPointF(lblSpectrumFreq[0]->width(), 0)).x() -
                              picture->PixelToUser(QPointF(0, 0)).x();
    const double left = ScopeControls::ReadoutLeft(X, picture->ScaleLeft(),
                                                   picture->ScaleWidth(), labelWidth);
    const QPoint at = picture->mapToParent(QPoint(qRound(picture->UserToPixel(left, Y).x()), 0));
    for (int index = 0; index < 2; ++index) {
        Label* readout = lblSpectrumFreq[index];
        readout->setText(caption);
        readout->move(at.x(), std::max(0, picture->y() - readout->height()));
        readout->setVisible(index == Index && !SpectrumAnalyser->HideFreqToolTip());
        readout->raise();
    }
}

void frmMain::HideScopeReadouts()
{
    lblSpectrumFreq[0]->hide();
    lblSpectrumFreq[1]->hide();
}

// The readout goes when the pointer leaves the plot; the plot's two pictures taking turns
// under a pointer that stays is no leaving.
void frmMain::ScopePointerLeft(const QWidget& picture)
{
    if (!picture.geometry().contains(picture.parentWidget()->mapFromGlobal(QCursor::pos())))
        HideScopeReadouts();
}

// A click tunes elsewhere: the readout is shown again by the next move.
void frmMain::picScope_MouseDown(int /*Index*/, int Button, int /*Shift*/, double /*X*/, double /*Y*/)
{
    HideScopeReadouts();
    if (SpectrumAnalyser && VFO)
        ScopeControls::ClickToTune(*SpectrumAnalyser, Button, picScope[0]->Tag().toStdString(), IQSelectUpper,
                                   modSetupRX::Model.LOOffset, *VFO);
}
