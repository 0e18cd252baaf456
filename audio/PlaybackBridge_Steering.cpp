#include "audio/PlaybackBridge.h"

#include <algorithm>
#include <cmath>

// The ratio's steering, on the main thread after each push:
// - The device's read count at each push is taken from the count and the time of its latest
//   call, and the time since at its pace: a count read bare would be stale by up to a call, and
//   when the calls divide the block and the clocks nearly agree, the calls' phase at the
//   pushes, and with it the staleness, creeps for minutes to hours, which would pass for a
//   drift. These counts are followed by a least-squares line (audio/ReadCountLine, an
//   alpha-beta filter with growing, then fading memory): its slope is the clock ratio, its
//   value the read count without the jitter of the threads' wake-ups. The fill error (what was
//   written, less that smoothed read count, less the target) is thus steady to a few frames.
//   Only a push that came about a block's time after the one before moves the slope: one in a
//   burst, or held up, tells of the threads, and its error would stay in the slope for minutes
//   (a start's burst once made it 15 % off, and the line, kept at that slope, then lost the
//   device for good). Nor does a step: the whole machine held up, its sound server catching up
//   after it and its capture short of what it lost meanwhile, moves the count against the
//   pushes for good. Where the reads of the regular pushes, less the slope's advance, step by
//   StepBlocks or more from one window of them to the next, the line takes the step up and
//   forgets what the pushes since taught its slope, however young it is; the fill the step
//   leaves is settled on as after a hole (below).
// - A start offset is no drift: when the fill error is first trusted after the reset, the
//   fill, where the start's priming put it within about a call of the target, is where this
//   device settles (the clock ratio cannot tell yet: it rests on too few pushes). Within
//   CentreBand below the target asked for, or CentreBand and the watch's slack above it, it
//   becomes the target. So after every hole: the backlog that ends it comes at any time
//   between two captured blocks, and the priming, which cannot tell when, lands up to a block
//   off, or its last blocks come after the sound is back and stay, up to the watch's slack;
//   steering that back would bend the pitch. A fill further below is steered back: it leaves
//   less against the next underrun.
// - Holding: the ratio stays exactly where it is, however the reading jitters, while the
//   fill stays within HoldBand of its target and the clock ratio near the ratio held: any
//   movement of the ratio bends the pitch.
// - Acquiring, when the clock ratio is DriftBand or more off (the clocks' ratio at a start,
//   or a clock that changed): the ratio goes at once to the clock ratio, less a term that
//   leads the fill back to its target within seconds, or, beyond a few hundredths of a
//   block, at MaxLead's pace; also when the fill strays beyond LostBand with the clocks that
//   far apart. It locks (holds the clock ratio) back within LockBand, once the clock ratio
//   rests on LockBlocks pushes; the leading term then falls away in a ramp. A fill that
//   stepped while the clocks agree (sound lost or gained without a hole) is glided back, not
//   acquired, once the clock ratio rests on TrustBlocks pushes: a young clock ratio is off by up
//   to DriftBand, and the pitch would follow it, and its jitter, block by block for half a minute.
// - Gliding, when the fill leaves HoldBand with the clocks near the ratio held: the ratio
//   ramps to the clock ratio, at a rate set when the glide starts (gentle unless the fill
//   would run on too far), and the leading term takes tens of minutes, so that a tone stays
//   pure. It locks again back within LockBand.
namespace {

// Fill errors, in blocks. The smoothed error's own noise is a few hundredths of a block. The
// sound starts within one of the device's calls of the target (at most half a block for the
// usual calls), inside HoldBand, so that clocks that agree never move the ratio.
constexpr double HoldBand = 5.0 / 8;
constexpr double LostBand = 7.0 / 8;
constexpr double LockBand = 1.0 / 16;
// How far the fill may run on past where a glide starts, while the ratio ramps round.
constexpr double RunOn = 1.0 / 8;

// A fill up to this many blocks off the priming's target, when first trusted after the start or a
// hole, is where the device settles rather than an error: the priming is off by up to a call (a
// block at most), and a device may take a burst as it starts. Above the target the band reaches
// further by the watch's slack, up to which the watch for a backlog leaves the last of it
// untrimmed; nothing the watch does lowers the fill. Steering such a fill back would bend the
// pitch: under load the young clock ratio can be a few parts in 10^4 off, far enough to be
// acquired as a drift.
constexpr double CentreBand = 1.5;
constexpr double CentreBandAbove = CentreBand + PlaybackBridge::WatchSlackBlocks;

// How many blocks the fill error takes to shrink by a factor e while acquiring (5.5 s) and
// while gliding (23 min).
constexpr double AcquireBlocks = 128;
constexpr double GlideBlocks = 32768;

// The leading term never bends the pitch further than 0.05 %, which a listener hardly
// notices: the fill then comes back by a block in 85 s, and the term is below it once the
// fill error is below LockBand.
constexpr double MaxLead = 5e-4;

// A 40-block stretch of a 1 kHz tone keeps 90 dB of purity while the ratio moves by 2e-9 a
// block (a wobble of the ratio by r over a stretch of T seconds leaves a phase error of about
// pi f (r / T) T^2 / 13.4). The glide's leading term asks for less: the fill error over
// GlideBlocks squared a block, 6e-10 at the edge of HoldBand.
constexpr double GentleRate = 2e-9;

// The clock ratio this far off the ratio held is a drift to acquire at once rather than to
// glide to; the test waits for MatureBlocks pushes (44 s), when the estimate's own error is
// well below it even for a sound server that hands captured blocks on in pairs now and then
// (each such pair moves the device's position read at a push by a block: over 256 pushes
// that alone made the estimate err by 4e-4 on one clock).
// Even then the drift must be borne out by the fill, strayed by ConfirmBand blocks the way that
// drift drives it: a device whose calls are half as long again as a block, at uneven times,
// left the estimate of one clock 3e-4 off after as long, and acquiring it bent the pitch.
constexpr double DriftBand = 2e-4;
constexpr int64_t MatureBlocks = 1024;
constexpr double ConfirmBand = 1.0 / 4;
// The fill that bears a drift out is the fill as read at the pushes, averaged over about this
// many of them: the line's own fill error follows the line, which a slope that is off leaves
// behind the count, so that the fill error it gives seemed to bear out the slope's error (with
// the capture handed on 20 ms at a time, a slope 2e-4 off showed a fill a third of a block high).
constexpr double ReadFillBlocks = 64;
// The ratio locks after an acquisition on a clock ratio of at least this many pushes (33 s),
// within about 1e-5 even when the device's calls beat slowly against the blocks.
constexpr int64_t LockBlocks = 768;

// The fill error is trusted once this many pushes since the last interruption lie behind the
// line through the read counts.
constexpr int64_t TrustBlocks = 128;

// How fast the ratio may move while it is off the clock ratio by offClock: as gently as a pure
// tone wants, or, when it is far off, just fast enough that the fill runs on by no more than
// RunOn before the ratio has come round.
double RampRate(double offClock)
{
    return std::max(GentleRate, offClock * offClock / (2 * RunOn));
}

double Clamped(double ratio)
{
    return std::clamp(ratio, 1 - PlaybackBridge::MaxCorrection, 1 + PlaybackBridge::MaxCorrection);
}

// The term that leads a fill error back to the target, shrinking it by e in returnBlocks.
double Lead(double fillError, double returnBlocks)
{
    return std::clamp(fillError / returnBlocks, -MaxLead, MaxLead);
}

} // namespace

