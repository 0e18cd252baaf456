#pragma once

#include "ui/common/ControlArray.h"
#include "ui/main/PanelBuilder.h"

class PictureBox;
class QPushButton;
class QWidget;
class Shape;

// The S-meter: a bar of 15 segments (green S1 to S9, then yellow and red over S9) between two
// strips of grid ticks, its printed scale, and the zero button. It reads the receive state's
// level rings and keeps its own zero point; it touches nothing else of the window.
class SMeterPanel
{
public:
    // Builds the meter and the zero button in container at their places (twips).
    SMeterPanel(QWidget* container, PanelBuilder::Place meter, PanelBuilder::Place zeroButton);
    SMeterPanel(const SMeterPanel&) = delete;
    SMeterPanel& operator=(const SMeterPanel&) = delete;

    void cmdCalibrateSMeter_Click();
    // Lays the segments out and prints the scale under them; all segments dark.
    void DrawSMeter();
    // The meter's pictures black again after the colour scheme went over every control.
    void ApplyColours();
    // The level of the last blocks above the zero point; serves a zero request first.
    void ShowSMeter();
    void UpdateSMeterBar(float level);

    float NoiseFloor = 10.0f;   // the zero point, RMS in sample units
    bool SMeterZeroRequested = false;

    PictureBox* Picture = nullptr;   // the meter's container
    ControlArray<PictureBox> picSmeter;
    ControlArray<Shape> shpSMeterTick;
    ControlArray<Shape> shpSMeterGrid;
    QPushButton* cmdCalibrateSMeter = nullptr;

private:
    void ShowBackoff();

    bool sMeterBarBusy_ = false;
};
