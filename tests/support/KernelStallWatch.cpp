#include "support/KernelStallWatch.h"

#include "support/TextFiles.h"

#include <QDir>

#include <algorithm>
#include <chrono>
#include <time.h>

double KernelStallWatch::HeldBetween(const Sample& before, const Sample& after, double intervalSeconds)
{
    double held = 0;
    for (const auto& [task, counts] : after) {
        const auto earlier = before.find(task);
        if (earlier == before.end())
            continue;
        held = std::max(held, static_cast<double>(counts.RunQueueNs - earlier->second.RunQueueNs) / 1e9);
        if (counts.MajorFaults > earlier->second.MajorFaults || counts.Held)
            held = std::max(held, intervalSeconds);
    }
    return held;
}

void KernelStallWatch::Start(qint64 pid)
{
    Stop();
    {
        std::lock_guard lock(mutex_);
        stalls_.clear();
        busySpans_.clear();
    }
    busyNow_.clear();
    stop_ = false;
    thread_ = std::thread([this, pid] { Watch(pid); });
}

void KernelStallWatch::Stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

std::vector<ToneBreakJudge::MachineStall> KernelStallWatch::Stalls(double offsetSeconds) const
{
    std::lock_guard lock(mutex_);
    std::vector<ToneBreakJudge::MachineStall> stalls = stalls_;
    for (ToneBreakJudge::MachineStall& stall : stalls)
        stall.EndSeconds -= offsetSeconds;
    return stalls;
}

std::vector<KernelStallWatch::BusySpan> KernelStallWatch::BusySpans(double offsetSeconds) const
{
    std::lock_guard lock(mutex_);
    std::vector<BusySpan> spans = busySpans_;
    for (BusySpan& span : spans)
        span.EndSeconds -= offsetSeconds;
    return spans;
}

double KernelStallWatch::ClockSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

KernelStallWatch::Sample KernelStallWatch::Read(qint64 pid)
{
    Sample sample;
    const QString tasks = QString("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QList<QByteArray> schedstat = ReadFile(tasks + "/" + task + "/schedstat").split(' ');
        // The fields after the name in parentheses: the state is the first, the major faults the
        // tenth.
        const QByteArray stat = ReadFile(tasks + "/" + task + "/stat");
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (schedstat.size() < 2 || fields.size() < 10)
            continue;
        sample[task.toInt()] = {schedstat[1].toLongLong(), fields[9].toLongLong(), fields[0] == "D" || fields[0] == "T",
                                schedstat[0].toLongLong(), fields[0] == "R"};
    }
    return sample;
}

// Consecutive intervals that held the program make one stall.
void KernelStallWatch::Watch(qint64 pid)
{
    Sample before = Read(pid);
    double beforeAt = ClockSeconds();
    ToneBreakJudge::MachineStall current;
    while (!stop_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(SamplingMs));
        const Sample after = Read(pid);
        const double at = ClockSeconds();
        const double held = HeldBetween(before, after, at - beforeAt);
        if (held >= ToneBreakJudge::ShortestStallSeconds / 4) {
            current.HeldSeconds += held;
            current.EndSeconds = at;
        } else {
            Record(current);
        }
        FollowBusyThreads(before, after, at);
        before = after;
        beforeAt = at;
    }
    Record(current);
    for (const auto& [task, span] : busyNow_)
        KeepBusySpan(span);
}

// A stall long enough to count is kept; the next begins afresh.
void KernelStallWatch::Record(ToneBreakJudge::MachineStall& stall)
{
    if (stall.HeldSeconds >= ToneBreakJudge::ShortestStallSeconds) {
        std::lock_guard lock(mutex_);
        stalls_.push_back(stall);
    }
    stall = {};
}

void KernelStallWatch::KeepBusySpan(const BusySpan& span)
{
    if (span.RanSeconds >= ShortestBusySeconds) {
        std::lock_guard lock(mutex_);
        busySpans_.push_back(span);
    }
}

void KernelStallWatch::FollowBusyThreads(const Sample& before, const Sample& after, double at)
{
    for (const auto& [task, counts] : after) {
        const auto earlier = before.find(task);
        // Ready to run but waiting for a processor is no pause of the thread's own: a busy
        // machine only slows it.
        if (earlier == before.end() || !earlier->second.Runnable || !counts.Runnable)
            continue;
        BusySpan& span = busyNow_[task];
        span.ThreadId = task;
        span.RanSeconds += static_cast<double>(counts.RunNs - earlier->second.RunNs) / 1e9;
        span.EndSeconds = at;
    }
    for (auto span = busyNow_.begin(); span != busyNow_.end();) {
        if (span->second.EndSeconds == at) {
            ++span;
            continue;
        }
        KeepBusySpan(span->second);
        span = busyNow_.erase(span);
    }
}
