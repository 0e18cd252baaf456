#include "support/KernelStallWatch.h"

#include "support/TextFiles.h"

#include <QDir>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <time.h>
#include <unistd.h>

namespace {

// The time the host took a processor away between two samples; none for one not in both.
double StolenBetween(const KernelStallWatch::Sample& before, const KernelStallWatch::Sample& after, int processor)
{
    const auto index = static_cast<size_t>(processor);
    if (processor < 0 || index >= before.StolenNs.size() || index >= after.StolenNs.size())
        return 0;
    return static_cast<double>(after.StolenNs[index] - before.StolenNs[index]) / 1e9;
}

} // namespace

double KernelStallWatch::HeldBetween(const Sample& before, const Sample& after, double intervalSeconds)
{
    double held = 0;
    for (const auto& [task, counts] : after.Tasks) {
        const auto earlier = before.Tasks.find(task);
        if (earlier == before.Tasks.end())
            continue;
        held = std::max(held, static_cast<double>(counts.RunQueueNs - earlier->second.RunQueueNs) / 1e9);
        if (counts.MajorFaults > earlier->second.MajorFaults || counts.Held)
            held = std::max(held, intervalSeconds);
        // A thread asleep throughout needs no processor: the host taking one away holds it not.
        if (earlier->second.Runnable || counts.Runnable)
            held = std::max({held, StolenBetween(before, after, earlier->second.Processor),
                             StolenBetween(before, after, counts.Processor)});
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

// The eighth count after a processor's name in /proc/stat, in clock ticks.
std::vector<int64_t> KernelStallWatch::ReadStolenTimes()
{
    static const int64_t nsPerTick = 1'000'000'000 / sysconf(_SC_CLK_TCK);
    std::vector<int64_t> stolen;
    for (const QByteArray& line : ReadFile("/proc/stat").split('\n')) {
        if (!line.startsWith("cpu") || line.size() < 4 || !std::isdigit(static_cast<unsigned char>(line[3])))
            continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 9)
            continue;
        const size_t processor = fields[0].mid(3).toULong();
        stolen.resize(std::max(stolen.size(), processor + 1));
        stolen[processor] = fields[8].toLongLong() * nsPerTick;
    }
    return stolen;
}

KernelStallWatch::Sample KernelStallWatch::Read(qint64 pid)
{
    Sample sample;
    sample.StolenNs = ReadStolenTimes();
    const QString tasks = QString("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QList<QByteArray> schedstat = ReadFile(tasks + "/" + task + "/schedstat").split(' ');
        // The fields after the name in parentheses: the state is the first, the major faults the
        // tenth, the processor the 37th.
        const QByteArray stat = ReadFile(tasks + "/" + task + "/stat");
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (schedstat.size() < 2 || fields.size() < 37)
            continue;
        sample.Tasks[task.toInt()] = {schedstat[1].toLongLong(), fields[9].toLongLong(),
                                      fields[0] == "D" || fields[0] == "T", schedstat[0].toLongLong(),
                                      fields[0] == "R", fields[36].toInt()};
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
    for (const auto& [task, counts] : after.Tasks) {
        const auto earlier = before.Tasks.find(task);
        // Ready to run but waiting for a processor is no pause of the thread's own: a busy
        // machine only slows it.
        if (earlier == before.Tasks.end() || !earlier->second.Runnable || !counts.Runnable)
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