void PlaybackBridge::Steer()
{
    // While the device primes it reads nothing, and after an interruption its read count
    // jumps: the line through the read counts starts again from where they are, keeping its
    // slope, the clock ratio, which no hole changes.
    if (priming_.load(std::memory_order_acquire)) {
        followingDevice_ = false;
        return;
    }
    const uint32_t interruptions = interruptions_.load(std::memory_order_acquire);
    if (!followingDevice_ || interruptions != interruptionsSeen_) {
        followingDevice_ = true;
        interruptionsSeen_ = interruptions;
        line_.Reseat();
        targetSettled_ = false;
    }
    const double read = DeviceRead();
    const ReadCountLine::Outcome outcome = line_.Follow(read, regularPush_);
    // Where the reads stepped, or the line was lost, the fill the step left is settled on.
    if (outcome.FillMoved)
        targetSettled_ = false;
    if (outcome.Followed && line_.PositionBlocks() >= TrustBlocks) {
        if (!targetSettled_) {
            SettleTarget(FillError());
            readFillError_ = FillError();
        }
        NoteReadFill(read);
        SetGoal(FillError());
    }
    MoveRatio();
}

// The device's read count now: at its latest call, and what it has read since at its pace,
// the nominal rate times the clock ratio.
double PlaybackBridge::DeviceRead() const
{
    const ReadStamp stamp = LatestRead();
    const int64_t elapsed = std::clamp<int64_t>(Now() - stamp.Nanoseconds, 0, longestGapNanoseconds_);
    const double pace = framesPerNanosecond_ * Clamped(line_.Rate() / blockFrames_);
    return static_cast<double>(stamp.Frames) + static_cast<double>(elapsed) * pace;
}

