#pragma once

#include "audio/ReadCountLine.h"
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
//   the sound that piled up meanwhile is trimmed once, down to the target. A device that
//   holds enough of its own (FillWithReserve) is given what the FIFO has instead, and plays
//   on from its reserve until the next push.
// - A device that begins to take sound only after the capture has gone on for longer than the
//   delay (a sound server's sink that first plays out what it had rendered ahead), or a capture
//   that hands its first blocks on at once, starts with the newest sound, at the delay: what
//   came before is counted as a late start, not as sound lost. The first sound waits a little
//   for the capture's pace, so that all of such a burst is in before it starts.
// - A device that keeps no pace (Take) gets the pushed samples exactly as they were.
class PlaybackBridge : public PlaybackSource
{
public:
    // Nanoseconds on a monotonic clock.
    using Clock = int64_t (*)();
    // Where every bridge takes the time of the device's reads and of the pushes from; nullptr
    // for the steady clock, which is the default. Set while no device plays.
    static void UseClock(Clock clock);

    // What the consumer side met since it was last asked, in frames.
    struct Events
    {
        int64_t SilentFrames = 0;    // silence played because the FIFO was empty
        int64_t TrimmedFrames = 0;   // sound left out after a long hold-up
        int64_t DroppedFrames = 0;   // pushed sound left out because the FIFO was full
        // Captured sound left out as the sound first starts, so that it starts at its delay: the
        // device began to take sound, or the capture to hand it on evenly, only later.
        int64_t LateStartFrames = 0;
    };

    PlaybackBridge();
    ~PlaybackBridge();
    PlaybackBridge(const PlaybackBridge&) = delete;
    PlaybackBridge& operator=(const PlaybackBridge&) = delete;

    // Main thread, device stopped: sizes everything for blocks of blockFrames interleaved
    // frames of the given channels at samplesPerSecond; the only call that allocates.
    void Configure(int32_t channels, int32_t blockFrames, int32_t samplesPerSecond);
    // Main thread, device stopped: an empty FIFO and a fresh clock estimate. The delay from
    // a pushed block to its sound is to be targetBlocks blocks, deviceFrames of which the
    // device holds itself, the FIFO's own part never less than two blocks; resample is false
    // for a device that keeps no pace.
    void Reset(int32_t targetBlocks, int32_t deviceFrames, bool resample);

    // Main thread: one processed block of blockFrames frames.
    void Push(std::span<const int16_t> block);

    // The playback device's thread.
    void Fill(std::span<int16_t> samples) override;
    size_t FillWithReserve(std::span<int16_t> samples, int64_t reserveFrames, int64_t playedFrames) override;
    size_t Take(std::span<int16_t> samples) override;
    void DeviceRanDry() override;

    // Main thread.
    Events TakeEvents();
    int64_t QueuedFrames() const;          // in the FIFO now
    int64_t TargetFrames() const { return targetFrames_; }   // the fill steered to
    double Ratio() const { return ratio_; } // playback frames per captured frame in force
    static constexpr double MaxCorrection = 0.01;   // the ratio never strays further from 1
    // How far above what the priming left, in blocks, the fill may rise after a hole or the start
    // before the watch for more of a backlog trims it.
    static constexpr int64_t WatchSlackBlocks = 2;
    bool Locked() const;                    // the ratio is held still: the clocks are matched

private:
    enum class Steering { Holding, Acquiring, Gliding };
    // How long the sound, ready to start, waits for the capture's pace, or again after a hole for
    // the backlog of a main thread that was held up, in blocks.
    static constexpr int64_t BacklogWaitBlocks = 3;
    struct ReadStamp
    {
        int64_t Frames = 0;        // the device's read count after one of its calls
        int64_t Nanoseconds = 0;   // when it made that call
    };

    // The time now, in nanoseconds on the clock in use.
    static int64_t Now();

    // The main thread.
    void SetTarget(int64_t frames);
    void NoteBacklog();
    int64_t FramesIn(int64_t nanoseconds) const;
    void StartResampling(std::span<const int16_t> lastBlock);
    int64_t Resample(std::span<const int16_t> block);
    bool Fits(int64_t frames);
    void Store(std::span<const int16_t> samples);
    void StoreResampled(int64_t frames);
    void Steer();
    ReadStamp LatestRead() const;
    double DeviceRead() const;
    double FillError() const;
    void NoteReadFill(double read);
    void SettleTarget(double fillError);
    void SetGoal(double fillError);
    void Hold(double clockRatio, double returnBlocks);
    void MoveRatio();

