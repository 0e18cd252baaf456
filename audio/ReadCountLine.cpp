#include "audio/ReadCountLine.h"

#include <algorithm>
#include <cmath>

namespace {

// The line is fitted over all reads since the reset up to this many (6 min), which puts the
// clock ratio within a few parts in ten million.
constexpr int64_t MemoryBlocks = 8192;

// A push whose read count misses the line by more than this many blocks was held up, or came
// in a burst after a hold-up (the main thread's, or a server's that hands captured blocks on
// in pairs): its count tells of the threads' timing, not of the clocks, and the line ignores
// it once it rests on SeatBlocks pushes. A whole run of LostOutliers such pushes is a line
// that lost the device: it starts again from where the device is.
constexpr double OutlierBlocks = 0.5;
constexpr int64_t SeatBlocks = 16;

// A step of the read count smaller than an outlier's, as a machine held up as a whole makes: the
// mean read of the latest StepWindow regular pushes against that of as many before them, less
// the slope's advance, at its peak, where the step lies between the two. Left to the position's
// gain, a step of half a block leaned the slope by 4e-4 for minutes, or by 2e-3 while the slope
// was young, which then passed for a drift and bent the pitch. A window of 16 spans the pattern
// of pushes that come as the capture hands on 20 ms at a time (late by up to 20 ms, then early
// again, in a cycle of 15), and a young slope's lag over it is a few hundredths of a block.
constexpr double StepBlocks = 0.15;

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

} // namespace

void ReadCountLine::Reset(int32_t blockFrames)
{
    *this = ReadCountLine{};
    blockFrames_ = blockFrames;
    rate_ = blockFrames;
}

ReadCountLine::Outcome ReadCountLine::Follow(double read, bool regular)
{
    if (++positionBlocks_ == 1) {
        Seat(read);
        return {true, false};
    }
    position_ += rate_;
    // Outliers too: after a step of nearly an outlier's size, about half the pushes are.
    const bool stepped = regular && positionBlocks_ > SeatBlocks && TakeAStep(read);
    const double miss = read - position_;
    if (positionBlocks_ > SeatBlocks && std::abs(miss) > OutlierBlocks * blockFrames_) {
        // A push late or in a burst: the line goes on as it was.
        if (++outliersInARow_ == 1)
            firstOutlierMiss_ = miss;
        else if (outliersInARow_ == LostOutliers) {
            Lose(read, miss);
            return {false, true};
        }
        return {false, stepped};
    }
    outliersInARow_ = 0;
    position_ += PositionGain(positionBlocks_) * miss;
    // While a line that has its slope seats again after a hole, its pushes come in the burst
    // that ends the hole: they tell nothing of the clocks; nor does a push that came early or
    // late after the one before, in a burst or held up.
    if (regular && (positionBlocks_ > SeatBlocks || rateBlocks_ < SeatBlocks))
        rate_ += RateGain(++rateBlocks_) * miss;
    return {true, stepped};
}

// A step of the read count: the regular pushes' reads, less the slope's advance, averaged over
// the latest StepWindow of them against as many before them. The difference peaks where the
// step lies between the two windows; once it has fallen to half that peak, the line takes the
// step up from where it was before it, with the slope it had then: what the pushes since taught
// it came of the step. A difference that does not fall within a window's pushes is no step.
// The fill stepped with it (the capture lost or gained sound: PipeWire, its graph run late, drops
// or repeats a quantum of one stream): true for a step taken, so that the fill it leaves is
// settled on as after a lost line, not steered away at the pitch's cost.
bool ReadCountLine::TakeAStep(double read)
{
    recentReads_[recentRegular_++ % recentReads_.size()] = {positionBlocks_, read - stepsTaken_, position_, rate_, rateBlocks_};
    if (recentRegular_ < recentReads_.size() || rateBlocks_ < SeatBlocks)
        return false;
    const double difference = WindowsApart();
    if (std::abs(difference) > std::abs(stepPeak_) || recentRegular_ - stepPeakAt_ >= StepWindow) {
        stepPeak_ = difference;
        stepPeakAt_ = recentRegular_;
    }
    if (std::abs(stepPeak_) <= StepBlocks * blockFrames_ || std::abs(difference) > std::abs(stepPeak_) / 2)
        return false;
    const size_t firstAfter = stepPeakAt_ - StepWindow;
    const RegularRead& before = recentReads_[firstAfter % recentReads_.size()];
    rate_ = before.Rate;
    rateBlocks_ = before.RateBlocks;
    position_ = before.Position + static_cast<double>(positionBlocks_ - before.Push) * rate_ + stepPeak_;
    for (size_t k = firstAfter; k < recentRegular_; ++k)
        recentReads_[k % recentReads_.size()].Read -= stepPeak_;
    stepsTaken_ += stepPeak_;
    stepPeak_ = 0;
    return true;
}

// The mean read of the latest window of regular reads less that of the window before, less the
// slope's advance between them.
double ReadCountLine::WindowsApart() const
{
    double difference = 0;
    for (size_t k = 1; k <= StepWindow; ++k) {
        const RegularRead& newer = recentReads_[(recentRegular_ - k) % recentReads_.size()];
        const RegularRead& older = recentReads_[(recentRegular_ - StepWindow - k) % recentReads_.size()];
        difference += newer.Read - older.Read - static_cast<double>(newer.Push - older.Push) * rate_;
    }
    return difference / StepWindow;
}

// A whole run of pushes missed the line. Where the misses grew along the run, its slope was
// wrong (learnt from pushes that only seemed regular): it is learnt afresh. Otherwise the fill
// stepped, as when the capture lost or gained sound without a hole in the playback: the new
// fill is where the device settles, as after a hole, not an error to steer away.
void ReadCountLine::Lose(double read, double lastMiss)
{
    if (std::abs(lastMiss - firstOutlierMiss_) > OutlierBlocks * blockFrames_)
        rateBlocks_ = 0;
    Seat(read);
}

// The line starts again from the device's read count, keeping its slope.
void ReadCountLine::Seat(double read)
{
    positionBlocks_ = 1;
    outliersInARow_ = 0;
    position_ = read;
    rateBlocks_ = std::max<int64_t>(rateBlocks_, 1);
    recentRegular_ = 0;
    stepPeak_ = 0;
    stepsTaken_ = 0;
}
