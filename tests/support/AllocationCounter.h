#pragma once

// Counts the heap allocations (every operator new) that a piece of code makes. A test program
// that uses it has its global operator new replaced by a counting one; counting is off except
// inside Count.
namespace AllocationCounter {

void Start();
long Stop();   // the number of allocations since Start

template <typename Work>
long Count(Work&& work)
{
    Start();
    work();
    return Stop();
}

}   // namespace AllocationCounter
