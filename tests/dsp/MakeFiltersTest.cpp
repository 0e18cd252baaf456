#include "ReceiveChainRig.h"
#include "dsp/ReceiveDefaults.h"
#include "fakes/FakeSpectrumFeed.h"

#include <QTimer>
#include <gtest/gtest.h>

namespace {

using namespace DemodModeEnum;
constexpr int32_t Off = IFFilterModeEnum::Off;
constexpr int32_t Man = IFFilterModeEnum::Man;
constexpr int32_t Track = IFFilterModeEnum::Track;

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

// IFFreq 12000, the default IF table, an AF band of 300 .. 2300 Hz.
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

INSTANTIATE_TEST_SUITE_P(
    DefaultTable, IFFilterEdges,
    ::testing::Values(IFCase{AM, Man, false, false, 7500, 16500}, IFCase{AM, Track, false, false, 9700, 14300},
                      IFCase{USB, Man, false, true, 12000, 18000}, IFCase{USB, Man, false, false, 6000, 12000},
                      IFCase{USB, Track, false, false, 9700, 11700}, IFCase{USB, Track, true, true, 12300, 14300},
                      IFCase{LSB, Man, false, false, 18000, 12000}, IFCase{LSB, Man, false, true, 12000, 6000},
                      IFCase{LSB, Track, false, false, 12300, 14300}, IFCase{LSB, Track, true, true, 9700, 11700},
                      IFCase{FM, Man, false, false, 2000, 22000}, IFCase{DRM, Man, false, false, 9700, 14300}));

TEST(MakeFilters, RedesignsActiveFiltersPartnersCopyEdgesAndTheAnalyserGetsTheIFTaps)
{
    ReceiveChainRig rig(USB);
    FakeSpectrumFeed analyser;
    ReceiveLinks::SpectrumAnalyser = &analyser;
    FilterLo = 200;
    FilterHi = 2800;
    AFFilter.Active = false;
    PhaseFilterI.FLow = 5000;
    IFFilterMode = Off;   // sideband modes then keep the IF edges
    IFFilter.FLow = 5000;
    IFFilter.FHigh = 9000;

    MakeFilters();

    EXPECT_EQ(AFFilter.FLow, 300);   // inactive: keeps its design
    EXPECT_EQ(NRFilter.FLow, 200);   // designed whether active or not
    EXPECT_EQ(PhaseFilterI.FLow, 0);
    EXPECT_EQ(PhaseFilterQ.FHigh, 24000);
    EXPECT_TRUE(PhaseFilterQ.QPhase);
    EXPECT_EQ(SSBFilterQ.FHigh, 2800);
    EXPECT_TRUE(SSBFilterQ.QPhase);
    EXPECT_EQ(IFFilter.FLow, 5000);
    std::vector<float> taps(BlockSize);
    IFFilter.GetFilterCoeffs_T_S(taps);
    EXPECT_EQ(analyser.filterCoeffs, taps);
}

// While the chain is inside a block, each design waits letting messages run; a call that
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

    EXPECT_EQ(ifHighSeen, 15000);
    EXPECT_EQ(nrHighSeen, 2300);       // not yet redesigned while waiting
    EXPECT_EQ(NRFilter.FHigh, 4000);
    EXPECT_EQ(IFFilter.FHigh, 15000);  // the nested call did nothing
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

TEST(ReceiveDefaults, AGCPresetsRoundHalfToEvenAndUnfilledEntriesReadZero)
{
    ReceiveDefaults::FillAGCTable("", 10.0f, 6.0f);
    ReceiveDefaults::FillIFFilterTable("");
    EXPECT_EQ(AGCTable[1].Attack, 2);   // 10 / 4 = 2.5
    EXPECT_EQ(AGCTable[1].Decay, 2);    // 6 / 4 = 1.5
    EXPECT_EQ(AGCTable[4].DefaultAttack, 0);
    for (const int32_t index : {IFFilterIndex(AM, Off), IFFilterIndex(7, Man), IFFilterIndex(8, Track)})
        EXPECT_EQ(IFFilterTable[index].Hi, 0);
}

} // namespace
