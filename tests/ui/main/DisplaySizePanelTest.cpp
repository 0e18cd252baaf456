#include "dsp/ReceiveState.h"
#include "ui/common/Frame.h"
#include "ui/main/DisplaySizePanel.h"
#include "ui/main/FrontPanel.h"
#include "ui/main/PanelHub.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Requests = std::vector<std::string>;

// The panel alone in a bare window, on a hub that records what the panel asks for in order,
// and on the process-wide size and statistics switch (put back after each case).
class DisplaySizePanelAlone : public ::testing::Test
{
protected:
    DisplaySizePanelAlone()
    {
        const auto record = [this](const char* request) { return [this, request] { asked.push_back(request); }; };
        hub.ReleaseWindowSize = record("release");
        hub.CutWindowAtSize = [this](int size) { asked.push_back("cut " + std::to_string(size)); };
        hub.KeepWindowSize = record("keep");
        hub.ShowMoreControls = [this](bool shown) { asked.push_back(shown ? "more shown" : "more hidden"); };
        hub.StopAnalyser = record("analyser off");
        hub.ApplyAnalyserSwitch = record("analyser box");
        hub.ApplyStatisticsSwitch = record("statistics box");
        PerfStatsOn = true;
    }
    ~DisplaySizePanelAlone() override
    {
        DisplayMode = 2;
        PerfStatsOn = false;
    }

    Requests asked;
    PanelHub hub;
    QWidget window;
    DisplaySizePanel panel{&window, {9660, 2850, 2880, 780}, hub};
};

// The kept size is let go before the window is cut, and what it came to kept last.
TEST_F(DisplaySizePanelAlone, ASmallSizeSwitchesStatisticsAndAnalyserOff)
{
    EXPECT_EQ(window.findChild<Frame*>("frDispMode")->findChild<QAbstractButton*>("optDisplaySize_0"),
              panel.optDisplaySize[0]);
    panel.optDisplaySize.Select(0);
    EXPECT_EQ(asked, (Requests{"release", "more shown", "cut 0", "analyser off", "keep"}));
    EXPECT_FALSE(PerfStatsOn);
    EXPECT_EQ(DisplayMode, 0);
}

TEST_F(DisplaySizePanelAlone, ALargeSizeLetsTheCheckBoxesDecideAgain)
{
    panel.optDisplaySize.Select(3);
    EXPECT_EQ(asked, (Requests{"release", "more hidden", "cut 3", "statistics box", "analyser box", "keep"}));
    EXPECT_TRUE(PerfStatsOn) << "the statistics' own box decides";
    EXPECT_EQ(DisplayMode, 3);
}

}   // namespace
