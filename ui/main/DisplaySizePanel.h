#pragma once

#include "ui/common/ButtonArray.h"
#include "ui/main/PanelBuilder.h"

class Frame;
class QWidget;
struct PanelHub;

// The four display sizes (Comp, Std, Ext, Full). A size cuts the window's client area off at
// its marker line; the two small sizes switch the statistics and the analyser off, the two
// large ones let their check boxes decide. The window's size, its marker lines and the check
// boxes are reached through the hub; the size in force is the process-wide DisplayMode.
class DisplaySizePanel
{
public:
    // Builds the frame with its size buttons in container, the frame at place (twips).
    DisplaySizePanel(QWidget* container, PanelBuilder::Place place, PanelHub& hub);
    DisplaySizePanel(const DisplaySizePanel&) = delete;
    DisplaySizePanel& operator=(const DisplaySizePanel&) = delete;

    void optDisplaySize_Click(int Index);

    Frame* frDispMode = nullptr;
    ButtonArray optDisplaySize;

private:
    PanelHub& hub_;
};
