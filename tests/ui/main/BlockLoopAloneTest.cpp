#include "audio/QELVODX8.h"
#include "audio/clsWavFile.h"
#include "dsp/ReceiveChainRig.h"
#include "fakes/FakePerfCounter.h"
#include "ui/main/BlockLoop.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

std::vector<int16_t> Ramp(int16_t first, size_t length = BlockSize)
{
    std::vector<int16_t> block(length);
    std::iota(block.begin(), block.end(), first);
    return block;
}

// The loop alone, with no window, no sound card and no recorder (their holders stay empty):
// the DRM chain passes the block through, so that what comes out is what went in times the
// output gain.
class BlockLoopAlone : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FlipIQ = PhaseBitCorrection = Mute = MuteAFOnDRM = PerfStatsOn = false;
        InPeakIndex = OutPeakIndex = 0;
        InPeakRing.fill(0);
        OutPeakRing.fill(0);
        OutputAttenuation = 2.0f;
    }
    void TearDown() override { DSPProfiler.reset(); }

    ReceiveChainRig chain{DemodModeEnum::DRM};
    std::unique_ptr<QELVODX8> soundCard;
    std::unique_ptr<clsWavFile> wavFile;
    BlockLoop loop{soundCard, wavFile};
};

// The block comes back processed in place, from the channel FlipIQ chooses, and its peaks
// before and after go to the statistics rings.
TEST_F(BlockLoopAlone, ABlockInComesOutProcessedInPlaceFromTheChosenChannel)
{
    PerfStatsOn = true;
    for (const bool flip : {false, true}) {
        FlipIQ = flip;
        std::vector<int16_t> left = Ramp(0), right = Ramp(-3000);
        loop.ProcessCapturedBlock(left, right);
        EXPECT_EQ(flip ? right[1000] : left[1000], flip ? -4000 : 2000) << flip;
        EXPECT_EQ(flip ? left[1000] : right[1000], flip ? 1000 : -2000) << flip << " the other channel stays";
    }
    EXPECT_EQ(InPeakRing[0], BlockSize - 1);
    EXPECT_EQ(OutPeakRing[0], 2 * (BlockSize - 1));
    EXPECT_EQ(InPeakIndex, 2);
    EXPECT_EQ(loop.DroppedBlocks, 0);
}

// A block arriving while the previous one lets the window system run (it took 40 ms of its
// 42.7) finds the loop busy and is dropped untouched, as is a short block; both are counted.
TEST_F(BlockLoopAlone, ABlockFindingTheLoopBusyOrTooShortIsDroppedUntouchedAndCounted)
{
    FakePerfCounter counter(1000000, 40000);
    DSPProfiler = std::make_unique<Profiler>();
    std::vector<int16_t> left = Ramp(0), right = Ramp(0);
    std::vector<int16_t> nestedLeft = Ramp(7), nestedRight = Ramp(7);
    bool busyInside = false;
    QTimer::singleShot(0, [&] {
        busyInside = loop.Busy();
        loop.ProcessCapturedBlock(nestedLeft, nestedRight);
    });
    loop.ProcessCapturedBlock(left, right);
    EXPECT_TRUE(busyInside);
    EXPECT_FALSE(loop.Busy());
    EXPECT_EQ(loop.DroppedBlocks, 1);
    EXPECT_EQ(nestedLeft, Ramp(7));
    EXPECT_EQ(left[10], 20) << "the first block was processed";

    IQModeOn = true;
    std::vector<int16_t> shortLeft = Ramp(0, 100), shortRight = Ramp(0, 100);
    loop.ProcessCapturedBlock(shortLeft, shortRight);
    IQModeOn = false;
    EXPECT_EQ(loop.DroppedBlocks, 2);
    EXPECT_EQ(shortLeft, Ramp(0, 100));
}

// Played blocks arm one redraw however many arrive before it runs; the off-receiver timer
// redraws too, and neither runs a redraw that was taken away.
TEST_F(BlockLoopAlone, PlayedBlocksArmOneRedrawOfTheAnalyser)
{
    int redraws = 0;
    loop.UpdateScopeDisplay = [&] { ++redraws; };
    loop.BlockPlayed();
    loop.BlockPlayed();
    EXPECT_TRUE(loop.tmrScopeDisplay.isSingleShot());
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(redraws, 1);
    loop.tmrSpectrumDisplay_Timer();
    EXPECT_EQ(redraws, 2);
    loop.UpdateScopeDisplay = nullptr;
    loop.BlockPlayed();
    QCoreApplication::processEvents();
    EXPECT_EQ(redraws, 2);
}

} // namespace
