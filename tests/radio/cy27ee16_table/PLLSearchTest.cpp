#include "radio/cy27ee16_table/CY27EE16PLLTable.h"
#include "radio/cy27ee16_table/PLLSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

struct FillRun {
    const char* Routine;
    int First;
    int Last;
};

// One case per fill routine, so that ctest can rerun the search over the ten runs side by side.
class StoredSettingsMatchSearch : public ::testing::TestWithParam<FillRun> {};

TEST_P(StoredSettingsMatchSearch, EverySlotHoldsTheSearchResult)
{
    const FillRun run = GetParam();
    CY27EE16PLLTable table;
    table.BuildLUT();
    const int lastSearched = std::min(run.Last, PLLSearch::SettingCount - 1);
    int mismatches = 0;
    for (int slot = run.First; slot <= lastSearched && mismatches < 10; ++slot) {
        const PLLEntry searched = PLLSearch::SettingForSlot(slot);
        const PLLEntry stored = table.PLLTable()[slot];
        if (searched != stored) {
            ++mismatches;
            ADD_FAILURE() << run.Routine << " slot " << slot << std::hex << ": stored 0x" << stored
                          << ", the search gives 0x" << searched;
        }
    }
    if (run.Last > lastSearched) {
        EXPECT_EQ(table.PLLTable()[run.Last], 0u) << "the slot after the last setting holds 0";
    }
}

INSTANTIATE_TEST_SUITE_P(
    FillRoutines, StoredSettingsMatchSearch,
    ::testing::Values(FillRun{"FillLUT1", 0, 2999}, FillRun{"FillLUT2", 3000, 5999},
                      FillRun{"FillLUT3", 6000, 8999}, FillRun{"FillLUT4", 9000, 11999},
                      FillRun{"FillLUT5", 12000, 14999}, FillRun{"FillLUT6", 15000, 17999},
                      FillRun{"FillLUT7", 18000, 20999}, FillRun{"FillLUT8", 21000, 23999},
                      FillRun{"FillLUT9", 24000, 26999}, FillRun{"FillLUT10", 27000, 29901}),
    [](const auto& info) { return std::string(info.param.Routine); });

TEST(PLLSearchScore, FollowsSinglePrecisionRoundingStepByStep)
{
    struct Scored {
        std::int64_t Hz;
        PLLSearch::Candidate Candidate;
        float Score;
    };
    const Scored cases[] = {
        // 249,625,000 Hz lies halfway between two floats and rounds to the even one below.
        {27736000, {9, 80, 1997}, 110.0f},
        {27736000, {6, 120, 1997}, 112.0f},
        // One output, three VCOs that round differently.
        {24452000, {6, 73, 1071}, 56.0f},
        {24452000, {8, 73, 1428}, 54.0f},
        {24452000, {10, 73, 1785}, 54.0f},
        {48472000, {3, 24, 349}, 224.0f},
        {48472000, {5, 72, 1745}, 220.0f},
        {8204000, {17, 94, 1311}, 4.5f},
        {8204000, {34, 47, 1311}, 4.5f},
        {8204000, {47, 34, 1311}, 5.0f},
        // Different exact errors, equal scores.
        {48740000, {3, 82, 1199}, 160.0f},
        {48740000, {3, 127, 1857}, 160.0f},
        {8636000, {21, 59, 1070}, 3.0f},
        {8636000, {13, 97, 1089}, 3.0f},
    };
    for (const Scored& c : cases)
        EXPECT_EQ(PLLSearch::Score(c.Candidate, c.Hz), c.Score)
            << c.Hz << " Hz, N " << c.Candidate.N << " " << c.Candidate.Ptotal << "/"
            << c.Candidate.Qtotal;
}

TEST(PLLSearchScore, ExactnessIsDecidedInWholeNumbersBeyond32Bits)
{
    // F x Qtotal x N exceeds 2^31 here; floating point would round 1e7 x Ptotal / Qtotal.
    EXPECT_TRUE(PLLSearch::IsExact({2, 125, 1251}, 50040000));
    EXPECT_FALSE(PLLSearch::IsExact({2, 85, 2041}, 120048000));
    EXPECT_FALSE(PLLSearch::IsExact({127, 129, 1291}, 788000));
}

}  // namespace
