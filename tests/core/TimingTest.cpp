#include "core/modTiming.h"
#include "fakes/FakePerfCounter.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

namespace {

// True once the event loop has run the queued call, that is once the delay let
// pending messages run.
class QueuedCallProbe
{
public:
    QueuedCallProbe()
    {
        QMetaObject::invokeMethod(QCoreApplication::instance(), [this] { ran = true; }, Qt::QueuedConnection);
    }
    ~QueuedCallProbe() { QCoreApplication::processEvents(); }  // never leave it behind
    bool ran = false;
};

} // namespace

TEST(modTiming, TicksPerMicrosecondRoundsTheFrequencyHalfToEven)
{
    const struct { int64_t frequency; int32_t ticks; } cases[] = {
        {10'000'000, 10}, {3'579'545, 4}, {1'193'182, 1}, {500'000, 0},
        {500'001, 1}, {2'500'000, 2}, {3'500'000, 4}, {0, 0},
    };
    for (const auto& c : cases) {
        FakePerfCounter counter(c.frequency, 1);
        modTiming::InitPerfCounter();
        EXPECT_EQ(modTiming::PerfFrequency, c.frequency);
        EXPECT_EQ(modTiming::TicksPerMicrosecond, c.ticks) << c.frequency;
    }

    FakePerfCounter none(10'000'000, 1);
    none.HasCounter = false;
    modTiming::InitPerfCounter();
    EXPECT_EQ(modTiming::PerfFrequency, 0);
    EXPECT_EQ(modTiming::TicksPerMicrosecond, 0);
}

TEST(modTiming, DelayWaitsTheRoundedNumberOfTicks)
{
    FakePerfCounter counter(10'000'000, 1);
    modTiming::InitPerfCounter();

    // One read for the start, then reads until the target is reached: target + 1 reads.
    // 0.75 and 0.25 microseconds are 7.5 and 2.5 ticks: halves go to the even tick.
    const struct { float microseconds; int reads; } cases[] = {
        {100.0f, 1001}, {1.0f, 11}, {0.75f, 9}, {0.25f, 3},
    };
    for (const auto& c : cases) {
        counter.Reads = 0;
        modTiming::DelayMicroseconds(c.microseconds);
        EXPECT_EQ(counter.Reads, c.reads) << c.microseconds;
    }
}

TEST(modTiming, WaitsThatAreNoWaitsReturnAtOnce)
{
    FakePerfCounter counter(10'000'000, 1);
    modTiming::InitPerfCounter();
    for (const float nothing : {0.0f, -5.0f, std::nanf("")}) {
        counter.Reads = 0;
        modTiming::DelayMicroseconds(nothing);
        EXPECT_EQ(counter.Reads, 2);
    }

    // A counter too slow for a tick per microsecond: every delay is zero.
    FakePerfCounter slow(400'000, 1);
    modTiming::InitPerfCounter();
    modTiming::DelayMicroseconds(10'000.0f);
    EXPECT_EQ(slow.Reads, 2);
}

TEST(modTiming, OnlyDelaysOver500MicrosecondsLetMessagesRun)
{
    FakePerfCounter counter(10'000'000, 1000);
    modTiming::InitPerfCounter();
    {
        QueuedCallProbe probe;
        modTiming::DelayMicroseconds(500.0f);
        EXPECT_FALSE(probe.ran);
    }
    {
        QueuedCallProbe probe;
        modTiming::DelayMicroseconds(501.0f);
        EXPECT_TRUE(probe.ran);
    }
}

TEST(modTiming, ADelayRunningInsideAnotherDoesNotCutItShort)
{
    FakePerfCounter counter(10'000'000, 1000);
    modTiming::InitPerfCounter();
    int nestedDelays = 0;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [&] {
            ++nestedDelays;
            modTiming::DelayMicroseconds(100.0f);
        },
        Qt::QueuedConnection);

    const int64_t start = counter.Count;
    modTiming::DelayMicroseconds(1000.0f);
    const int64_t lastRead = counter.Count - counter.Step;
    EXPECT_EQ(nestedDelays, 1);
    EXPECT_GE(lastRead - start, 10'000);
}

TEST(modTiming, RealCounterWaitsAtLeastTheTimeAsked)
{
    SetPerfCounter(nullptr);
    modTiming::InitPerfCounter();
    ASSERT_EQ(modTiming::TicksPerMicrosecond, 10);
    const auto begin = std::chrono::steady_clock::now();
    modTiming::DelayMicroseconds(2000.0f);
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::microseconds(2000));
}
