#include "dsp/FilterObjects.h"
#include "dsp/MakeFilters.h"
#include "dsp/ReceiveDefaults.h"
#include "dsp/ReceiveState.h"
#include "core/MainWindowValues.h"
#include "radio/modSetupRX.h"
#include "ui/main/DeferredBlockWork.h"
#include "ui/main/PanelHub.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The deferred work alone, with a hub whose requests record what they were asked.
class DeferredBlockWorkAlone : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CreateFilterObjects();
        FiltersDirty = NotchDirty = DynFilterActive = false;
        NotchMode = NotchModeEnum::Man;
        NotchType = NotchTypeEnum::AF;
        FilterLo = 300;
        FilterHi = 2300;
        VFOControl = true;
        modSetupRX::Model = {};
        hub.ShowSMeter = [this] { asked.push_back("S-meter"); };
        hub.ShowStatistics = [this] { asked.push_back("statistics"); };
        hub.ShowOscillator = [this] { asked.push_back("oscillator"); };
        hub.ShowSignalCentre = [this](int32_t hertz) { asked.push_back("centre " + std::to_string(hertz)); };
        hub.ShowImageChoice = [this](bool shown) { asked.push_back(shown ? "image choice" : "no image choice"); };
        hub.OfferLowSideInjection = [this](bool offered) { asked.push_back(offered ? "low side" : "no low side"); };
        hub.ShowSynchronousAM = [this](bool shown) { asked.push_back(shown ? "SAM" : "no SAM"); };
    }

    PanelHub hub;
    std::vector<std::string> asked;
    DeferredBlockWork work{hub};
};

using Asked = std::vector<std::string>;

// Played blocks schedule one run for when the loop is free. A run reads the meters, then
// keeps the model's choices consistent with the oscillator's control: a tuned oscillator uses
// the lower image, a crystal one lies above the signal.
TEST_F(DeferredBlockWorkAlone, ARunReadsTheMetersAndShowsOnlyTheChoicesTheReceiverOffers)
{
    work.Schedule();
    EXPECT_TRUE(work.tmrPerfStats.isActive());
    EXPECT_TRUE(work.tmrPerfStats.isSingleShot());
    EXPECT_EQ(work.tmrPerfStats.interval(), 0);

    IQSelectUpper = true;
    work.tmrPerfStats_Timer();
    EXPECT_FALSE(work.tmrPerfStats.isActive());
    EXPECT_EQ(asked, (Asked{"S-meter", "statistics", "oscillator", "no image choice", "no low side", "SAM"}));
    EXPECT_FALSE(IQSelectUpper);

    asked.clear();
    VFOControl = false;
    HiSideLoOn = false;
    modSetupRX::Model.LowSideLOOption = modSetupRX::Model.IQMode = true;
    work.tmrPerfStats_Timer();
    EXPECT_EQ(asked, (Asked{"S-meter", "statistics", "oscillator", "image choice", "low side", "no SAM"}));
    EXPECT_TRUE(HiSideLoOn);
}

// A run that lets window messages through can be reached again from them; the nested run
// is refused rather than run inside the first.
TEST_F(DeferredBlockWorkAlone, ARunReachedAgainFromInsideItselfIsRefused)
{
    int meterReadings = 0;
    hub.ShowSMeter = [&] {
        ++meterReadings;
        work.tmrPerfStats_Timer();
    };
    work.tmrPerfStats_Timer();
    EXPECT_EQ(meterReadings, 1);
    work.tmrPerfStats_Timer();
    EXPECT_EQ(meterReadings, 2);
}

// The automatic notch shows the signal's centre and asks for its redesign only once the
// centre moved by more than an eighth of the notch width.
TEST_F(DeferredBlockWorkAlone, TheAutomaticNotchIsRedesignedOnceTheCentreMovedAnEighthOfItsWidth)
{
    NotchFilter.Active = true;
    NotchMode = NotchModeEnum::Auto;
    NotchFilterWidth = 200;
    NotchFilter.FLow = 1;
    PeakBinRing.fill(60);
    const int32_t centre = (60 + 300 / 12) * 24000 / 2048;
    NotchLastCentre = centre - 25;
    work.tmrPerfStats_Timer();
    EXPECT_EQ(work.PeakCentre, centre);
    EXPECT_EQ(asked[2], "centre " + std::to_string(centre));
    EXPECT_EQ(NotchLo, centre - 100);
    EXPECT_EQ(NotchFilter.FLow, 1) << "25 Hz is no reason to redesign";

    NotchLastCentre = centre - 26;
    work.tmrPerfStats_Timer();
    EXPECT_FALSE(NotchDirty);
    EXPECT_EQ(NotchFilter.FLow, centre - 100);
    EXPECT_EQ(NotchFilter.FHigh, centre + 100);
    EXPECT_EQ(NotchLastCentre, centre);
}

} // namespace
