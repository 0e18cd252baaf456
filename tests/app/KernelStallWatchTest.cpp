#include "support/KernelStallWatch.h"

#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

namespace {

using Sample = KernelStallWatch::Sample;

// Between two samples 15 ms apart: the longest wait of one thread on a run queue counts, not
// the sum over threads; a page read back from disk holds its thread for the whole interval;
// a thread that came between the samples counts for nothing.
TEST(KernelStallWatch, CountsTheLongestWaitOfOneThreadOrTheIntervalOfAMajorFault)
{
    const Sample before{{10, {1'000'000, 3}}, {11, {5'000'000, 0}}};
    EXPECT_DOUBLE_EQ(KernelStallWatch::HeldBetween(before, before, 0.015), 0.0);
    const Sample waited{{10, {13'000'000, 3}}, {11, {12'000'000, 0}}, {12, {90'000'000, 9}}};
    EXPECT_NEAR(KernelStallWatch::HeldBetween(before, waited, 0.015), 0.012, 1e-9);
    const Sample faulted{{10, {1'000'000, 4}}, {11, {5'000'000, 0}}};
    EXPECT_NEAR(KernelStallWatch::HeldBetween(before, faulted, 0.015), 0.015, 1e-9);
}

// A process that sleeps waits on no run queue and faults nothing in: whatever the machine does
// beside it, the kernel never shows it held.
TEST(KernelStallWatch, SeesNoStallOfAProcessThatSleeps)
{
    QProcess sleeper;
    sleeper.start("sleep", {"2"});
    ASSERT_TRUE(sleeper.waitForStarted());
    QThread::msleep(100);
    KernelStallWatch watch;
    watch.Start(sleeper.processId());
    QThread::msleep(600);
    watch.Stop();
    EXPECT_TRUE(watch.Stalls(0).empty());
    sleeper.kill();
    sleeper.waitForFinished();
}

} // namespace
