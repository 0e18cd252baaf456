#include "radio/RXDefinitions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using RXDefinitions::RXModels;

TEST(RXDefinitions, EighteenModelsInOrderRebuiltOnASecondCall)
{
    RXDefinitions::Initialise();
    RXDefinitions::Initialise();
    const std::vector<std::string> names = {
        "Vantrel RAV1", "Elektor DRM - Teluro", "IQ,AD9850 DDS", "IQ,AD9851 DDS", "IQ,Crystal Controlled",
        "IQ,AD9835 DDS", "FunkAmateur IQ-SDR4080-7076", "FunkAmateur IQ-SDR4080-3750",
        "FunkAmateur IQ-SDR4080-3500", "FunkAmateur IQ-SDR4080-3579", "FunkAmateur IQ-SDR4080-3686",
        "Soft Rock 160-1.845MHz", "Soft Rock 80-3.527MHz", "Soft Rock 40-7.055MHz", "Soft Rock 30-10.125MHz",
        "NTI DRB 30", "IQ,AD9951 DDS", "IQ,CY27EE16 Clock Gen"};
    ASSERT_EQ(RXDefinitions::RXModelMaxIndex, 17);
    ASSERT_EQ(RXModels.size(), names.size());
    for (int32_t i = 0; i <= 17; ++i) {
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
        EXPECT_FALSE(RXModels[row].VFOControl);
    }
}

} // namespace
