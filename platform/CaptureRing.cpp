#include "platform/CaptureRing.h"

#include <algorithm>
#include <cstring>

void CaptureRing::Configure(size_t blockSamples, size_t blocks)
{
    blockSamples_ = blockSamples;
    limit_ = blockSamples * blocks;
    data_.assign(limit_ + blockSamples, 0);
    Reset();
}

void CaptureRing::Reset()
{
    start_.store(0);
    end_.store(0);
    copying_.store(NotCopying);
}

size_t CaptureRing::Push(const void* samples, size_t count)
{
    size_t dropped = 0;
    if (count > limit_) {   // more than the ring holds: its newest samples
        dropped = count - limit_;
        if (samples)
            samples = static_cast<const int16_t*>(samples) + dropped;
        count = limit_;
    }
    const uint64_t end = end_.load(std::memory_order_relaxed);   // written by this thread only
    dropped += DropOldest(end, count);
    // Start first, then the block being copied: a block claimed after the start was read
    // lies beyond that start, one claimed before it is announced by now.
    uint64_t start = start_.load();
    if (end + count - std::min(start, copying_.load()) > data_.size()) {
        // The consumer was held up inside a copy while the oldest samples were dropped
        // from under it: these samples cannot go in, and everything before them goes with
        // them, so that what it takes next is an unbroken run again.
        while (!start_.compare_exchange_weak(start, end)) {
        }
        return dropped + static_cast<size_t>(end - start) + count;
    }
    Write(end, samples, count);
    end_.store(end + count, std::memory_order_release);
    return dropped;
}

// Moves the start on by whole blocks (or to the end) until count more samples fit.
size_t CaptureRing::DropOldest(uint64_t end, size_t count)
{
    uint64_t start = start_.load();
    while (end + count - start > limit_) {
        const uint64_t excess = end + count - start - limit_;
        const uint64_t drop = std::min((excess + blockSamples_ - 1) / blockSamples_ * blockSamples_, end - start);
        if (start_.compare_exchange_weak(start, start + drop))
            return drop;
    }
    return 0;
}

void CaptureRing::Write(uint64_t at, const void* samples, size_t count)
{
    const size_t first = static_cast<size_t>(at % data_.size());
    const size_t head = std::min(count, data_.size() - first);
    const size_t headBytes = head * sizeof(int16_t);
    if (samples) {
        std::memcpy(data_.data() + first, samples, headBytes);
        std::memcpy(data_.data(), static_cast<const char*>(samples) + headBytes, (count - head) * sizeof(int16_t));
    } else {
        std::fill_n(data_.data() + first, head, int16_t{0});
        std::fill_n(data_.data(), count - head, int16_t{0});
    }
}

bool CaptureRing::Pop(std::span<int16_t> block)
{
    uint64_t start = start_.load();
    do {
        if (end_.load(std::memory_order_acquire) - start < blockSamples_) {
            copying_.store(NotCopying, std::memory_order_release);   // announced for a claim that failed
            return false;
        }
        copying_.store(start);
    } while (!start_.compare_exchange_weak(start, start + blockSamples_));
    const size_t first = static_cast<size_t>(start % data_.size());
    const size_t head = std::min(blockSamples_, data_.size() - first);
    std::copy_n(data_.data() + first, head, block.data());
    std::copy_n(data_.data(), blockSamples_ - head, block.data() + head);
    copying_.store(NotCopying, std::memory_order_release);
    return true;
}

bool CaptureRing::HasBlock() const
{
    const uint64_t start = start_.load();   // first: the start never passes the end read after it
    return end_.load(std::memory_order_acquire) - start >= blockSamples_;
}
