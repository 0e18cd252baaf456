#include "core/Profiler.h"
#include "fakes/FakePerfCounter.h"
#include "platform/MessageBoxes.h"

#include <gtest/gtest.h>

namespace {

class RecordingBoxes : public MessageBoxes::Backend
{
public:
    RecordingBoxes() { MessageBoxes::SetBackend(this); }
    ~RecordingBoxes() override { MessageBoxes::SetBackend(nullptr); }
    int Show(const std::string& prompt, int style, const std::string&) override
    {
        prompts.push_back(prompt);
        styles.push_back(style);
        return MessageBoxes::vbOK;
    }
    std::vector<std::string> prompts;
    std::vector<int> styles;
};

} // namespace

TEST(Profiler, MeasuresMicrosecondsBetweenStartAndStop)
{
    RecordingBoxes boxes;
    FakePerfCounter counter(10'000'000, 10'000);  // 1 ms between two reads
    Profiler profiler;
    EXPECT_EQ(profiler.Duration, 0.0);

    profiler.StartTiming();
    profiler.StopTiming();
    EXPECT_EQ(profiler.DurationInTicks, 10'000);
    EXPECT_DOUBLE_EQ(profiler.Duration, 1000.0);

    // On a 3.579545 MHz counter the same ticks are a longer time.
    counter.Frequency = 3'579'545;
    Profiler slower;
    slower.StartTiming();
    slower.StopTiming();
    EXPECT_NEAR(slower.Duration, 2793.65, 0.01);
    EXPECT_TRUE(boxes.prompts.empty());
}

TEST(Profiler, AnIntervalTooLongFor32BitsKeepsThePreviousTickCount)
{
    FakePerfCounter counter(10'000'000, 10'000);
    Profiler profiler;
    profiler.StartTiming();
    profiler.StopTiming();

    counter.Step = 2'147'483'648;  // one tick past the largest 32-bit count
    profiler.StartTiming();
    profiler.StopTiming();
    EXPECT_EQ(profiler.DurationInTicks, 10'000);
    EXPECT_DOUBLE_EQ(profiler.Duration, 1000.0);

    counter.Step = 2'147'483'647;
    profiler.StartTiming();
    profiler.StopTiming();
    EXPECT_EQ(profiler.DurationInTicks, 2'147'483'647);
}

TEST(Profiler, WithoutACounterTheUserIsToldAndDurationStaysZero)
{
    RecordingBoxes boxes;
    FakePerfCounter counter(10'000'000, 10'000);
    counter.HasCounter = false;
    Profiler profiler;
    ASSERT_EQ(boxes.prompts.size(), 1u);
    EXPECT_EQ(boxes.prompts[0], "Your hardware doesn't support a high-resolution performance counter!");
    EXPECT_EQ(boxes.styles[0], MessageBoxes::vbInformation);
    EXPECT_EQ(profiler.cuFrequency, 0);

    EXPECT_EQ(profiler.StartTiming(), 0);
    EXPECT_EQ(profiler.StopTiming(), 0);
    EXPECT_EQ(profiler.Duration, 0.0);

    // A counter that appears later still gives no duration without a frequency.
    counter.HasCounter = true;
    profiler.StartTiming();
    profiler.StopTiming();
    EXPECT_EQ(profiler.DurationInTicks, 10'000);
    EXPECT_EQ(profiler.Duration, 0.0);
}