    // The device's thread.
    int64_t Queued() const;
    int64_t Give(std::span<int16_t> samples, int64_t reserveFrames, int64_t playedFrames);
    void Copy(std::span<int16_t> samples, int64_t frames);
    void PlaySilence(std::span<int16_t> samples, bool counted);
    bool Primed(std::span<int16_t> samples, int64_t frames);
    void WatchForBacklog(int64_t frames);
    void LoseTime(int64_t now);
    bool AwaitingBacklog(int64_t frames);
    bool CaptureBackAtItsPace() const;
    bool ReadyToPlay(int64_t queued) const;
    bool TrimBacklog(int64_t queued, int64_t frames, int64_t slack);
    int64_t KeptFrames(int64_t frames) const;
    void StartPriming();
    void StampRead(int64_t nanoseconds, int64_t unansweredFrames, int64_t playedFrames);
    int64_t ByTheDevicesClock(int64_t readFrames, int64_t playedFrames);

    int32_t channels_ = 0;
    int32_t blockFrames_ = 0;
    int64_t capacityFrames_ = 0;
    double framesPerNanosecond_ = 0;   // at the nominal sample rate
    int64_t longestGapNanoseconds_ = 0;
    int64_t heldGapNanoseconds_ = 0;   // between the device's calls, a hold-up
    bool resample_ = false;
    bool resampling_ = false;   // the ratio left 1 since the reset: blocks go through the resampler
    // The fill the device's side primes to, after the reset and after every interruption.
    std::atomic<int32_t> primingTargetFrames_{0};

    // Frames are counted from the reset on both sides: only the main thread moves written_,
    // only the device's thread read_.
    std::vector<int16_t> fifo_;
    std::atomic<int64_t> written_{0};
    std::atomic<int64_t> read_{0};

    // Owned by the device's thread; the main thread only looks. Every hole, every time the
    // device ran dry and every trim after the sound is back counts one interruption.
    bool trimDue_ = false;
    int64_t trimWatchFrames_ = 0;   // frames left to play while a late backlog is still trimmed
    int64_t watchSlackFrames_ = 0;  // how far above the target the fill may be meanwhile
    int64_t awaitedWritten_ = 0;    // written_ once the backlog of a hold-up has come
    int64_t backlogWaitFrames_ = 0; // silence left to play while waiting for it
    int64_t lostTimeNanoseconds_ = 0;   // when the device found it had been held up
    bool soundStarted_ = false;
    int64_t primingQueued_ = -1;    // queued at the device's latest call while priming
    int64_t silenceSincePush_ = 0;  // frames of silence played since then
    std::atomic<bool> priming_{true};
    std::atomic<uint32_t> interruptions_{0};
    std::atomic<int64_t> silentFrames_{0};
    std::atomic<int64_t> trimmedFrames_{0};
    std::atomic<int64_t> lateStartFrames_{0};
    // The device's latest ReadStamp, written by its thread only: odd sequence numbers while
    // it is being written, so that the main thread can tell a torn one and read it again.
    std::atomic<uint32_t> stampSequence_{0};
    std::atomic<int64_t> stampFrames_{0};
    std::atomic<int64_t> stampNanoseconds_{0};
    // A device that tells how far it has played is stamped by that, from where its read count
    // stood at the first stamp after each interruption.
    int64_t playedToRead_ = 0;
    bool playedToReadSet_ = false;
    uint32_t playedToReadInterruptions_ = 0;

    // Written by the main thread at its pushes: when the latest came, where written_ will be
    // once the backlog of a hold-up has come, and how many came at the capture's own pace.
    std::atomic<int64_t> lastPushNanoseconds_{0};
    std::atomic<int64_t> backlogEnd_{0};
    std::atomic<uint32_t> pacedPushes_{0};
    uint32_t pacedPushesAtPriming_ = 0;   // the device's thread's: pacedPushes_ when the sound stopped

    // The main thread's.
    std::unique_ptr<VResampler> resampler_;
    std::vector<float> resamplerInput_;
    std::vector<float> resamplerOutput_;
    int64_t droppedFrames_ = 0;
    // The straight line through the device's read counts at the pushes, each read from its
    // latest ReadStamp and the time since; it follows the device afresh after every interruption.
    ReadCountLine line_;
    bool regularPush_ = false;    // the latest push came a block's time after the one before, give or take half
    int64_t irregularPushes_ = 0; // pushes in a row that did not
    uint32_t interruptionsSeen_ = 0;
    bool followingDevice_ = false;
    int64_t targetFrames_ = 0;    // the fill steered to: where the device settled after priming
    bool targetSettled_ = false;  // the target was kept or moved, once after each interruption
    Steering steering_ = Steering::Holding;
    double readFillError_ = 0;    // the fill error as read at the pushes, averaged
    double goal_ = 1.0;
    double rampRate_ = 0;         // how far the ratio moves towards goal_ in a block
    double ratio_ = 1.0;
};
