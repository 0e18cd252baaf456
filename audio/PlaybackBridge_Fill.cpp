#include "audio/PlaybackBridge.h"

#include <algorithm>
#include <cmath>

// The device's side: its calls, each answered from the FIFO, with silence, or from the device's
// own reserve, and the stamp each leaves of how far the device has read, which the main thread
// follows.

int64_t PlaybackBridge::Queued() const
{
    return written_.load(std::memory_order_acquire) - read_.load(std::memory_order_relaxed);
}

void PlaybackBridge::Fill(std::span<int16_t> samples)
{
    Give(samples, 0, -1);
}

size_t PlaybackBridge::FillWithReserve(std::span<int16_t> samples, int64_t reserveFrames, int64_t playedFrames)
{
    return static_cast<size_t>(Give(samples, reserveFrames, playedFrames) * channels_);
}

// The frames given: all of them, sound or silence, unless the device's reserve outlasts a push
// that is late, as a capture handed on 20 ms at a time makes them: the FIFO's fill, where the
// device takes a block at a call, cannot cover that lateness as well. The reserve and what is
// given must then make a call's worth, a block, so that the device plays on until its next
// call, when the push has come; a reserve of less than half a block is a device that ran dry
// or nearly, which waits for the FIFO's target again.
int64_t PlaybackBridge::Give(std::span<int16_t> samples, int64_t reserveFrames, int64_t playedFrames)
{
    const int64_t frames = static_cast<int64_t>(samples.size()) / channels_;
    const int64_t now = Now();
    if (soundStarted_ && !priming_.load(std::memory_order_relaxed) &&
        now - stampNanoseconds_.load(std::memory_order_relaxed) > heldGapNanoseconds_)
        LoseTime(now);   // this thread was held up
    const bool priming = priming_.load(std::memory_order_relaxed);
    if (priming && !Primed(samples, frames))
        return frames;
    if (!priming)
        WatchForBacklog(frames);
    const int64_t given = std::min(Queued(), frames);
    Copy(samples, given);
    const bool playsOn = given < frames && !priming && 2 * reserveFrames >= blockFrames_ && reserveFrames + given >= blockFrames_;
    // A device that plays on counts as having read all it asked for: it plays at its own pace
    // meanwhile and asks for the rest at its next call. Counted as it was given, its read count
    // would lag by what was left out until then, and the fill would seem that much higher; how
    // often calls are given less changes over seconds, as a server's requests and the pushes
    // drift past each other, which would lean the clock estimate.
    StampRead(now, playsOn ? frames - given : 0, playedFrames);
    soundStarted_ = soundStarted_ || given > 0;
    if (given < frames) {
        if (playsOn)
            return given;
        PlaySilence(samples.subspan(static_cast<size_t>(given * channels_)), true);
        StartPriming();
    } else if (priming) {
        // Only now, so that the main thread follows the device from this call's stamp on.
        priming_.store(false, std::memory_order_release);
    }
    return frames;
}

size_t PlaybackBridge::Take(std::span<int16_t> samples)
{
    const int64_t given = std::min(Queued(), static_cast<int64_t>(samples.size()) / channels_);
    Copy(samples, given);
    StampRead(Now(), 0, -1);
    return static_cast<size_t>(given * channels_);
}

void PlaybackBridge::Copy(std::span<int16_t> samples, int64_t frames)
{
    const int64_t read = read_.load(std::memory_order_relaxed);
    const size_t count = static_cast<size_t>(frames * channels_);
    const size_t start = static_cast<size_t>((read % capacityFrames_) * channels_);
    const size_t first = std::min(count, fifo_.size() - start);
    std::copy_n(fifo_.begin() + static_cast<ptrdiff_t>(start), first, samples.begin());
    std::copy_n(fifo_.begin(), count - first, samples.begin() + static_cast<ptrdiff_t>(first));
    read_.store(read + frames, std::memory_order_release);
}

void PlaybackBridge::PlaySilence(std::span<int16_t> samples, bool counted)
{
    std::fill(samples.begin(), samples.end(), int16_t{0});
    if (counted)
        silentFrames_.fetch_add(static_cast<int64_t>(samples.size()) / channels_, std::memory_order_relaxed);
}

// The read count as the device's clock carries it on, anchored to the read count itself.
int64_t PlaybackBridge::ByTheDevicesClock(int64_t readFrames, int64_t playedFrames)
{
    if (playedFrames < 0) {
        playedToReadSet_ = false;
        return readFrames;
    }
    const uint32_t interruptions = interruptions_.load(std::memory_order_relaxed);
    const bool strays = std::abs(playedFrames + playedToRead_ - readFrames) > blockFrames_;
    if (!playedToReadSet_ || interruptions != playedToReadInterruptions_ || strays)
        playedToRead_ = readFrames - playedFrames;
    playedToReadSet_ = true;
    playedToReadInterruptions_ = interruptions;
    return playedFrames + playedToRead_;
}

// The read count and the time of the call that made it, one stamp: the main thread reads the
// device's count at a push from it. Frames the call asked for and was not given count as read.
// A device that tells how far it has played is stamped by its clock instead, as a server's
// requests need not follow it: converting to a 44.1 kHz sink, PulseAudio holds back a little
// more at each request for seconds and then catches up by 20 ms at once, which an estimate from
// the requests would take for a drift. After an interruption the read count has jumped against
// the clock: the stamps go on from where it stands. So they do where the clock strays from the
// read count by more than a block: after the whole program was held up, the server's clock as
// the client library follows it can stand still for a while as the calls go on, which would
// read as a fill blocks too high.
void PlaybackBridge::StampRead(int64_t nanoseconds, int64_t unansweredFrames, int64_t playedFrames)
{
    const int64_t frames = ByTheDevicesClock(read_.load(std::memory_order_relaxed) + unansweredFrames, playedFrames);
    const uint32_t sequence = stampSequence_.load(std::memory_order_relaxed);
    stampSequence_.store(sequence + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    stampFrames_.store(frames, std::memory_order_relaxed);
    stampNanoseconds_.store(nanoseconds, std::memory_order_relaxed);
    stampSequence_.store(sequence + 2, std::memory_order_release);
}

// The device's stamp as one piece: read again if its thread was writing it meanwhile.
PlaybackBridge::ReadStamp PlaybackBridge::LatestRead() const
{
    for (;;) {
        const uint32_t sequence = stampSequence_.load(std::memory_order_acquire);
        const ReadStamp stamp{stampFrames_.load(std::memory_order_relaxed), stampNanoseconds_.load(std::memory_order_relaxed)};
        std::atomic_thread_fence(std::memory_order_acquire);
        if (sequence % 2 == 0 && stampSequence_.load(std::memory_order_relaxed) == sequence)
            return stamp;
    }
}
