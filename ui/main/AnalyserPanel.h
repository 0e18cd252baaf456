#pragma once

#include "ui/common/ButtonArray.h"
#include "ui/common/ControlArray.h"
#include "ui/main/PanelBuilder.h"
#include "ui/main/ScrollLabels.h"

#include <QObject>

#include <memory>

class Frame;
class Image;
class Label;
class PictureBox;
class QCheckBox;
class QWidget;
class Slider;
class clsSpectrumAnalyser;
struct PanelHub;

// The spectrum display and the panel of the analyser's controls: its mode and source, the two
// channels' gain, shift, trigger and brightness, the sweep and the Y mode. The analyser itself
// is the window's, fed by the block loop; the panel steers it while there is one (until the
// start-up creates it, the handlers do nothing). The cursor's readout over the display and a
// click to tune are the panel's too.
class AnalyserPanel : public QObject
{
public:
    // Builds the display and the controls in container at their places (twips).
    AnalyserPanel(QWidget* container, PanelBuilder::Place display, PanelBuilder::Place controls, PanelHub& hub,
                  const std::unique_ptr<clsSpectrumAnalyser>& analyser);
    AnalyserPanel(const AnalyserPanel&) = delete;
    AnalyserPanel& operator=(const AnalyserPanel&) = delete;

    // The start-up's part: the handlers of the mode, source, channel and sweep controls, once
    // the analyser exists; a right press on a slider brings it back to the middle (gain,
    // centre) or the whole range (width).
    void ConnectControls();
    // The controls show what the analyser keeps: its switch, its stored source, its mode.
    void ShowActive();
    void ShowSource();
    void ShowAnalyserMode();
    // The display's pictures in the analyser's back colour after the scheme went over them.
    void ApplyColours();
    void HideScopeReadouts();

    void chkSpectrumAnalyser_Click();
    void optSpectrumSource_Click(int Index);
    void chkScopeMode_Click(int Index);
    void chkLog_Click();
    void chkSmoothSpectrum_Click();
    void chkScopeShowFilters_Click();
    void chkSpectrumAutoGain_Click();
    void chkChn1On_Click();
    void chkChn2On_Click();
    void chkTrigOn_Click(int Index);
    void sldSpectrumGain_Change();
    void sldXCentre_Change();
    void sldXWidth_Change();
    void picScope_MouseMove(int Index, int Button, int Shift, double X, double Y);
    void picScope_MouseDown(int Index, int Button, int Shift, double X, double Y);
    void imgAreaScope_MouseMove(int Button, int Shift, double X, double Y);
    void ScopePointerLeft(const QWidget& picture);

    PictureBox* picScopeContainer = nullptr;
    Image* imgAreaScope = nullptr;
    ControlArray<PictureBox> picScope;
    ControlArray<Label> lblSpectrumFreq;
    QCheckBox* chkSpectrumAnalyser = nullptr;
    PictureBox* picScopeCtls = nullptr;
    Frame* frScopeMode = nullptr;
    ButtonArray chkScopeMode;
    ButtonArray optSpectrumSource;
    Frame* frScopeChn1Ctl = nullptr;
    Frame* frScopeChn2Ctl = nullptr;
    QCheckBox* chkChn1On = nullptr;
    QCheckBox* chkChn2On = nullptr;
    ButtonArray chkTrigOn;   // elements 1 and 2
    ControlArray<Label> lblScopeCtl;
    Label* lblScopeChn1Gain = nullptr;
    Label* lblScopeChn1Shift = nullptr;
    Label* lblScopeChn2Gain = nullptr;
    Label* lblScopeChn2Shift = nullptr;
    Label* lblY1Bright = nullptr;
    Label* lblY2Bright = nullptr;
    Frame* frScopeSweep = nullptr;
    Label* lblScopeXWidth = nullptr;
    Label* lblScopeXCentre = nullptr;
    Slider* sldXWidth = nullptr;
    Slider* sldXCentre = nullptr;
    Frame* frScopeYMode = nullptr;
    QCheckBox* chkLog = nullptr;
    QCheckBox* chkSmoothSpectrum = nullptr;
    QCheckBox* chkSpectrumAutoGain = nullptr;
    Slider* sldSpectrumGain = nullptr;
    QCheckBox* chkScopeShowFilters = nullptr;
    Label* lblSpectrumSmooth = nullptr;
    Label* lblFrameRate = nullptr;

protected:
    // The pointer leaving the plot hides the readout.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateDisplay(QWidget* container, PanelBuilder::Place display);
    void CreateModeControls(QWidget* container, PanelBuilder::Place controls);
    void CreateChannelControls(QWidget* panel);
    void ConnectFrameFocus();

    PanelHub& hub_;
    const std::unique_ptr<clsSpectrumAnalyser>& analyser_;
    ScrollLabelBinding scrollLabelBinding_;
    bool scopeModeBusy_ = false;
    bool trigOnBusy_ = false;
};
