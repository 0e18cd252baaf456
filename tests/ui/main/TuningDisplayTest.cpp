#include "ui/main/TuningDisplay.h"

#include "core/PublicVars.h"

#include <gtest/gtest.h>

namespace {

using namespace TuningDisplay;

// Each table step is shown on its digit as the multiple the table gives, captioned at the
// digit's unit, and its list entry is padded to its unit's width.
TEST(TuningDisplay, StepsAreCaptionedAndListedAtTheirUnits)
{
    struct Row
    {
        int digit;
        const char* caption;
        const char* entry;
    };
    const Row rows[] = {
        {4, "x 10 KHz", " 10 KHz"}, {4, "x 9 KHz", "  9 KHz"},  {4, "x 5 KHz", "  5 KHz"}, {4, "x 3 KHz", "  3 KHz"},
        {4, "x 2.5 KHz", "2.5 KHz"}, {5, "x 1000 Hz", "  1 KHz"}, {5, "x 500 Hz", "500 Hz"}, {5, "x 250 Hz", "250 Hz"},
        {5, "x 100 Hz", "100 Hz"},   {6, "x 50 Hz", " 50 Hz"},    {6, "x 25 Hz", " 25 Hz"},  {6, "x 10 Hz", " 10 Hz"},
        {7, "x 5 Hz", "  5 Hz"},     {7, "x 2.5 Hz", "2.5 Hz"},   {7, "x 1 Hz", "  1 Hz"},   {8, "x 5 dHz", "  5 dHz"},
        {8, "x 2 dHz", "  2 dHz"},   {8, "x 1 dHz", "  1 dHz"},
    };
    for (int index = 0; index < 18; ++index) {
        const int32_t step = PublicVars::DefaultTuningSteps[static_cast<size_t>(index)];
        const auto [digit, multiplier] = StepDigit(index, step);
        EXPECT_EQ(digit, rows[index].digit) << index;
        EXPECT_EQ(PlaceValue(digit) * multiplier, step) << index;
        EXPECT_EQ(TuneRateCaption(digit, step), rows[index].caption) << index;
        EXPECT_EQ(TuningStepEntry(step), rows[index].entry) << index;
    }
    EXPECT_EQ(TuningStepEntry(250000), "250000");
    EXPECT_EQ(TuningStepEntry(-5), "-5");
}

// One notch on, whatever the size of the move; across the wrap the short way round.
TEST(TuningDisplay, DialDirectionIsWrapAware)
{
    struct Row
    {
        int from, to;
        bool wrap;
        int direction;
    };
    const Row rows[] = {{50, 55, true, 1},  {50, 45, true, -1},  {100, 0, true, 1}, {0, 100, true, -1},
                        {50, 50, true, 0},  {100, 0, false, -1}, {20, 90, true, -1}};
    for (const Row& row : rows)
        EXPECT_EQ(DialDirection(row.from, row.to, 0, 100, row.wrap), row.direction) << row.from << "->" << row.to;
}

} // namespace
