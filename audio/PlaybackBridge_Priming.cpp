#include "audio/PlaybackBridge.h"

#include <algorithm>
#include <utility>

// The device's side from a start or a hole until the sound plays: silence until the FIFO holds
// its target, a wait for the backlog of a hold-up, and the trim of what lies above the target,
// as the sound first starts and for a while after.
namespace {

// How long after the device found itself held up the sound server may tell of it, in blocks.
constexpr int64_t TellWindowBlocks = 32;

// How long after the device plays again a backlog of the capture is still trimmed, in blocks
// of the device's time: the main thread, held up with the device, catches up within a few of
// its wake-ups.
constexpr int64_t TrimWatchBlocks = 16;

} // namespace

// Silence until the FIFO holds its target and the backlog of a hold-up has come, which is then
// trimmed. False while silence is played.
bool PlaybackBridge::Primed(std::span<int16_t> samples, int64_t frames)
{
    const int64_t queued = Queued();
    if (queued != primingQueued_) {
        primingQueued_ = queued;
        silenceSincePush_ = 0;
    }
    if (!ReadyToPlay(queued) || AwaitingBacklog(frames)) {
        PlaySilence(samples, soundStarted_);
        silenceSincePush_ += frames;
        return false;
    }
    // The capture may hand its first blocks on at once, as it does a hold-up's backlog: more
    // than a block above the target, as the sound first starts and for a while after, is left out.
    // What the start leaves of that block is no backlog. Nor is a push that comes before the
    // next call, nor one push more than usual between two calls of a device whose calls are not
    // a block (a server that calls for 40 ms while the capture hands on 20 ms): the watch allows
    // the fill a block above what the start left for each, as cutting either would splice the
    // sound just begun.
    if (std::exchange(trimDue_, false) || !soundStarted_) {
        const int64_t slack = soundStarted_ ? 0 : blockFrames_;
        trimWatchFrames_ = TrimWatchBlocks * blockFrames_;
        TrimBacklog(queued, frames, slack);
        watchSlackFrames_ = WatchSlackBlocks * blockFrames_ + std::clamp(Queued() - KeptFrames(frames), int64_t{0}, slack);
    }
    return true;
}

// More of a backlog that came after the sound, for a while after a hole or the start.
void PlaybackBridge::WatchForBacklog(int64_t frames)
{
    if (trimWatchFrames_ <= 0)
        return;
    trimWatchFrames_ -= frames;
    // The read count jumps: the main thread follows it from here on, as after a hole.
    if (TrimBacklog(Queued(), frames, watchSlackFrames_))
        interruptions_.fetch_add(1, std::memory_order_release);
}

// The sound server tells of an underrun before the device's first call back, after some
// (PipeWire), or well after the latest call (PulseAudio): a hold-up the calls have shown already
// needs nothing more. The calls that wait for the backlog leave no stamp, so that a notice after
// them is not taken for a hold-up of its own, which would start the wait over. A hold-up the calls
// did not show is past, or was the server's own (a sink converting to 44.1 kHz can run the stream
// dry while every call is answered in full): the FIFO holds what it held, and waiting for the
// target again would only add a hole of the bridge's own. The device's read count may have
// jumped against the time, though: the main thread follows it afresh, as after a hole.
void PlaybackBridge::DeviceRanDry()
{
    const int64_t now = Now();
    const int64_t blockNanoseconds = longestGapNanoseconds_ / 2;
    if (lostTimeNanoseconds_ != 0 && now - lostTimeNanoseconds_ <= TellWindowBlocks * blockNanoseconds)
        return;
    const bool calledSince = soundStarted_ && now - stampNanoseconds_.load(std::memory_order_relaxed) < blockNanoseconds / 2;
    if (calledSince)
        interruptions_.fetch_add(1, std::memory_order_release);
    else
        LoseTime(now);
}

// The device lost time: its thread was held up. If the main thread was held with it, as when
// the whole program is, the blocks captured meanwhile are still to come: the sound waits for
// them, so that they are trimmed inside the hole rather than after the sound is back, where
// leaving them out would be heard as a splice.
void PlaybackBridge::LoseTime(int64_t now)
{
    lostTimeNanoseconds_ = now;
    const int64_t pushed = lastPushNanoseconds_.load(std::memory_order_acquire);
    if (soundStarted_)
        awaitedWritten_ = written_.load(std::memory_order_acquire) + FramesIn(now - pushed) - blockFrames_ / 2;
    StartPriming();
}

