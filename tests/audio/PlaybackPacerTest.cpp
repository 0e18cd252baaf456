#include "audio/PlaybackPacer.h"
#include "audio/QELVODX8.h"
#include "audio/frmDX8Events.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakeSoundBackend.h"
#include "MainWindowSoundFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// The steps of one window in which the given number of blocks waited every time.
std::vector<PlaybackPacer::Step> Window(PlaybackPacer& pacer, int32_t queued)
{
    std::vector<PlaybackPacer::Step> steps;
    for (int k = 0; k < PlaybackPacer::WindowBlocks; ++k)
        steps.push_back(pacer.Next(queued));
    return steps;
}

TEST(PlaybackPacer, HoldsTheReserveAndMendsBySingleFramesGrowingWithTheDrift)
{
    PlaybackPacer pacer;
    for (const PlaybackPacer::Step& step : Window(pacer, PlaybackPacer::Reserve))
        EXPECT_EQ(step.DropBlocks + step.AdjustFrames, 0);

    // One spare block: each following window leaves out one frame more, up to the most.
    std::vector<int32_t> adjusts;
    for (int window = 0; window < 6; ++window)
        adjusts.push_back(Window(pacer, PlaybackPacer::Reserve + 1).back().AdjustFrames);
    EXPECT_EQ(adjusts, (std::vector<int32_t>{-1, -2, -3, -4, -4, -4}));
    EXPECT_EQ(Window(pacer, PlaybackPacer::Reserve + 1).front().AdjustFrames, -4) << "kept through the window";

    // A block short: the other way, starting small again; back at the reserve: as they are.
    EXPECT_EQ(Window(pacer, PlaybackPacer::Reserve - 1).back().AdjustFrames, 1);
    EXPECT_EQ(Window(pacer, PlaybackPacer::Reserve - 1).back().AdjustFrames, 2);
    EXPECT_EQ(Window(pacer, 0).back().AdjustFrames, 3);
    EXPECT_EQ(Window(pacer, PlaybackPacer::Reserve).back().AdjustFrames, 0);
}

TEST(PlaybackPacer, DropsWhatPiledUpOnlyWhenAWholeWindowHadItSpare)
{
    PlaybackPacer pacer;
    std::vector<PlaybackPacer::Step> steps = Window(pacer, 7);
    EXPECT_TRUE(std::all_of(steps.begin(), steps.end() - 1, [](const auto& step) { return step.DropBlocks == 0; }));
    EXPECT_EQ(steps.back().DropBlocks, 7 - PlaybackPacer::Reserve);
    EXPECT_EQ(steps.back().AdjustFrames, 0);

    // The fewest of the window counts: one moment at the reserve keeps every block.
    for (int k = 0; k < PlaybackPacer::WindowBlocks; ++k) {
        const PlaybackPacer::Step step = pacer.Next(k == 5 ? PlaybackPacer::Reserve : 8);
        EXPECT_EQ(step.DropBlocks, 0);
    }
}

// Two devices on their own clocks through the engine, in simulated time: capture hands
// over its blocks two at a time, as a sound server does, at a rate off by the given
// fraction; playback drains a four-block buffer at the nominal rate and asks for a block
// whenever one fits. Hours of it must pass without a silent block, a dropped one or a
// restart once the start is over.
class TwoClocks : public ::testing::TestWithParam<double>
{
protected:
    static constexpr int32_t N = 2048;
    static constexpr double Rate = 48000.0;
    static constexpr double DeviceFrames = 4.0 * N;

    TwoClocks()
    {
        UseMainWindowSoundFormat(engine);
        backend.KeepWrittenSamples = false;
        QObject::connect(&engine, &QELVODX8::DataReady, [this](std::span<int16_t> left, std::span<int16_t>, int32_t count) {
            engine.Output(left, left, count);
        });
    }

    FakeSoundBackend backend;
    FakeMessageBoxes boxes;
    QELVODX8 engine{backend};
    frmDX8Events events{engine};
};

TEST_P(TwoClocks, AreKeptInStepForHoursWithoutAGapADropOrARestart)
{
    const double captureRate = Rate * (1.0 + GetParam());
    const double pairSeconds = 2.0 * N / captureRate;
    const double warmUpSeconds = 60.0;
    const double hours = 2.0;
    const std::vector<int16_t> block(2 * N, 1000);

    engine.StartSound();
    int32_t captured = 0;
    double nextPair = pairSeconds;
    double deviceFrames = 0, lastDrain = 0;   // the playback buffer, running once started
    bool playing = false;
    int64_t silentBlocks = 0, deviceRanDry = 0;
    int64_t capturedSinceWarmUp = -1, writtenSinceWarmUp = 0;
    const auto drainTo = [&](double now) {
        if (playing) {
            deviceFrames -= (now - lastDrain) * Rate;
            deviceRanDry += deviceFrames < 0;
            deviceFrames = std::max(deviceFrames, 0.0);
        }
        lastDrain = now;
    };
    for (double now = 0; now < hours * 3600; ) {
        // The next moment the buffer has room for a block, or the next pair captured.
        const double roomAt = playing ? lastDrain + (deviceFrames - (DeviceFrames - N)) / Rate : nextPair;
        if (nextPair <= roomAt) {
            now = nextPair, nextPair += pairSeconds;
            drainTo(now);
            for (int k = 0; k < 2; ++k)
                backend.DeliverCaptureBlock(captured++ % 2, block);
            if (now > warmUpSeconds)
                capturedSinceWarmUp = capturedSinceWarmUp < 0 ? 0 : capturedSinceWarmUp + 2;
            if (!playing && backend.Of(SoundDirection::Playback).Running)
                playing = true, deviceFrames = DeviceFrames;   // started from a full buffer of silence
            continue;
        }
        now = std::max(roomAt, now);
        drainTo(now);
        const size_t writes = backend.Writes.size();
        backend.FreePlaybackBlock(0);
        const bool written = backend.Writes.size() > writes;
        deviceFrames += written ? backend.LastWrittenFrames : N;
        if (capturedSinceWarmUp >= 0) {
            silentBlocks += !written;
            writtenSinceWarmUp += written;
        }
    }
    EXPECT_EQ(silentBlocks, 0);
    // Each block captured was played, but for the few the ring holds: none was dropped.
    EXPECT_NEAR(static_cast<double>(writtenSinceWarmUp), static_cast<double>(capturedSinceWarmUp), 8.0);
    EXPECT_EQ(deviceRanDry, 0);
    EXPECT_EQ(backend.Of(SoundDirection::Playback).Stops, 0);
    EXPECT_TRUE(boxes.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(CaptureFastOrSlow, TwoClocks, ::testing::Values(0.001, -0.001, 0.0002, 0.0));

} // namespace
