#include "audio/PlaybackBridge.h"

#include <zita-resampler/vresampler.h>

#include <algorithm>
#include <cmath>

// The main thread's pushes: each block into the FIFO, copied, or through the resampler once
// the ratio has left 1, and the time of each, which tells the device's side of a hold-up's
// backlog and the steering which pushes came at the capture's pace.
namespace {

int16_t ToSample(float value)
{
    return static_cast<int16_t>(std::clamp(std::lrint(value), -32768L, 32767L));
}

} // namespace

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
    regularPush_ = regular || irregularPushes_ > ReadCountLine::LostOutliers;
    if (last != 0 && now - last > longestGapNanoseconds_)
        backlogEnd_.store(written_.load(std::memory_order_relaxed) + FramesIn(now - last) - blockFrames_ / 2, std::memory_order_release);
    else if (last != 0 && 4 * (now - last) >= 3 * blockNanoseconds)
        pacedPushes_.fetch_add(1, std::memory_order_release);
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
