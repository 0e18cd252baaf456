#include "audio/PlaybackBridge.h"

#include <zita-resampler/vresampler.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

// The ratio's steering, on the main thread after each push:
// - The device's read count at each push is taken from the count and the time of its latest
//   call, and the time since at its pace: a count read bare would be stale by up to a call,
//   and when the calls divide the block and the clocks nearly agree, the calls' phase at the
//   pushes, and with it the staleness, creeps for minutes to hours, which would pass for a
//   drift. These counts are followed by a least-squares line (an alpha-beta filter with
//   growing, then fading memory): its slope is the clock ratio, its value the read count
//   without the jitter of the threads' wake-ups. The fill error (what was written, less that
//   smoothed read count, less the target) is thus steady to a few frames. Only a push that
//   came about a block's time after the one before moves the slope: one in a burst, or held up,
//   tells of the threads, and its error would stay in the slope for minutes (a start's burst
//   once made it 15 % off, and the line, kept at that slope, then lost the device for good). Nor
//   does a step: the whole machine held up, its sound server catching up after it and its
//   capture short of what it lost meanwhile, moves the count against the pushes for good. Where
//   the reads of the regular pushes, less the slope's advance, step by StepBlocks or more from
//   one window of them to the next, the line takes the step up and forgets what the pushes
//   since taught its slope, however young it is; the fill the step leaves is settled on as
//   after a hole (below).
// - A start offset is no drift: when the fill error is first trusted after the reset, the
//   fill, where the start's priming put it within about a call of the target, is where this
//   device settles (the clock ratio cannot tell yet: it rests on too few pushes). Within
//   CentreBand of the target asked for it becomes the target. So after every hole: the
//   backlog that ends it comes at any time between two captured blocks, and the priming, which
//   cannot tell when, lands up to a block off; steering that back would bend the pitch.
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

// The ratio never strays further from 1.
constexpr double MaxCorrection = 0.01;

// Fill errors, in blocks. The smoothed error's own noise is a few hundredths of a block. The
// sound starts within one of the device's calls of the target (at most half a block for the
// usual calls), inside HoldBand, so that clocks that agree never move the ratio.
constexpr double HoldBand = 5.0 / 8;
constexpr double LostBand = 7.0 / 8;
constexpr double LockBand = 1.0 / 16;
// How far the fill may run on past where a glide starts, while the ratio ramps round.
constexpr double RunOn = 1.0 / 8;

// A start's fill error up to this many blocks is where the device settles rather than an
// error: the priming is off by up to a call (a block at most), and a device may take a
// burst as it starts.
constexpr double CentreBand = 1.5;

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

// The read count's line is fitted over all pushes since the reset up to this many (6 min),
// which puts the clock ratio within a few parts in ten million; the fill error is trusted
// once this many pushes since the last interruption lie behind it.
constexpr int64_t MemoryBlocks = 8192;
constexpr int64_t TrustBlocks = 128;

// A push whose read count misses the line by more than this many blocks was held up, or came
// in a burst after a hold-up (the main thread's, or a server's that hands captured blocks on
// in pairs): its count tells of the threads' timing, not of the clocks, and the line ignores
// it once it rests on SeatBlocks pushes. A whole run of LostOutliers such pushes is a line
// that lost the device: it starts again from where the device is.
constexpr double OutlierBlocks = 0.5;
constexpr int64_t SeatBlocks = 16;
constexpr int64_t LostOutliers = 16;

// A step of the read count smaller than an outlier's, as a machine held up as a whole makes: the
// mean read of the latest StepWindow regular pushes against that of as many before them, less
// the slope's advance, at its peak, where the step lies between the two. Left to the position's
// gain, a step of half a block leaned the slope by 4e-4 for minutes, or by 2e-3 while the slope
// was young, which then passed for a drift and bent the pitch. A window of 16 spans the pattern
// of pushes that come as the capture hands on 20 ms at a time (late by up to 20 ms, then early
// again, in a cycle of 15), and a young slope's lag over it is a few hundredths of a block.
constexpr double StepBlocks = 0.15;

