#pragma once

#include <string>

// The scheduling priority of the thread that runs the receiver (the main thread), best
// effort: power on raises it so that the sound blocks keep their pace, power off puts back
// what was there before. A request the system refuses is logged, never shown, and the
// program runs on at the priority it has. The priority is never lowered below the one the
// program started with, since an unprivileged process could not raise it again.
namespace ProcessPriority {

struct Scheduling
{
    bool RealTime = false;   // a real-time policy (round robin or FIFO)
    int RealTimePriority = 0;
    int Nice = 0;            // -20 (highest) .. 19
};

// The system calls, for the calling thread. Each returns false with a reason on refusal.
class Backend
{
public:
    virtual ~Backend() = default;
    virtual bool Read(Scheduling& now, std::string& error) = 0;
    // Round-robin real time; children started later do not inherit it.
    virtual bool SetRealTime(int priority, std::string& error) = 0;
    virtual bool SetTimeSharing(std::string& error) = 0;
    virtual bool SetNice(int nice, std::string& error) = 0;
};

void SetBackend(Backend* backend);   // nullptr restores the real one

// Where the outcome lines go (the owner passes the trace log); none until set.
using LogFunction = void (*)(const std::string& line);
void SetLog(LogFunction log);

// The real-time priority asked for: low in the real-time range, which still comes
// before every ordinary thread.
inline constexpr int RealTimePriority = 10;
// Failing real time, the nice value is lowered by this much, as far as the limits allow.
inline constexpr int NiceStep = 10;

enum class Level { Unchanged, Raised, RealTime };

// Raises the thread to real time or, where that is refused, to a lower nice value, and
// remembers what it replaced. A second call while raised does nothing.
Level RaiseToRealTime();

// Puts back the scheduling that RaiseToRealTime replaced; nothing when it changed nothing.
void Restore();

Level Current();

} // namespace ProcessPriority
