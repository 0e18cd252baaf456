#include "radio/clsVFO.h"

#include "RadioTestRig.h"
#include "core/MainWindowValues.h"

namespace {

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

    FakeSettingsStore settings;
    std::shared_ptr<TestOscillatorChip> chip = std::make_shared<TestOscillatorChip>();
    clsVFO vfo;
};

TEST_F(VFO, StepsSnapToTheGridFirstAndGoDownWhateverTheSign)
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

    vfo.TuneStep(100);
    vfo.TunedFrequency(70000000);
    EXPECT_EQ(vfo.Dec_Freq(-500), 69999500);
    EXPECT_EQ(vfo.Dec_Freq(500), 69999000);
    EXPECT_EQ(vfo.Dec_Freq(0), 69998900);

    vfo.TuneStepLock(true);                            // the lock keeps step and grid
    vfo.TuneStep(250);
    EXPECT_EQ(vfo.TuneStep(), 100);
    EXPECT_EQ(vfo.TuneStepLSD(), 100);
}

// The dial steps by 100 Hz whatever the grid is: a grid point +100 Hz must not snap back to
// the grid point at the next step, from on the grid or off it, up or down.
TEST_F(VFO, AStepFinerThanTheGridMovesEveryTimeInItsDirection)
{
    constexpr double Step = 1000;   // 100 Hz
    for (const double grid : {5000.0, 10000.0}) {
        for (const int32_t start : {70'200'000, 70'201'234, 70'202'500, 70'207'777}) {
            for (const int direction : {1, -1}) {
                vfo.TuneStep(grid);
                vfo.TunedFrequency(start);
                double before = start;
                for (int call = 0; call < 4; ++call) {
                    const double after = direction > 0 ? vfo.Inc_Freq(Step) : vfo.Dec_Freq(Step);
                    const auto where = ::testing::Message() << "grid " << grid << ", from " << start << ", call " << call;
                    EXPECT_GT((after - before) * direction, 0) << where;
                    if (call > 0) {
                        EXPECT_EQ(after - before, direction * Step) << where;
                    }
                    before = after;
                }
            }
        }
    }
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

TEST_F(VFO, BeyondTheDriversRangeTheTunedFrequencyFollowsTheOscillatorsLimit)
{
    struct Case
    {
        int32_t osc, pll;
        bool hiSide;
        int32_t calib, ifHz, tuned;
        double maxHz;
        int32_t oscOut, retuned;   // retuned 0: the forward mapping alone is checked
    };
    const Case cases[] = {
        {4, 1, true, 0, 12000, 300000000, 1.2e9, 1'200'000'000, 299880000},   // multiplier 4, above the range
        {4, 2, true, 0, 45000, 290000000, 5e8, 500'000'000, 0},                // PLL multiplier 2, above
        {1, 2, true, 0, 12000, 249880001, 1.25e8, 125'000'000, 249880001},     // rounded onto the limit: kept
        {4, 1, false, 5, 45000, 290000000, 5e8, 500'000'000, 0},               // low side, calibration offset
        {1, 1, false, 0, 45000, 450100, 5e8, 400'000, 0},                      // low side just above the IF
        {1, 1, false, 0, 45000, 100000, 5e8, 400'000, 0},                      // low side below the IF
    };
    chip->minFreq = 400'000;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tuned);
        vfo.OscMultiplier(c.osc);
        vfo.PLLMultiplier(c.pll);
        vfo.HiSideLo(c.hiSide);
        vfo.CalibOffset(c.calib);
        vfo.IFFrequency(c.ifHz);
        chip->maxFreq = c.maxHz;
        vfo.TunedFrequency(c.tuned);
        EXPECT_EQ(vfo.OscOut(), c.oscOut);
        EXPECT_NEAR(ForwardOscillator(vfo), c.oscOut, 4);
        EXPECT_EQ(chip->frequencies.back(), vfo.OscOut());
        if (c.retuned != 0) {
            EXPECT_EQ(vfo.TunedFrequency(), c.retuned);
        }
    }

    // A single-precision limit is adopted rounded half to even.
    vfo.OscMultiplier(1);
    vfo.IFFrequency(0);
    vfo.RXMinFreq(0);
    chip->minFreq = 0;
    for (const auto& [limit, adopted] : {std::pair{12345.5, 12346}, std::pair{12344.5, 12344}}) {
        chip->maxFreq = limit;
        vfo.TunedFrequency(20000);
        EXPECT_EQ(vfo.OscOut(), adopted);
    }
}

// Held at its limit, the oscillator gives two tuned frequencies, on either side of the IF.
// A step keeps the side the tuned frequency is on (it never jumps across the IF); a tuned
// frequency from the settings takes the injection side in force, so tuning runs forwards
// from it, and 0 where that side's value is below 0. Low side, IF 10.7 MHz, the oscillator
// up to 500 kHz: the stored 10 kHz wants 10.69 MHz of it.
TEST_F(VFO, AStoredTunedFrequencyComesBackOnTheInjectionSide)
{
    chip->maxFreq = 5'000'000;
    vfo.HiSideLo(false);
    vfo.IFFrequency(10'700'000);
    vfo.TunedFrequency(100'000);
    EXPECT_EQ(vfo.TunedFrequency(), 102'000'000) << "the side it lay on";
    EXPECT_EQ(vfo.OscOut(), 5'000'000);

    vfo.Name(Section);
    const auto restore = [&](const char* tuned) {
        settings.values[FakeSettingsStore::name(Section, "TunedFrequency")] = tuned;
        vfo.RestoreSettings();
        vfo.RefreshFromStored();
    };
    restore("100000");
    EXPECT_EQ(vfo.TunedFrequency(), 112'000'000);
    EXPECT_EQ(vfo.OscOut(), 5'000'000);
    EXPECT_EQ(vfo.Dec_Freq(1000), 111'999'000);
    EXPECT_EQ(vfo.OscOut(), 4'999'000);

    vfo.HiSideLo(true);   // the oscillator's whole range lies below the IF: nothing to tune
    restore("-92299473");
    EXPECT_EQ(vfo.TunedFrequency(), 0);
}

// The receiver's limits may lie wholly on one side of the IF: low side, IF 45 MHz, the
// oscillator up to 500 kHz, the receiver up to 30 MHz. The oscillator then reaches no
// frequency within the receiver's limits, only 44.5 to 45.5 MHz, and its own range holds the
// tuned frequency. Held at the oscillator's limit, a tuned frequency keeps the side of the IF
// it was asked for on: 45.5 MHz (the injection side, as the set-up takes a stored frequency)
// stays through a refresh, its own assignment and a step away from the oscillator's range;
// 40 MHz asked for is held at 44.5 MHz the same way. A step towards the range tunes it.
TEST_F(VFO, TheReceiversLimitsDoNotMoveATunedFrequencyAcrossTheIF)
{
    chip->maxFreq = 5'000'000;
    vfo.HiSideLo(false);
    vfo.IFFrequency(45'000'000);
    vfo.TuneStep(1000);
    struct Case
    {
        int32_t asked, held;
        bool towardsIsUp;
    };
    for (const Case c : {Case{-465'794'531, 455'000'000, false}, Case{400'000'000, 445'000'000, true}}) {
        SCOPED_TRACE(c.asked);
        const auto ask = [&] {
            if (c.asked < 0)
                vfo.TunedFrequencyFromStored(c.asked);
            else
                vfo.TunedFrequency(c.asked);
        };
        ask();
        EXPECT_EQ(vfo.TunedFrequency(), c.held);
        vfo.Refresh();
        vfo.TunedFrequency(vfo.TunedFrequency());
        EXPECT_EQ(c.towardsIsUp ? vfo.Dec_Freq() : vfo.Inc_Freq(), c.held) << "away from the range";
        EXPECT_EQ(vfo.TunedFrequency(), c.held);
        EXPECT_EQ(vfo.OscOut(), 5'000'000);
        ask();
        EXPECT_EQ(c.towardsIsUp ? vfo.Inc_Freq() : vfo.Dec_Freq(), c.held + (c.towardsIsUp ? 1000 : -1000));
        EXPECT_EQ(vfo.OscOut(), 4'999'000);
    }

    // Where the oscillator reaches a frequency within the receiver's limits, they hold: with
    // the receiver up to 44.6 MHz, 40 MHz asked for is held at 44.5 MHz, and steps up stop
    // at the receiver's top.
    vfo.RxMaxFreq(44'600'000);
    vfo.TuneStep(1'000'000);
    vfo.TunedFrequency(400'000'000);
    EXPECT_EQ(vfo.TunedFrequency(), 445'000'000);
    EXPECT_EQ(vfo.Inc_Freq(), 446'000'000);
    EXPECT_EQ(vfo.Inc_Freq(), 446'000'000);
    EXPECT_EQ(vfo.OscOut(), 4'000'000);
}

// Low side, IF 45 MHz, the oscillator up to 37.5 MHz, the receiver from 10 kHz to 30 MHz:
// a stored frequency below 0 comes back at the receiver's bottom, which wants 44.99 MHz of
// the oscillator. Held at its limit, the injection side gives 82.5 MHz, beyond the
// receiver's top, where the next step would land on the top (Up lowering it); the other side
// gives 7.5 MHz, within the limits, and is taken: a refresh keeps it, Down stays, Up tunes.
TEST_F(VFO, HeldWhereOneSideLiesBeyondTheReceiversLimitsTheOtherWithinThemIsTaken)
{
    chip->maxFreq = 375'000'000;
    vfo.HiSideLo(false);
    vfo.IFFrequency(45'000'000);
    vfo.TuneStep(100'000);
    vfo.Name(Section);
    settings.values[FakeSettingsStore::name(Section, "TunedFrequency")] = "-268450076";
    vfo.RestoreSettings();
    vfo.RefreshFromStored();
    EXPECT_EQ(vfo.TunedFrequency(), 75'000'000);
    EXPECT_EQ(vfo.OscOut(), 375'000'000);
    vfo.Refresh();
    EXPECT_EQ(vfo.TunedFrequency(), 75'000'000);
    EXPECT_EQ(vfo.Dec_Freq(), 75'000'000);
    EXPECT_EQ(vfo.Inc_Freq(), 75'100'000);
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

TEST_F(VFO, SettingsRoundTripAndMalformedValuesKeepTheCurrentOnes)
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

    for (const auto& [key, text] : {std::pair{"IFFrequency", "twelve"}, {"OscMultiplier", "0"}, {"PLLMultiplier", ""},
                                    {"TunedFrequency", "99999999999"}, {"HiSideLo", "perhaps"}, {"TuneStep", "12.5"}})
        settings.values[FakeSettingsStore::name(Section, key)] = text;
    EXPECT_NO_THROW(restored.RestoreSettings());
    EXPECT_EQ(restored.IFFrequency(), 455000);
    EXPECT_EQ(restored.OscMultiplier(), 4);
    EXPECT_EQ(restored.PLLMultiplier(), 2);
    EXPECT_EQ(restored.TunedFrequency(), 70001234);
    EXPECT_FALSE(restored.HiSideLo());
    EXPECT_EQ(restored.TuneStep(), 12.5);
    restored.Name("");                                 // nothing to save at destruction
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