// How long the sound, ready to start again after a hole, waits for the backlog of a main thread
// that was held up, in blocks.
constexpr int64_t BacklogWaitBlocks = 3;

// How long after the device found itself held up the sound server may tell of it, in blocks.
constexpr int64_t TellWindowBlocks = 32;

// How long after the device plays again a backlog of the capture is still trimmed, in blocks
// of the device's time: the main thread, held up with the device, catches up within a few of
// its wake-ups.
constexpr int64_t TrimWatchBlocks = 16;

// Least-squares gains of a straight-line fit through n points taken one at a time.
double PositionGain(int64_t n)
{
    const double points = static_cast<double>(std::min(n, MemoryBlocks));
    return 2 * (2 * points - 1) / (points * (points + 1));
}

double RateGain(int64_t n)
{
    const double points = static_cast<double>(std::min(n, MemoryBlocks));
    return 6 / (points * (points + 1));
}

// How fast the ratio may move while it is off the clock ratio by offClock: as gently as a pure
// tone wants, or, when it is far off, just fast enough that the fill runs on by no more than
// RunOn before the ratio has come round.
double RampRate(double offClock)
{
    return std::max(GentleRate, offClock * offClock / (2 * RunOn));
}

double Clamped(double ratio)
{
    return std::clamp(ratio, 1 - MaxCorrection, 1 + MaxCorrection);
}

// The term that leads a fill error back to the target, shrinking it by e in returnBlocks.
double Lead(double fillError, double returnBlocks)
{
    return std::clamp(fillError / returnBlocks, -MaxLead, MaxLead);
}

int64_t SteadyNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::atomic<PlaybackBridge::Clock> clockInUse{SteadyNanoseconds};

int64_t Now()
{
    return clockInUse.load(std::memory_order_relaxed)();
}

int16_t ToSample(float value)
{
    return static_cast<int16_t>(std::clamp(std::lrint(value), -32768L, 32767L));
}

} // namespace

PlaybackBridge::PlaybackBridge() : resampler_(std::make_unique<VResampler>()) {}

PlaybackBridge::~PlaybackBridge() = default;

