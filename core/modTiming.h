#pragma once

#include <cstdint>

// Microsecond busy-wait timing on the platform's performance counter
// (platform/PerfCounter.h; tests inject their own counter).
namespace modTiming {

extern int64_t PerfFrequency;        // counter ticks per second
extern int32_t TicksPerMicrosecond;  // PerfFrequency / 1e6, half to even; 0 until InitPerfCounter

void InitPerfCounter();

// Busy-waits the given time; waits over 500 microseconds let pending messages run.
void DelayMicroseconds(float microseconds);

} // namespace modTiming
