#include "ui/main/DisplaySizePanel.h"

#include "dsp/ReceiveState.h"
#include "ui/common/Frame.h"
#include "ui/main/FrontPanel.h"
#include "ui/main/PanelHub.h"

using namespace PanelBuilder;

DisplaySizePanel::DisplaySizePanel(QWidget* container, Place place, PanelHub& hub)
    : hub_(hub)
{
    frDispMode = MakeFrame(container, "frDispMode", "Display", place);
    optDisplaySize = MakeArray(frDispMode, "optDisplaySize", ButtonArray::Kind::Option,
                               {{"Comp", "Just VFO & S Meter", {120, 300, 630, 330}},
                                {"Std", "All the controls", {810, 300, 630, 330}},
                                {"Ext", "Spectrum Display & Configuration Buttons", {1500, 300, 630, 330}},
                                {"Full", "Everything + Config Button", {2190, 300, 630, 330}}});
    Graphical(optDisplaySize);
    optDisplaySize.OnClick([this](int index) { optDisplaySize_Click(index); });
    // The frame takes the focus and no value label keeps it.
    QObject::connect(frDispMode, &Frame::MouseMove, frDispMode, [this] {
        hub_.FocusFrame(frDispMode);
        hub_.LoLiteScrollLabel(0);
    });
}

// The window shows the bands above the chosen size's marker line and keeps that size. The
// two small sizes switch the statistics and the analyser off; the two large ones let their
// check boxes decide again. Nothing is moved or hidden: the controls below the marker lie
// outside the window.
void DisplaySizePanel::optDisplaySize_Click(int Index)
{
    hub_.ReleaseWindowSize();
    optDisplaySize.HighlightOnly(Index);
    DisplayMode = Index;
    hub_.ShowMoreControls(Index == 0);
    switch (Index) {
    case 0:
    case 1:
        hub_.CutWindowAtSize(Index);
        PerfStatsOn = false;
        hub_.StopAnalyser();
        break;
    case 2:
    case 3:
        hub_.CutWindowAtSize(Index);
        hub_.ApplyStatisticsSwitch();
        hub_.ApplyAnalyserSwitch();
        break;
    default:
        break;
    }
    hub_.KeepWindowSize();
}
