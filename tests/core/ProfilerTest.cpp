#include "core/Profiler.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakePerfCounter.h"

#include <gtest/gtest.h>

TEST(Profiler, MeasuresMicrosecondsAndKeepsTheTicksOfAnIntervalTooLongFor32Bits)
{
    FakePerfCounter counter(10'000'000, 10'000);  // 1 ms between two reads
    Profiler profiler;
    profiler.StartTiming();
    profiler.StopTiming();
    EXPECT_EQ(profiler.DurationInTicks, 10'000);
    EXPECT_DOUBLE_EQ(profiler.Duration, 1000.0);

    counter.Step = 2'147'483'648;  // one tick past the largest 32-bit count
    profiler.StartTiming();
    profiler.StopTiming();
    EXPECT_EQ(profiler.DurationInTicks, 10'000);
    EXPECT_DOUBLE_EQ(profiler.Duration, 1000.0);
}

TEST(Profiler, WithoutACounterTheUserIsToldAndDurationStaysZero)
{
    FakeMessageBoxes boxes;
    FakePerfCounter counter(10'000'000, 10'000);
    counter.HasCounter = false;
    Profiler profiler;
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.Last().prompt, "Your hardware doesn't support a high-resolution performance counter!");
    EXPECT_EQ(boxes.Last().icon, MessageBoxes::vbInformation);

    profiler.StartTiming();
    profiler.StopTiming();
    counter.HasCounter = true;  // a counter that answers later still has no frequency
    profiler.StartTiming();
    profiler.StopTiming();
    EXPECT_EQ(profiler.Duration, 0.0);
}
