#pragma once

#include "ui/common/ControlArray.h"
#include "ui/main/PanelHub.h"
#include "ui/main/ScrollLabels.h"
#include "ui/main/TuningDisplay.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>

class Dial;
class Frame;
class Image;
class Label;
class PictureBox;
class QComboBox;
class QMenu;
class QWidget;
class SevenSegmentLabel;
class Shape;

// The frequency control: the seven-segment display with its unit labels, step marker and
// clock, the tuning-rate label and its lock, the tuning-step list, the tuning dial, the VFO
// control menu, and the RIT and IF-shift value labels. Every tuning input it owns ends in the
// one VFO; the tuning timer serves the pending steps and redraws the digits from it. The
// display is also where the window's keys land (TakeKeyboardFocus).
class FrequencyPanel : public QObject
{
public:
    static constexpr int TuneTimerInterval = 250;   // ms, until a display key makes it 20
    static constexpr int ClockInterval = 500;       // ms

    // Builds the frequency frame in container; buildPresets fills the band and presets frame,
    // which lies inside it between the tuning-rate controls and the dial.
    FrequencyPanel(QWidget* container, PanelHub& hub, const std::function<void(Frame* frFreqCtl)>& buildPresets = {});
    FrequencyPanel(const FrequencyPanel&) = delete;
    FrequencyPanel& operator=(const FrequencyPanel&) = delete;

    // The RIT and IF-shift value labels, which stand among the receive controls in container.
    void CreateOffsetLabels(QWidget* container, int top);

    // The start-up's parts: the handlers bound with the window's (the VFO control menu made
    // with them), the dial's range, the tuning-step list, the timers.
    void ConnectTuning();
    void InitialiseDialTuner();
    void FillTuningStepList();
    void StartTuneTimer();
    void StartClock();
    // The window's unloading: the timers stop and the shaft encoder lets go of the dial.
    void StopTimers();
    void ReleaseTuning();
    // The colour scheme's part of the frequency control, after the scheme went over every control.
    void ApplyColours();
    // The display takes the keyboard, so that the window sees the keys.
    void TakeKeyboardFocus();
    // The lock image shows the VFO's step lock.
    void ShowTuneStepLock();

    // Frequency display and direct tuning. Key codes are Qt's; buttons 1 left, 2 right.
    void Display7Seg(const std::string& Digits);
    void SetTuneRateLabel(int32_t D, float M);
    void lbl7Seg_MouseMove(int Index);
    void lbl7Seg_MouseDown(int Index, int Button);
    void lblScale_Click(int Index);
    void lblTuningRate_Click();
    void picFreqDisp_MouseMove();
    void picFreqDisp_KeyDown(int KeyCode);
    void picFreqDisp_KeyUp();
    void picFreqDisp_MouseUp(int Button);
    void img7SegArea_MouseMove(int Button, int Shift, double X, double Y);
    void tmrTune_Timer();
    void mnuVFOControlSub_Click(int Index);
    // The UTC clock in the display; the RIT only for a tuned oscillator.
    void tmrClock_Timer();

    // Tuning-step list, digit lock and tuning dial.
    void SetTuneStep(int32_t Index, bool Unlock);
    void cboTuningSteps_Click();
    void lblTuneDialRate_MouseDown(int Button);
    void lblTuningRate_MouseDown(int Button);
    void lbl7Seg_Click(int Index);
    void lbl7Seg_DblClick(int Index);
    void imgTuneStepLock_DblClick();
    void DialTuner_Changing();
    void mnuVFOStepSub_Click(int Index);

    int32_t TuneDigit = 0;         // the digit (0 to 8) the display's Left and Right keys move over
    bool TuneRateLocked = false;   // the tuning-rate lock: hovering keeps the step, the dial tunes by it
    TuningControlState Tuning;

    QTimer tmrTune;
    QTimer tmrClock;
    QMenu* mnuVFOControl = nullptr;   // "VFO Control"; its "Tag" property names the digit

    Frame* frFreqCtl = nullptr;
    Image* img7SegArea = nullptr;
    PictureBox* picFreqDisp = nullptr;
    ControlArray<SevenSegmentLabel> lbl7Seg;
    ControlArray<Shape> shpDP;
    ControlArray<Label> lblScale;
    Shape* shpTuneStep = nullptr;
    Label* lblClock = nullptr;
    Label* lblTuningRate = nullptr;
    Image* imgTuneStepLock = nullptr;
    QComboBox* cboTuningSteps = nullptr;
    PictureBox* picTuneDial = nullptr;
    Dial* dialtuner = nullptr;
    Label* lblTuneDialRate = nullptr;
    Label* lblBFODesc = nullptr;
    Label* lblBFO = nullptr;
    Label* lblIFShiftDesc = nullptr;
    Label* lblIFShift = nullptr;

protected:
    // The display's keys, the tuning-step list's Esc and loss of focus, and the pointer
    // entering the tuning dial, as they reach those controls. Nothing is consumed.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateDisplay();
    void CreateRateControls();
    void CreateTuneDial();
    void ConnectFrequencyDisplay();
    void CreateVFOControlMenu();
    void DisplayKey(const QEvent& event);
    void ListEvent(const QEvent& event);
    void ShowTuningStepList(int left, int top);
    void PlaceTuneStepMarker(int digit);
    void MoveDialFromCode(int32_t value);

    PanelHub& hub_;
    ScrollLabelBinding scrollLabelBinding_;
};
