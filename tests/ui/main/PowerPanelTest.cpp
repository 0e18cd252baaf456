#include "ui/common/Frame.h"
#include "ui/main/PanelHub.h"
#include "ui/main/PowerPanel.h"

#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The panel alone in a bare window, on a hub that records what the panel asks for.
class PowerPanelAlone : public ::testing::Test
{
protected:
    PowerPanelAlone()
    {
        hub.PowerOn = [this] { asked.push_back("on"), on = starts; };
        hub.PowerOff = [this] { asked.push_back("off"), on = false; };
        hub.PowerIsOn = [this] { return on; };
        hub.CloseWindow = [this] { asked.push_back("close"); };
        hub.SelectDisplaySize = [this](int size) { asked.push_back("size " + std::to_string(size)); };
        hub.FocusFrame = [this](Frame* frame) { focused = frame; };
    }

    std::vector<std::string> asked;
    bool on = false;
    bool starts = true;   // the receiver comes on when asked
    Frame* focused = nullptr;
    PanelHub hub;
    QWidget window;
    PowerPanel panel{&window, {9840, 870, 270, 360}, {10140, 810, 2400, 465}, hub};
};

// Out of reach until the start-up enables them; then each switch asks once for its action.
TEST_F(PowerPanelAlone, TheSwitchesAndTheWayBackAskForTheirActions)
{
    EXPECT_EQ(panel.frPower->findChild<QAbstractButton*>("optPwr_2")->text(), "&Close");
    EXPECT_EQ(window.findChild<QPushButton*>("cmdMoreControls"), panel.cmdMoreControls);
    panel.optPwr[0]->click();
    EXPECT_TRUE(asked.empty());
    panel.EnableSwitches();
    panel.optPwr[0]->click();
    panel.optPwr[0]->click();   // already on: nothing runs again
    panel.optPwr[1]->click();
    panel.optPwr[2]->click();
    panel.cmdMoreControls->click();
    EXPECT_EQ(asked, (std::vector<std::string>{"on", "off", "close", "size 1"}));

    // A receiver that does not come on: the switch shows Off again.
    starts = false;
    panel.optPwr[0]->click();
    EXPECT_EQ(panel.optPwr.Selected(), 1);
}

// 15 twips a pixel: the window follows the pointer's travel over the frame while a button is held.
TEST_F(PowerPanelAlone, TheFrameDragsItsWindowWhileAButtonIsHeld)
{
    window.move(200, 100);
    emit panel.frPower->MouseMove(0, 0, 450, 90);
    EXPECT_EQ(focused, panel.frPower);
    EXPECT_EQ(window.pos(), QPoint(200, 100));
    emit panel.frPower->MouseDown(1, 0, 300, 120);
    emit panel.frPower->MouseMove(1, 0, 450, 90);
    EXPECT_EQ(window.pos(), QPoint(210, 98));
    emit panel.frPower->MouseUp(1, 0, 450, 90);
    emit panel.frPower->MouseMove(0, 0, 900, 90);
    EXPECT_EQ(window.pos(), QPoint(210, 98));
}

}   // namespace
