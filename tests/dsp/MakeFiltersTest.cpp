#include "ReceiveChainRig.h"
#include "dsp/ReceiveDefaults.h"
#include "fakes/FakeSpectrumFeed.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct IFCase
{
    int32_t mode;
    int32_t ifFilterMode;
    bool iqModeOn;
    bool sideFlag;   // IQSelectUpper on an I/Q receiver, HiSideLoOn otherwise
    int32_t fLow;
    int32_t fHigh;
};

class IFFilterEdges : public ::testing::TestWithParam<IFCase>
{};

// With IFFreq 12000, the default IF table and an AF band of 300 .. 2300 Hz.
TEST_P(IFFilterEdges, FollowModeIFFilterModeAndSideband)
{
    const IFCase c = GetParam();
    ReceiveChainRig rig(c.mode);
    ReceiveDefaults::FillIFFilterTable("");
    IFFilterMode = c.ifFilterMode;
    IQModeOn = c.iqModeOn;
    (c.iqModeOn ? IQSelectUpper : HiSideLoOn) = c.sideFlag;

    MakeFilters();

    EXPECT_EQ(IFFilter.FLow, c.fLow);
    EXPECT_EQ(IFFilter.FHigh, c.fHigh);
}

using namespace DemodModeEnum;
constexpr int32_t Man = IFFilterModeEnum::Man;
constexpr int32_t Track = IFFilterModeEnum::Track;
constexpr int32_t Off = IFFilterModeEnum::Off;

INSTANTIATE_TEST_SUITE_P(
    DefaultTable, IFFilterEdges,
    ::testing::Values(IFCase{AM, Man, false, false, 7500, 16500}, IFCase{AM, Track, false, false, 9700, 14300},
                      IFCase{SAM, Off, false, false, 9700, 14300},
                      IFCase{USB, Man, false, true, 12000, 18000}, IFCase{USB, Man, false, false, 6000, 12000},
                      IFCase{USB, Track, false, true, 12300, 14300}, IFCase{USB, Track, false, false, 9700, 11700},
                      IFCase{USB, Track, true, false, 9700, 11700}, IFCase{USB, Track, true, true, 12300, 14300},
                      IFCase{LSB, Man, false, false, 18000, 12000}, IFCase{LSB, Man, false, true, 12000, 6000},
                      IFCase{LSB, Track, false, false, 12300, 14300}, IFCase{LSB, Track, true, true, 9700, 11700},
                      IFCase{FM, Man, false, false, 2000, 22000}, IFCase{FM, Track, true, true, 2000, 22000},
                      IFCase{DRM, Man, false, false, 9700, 14300}));

TEST(MakeFilters, SidebandWithTheIFFilterOffKeepsTheEdgesButRedesigns)
{
    ReceiveChainRig rig(USB);
    FakeSpectrumFeed analyser;
    ReceiveLinks::SpectrumAnalyser = &analyser;
    IFFilterMode = Off;
    IFFilter.FLow = 5000;
    IFFilter.FHigh = 9000;

    MakeFilters();

    EXPECT_EQ(IFFilter.FLow, 5000);
    EXPECT_EQ(IFFilter.FHigh, 9000);
    std::vector<float> taps(BlockSize);
    IFFilter.GetFilterCoeffs_T_S(taps);
    EXPECT_EQ(analyser.filterCoeffs, taps);   // the analyser draws the new design
}

TEST(MakeFilters, RedesignsActiveFiltersOnlyAndPartnersCopyTheirEdges)
{
    ReceiveChainRig rig(USB);
    FilterLo = 200;
    FilterHi = 2800;
    AFFilter.Active = false;
    PhaseFilterI.FLow = 5000;

    MakeFilters();

    EXPECT_EQ(AFFilter.FLow, 300);   // inactive: the power-on design stays
    EXPECT_EQ(NRFilter.FLow, 200);   // redesigned whether active or not
    EXPECT_EQ(NRFilter.FHigh, 2800);
    EXPECT_EQ(PhaseFilterI.FLow, 0);
    EXPECT_EQ(PhaseFilterI.FHigh, 24000);
    EXPECT_TRUE(PhaseFilterQ.QPhase);
    EXPECT_EQ(PhaseFilterQ.FHigh, 24000);
    EXPECT_EQ(SSBFilterQ.FLow, 200);
    EXPECT_EQ(SSBFilterQ.FHigh, 2800);
    EXPECT_TRUE(SSBFilterQ.QPhase);
    EXPECT_FALSE(SSBFilterI.QPhase);
}

