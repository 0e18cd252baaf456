#include "platform/CaptureRing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <numeric>
#include <thread>
#include <vector>

namespace {

constexpr size_t Block = 8;

std::vector<int16_t> Counting(int16_t first, size_t count)
{
    std::vector<int16_t> samples(count);
    std::iota(samples.begin(), samples.end(), first);
    return samples;
}

TEST(CaptureRing, HandsOnWholeBlocksOfPiecesInOrderAcrossItsEnd)
{
    CaptureRing ring;
    ring.Configure(Block, 2);
    std::vector<int16_t> block(Block);
    int16_t next = 0;
    for (int round = 0; round < 5; ++round) {
        for (const size_t piece : {3u, 6u, 7u}) {   // two blocks, in pieces that straddle them
            EXPECT_EQ(ring.Push(Counting(next, piece).data(), piece), 0u);
            next = static_cast<int16_t>(next + piece);
        }
        for (int k = 0; k < 2; ++k) {
            ASSERT_TRUE(ring.Pop(block));
            EXPECT_EQ(block, Counting(static_cast<int16_t>(next - 16 + 8 * k), Block));
        }
        EXPECT_FALSE(ring.HasBlock());
        EXPECT_FALSE(ring.Pop(block));
    }
    ring.Push(nullptr, Block);   // a hole is silence
    ASSERT_TRUE(ring.Pop(block));
    EXPECT_EQ(block, std::vector<int16_t>(Block, 0));
}

TEST(CaptureRing, DropsTheOldestWholeBlocksWhenFull)
{
    CaptureRing ring;
    ring.Configure(Block, 4);
    EXPECT_EQ(ring.Push(Counting(0, 28).data(), 28), 0u);
    EXPECT_EQ(ring.Push(Counting(28, 20).data(), 20), 2 * Block);   // 48 samples: blocks 0 and 1 go
    std::vector<int16_t> block(Block);
    for (int16_t first : {16, 24, 32, 40}) {
        ASSERT_TRUE(ring.Pop(block));
        EXPECT_EQ(block, Counting(first, Block));
    }
    EXPECT_FALSE(ring.Pop(block));
    // More than it holds at once: its newest samples.
    ring.Reset();
    EXPECT_EQ(ring.Push(Counting(0, 40).data(), 40), 8u);
    ASSERT_TRUE(ring.Pop(block));
    EXPECT_EQ(block, Counting(8, Block));
}

// The client thread pushes a count in pieces of every size while the main thread takes
// blocks and often falls behind: every block taken is a run of the count, each later than
// the one before, every sample pushed was either taken or counted as dropped, and the ring
// still hands on what is pushed after all that.
TEST(CaptureRing, ConsumerOnAnotherThreadTakesUnbrokenRunsOfRecentSamples)
{
    constexpr int Pieces = 200000;
    CaptureRing ring;
    ring.Configure(Block, 4);
    std::atomic<bool> done{false};
    size_t pushed = 0;
    size_t dropped = 0;
    std::thread producer([&] {
        std::vector<int16_t> piece(2 * Block);
        int16_t next = 0;
        for (int i = 0; i < Pieces; ++i) {
            const size_t count = static_cast<size_t>(i % 13) + 1;
            std::iota(piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(count), next);
            dropped += ring.Push(piece.data(), count);
            pushed += count;
            next = static_cast<int16_t>(next + count);
        }
        done = true;
    });
    std::vector<int16_t> block(Block);
    size_t taken = 0;
    int64_t last = -static_cast<int64_t>(Block);
    bool broken = false;
    while (!done || ring.HasBlock()) {
        if (!ring.Pop(block))
            continue;
        for (size_t k = 1; k < Block; ++k)
            broken |= static_cast<int16_t>(block[k - 1] + 1) != block[k];
        // The count wraps at 16 bits; successive blocks are never that far apart here.
        int64_t first = (last & ~int64_t{0xffff}) + static_cast<uint16_t>(block[0]);
        if (first < last)
            first += 0x10000;
        broken |= first < last + static_cast<int64_t>(Block);
        last = first;
        taken += Block;
        if (taken % 512 == 0)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    producer.join();
    EXPECT_FALSE(broken);
    EXPECT_GT(dropped, 0u);
    ASSERT_LE(taken + dropped, pushed);
    const size_t left = pushed - taken - dropped;
    ASSERT_LT(left, Block);
    ring.Push(Counting(0, Block).data(), Block);
    ASSERT_TRUE(ring.Pop(block));
    EXPECT_EQ(block.back(), static_cast<int16_t>(Block - left - 1));
}

} // namespace
