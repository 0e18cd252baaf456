#pragma once

#include "ui/common/ButtonArray.h"
#include "ui/common/ControlArray.h"
#include "ui/main/PanelHub.h"
#include "ui/main/ScrollLabels.h"

#include <QObject>

#include <cstdint>

class Dial;
class Frame;
class Label;
class QCheckBox;
class QEvent;
class QWidget;
class Slider;

// The receive controls: demodulation mode, AF filter with its edges, IF filter, notch, AGC,
// noise reducer, and the injection and I/Q switches with the balance and phase sliders. They
// set the receive state (dsp/ReceiveState.h) and its filters; what lies outside them (the sound
// card, the analyser, the frequency display, the frames' and value labels' focus) they ask of
// the hub.
class ReceivePanel : public QObject
{
public:
    // Builds the mode, filter, notch, AGC and noise-reducer frames in container, their upper
    // row of frames at upperRow and the lower at lowerRow (twips).
    ReceivePanel(QWidget* container, PanelHub& hub, int upperRow, int lowerRow);
    ReceivePanel(const ReceivePanel&) = delete;
    ReceivePanel& operator=(const ReceivePanel&) = delete;

    // The injection and I/Q switches and sliders, built after the tuning offsets' labels.
    void CreateInjectionControls(QWidget* container);
    // The handlers, bound at the start-up's step that binds the window's handlers.
    void ConnectSwitches();
    void ConnectSliders();
    void ConnectHover();
    // After the colour scheme went over every control: the low-side box in the colour of the
    // injection side it shows, or in the tuning colour while no side has been set.
    void ApplyColours();

    // The controls in line with the state in force (start-up).
    void InitialiseReceiveControls();
    void ShowInjectionSide();

    // Demodulation mode and the DRM decoder (ReceivePanel_Mode.cpp).
    void optMode_Click(int Index);
    void RunDREAM();

    // AF filter presets, IF filter and notch modes (ReceivePanel_Filters.cpp).
    void optFilter_Click(int Index);   // 0..4 a preset, -1 the edges in force, -2 the sliders' edges
    void optIFFilter_Click(int Index);
    void optNotch_Click(int Index);

    // Switches (ReceivePanel_Switches.cpp).
    void chkDynFilter_Click();
    void chkFlipIQ_Click();
    void chkIQSelectUpper_Click();
    void chkNB_Click();
    void chkNotchOn_Click();
    void chkNotchAuto_Click();
    void chkNotchMirror_Click();
    void chkNotchType_Click();
    void chkIFFilter_Click();
    void chkMusic_Click();
    void chkAGC_Click();
    void chkTuneLo_Click();
    void optAGC_Click(int Index);
    void dialNB_Changing();

    // Sliders (ReceivePanel_Sliders.cpp); the edge sliders' index is 0 low, 1 high.
    void sldAGCAttack_Change();
    void sldAGCDecay_Change();
    void sldBalance_Change();
    void sldBW_Change(int Index);
    void sldBW_MouseDown(int Index, int Button);
    void sldBW_MouseMove(int Index, double X, double Y);
    void sldNB_Change();
    // Start-up: the noise reducer's slider and knob take its value label's range, start at 0
    // and apply it.
    void InitialiseNoiseReducerSlider();
    void InitialiseNoiseReducerKnob();
    void sldNB_MouseDown(int Button);
    void sldNotch_Change();
    void sldNotchWidth_Change();
    void sldPhaseAngle_Change();
    void ShowFilterEdges();

    // Hover over the mode and filter frames.
    void frDemod_MouseMove(int Button, int Shift, double X, double Y);
    void frFilters_MouseMove(int Button, int Shift, double X, double Y);

    double PhaseAngle = 0.0;   // the phasing angle last set
    bool DreamStarting = false;   // the DRM decoder is being started (preset tracking waits)

    Frame* frDemod = nullptr;
    ButtonArray optMode;
    Frame* frFilters = nullptr;
    ButtonArray optFilter;
    QCheckBox* chkDynFilter = nullptr;
    QCheckBox* chkMusic = nullptr;
    ControlArray<Slider> sldBW;
    Label* lblFloDesc = nullptr;
    Label* lblFLo = nullptr;
    Label* lblFHiDesc = nullptr;
    Label* lblFHi = nullptr;
    Label* lblFilterLo = nullptr;
    Label* lblFilterHi = nullptr;
    Frame* frIFFilter = nullptr;
    QCheckBox* chkIFFilter = nullptr;
    ButtonArray optIFFilter;
    Label* lblIFHiDesc = nullptr;
    Label* lblIFHi = nullptr;
    Label* lblIFLoDesc = nullptr;
    Label* lblIFLo = nullptr;
    Frame* frNotch = nullptr;
    QCheckBox* chkNotchOn = nullptr;
    QCheckBox* chkNotchAuto = nullptr;
    QCheckBox* chkNotchMirror = nullptr;
    QCheckBox* chkNotchType = nullptr;
    ButtonArray optNotch;
    Label* lblNotchCDesc = nullptr;
    Label* lblNotchC = nullptr;
    Label* lblNotchWDesc = nullptr;
    Label* lblNotchW = nullptr;
    Slider* sldNotch = nullptr;
    Slider* sldNotchWidth = nullptr;
    Label* lblNotch = nullptr;
    Label* lblNotchWidth = nullptr;
    Frame* frAGC = nullptr;
    QCheckBox* chkAGC = nullptr;
    ButtonArray optAGC;
    Slider* sldAGCAttack = nullptr;
    Slider* sldAGCDecay = nullptr;
    Label* lblAGCAttack = nullptr;
    Label* lblAGCDecay = nullptr;
    Frame* frNB = nullptr;
    QCheckBox* chkNB = nullptr;
    Dial* dialNB = nullptr;
    Slider* sldNB = nullptr;
    Label* lblNB = nullptr;
    QCheckBox* chkTuneLo = nullptr;
    QCheckBox* chkIQSelectUpper = nullptr;
    QCheckBox* chkFlipIQ = nullptr;
    Slider* sldBalance = nullptr;
    Slider* sldPhaseAngle = nullptr;
    Slider* sldPwm = nullptr;

protected:
    // An edge slider that loses the focus gives its labels their normal colour back.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateFilterControls(QWidget* container);
    void CreateNotchControls(QWidget* container);
    void CreateLevelControls(QWidget* container);
    void ConnectFrameFocus();
    void LeaveDRM();
    void EnterDRM();
    void ShowIFEdgeLabels(bool shown);
    void ApplyNotchMode();
    void ShowManualNotchControls(bool shown);
    void TakeAFNotchRange();
    void ColourEdgeLabels(int Index, uint32_t colour);
    void ShowInjectionColour();

    PanelHub& hub_;
    const int upperRow_;
    const int lowerRow_;
    ScrollLabelBinding scrollLabelBinding_;

    bool injectionShown_ = false;   // the low-side box has shown its side's colour
    bool modeBusy_ = false;
    bool ifFilterBusy_ = false;
    bool notchBusy_ = false;
    bool notchAutoBusy_ = false;
    bool notchTypeBusy_ = false;
    bool ifFilterCheckBusy_ = false;
    bool agcBusy_ = false;
    bool dialNBBusy_ = false;
    bool agcAttackBusy_ = false;
    bool agcDecayBusy_ = false;
    bool edgeBusy_ = false;
    bool nbSliderBusy_ = false;
    bool notchWidthBusy_ = false;
    bool showFilterEdgesBusy_ = false;
};
