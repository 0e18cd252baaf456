#pragma once

#include "platform/PerfCounter.h"

// A counter that advances by Step on every read, so that waits end after a known number
// of reads and the arithmetic on the ticks is exact. Installs itself for its lifetime.
class FakePerfCounter : public PerfCounter
{
public:
    FakePerfCounter(int64_t frequency, int64_t step) : Frequency(frequency), Step(step)
    {
        SetPerfCounter(this);
    }
    ~FakePerfCounter() override { SetPerfCounter(nullptr); }
    FakePerfCounter(const FakePerfCounter&) = delete;
    FakePerfCounter& operator=(const FakePerfCounter&) = delete;

    int64_t Frequency;
    int64_t Step;
    int64_t Count = 0;        // the value the next read returns
    int Reads = 0;
    bool HasCounter = true;   // false: the platform has no such counter

    bool QueryCounter(int64_t& count) override
    {
        if (!HasCounter)
            return false;
        count = Count;
        Count += Step;
        ++Reads;
        return true;
    }

    bool QueryFrequency(int64_t& frequency) override
    {
        if (!HasCounter)
            return false;
        frequency = Frequency;
        return true;
    }
};