void PlaybackBridge::UseClock(Clock clock)
{
    clockInUse.store(clock != nullptr ? clock : SteadyNanoseconds, std::memory_order_relaxed);
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
    backlogWaitFrames_ = 0;
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
    starting_ = true;
    stampFrames_.store(0, std::memory_order_relaxed);
    stampNanoseconds_.store(0, std::memory_order_relaxed);
    playedToReadSet_ = false;
    droppedFrames_ = 0;

    readPosition_ = 0;
    readRate_ = blockFrames_;
    positionBlocks_ = 0;
    rateBlocks_ = 0;
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

// The resampler takes over from the plain copy at the ratio of 1, with the block's last frames
// as the history its filter needs: its first frame out is the next block's first frame in. It
// then holds half its filter's length of frames, always the same: the fill that is steered is
// the FIFO's alone (less those frames once, as it takes over).
void PlaybackBridge::StartResampling(std::span<const int16_t> lastBlock)
{
    VResampler& resampler = *resampler_;
    // reset() keeps the ratio last used: one output frame at the ratio of 1, unsmoothed and
    // thrown away, sets it again.
    resampler.reset();
    resampler.set_rrfilt(0);
    resampler.set_rratio(1.0);
    resampler.inp_count = static_cast<unsigned>(resampler.inpsize());
    resampler.inp_data = nullptr;
    resampler.out_count = 1;
    resampler.out_data = nullptr;
    resampler.process();

    const unsigned historyFrames = resampler.inpsize() / 2 - 1;
    const auto historySamples = static_cast<ptrdiff_t>(historyFrames) * channels_;
    std::copy(lastBlock.end() - historySamples, lastBlock.end(), resamplerInput_.begin());
    resampler.reset();
    resampler.inp_count = historyFrames;
    resampler.inp_data = resamplerInput_.data();
    resampler.out_count = 1;
    resampler.out_data = nullptr;
    resampler.process();
    // The ratio moves once a block; smoothed over a block, its steps leave no corners.
    resampler.set_rrfilt(blockFrames_);
    resampler.set_rratio(ratio_);
    resampling_ = true;
}

// While the ratio has not left 1 since the reset, which is for good where both sides share a
// clock, the resampler would give each block back as it came, at the cost of its filter: the
// block is copied instead.
void PlaybackBridge::Push(std::span<const int16_t> block)
{
    NoteBacklog();
    if (resampling_)
        StoreResampled(Resample(block));
    else
        Store(block);
    if (!resample_)
        return;
    Steer();
    if (resampling_)
        resampler_->set_rratio(ratio_);
    else if (ratio_ != 1.0)
        StartResampling(block);
}

// A push long after the one before: the main thread was held up, and the blocks captured
// meanwhile follow at once, this one first. The device's side waits for them before it plays
// again.
void PlaybackBridge::NoteBacklog()
{
    const int64_t now = Now();
    const int64_t last = lastPushNanoseconds_.exchange(now, std::memory_order_acq_rel);
    // A capture that never hands blocks on one at a time (always in pairs, say) is what it is:
    // after a run of such pushes, every push counts again. One handed on 20 ms at a time pushes
    // 40 ms apart and now and then 60: both are regular, or the slope would learn only the
    // pushes that came early and fall short.
    const int64_t blockNanoseconds = longestGapNanoseconds_ / 2;
    const bool regular = last != 0 && std::abs(now - last - blockNanoseconds) <= blockNanoseconds / 2;
    irregularPushes_ = regular ? 0 : irregularPushes_ + 1;
    regularPush_ = regular || irregularPushes_ > LostOutliers;
    if (last != 0 && now - last > longestGapNanoseconds_)
        backlogEnd_.store(written_.load(std::memory_order_relaxed) + FramesIn(now - last) - blockFrames_ / 2, std::memory_order_release);
    else if (last != 0 && 4 * (now - last) >= 3 * blockNanoseconds)
        pacedPushes_.fetch_add(1, std::memory_order_release);
}

int64_t PlaybackBridge::Resample(std::span<const int16_t> block)
{
    std::copy(block.begin(), block.end(), resamplerInput_.begin());
    VResampler& resampler = *resampler_;
    const auto room = static_cast<unsigned>(resamplerOutput_.size() / channels_);
    resampler.inp_count = static_cast<unsigned>(block.size() / channels_);
    resampler.inp_data = resamplerInput_.data();
    resampler.out_count = room;
    resampler.out_data = resamplerOutput_.data();
    resampler.process();
    return room - resampler.out_count;
}

// Whether frames fit in the FIFO; if not, they are dropped (the device has stopped taking) and
// counted: only the device's side may leave out what is queued.
bool PlaybackBridge::Fits(int64_t frames)
{
    const int64_t queued = written_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire);
    if (queued + frames <= capacityFrames_)
        return true;
    droppedFrames_ += frames;
    return false;
}

void PlaybackBridge::Store(std::span<const int16_t> samples)
{
    const int64_t frames = static_cast<int64_t>(samples.size()) / channels_;
    if (!Fits(frames))
        return;
    const int64_t written = written_.load(std::memory_order_relaxed);
    const size_t start = static_cast<size_t>((written % capacityFrames_) * channels_);
    const size_t first = std::min(samples.size(), fifo_.size() - start);
    std::copy_n(samples.begin(), first, fifo_.begin() + static_cast<ptrdiff_t>(start));
    std::copy(samples.begin() + static_cast<ptrdiff_t>(first), samples.end(), fifo_.begin());
    written_.store(written + frames, std::memory_order_release);
}

