#pragma once

#include "platform/SoundBackend.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class VResampler;

// Joins the capture clock to the playback clock. The main thread pushes one processed
// block per captured block; the playback device takes frames at its own pace, on its own
// thread, through the PlaybackSource calls. Between them lies a lock-free FIFO kept at a
// target fill: the ratio of the two clocks is estimated from the FIFO's fill, heavily
// smoothed, and absorbed by a variable-ratio resampler, so that no sample is ever dropped
// or repeated to keep pace.
// - A device that finds the FIFO empty plays silence for the time that was missed and the
//   FIFO waits until it holds its target again; if the hold-up was longer than the target,
//   the sound that piled up meanwhile is trimmed once, down to the target.
// - A device that keeps no pace (Take) gets the pushed samples exactly as they were.
class PlaybackBridge : public PlaybackSource
{
public:
    // What the consumer side met since it was last asked, in frames.
    struct Events
    {
        int64_t SilentFrames = 0;    // silence played because the FIFO was empty
        int64_t TrimmedFrames = 0;   // sound left out after a long hold-up
    };

    PlaybackBridge();
    ~PlaybackBridge();
    PlaybackBridge(const PlaybackBridge&) = delete;
    PlaybackBridge& operator=(const PlaybackBridge&) = delete;

    // Main thread, device stopped: sizes everything for blocks of blockFrames interleaved
    // frames of the given channels; the only call that allocates.
    void Configure(int32_t channels, int32_t blockFrames);
    // Main thread, device stopped: an empty FIFO and a fresh clock estimate. The delay from
    // a pushed block to its sound is to be targetBlocks blocks, deviceFrames of which the
    // device holds itself; resample is false for a device that keeps no pace.
    void Reset(int32_t targetBlocks, int32_t deviceFrames, bool resample);

    // Main thread: one processed block of blockFrames frames.
    void Push(std::span<const int16_t> block);

    // The playback device's thread.
    void Fill(std::span<int16_t> samples) override;
    size_t Take(std::span<int16_t> samples) override;
    void DeviceRanDry() override;

    // Main thread.
    Events TakeEvents();
    int64_t QueuedFrames() const;          // in the FIFO now
    int32_t TargetFrames() const { return targetFrames_; }
    double Ratio() const { return ratio_; } // playback frames per captured frame in force

private:
    // ...
    int32_t targetFrames_ = 0;
    double ratio_ = 1.0;
};
