#include "MainWindowRig.h"
#include "core/Globals.h"
#include "dsp/MakeFilters.h"
#include "dsp/ReceiveChainRig.h"
#include "dsp/ReceiveDefaults.h"
#include "fakes/FakeSpectrumFeed.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/common/Shape.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

#include <functional>

namespace {

class DeferredWork : public MainWindowRig
{
protected:
    void SetUp() override
    {
        MainWindowRig::SetUp();
        FiltersDirty = NotchDirty = false;
        DynFilterActive = false;
        NotchMode = NotchModeEnum::Man;
        NotchType = NotchTypeEnum::AF;
        HiSideLoOn = true;
        FilterLo = 300;
        FilterHi = 2300;
        window->SMeter->NoiseFloor = 10.0f;
    }

    // Every entry of the peak-bin ring at bin, counted from the AF pass band's first bin.
    static void PeakAt(int32_t bin) { PeakBinRing.fill(bin); }
    // The centre the deferred work finds for a ring full of bin, with FilterLo at 300 Hz:
    // (bin + 300 \ 12) x 24000 \ 2048.
    static int32_t CentreOf(int32_t bin) { return (bin + 25) * 24000 / 2048; }

    QString Text(QLabel* label) const { return label->text(); }
    int LitSegments() const
    {
        int lit = 0;
        for (Shape* segment : window->SMeter->shpSMeterTick)
            lit += segment->isHidden() ? 0 : 1;
        return lit;
    }
};

// A recording analyser whose filter curve arrives at the end of every full redesign.
class RedesignWatch : public FakeSpectrumFeed
{
public:
    std::function<void()> onRedesign;
    int redesigns = 0;
    bool inDSPAtRedesign = false;
    void LoadFilterCoeffs_T_S(std::span<const float> Coeffs) override
    {
        FakeSpectrumFeed::LoadFilterCoeffs_T_S(Coeffs);
        ++redesigns;
        inDSPAtRedesign = InDSP;
        if (onRedesign)
            onRedesign();
    }
};

// The meter shows the mean level above the zero point, never below zero; "ZeroS" takes the
// RMS of the last 234 blocks as the zero point.
TEST_F(DeferredWork, SMeterShowsTheLevelAboveTheZeroPointTakenFromTheLastTenSeconds)
{
    SMeterRing = {80.0f, 90.0f, 100.0f, 110.0f};
    window->Deferred->tmrPerfStats_Timer();
    EXPECT_EQ(LitSegments(), 7) << "38.6 dB: S6, segments 0 to 6";   // 20 log10(95 - 10)
    window->SMeter->NoiseFloor = 200.0f;
    window->Deferred->tmrPerfStats_Timer();
    EXPECT_EQ(LitSegments(), 0) << "floored to 0";
    for (const auto& [level, lit] : {std::pair{1.99f, 0}, {2.0f, 2}, {20000.0f, 15}}) {   // 5.98 dB, 6.02 dB, 86 dB
        window->SMeter->UpdateSMeterBar(level);
        EXPECT_EQ(LitSegments(), lit) << level;
    }

    BlockPowerRing.fill(50.0f * 50.0f * BlockSize);
    BlockPowerRing[234] = 1.0e12f;   // never written by the AGC, never read
    SMeterRing.fill(100.0f);
    window->SMeter->SMeterZeroRequested = true;
    window->Deferred->tmrPerfStats_Timer();
    EXPECT_FALSE(window->SMeter->SMeterZeroRequested);
    EXPECT_NEAR(window->SMeter->NoiseFloor, 50.0f, 0.01f);
    EXPECT_EQ(window->SMeter->picSmeter[2]->toolTip(), "Meter Backoff=33.98 dB");
    EXPECT_EQ(LitSegments(), 6) << "34.0 dB";
}

TEST_F(DeferredWork, StatisticsShowPeaksGainAndLoadInTheirColours)
{
    PerfStatsOn = true;
    const auto colour = [](QWidget* label) { return label->palette().color(QPalette::WindowText).name(); };
    for (const auto& [peak, expected] : {std::pair<int16_t, const char*>{2047, "#ffff00"}, {2048, "#00ff00"},
                                         {16383, "#00ff00"}, {16384, "#ff0000"}}) {
        InPeakRing.fill(peak);
        window->Deferred->tmrPerfStats_Timer();
        EXPECT_EQ(colour(window->Statistics->lblStatsVal[0]), expected) << peak;
    }
    EXPECT_EQ(Text(window->Statistics->lblStatsVal[0]), "16,384  -6 dB");
    AGCGain = 2.0f;
    DSPTimeRing.fill(21333);   // half the block period
    DSPTimeRing[47] = 1000000; // never written by the block loop, never read
    window->Deferred->tmrPerfStats_Timer();
    EXPECT_EQ(Text(window->Statistics->lblStatsVal[2]), "2.00  6.0 dB");
    EXPECT_EQ(Text(window->Statistics->lblStatsVal[4]), "50%");
    EXPECT_EQ(Text(window->Statistics->lblStatsVal[5]), "21,333 uS");
    EXPECT_EQ(colour(window->Statistics->lblStatsVal[4]), "#00ff00");
    for (const auto& [time, expected] : {std::pair{34133, "#ffff00"}, std::pair{40000, "#ff0000"}}) {
        DSPTimeRing.fill(time);   // 0.8 of the period and beyond
        window->Deferred->tmrPerfStats_Timer();
        EXPECT_EQ(colour(window->Statistics->lblStatsVal[5]), expected) << time;
    }
}

// A pending redesign waits while a receive chain is inside a block, and is cleared only
// by the redesign that serves it.
TEST_F(DeferredWork, PendingRedesignWaitsForTheChainAndARequestMadeDuringItSurvives)
{
    RedesignWatch analyser;
    ReceiveLinks::SpectrumAnalyser = &analyser;
    InDSP = true;
    QTimer::singleShot(30, [] { InDSP = false; });
    FiltersDirty = true;
    window->Deferred->tmrPerfStats_Timer();
    EXPECT_EQ(analyser.redesigns, 1);
    EXPECT_FALSE(analyser.inDSPAtRedesign);
    EXPECT_FALSE(FiltersDirty);

    // A control changed while the redesign let window messages run.
    analyser.onRedesign = [] { FiltersDirty = true; };
    FiltersDirty = true;
    window->Deferred->tmrPerfStats_Timer();
    EXPECT_EQ(analyser.redesigns, 2);
    EXPECT_TRUE(FiltersDirty) << "the change made during the redesign is served by the next run";
    analyser.onRedesign = nullptr;
    window->Deferred->tmrPerfStats_Timer();
    EXPECT_EQ(analyser.redesigns, 3);
    EXPECT_FALSE(FiltersDirty);
    ReceiveLinks::SpectrumAnalyser = nullptr;
}

// The dynamic filter follows a centre that moved by more than 100 Hz, by the whole
// difference, its edges kept in the top fifth and bottom tenth of the pass band.
TEST_F(DeferredWork, DynamicFilterMovesOnlyBeyond100HzAndKeepsItsEdgesInTheBand)
{
    DynFilterActive = true;
    DynFilter.Active = true;
    DynFilter.FLow = 500;
    DynFilter.FHigh = 2100;
    window->Deferred->DynLastCentre = CentreOf(93) - 100 + 11;   // the next centre lies 89 Hz on
    const int32_t start = window->Deferred->DynLastCentre;
    PeakAt(93);
    window->Deferred->tmrPerfStats_Timer();
    EXPECT_EQ(window->Deferred->PeakCentre, CentreOf(93));
    EXPECT_EQ(window->Deferred->DynLastCentre, start) << "89 Hz is not followed";
    EXPECT_EQ(DynFilter.FHigh, 2100);

    PeakAt(94);   // 12 Hz further: 101 Hz since the last move
    window->Deferred->tmrPerfStats_Timer();
    EXPECT_EQ(window->Deferred->DynLastCentre, CentreOf(94));
    EXPECT_EQ(DynFilter.FHigh, 2100 + 101);
    EXPECT_EQ(DynFilter.FLow, 500) << "held at the top of the bottom tenth";

    PeakAt(0);   // far down: the upper edge stops at the top fifth, the lower at the band
    window->Deferred->tmrPerfStats_Timer();
    EXPECT_EQ(DynFilter.FHigh, 1900);
    EXPECT_EQ(DynFilter.FLow, 300);
}

// The automatic notch is redesigned once its centre wandered more than width/8; the IF
// notch follows the signal where it lies in the IF.
TEST_F(DeferredWork, AutomaticNotchRedesignsBeyondAnEighthOfItsWidthAtTheIFForTheIFNotch)
{
    NotchFilter.Active = true;
    NotchMode = NotchModeEnum::Auto;
    NotchFilterWidth = 200;   // an eighth is 25 Hz
    NotchFilter.FLow = 1;
    PeakAt(60);
    const int32_t centre = CentreOf(60);
    NotchLastCentre = centre - 25;
    window->Deferred->tmrPerfStats_Timer();
    EXPECT_EQ(NotchFilter.FLow, 1) << "25 Hz is no reason to redesign";
    EXPECT_EQ(NotchLo, centre - 100);
    EXPECT_EQ(Text(window->Receive->lblNotch), QString::number(centre));

    NotchLastCentre = centre - 26;
    window->Deferred->tmrPerfStats_Timer();
    EXPECT_EQ(NotchFilter.FLow, centre - 100);
    EXPECT_EQ(NotchFilter.FHigh, centre + 100);
    EXPECT_TRUE(NotchFilter.BandReject);
    EXPECT_EQ(NotchLastCentre, centre);

    NotchType = NotchTypeEnum::IF;   // single channel, oscillator above: the audio lies above the IF
    window->Deferred->tmrPerfStats_Timer();
    EXPECT_EQ(NotchFilterCenter, IFCentreHz + centre);
    EXPECT_EQ(NotchFilter.FLow, IFCentreHz + centre - 100);
    EXPECT_EQ(Text(window->Receive->lblNotch), QString::number(centre)) << "the label shows the audio frequency";
    EXPECT_FALSE(NotchDirty);
}

// The automatic IF notch sits where the received 1 kHz tone lies in the IF in force: above
// or below it by the mode's sideband, the injection side (single channel) or the image
// (I/Q), and around an IF moved by the incremental tuning.
TEST_F(DeferredWork, AutomaticIFNotchTakesTheToneDownWhereverTheSidebandLies)
{
    struct Case
    {
        bool iq;
        bool side;         // HiSideLoOn, or IQSelectUpper on an I/Q receiver
        int32_t mode;
        int32_t ifHz;
        double toneHz;     // single channel: the IF tone; I/Q: the pair's signed frequency
    };
    const Case cases[] = {
        {false, true, DemodModeEnum::USB, 12000, 13000},  {false, true, DemodModeEnum::LSB, 12000, 11000},
        {false, false, DemodModeEnum::USB, 12000, 11000}, {false, false, DemodModeEnum::LSB, 12000, 13000},
        {false, true, DemodModeEnum::LSB, 12500, 11500},  {true, false, DemodModeEnum::USB, 12000, 11000},
        {true, false, DemodModeEnum::LSB, 12000, 13000},  {true, true, DemodModeEnum::USB, 12000, -13000},
        {true, true, DemodModeEnum::LSB, 11500, -10500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "I/Q " << c.iq << " side " << c.side << " mode " << c.mode << " IF "
                                        << c.ifHz);
        ReceiveChainRig rig(c.mode);
        IQModeOn = c.iq;
        (c.iq ? IQSelectUpper : HiSideLoOn) = c.side;
        VFOControl = !c.iq;   // an I/Q receiver picks its image only with a fixed oscillator
        ReceiveChainRig::SetIF(c.ifHz);
        MakeFilters();
        const auto i = [&](int64_t n) { return 8000.0 * std::cos(ChainTest::Radians(c.toneHz, n)); };
        const auto q = [&](int64_t n) { return 8000.0 * std::sin(ChainTest::Radians(c.toneHz, n)); };
        const auto tone = [&] { return ChainTest::ToneAmplitude(c.iq ? rig.Run(i, q) : rig.Run(i), 1000); };
        const double open = tone();
        ASSERT_GT(open, 4000.0) << "the case's tone is on the received side";

        NotchFilter.Active = true;
        NotchMode = NotchModeEnum::Auto;
        NotchType = NotchTypeEnum::IF;
        NotchFilterWidth = 200;
        NotchLastCentre = -100000;   // the fresh notch filter gets designed
        PeakAt(60);                  // 996 Hz
        window->Deferred->tmrPerfStats_Timer();
        EXPECT_LE(DspTest::Decibels(tone() / open), -50.0);
    }
}

// With the notch in manual mode the dynamic filter's tracking still moves the notch
// centre, but the notch is not redesigned. A notch filter never set up gives no centre
// rather than a division by zero.
TEST_F(DeferredWork, ManualNotchCentreFollowsTheSignalWithoutARedesign)
{
    DynFilterActive = true;
    NotchFilter.Active = true;
    NotchFilter.FLow = 1;
    PeakAt(40);
    window->Deferred->tmrPerfStats_Timer();
    EXPECT_EQ(NotchFilterCenter, CentreOf(40));
    EXPECT_EQ(NotchFilter.FLow, 1);

    NotchFilter = clsFFTFilter{};
    PeakAt(80);
    window->Deferred->tmrPerfStats_Timer();
    EXPECT_EQ(window->Deferred->PeakCentre, CentreOf(40));
}

} // namespace
