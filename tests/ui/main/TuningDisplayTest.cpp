#include "ui/main/TuningDisplay.h"

#include "core/PublicVars.h"

#include <gtest/gtest.h>

namespace {

using namespace TuningDisplay;

TEST(TuningDisplay, EachDigitsPlaceValueIsCaptionedAtItsGroupsUnit)
{
    const char* captions[] = {"x 10 MHz", "x 1 MHz", "x 100 KHz", "x 10 KHz", "x 1 KHz",
                              "x 100 Hz", "x 10 Hz", "x 1 Hz",    "x 1 dHz"};
    for (int digit = 0; digit < DigitCount; ++digit)
        EXPECT_EQ(TuneRateCaption(digit, PlaceValue(digit)), captions[digit]) << digit;
    EXPECT_EQ(TuneRateCaption(-1, 1000), "");
    EXPECT_EQ(TuneRateCaption(12, 5), "x 5 dHz");
}

// Every table step is shown on its digit as the multiple the table gives, and the list
// entry of each step is padded to its unit's width.
TEST(TuningDisplay, TableStepsChooseTheirDigitCaptionAndListEntry)
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

TEST(TuningDisplay, IndexesPastEitherEndLandOnTheOtherEnd)
{
    EXPECT_EQ(WrapIndex(18, 18), 0);
    EXPECT_EQ(WrapIndex(-1, 18), 17);
    EXPECT_EQ(WrapIndex(9, 9), 0);
    EXPECT_EQ(WrapIndex(-1, 9), 8);
    EXPECT_EQ(WrapIndex(5, 9), 5);
}

// At 7 050 123.4 Hz each unit label zeroes its own group and keeps the tenths.
TEST(TuningDisplay, AUnitLabelZeroesItsGroupOnly)
{
    EXPECT_EQ(ZeroUnitGroup("070501234", 2), "070500004");
    EXPECT_EQ(ZeroUnitGroup("070501234", 1), "070001234");
    EXPECT_EQ(ZeroUnitGroup("070501234", 0), "000501234");
    EXPECT_EQ(ZeroUnitGroup("070501234", 3), "070501234");
}

// No step, or one beyond the display, still names one of the nine digits.
TEST(TuningDisplay, TheKeysDigitIsAlwaysOneOfTheNine)
{
    EXPECT_EQ(DigitOfStep(1000), 5);
    EXPECT_EQ(DigitOfStep(25000), 4);
    EXPECT_EQ(DigitOfStep(0), 8);
    EXPECT_EQ(DigitOfStep(1e-99), 8);
    EXPECT_EQ(DigitOfStep(1e12), 0);
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
    const Row rows[] = {{50, 55, true, 1},  {50, 45, true, -1}, {100, 0, true, 1}, {0, 100, true, -1},
                        {50, 50, true, 0},  {100, 0, false, -1}, {0, 100, false, 1}, {20, 90, true, -1}};
    for (const Row& row : rows)
        EXPECT_EQ(DialDirection(row.from, row.to, 0, 100, row.wrap), row.direction) << row.from << "->" << row.to;
}

} // namespace
