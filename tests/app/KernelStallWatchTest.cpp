#include "support/KernelStallWatch.h"

#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

using Sample = KernelStallWatch::Sample;

// Forks a child that runs body and ends, and watches it for watchMs: the child's id, -1 where
// none could be made.
pid_t WatchChild(KernelStallWatch& watch, int watchMs, const std::function<void()>& body)
{
    const pid_t child = fork();
    if (child < 0) {
        ADD_FAILURE() << "no child process";
        return child;
    }
    if (child == 0) {
        body();
        _exit(0);
    }
    watch.Start(child);
    QThread::msleep(static_cast<unsigned long>(watchMs));
    watch.Stop();
    waitpid(child, nullptr, 0);
    return child;
}

// Between two samples 15 ms apart: the longest wait of one thread on a run queue counts, not
// the sum over threads; a page read back from disk, or a thread still waiting on the disk,
// holds its thread for the whole interval; a thread that came between the samples counts for
// nothing.
TEST(KernelStallWatch, CountsTheLongestWaitOfOneThreadOrTheIntervalOfAMajorFaultOrADiskWait)
{
    const Sample before{{{10, {1'000'000, 3}}, {11, {5'000'000, 0}}}};
    EXPECT_DOUBLE_EQ(KernelStallWatch::HeldBetween(before, before, 0.015), 0.0);
    const Sample waited{{{10, {13'000'000, 3}}, {11, {12'000'000, 0}}, {12, {90'000'000, 9}}}};
    EXPECT_NEAR(KernelStallWatch::HeldBetween(before, waited, 0.015), 0.012, 1e-9);
    const Sample faulted{{{10, {1'000'000, 4}}, {11, {5'000'000, 0}}}};
    EXPECT_NEAR(KernelStallWatch::HeldBetween(before, faulted, 0.015), 0.015, 1e-9);
    const Sample onDisk{{{10, {1'000'000, 3, true}}, {11, {5'000'000, 0}}}};
    EXPECT_NEAR(KernelStallWatch::HeldBetween(before, onDisk, 0.015), 0.015, 1e-9);
}

// The host took processor 1 away for 30 ms and processor 2 for 20 ms: a thread ready to run on
// one of them at either sample was held that long, one asleep on it throughout not at all.
TEST(KernelStallWatch, CountsTheTimeTheHostTookAwayTheProcessorOfAThreadReadyToRun)
{
    KernelStallWatch::TaskCounts asleep{};
    asleep.Processor = 1;
    KernelStallWatch::TaskCounts ready = asleep;
    ready.Runnable = true;
    KernelStallWatch::TaskCounts movedToTwo = asleep;
    movedToTwo.Processor = 2;
    const std::vector<int64_t> stolenBefore{0, 40'000'000, 10'000'000};
    const std::vector<int64_t> stolenAfter{0, 70'000'000, 30'000'000};

    EXPECT_DOUBLE_EQ(KernelStallWatch::HeldBetween({{{10, asleep}}, stolenBefore}, {{{10, asleep}}, stolenAfter}, 0.015), 0.0);
    EXPECT_NEAR(KernelStallWatch::HeldBetween({{{10, ready}}, stolenBefore}, {{{10, asleep}}, stolenAfter}, 0.015), 0.03, 1e-9);
    EXPECT_NEAR(KernelStallWatch::HeldBetween({{{10, asleep}}, stolenBefore}, {{{10, ready}}, stolenAfter}, 0.015), 0.03, 1e-9);
    EXPECT_NEAR(KernelStallWatch::HeldBetween({{{10, ready}}, {0, 40'000'000, 0}}, {{{10, movedToTwo}}, {0, 40'000'000, 20'000'000}}, 0.015),
                0.02, 1e-9);
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
    EXPECT_TRUE(watch.BusySpans(0).empty());
    sleeper.kill();
    sleeper.waitForFinished();
}

// A parent waits for its vforked child uninterruptibly, as a thread waits for a page read back
// from disk: the kernel shows it held for as long as the child lets it wait.
TEST(KernelStallWatch, SeesAProcessHeldInAnUninterruptibleWait)
{
    KernelStallWatch watch;
    WatchChild(watch, 800, [] {
        if (vfork() == 0) {
            const timespec wait{0, 600'000'000};
            syscall(SYS_nanosleep, &wait, nullptr);
            _exit(0);
        }
    });
    double held = 0;
    for (const ToneBreakJudge::MachineStall& stall : watch.Stalls(0))
        held = std::max(held, stall.HeldSeconds);
    EXPECT_GT(held, 0.4);
}

// A process stopped by a signal from outside, as a test freezes the program, is held too.
TEST(KernelStallWatch, SeesAProcessStoppedFromOutside)
{
    QProcess sleeper;
    sleeper.start("sleep", {"3"});
    ASSERT_TRUE(sleeper.waitForStarted());
    KernelStallWatch watch;
    watch.Start(sleeper.processId());
    QThread::msleep(100);
    kill(static_cast<pid_t>(sleeper.processId()), SIGSTOP);
    QThread::msleep(500);
    kill(static_cast<pid_t>(sleeper.processId()), SIGCONT);
    QThread::msleep(100);
    watch.Stop();
    double held = 0;
    for (const ToneBreakJudge::MachineStall& stall : watch.Stalls(0))
        held = std::max(held, stall.HeldSeconds);
    EXPECT_GT(held, 0.4);
    sleeper.kill();
    sleeper.waitForFinished();
}

// A process that runs its own code for half a second shows as busy, however busy the machine
// keeps it waiting for a processor meanwhile; one that sleeps, never (above).
TEST(KernelStallWatch, SeesAProcessRunningWithoutAPauseAsBusy)
{
    KernelStallWatch watch;
    const pid_t spinner = WatchChild(watch, 700, [] {
        timespec start{}, now{};
        clock_gettime(CLOCK_MONOTONIC, &start);
        do
            clock_gettime(CLOCK_MONOTONIC, &now);
        while (static_cast<double>(now.tv_sec - start.tv_sec) + static_cast<double>(now.tv_nsec - start.tv_nsec) / 1e9 < 0.5);
        const timespec rest{0, 300'000'000};
        nanosleep(&rest, nullptr);
    });
    const std::vector<KernelStallWatch::BusySpan> spans = watch.BusySpans(0);
    ASSERT_FALSE(spans.empty());
    double ran = 0;
    for (const KernelStallWatch::BusySpan& span : spans) {
        EXPECT_EQ(span.ThreadId, spinner);
        ran += span.RanSeconds;
    }
    EXPECT_GT(ran, 0.1);
}

} // namespace