void PlaybackBridge::NoteReadFill(double read)
{
    const double fill = static_cast<double>(written_.load(std::memory_order_relaxed)) - read;
    const double error = (fill - static_cast<double>(targetFrames_)) / blockFrames_;
    readFillError_ += (error - readFillError_) / ReadFillBlocks;
}

double PlaybackBridge::FillError() const
{
    const double fill = static_cast<double>(written_.load(std::memory_order_relaxed)) - line_.Position();
    return (fill - static_cast<double>(targetFrames_)) / blockFrames_;
}

void PlaybackBridge::SettleTarget(double fillError)
{
    targetSettled_ = true;
    const int64_t settled = targetFrames_ + std::llround(fillError * blockFrames_);
    const int64_t off = settled - primingTargetFrames_.load(std::memory_order_relaxed);
    if (off >= -CentreBand * blockFrames_ && off <= CentreBandAbove * blockFrames_)
        SetTarget(settled);
}

void PlaybackBridge::SetGoal(double fillError)
{
    const double clockRatio = line_.Rate() / blockFrames_;
    const double distance = std::abs(fillError);
    switch (steering_) {
    case Steering::Holding: {
        const bool drifting = std::abs(goal_ - clockRatio) > DriftBand;
        const bool borneOut = line_.RateBlocks() >= MatureBlocks && distance > ConfirmBand && (goal_ - clockRatio) * fillError > 0 &&
                              std::abs(readFillError_) > ConfirmBand && (goal_ - clockRatio) * readFillError_ > 0;
        if (drifting && (borneOut || distance > HoldBand))
            steering_ = Steering::Acquiring;
        else if (distance > HoldBand) {
            steering_ = Steering::Gliding;
            rampRate_ = RampRate(ratio_ - clockRatio);
        }
        break;
    }
    case Steering::Gliding:
        if (distance > LostBand && (std::abs(goal_ - clockRatio) > DriftBand || line_.RateBlocks() < TrustBlocks))
            steering_ = Steering::Acquiring;
        else if (distance < LockBand)
            Hold(clockRatio, GlideBlocks);
        break;
    case Steering::Acquiring:
        if (distance < LockBand && line_.RateBlocks() >= LockBlocks)
            Hold(clockRatio, AcquireBlocks);
        break;
    }
    if (steering_ == Steering::Acquiring)
        goal_ = Clamped(clockRatio - Lead(fillError, AcquireBlocks));
    else if (steering_ == Steering::Gliding)
        goal_ = Clamped(clockRatio - Lead(fillError, GlideBlocks));
}

void PlaybackBridge::Hold(double clockRatio, double returnBlocks)
{
    steering_ = Steering::Holding;
    goal_ = Clamped(clockRatio);
    // The term that led the fill back falls away in a straight ramp over twice the time it
    // took to shrink the fill error by e, which takes the fill about the rest of the way.
    rampRate_ = std::max(GentleRate, std::abs(goal_ - ratio_) / (2 * returnBlocks));
}

void PlaybackBridge::MoveRatio()
{
    const double distance = goal_ - ratio_;
    if (steering_ == Steering::Acquiring || std::abs(distance) <= rampRate_)
        ratio_ = goal_;
    else
        ratio_ += std::copysign(rampRate_, distance);
}

bool PlaybackBridge::Locked() const
{
    return steering_ == Steering::Holding && ratio_ == goal_;
}