// While the chain is inside a block each design waits, letting messages run; a call that
// arrives through them returns at once.
TEST(MakeFilters, WaitsForTheChainAfterTheIFDesignAndIgnoresANestedCall)
{
    ReceiveChainRig rig(AM);
    FilterHi = 3000;
    int32_t ifHighSeen = 0, nrHighSeen = 0;
    QTimer::singleShot(0, [&] {
        ifHighSeen = IFFilter.FHigh;
        nrHighSeen = NRFilter.FHigh;
        FilterHi = 4000;
        MakeFilters();
        InDSP = false;
    });
    InDSP = true;

    MakeFilters();

    EXPECT_EQ(ifHighSeen, 12000 + 3000);
    EXPECT_EQ(nrHighSeen, 2300);          // not yet redesigned when the chain was waited for
    EXPECT_EQ(NRFilter.FHigh, 4000);      // the first call went on with the new band
    EXPECT_EQ(IFFilter.FHigh, 15000);     // the nested call did nothing
    EXPECT_FALSE(InMakeFilters);
}

TEST(MakeFilters, AMissingFilterEndsTheCallAndTheNextCallWorks)
{
    ReceiveChainRig rig(AM);
    FilterLo = 500;
    AFFilter = clsFFTFilter{};   // not set up: its design raises
    AFFilter.Active = true;

    MakeFilters();

    EXPECT_EQ(PhaseFilterI.FHigh, 24000);   // designed before it
    EXPECT_EQ(NRFilter.FLow, 300);          // not reached
    EXPECT_FALSE(InMakeFilters);

    CreateFilterObjects();
    MakeFilters();
    EXPECT_EQ(NRFilter.FLow, 500);
}

TEST(FilterObjects, StartUpSettings)
{
    CreateFilterObjects();

    EXPECT_EQ(PhaseFilterI.FLow, 0);        // -1000 raised by the design
    EXPECT_EQ(PhaseFilterI.FHigh, 23000);
    EXPECT_EQ(PhaseFilterQ.FHigh, 23000);
    EXPECT_TRUE(PhaseFilterQ.QPhase);
    EXPECT_EQ(IFFilterQ.FLow, 7500);
    EXPECT_FALSE(IFFilterQ.QPhase);
    EXPECT_EQ(IFFilter.WindowType, 0);
    EXPECT_TRUE(NotchFilter2.BandReject);
    EXPECT_EQ(HilbertQ.Nzeros, 128);
    EXPECT_FALSE(AFFilter.Active);

    // Designed filters pass their band; the sideband filters are sized but not designed.
    WorkVector tone{};
    for (int k = 0; k < BlockSize; ++k)
        tone[k] = static_cast<float>(1000.0 * std::cos(ChainTest::Radians(1000, k)));
    WorkVector viaAF = tone, viaSSB = tone;
    AFFilter.Filter_FFT_S_1(viaAF);
    SSBFilterI.Filter_FFT_S_1(viaSSB);
    EXPECT_GT(QELVO::MaxAbs_S(viaAF.data() + 1500, 500), 900.0f);
    EXPECT_EQ(QELVO::MaxAbs_S(viaSSB.data(), BlockSize), 0.0f);
}

TEST(ReceiveDefaults, TablesFollowTheLabelMaximaAndTheModeBands)
{
    ReceiveDefaults::FillFilterTable("");
    ReceiveDefaults::FillAGCTable("", 10.0f, 6.0f);
    ReceiveDefaults::FillIFFilterTable("");
    ReceiveDefaults::SetNotchDefaults("");

    EXPECT_EQ(FilterTable[2].Lo, 300);
    EXPECT_EQ(FilterTable[2].Hi, 2300);
    EXPECT_EQ(FilterTable[0].SavedLo, 50);
    EXPECT_FALSE(FilterTable[0].Music);
    // 10 / 4 = 2.5 and 6 / 4 = 1.5 round to the even neighbour.
    EXPECT_EQ(AGCTable[1].Attack, 2);
    EXPECT_EQ(AGCTable[1].DefaultDecay, 2);
    EXPECT_EQ(AGCTable[2].Attack, 5);
    EXPECT_EQ(AGCTable[3].SpareDecay, 6);
    EXPECT_EQ(AGCTable[4].DefaultAttack, 0);

    ReceiveDefaults::FillAGCTable("");
    EXPECT_EQ(AGCTable[1].Attack, 25);
    EXPECT_EQ(AGCTable[3].Decay, 200);

    const IFFilterEntry& usbTrack = IFFilterTable[IFFilterIndex(USB, Track)];
    EXPECT_EQ(usbTrack.Hi, 6000);
    EXPECT_EQ(usbTrack.Lo, 0);
    EXPECT_FALSE(usbTrack.Symmetric);
    EXPECT_TRUE(IFFilterTable[IFFilterIndex(FM, Man)].Symmetric);
    EXPECT_EQ(IFFilterTable[IFFilterIndex(FM, Man)].Hi, 10000);
    for (const int32_t index : {IFFilterIndex(AM, Off), IFFilterIndex(7, Man), IFFilterIndex(8, Track)}) {
        EXPECT_EQ(IFFilterTable[index].Hi, 0);
        EXPECT_FALSE(IFFilterTable[index].Symmetric);
    }
    EXPECT_EQ(NotchLastCentre, 1000);
    EXPECT_EQ(NotchFilterWidth, 200);
}

} // namespace
