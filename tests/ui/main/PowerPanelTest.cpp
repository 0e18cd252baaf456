#include "ui/common/FormControls.h"
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
        hub.PowerOn = [this] { asked.push_back("PowerOn"); };
        hub.PowerOff = [this] { asked.push_back("PowerOff"); };
        hub.CloseWindow = [this] { asked.push_back("CloseWindow"); };
        hub.SelectDisplaySize = [this](int size) { asked.push_back("SelectDisplaySize " + std::to_string(size)); };
        hub.FocusFrame = [this](Frame* frame) { focused = frame; };
    }

    std::vector<std::string> asked;
    Frame* focused = nullptr;
    PanelHub hub;
    QWidget window;
    PowerPanel panel{&window, {9840, 870, 270, 360}, {10140, 810, 2400, 465}, hub};
};

// The switches are out of reach until the start-up lets them be used.
TEST_F(PowerPanelAlone, BuildsItsNamedSwitchesOutOfReachUntilEnabled)
{
    EXPECT_EQ(window.findChild<Frame*>("frPower"), panel.frPower);
    EXPECT_EQ(window.findChild<QPushButton*>("cmdMoreControls")->toolTip(), "All the controls");
    EXPECT_EQ(panel.frPower->findChild<QAbstractButton*>("optPwr_2")->text(), "&Close");
    panel.optPwr[0]->click();
    EXPECT_TRUE(asked.empty());
    EXPECT_FALSE(panel.optPwr[1]->isEnabled());
    panel.EnableSwitches();
    for (QAbstractButton* button : panel.optPwr)
        EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
}

TEST_F(PowerPanelAlone, TheSwitchesAndTheWayBackAskTheWindowAndTheSizes)
{
    panel.EnableSwitches();
    panel.optPwr[0]->click();
    panel.optPwr[0]->click();   // already on: nothing runs again
    panel.optPwr[1]->click();
    panel.optPwr[2]->click();
    panel.cmdMoreControls->click();
    EXPECT_EQ(asked, (std::vector<std::string>{"PowerOn", "PowerOff", "CloseWindow", "SelectDisplaySize 1"}));
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

TEST_F(PowerPanelAlone, ColoursGoBackToTheSwitchesOwn)
{
    panel.ApplyColours();
    EXPECT_EQ(FormControls::ForeColour(panel.optPwr[0]), 0x00FF00u);
    EXPECT_EQ(FormControls::ForeColour(panel.optPwr[1]), 0x0000FFu);
    EXPECT_EQ(FormControls::ForeColour(panel.optPwr[2]), 0x00FFFFu);
}

}   // namespace
