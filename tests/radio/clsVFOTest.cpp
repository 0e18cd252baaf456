#include "radio/clsVFO.h"

#include "TestOscillatorChip.h"
#include "core/MainWindowValues.h"
#include "core/RuntimeError.h"
#include "fakes/FakeSettingsStore.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* Section = "RXModel.Test";

class VFO : public ::testing::Test
{
protected:
    void SetUp() override
    {
        vfo.OscType(chip);
        chip->Parent(&vfo);
        vfo.RxMaxFreq(30'000'000);
        vfo.RXMinFreq(10'000);
    }
    void TearDown() override
    {
        IQModeOn = false;
        IQSelectUpper = false;
    }

    // The oscillator frequency the forward mapping gives for the VFO's present tuning.
    double ForwardOscillator() const
    {
        const double ratio = double(vfo.OscMultiplier()) / vfo.PLLMultiplier();
        const double side = vfo.HiSideLo() ? vfo.IFFrequency() : -vfo.IFFrequency();
        return std::fabs(ratio * (vfo.TunedFrequency() + 10.0 * (vfo.CalibOffset() + side)));
    }

    FakeSettingsStore settings;
    std::shared_ptr<TestOscillatorChip> chip = std::make_shared<TestOscillatorChip>();
    clsVFO vfo;
};

TEST_F(VFO, IncFreqSnapsToTheStepGridBeforeStepping)
{
    vfo.TuneStep(1000);
    vfo.TunedFrequency(70001234);
    EXPECT_EQ(vfo.Inc_Freq(), 70002000);
    vfo.TunedFrequency(70001500);                      // halves snap upwards
    EXPECT_EQ(vfo.Inc_Freq(), 70003000);

    vfo.TuneStep(100000);                              // 10 kHz steps snap to 1 kHz
    EXPECT_EQ(vfo.TuneStepLSD(), 10000);
    vfo.TunedFrequency(70001234);
    EXPECT_EQ(vfo.Inc_Freq(), 70100000);
    EXPECT_EQ(chip->frequencies.back(), 70100000);     // the step reached the driver

    vfo.TuneStepLSD(0);                                // no grid: steps from where it stands
    vfo.TunedFrequency(70001234);
    EXPECT_EQ(vfo.Inc_Freq(5), 70001239);

    vfo.TuneStepLock(true);                            // the lock keeps step and grid
    vfo.TuneStep(250);
    EXPECT_EQ(vfo.TuneStep(), 100000);
    EXPECT_EQ(vfo.TuneStepLSD(), 0);
}

TEST_F(VFO, DecFreqStepsDownWhateverTheSignOfItsArgument)
{
    vfo.TuneStep(100);
    vfo.TunedFrequency(70000000);
    EXPECT_EQ(vfo.Dec_Freq(-500), 69999500);
    EXPECT_EQ(vfo.Dec_Freq(500), 69999000);
    EXPECT_EQ(vfo.Dec_Freq(), 69998900);
    EXPECT_EQ(vfo.Dec_Freq(0), 69998800);
}

TEST_F(VFO, TunedFrequencyTakesTheMagnitudeAndStaysWithinTheReceiverLimits)
{
    vfo.TunedFrequency(-70000000);
    EXPECT_EQ(vfo.TunedFrequency(), 70000000);
    vfo.TunedFrequency(300000001);
    EXPECT_EQ(vfo.TunedFrequency(), 300000000);
    vfo.TunedFrequency(5);
    EXPECT_EQ(vfo.TunedFrequency(), 100000);
    vfo.TunedFrequency(INT32_MIN);                     // no magnitude fits 32 bits: the top
    EXPECT_EQ(vfo.TunedFrequency(), 300000000);
    vfo.TuneStep(1000);                                // a step beyond the top is clamped too
    EXPECT_EQ(vfo.Inc_Freq(), 300000000);

    vfo.HiSideLo(false);                               // low side below the IF: the magnitude
    vfo.IFFrequency(455000);
    vfo.OscMultiplier(2);
    vfo.TunedFrequency(1000000);
    EXPECT_EQ(vfo.OscOut(), 2 * 3550000);
}

TEST_F(VFO, OscillatorAboveTheDriversRangeMovesTheTunedFrequencyBack)
{
    vfo.OscMultiplier(4);
    vfo.IFFrequency(12000);
    chip->maxFreq = 1'200'000'000;
    vfo.TunedFrequency(300000000);
    EXPECT_EQ(vfo.OscOut(), 1200000000);
    EXPECT_EQ(vfo.TunedFrequency(), 299880000);
    EXPECT_EQ(chip->frequencies.back(), 1200000000);
}

TEST_F(VFO, LimitsBackComputeThroughTheForwardMappingOnEitherSide)
{
    struct Case
    {
        int32_t osc, pll;
        bool hiSide;
        int32_t calib;
        int32_t tuned;
        int32_t limit;
    };
    const Case cases[] = {
        {4, 2, true, 0, 290000000, 500'000'000},    // PLL multiplier 2, above the range
        {4, 1, false, 5, 290000000, 500'000'000},   // low side, with a calibration offset
        {1, 1, false, 0, 450100, 400'000},          // low side just above the IF: below the range
        {1, 1, false, 0, 100000, 400'000},          // low side below the IF: the offset is negative
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tuned);
        vfo.OscMultiplier(c.osc);
        vfo.PLLMultiplier(c.pll);
        vfo.HiSideLo(c.hiSide);
        vfo.CalibOffset(c.calib);
        vfo.IFFrequency(45000);
        chip->maxFreq = 500'000'000;
        chip->minFreq = 400'000;
        vfo.TunedFrequency(c.tuned);
        EXPECT_EQ(vfo.OscOut(), c.limit);
        EXPECT_NEAR(ForwardOscillator(), c.limit, 4);
        EXPECT_EQ(chip->frequencies.back(), vfo.OscOut());
    }
}

TEST_F(VFO, SingleLimitsAreAdoptedRoundingHalvesToEven)
{
    chip->maxFreq = 12345.5;
    vfo.RXMinFreq(0);
    vfo.TunedFrequency(20000);
    EXPECT_EQ(vfo.OscOut(), 12346);
    chip->maxFreq = 12344.5;
    vfo.TunedFrequency(20000);
    EXPECT_EQ(vfo.OscOut(), 12344);
}

TEST_F(VFO, IQUpperImageIsReportedButNotStored)
{
    vfo.Name(Section);
    vfo.IFFrequency(12000);
    vfo.TunedFrequency(70000000);
    IQModeOn = true;
    IQSelectUpper = true;
    EXPECT_EQ(vfo.TunedFrequency(), 70240000);
    EXPECT_EQ(vfo.FormattedTunedFreq(), "070240000");
    vfo.SaveSettings();
    EXPECT_EQ(settings.values[FakeSettingsStore::name(Section, "TunedFrequency")], "70000000");
    IQSelectUpper = false;
    EXPECT_EQ(vfo.TunedFrequency(), 70000000);
}

TEST_F(VFO, SettingsRoundTrip)
{
    vfo.Name(Section);
    vfo.IFFrequency(455000);
    vfo.HiSideLo(false);
    vfo.AutoUpdate(true);
    vfo.OscMultiplier(4);
    vfo.PLLMultiplier(2);
    vfo.TuneStep(2.5);
    vfo.CalibOffset(5);
    vfo.DDSInterfaceType(3);
    vfo.TunedFrequency(70001234);
    vfo.SaveSettings();
    EXPECT_EQ(settings.values[FakeSettingsStore::name(Section, "CalibOffset")], "5");

    clsVFO restored;
    restored.Name(Section);
    restored.TuneStepLock(true);                       // restoring ignores the lock
    restored.RestoreSettings();
    EXPECT_EQ((std::vector<int32_t>{restored.IFFrequency(), restored.OscMultiplier(), restored.PLLMultiplier(),
                                    restored.CalibOffset(), restored.DDSInterfaceType(), restored.TunedFrequency()}),
              (std::vector<int32_t>{455000, 4, 2, 5, 3, 70001234}));   // the tuned frequency unclamped
    EXPECT_FALSE(restored.HiSideLo());
    EXPECT_TRUE(restored.AutoUpdate());
    EXPECT_EQ(restored.TuneStep(), 2.5);
    EXPECT_EQ(restored.TuneStepLSD(), 0);              // restored directly, grid untouched
    restored.Name("");                                 // nothing to save at destruction
}

TEST_F(VFO, MalformedStoredValuesKeepTheCurrentOnes)
{
    vfo.Name(Section);
    vfo.IFFrequency(12000);
    vfo.OscMultiplier(4);
    vfo.TunedFrequency(70000000);
    settings.values[FakeSettingsStore::name(Section, "IFFrequency")] = "twelve";
    settings.values[FakeSettingsStore::name(Section, "OscMultiplier")] = "0";
    settings.values[FakeSettingsStore::name(Section, "PLLMultiplier")] = "";
    settings.values[FakeSettingsStore::name(Section, "TunedFrequency")] = "99999999999";
    settings.values[FakeSettingsStore::name(Section, "HiSideLo")] = "perhaps";
    settings.values[FakeSettingsStore::name(Section, "TuneStep")] = "12.5";
    EXPECT_NO_THROW(vfo.RestoreSettings());
    EXPECT_EQ(vfo.IFFrequency(), 12000);
    EXPECT_EQ(vfo.OscMultiplier(), 4);
    EXPECT_EQ(vfo.PLLMultiplier(), 1);
    EXPECT_EQ(vfo.TunedFrequency(), 70000000);
    EXPECT_TRUE(vfo.HiSideLo());
    EXPECT_EQ(vfo.TuneStep(), 12.5);
}

TEST_F(VFO, MultipliersReachTheDriverAndNeedOne)
{
    vfo.OscMultiplier(4);
    vfo.PLLMultiplier(2);
    EXPECT_FLOAT_EQ(chip->FreqScaling(), 2.0F);
    EXPECT_THROW(vfo.PLLMultiplier(0), RuntimeError);
    EXPECT_EQ(vfo.PLLMultiplier(), 0);                 // stored before the failure
    const size_t sent = chip->frequencies.size();
    vfo.Refresh();                                     // no ratio: nothing is sent
    EXPECT_EQ(chip->frequencies.size(), sent);

    clsVFO bare;
    EXPECT_THROW(bare.OscMultiplier(2), RuntimeError);
    bare.RxMaxFreq(30'000'000);
    bare.TunedFrequency(70000000);                     // no driver: clamps and computes only
    EXPECT_EQ(bare.OscOut(), 2 * 70000000);            // the multiplier was stored all the same
}

TEST_F(VFO, NestedTuningFromTheDriverDoesNothing)
{
    chip->duringSetFrequency = [this] {
        vfo.TunedFrequency(12345678);
        vfo.Refresh();
    };
    vfo.TunedFrequency(70000000);
    EXPECT_EQ(chip->frequencies, (std::vector<int32_t>{70000000}));
    EXPECT_EQ(vfo.TunedFrequency(), 70000000);
    chip->duringSetFrequency = nullptr;
}

TEST_F(VFO, DestructionSavesAndUnhooksTheDriver)
{
    {
        clsVFO owner;
        owner.Name(Section);
        owner.OscType(chip);
        chip->Parent(&owner);
        owner.CalibOffset(-3);
    }
    EXPECT_EQ(chip->Parent(), nullptr);
    EXPECT_EQ(settings.values[FakeSettingsStore::name(Section, "CalibOffset")], "-3");
}

} // namespace
