#pragma once

#include <cstdint>

// A stopwatch on the performance counter: the time between StartTiming and
// StopTiming, in microseconds.
class Profiler
{
public:
    // Without a high-resolution counter the user is told so once, and Duration stays 0.
    Profiler();

    int32_t StartTiming();  // always 0
    int32_t StopTiming();   // always 0

    double Duration = 0.0;  // microseconds of the last measurement

    int64_t cuFrequency = 0;     // counter ticks per second; 0 without a counter
    int64_t cuStart = 0;
    int64_t cuStop = 0;
    int32_t DurationInTicks = 0; // cuStop - cuStart of the last measurement that fitted
};
