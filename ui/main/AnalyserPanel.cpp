#include "ui/main/AnalyserPanel.h"

#include "core/Settings.h"
#include "dsp/ReceiveState.h"
#include "ui/common/ClickRule.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/common/Slider.h"
#include "ui/main/PanelHub.h"
#include "ui/scope/clsSpectrumAnalyser.h"

#include <QCheckBox>
#include <QEvent>

#include <cmath>

using namespace PanelBuilder;

namespace {

constexpr int PlotMargin = 90;   // twips between the container's edge and the plot

}   // namespace

// The spectrum display (two pictures drawn into by turns) and, beside it, the panel of its controls.
AnalyserPanel::AnalyserPanel(QWidget* container, Place display, Place controls, PanelHub& hub,
                             const std::unique_ptr<clsSpectrumAnalyser>& analyser)
    : hub_(hub), analyser_(analyser)
{
    CreateDisplay(container, display);
    CreateModeControls(container, controls);
    CreateChannelControls(picScopeCtls);
    ClickRule::Connect(chkSpectrumAnalyser, [this] { chkSpectrumAnalyser_Click(); });
    ConnectFrameFocus();
}

void AnalyserPanel::CreateDisplay(QWidget* container, Place display)
{
    picScopeContainer = Make<PictureBox>(container, "picScopeContainer", display);
    picScopeContainer->SetBackColor(0x202020);
    imgAreaScope = Make<Image>(picScopeContainer, "imgAreaScope", {0, 0, display.width, display.height});
    picScope = ControlArray<PictureBox>(picScopeContainer, "picScope", 2);
    lblSpectrumFreq = ControlArray<Label>(picScopeContainer, "lblSpectrumFreq", 2);
    for (int index = 0; index < 2; ++index) {
        FormControls::Place(picScope[index], PlotMargin, PlotMargin, display.width - 2 * PlotMargin,
                            display.height - 2 * PlotMargin);
        picScope[index]->SetBackColor(0x000000);
        // The cursor readout lies in the container's margin above the plot, never over it.
        FormControls::Place(lblSpectrumFreq[index], 0, 0, 1500, 180);
        lblSpectrumFreq[index]->hide();
    }
    picScope[1]->hide();
}

void AnalyserPanel::CreateModeControls(QWidget* container, Place controls)
{
    picScopeCtls = Make<PictureBox>(container, "picScopeCtls", controls);
    picScopeCtls->SetBackColor(0x000000);
    frScopeMode = MakeFrame(picScopeCtls, "frScopeMode", "Scope", {0, 0, 3180, 990});
    chkSpectrumAnalyser = MakeCheck(frScopeMode, "chkSpectrumAnalyser", "", "", {90, 195, 270, 240});
    chkScopeMode = MakeArray(frScopeMode, "chkScopeMode", ButtonArray::Kind::Check,
                             {{"Freq", "Spectrum Analyser", {390, 195, 750, 240}},
                              {"Time", "Oscilloscope", {1140, 195, 750, 240}},
                              {"Phase", "Lissajous Y1:Y2", {1890, 195, 810, 240}}});
    optSpectrumSource = MakeArray(frScopeMode, "optSpectrumSource", ButtonArray::Kind::Option,
                                  {{"IF in", "IF Input", {90, 465, 1500, 240}},
                                   {"Pre Demod", "After IF & Notch Filters", {1590, 465, 1560, 240}},
                                   {"Post Demod", "Unfiltered Demodulation", {90, 720, 1500, 240}},
                                   {"AF Out", "What you hear", {1590, 720, 1560, 240}}});
}

