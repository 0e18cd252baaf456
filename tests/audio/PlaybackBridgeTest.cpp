#include "PlaybackBridgeRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <tuple>
#include <vector>

namespace {

// The clocks apart by the first parameter, over an hour, the device taking the second's
// frames at a time: once the ratio moves off 1, it bends the pitch by no more than 0.05 %
// beyond the clock ratio (give or take the clock ratio's error when first trusted); after the
// first three minutes the fill stays within a block of its target, nothing is left out or
// added, and the tone keeps its purity and its pitch (measured in every 32nd window, to keep
// the test fast).
class PlaybackBridgeDrift : public ::testing::TestWithParam<std::tuple<double, int32_t>>
{
};

TEST_P(PlaybackBridgeDrift, KeepsTheFillAtItsTargetAndTheToneCleanForAnHour)
{
    const auto [drift, fillFrames] = GetParam();
    const int64_t settledBlock = 3 * BlocksPerMinute;
    const int64_t settled = WindowOf(settledBlock) + 1;
    Listener listener(1, NominalRate * (1 + drift), [&](int64_t window) { return window >= settled && window % 32 == 0; });
    Rig rig({.PlaybackDrift = drift, .FillFrames = fillFrames}, listener);

    bool steered = false;
    double worstBend = 0;
    rig.Run(settledBlock, [&] {
        steered = steered || rig.bridge.Ratio() != 1.0;
        if (steered)
            worstBend = std::max(worstBend, std::abs(rig.bridge.Ratio() - (1 + drift)));
    });
    EXPECT_TRUE(steered);
    EXPECT_LE(worstBend, 5e-4 + 3e-4) << "0.05 %, and the clock ratio's error when first trusted";
    int64_t worstFill = 0;
    rig.Run(BlocksPerHour - settledBlock, [&] { worstFill = std::max(worstFill, std::abs(rig.OffTarget())); });

    EXPECT_LE(worstFill, BlockFrames + fillFrames / 2);
    const PlaybackBridge::Events events = rig.bridge.TakeEvents();
    EXPECT_EQ(events.SilentFrames, 0);
    EXPECT_EQ(events.TrimmedFrames, 0);
    EXPECT_EQ(events.DroppedFrames, 0);
    EXPECT_EQ(listener.Holes(), 0);
    EXPECT_LE(listener.SharpestBend(), 150) << "a seam where the resampler took over, or a step";

    ASSERT_GT(listener.Fits().size(), 60u);
    const double settledHz = listener.Fits().front().Fit.FrequencyHz;
    EXPECT_NEAR(settledHz, ToneHz, 1e-4 * ToneHz) << "the pitch as captured";
    for (const Listener::Measured& measured : listener.Fits()) {
        EXPECT_GE(measured.Fit.SnrDb, 70) << "window " << measured.Index;
        EXPECT_NEAR(measured.Fit.FrequencyHz, settledHz, 1e-4 * settledHz) << "window " << measured.Index;
    }
}

INSTANTIATE_TEST_SUITE_P(ClocksApart, PlaybackBridgeDrift,
                         ::testing::Combine(::testing::Values(0.001, -0.001, 0.005, -0.005), ::testing::Values(480, 1024, 2048)));

// One clock for both sides, the device taking the parameter's frames at a time: the ratio
// locks and never moves again, and every window after the first, where the sound starts, is
// pure.
class PlaybackBridgeSameClock : public ::testing::TestWithParam<int32_t>
{
};

TEST_P(PlaybackBridgeSameClock, GivesAPureToneAndAStillRatio)
{
    Listener listener(1, NominalRate, [](int64_t window) { return window >= 1; });
    Rig rig({.FillFrames = GetParam()}, listener);

    int64_t lockedPushes = 0;
    double lockedRatio = 0;
    rig.Run(Blocks(180), [&] {
        if (lockedPushes > 0) {
            EXPECT_TRUE(rig.bridge.Locked());
            EXPECT_EQ(rig.bridge.Ratio(), lockedRatio);
        }
        if (rig.bridge.Locked() && lockedPushes++ == 0)
            lockedRatio = rig.bridge.Ratio();
    });

    EXPECT_GT(lockedPushes, Blocks(150));
    for (const Listener::Measured& measured : listener.Fits())
        EXPECT_GE(measured.Fit.SnrDb, 80) << "window " << measured.Index;
    EXPECT_EQ(listener.Holes(), 0);
}

INSTANTIATE_TEST_SUITE_P(DeviceCalls, PlaybackBridgeSameClock, ::testing::Values(480, 1024, 2048));

// A sound card that takes two blocks at a call out of a buffer of three: its calls, as far apart
// as they are, are no hold-up, and its sound is never broken or trimmed.
TEST(PlaybackBridgeSameClockLargeCalls, AreNoHoldUp)
{
    Listener listener(1, NominalRate, [](int64_t window) { return window >= 1; });
    Rig rig({.FillFrames = 2 * BlockFrames, .DeviceFrames = 3 * BlockFrames}, listener);
    rig.Run(Blocks(60), [&] { ASSERT_EQ(rig.bridge.Ratio(), 1.0); });
    const PlaybackBridge::Events events = rig.bridge.TakeEvents();
    EXPECT_EQ(events.SilentFrames + events.TrimmedFrames, 0);
    EXPECT_EQ(listener.Holes(), 0);
    for (const Listener::Measured& measured : listener.Fits())
        EXPECT_GE(measured.Fit.SnrDb, 80) << "window " << measured.Index;
}

// A device that takes a block more at once as its sound starts: that block is where it
// settles, not an error to steer away, and after a hole the sound comes back at the same fill.
// The ratio never leaves 1, and the tone stays pure but where the sound starts and breaks.
TEST(PlaybackBridgeStartOffset, IsKeptAsTheTargetAndFoundAgainAfterAHole)
{
    constexpr int32_t CallFrames = 1024;
    const int64_t stallBlock = Blocks(30);
    const auto measure = [&](int64_t window) { return window >= 1 && std::abs(window - WindowOf(stallBlock)) > 1; };
    Listener listener(1, NominalRate, measure);
    Rig rig({.FillFrames = CallFrames, .StartBurst = BlockFrames / CallFrames}, listener);
    const int32_t nominalTarget = rig.bridge.TargetFrames();
    const auto stillRatio = [&] {
        EXPECT_TRUE(rig.bridge.Locked());
        EXPECT_EQ(rig.bridge.Ratio(), 1.0);
    };

    rig.Run(stallBlock, stillRatio);
    EXPECT_NEAR(rig.bridge.TargetFrames(), nominalTarget - BlockFrames, CallFrames);
    rig.HoldMainThread(0.3);
    rig.Run(Blocks(30), stillRatio);
    EXPECT_EQ(listener.Holes(), 1);
    int64_t worstFill = 0;
    rig.Run(Blocks(30), [&] {
        stillRatio();
        worstFill = std::max(worstFill, std::abs(rig.OffTarget()));
    });

    EXPECT_LE(worstFill, BlockFrames / 2);
    EXPECT_EQ(listener.Holes(), 1);
    for (const Listener::Measured& measured : listener.Fits())
        EXPECT_GE(measured.Fit.SnrDb, 80) << "window " << measured.Index;
}

// Wherever the device's calls fall against the pushes, the sound starts within a call of the
// target (give or take the threads' wake-ups), as the bridge finds when it first trusts its
// reading of the fill and keeps it as the target.
TEST(PlaybackBridgeStartOffset, IsWithinACallAtAnyPhaseOfTheCalls)
{
    for (const int32_t fillFrames : {480, 1024, 2048}) {
        for (int32_t phase = 0; phase < 16; ++phase) {
            Listener listener(1, NominalRate, [](int64_t) { return false; });
            Rig rig({.FillFrames = fillFrames, .CaptureStart = 0.5 + phase * fillFrames / NominalRate / 16}, listener);
            const int32_t nominalTarget = rig.bridge.TargetFrames();
            rig.Run(Blocks(7.0));
            EXPECT_NEAR(rig.bridge.TargetFrames(), nominalTarget, fillFrames + Frames(0.003))
                << fillFrames << "-frame calls, phase " << phase << "/16";
        }
    }
}

// No capture for the first 3 s: silence, not counted as a hole, until the FIFO holds its
// target; then the sound, unbroken and whole.
TEST(PlaybackBridgeLateCapture, WaitsForItsTarget)
{
    Listener listener(2, NominalRate, [](int64_t window) { return window >= 2; });
    Rig rig({.Channels = 2, .CaptureStart = 3.0}, listener);
    const int32_t target = rig.bridge.TargetFrames();

    rig.Run(Blocks(30));

    // The sound starts at the first call at which the two blocks queued, and the silence
    // played since the second was pushed (a block's time after the first), make the target:
    // the target's worth of time after that push, then up to two calls more, as the silence
    // is counted in whole calls and the first comes up to a call after the push.
    const int64_t start = Frames(3.0) + BlockFrames + (target - 2 * BlockFrames);
    EXPECT_NEAR(static_cast<double>(listener.FramesBeforeSound()), static_cast<double>(start + 480), 480 + Frames(0.003));
    const PlaybackBridge::Events events = rig.bridge.TakeEvents();
    EXPECT_EQ(events.SilentFrames, 0);
    EXPECT_EQ(events.TrimmedFrames, 0);
    EXPECT_EQ(listener.Holes(), 0);
    EXPECT_EQ(listener.SplitFrames(), 0);
    EXPECT_EQ(rig.bridge.Ratio(), 1.0);
    for (const Listener::Measured& measured : listener.Fits())
        EXPECT_GE(measured.Fit.SnrDb, 80) << "window " << measured.Index;
}

// A sound server's sink that had rendered two seconds ahead when the stream came plays that out
// before it takes the stream's sound: the device's first call comes 2 s after the first push.
// Nothing pushed meanwhile is dropped for want of room, and the sound starts at that call with
// the newest, at the target, told as a late start rather than as sound dropped or silence; it
// goes on unbroken and pure. A hold-up later is told as one again.
TEST(PlaybackBridgeLateDevice, StartsWithTheNewestSoundAndDropsNothing)
{
    constexpr double DeviceStart = 2.0;
    Listener listener(2, NominalRate, [](int64_t window) { return window >= 1 && window < 8; });
    Rig rig({.Channels = 2, .DeviceStart = DeviceStart}, listener);
    const int64_t target = rig.bridge.TargetFrames();

    int64_t worstFill = 0;
    rig.Run(Blocks(DeviceStart + 0.5));
    rig.Run(Blocks(14), [&] { worstFill = std::max(worstFill, std::abs(rig.OffTarget())); });
    const PlaybackBridge::Events events = rig.bridge.TakeEvents();
    EXPECT_EQ(events.DroppedFrames, 0);
    EXPECT_EQ(events.TrimmedFrames, 0);
    EXPECT_EQ(events.SilentFrames, 0);
    EXPECT_NEAR(static_cast<double>(events.LateStartFrames), static_cast<double>(Frames(DeviceStart) - target), BlockFrames);
    EXPECT_EQ(listener.FramesBeforeSound(), 0) << "the sound starts at the first call";
    EXPECT_LE(worstFill, BlockFrames);
    EXPECT_EQ(listener.Holes(), 0);
    EXPECT_EQ(listener.SplitFrames(), 0);
    ASSERT_FALSE(listener.Fits().empty());
    for (const Listener::Measured& measured : listener.Fits())
        EXPECT_GE(measured.Fit.SnrDb, 80) << "window " << measured.Index;

    rig.HoldMainThread(0.3);
    rig.Run(Blocks(1.0));
    const PlaybackBridge::Events later = rig.bridge.TakeEvents();
    EXPECT_GT(later.TrimmedFrames, 0);
    EXPECT_GT(later.SilentFrames, 0);
    EXPECT_EQ(later.LateStartFrames, 0);
}

// Two and a half minutes of a rig whose clocks agree: the ratio stays within 1e-5 of 1, the
// sound never breaks, and every window after the first is pure.
void ExpectOneClockUnbentAndPure(const RigSettings& settings)
{
    Listener listener(1, NominalRate, [](int64_t window) { return window >= 1; });
    Rig rig(settings, listener);
    double worstBend = 0;
    rig.Run(Blocks(150), [&] { worstBend = std::max(worstBend, std::abs(rig.bridge.Ratio() - 1)); });
    EXPECT_LE(worstBend, 1e-5);
    EXPECT_EQ(listener.Holes(), 0);
    for (const Listener::Measured& measured : listener.Fits())
        EXPECT_GE(measured.Fit.SnrDb, 80) << "window " << measured.Index;
}

// A sound server that hands the capture on 20 ms at a time: each block is pushed with the chunk
// that completes it, up to 20 ms late, so that the pushes come 40 ms apart and now and then 60.
// The pushes' pattern is no drift: with one clock the pitch never moves, for minutes.
TEST(PlaybackBridgeSameClockChunkedCapture, NeverBendsThePitch)
{
    for (const double start : {0.0, 0.007, 0.013}) {
        SCOPED_TRACE("capture starting " + std::to_string(start) + " s into a chunk");
        ExpectOneClockUnbentAndPure(
            {.FillFrames = 1024, .CaptureStart = start, .DeviceFrames = 3 * BlockFrames, .CaptureChunk = 0.02});
    }
}

// The same capture with the clocks apart: the late pushes of the pattern are no hold-up either,
// and teach the clocks' ratio as the others do. Left out, the pushes that came 40 ms apart
// taught a slope a few thousandths short, which wore off over many minutes and held the pitch
// bent meanwhile: from the second minute on, the tone is pure and unbent.
TEST(PlaybackBridgeClocksApartChunkedCapture, KeepTheToneUnbentFromTheSecondMinute)
{
    for (const double drift : {3e-4, -3e-4}) {
        SCOPED_TRACE("the playback clock off by " + std::to_string(drift));
        const int64_t firstWindow = WindowOf(Blocks(120)) + 1;
        Listener listener(1, NominalRate * (1 + drift), [&](int64_t window) { return window >= firstWindow; });
        Rig rig({.PlaybackDrift = drift, .FillFrames = 1024, .DeviceFrames = 3 * BlockFrames, .CaptureChunk = 0.02}, listener);
        rig.Run(Blocks(240));
        EXPECT_EQ(listener.Holes(), 0);
        ASSERT_GT(listener.Fits().size(), 60u);
        for (const Listener::Measured& measured : listener.Fits()) {
            EXPECT_GE(measured.Fit.SnrDb, 80) << "window " << measured.Index;
            EXPECT_NEAR(measured.Fit.FrequencyHz, ToneHz, 2e-5 * ToneHz) << "window " << measured.Index;
        }
    }
}

// A sound server's stream that takes a block at a call: a push that comes late after a call
// finds the FIFO short of the next call. Where the stream still holds a block of its own, it
// is given what the FIFO has, no silence, and the sound goes on at the next call as if nothing
// had happened; where it holds less than half a block it is nearly dry, and the FIFO gives
// silence for the rest and waits for its target again, as for any device.
TEST(PlaybackBridgeReserve, AStreamThatStillHoldsABlockIsGivenWhatThereIsAndPlaysOn)
{
    for (const int64_t reserve : {int64_t{BlockFrames}, int64_t{BlockFrames / 2 - 1}}) {
        SCOPED_TRACE("the stream holds " + std::to_string(reserve) + " frames");
        PlaybackBridge bridge;
        bridge.Configure(1, BlockFrames, static_cast<int32_t>(NominalRate));
        bridge.Reset(TargetBlocks, 2 * BlockFrames, true);
        ToneBlocks tone(1);
        std::vector<int16_t> call(BlockFrames);
        const auto silent = [&](size_t samples) { return std::count(call.begin(), call.begin() + static_cast<ptrdiff_t>(samples), 0); };
        PacedPushes paced(bridge);
        for (int block = 0; block < 2; ++block)
            paced.Push(tone.Next());
        ASSERT_EQ(bridge.FillWithReserve(call, reserve, -1), call.size());
        ASSERT_EQ(silent(call.size()), 0) << "primed at the target, two blocks";
        bridge.Push(tone.Next());
        ASSERT_EQ(bridge.FillWithReserve(call, reserve, -1), call.size());
        call.resize(BlockFrames + 600);   // the push is late, and the server asks for more
        const size_t given = bridge.FillWithReserve(call, reserve, -1);
        if (reserve >= BlockFrames) {
            EXPECT_EQ(given, size_t{BlockFrames});
            EXPECT_EQ(bridge.TakeEvents().SilentFrames, 0);
            bridge.Push(tone.Next());
            call.resize(BlockFrames);
            EXPECT_EQ(bridge.FillWithReserve(call, reserve, -1), call.size());
            EXPECT_EQ(silent(call.size()), 0) << "the sound goes on at once";
        } else {
            EXPECT_EQ(given, call.size());
            EXPECT_EQ(bridge.TakeEvents().SilentFrames, 600);
            bridge.Push(tone.Next());
            call.resize(BlockFrames);
            bridge.FillWithReserve(call, reserve, -1);
            EXPECT_EQ(silent(call.size()), BlockFrames) << "waiting for the target";
        }
    }
}

// A sound server's stream that asks for a block and a half at a call, its calls drifting slowly
// past the pushes, which come 20 ms at a time: every fourth call or so finds the FIFO short and
// is given less, and asks for the rest at its next call. What it was not given it plays from
// what it holds, at its own pace: with one clock the pitch never moves, and the sound never
// breaks.
TEST(PlaybackBridgeReserve, AStreamGivenLessNowAndThenNeverBendsThePitch)
{
    for (const int32_t callFrames : {3060, 3084}) {
        SCOPED_TRACE("calls every " + std::to_string(callFrames) + " frames");
        ExpectOneClockUnbentAndPure(
            {.FillFrames = callFrames, .DeviceFrames = 3 * BlockFrames, .CaptureChunk = 0.02, .ServerStream = true});
    }
}

// A sound server's stream that asks for 40 ms at a call, its first request answered with
// silence, the capture handing its blocks on 20 ms at a time, 40 or 60 ms apart: the fill at a
// call swings by a block as one more push than usual falls between two calls now and then, and
// by another as a push falls now just before a call, now just after it. Whenever the first
// call comes, nothing is left out after the start: that would be a splice, though nothing was
// late.
TEST(PlaybackBridgeReserve, AStreamFedTwentyMillisecondsAtATimeLosesNothingAfterTheStart)
{
    for (int phase = 0; phase < 64; ++phase) {
        SCOPED_TRACE("the first call " + std::to_string(2.5 * phase) + " ms after the first push");
        Listener listener(1, NominalRate, [](int64_t) { return false; });
        Rig rig({.FillFrames = 1920,
                 .DeviceStart = 0.0025 * phase,
                 .DeviceFrames = 2 * BlockFrames,
                 .CaptureChunk = 0.02,
                 .ServerStream = true,
                 .FirstRequestSilent = true},
                listener);
        rig.Run(Blocks(2.0));
        EXPECT_EQ(rig.bridge.TakeEvents().TrimmedFrames, 0);
        EXPECT_EQ(listener.Holes(), 0);
        EXPECT_LE(listener.SharpestBend(), 150) << "a splice";
    }
}

// A sound server converting to another rate, as PulseAudio does for a 44.1 kHz sink: its
// requests fall behind its clock by 0.25 % for 9 to 14 s and then catch up by 20 to 35 ms at
// once, over and over. The stream tells how far it has played, by its clock: with one clock
// the pitch never moves, and the sound never breaks.
TEST(PlaybackBridgeReserve, AStreamWhoseRequestsSagBehindItsClockNeverBendsThePitch)
{
    for (const double sagSeconds : {9.0, 14.0}) {
        SCOPED_TRACE("catching up every " + std::to_string(sagSeconds) + " s");
        ExpectOneClockUnbentAndPure({.FillFrames = 2044,
                                     .DeviceFrames = 3 * BlockFrames,
                                     .CaptureChunk = 0.02,
                                     .ServerStream = true,
                                     .TellsClock = true,
                                     .RequestSag = 2.5e-3,
                                     .SagSeconds = sagSeconds});
    }
}

// A device that keeps no pace takes exactly what was pushed, frame for frame, and never more;
// a FIFO that nobody empties leaves out the blocks that do not fit, whole.
TEST(PlaybackBridgeUnpaced, TakeGivesThePushedSamplesExactly)
{
    PlaybackBridge bridge;
    bridge.Configure(2, BlockFrames, static_cast<int32_t>(NominalRate));
    bridge.Reset(TargetBlocks, 0, false);
    std::vector<int16_t> block(2 * BlockFrames);
    int16_t next = 0;
    const auto pushBlock = [&] {
        for (int16_t& sample : block)
            sample = next++;
        bridge.Push(block);
    };

    std::vector<int16_t> taken(2 * 1000);
    EXPECT_EQ(bridge.Take(taken), 0u) << "nothing queued, nothing given";
    int16_t expected = 0;
    for (int round = 0; round < 200; ++round) {
        pushBlock();
        while (const size_t given = bridge.Take(taken)) {
            for (size_t k = 0; k < given; ++k)
                ASSERT_EQ(taken[k], expected++) << "sample " << k << " of round " << round;
        }
    }
    EXPECT_EQ(expected, next);
    EXPECT_EQ(bridge.Ratio(), 1.0);

    for (int blocks = 0; blocks < 65; ++blocks)
        pushBlock();
    EXPECT_EQ(bridge.QueuedFrames(), 64 * BlockFrames);
    EXPECT_EQ(bridge.TakeEvents().DroppedFrames, BlockFrames);
    EXPECT_EQ(bridge.Take(std::span(taken).first(2)), 2u);
    EXPECT_EQ(taken[0], expected);
}

} // namespace
