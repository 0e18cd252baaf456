#include "ui/main/AnalyserPanel.h"

#include "core/BusyGuard.h"
#include "core/MainWindowValues.h"
#include "dsp/ReceiveState.h"
#include "radio/HardwareObjects.h"
#include "radio/modSetupRX.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/common/Slider.h"
#include "ui/main/FrontPanel.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/PanelHub.h"
#include "ui/main/ScrollLabelApply.h"
#include "ui/main/ScrollLabels.h"
#include "ui/main/TuningDisplay.h"
#include "ui/scope/ScopeControls.h"
#include "ui/scope/clsSpectrumAnalyser.h"

#include <QCheckBox>
#include <QCursor>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

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

void AnalyserPanel::chkSpectrumAnalyser_Click()
{
    if (analyser_)
        analyser_->Active(chkSpectrumAnalyser->isChecked());
}

void AnalyserPanel::optSpectrumSource_Click(int Index)
{
    if (!analyser_ || !optSpectrumSource.Contains(Index))
        return;
    ScopeSource = Index;
    ScopeControls::SelectSource(*analyser_, Index, VFO ? VFO->TunedFrequency() : 0, HiSideLoOn);
}

// The boxes of the mode switch act as options: the clicked one is ticked (again), the others
// cleared, while the busy flag absorbs the clicks those changes raise. The controls the
// mode uses show, and the channel controls take the new mode's values.
void AnalyserPanel::chkScopeMode_Click(int Index)
{
    if (scopeModeBusy_ || !analyser_ || !chkScopeMode.Contains(Index))
        return;
    BusyGuard busy(scopeModeBusy_);
    TickOnly(chkScopeMode, Index);
    const ScopeControls::ModeLayout layout = ScopeControls::SwitchMode(*analyser_, Index);
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
void AnalyserPanel::chkTrigOn_Click(int Index)
{
    if (trigOnBusy_ || !analyser_ || !chkTrigOn.Contains(Index))
        return;
    BusyGuard busy(trigOnBusy_);
    TickOnly(chkTrigOn, Index);
    analyser_->TriggerChn(static_cast<int16_t>(Index));
}

void AnalyserPanel::chkLog_Click()
{
    if (analyser_)
        ScopeControls::ApplyLinearScale(*analyser_, chkLog->isChecked() ? 1 : 0);
}

void AnalyserPanel::chkSmoothSpectrum_Click()
{
    if (analyser_)
        lblSpectrumSmooth->setVisible(
            ScopeControls::ApplyFastDisplay(*analyser_, chkSmoothSpectrum->isChecked()));
}

void AnalyserPanel::chkScopeShowFilters_Click()
{
    if (analyser_)
        analyser_->ShowFilter(chkScopeShowFilters->isChecked());
}

void AnalyserPanel::chkSpectrumAutoGain_Click()
{
    if (analyser_)
        analyser_->AutoGain = chkSpectrumAutoGain->isChecked();
}

void AnalyserPanel::chkChn1On_Click()
{
    if (analyser_)
        analyser_->Chn1Enabled(chkChn1On->isChecked());
}

void AnalyserPanel::chkChn2On_Click()
{
    if (analyser_)
        analyser_->Chn2Enabled(chkChn2On->isChecked());
}

void AnalyserPanel::sldSpectrumGain_Change()
{
    if (!analyser_)
        return;
    const std::string tip = ScopeControls::ApplySpectrumGain(*analyser_, sldSpectrumGain->Max(),
                                                      sldSpectrumGain->Value(), chkSpectrumAutoGain->isChecked());
    if (!tip.empty())
        sldSpectrumGain->setToolTip(Text(tip));
}

void AnalyserPanel::sldXCentre_Change()
{
    if (!analyser_)
        return;
    sldXCentre->setToolTip(Text(ScopeControls::CentreToolTip(*analyser_, sldXCentre->Value())));
    sldXWidth_Change();
}

void AnalyserPanel::sldXWidth_Change()
{
    if (!analyser_)
        return;
    const std::string tip = ScopeControls::ApplyXRange(*analyser_, sldXWidth->Min(), sldXWidth->Max(),
                                                sldXWidth->Value(), sldXCentre->Value());
    if (!tip.empty())
        sldXWidth->setToolTip(Text(tip));
}

// The frequency under the cursor goes into both pictures' tags and shows beside the cursor;
// when the wheel tunes over the display, its step follows the cursor's height.
void AnalyserPanel::picScope_MouseMove(int Index, int /*Button*/, int /*Shift*/, double X, double Y)
{
    if (!analyser_ || !picScope.Contains(Index))
        return;
    hub_.UnFocusFrames();
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
    const double frequency = ScopeControls::CursorFrequency(*analyser_, X, IQModeOn);
    const QString tag = QString::number(frequency, 'g', 15);
    picScope[0]->SetTag(tag);
    picScope[1]->SetTag(tag);
    const QString caption = Text(ScopeControls::ReadoutCaption(*analyser_, tag.toStdString(), wheelStep));
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
        readout->setVisible(index == Index && !analyser_->HideFreqToolTip());
        readout->raise();
    }
}

void AnalyserPanel::imgAreaScope_MouseMove(int, int, double, double) { hub_.DarkenControls(); }

void AnalyserPanel::HideScopeReadouts()
{
    lblSpectrumFreq[0]->hide();
    lblSpectrumFreq[1]->hide();
}

// The readout goes when the pointer leaves the plot; the plot's two pictures taking turns
// under a pointer that stays is no leaving.
void AnalyserPanel::ScopePointerLeft(const QWidget& picture)
{
    if (!picture.geometry().contains(picture.parentWidget()->mapFromGlobal(QCursor::pos())))
        HideScopeReadouts();
}

// A click tunes elsewhere: the readout is shown again by the next move.
void AnalyserPanel::picScope_MouseDown(int /*Index*/, int Button, int /*Shift*/, double /*X*/, double /*Y*/)
{
    HideScopeReadouts();
    if (analyser_ && VFO)
        ScopeControls::ClickToTune(*analyser_, Button, picScope[0]->Tag().toStdString(), IQSelectUpper,
                                   modSetupRX::Model.LOOffset, *VFO);
}
