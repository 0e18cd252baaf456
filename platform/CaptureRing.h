#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Captured samples on their way from a sound server's client thread (the one producer)
// to the main thread (the one consumer), without locks. The consumer takes whole blocks.
// A consumer that falls behind by more than the ring holds loses the oldest samples, in
// whole blocks, so that what it takes next is recent.
//
// The producer may drop samples the consumer has not claimed yet, so the consumer claims
// a block (moves the start on) before it copies it, and announces beforehand where it
// copies from: the producer never writes over that block until the copy is done. The
// ring has room for one such block beyond what it holds.
class CaptureRing
{
public:
    // Stream stopped: room for the given whole blocks, emptied. The only call that allocates.
    void Configure(size_t blockSamples, size_t blocks);
    // Stream stopped: emptied.
    void Reset();

    // Producer: appends count samples (silence where samples is null); the samples dropped
    // to make room for them.
    size_t Push(const void* samples, size_t count);

    // Consumer: copies the oldest whole block into block (blockSamples long); false when
    // the ring holds less than a block.
    bool Pop(std::span<int16_t> block);
    // Consumer: the ring holds a whole block.
    bool HasBlock() const;

private:
    static constexpr uint64_t NotCopying = UINT64_MAX;

    size_t DropOldest(uint64_t end, size_t count);
    void Write(uint64_t at, const void* samples, size_t count);

    std::vector<int16_t> data_;
    size_t blockSamples_ = 0;
    size_t limit_ = 0;                         // samples held at most
    std::atomic<uint64_t> start_{0};           // first sample not yet taken
    std::atomic<uint64_t> end_{0};             // one past the last sample written
    std::atomic<uint64_t> copying_{NotCopying};  // first sample of the block being copied
};
