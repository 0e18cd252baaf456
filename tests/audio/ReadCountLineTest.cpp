#include "audio/ReadCountLine.h"

#include <gtest/gtest.h>

#include <random>

namespace {

constexpr int32_t Block = 2048;

// A device's read count at each push: slope frames a push, plus an offset (a step or a burst)
// and a seeded jitter of up to jitter blocks either way.
class Reads
{
public:
    Reads(double slope, double jitter) : slope_(slope), jitter_(jitter * Block) {}
    double Next(double offsetBlocks = 0)
    {
        const double read = slope_ * static_cast<double>(push_++) + stepped_ + offsetBlocks * Block;
        return read + jitter_ * (2 * uniform_(rng_) - 1);
    }
    double Now() const { return slope_ * static_cast<double>(push_ - 1) + stepped_; }
    void Step(double blocks) { stepped_ += blocks * Block; }

private:
    double slope_;
    double jitter_;
    double stepped_ = 0;
    int64_t push_ = 0;
    std::mt19937 rng_{7};
    std::uniform_real_distribution<double> uniform_;
};

ReadCountLine FollowedFor(int pushes, Reads& reads)
{
    ReadCountLine line;
    line.Reset(Block);
    for (int k = 0; k < pushes; ++k)
        EXPECT_TRUE(line.Follow(reads.Next(), true).Followed);
    return line;
}

} // namespace

TEST(ReadCountLine, FindsTheClockRatioAndLetsOnlyRegularPushesTeachIt)
{
    Reads reads(Block * (1 + 2e-4), 0.1);
    ReadCountLine line = FollowedFor(2000, reads);
    EXPECT_NEAR(line.Rate() / Block, 1 + 2e-4, 1e-5);
    EXPECT_NEAR(line.Position(), reads.Now(), 0.02 * Block);

    // A burst and a hold-up, within an outlier's reach: the position follows, the slope not.
    const double rate = line.Rate();
    const int64_t rateBlocks = line.RateBlocks();
    for (int k = 0; k < 20; ++k)
        EXPECT_TRUE(line.Follow(reads.Next(0.02 * k), false).Followed);
    EXPECT_EQ(rate, line.Rate());
    EXPECT_EQ(rateBlocks, line.RateBlocks());
}

TEST(ReadCountLine, IgnoresAFarMissAndIsLostOnlyByAWholeRunOfThem)
{
    Reads reads(Block, 0);
    ReadCountLine line = FollowedFor(200, reads);
    const int64_t rateBlocks = line.RateBlocks();
    for (int k = 1; k < ReadCountLine::LostOutliers; ++k) {
        const ReadCountLine::Outcome outcome = line.Follow(reads.Next(1), true);
        EXPECT_FALSE(outcome.Followed);
        EXPECT_FALSE(outcome.FillMoved);
        EXPECT_DOUBLE_EQ(line.Position(), reads.Now());   // goes on as it was, past the miss
    }
    const double read = reads.Next(1);
    const ReadCountLine::Outcome lost = line.Follow(read, true);
    EXPECT_TRUE(lost.FillMoved);
    EXPECT_EQ(read, line.Position());
    EXPECT_EQ(1, line.PositionBlocks());
    EXPECT_EQ(rateBlocks, line.RateBlocks());   // the misses stood still: the slope holds

    // Misses that grow along the run tell of a wrong slope: it is learnt afresh.
    line = FollowedFor(200, reads);
    for (int k = 0; k < ReadCountLine::LostOutliers; ++k)
        line.Follow(reads.Next(0.6 + 0.1 * k), true);
    EXPECT_EQ(1, line.RateBlocks());

    line.Reseat();
    EXPECT_TRUE(line.Follow(123.0, true).Followed);
    EXPECT_EQ(123.0, line.Position());
}

TEST(ReadCountLine, TakesUpAStepTooSmallForAnOutlierWithoutLeaningItsSlope)
{
    const double slope = Block * (1 - 1e-4);
    Reads reads(slope, 0.02);
    ReadCountLine line = FollowedFor(300, reads);
    reads.Step(0.3);
    int moved = 0;
    for (int k = 0; k < 60; ++k)
        moved += line.Follow(reads.Next(), true).FillMoved ? 1 : 0;
    EXPECT_EQ(1, moved);
    EXPECT_NEAR(line.Position(), reads.Now(), 0.02 * Block);
    EXPECT_NEAR(line.Rate() / slope, 1, 5e-5);
}
