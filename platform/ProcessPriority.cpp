#include "platform/ProcessPriority.h"

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ProcessPriority {

namespace {

std::string SystemError(const char* call)
{
    const int number = errno;
    std::string text = std::string(call) + " failed: " + std::strerror(number);
    if (number == EPERM || number == EACCES)
        text += " (the user may raise the priority only with CAP_SYS_NICE or the limits rtprio and nice "
                "in /etc/security/limits.conf)";
    return text;
}

// The calling thread: on Linux both calls act on one thread when given its own id.
pid_t ThisThread() { return static_cast<pid_t>(::syscall(SYS_gettid)); }

class LinuxScheduling : public Backend
{
public:
    bool Read(Scheduling& now, std::string& error) override
    {
        const int policy = ::sched_getscheduler(ThisThread());
        if (policy < 0) {
            error = SystemError("sched_getscheduler");
            return false;
        }
        sched_param param{};
        ::sched_getparam(ThisThread(), &param);
        errno = 0;
        const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(ThisThread()));
        if (nice == -1 && errno != 0) {
            error = SystemError("getpriority");
            return false;
        }
        const int basePolicy = policy & ~SCHED_RESET_ON_FORK;
        now.RealTime = basePolicy == SCHED_RR || basePolicy == SCHED_FIFO;
        now.RealTimePriority = param.sched_priority;
        now.Nice = nice;
        return true;
    }

    bool SetRealTime(int priority, std::string& error) override
    {
        sched_param param{};
        param.sched_priority = priority;
        if (::sched_setscheduler(ThisThread(), SCHED_RR | SCHED_RESET_ON_FORK, &param) == 0)
            return true;
        error = SystemError("sched_setscheduler(SCHED_RR)");
        return false;
    }

    // Without CAP_SYS_NICE the kernel refuses to clear the reset-on-fork flag that real
    // time was entered with, so the flag is kept where clearing it is refused.
    bool SetTimeSharing(std::string& error) override
    {
        sched_param param{};
        if (::sched_setscheduler(ThisThread(), SCHED_OTHER, &param) == 0)
            return true;
        if (errno == EPERM && ::sched_setscheduler(ThisThread(), SCHED_OTHER | SCHED_RESET_ON_FORK, &param) == 0)
            return true;
        error = SystemError("sched_setscheduler(SCHED_OTHER)");
        return false;
    }

    bool SetNice(int nice, std::string& error) override
    {
        if (::setpriority(PRIO_PROCESS, static_cast<id_t>(ThisThread()), nice) == 0)
            return true;
        error = SystemError("setpriority");
        return false;
    }
};

LinuxScheduling realBackend;
Backend* backend = &realBackend;

Level level = Level::Unchanged;
Scheduling saved;

LogFunction logLine = nullptr;

void Log(const std::string& text)
{
    if (logLine)
        logLine("ProcessPriority." + text);
}

Level RaiseNice()
{
    std::string error;
    for (int nice = saved.Nice - NiceStep; nice < saved.Nice; ++nice) {
        if (nice < -20)
            continue;
        if (backend->SetNice(nice, error)) {
            Log("RaiseToRealTime:nice " + std::to_string(saved.Nice) + " -> " + std::to_string(nice));
            return Level::Raised;
        }
    }
    Log("RaiseToRealTime:priority unchanged Description=" + error);
    return Level::Unchanged;
}

} // namespace

void SetBackend(Backend* replacement)
{
    backend = replacement ? replacement : &realBackend;
    level = Level::Unchanged;
}

void SetLog(LogFunction log) { logLine = log; }

Level RaiseToRealTime()
{
    if (level != Level::Unchanged)
        return level;
    std::string error;
    if (!backend->Read(saved, error)) {
        Log("RaiseToRealTime:Description=" + error);
        return level;
    }
    if (saved.RealTime) {
        Log("RaiseToRealTime:already real time");
        return level;
    }
    if (backend->SetRealTime(RealTimePriority, error)) {
        Log("RaiseToRealTime:real time");
        level = Level::RealTime;
        return level;
    }
    Log("RaiseToRealTime:no real time Description=" + error);
    level = RaiseNice();
    return level;
}

void Restore()
{
    std::string error;
    if (level == Level::RealTime && !backend->SetTimeSharing(error))
        Log("Restore:Description=" + error);
    // Back to the starting nice value: a higher value, which every process may take.
    if (level != Level::Unchanged && !backend->SetNice(saved.Nice, error))
        Log("Restore:Description=" + error);
    level = Level::Unchanged;
}

Level Current() { return level; }

} // namespace ProcessPriority