void PlaybackBridge::StoreResampled(int64_t frames)
{
    if (!Fits(frames))
        return;
    const int64_t written = written_.load(std::memory_order_relaxed);
    const size_t count = static_cast<size_t>(frames * channels_);
    size_t at = static_cast<size_t>((written % capacityFrames_) * channels_);
    for (size_t k = 0; k < count; ++k) {
        fifo_[at] = ToSample(resamplerOutput_[k]);
        if (++at == fifo_.size())
            at = 0;
    }
    written_.store(written + frames, std::memory_order_release);
}

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
        positionBlocks_ = 0;
        targetSettled_ = false;
    }
    const double read = DeviceRead();
    if (FollowDevice(read) && positionBlocks_ >= TrustBlocks) {
        if (!targetSettled_) {
            SettleTarget(FillError());
            readFillError_ = FillError();
        }
        NoteReadFill(read);
        SetGoal(FillError());
    }
    MoveRatio();
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

// The device's read count now: at its latest call, and what it has read since at its pace,
// the nominal rate times the clock ratio.
double PlaybackBridge::DeviceRead() const
{
    const ReadStamp stamp = LatestRead();
    const int64_t elapsed = std::clamp<int64_t>(Now() - stamp.Nanoseconds, 0, longestGapNanoseconds_);
    const double pace = framesPerNanosecond_ * Clamped(readRate_ / blockFrames_);
    return static_cast<double>(stamp.Frames) + static_cast<double>(elapsed) * pace;
}

bool PlaybackBridge::FollowDevice(double read)
{
    if (++positionBlocks_ == 1) {
        SeatLine(read);
        return true;
    }
    readPosition_ += readRate_;
    // Outliers too: after a step of nearly an outlier's size, about half the pushes are.
    if (regularPush_ && positionBlocks_ > SeatBlocks)
        TakeAStep(read);
    const double miss = read - readPosition_;
    if (positionBlocks_ > SeatBlocks && std::abs(miss) > OutlierBlocks * blockFrames_) {
        // A push late or in a burst: the line goes on as it was.
        if (++outliersInARow_ == 1)
            firstOutlierMiss_ = miss;
        else if (outliersInARow_ == LostOutliers)
            LoseLine(read, miss);
        return false;
    }
    outliersInARow_ = 0;
    readPosition_ += PositionGain(positionBlocks_) * miss;
    // While a line that has its slope seats again after a hole, its pushes come in the burst
    // that ends the hole: they tell nothing of the clocks; nor does a push that came early or
    // late after the one before, in a burst or held up.
    if (regularPush_ && (positionBlocks_ > SeatBlocks || rateBlocks_ < SeatBlocks))
        readRate_ += RateGain(++rateBlocks_) * miss;
    return true;
}

// A step of the read count: the regular pushes' reads, less the slope's advance, averaged over
// the latest StepWindow of them against as many before them. The difference peaks where the
// step lies between the two windows; once it has fallen to half that peak, the line takes the
// step up from where it was before it, with the slope it had then: what the pushes since taught
// it came of the step. A difference that does not fall within a window's pushes is no step.
// The fill stepped with it (the capture lost or gained sound: PipeWire, its graph run late, drops
// or repeats a quantum of one stream): where the device now settles is the target, within
// CentreBand of the one asked for, as after a lost line, so that a step is not steered away at
// the pitch's cost.
void PlaybackBridge::TakeAStep(double read)
{
    recentReads_[recentRegular_++ % recentReads_.size()] = {positionBlocks_, read - stepsTaken_, readPosition_, readRate_, rateBlocks_};
    if (recentRegular_ < recentReads_.size() || rateBlocks_ < SeatBlocks)
        return;
    double difference = 0;
    for (size_t k = 1; k <= StepWindow; ++k) {
        const RegularRead& newer = recentReads_[(recentRegular_ - k) % recentReads_.size()];
        const RegularRead& older = recentReads_[(recentRegular_ - StepWindow - k) % recentReads_.size()];
        difference += newer.Read - older.Read - static_cast<double>(newer.Push - older.Push) * readRate_;
    }
    difference /= StepWindow;
    if (std::abs(difference) > std::abs(stepPeak_) || recentRegular_ - stepPeakAt_ >= StepWindow) {
        stepPeak_ = difference;
        stepPeakAt_ = recentRegular_;
    }
    if (std::abs(stepPeak_) <= StepBlocks * blockFrames_ || std::abs(difference) > std::abs(stepPeak_) / 2)
        return;
    const size_t firstAfter = stepPeakAt_ - StepWindow;
    const RegularRead& before = recentReads_[firstAfter % recentReads_.size()];
    readRate_ = before.Rate;
    rateBlocks_ = before.RateBlocks;
    readPosition_ = before.Position + static_cast<double>(positionBlocks_ - before.Push) * readRate_ + stepPeak_;
    for (size_t k = firstAfter; k < recentRegular_; ++k)
        recentReads_[k % recentReads_.size()].Read -= stepPeak_;
    stepsTaken_ += stepPeak_;
    stepPeak_ = 0;
    targetSettled_ = false;
}

