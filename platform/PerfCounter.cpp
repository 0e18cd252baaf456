#include "platform/PerfCounter.h"

#include <chrono>

namespace {

// The monotonic clock, presented as a counter of 10,000,000 ticks per second.
class MonotonicCounter : public PerfCounter
{
public:
    bool QueryCounter(int64_t& count) override
    {
        using namespace std::chrono;
        count = duration_cast<duration<int64_t, std::ratio<1, 10'000'000>>>(
                    steady_clock::now().time_since_epoch()).count();
        return true;
    }
    bool QueryFrequency(int64_t& frequency) override
    {
        frequency = 10'000'000;
        return true;
    }
};

MonotonicCounter realCounter;
PerfCounter* current = &realCounter;

} // namespace

PerfCounter& CurrentPerfCounter() { return *current; }

void SetPerfCounter(PerfCounter* counter) { current = counter ? counter : &realCounter; }