// The two channels' gain, shift, trigger and brightness, one row each, a line's height apart;
// sweep and Y mode.
void AnalyserPanel::CreateChannelControls(QWidget* panel)
{
    constexpr int GainRow = 195, ShiftRow = 375, TrigRow = 555, BriteRow = 735;
    frScopeChn1Ctl = MakeFrame(panel, "frScopeChn1Ctl", "Chn1", {0, 1020, 1560, 990});
    frScopeChn2Ctl = MakeFrame(panel, "frScopeChn2Ctl", "Chn2", {1620, 1020, 1560, 990});
    const char* captions[] = {"Gain", "Shift", "Trig", "Trig", "Shift", "Gain", "ms/Div", "Hz", "Brite", "Brite"};
    Frame* const containers[] = {frScopeChn1Ctl, frScopeChn1Ctl, frScopeChn1Ctl, frScopeChn2Ctl, frScopeChn2Ctl,
                                 frScopeChn2Ctl, nullptr, nullptr, frScopeChn1Ctl, frScopeChn2Ctl};
    const int tops[] = {GainRow, ShiftRow, TrigRow, TrigRow, ShiftRow, GainRow, 210, 480, BriteRow, BriteRow};
    lblScopeCtl = ControlArray<Label>(panel, "lblScopeCtl", 10);
    for (int index = 0; index < 10; ++index) {
        lblScopeCtl[index]->setText(captions[index]);
        if (containers[index])
            lblScopeCtl[index]->setParent(containers[index]);
        FormControls::Place(lblScopeCtl[index], 90, tops[index], 570, 180);
    }
    auto value = [](Frame* frame, const char* name, const char* caption, int top) {
        return MakeLabel(frame, name, caption, {660, top, 570, 180});
    };
    lblScopeChn1Gain = value(frScopeChn1Ctl, "lblScopeChn1Gain", "1.0", GainRow);
    scrollLabelBinding_.Bind(2, lblScopeChn1Gain);
    lblScopeChn1Shift = value(frScopeChn1Ctl, "lblScopeChn1Shift", "0", ShiftRow);
    scrollLabelBinding_.Bind(3, lblScopeChn1Shift);
    lblY1Bright = value(frScopeChn1Ctl, "lblY1Bright", "100", BriteRow);
    scrollLabelBinding_.Bind(lblY1BrightIndex, lblY1Bright);
    lblScopeChn2Gain = value(frScopeChn2Ctl, "lblScopeChn2Gain", "1.0", GainRow);
    scrollLabelBinding_.Bind(4, lblScopeChn2Gain);
    lblScopeChn2Shift = value(frScopeChn2Ctl, "lblScopeChn2Shift", "0", ShiftRow);
    scrollLabelBinding_.Bind(5, lblScopeChn2Shift);
    lblY2Bright = value(frScopeChn2Ctl, "lblY2Bright", "100", BriteRow);
    scrollLabelBinding_.Bind(lblY2BrightIndex, lblY2Bright);
    // The switches in a column of their own, right of the values: a box is taller than a row.
    chkChn1On = MakeCheck(frScopeChn1Ctl, "chkChn1On", "", "Y1 On", {1260, GainRow, 240, 240});
    chkChn2On = MakeCheck(frScopeChn2Ctl, "chkChn2On", "", "Y2 On", {1260, GainRow, 240, 240});
    chkTrigOn = ButtonArray(panel, "chkTrigOn", ButtonArray::Kind::Check, 2, 1);
    chkTrigOn[1]->setParent(frScopeChn1Ctl);
    chkTrigOn[2]->setParent(frScopeChn2Ctl);
    FormControls::Place(chkTrigOn[1], 1260, TrigRow - 30, 240, 240);
    FormControls::Place(chkTrigOn[2], 1260, TrigRow - 30, 240, 240);

    frScopeSweep = MakeFrame(panel, "frScopeSweep", "Timebase", {0, 2040, 1560, 870});
    lblScopeCtl[6]->setParent(frScopeSweep);
    lblScopeCtl[7]->setParent(frScopeSweep);
    // The values end at the frame's right edge, clear of their captions whatever their length.
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    lblScopeXWidth = MakeLabel(frScopeSweep, "lblScopeXWidth", "1,023", {660, 210, 840, 180}, "Sweep Adjust", right);
    scrollLabelBinding_.Bind(6, lblScopeXWidth);
    // The centre is a received frequency of up to nine digits: its value takes the room its
    // short caption ("Hz") leaves.
    FormControls::Place(lblScopeCtl[7], 90, 480, 300, 180);
    lblScopeXCentre =
        MakeLabel(frScopeSweep, "lblScopeXCentre", "511", {390, 480, 1110, 180}, "Centre Offset Adjust", right);
    scrollLabelBinding_.Bind(15, lblScopeXCentre);
    sldXWidth = MakeSlider(frScopeSweep, "sldXWidth", Qt::Horizontal, {60, 660, 720, 180}, 0, 1023);
    sldXCentre = MakeSlider(frScopeSweep, "sldXCentre", Qt::Horizontal, {780, 660, 720, 180}, 0, 1023);

    frScopeYMode = MakeFrame(panel, "frScopeYMode", "Y Mode", {1620, 2040, 1560, 870});
    chkLog = MakeCheck(frScopeYMode, "chkLog", "Lin", "Linear Y Scale", {90, 195, 600, 225});
    chkSmoothSpectrum = MakeCheck(frScopeYMode, "chkSmoothSpectrum", "Fast", "Realtime Display", {690, 195, 690, 225});
    chkSpectrumAutoGain = MakeCheck(frScopeYMode, "chkSpectrumAutoGain", "AutoGain", "", {90, 420, 1110, 225});
    chkScopeShowFilters = MakeCheck(frScopeYMode, "chkScopeShowFilters", "Show Fltr ", "Show Filter Curve",
                                    {90, 645, 1050, 210});
    sldSpectrumGain = MakeSlider(frScopeYMode, "sldSpectrumGain", Qt::Vertical, {1290, 420, 240, 420}, 0, 20, "Y Gain");
    lblSpectrumSmooth = MakeLabel(panel, "lblSpectrumSmooth", "1", {0, 0, 0, 0});
    scrollLabelBinding_.Bind(lblSpectrumSmoothIndex, lblSpectrumSmooth);
    lblFrameRate = MakeLabel(panel, "lblFrameRate", "1", {0, 0, 0, 0});
    scrollLabelBinding_.Bind(lblFrameRateIndex, lblFrameRate);
    lblSpectrumSmooth->setParent(frScopeMode);
    lblFrameRate->setParent(frScopeMode);
    FormControls::Place(lblSpectrumSmooth, 2700, 195, 210, 240);
    FormControls::Place(lblFrameRate, 2940, 195, 210, 240);
    lblSpectrumSmooth->setToolTip("Spectrum averaging");
    lblFrameRate->setToolTip("Display frame rate divider");
}

