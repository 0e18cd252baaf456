#pragma once

#include "platform/SoundBackend.h"

#include <algorithm>
#include <cstdint>
#include <span>

// A playback source with nothing to play: a device fed from it plays silence, so that a test
// can run a playback stream without judging what it plays.
class SilentPlaybackSource : public PlaybackSource
{
public:
    void Fill(std::span<int16_t> samples) override { std::fill(samples.begin(), samples.end(), int16_t{0}); }
    size_t FillWithReserve(std::span<int16_t> samples, int64_t, int64_t) override
    {
        Fill(samples);
        return samples.size();
    }
    size_t Take(std::span<int16_t>) override { return 0; }
    void DeviceRanDry() override {}
};
