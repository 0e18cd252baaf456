#include "dsp/ReceiveState.h"
#include "ui/common/PictureBox.h"
#include "ui/common/Shape.h"
#include "ui/main/SMeterPanel.h"

#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// The meter alone in a bare window, on level rings the test fills.
class SMeterPanelAlone : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SMeterRing.fill(0.0f);
        BlockPowerRing.fill(0.0f);
        window.resize(900, 300);
        window.show();
    }

    int LitSegments() const
    {
        int lit = 0;
        for (const Shape* segment : panel.shpSMeterTick)
            lit += segment->isHidden() ? 0 : 1;
        return lit;
    }

    QWidget window;
    SMeterPanel panel{&window, {0, 0, 3300, 750}, {0, 810, 570, 360}};
};

TEST_F(SMeterPanelAlone, BuildsTheBarBetweenTwoStripsOfTicksInTheDesignColours)
{
    EXPECT_EQ(window.findChild<PictureBox*>("Picture"), panel.Picture);
    EXPECT_EQ(window.findChild<QPushButton*>("cmdCalibrateSMeter")->text(), "ZeroS");
    ASSERT_EQ(panel.shpSMeterTick.UBound(), 14);
    EXPECT_EQ(panel.shpSMeterGrid.UBound(), 27);
    EXPECT_EQ(panel.shpSMeterGrid[0]->parent(), panel.picSmeter[0]);
    EXPECT_EQ(panel.shpSMeterGrid[27]->parent(), panel.picSmeter[1]);
    for (const auto& [segment, colour] : {std::pair{8, 0x00C000u}, {9, 0x00FFFFu}, {11, 0x00FFFFu}, {12, 0x0000FFu}})
        EXPECT_EQ(panel.shpSMeterTick[segment]->FillColor(), colour) << segment;
}

// One segment per 6 dB above the zero point; nothing lit below the first step, nothing
// changed while the window is minimised.
TEST_F(SMeterPanelAlone, LightsASegmentPerSixDecibelsAboveTheZeroPoint)
{
    panel.NoiseFloor = 10.0f;
    SMeterRing.fill(10.0f + 2.0f);   // 6.02 dB
    panel.ShowSMeter();
    EXPECT_EQ(LitSegments(), 2);
    SMeterRing.fill(5.0f);           // below the zero point
    panel.ShowSMeter();
    EXPECT_EQ(LitSegments(), 0);
    window.showMinimized();
    panel.UpdateSMeterBar(20000.0f);
    EXPECT_EQ(LitSegments(), 0);
    window.showNormal();
    panel.UpdateSMeterBar(20000.0f);
    EXPECT_EQ(LitSegments(), 15);
}

// The zero button asks; the next reading takes the RMS of the 234 blocks the power ring
// keeps (its spare slot is never read) as the zero point and shows it as the back-off.
TEST_F(SMeterPanelAlone, TheZeroButtonTakesTheZeroPointFromTheLastTenSeconds)
{
    panel.cmdCalibrateSMeter->click();
    EXPECT_TRUE(panel.SMeterZeroRequested);
    BlockPowerRing.fill(100.0f * 100.0f * BlockSize);
    BlockPowerRing[234] = 1.0e12f;
    SMeterRing.fill(100.0f);
    panel.ShowSMeter();
    EXPECT_FALSE(panel.SMeterZeroRequested);
    EXPECT_NEAR(panel.NoiseFloor, 100.0f, 0.01f);
    EXPECT_EQ(panel.picSmeter[2]->toolTip(), "Meter Backoff=40.00 dB");
    EXPECT_EQ(LitSegments(), 0);
}

// After the colour scheme went over every picture, the meter is black again and redrawn,
// its segments dark.
TEST_F(SMeterPanelAlone, ColoursGoBackToTheMetersOwn)
{
    panel.UpdateSMeterBar(20000.0f);
    for (PictureBox* picture : panel.picSmeter)
        picture->SetBackColor(0x404040);
    panel.NoiseFloor = 1.0f;
    panel.ApplyColours();
    for (const PictureBox* picture : panel.picSmeter)
        EXPECT_EQ(picture->BackColor(), 0u);
    EXPECT_EQ(panel.picSmeter[2]->toolTip(), "Meter Backoff=0.00 dB");
    EXPECT_EQ(LitSegments(), 0);
}

}   // namespace