// The sound is ready but for the backlog of a held-up main thread: it waits, a while at most.
// Before the first sound nothing tells how much of the capture's first blocks is still to
// come: a capture that has sound waiting when it starts hands it on a few blocks at a wake-up,
// in one burst or several. The first sound waits, a while at most, for a push at the capture's
// pace, so that the whole of it is in when the start leaves out what lies above the target:
// left out of sound already heard, a later part of it was a splice.
bool PlaybackBridge::AwaitingBacklog(int64_t frames)
{
    const int64_t awaited = std::max(awaitedWritten_, backlogEnd_.load(std::memory_order_acquire));
    const bool backlogIn = soundStarted_ && written_.load(std::memory_order_acquire) >= awaited;
    if (backlogIn || backlogWaitFrames_ <= 0 || CaptureBackAtItsPace())
        return false;
    backlogWaitFrames_ -= frames;
    return true;
}

// A push that came at the capture's own pace, about a block's time after the one before, since
// the sound stopped: what the capture has not handed on by then is not coming. A sound
// server held up with the program, as a whole virtual machine is, captures nothing meanwhile
// (PipeWire's graph, which runs the capture, stood still too): its blocks come a block's time
// apart once it runs again, with no backlog, and waiting for one would only lengthen the hole
// by the wait and leave out as much sound after it. A backlog comes as fast as the main thread
// pushes it, several blocks at a wake-up.
bool PlaybackBridge::CaptureBackAtItsPace() const
{
    return pacedPushes_.load(std::memory_order_acquire) != pacedPushesAtPriming_;
}

// The target is the fill at a push as the main thread reads it: what was written less what the
// device has read by then, counting a call's frames as read when it is made. The fill after
// the next push is what is queued at a call, less the call, plus the device's time since the
// latest push; the silence played since the push (up to a block) tells that time to within a
// call, short by half a call on average. So sound starts once what is queued, plus that
// silence, makes the target: the fill after the next push is then the target to within a
// call, and on average on it.
bool PlaybackBridge::ReadyToPlay(int64_t queued) const
{
    return queued > 0 &&
           queued + std::min<int64_t>(silenceSincePush_, blockFrames_) >= primingTargetFrames_.load(std::memory_order_relaxed);
}

// After a hold-up longer than the target the capture's backlog arrives in a burst: what lies
// above the target is left out rather than delaying the sound for good. The call that trims
// comes first after a push, half a call after it on average: half a call more is kept.
// The burst comes a few blocks at a time, and when the whole program was held up the device may
// be back before any of it: for a while after it plays again, a fill more than slack above that
// is taken for more of the backlog. As the sound first starts, what is left out was never to be
// heard: the device began to take sound after the capture had gone on for longer than the
// delay (a sound server's sink that played out what it had rendered ahead first), or the
// capture handed its first blocks on at once. Once the sound began, what is left out was heard
// in part, a splice, and counts as trimmed. True when sound was left out.
bool PlaybackBridge::TrimBacklog(int64_t queued, int64_t frames, int64_t slack)
{
    const int64_t kept = KeptFrames(frames);
    if (queued <= kept + slack)
        return false;
    const int64_t skipped = queued - kept;
    read_.store(read_.load(std::memory_order_relaxed) + skipped, std::memory_order_release);
    (soundStarted_ ? trimmedFrames_ : lateStartFrames_).fetch_add(skipped, std::memory_order_relaxed);
    return true;
}

int64_t PlaybackBridge::KeptFrames(int64_t frames) const
{
    return primingTargetFrames_.load(std::memory_order_relaxed) + frames / 2;
}

void PlaybackBridge::StartPriming()
{
    trimDue_ = true;
    backlogWaitFrames_ = BacklogWaitBlocks * blockFrames_;
    pacedPushesAtPriming_ = pacedPushes_.load(std::memory_order_acquire);
    primingQueued_ = -1;
    priming_.store(true, std::memory_order_release);
    interruptions_.fetch_add(1, std::memory_order_release);
}
