#include "ui/main/PowerPanel.h"

#include "core/BusyGuard.h"
#include "core/DoEvents.h"
#include "core/frmLog.h"
#include "core/Numeric.h"
#include "ui/common/FormControls.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Frame.h"
#include "ui/main/PanelHub.h"

#include <QPushButton>

#include <utility>

using namespace PanelBuilder;

PowerPanel::PowerPanel(QWidget* container, Place moreControls, Place frame, PanelHub& hub)
    : hub_(hub)
{
    cmdMoreControls = MakeCommand(container, "cmdMoreControls", "\u25BC", "All the controls", moreControls);
    frPower = MakeFrame(container, "frPower", "Power", frame);
    optPwr = MakeArray(frPower, "optPwr", ButtonArray::Kind::Option,
                       {{"On", "Start Receiving", {120, 195, 630, 240}},
                        {"Off", "Stop Receiving", {840, 195, 630, 240}},
                        {"&Close", "Close the Receiver", {1560, 195, 780, 240}}});
    // Out of the user's reach until the start-up has every table and object in place.
    for (QAbstractButton* button : optPwr)
        button->setEnabled(false);
    optPwr.OnClick([this](int index) { optPwr_Click(index); });
    QObject::connect(cmdMoreControls, &QPushButton::clicked, cmdMoreControls, [this] { hub_.SelectDisplaySize(1); });
    QObject::connect(frPower, &Frame::MouseDown, frPower,
                     [this](int button, int shift, double x, double y) { frPower_MouseDown(button, shift, x, y); });
    QObject::connect(frPower, &Frame::MouseMove, frPower,
                     [this](int button, int shift, double x, double y) { frPower_MouseMove(button, shift, x, y); });
    QObject::connect(frPower, &Frame::MouseUp, frPower,
                     [this](int button, int shift, double x, double y) { frPower_MouseUp(button, shift, x, y); });
}

void PowerPanel::optPwr_Click(int Index)
{
    if (Index == 2) {
        hub_.CloseWindow();
        return;
    }
    if ((Index != 0 && Index != 1) || showing_)
        return;
    wanted_ = Index;
    if (switching_) {
        AddLog(std::string("optPwr_click : Arg=") + std::to_string(Index) + " waits for the switching under way");
        return;
    }
    SwitchPower();
}

// Each state wanted in turn, until the last one clicked has been applied (a receiver whose
// sound did not start asks for Off meanwhile); then the switch shows what runs.
void PowerPanel::SwitchPower()
{
    const BusyGuard busy(switching_);
    while (wanted_ >= 0) {
        const int index = std::exchange(wanted_, -1);
        if (index == 0)
            hub_.PowerOn();
        else
            hub_.PowerOff();
    }
    ShowPowerState();
}

void PowerPanel::ShowPowerState()
{
    const int running = hub_.PowerIsOn() ? 0 : 1;
    if (optPwr.Selected() == running)
        return;
    const BusyGuard showing(showing_);
    optPwr.Select(running);
}

// Any button on the power frame starts dragging the window by it.
void PowerPanel::frPower_MouseDown(int, int, double X, double Y)
{
    PowerFrameDragging = true;
    DragStartX = Numeric::CLng(X);
    DragStartY = Numeric::CLng(Y);
}

// The window moves by the pointer's travel over the frame, so the pointer keeps its place
// on the frame while the window follows it.
void PowerPanel::frPower_MouseMove(int, int, double X, double Y)
{
    hub_.FocusFrame(frPower);
    if (!PowerFrameDragging)
        return;
    using FormUnits::PixelsToTwips;
    using FormUnits::TwipsToPixels;
    QWidget* window = frPower->window();
    const int32_t left = Numeric::CLng(PixelsToTwips(window->x()) - DragStartX + X);
    const int32_t top = Numeric::CLng(PixelsToTwips(window->y()) - DragStartY + Y);
    window->move(TwipsToPixels(left), TwipsToPixels(top));
    DoEvents();
}

void PowerPanel::frPower_MouseUp(int, int, double, double) { PowerFrameDragging = false; }

void PowerPanel::EnableSwitches()
{
    for (QAbstractButton* button : optPwr)
        button->setEnabled(true);
}

void PowerPanel::ApplyColours()
{
    for (int button = 0; button < 3; ++button)
        FormControls::SetForeColour(optPwr[button], colours_[static_cast<size_t>(button)]);
}

// Receiving: On dark green, Off red; off: On green, Off dark red.
void PowerPanel::ShowPowerColours(bool on)
{
    colours_[0] = on ? 0x00C000 : 0x00FF00;
    colours_[1] = on ? 0x0000FF : 0x0000C0;
    ApplyColours();
}
