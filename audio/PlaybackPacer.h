#pragma once

#include "platform/SoundBackend.h"

#include <cstdint>

// Keeps playback in step with capture, one played block for each captured one, when the
// two devices run on different clocks or either of them was held up. It watches how many
// blocks wait in the staging ring at each playback notification (the block about to be
// played included) and, at the end of every window of WindowBlocks notifications, looks
// at the fewest that waited during that window:
// - two or more above Reserve: the blocks beyond Reserve are dropped at once. Only a stall
//   or a late start leaves that many; the sound was broken there anyway, and the delay
//   goes back to normal instead of staying long for the rest of the session.
// - one above Reserve: each block of the next window is played shorter by a few frames
//   (its last frames are left out);
// - below Reserve: each block of the next window is played longer by a few frames (its
//   last frame is repeated);
// - at Reserve: blocks are played as they are.
// The frames added or left out start at 1 a block and grow by 1 for each further window
// that needs a change in the same direction, up to MaxAdjustFrames: 4 frames of 2048 are
// 0.2 %, twice the largest drift between two sound cards' clocks (0.1 %), while a small
// drift is mended by single frames now and then.
class PlaybackPacer
{
public:
    static constexpr int32_t WindowBlocks = 32;
    static constexpr int32_t Reserve = 2;
    static constexpr int32_t MaxAdjustFrames = SoundBackend::MaxBlockAdjustFrames;

    struct Step
    {
        int32_t DropBlocks = 0;     // the oldest queued blocks to leave out before playing
        int32_t AdjustFrames = 0;   // frames to add to (> 0) or leave out of (< 0) the block played
    };

    // A fresh start: no window seen yet.
    void Reset();
    // One playback notification, with the blocks queued in the ring.
    Step Next(int32_t queuedBlocks);

private:
    int32_t seen_ = 0;
    int32_t fewest_ = 0;
    int32_t adjust_ = 0;
};