// The scope's frames only take the focus colour; the area around the plot darkens the panel.
void AnalyserPanel::ConnectFrameFocus()
{
    for (Frame* scope : {frScopeChn1Ctl, frScopeChn2Ctl, frScopeMode, frScopeSweep, frScopeYMode})
        connect(scope, &Frame::MouseMove, this, [this, scope] { hub_.FocusFrame(scope); });
    connect(imgAreaScope, &Label::MouseMove, this,
            [this](int button, int shift, double x, double y) { imgAreaScope_MouseMove(button, shift, x, y); });
}

void AnalyserPanel::ConnectControls()
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
        auto handler = slider == sldSpectrumGain ? &AnalyserPanel::sldSpectrumGain_Change
                       : slider == sldXCentre    ? &AnalyserPanel::sldXCentre_Change
                                                 : &AnalyserPanel::sldXWidth_Change;
        connect(slider, &Slider::Change, this, [this, handler] { (this->*handler)(); });
        connect(slider, &Slider::Scroll, this, [this, handler] { (this->*handler)(); });
    }
    for (int index = 0; index < 2; ++index) {
        connect(picScope[index], &PictureBox::MouseMove, this,
                [this, index](int b, int s, double x, double y) { picScope_MouseMove(index, b, s, x, y); });
        connect(picScope[index], &PictureBox::MouseDown, this,
                [this, index](int b, int s, double x, double y) { picScope_MouseDown(index, b, s, x, y); });
        picScope[index]->installEventFilter(this);
    }
}

void AnalyserPanel::ShowActive() { chkSpectrumAnalyser->setChecked(analyser_->Active()); }

void AnalyserPanel::ShowSource() { optSpectrumSource.Select(ScopeSource); }

// The mode's box is set anew, so that the mode's layout and scale boxes follow. With no
// stored analyser settings the spectrum opens logarithmic: on the linear scale's fixed
// maximum a new user would see no trace for most signals.
void AnalyserPanel::ShowAnalyserMode()
{
    const int mode = analyser_->Mode();
    if (mode == 0 && Settings::GetSetting(analyser_->Name + ".Mode.0", "LogMode").empty())
        analyser_->LogMode(true);
    chkScopeMode.SetValue(mode, 0);
    chkScopeMode.SetValue(mode, 1);
}

void AnalyserPanel::ApplyColours()
{
    if (analyser_)
        picScope[0]->SetBackColor(static_cast<uint32_t>(analyser_->ScopeBackColour()));
    picScope[1]->SetBackColor(picScope[0]->BackColor());
}

bool AnalyserPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Leave && (watched == picScope[0] || watched == picScope[1]))
        ScopePointerLeft(*static_cast<QWidget*>(watched));
    return QObject::eventFilter(watched, event);
}
