#include "core/modTiming.h"
#include "fakes/FakePerfCounter.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

TEST(modTiming, TicksPerMicrosecondRoundsTheFrequencyHalfToEven)
{
    const struct { int64_t frequency; int32_t ticks; } cases[] = {
        {10'000'000, 10}, {3'579'545, 4}, {1'193'182, 1}, {500'000, 0}, {2'500'000, 2}, {3'500'000, 4}};
    for (const auto& c : cases) {
        FakePerfCounter counter(c.frequency, 1);
        modTiming::InitPerfCounter();
        EXPECT_EQ(modTiming::TicksPerMicrosecond, c.ticks) << c.frequency;
    }
    FakePerfCounter none(10'000'000, 1);
    none.HasCounter = false;
    modTiming::InitPerfCounter();
    EXPECT_EQ(modTiming::TicksPerMicrosecond, 0);
}

TEST(modTiming, DelayReadsTheCounterUntilTheRoundedTargetIsReached)
{
    FakePerfCounter counter(10'000'000, 1);
    modTiming::InitPerfCounter();
    // One read for the start, then reads until the target: target + 1 reads, but at least
    // two. 0.75 and 0.25 microseconds are 7.5 and 2.5 ticks: halves go to the even tick.
    const struct { float microseconds; int reads; } cases[] = {
        {100.0f, 1001}, {0.75f, 9}, {0.25f, 3}, {0.0f, 2}, {-5.0f, 2}, {std::nanf(""), 2}};
    for (const auto& c : cases) {
        counter.Reads = 0;
        modTiming::DelayMicroseconds(c.microseconds);
        EXPECT_EQ(counter.Reads, c.reads) << c.microseconds;
    }
}

TEST(modTiming, OnlyDelaysOver500MicrosecondsLetMessagesRun)
{
    FakePerfCounter counter(10'000'000, 1000);
    modTiming::InitPerfCounter();
    for (const float microseconds : {500.0f, 501.0f}) {
        bool messagesRan = false;
        QMetaObject::invokeMethod(qApp, [&] { messagesRan = true; }, Qt::QueuedConnection);
        modTiming::DelayMicroseconds(microseconds);
        EXPECT_EQ(messagesRan, microseconds > 500.0f);
        QCoreApplication::processEvents();
    }
}

TEST(modTiming, ADelayRunningInsideAnotherDoesNotCutItShort)
{
    FakePerfCounter counter(10'000'000, 1000);
    modTiming::InitPerfCounter();
    bool nestedRan = false;
    QMetaObject::invokeMethod(
        qApp, [&] { nestedRan = true; modTiming::DelayMicroseconds(100.0f); }, Qt::QueuedConnection);

    const int64_t start = counter.Count;
    modTiming::DelayMicroseconds(1000.0f);
    EXPECT_TRUE(nestedRan);
    EXPECT_GE(counter.Count - counter.Step - start, 10'000);  // the last read met the full target
}

TEST(modTiming, TheRealCounterWaitsAtLeastTheTimeAsked)
{
    SetPerfCounter(nullptr);
    modTiming::InitPerfCounter();
    const auto begin = std::chrono::steady_clock::now();
    modTiming::DelayMicroseconds(2000.0f);
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::microseconds(2000));
}
