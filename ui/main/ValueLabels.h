#pragma once

#include "ui/main/PanelHub.h"

#include <QObject>

#include <cstdint>

class clsSpectrumAnalyser;

// The window's value labels (the scroll labels of ScrollLabels.h) as the user meets them: the
// records' start-up values, the label under the pointer highlighted, the right button's reset
// to the default, and the keys that step the focused label or move the focus. The panels bind
// their labels to the records; the companion controls and the keyboard's landing place are
// theirs, asked for through the hub.
class ValueLabels : public QObject
{
public:
    explicit ValueLabels(PanelHub& hub);
    ValueLabels(const ValueLabels&) = delete;
    ValueLabels& operator=(const ValueLabels&) = delete;
    ~ValueLabels() override;

    // Start-up: every record's limits, steps, picture and apply routine; the analyser, when
    // there is one, gives its labels their colours, smoothing and frame rate.
    void FillScrollLabels(clsSpectrumAnalyser* analyser);
    // A crystal receiver's offset from its crystal becomes the RIT label's value.
    void ConnectRIT();
    // The records outlive the window: its labels, companions, analyser and RIT let go.
    void Release();

    void HiLiteScrollLabel(int16_t ID);
    void LoLiteScrollLabel(int16_t ID);
    void ScrollLabel_MouseDown(int16_t ID, int Button);
    void Form_KeyDown(int KeyCode, int Shift);   // Qt key code; shift 1 Shift, 2 Ctrl, 4 Alt

    // The volume label's value for the output level in force.
    static float OutputVolumeValue();

private:
    void FillNoiseAndVolumeLabels();
    void FillNotchAndAGCLabels();
    void FillScopeLabels(const clsSpectrumAnalyser* analyser);
    void ConnectScrollLabels();

    PanelHub& hub_;
    bool hiLiteBusy_ = false;
};
