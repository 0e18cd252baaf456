#include "audio/PlaybackBridge.h"

#include <zita-resampler/vresampler.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

// The bridge's set-up, its clock, and the main thread's view of the device's side. The pushes
// and the resampler are in PlaybackBridge_Push.cpp, the ratio's steering in
// PlaybackBridge_Steering.cpp, the device's calls in PlaybackBridge_Fill.cpp, and its priming
// after a start or a hole, with the hold-ups' backlogs it waits for and trims, in
// PlaybackBridge_Priming.cpp.
namespace {

// Half-length of the resampler's filter, in input frames. Any length from the library's
// shortest (8) up keeps a 1 kHz tone at -12 dBFS at the limit of 16-bit samples: 86.5 dB at a
// ratio of 1, where the filter gives the samples back unchanged, and 84 dB at any other,
// where the output's rounding is added. 16 is the shortest that also keeps the band flat to
// 17 kHz (-0.13 dB there; 12 gives -1.8 dB), where the DRM mode's IF signal reaches, at the
// cost of 8: about 50 microseconds a block and channel.
constexpr unsigned ResamplerHalfLength = 16;

// FIFO room, in blocks: the longest target and a hold-up's backlog with plenty to spare, and
// what is captured while a sound server's sink plays out the two seconds it rendered ahead
// before it takes a new stream's sound (2.7 s).
constexpr int64_t FifoBlocks = 64;
// The least fill a reset asks for, in blocks.
constexpr int64_t MinTargetBlocks = 2;

int64_t SteadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::atomic<PlaybackBridge::Clock> clockInUse{SteadyNanoseconds};

} // namespace

PlaybackBridge::PlaybackBridge() : resampler_(std::make_unique<VResampler>()) {}

PlaybackBridge::~PlaybackBridge() = default;

void PlaybackBridge::UseClock(Clock clock)
{
    clockInUse.store(clock != nullptr ? clock : SteadyNanoseconds, std::memory_order_relaxed);
}

int64_t PlaybackBridge::Now()
{
    return clockInUse.load(std::memory_order_relaxed)();
}

void PlaybackBridge::Configure(int32_t channels, int32_t blockFrames, int32_t samplesPerSecond)
{
    channels_ = channels;
    blockFrames_ = blockFrames;
    framesPerNanosecond_ = samplesPerSecond * 1e-9;
    // A playing device calls for at most about a block at a time: twice a block's time
    // without a call is a device that stopped.
    longestGapNanoseconds_ = std::llround(2 * blockFrames / framesPerNanosecond_);
    capacityFrames_ = FifoBlocks * blockFrames;
    fifo_.assign(static_cast<size_t>(capacityFrames_ * channels), 0);
    resampler_->setup(1.0, static_cast<unsigned>(channels), ResamplerHalfLength);
    resamplerInput_.assign(static_cast<size_t>(blockFrames) * channels, 0.0f);
    // A block at the largest ratio, and a frame more for the resampler's phase.
    const int32_t mostFrames = blockFrames + static_cast<int32_t>(std::ceil(blockFrames * MaxCorrection)) + 2;
    resamplerOutput_.assign(static_cast<size_t>(mostFrames) * channels, 0.0f);
    Reset(1, 0, false);
}

void PlaybackBridge::Reset(int32_t targetBlocks, int32_t deviceFrames, bool resample)
{
    // A device must call again before the sound it holds runs out: calls further apart than
    // that, and than the longest gap, tell of a device that was held up.
    heldGapNanoseconds_ = std::max<int64_t>(longestGapNanoseconds_, std::llround(deviceFrames / framesPerNanosecond_));
    // However much the device holds, the FIFO keeps MinTargetBlocks of its own: a device may
    // take a block at a call, and the pushes bring a block at a time.
    const int64_t target =
        std::max<int64_t>(static_cast<int64_t>(targetBlocks) * blockFrames_ - deviceFrames, MinTargetBlocks * blockFrames_);
    SetTarget(target);
    primingTargetFrames_.store(static_cast<int32_t>(targetFrames_), std::memory_order_relaxed);
    resample_ = resample;

    written_.store(0, std::memory_order_relaxed);
    read_.store(0, std::memory_order_relaxed);
    trimDue_ = false;
    trimWatchFrames_ = 0;
    watchSlackFrames_ = blockFrames_;
    awaitedWritten_ = 0;
    backlogWaitFrames_ = BacklogWaitBlocks * blockFrames_;   // the first sound's wait for the capture's pace
    lostTimeNanoseconds_ = 0;
    lastPushNanoseconds_.store(0, std::memory_order_relaxed);
    backlogEnd_.store(0, std::memory_order_relaxed);
    pacedPushes_.store(0, std::memory_order_relaxed);
    pacedPushesAtPriming_ = 0;
    soundStarted_ = false;
    primingQueued_ = -1;
    priming_.store(true, std::memory_order_relaxed);
    interruptions_.store(0, std::memory_order_relaxed);
    silentFrames_.store(0, std::memory_order_relaxed);
    trimmedFrames_.store(0, std::memory_order_relaxed);
    lateStartFrames_.store(0, std::memory_order_relaxed);
    stampFrames_.store(0, std::memory_order_relaxed);
    stampNanoseconds_.store(0, std::memory_order_relaxed);
    playedToReadSet_ = false;
    droppedFrames_ = 0;

    line_.Reset(blockFrames_);
    regularPush_ = false;
    irregularPushes_ = 0;
    interruptionsSeen_ = 0;
    followingDevice_ = false;
    targetSettled_ = false;
    steering_ = Steering::Holding;
    goal_ = 1.0;
    ratio_ = 1.0;
    readFillError_ = 0;
    resampling_ = false;
}

void PlaybackBridge::SetTarget(int64_t frames)
{
    targetFrames_ = std::clamp<int64_t>(frames, blockFrames_, capacityFrames_ / 2);
}

// Frames of the nominal rate in a time, within the FIFO's room.
int64_t PlaybackBridge::FramesIn(int64_t nanoseconds) const
{
    return static_cast<int64_t>(std::clamp(static_cast<double>(nanoseconds) * framesPerNanosecond_, 0.0, static_cast<double>(capacityFrames_)));
}

// The main thread's view of the device's side.

PlaybackBridge::Events PlaybackBridge::TakeEvents()
{
    Events events;
    events.SilentFrames = silentFrames_.exchange(0, std::memory_order_relaxed);
    events.TrimmedFrames = trimmedFrames_.exchange(0, std::memory_order_relaxed);
    events.LateStartFrames = lateStartFrames_.exchange(0, std::memory_order_relaxed);
    events.DroppedFrames = std::exchange(droppedFrames_, 0);
    return events;
}

int64_t PlaybackBridge::QueuedFrames() const
{
    return written_.load(std::memory_order_acquire) - read_.load(std::memory_order_acquire);
}
