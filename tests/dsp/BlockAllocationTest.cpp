#include "ReceiveChainRig.h"
#include "fakes/FakeSpectrumFeed.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

namespace {

// Every stage switched on: the IF filter and notch, the noise reducer, the AF notch's
// spectrum stage, the dynamic filter, the AGC, a shifted IF (the oscillator) and a spectrum
// feed taken at one of the chain's two points.
void SwitchEverythingOn(FakeSpectrumFeed& analyser, int32_t notchType, int32_t scopeSource)
{
    ReceiveLinks::SpectrumAnalyser = &analyser;
    ScopeSource = scopeSource;
    ReceiveChainRig::SetIF(12500);
    IFFilter.Active = true;
    NotchFilter.FLow = 900;
    NotchFilter.FHigh = 1100;
    NotchFilter.MakeFilter();
    NotchFilter.Active = true;
    NotchType = notchType;
    DynFilter.Active = DynFilterActive = true;
    NBOn = true;
    NRLevel = 0.2f;
    AGCOn = true;
}

long AllocationsOfBlocks(bool iq, std::vector<int16_t>& left, std::vector<int16_t>& right)
{
    return AllocationCounter::Count([&] {
        for (int block = 0; block < 3; ++block)
            iq ? DoDSPIQ(left, right, BlockSize) : DoDSP(left, right, BlockSize);
    });
}

} // namespace

// Once the first blocks have run, no block allocates, whatever the mode and the stages on.
TEST(BlockAllocation, NeitherChainAllocatesPerBlockInAnyMode)
{
    std::vector<int16_t> left(BlockSize), right(BlockSize);
    for (int k = 0; k < BlockSize; ++k) {
        left[k] = static_cast<int16_t>(std::lround(8000 * std::cos(ChainTest::Radians(13500, k))));
        right[k] = static_cast<int16_t>(std::lround(8000 * std::sin(ChainTest::Radians(13500, k))));
    }
    for (const bool iq : {false, true}) {
        for (const int32_t mode : {DemodModeEnum::AM, DemodModeEnum::USB, DemodModeEnum::LSB, DemodModeEnum::DRM,
                                   DemodModeEnum::FM, DemodModeEnum::BC, DemodModeEnum::SAM}) {
            for (const int32_t notchType : {NotchTypeEnum::AF, NotchTypeEnum::IF}) {
                ReceiveChainRig rig(mode);
                FakeSpectrumFeed analyser;
                ReceiveLinks::TunedFrequency = [] { return 70000000; };
                SwitchEverythingOn(analyser, notchType,
                                   notchType == NotchTypeEnum::AF ? ScopeSourceEnum::PreDemod
                                                                  : ScopeSourceEnum::PostDemod);
                std::vector<int16_t> l = left, r = right;
                AllocationsOfBlocks(iq, l, r);   // the first blocks may set up caches
                EXPECT_EQ(AllocationsOfBlocks(iq, l, r), 0) << "IQ " << iq << ", mode " << mode << ", notch "
                                                            << notchType;
                ReceiveLinks::SpectrumAnalyser = nullptr;
                ReceiveLinks::TunedFrequency = nullptr;
            }
        }
    }
    NBOn = AGCOn = DynFilterActive = false;
    ScopeSource = ScopeSourceEnum::IFIn;
    NotchType = NotchTypeEnum::AF;
}