// A whole run of pushes missed the line. Where the misses grew along the run, its slope was
// wrong (learnt from pushes that only seemed regular): it is learnt afresh. Otherwise the fill
// stepped, as when the capture lost or gained sound without a hole in the playback: the new
// fill is where the device settles, as after a hole, not an error to steer away.
void PlaybackBridge::LoseLine(double read, double lastMiss)
{
    if (std::abs(lastMiss - firstOutlierMiss_) > OutlierBlocks * blockFrames_)
        rateBlocks_ = 0;
    targetSettled_ = false;
    SeatLine(read);
}

// The line starts again from the device's read count, keeping its slope.
void PlaybackBridge::SeatLine(double read)
{
    positionBlocks_ = 1;
    outliersInARow_ = 0;
    readPosition_ = read;
    rateBlocks_ = std::max<int64_t>(rateBlocks_, 1);
    recentRegular_ = 0;
    stepPeak_ = 0;
    stepsTaken_ = 0;
}

void PlaybackBridge::NoteReadFill(double read)
{
    const double fill = static_cast<double>(written_.load(std::memory_order_relaxed)) - read;
    const double error = (fill - static_cast<double>(targetFrames_)) / blockFrames_;
    readFillError_ += (error - readFillError_) / ReadFillBlocks;
}

double PlaybackBridge::FillError() const
{
    const double fill = static_cast<double>(written_.load(std::memory_order_relaxed)) - readPosition_;
    return (fill - static_cast<double>(targetFrames_)) / blockFrames_;
}

void PlaybackBridge::SettleTarget(double fillError)
{
    targetSettled_ = true;
    const int64_t settled = targetFrames_ + std::llround(fillError * blockFrames_);
    if (std::abs(settled - primingTargetFrames_.load(std::memory_order_relaxed)) <= CentreBand * blockFrames_)
        SetTarget(settled);
}

