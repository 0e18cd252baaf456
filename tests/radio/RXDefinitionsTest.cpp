#include "radio/RXDefinitions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using RXDefinitions::RXModelMaxIndex;
using RXDefinitions::RXModels;

TEST(RXDefinitions, HoldsTheEighteenModelsInOrderAndRebuildsThemOnASecondCall)
{
    RXDefinitions::Initialise();
    RXDefinitions::Initialise();
    const std::vector<std::string> names = {
        "Vantrel RAV1", "Elektor DRM - Teluro", "IQ,AD9850 DDS", "IQ,AD9851 DDS", "IQ,Crystal Controlled",
        "IQ,AD9835 DDS", "FunkAmateur IQ-SDR4080-7076", "FunkAmateur IQ-SDR4080-3750",
        "FunkAmateur IQ-SDR4080-3500", "FunkAmateur IQ-SDR4080-3579", "FunkAmateur IQ-SDR4080-3686",
        "Soft Rock 160-1.845MHz", "Soft Rock 80-3.527MHz", "Soft Rock 40-7.055MHz", "Soft Rock 30-10.125MHz",
        "NTI DRB 30", "IQ,AD9951 DDS", "IQ,CY27EE16 Clock Gen"};
    EXPECT_TRUE(RXDefinitions::Filled());
    ASSERT_EQ(RXModelMaxIndex, 17);
    ASSERT_EQ(RXModels.size(), names.size());
    for (int32_t i = 0; i <= RXModelMaxIndex; ++i) {
        EXPECT_EQ(RXModels[i].Index, i);
        EXPECT_EQ(RXModels[i].Name, names[i]);
    }
}

TEST(RXDefinitions, CrystalRowsLandTheirDefaultOnTheAudioIFCentre)
{
    RXDefinitions::Initialise();
    const std::vector<std::pair<int, int32_t>> crystalRows = {
        {4, 30730000},  {6, 70640000},  {7, 37380000},  {8, 34880000},  {9, 35675000},
        {10, 36747500}, {11, 18330000}, {12, 35150000}, {13, 70430000}, {14, 101130000}};
    for (const auto& [row, tuned] : crystalRows) {
        SCOPED_TRACE(row);
        EXPECT_EQ(RXModels[row].TunedFrequency, tuned);
        EXPECT_EQ(RXModels[row].DDSChip, DDSChipCode::SoftDDS);
        EXPECT_EQ(RXModels[row].DDSInterfaceType, DDSInterfaceCode::None);
        EXPECT_FALSE(RXModels[row].VFOControl);
        EXPECT_EQ(RXModels[row].OscMultiplier, 4);
    }
    EXPECT_EQ(RXModels[0].XtalFrequency, -1);
    EXPECT_TRUE(RXModels[0].VFOControl);
}

TEST(RXDefinitions, RowsThatDifferFromTheCommonDefaults)
{
    RXDefinitions::Initialise();
    for (const RXModelRecord& row : RXModels) {
        SCOPED_TRACE(row.Name);
        const bool cy27 = row.Index == 17;
        EXPECT_EQ(row.TuneStep, cy27 ? 1000 : 100);
        EXPECT_EQ(row.RXMinFreq, cy27 ? 100000 : 10000);
        EXPECT_EQ(row.RXMaxFreq, 30000000);
        EXPECT_EQ(row.Inverting, row.Index == 0 || row.Index == 1 || row.Index == 5);
        EXPECT_EQ(row.LowSideLOOption, row.Index == 1);
    }
    EXPECT_EQ(RXModels[5].PLLMultiplier, 2);
    EXPECT_EQ(RXModels[5].TunedFrequency, 7083000);
    EXPECT_EQ(RXModels[17].TunedFrequency, 3995000);
    EXPECT_EQ((std::vector<int>{RXModels[15].IOUPDBitNo, RXModels[15].SCLCKBitNo, RXModels[15].SDATABitNo}),
              (std::vector<int>{1, 2, 3}));
    EXPECT_EQ((std::vector<int>{RXModels[0].IOUPDBitNo, RXModels[0].SCLCKBitNo, RXModels[0].SDATABitNo}),
              (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(RXModels[15].LOOffset, 44998000);
    EXPECT_EQ(RXModels[15].DDSClock, 360080000);
}

} // namespace
