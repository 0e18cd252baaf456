#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The straight line through a playback device's read counts, one read at each pushed block: a
// least-squares fit (an alpha-beta filter with growing, then fading memory) whose slope is the
// frames the device reads per pushed block, the clock ratio, and whose value is the read count
// without the jitter of the threads' wake-ups. Only a regular push (one that came about a
// block's time after the one before) teaches the slope. A read that misses the line far is
// ignored, and a run of them is a line that lost the device, which starts again from where the
// device is; a step of the reads too small for that is taken up at once, without leaning the
// slope. Both tell that the fill moved with the reads.
class ReadCountLine
{
public:
    // A run of this many reads that miss the line far lost it.
    static constexpr int64_t LostOutliers = 16;

    struct Outcome
    {
        bool Followed = false;    // false for a read the line ignored
        bool FillMoved = false;   // the reads stepped, or the line was lost and seated afresh
    };

    // A line at 0 with a slope of a block per block, resting on no read: the first read seats it.
    void Reset(int32_t blockFrames);
    // The next read seats the line afresh, where the device is, keeping its slope.
    void Reseat() { positionBlocks_ = 0; }
    Outcome Follow(double read, bool regular);

    double Position() const { return position_; }          // the read count at the latest read
    double Rate() const { return rate_; }                  // frames read per pushed block
    int64_t PositionBlocks() const { return positionBlocks_; }   // reads since it was seated
    int64_t RateBlocks() const { return rateBlocks_; }     // reads its slope rests on

private:
    // A regular read, less the steps taken since, and the line as it was before that read
    // moved it.
    struct RegularRead
    {
        int64_t Push = 0;       // positionBlocks_
        double Read = 0;
        double Position = 0;
        double Rate = 0;
        int64_t RateBlocks = 0;
    };
    static constexpr size_t StepWindow = 16;

    void Seat(double read);
    void Lose(double read, double lastMiss);
    bool TakeAStep(double read);
    double WindowsApart() const;

    int32_t blockFrames_ = 0;
    double position_ = 0;
    double rate_ = 0;
    int64_t positionBlocks_ = 0;
    int64_t rateBlocks_ = 0;
    int64_t outliersInARow_ = 0;   // reads in a row that missed it far
    double firstOutlierMiss_ = 0;  // by how much the first of them missed
    // The latest regular reads since the line was seated, two windows of them; the largest
    // difference of the windows seen since the latest step, and the read it was seen at.
    std::array<RegularRead, 2 * StepWindow> recentReads_{};
    size_t recentRegular_ = 0;
    double stepPeak_ = 0;
    size_t stepPeakAt_ = 0;
    double stepsTaken_ = 0;
};
