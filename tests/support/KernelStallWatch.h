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
// as held for the whole interval. On a virtual machine the host may also take a processor away
// for tens of milliseconds: the kernel counts that as the processor's stolen time (/proc/stat),
// and a thread ready to run on it is held for as long, though it waits on no run queue. A
// thread that sleeps or waits on a lock of its own is on no run queue, runs on no processor
// and neither waits nor stops so: what the program does to itself is never a stall here.
// The watch also tells where one thread of the process ran its own code without a pause (the
// first field of its schedstat): a witness against the program, never for it.
class KernelStallWatch
{
public:
    static constexpr int SamplingMs = 15;
    // A thread seen running, or ready to run, at every sample of consecutive intervals, that
    // ran for at least ShortestBusySeconds in them, ran without a pause: about a block's time
    // between two captured blocks, which the program hands on each as it comes. (The kernel adds
    // a thread's wait on a run queue to its count only once it runs again, so the counts of one
    // interval cannot tell.)
    static constexpr double ShortestBusySeconds = 0.04;

    // One thread's counts at a sample.
    struct TaskCounts
    {
        int64_t RunQueueNs = 0;
        int64_t MajorFaults = 0;
        bool Held = false;       // state D (an uninterruptible wait) or T (stopped) at the sample
        int64_t RunNs = 0;       // time it ran on a processor
        bool Runnable = false;   // state R (running, or ready to) at the sample
        int Processor = 0;       // the one it runs on, or last ran on
    };
    struct Sample
    {
        std::map<int, TaskCounts> Tasks;      // by thread id
        std::vector<int64_t> StolenNs = {};   // by processor: the time the host took it away
    };

    // How long the kernel held the process between two samples an interval apart: the longest
    // any one thread waited on a run queue or had its processor taken away by the host while it
    // was ready to run at either sample, or the whole interval where a thread faulted a page in
    // from disk or is seen held. Threads that came or went between them are not counted.
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

    // A time one thread of the process ran without a pause.
    struct BusySpan
    {
        int ThreadId = 0;
        double EndSeconds = 0;   // where it ended
        double RanSeconds = 0;   // how long the thread ran within it
    };
    // The busy spans seen so far, placed as Stalls places the stalls.
    std::vector<BusySpan> BusySpans(double offsetSeconds) const;

private:
    static Sample Read(qint64 pid);
    static std::vector<int64_t> ReadStolenTimes();
    void Watch(qint64 pid);
    void Record(ToneBreakJudge::MachineStall& stall);
    // Extends each thread's busy span by the interval, or ends it.
    void FollowBusyThreads(const Sample& before, const Sample& after, double at);
    void KeepBusySpan(const BusySpan& span);

    std::thread thread_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<ToneBreakJudge::MachineStall> stalls_;   // on the monotonic clock
    std::map<int, BusySpan> busyNow_;                   // the watch's thread only
    std::vector<BusySpan> busySpans_;                   // on the monotonic clock
};
