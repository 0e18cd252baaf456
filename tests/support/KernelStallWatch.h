#pragma once

#include "support/ToneBreakJudge.h"

#include <QtGlobal>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The kernel's account of a process held by the machine, read from /proc on a thread of the
// test every SamplingMs: each thread's time waiting on a run queue for a processor (the second
// field of its schedstat), its major page faults (pages read back from disk, as after the
// kernel paged them out) and whether the kernel holds it: in an uninterruptible wait, as on such
// a read, or stopped by a signal from outside, as a test's freeze stops it. This kernel keeps no
// account of time blocked on the disk otherwise (no delay accounting, no scheduler statistics),
// and counts a fault only once its page has come: a thread seen so held, or that faulted, counts
// as held for the whole interval. A thread that sleeps or waits on a lock of its own is on no run
// queue and neither waits nor stops so: what the program does to itself is never a stall here.
class KernelStallWatch
{
public:
    static constexpr int SamplingMs = 15;

    // One thread's counts at a sample.
    struct TaskCounts
    {
        int64_t RunQueueNs = 0;
        int64_t MajorFaults = 0;
        bool Held = false;   // state D (an uninterruptible wait) or T (stopped) at the sample
    };
    using Sample = std::map<int, TaskCounts>;   // by thread id

    // How long the kernel held the process between two samples an interval apart: the longest
    // any one thread waited on a run queue, or the whole interval where a thread faulted a page
    // in from disk or is seen held. Threads that came or went between them are not counted.
    static double HeldBetween(const Sample& before, const Sample& after, double intervalSeconds);

    ~KernelStallWatch() { Stop(); }
    // Watches the process from now until Stop or the next Start.
    void Start(qint64 pid);
    void Stop();
    // The stalls seen so far, each at least ToneBreakJudge::ShortestStallSeconds, with their
    // ends in seconds of the monotonic clock less offsetSeconds.
    std::vector<ToneBreakJudge::MachineStall> Stalls(double offsetSeconds) const;
    // Seconds of the monotonic clock the stalls are placed on (that of QElapsedTimer).
    static double ClockSeconds();

private:
    static Sample Read(qint64 pid);
    void Watch(qint64 pid);

    std::thread thread_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<ToneBreakJudge::MachineStall> stalls_;   // on the monotonic clock
};
