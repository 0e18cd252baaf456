#pragma once

#include "ui/common/ButtonArray.h"
#include "ui/main/PanelBuilder.h"

#include <array>
#include <cstdint>

class Frame;
class QPushButton;
class QWidget;
struct PanelHub;

// The power switches (On, Off, Close) in their frame, by which the window can also be dragged,
// and the button that leads back from the smallest display size. Switching the receiver on or
// off and closing the window are the window's: the panel asks for them through the hub.
class PowerPanel
{
public:
    // Builds the button and the frame with its switches in container at their places (twips).
    PowerPanel(QWidget* container, PanelBuilder::Place moreControls, PanelBuilder::Place frame, PanelHub& hub);
    PowerPanel(const PowerPanel&) = delete;
    PowerPanel& operator=(const PowerPanel&) = delete;

    // 0 On, 1 Off, 2 Close. A click on On or Off while the receiver is being switched on or
    // off (the sound card lets the window's events run meanwhile) is applied after that, the
    // last one winning; the switch then shows what runs.
    void optPwr_Click(int Index);
    void frPower_MouseDown(int Button, int Shift, double X, double Y);
    void frPower_MouseMove(int Button, int Shift, double X, double Y);
    void frPower_MouseUp(int Button, int Shift, double X, double Y);

    // The switches within the user's reach, once the start-up has every table and object in place.
    void EnableSwitches();
    // The switches' own colours after the colour scheme went over every control: those of
    // the last switching, or the first ones (On green, Off red, Close yellow) before any.
    void ApplyColours();
    // On and Off in the colours of the receiver switched on or off.
    void ShowPowerColours(bool on);

    // Shown only at the smallest size, whose size buttons lie outside the window: back to Std.
    QPushButton* cmdMoreControls = nullptr;
    Frame* frPower = nullptr;
    ButtonArray optPwr;

    bool PowerFrameDragging = false;   // a window drag by the power frame is under way
    int32_t DragStartX = 0;            // twips: where the drag took the power frame
    int32_t DragStartY = 0;

private:
    void SwitchPower();
    void ShowPowerState();

    PanelHub& hub_;
    bool switching_ = false;   // On or Off is under way
    bool showing_ = false;     // the switch is being set to what runs
    int wanted_ = -1;          // the power state last clicked, not yet applied
    std::array<uint32_t, 3> colours_{0x00FF00, 0x0000FF, 0x00FFFF};   // On, Off and Close as shown
};
