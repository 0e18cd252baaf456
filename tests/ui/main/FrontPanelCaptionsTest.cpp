#include "MainWindowRig.h"
#include "core/PublicFuncs.h"
#include "core/PublicVars.h"
#include "support/BandPlanFile.h"
#include "support/CaptionCheck.h"
#include "ui/main/MainWindowSettings.h"
#include "ui/main/ScrollLabels.h"
#include "ui/common/FormControls.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"

#include <QComboBox>
#include <QTest>

#include <limits>

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
        // The colours a start begins with, as the program's supervisor sets them.
        PublicVars::SetColourSchemeDefaults();
        MainWindowRig::SetUp();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    void TearDown() override
    {
        MainWindowRig::TearDown();
        BandPlans.clear();
        PublicVars::SDRColourSchemes = {};
    }

    // Both faults at once, each line naming the control and what is wrong.
    std::string Faults() const
    {
        return CaptionCheck::Lines(CaptionCheck::CutCaptions(window.get())) + CaptionCheck::Lines(CaptionCheck::CollidingCaptions(window.get()));
    }

    // The pointer moved to a point of the band frame, as a user moves it: the control under
    // the point is told.
    void PointAt(QPoint onFrame) { QTest::mouseMove(window->BandPlan->frPresets, onFrame); }
    // The pointer moved away, onto the sub-band buttons, which hide the selectors.
    void PointAway() { QTest::mouseMove(window->BandPlan->picSubBands, QPoint(1, 1)); }

    // The pointer on the frame's top edge reveals a selector, as a user finds it: the band
    // selector on the band's name, the sub-band selector over the sub-band's name.
    void RevealSelector(QWidget* selector)
    {
        Frame* frame = window->BandPlan->frPresets;
        const int x = selector == window->BandPlan->cboBandSelect ? frame->CaptionBox().center().x()
                                                                  : selector->geometry().center().x();
        PointAt({x, 4});
    }
};

TEST_F(FrontPanelCaptions, NoCaptionIsCutOrRunsIntoAnotherAtAnySizeInAnyScopeMode)
{
    const char* sizes[] = {"Comp", "Std", "Ext", "Full"};
    const char* modes[] = {"Freq", "Time", "Phase"};
    // The values at their widest: the sweep's centre at the highest frequency the tuning holds.
    VFO->RxMaxFreq(std::numeric_limits<int32_t>::max() / 10);
    VFO->TunedFrequency(std::numeric_limits<int32_t>::max());
    for (int source : {1, 0})   // the source chosen again takes the tuned frequency
        QTest::mouseClick(window->Analyser->optSpectrumSource[source], Qt::LeftButton);
    QTest::mouseClick(window->Analyser->chkScopeMode[0], Qt::LeftButton);
    ASSERT_EQ(window->Analyser->lblScopeXCentre->text().size(), QString("100,000,000").size())
        << window->Analyser->lblScopeXCentre->text().toStdString();
    for (int size : {3, 2, 1, 0}) {
        window->DisplaySize->optDisplaySize.Select(size);
        for (int mode : {0, 1, 2}) {
            QTest::mouseClick(window->Analyser->chkScopeMode[mode], Qt::LeftButton);
            EXPECT_EQ(Faults(), "") << sizes[size] << ", scope " << modes[mode];
            CaptionCheck::SaveScreenshot(window.get(), QString("frmMain_%1_%2").arg(sizes[size], modes[mode]));
        }
    }
}

// A first start (no colours stored) shows every value label in the scheme's value-label colour
// on the black background, the RIT value in the tuning colour; the display's labels (gain,
// shift, brightness, sweep) as well, as they show after the configuration's OK.
TEST_F(FrontPanelCaptions, AFirstStartShowsTheValueLabelsInTheSchemesColours)
{
    const SDRColourScheme& scheme = PublicVars::SDRColourSchemes;
    ASSERT_EQ(scheme.ScrollableLabelNormalColour, PublicFuncs::ScaleColour(0xFFFF00, 75));
    EXPECT_EQ(FormControls::BackColour(window.get()), 0u);
    std::string wrong;
    for (const ScrollLabelRecord& record : ScrollLabels) {
        if (!record.Label)
            continue;
        const int32_t expected = record.ID == lblBFOIndex ? scheme.SDRTuningColour : scheme.ScrollableLabelNormalColour;
        if (FormControls::ForeColour(record.Label) != static_cast<uint32_t>(expected))
            wrong += record.Label->objectName().toStdString() + " ";
    }
    EXPECT_EQ(wrong, "");
    CaptionCheck::SaveScreenshot(window.get(), "frmMain_FirstStart");
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

// The band list appears where a user finds it, with the pointer on the band frame's top edge
// (on the band's name or beside it): strictly inside the band selector's laid-out columns, 6 to
// 122 pixels, and less than half its height, 9 pixels, from the top; nowhere else in the
// frame's top rows, not under the band's name either.
TEST_F(FrontPanelCaptions, TheBandListAppearsWithThePointerOnTheBandsName)
{
    const Frame* frame = window->BandPlan->frPresets;
    const QComboBox* selector = window->BandPlan->cboBandSelect;
    ASSERT_GT(frame->CaptionBox().left(), 6);
    ASSERT_LT(frame->CaptionBox().right(), 122);
    std::string wrong;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < frame->width(); ++x) {
            PointAway();
            PointAt({x, y});
            const bool where = x > 6 && x < 122 && y < 9;
            if (selector->isVisible() != where)
                wrong += " (" + std::to_string(x) + "," + std::to_string(y) + (where ? ") hidden" : ") shown");
        }
    }
    EXPECT_EQ(wrong.substr(0, 400), "");
    PointAt(frame->CaptionBox().center());
    ASSERT_TRUE(selector->isVisible());
    CaptionCheck::SaveScreenshot(window.get(), "frmMain_BandList");
    for (const QPoint stays : {QPoint(20, 20), QPoint(7, 25)}) {
        PointAt(stays);
        EXPECT_TRUE(selector->isVisible()) << "on the way to the list, at " << stays.x() << "," << stays.y();
    }
}

}   // namespace
