#include "ui/main/frmMain.h"

#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/common/Slider.h"
#include "ui/main/PanelBuilder.h"
#include "ui/main/ScrollLabels.h"

#include <QCheckBox>

using namespace PanelBuilder;

namespace {

constexpr int ScopeTop = 3690;
constexpr int ScopeHeight = 2910;

}   // namespace

// The spectrum display (two pictures drawn into by turns), the panel of its controls and, beside
// them, the statistics.
void frmMain::CreateScopeControls(QWidget* form)
{
    picScopeContainer = Make<PictureBox>(form, "picScopeContainer", {60, ScopeTop, 6900, ScopeHeight});
    picScopeContainer->SetBackColor(0x202020);
    imgAreaScope = Make<Image>(picScopeContainer, "imgAreaScope", {0, 0, 6900, ScopeHeight});
    picScope = ControlArray<PictureBox>(picScopeContainer, "picScope", 2);
    lblSpectrumFreq = ControlArray<Label>(picScopeContainer, "lblSpectrumFreq", 2);
    for (int index = 0; index < 2; ++index) {
        FormControls::Place(picScope[index], 90, 90, 6720, ScopeHeight - 180);
        picScope[index]->SetBackColor(0x000000);
        // The cursor readout lies in the container's margin above the plot, never over it.
        FormControls::Place(lblSpectrumFreq[index], 0, 0, 1500, 180);
        lblSpectrumFreq[index]->hide();
    }
    picScope[1]->hide();

    picScopeCtls = Make<PictureBox>(form, "picScopeCtls", {7020, ScopeTop, 3180, ScopeHeight});
    picScopeCtls->SetBackColor(0x000000);
    frScopeMode = MakeFrame(picScopeCtls, "frScopeMode", "Scope", {0, 0, 3180, 1050});
    chkSpectrumAnalyser = MakeCheck(frScopeMode, "chkSpectrumAnalyser", "", "", {90, 210, 270, 240});
    chkScopeMode = MakeArray(frScopeMode, "chkScopeMode", ButtonArray::Kind::Check,
                             {{"Freq", "Spectrum Analyser", {390, 210, 750, 240}},
                              {"Time", "Oscilloscope", {1140, 210, 750, 240}},
                              {"Phase", "Lissajous Y1:Y2", {1890, 210, 810, 240}}});
    optSpectrumSource = MakeArray(frScopeMode, "optSpectrumSource", ButtonArray::Kind::Option,
                                  {{"IF in", "IF Input", {90, 510, 1500, 240}},
                                   {"Pre Demod", "After IF & Notch Filters", {1590, 510, 1560, 240}},
                                   {"Post Demod", "Unfiltered Demodulation", {90, 765, 1500, 240}},
                                   {"AF Out", "What you hear", {1590, 765, 1560, 240}}});
    CreateChannelControls(picScopeCtls);
    Statistics = std::make_unique<StatisticsPanel>(form, Place{10260, ScopeTop, 2280, ScopeHeight});
}