void PlaybackBridge::SetGoal(double fillError)
{
    const double clockRatio = readRate_ / blockFrames_;
    const double distance = std::abs(fillError);
    switch (steering_) {
    case Steering::Holding: {
        const bool drifting = std::abs(goal_ - clockRatio) > DriftBand;
        const bool borneOut = rateBlocks_ >= MatureBlocks && distance > ConfirmBand && (goal_ - clockRatio) * fillError > 0 &&
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
        if (distance > LostBand && (std::abs(goal_ - clockRatio) > DriftBand || rateBlocks_ < TrustBlocks))
            steering_ = Steering::Acquiring;
        else if (distance < LockBand)
            Hold(clockRatio, GlideBlocks);
        break;
    case Steering::Acquiring:
        if (distance < LockBand && rateBlocks_ >= LockBlocks)
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

// The device's side.

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
    // What the start leaves of that block is no backlog, nor is a push that comes before the
    // next call: for a while the fill may exceed it by a block. (Taken for more of a backlog, a
    // push that came before a sound server's second call was left out of the sound just begun:
    // a splice.)
    if (std::exchange(trimDue_, false) || !soundStarted_) {
        const int64_t slack = soundStarted_ ? 0 : blockFrames_;
        trimWatchFrames_ = TrimWatchBlocks * blockFrames_;
        TrimBacklog(queued, frames, slack);
        watchSlackFrames_ = blockFrames_ + std::clamp(Queued() - KeptFrames(frames), int64_t{0}, slack);
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
    starting_ = starting_ && trimWatchFrames_ > 0;
}

size_t PlaybackBridge::Take(std::span<int16_t> samples)
{
    const int64_t given = std::min(Queued(), static_cast<int64_t>(samples.size()) / channels_);
    Copy(samples, given);
    StampRead(Now(), 0, -1);
    return static_cast<size_t>(given * channels_);
}

// The sound server tells of the underrun either before the device's first call back or, as
// PipeWire's was seen to, after some, and PulseAudio's well after the latest call: a hold-up
// the calls have shown already needs nothing more. (The calls that wait for the backlog leave
// no stamp: a notice after them was taken for a hold-up of its own, and the wait started over,
// which lengthened the hole after a stopped program by one to three calls.) One the calls did
// not show is past, or was the server's own (PulseAudio's sink at 44.1 kHz ran the stream dry
// now and then while the calls came on time, each answered in full): the FIFO holds what it
// held, and waiting for the target again would only add a hole of the bridge's own (30 to 60 ms
// were heard). The device's read count may have jumped against the time, though: the main
// thread follows it afresh, as after a hole.
void PlaybackBridge::DeviceRanDry()
{
    const int64_t now = Now();
    const int64_t blockNanoseconds = longestGapNanoseconds_ / 2;
    if (lostTimeNanoseconds_ != 0 && now - lostTimeNanoseconds_ <= TellWindowBlocks * blockNanoseconds)
        return;
    starting_ = starting_ && !soundStarted_;
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
bool PlaybackBridge::AwaitingBacklog(int64_t frames)
{
    const int64_t awaited = std::max(awaitedWritten_, backlogEnd_.load(std::memory_order_acquire));
    if (written_.load(std::memory_order_acquire) >= awaited || backlogWaitFrames_ <= 0 || CaptureBackAtItsPace())
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

// Frames of the nominal rate in a time, within the FIFO's room.
int64_t PlaybackBridge::FramesIn(int64_t nanoseconds) const
{
    return static_cast<int64_t>(std::clamp(static_cast<double>(nanoseconds) * framesPerNanosecond_, 0.0, static_cast<double>(capacityFrames_)));
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
// capture handed its first blocks on at once. True when sound was left out.
bool PlaybackBridge::TrimBacklog(int64_t queued, int64_t frames, int64_t slack)
{
    const int64_t kept = KeptFrames(frames);
    if (queued <= kept + slack)
        return false;
    const int64_t skipped = queued - kept;
    read_.store(read_.load(std::memory_order_relaxed) + skipped, std::memory_order_release);
    (starting_ ? lateStartFrames_ : trimmedFrames_).fetch_add(skipped, std::memory_order_relaxed);
    return true;
}

int64_t PlaybackBridge::KeptFrames(int64_t frames) const
{
    return primingTargetFrames_.load(std::memory_order_relaxed) + frames / 2;
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

void PlaybackBridge::StartPriming()
{
    starting_ = !soundStarted_;
    trimDue_ = true;
    backlogWaitFrames_ = BacklogWaitBlocks * blockFrames_;
    pacedPushesAtPriming_ = pacedPushes_.load(std::memory_order_acquire);
    primingQueued_ = -1;
    priming_.store(true, std::memory_order_release);
    interruptions_.fetch_add(1, std::memory_order_release);
}

// The read count and the time of the call that made it, one stamp: the main thread reads the
// device's count at a push from it. Frames the call asked for and was not given count as read.
// A device that tells how far it has played is stamped by its clock instead, which a server's
// requests need not follow: PulseAudio's, converting to a 44.1 kHz sink, were seen to hold
// back a little more at each request for ten seconds and then catch up by 20 ms at once, over
// and over, which the clock estimate took for a drift. After an interruption the read count
// has jumped against the clock: the stamps go on from where it stands. So they do where the
// clock strays from the read count by more than a block: after the whole program was held up,
// PulseAudio's clock as the client library follows it stood still for a while as the calls
// went on, which would have read as a fill three blocks too high.
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
