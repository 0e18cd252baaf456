#pragma once

#include <cstdint>

// A high-resolution counter. The real one presents the monotonic clock as a
// 10 MHz counter; tests install their own.
class PerfCounter
{
public:
    virtual ~PerfCounter() = default;
    virtual bool QueryCounter(int64_t& count) = 0;       // false: no counter
    virtual bool QueryFrequency(int64_t& frequency) = 0; // false: no counter
};

PerfCounter& CurrentPerfCounter();
void SetPerfCounter(PerfCounter* counter);  // nullptr restores the real counter