// The two channels' gain, shift, trigger and brightness; sweep and Y mode.
void frmMain::CreateChannelControls(QWidget* panel)
{
    frScopeChn1Ctl = MakeFrame(panel, "frScopeChn1Ctl", "Chn1", {0, 1080, 1560, 930});
    frScopeChn2Ctl = MakeFrame(panel, "frScopeChn2Ctl", "Chn2", {1620, 1080, 1560, 930});
    const char* captions[] = {"Gain", "Shift", "Trig", "Trig", "Shift", "Gain", "ms/Div", "Hz", "Brite", "Brite"};
    Frame* const containers[] = {frScopeChn1Ctl, frScopeChn1Ctl, frScopeChn1Ctl, frScopeChn2Ctl, frScopeChn2Ctl,
                                 frScopeChn2Ctl, nullptr, nullptr, frScopeChn1Ctl, frScopeChn2Ctl};
    const int tops[] = {195, 360, 525, 525, 360, 195, 210, 480, 690, 690};
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
    lblScopeChn1Gain = value(frScopeChn1Ctl, "lblScopeChn1Gain", "1.0", 195);
    scrollLabelBinding_.Bind(2, lblScopeChn1Gain);
    lblScopeChn1Shift = value(frScopeChn1Ctl, "lblScopeChn1Shift", "0", 360);
    scrollLabelBinding_.Bind(3, lblScopeChn1Shift);
    lblY1Bright = value(frScopeChn1Ctl, "lblY1Bright", "100", 690);
    scrollLabelBinding_.Bind(lblY1BrightIndex, lblY1Bright);
    lblScopeChn2Gain = value(frScopeChn2Ctl, "lblScopeChn2Gain", "1.0", 195);
    scrollLabelBinding_.Bind(4, lblScopeChn2Gain);
    lblScopeChn2Shift = value(frScopeChn2Ctl, "lblScopeChn2Shift", "0", 360);
    scrollLabelBinding_.Bind(5, lblScopeChn2Shift);
    lblY2Bright = value(frScopeChn2Ctl, "lblY2Bright", "100", 690);
    scrollLabelBinding_.Bind(lblY2BrightIndex, lblY2Bright);
    chkChn1On = MakeCheck(frScopeChn1Ctl, "chkChn1On", "", "Y1 On", {1260, 195, 240, 240});
    chkChn2On = MakeCheck(frScopeChn2Ctl, "chkChn2On", "", "Y2 On", {1260, 195, 240, 240});
    chkTrigOn = ButtonArray(panel, "chkTrigOn", ButtonArray::Kind::Check, 2, 1);
    chkTrigOn[1]->setParent(frScopeChn1Ctl);
    chkTrigOn[2]->setParent(frScopeChn2Ctl);
    FormControls::Place(chkTrigOn[1], 660, 495, 300, 240);
    FormControls::Place(chkTrigOn[2], 660, 495, 300, 240);

    frScopeSweep = MakeFrame(panel, "frScopeSweep", "Timebase", {0, 2040, 1560, 870});
    lblScopeCtl[6]->setParent(frScopeSweep);
    lblScopeCtl[7]->setParent(frScopeSweep);
    lblScopeXWidth = MakeLabel(frScopeSweep, "lblScopeXWidth", "1,023", {600, 210, 930, 180}, "Sweep Adjust");
    scrollLabelBinding_.Bind(6, lblScopeXWidth);
    lblScopeXCentre = MakeLabel(frScopeSweep, "lblScopeXCentre", "511", {600, 480, 930, 180}, "Centre Offset Adjust");
    scrollLabelBinding_.Bind(15, lblScopeXCentre);
    sldXWidth = MakeSlider(frScopeSweep, "sldXWidth", Qt::Horizontal, {60, 660, 720, 180}, 0, 1023);
    sldXCentre = MakeSlider(frScopeSweep, "sldXCentre", Qt::Horizontal, {780, 660, 720, 180}, 0, 1023);

    frScopeYMode = MakeFrame(panel, "frScopeYMode", "Y Mode", {1620, 2040, 1560, 870});
    chkLog = MakeCheck(frScopeYMode, "chkLog", "Lin", "Linear Y Scale", {90, 195, 600, 225});
    chkSmoothSpectrum = MakeCheck(frScopeYMode, "chkSmoothSpectrum", "Fast", "Realtime Display", {690, 195, 690, 225});
    chkSpectrumAutoGain = MakeCheck(frScopeYMode, "chkSpectrumAutoGain", "AutoGain", "", {90, 420, 1110, 225});
    chkScopeShowFilters = MakeCheck(frScopeYMode, "chkScopeShowFilters", "Show Fltr ", "Show Filter Curve",
                                    {90, 645, 1050, 210});
    sldSpectrumGain = MakeSlider(frScopeYMode, "sldSpectrumGain", Qt::Vertical, {1290, 360, 240, 480}, 0, 20, "Y Gain");
    lblSpectrumSmooth = MakeLabel(panel, "lblSpectrumSmooth", "1", {0, 0, 0, 0});
    scrollLabelBinding_.Bind(lblSpectrumSmoothIndex, lblSpectrumSmooth);
    lblFrameRate = MakeLabel(panel, "lblFrameRate", "1", {0, 0, 0, 0});
    scrollLabelBinding_.Bind(lblFrameRateIndex, lblFrameRate);
    lblSpectrumSmooth->setParent(frScopeMode);
    lblFrameRate->setParent(frScopeMode);
    FormControls::Place(lblSpectrumSmooth, 2700, 210, 210, 240);
    FormControls::Place(lblFrameRate, 2940, 210, 210, 240);
    lblSpectrumSmooth->setToolTip("Spectrum averaging");
    lblFrameRate->setToolTip("Display frame rate divider");
}
