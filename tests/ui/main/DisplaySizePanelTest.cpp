#include "dsp/ReceiveState.h"
#include "ui/common/FormControls.h"
#include "ui/common/Frame.h"
#include "ui/main/DisplaySizePanel.h"
#include "ui/main/FrontPanel.h"
#include "ui/main/PanelHub.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The panel alone in a bare window, on a hub that records what the panel asks for in order,
// and on the process-wide size and statistics switch (put back after each case).
class DisplaySizePanelAlone : public ::testing::Test
{
protected:
    DisplaySizePanelAlone()
    {
        const auto record = [this](const std::string& request) {
            return [this, request] { asked.push_back(request); };
        };
        hub.ReleaseWindowSize = record("release");
        hub.CutWindowAtSize = [this](int size) { asked.push_back("cut " + std::to_string(size)); };
        hub.KeepWindowSize = record("keep");
        hub.ShowMoreControls = [this](bool shown) { asked.push_back(shown ? "more shown" : "more hidden"); };
        hub.StopAnalyser = record("analyser off");
        hub.ApplyAnalyserSwitch = record("analyser box");
        hub.ApplyStatisticsSwitch = record("statistics box");
        hub.FocusFrame = [this](Frame* frame) { focused = frame; };
        hub.LoLiteScrollLabel = [this](int16_t id) { asked.push_back("lolite " + std::to_string(id)); };
    }
    ~DisplaySizePanelAlone() override
    {
        DisplayMode = 2;
        PerfStatsOn = false;
    }

    std::vector<std::string> asked;
    Frame* focused = nullptr;
    PanelHub hub;
    QWidget window;
    DisplaySizePanel panel{&window, {9660, 2850, 2880, 780}, hub};
};

TEST_F(DisplaySizePanelAlone, BuildsItsNamedSizeButtonsAndTakesTheFocusUnderThePointer)
{
    EXPECT_EQ(window.findChild<Frame*>("frDispMode"), panel.frDispMode);
    EXPECT_EQ(panel.frDispMode->findChild<QAbstractButton*>("optDisplaySize_3")->text(), "Full");
    EXPECT_EQ(panel.optDisplaySize[2]->toolTip(), "Spectrum Display & Configuration Buttons");
    emit panel.frDispMode->MouseMove(0, 0, 100, 100);
    EXPECT_EQ(focused, panel.frDispMode);
    EXPECT_EQ(asked, std::vector<std::string>{"lolite 0"});
}

// The kept size is let go before the window is cut, and what it came to kept after the
// statistics and the analyser had their say.
TEST_F(DisplaySizePanelAlone, ASmallSizeSwitchesStatisticsAndAnalyserOff)
{
    PerfStatsOn = true;
    panel.optDisplaySize.Select(0);
    EXPECT_EQ(asked, (std::vector<std::string>{"release", "more shown", "cut 0", "analyser off", "keep"}));
    EXPECT_FALSE(PerfStatsOn);
    EXPECT_EQ(DisplayMode, 0);
    EXPECT_EQ(FormControls::ForeColour(panel.optDisplaySize[0]), 0xFFFF00u);
    EXPECT_EQ(FormControls::ForeColour(panel.optDisplaySize[1]), 0xC0C000u);
}

TEST_F(DisplaySizePanelAlone, ALargeSizeLetsTheCheckBoxesDecideAgain)
{
    PerfStatsOn = true;
    panel.optDisplaySize.Select(3);
    EXPECT_EQ(asked, (std::vector<std::string>{"release", "more hidden", "cut 3", "statistics box", "analyser box",
                                               "keep"}));
    EXPECT_TRUE(PerfStatsOn) << "the statistics' own box decides";
    EXPECT_EQ(DisplayMode, 3);
}

}   // namespace
