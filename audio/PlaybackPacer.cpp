#include "audio/PlaybackPacer.h"

#include <algorithm>

void PlaybackPacer::Reset()
{
    seen_ = 0;
    fewest_ = 0;
    adjust_ = 0;
}

PlaybackPacer::Step PlaybackPacer::Next(int32_t queuedBlocks)
{
    fewest_ = seen_ == 0 ? queuedBlocks : std::min(fewest_, queuedBlocks);
    Step step;
    if (++seen_ == WindowBlocks) {
        const int32_t spare = fewest_ - Reserve;
        if (spare >= 2) {
            step.DropBlocks = spare;
            adjust_ = 0;
        } else if (spare == 0) {
            adjust_ = 0;
        } else {
            // -1 for a spare block, +1 for a missing one; a change of direction starts small.
            const int32_t direction = spare > 0 ? -1 : 1;
            adjust_ = adjust_ * direction > 0 ? std::clamp(adjust_ + direction, -MaxAdjustFrames, MaxAdjustFrames) : direction;
        }
        seen_ = 0;
    }
    step.AdjustFrames = adjust_;
    return step;
}
