#include "dsp/AGCAndOutputLevel.h"
#include "dsp/ReceiveState.h"
#include "radio/HardwareObjects.h"
#include "support/AllocationCounter.h"
#include "support/ScopedTestHome.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/main/StatisticsPanel.h"

#include <QCheckBox>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace {

// The panel alone in a bare window, on receive state the test sets (and puts back).
class StatisticsPanelAlone : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InPeakRing.fill(0);
        OutPeakRing.fill(0);
        DSPTimeRing.fill(0);
        AGCGain = 1.0f;
        PerfStatsOn = false;
    }
    void TearDown() override
    {
        PerfStatsOn = false;
        VFO.reset();
    }

    QString Value(int row) const { return panel.lblStatsVal[row]->text(); }
    QString Colour(int row) const
    {
        return panel.lblStatsVal[row]->palette().color(QPalette::WindowText).name();
    }

    ScopedTestHome home;   // an oscillator saves its settings when it goes
    QWidget window;
    StatisticsPanel panel{&window, {10260, 3690, 2280, 2910}};
};

TEST_F(StatisticsPanelAlone, BuildsItsNamedControlsInsideItsFrame)
{
    EXPECT_EQ(window.findChild<Frame*>("frStats"), panel.frStats);
    EXPECT_EQ(panel.frStats->findChild<QCheckBox*>("chkPerfStatsOn"), panel.chkPerfStatsOn);
    EXPECT_EQ(panel.chkPerfStatsOn->toolTip(), "Click  Turn on Radio Stats");
    for (const auto& [row, caption] : {std::pair{0, "Peak In"}, {3, "LO"}, {5, "DSP Time"}, {9, "Thread"}}) {
        EXPECT_EQ(panel.frStats->findChild<Label*>(QString("lblStats_%1").arg(row))->text(), caption);
        EXPECT_NE(panel.frStats->findChild<Label*>(QString("lblStatsVal_%1").arg(row)), nullptr) << row;
    }
}

// The switch and the receive state follow each other, whichever side changes first.
TEST_F(StatisticsPanelAlone, TheSwitchKeepsTheRingsAndShowsTheStoredChoice)
{
    panel.chkPerfStatsOn->click();
    EXPECT_TRUE(PerfStatsOn);
    panel.chkPerfStatsOn->setChecked(false);
    EXPECT_FALSE(PerfStatsOn);
    PerfStatsOn = true;
    panel.ShowPerfStatsOn();
    EXPECT_TRUE(panel.chkPerfStatsOn->isChecked());
}

// Switched off, or in a minimised window, the values stay as they were: the rings are not
// kept then and would show stale figures.
TEST_F(StatisticsPanelAlone, ShowsNothingWhileOffOrMinimised)
{
    InPeakRing.fill(1000);
    panel.ShowStatistics();
    EXPECT_EQ(Value(0), "");
    PerfStatsOn = true;
    window.showMinimized();
    panel.ShowStatistics();
    EXPECT_EQ(Value(0), "");
    window.showNormal();
    panel.ShowStatistics();
    EXPECT_EQ(Value(0), "1,000  -30 dB");
}

// The means over the 47 blocks in use (the rings' last slot is never read), the load against
// the block period and the margin the block loop keeps before it lets the window run.
TEST_F(StatisticsPanelAlone, ShowsTheRingsMeansAndTheLoadInTheirColours)
{
    PerfStatsOn = true;
    OutPeakRing.fill(32767);
    OutPeakRing[47] = 1;
    AGCGain = 0.5f;
    DSPTimeRing.fill(8533);   // a fifth of the block period
    DSPTimeRing[47] = 1000000;
    panel.ShowStatistics();
    EXPECT_EQ(Value(1), "32,767  0 dB");
    EXPECT_EQ(Value(2), "0.50  -6.0 dB");
    EXPECT_EQ(Value(4), "20%");
    EXPECT_EQ(Value(5), "8,533 uS");
    EXPECT_EQ(Colour(0), "#ffff00") << "a weak input";
    EXPECT_EQ(Colour(4), "#00ff00");
    DSPTimeRing.fill(40000);   // beyond the yield threshold: no margin left
    panel.ShowStatistics();
    EXPECT_EQ(Colour(4), "#ff0000");
    EXPECT_EQ(Colour(5), "#ff0000");
}

TEST_F(StatisticsPanelAlone, ShowsTheOscillatorOnceThereIsOneAndTheSpareAndThreadRows)
{
    panel.lblStatsVal[3]->setText("none yet");
    panel.ShowOscillator();
    EXPECT_EQ(Value(3), "none yet");
    VFO = std::make_shared<clsVFO>();
    VFO->OscOut(704012340);   // tenths of a hertz
    panel.ShowOscillator();
    EXPECT_EQ(Value(3), "70 401 234 Hz");
    // It runs after every block: an unchanged frequency costs no new text.
    EXPECT_EQ(AllocationCounter::Count([this] { panel.ShowOscillator(); }), 0);
    VFO->OscOut(704012350);
    panel.ShowOscillator();
    EXPECT_EQ(Value(3), "70 401 235 Hz");

    panel.HideSpareRow();
    EXPECT_TRUE(panel.lblStatsVal[6]->isHidden());
    panel.ShowWindowThread();
    EXPECT_GT(Value(9).toLongLong(), 0);
}

}   // namespace
