#include "core/modTiming.h"

#include "core/DoEvents.h"
#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "platform/PerfCounter.h"

#include <cmath>

namespace modTiming {

int64_t PerfFrequency = 0;
int32_t TicksPerMicrosecond = 0;

namespace {

// Delays over this length let pending messages run while they wait.
constexpr float PumpingThresholdMicroseconds = 500.0f;

int64_t CounterNow()
{
    int64_t count = 0;
    CurrentPerfCounter().QueryCounter(count);
    return count;
}

// The ticks to wait, rounded to the nearest whole tick; 0 for anything that is no
// positive, finite wait (including no counter at all).
int64_t TargetTicks(float microseconds)
{
    const double ticks = std::nearbyint(static_cast<double>(microseconds) * TicksPerMicrosecond);
    if (!(ticks > 0.0))
        return 0;
    constexpr double longestWait = 9.0e18;  // centuries, and still inside a 64-bit count
    return static_cast<int64_t>(std::fmin(ticks, longestWait));
}

} // namespace

void InitPerfCounter()
{
    int64_t frequency = 0;
    if (!CurrentPerfCounter().QueryFrequency(frequency) || frequency < 0)
        frequency = 0;
    PerfFrequency = frequency;
    try {
        TicksPerMicrosecond = Numeric::CLng(static_cast<double>(frequency) / 1'000'000.0);
    } catch (const OverflowError&) {
        TicksPerMicrosecond = 0;  // no counter this fast exists; treat it as none
    }
}

// The start and target live on this call's stack, so a delay that runs inside another
// one (through the message pumping below) never cuts the outer delay short.
void DelayMicroseconds(float microseconds)
{
    const int64_t start = CounterNow();
    const int64_t target = TargetTicks(microseconds);
    if (CounterNow() - start >= target)
        return;
    const bool letMessagesRun = microseconds > PumpingThresholdMicroseconds;
    int64_t current = 0;
    do {
        current = CounterNow();
        if (letMessagesRun)
            DoEvents();
    } while (current - start < target);
}

} // namespace modTiming
