#include "MainWindowRig.h"
#include "support/BandPlanFile.h"
#include "support/CaptionCheck.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/common/Label.h"

#include <QComboBox>
#include <QTest>

namespace {

// The front panel at each display size, photographed and measured: no caption cut, none
// running into another caption or lying under another control, none touching its frame.
class FrontPanelCaptions : public MainWindowRig
{
protected:
    void SetUp() override
    {
        BandPlans.clear();
        AddBandPlan(home.file("SWBC.bpl"), "SWBC",
                    "[MainBand]\r\nNumSubBands=2\r\n"
                    "[SubBand.0]\r\nCaption=49m BC\r\nFreqMin=5900000\r\nFreqMax=6200000\r\nFreqCurrent=6000000\r\n"
                    "[SubBand.1]\r\nCaption=41m BC\r\nFreqMin=7200000\r\nFreqMax=7450000\r\n");
        AddBandPlan(home.file("160m.bpl"), "160m", "[MainBand]\r\n");
        CurrentMainBandIndex = 0;
        MainWindowRig::SetUp();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    void TearDown() override
    {
        MainWindowRig::TearDown();
        BandPlans.clear();
    }

    // Both faults at once, each line naming the control and what is wrong.
    std::string Faults() const
    {
        return CaptionCheck::Lines(CaptionCheck::CutCaptions(window.get())) + CaptionCheck::Lines(CaptionCheck::CollidingCaptions(window.get()));
    }

    // The pointer over the upper half of a selector's place reveals it, as a user finds it.
    void RevealSelector(QWidget* selector)
    {
        Image* area = window->BandPlan->imgBandSelect;
        const QPoint upperHalf = selector->geometry().topLeft() + QPoint(selector->width() / 2, selector->height() / 4);
        QTest::mouseMove(area, upperHalf - area->pos());
    }
};

TEST_F(FrontPanelCaptions, NoCaptionIsCutOrRunsIntoAnotherAtAnySizeInAnyScopeMode)
{
    const char* sizes[] = {"Comp", "Std", "Ext", "Full"};
    const char* modes[] = {"Freq", "Time", "Phase"};
    for (int size : {3, 2, 1, 0}) {
        window->DisplaySize->optDisplaySize.Select(size);
        for (int mode : {0, 1, 2}) {
            QTest::mouseClick(window->Analyser->chkScopeMode[mode], Qt::LeftButton);
            EXPECT_EQ(Faults(), "") << sizes[size] << ", scope " << modes[mode];
            CaptionCheck::SaveScreenshot(window.get(), QString("frmMain_%1_%2").arg(sizes[size], modes[mode]));
        }
    }
}

// The band and sub-band selectors, shown over their frame when hovered, leave the frame's
// caption (the band's name) in view.
TEST_F(FrontPanelCaptions, TheRevealedSelectorsLeaveTheBandsNameInView)
{
    window->DisplaySize->optDisplaySize.Select(3);
    RevealSelector(window->BandPlan->cboBandSelect);
    ASSERT_TRUE(window->BandPlan->cboBandSelect->isVisible());
    EXPECT_EQ(Faults(), "");
    RevealSelector(window->BandPlan->cboSubBandSelect);
    ASSERT_TRUE(window->BandPlan->cboSubBandSelect->isVisible());
    EXPECT_EQ(Faults(), "");
    CaptionCheck::SaveScreenshot(window.get(), "frmMain_BandSelectors");
}

}   // namespace
