#include "PlaybackBridgeRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The main thread held up for 300 ms, longer than the 107 ms the FIFO holds: the device
// plays one hole, the backlog that arrives at once is trimmed to the target, and the sound
// goes on whole, at the ratio it had.
TEST(PlaybackBridgeHoldUps, AStalledMainThreadCostsOneHoleAndOneTrim)
{
    const int64_t stallBlock = Blocks(90);
    Listener listener(2, NominalRate, [&](int64_t window) { return window > WindowOf(stallBlock) + 1; });
    Rig rig({.Channels = 2, .PlaybackDrift = 0.0003}, listener);
    rig.Run(stallBlock);
    const double ratio = rig.bridge.Ratio();
    ASSERT_TRUE(rig.bridge.Locked());
    EXPECT_EQ(rig.bridge.TakeEvents().SilentFrames, 0);

    rig.HoldMainThread(0.3);
    rig.Run(Blocks(1.0));   // the backlog, then blocks on time again
    const PlaybackBridge::Events events = rig.bridge.TakeEvents();
    EXPECT_EQ(listener.Holes(), 1);
    EXPECT_GE(events.SilentFrames, Frames(0.3) - rig.bridge.TargetFrames() - BlockFrames);
    EXPECT_LE(events.SilentFrames, Frames(0.3));
    EXPECT_GE(events.TrimmedFrames, 3 * BlockFrames);
    EXPECT_LE(listener.SharpestBend(), 150) << "sound left out after the hole: a splice";

    int64_t worstFill = 0;
    rig.Run(Blocks(30), [&] { worstFill = std::max(worstFill, std::abs(rig.OffTarget())); });
    EXPECT_LE(worstFill, BlockFrames);
    const PlaybackBridge::Events after = rig.bridge.TakeEvents();
    EXPECT_EQ(after.SilentFrames + after.TrimmedFrames, 0);
    EXPECT_EQ(listener.Holes(), 1);
    EXPECT_EQ(listener.SplitFrames(), 0);
    EXPECT_NEAR(rig.bridge.Ratio(), ratio, 1e-6);
    ASSERT_FALSE(listener.Fits().empty());
    for (const Listener::Measured& measured : listener.Fits())
        EXPECT_GE(measured.Fit.SnrDb, 70) << "window " << measured.Index;
}

// A busy machine holds the main thread up now and then, for less than the FIFO holds and for
// more: the blocks captured meanwhile come at once. Each hold-up that outlasts the FIFO costs a
// hole; none is a drift: with one clock the ratio stays at 1, and the tone stays pure away
// from the holes, for long past the time the clock ratio is judged on.
TEST(PlaybackBridgeHoldUps, OnABusyMachineNeverMoveTheRatioOfOneClock)
{
    const double holdUps[] = {0.03, 0.06, 0.3, 0.5};
    const int64_t firstHoldUp = Blocks(10);
    const int64_t between = Blocks(2.5);
    const int64_t holdUpCount = 48;
    const auto nearAHoldUp = [&](int64_t window) {
        const int64_t block = window * static_cast<int64_t>(WindowFrames) / BlockFrames;
        const int64_t since = block - firstHoldUp;
        if (since < -40 || since / between >= holdUpCount + 1)
            return false;
        const int64_t fromNext = between - (since % between + between) % between;
        const int64_t fromLast = (since % between + between) % between;
        return fromLast < 60 || fromNext < 45;
    };
    Listener listener(1, NominalRate, [&](int64_t window) { return window >= 1 && !nearAHoldUp(window); });
    Rig rig({.FillFrames = 1024}, listener);
    const auto stillRatio = [&] { ASSERT_EQ(rig.bridge.Ratio(), 1.0); };

    rig.Run(firstHoldUp, stillRatio);
    for (int64_t k = 0; k < holdUpCount; ++k) {
        rig.HoldMainThread(holdUps[k % std::size(holdUps)]);
        rig.Run(between, stillRatio);
    }
    rig.Run(Blocks(60), stillRatio);

    EXPECT_EQ(listener.Holes(), holdUpCount / 2);
    ASSERT_GT(listener.Fits().size(), 20u);
    for (const Listener::Measured& measured : listener.Fits())
        EXPECT_GE(measured.Fit.SnrDb, 80) << "window " << measured.Index;
}

// The ratio stayed within 1e-5 of 1, the sound never broke, and every window judged is pure.
void ExpectUnbentUnbrokenAndPure(double worstBend, const Listener& listener)
{
    EXPECT_LE(worstBend, 1e-5);
    EXPECT_EQ(listener.Holes(), 0);
    ASSERT_GT(listener.Fits().size(), 20u);
    for (const Listener::Measured& measured : listener.Fits())
        EXPECT_GE(measured.Fit.SnrDb, 80) << "window " << measured.Index;
}

// A machine held up as a whole now and then, for less than the FIFO holds: the sound server
// catches up at once, and its capture lost some of its sound meanwhile, or none, so that the
// fill steps down by as much. None of it is a drift: with one clock the pitch stays put, and the
// tone stays pure away from the hold-ups, long past the time the clock ratio is judged on.
TEST(PlaybackBridgeHoldUps, AMachineHeldUpAsAWholeNeverBendsThePitchOfOneClock)
{
    const double holdUps[] = {0.03, 0.04, 0.03, 0.02};
    // Half a block, the most that is no outlier to the line, and later a little more.
    const auto lostFrames = [](int64_t holdUp) -> int64_t { return holdUp == 0 ? 1000 : holdUp == 10 ? 200 : 0; };
    const int64_t firstHoldUp = Blocks(40);
    const int64_t between = Blocks(6);
    const int64_t holdUpCount = 20;
    // A window that starts within ten blocks after a hold-up, or holds one.
    const auto nearAHoldUp = [&](int64_t window) {
        const int64_t first = window * static_cast<int64_t>(WindowFrames) / BlockFrames;
        for (int64_t k = 0; k < holdUpCount; ++k)
            if (first < firstHoldUp + k * between + 10 && firstHoldUp + k * between < first + 41)
                return true;
        return false;
    };
    Listener listener(1, NominalRate, [&](int64_t window) { return window >= 1 && !nearAHoldUp(window); });
    Rig rig({.FillFrames = 1024, .DeviceFrames = 3 * BlockFrames}, listener);
    double worstBend = 0;
    const auto bend = [&] { worstBend = std::max(worstBend, std::abs(rig.bridge.Ratio() - 1)); };

    rig.Run(firstHoldUp, bend);
    for (int64_t k = 0; k < holdUpCount; ++k) {
        rig.HoldMachine(holdUps[k % std::size(holdUps)], lostFrames(k));
        rig.Run(between, bend);
    }
    rig.Run(Blocks(60), bend);

    ExpectUnbentUnbrokenAndPure(worstBend, listener);
}

// PipeWire, its graph run late, now and then drops a quantum of one stream's capture: the fill
// steps down by as much each time, with no hole, from the first seconds on. Steps that leave the
// fill within a block and a half of its target are where the device now plays, not an error to
// steer away: the pitch never moves, and the tone after the last step is pure.
TEST(PlaybackBridgeHoldUps, ACaptureThatLosesSoundNowAndThenNeverBendsThePitchOfOneClock)
{
    const int64_t lastStep = Blocks(10 + 4 * 5);
    Listener listener(1, NominalRate, [&](int64_t window) { return window > WindowOf(lastStep); });
    Rig rig({.FillFrames = 1024, .DeviceFrames = 3 * BlockFrames}, listener);
    double worstBend = 0;
    const auto bend = [&] { worstBend = std::max(worstBend, std::abs(rig.bridge.Ratio() - 1)); };

    rig.Run(Blocks(10), bend);
    for (int step = 0; step < 5; ++step) {
        rig.HoldMachine(0.02, 500);
        rig.Run(Blocks(5), bend);
    }
    rig.Run(Blocks(60), bend);

    ExpectUnbentUnbrokenAndPure(worstBend, listener);
}

// The same, early: a step of the fill before the clock ratio rests on half a minute of pushes
// leans its young slope, which must not be taken for a drift then or later, whether the capture
// comes a block at a time or 20 ms at a time. With clocks apart by less than a drift the ratio
// stays between 1 and theirs; with clocks a drift apart it goes to theirs, led no further than a
// fill error asks, and ends near it.
TEST(PlaybackBridgeHoldUps, AMachineHeldUpEarlyNeverBendsThePitchBeyondTheClocks)
{
    for (const double chunk : {0.0, 0.02}) {
        for (const double drift : {0.0, 1e-4, -1e-4, 5e-4, -5e-4}) {
            for (const double seconds : {3.0, 8.0, 15.0, 25.0}) {
                SCOPED_TRACE("capture in chunks of " + std::to_string(chunk) + " s, clocks " + std::to_string(drift) +
                             " apart, held up at " + std::to_string(seconds) + " s");
                Listener listener(1, NominalRate, [](int64_t) { return false; });
                Rig rig({.PlaybackDrift = drift, .FillFrames = 1024, .DeviceFrames = 3 * BlockFrames, .CaptureChunk = chunk},
                        listener);
                rig.Run(Blocks(seconds));
                rig.HoldMachine(0.03, 1000);
                const double clocks = 1 + drift;
                const bool drifting = std::abs(drift) > 2e-4;
                const double lowest = std::min(drifting ? clocks - 6e-4 : 1.0, clocks) - 1e-5;
                const double highest = std::max(drifting ? clocks + 6e-4 : 1.0, clocks) + 1e-5;
                double low = 1;
                double high = 1;
                rig.Run(Blocks(150 - seconds), [&] {
                    low = std::min(low, rig.bridge.Ratio());
                    high = std::max(high, rig.bridge.Ratio());
                });
                EXPECT_GE(low, lowest);
                EXPECT_LE(high, highest);
                if (drifting) {
                    EXPECT_NEAR(rig.bridge.Ratio(), clocks, 1.5e-4);
                }
            }
        }
    }
}

// A busy machine: the capture hands its first blocks on at once as the sound starts, and later
// the main thread is held up for longer than the FIFO holds. Neither the burst nor the hole is
// taken for the clocks: the burst is left out as the sound starts, the ratio of one clock never
// leaves 1, and every window but the hole's is pure, at once after it too.
TEST(PlaybackBridgeHoldUps, ABurstAtTheStartAndAHoleLaterNeverBendThePitch)
{
    const int64_t holeBlock = Blocks(13.7);
    for (const double startBurst : {0.1, 0.15, 0.2, 0.3}) {
        SCOPED_TRACE("the first " + std::to_string(startBurst) + " s of capture at once");
        Listener listener(1, NominalRate, [&](int64_t window) { return window >= 1 && std::abs(window - WindowOf(holeBlock)) > 1; });
        Rig rig({.FillFrames = 1024}, listener);
        const int64_t nominalTarget = rig.bridge.TargetFrames();
        const auto stillRatio = [&] { ASSERT_EQ(rig.bridge.Ratio(), 1.0); };

        rig.HoldMainThread(startBurst);
        rig.Run(holeBlock, stillRatio);
        EXPECT_NEAR(rig.bridge.TargetFrames(), nominalTarget, BlockFrames);
        rig.HoldMainThread(0.15);
        rig.Run(Blocks(40), stillRatio);

        EXPECT_EQ(listener.Holes(), 1);
        ASSERT_GT(listener.Fits().size(), 20u);
        for (const Listener::Measured& measured : listener.Fits())
            EXPECT_GE(measured.Fit.SnrDb, 80) << "window " << measured.Index;
    }
}

// The capture's first blocks come in bursts, four at a wake-up, the later ones after the sound
// could have begun: the first sound waits for the capture's pace, so that all of them are in
// before the start leaves out what lies above the delay. Nothing is left out of sound already
// heard (a splice, which would count as sound dropped), and the sound still starts soon.
TEST(PlaybackBridgeHoldUps, TheFirstSoundWaitsForAllOfTheCapturesFirstBursts)
{
    Listener listener(1, NominalRate, [](int64_t) { return false; });
    Rig rig({.FillFrames = 1024}, listener);
    rig.HoldMainThread(0.3);
    rig.Run(Blocks(1.0));
    const PlaybackBridge::Events events = rig.bridge.TakeEvents();
    EXPECT_GT(events.LateStartFrames, 0);
    EXPECT_EQ(events.TrimmedFrames, 0);
    EXPECT_EQ(listener.Holes(), 0);
    EXPECT_LE(listener.SharpestBend(), 150) << "sound left out after the start: a splice";
    EXPECT_LE(listener.FramesBeforeSound(), Frames(0.3) + 4 * BlockFrames);
}

// The whole program held up for longer than the FIFO holds, as a stopped process is, the main
// thread back mainThreadLag after the device with the blocks captured meanwhile, a few at a time.
// Returns the target before the hold-up; the ratio, with one clock, never moves.
int64_t HoldTheProgram(Rig& rig, double mainThreadLag, int callsBeforeTold)
{
    const auto stillRatio = [&] { ASSERT_EQ(rig.bridge.Ratio(), 1.0); };
    rig.Run(Blocks(20), stillRatio);
    const int64_t target = rig.bridge.TargetFrames();
    rig.HoldProgram(0.3, mainThreadLag, callsBeforeTold);
    rig.Run(Blocks(1.0), stillRatio);
    return target;
}

// After it, the backlog is trimmed to the target, so that the sound is not late for good; and
// the tone stays pure, the delay as it was.
void ExpectTheDelayAsItWas(Rig& rig, Listener& listener, int64_t target)
{
    int64_t worstFill = 0;
    rig.Run(Blocks(60), [&] {
        ASSERT_EQ(rig.bridge.Ratio(), 1.0);
        worstFill = std::max(worstFill, std::abs(rig.OffTarget()));
    });
    EXPECT_LE(worstFill, BlockFrames);
    EXPECT_NEAR(rig.bridge.TargetFrames(), target, BlockFrames) << "the delay as it was, give or take a block";
    EXPECT_EQ(listener.Holes(), 1);
    for (const Listener::Measured& measured : listener.Fits())
        EXPECT_GE(measured.Fit.SnrDb, 80) << "window " << measured.Index;
}

bool AwayFromTheHoldUp(int64_t window)
{
    return window >= 1 && std::abs(window - WindowOf(Blocks(20))) > 1;
}

// The device waits for the backlog, and it is left out inside the hole, not after the sound is
// back, where it would be heard as a splice; also when the device is told late that it ran dry,
// and then only once.
TEST(PlaybackBridgeHoldUps, AStoppedProgramWaitsForTheBacklogAndTrimsItInsideTheHole)
{
    for (const int callsBeforeTold : {0, 1, 8}) {
        SCOPED_TRACE("told after " + std::to_string(callsBeforeTold) + " calls");
        Listener listener(1, NominalRate, AwayFromTheHoldUp);
        Rig rig({.FillFrames = 1024}, listener);
        const int64_t target = HoldTheProgram(rig, 0.03, callsBeforeTold);
        const PlaybackBridge::Events events = rig.bridge.TakeEvents();
        EXPECT_GE(events.TrimmedFrames, Frames(0.3) - target - BlockFrames);
        EXPECT_EQ(listener.Holes(), 1);
        EXPECT_LE(listener.SharpestBend(), 150) << "sound left out after the hole: a splice";
        ExpectTheDelayAsItWas(rig, listener, target);
    }
}

// A server's stream that asks for a block at a call tells of the underrun of a stopped program
// after the calls showed the hold-up, at once or, as PulseAudio's was seen to, well after the
// latest call: the sound comes back as soon as it would had the server not told of it at all,
// not after a second wait for the backlog of a main thread that is slow to catch up.
TEST(PlaybackBridgeHoldUps, AnUnderrunToldAfterTheCallsShowedTheHoldUpAddsNoWait)
{
    constexpr int Never = 1000;
    struct Telling
    {
        int AfterCalls;
        double Late;
    };
    int64_t untoldHole = 0;
    for (const Telling telling : {Telling{Never, 0}, Telling{1, 0}, Telling{1, 0.7 * BlockSeconds}, Telling{3, 0.7 * BlockSeconds}}) {
        SCOPED_TRACE("told after " + std::to_string(telling.AfterCalls) + " calls, " + std::to_string(telling.Late) + " s late");
        Listener listener(1, NominalRate, AwayFromTheHoldUp);
        Rig rig({.FillFrames = BlockFrames, .DeviceFrames = 3 * BlockFrames, .ServerStream = true}, listener);
        rig.Run(Blocks(20));
        rig.HoldProgram(0.3, 0.2, telling.AfterCalls, telling.Late);
        rig.Run(Blocks(3.0));
        EXPECT_EQ(listener.Holes(), 1);
        if (telling.AfterCalls == Never)
            untoldHole = listener.LongestHoleFrames();
        else
            EXPECT_EQ(listener.LongestHoleFrames(), untoldHole);
    }
}

// A machine that stalls with its sound server for a tenth of a second, as a virtual machine
// does: no backlog is coming, and the capture's blocks, a block's time apart again, tell so.
// The sound is back once the FIFO holds its target, within the stream's refill, with no wait
// for a backlog that lengthened the hole by a block and left as much out after it.
TEST(PlaybackBridgeHoldUps, AMachineStalledWithItsServerWaitsForNoBacklog)
{
    Listener listener(1, NominalRate, AwayFromTheHoldUp);
    Rig rig({.FillFrames = BlockFrames, .DeviceFrames = 2 * BlockFrames, .ServerStream = true}, listener);
    rig.Run(Blocks(20));
    const int64_t target = rig.bridge.TargetFrames();
    // Two blocks and a half: the pushes after it come half a block before the calls.
    rig.StallMachine(2.5 * BlockSeconds);
    rig.Run(Blocks(1.0));
    EXPECT_EQ(listener.Holes(), 1);
    EXPECT_LE(listener.LongestHoleFrames(), 2 * BlockFrames) << "the stream's refill, and no wait for a backlog";
    EXPECT_LE(rig.bridge.TakeEvents().TrimmedFrames, 3 * BlockFrames / 2) << "the sound the FIFO took in meanwhile";
    ExpectTheDelayAsItWas(rig, listener, target);
}

// A main thread that comes back long after the device: the backlog is trimmed as it comes.
TEST(PlaybackBridgeHoldUps, AStoppedProgramTrimsABacklogThatComesAfterTheSound)
{
    Listener listener(1, NominalRate, AwayFromTheHoldUp);
    Rig rig({.FillFrames = 1024}, listener);
    const int64_t target = HoldTheProgram(rig, 0.2, 0);
    EXPECT_GE(rig.bridge.TakeEvents().TrimmedFrames, Frames(0.3) - target - BlockFrames);
    ExpectTheDelayAsItWas(rig, listener, target);
}

// The last of a stopped program's backlog may come after the sound is back and the watch trimmed
// the rest: up to its slack above what the priming left, it stays. That fill is where the device
// settles, not an error to steer away: with one clock the pitch never moves, and the tone after
// it is pure.
TEST(PlaybackBridgeHoldUps, TheBacklogsUntrimmedLastBlocksAreWhereTheDeviceSettles)
{
    Listener listener(1, NominalRate, [](int64_t window) { return window > WindowOf(Blocks(22)); });
    Rig rig({.FillFrames = 1024, .DeviceFrames = 2 * BlockFrames, .ServerStream = true, .FirstRequestSilent = true}, listener);
    const auto stillRatio = [&] {
        ASSERT_TRUE(rig.bridge.Locked());
        ASSERT_EQ(rig.bridge.Ratio(), 1.0);
    };
    rig.Run(Blocks(20), stillRatio);
    const int64_t target = rig.bridge.TargetFrames();
    rig.HoldProgram(0.3, 0, 1);
    rig.Run(10, stillRatio);
    const int64_t trimmed = rig.bridge.TakeEvents().TrimmedFrames;
    ASSERT_GT(trimmed, 0) << "the backlog that came with the main thread";
    rig.CaptureAhead(PlaybackBridge::WatchSlackBlocks);
    rig.Run(Blocks(60), stillRatio);

    EXPECT_EQ(rig.bridge.TakeEvents().TrimmedFrames, 0) << "within the watch's slack";
    EXPECT_NEAR(rig.bridge.TargetFrames(), target + PlaybackBridge::WatchSlackBlocks * BlockFrames, BlockFrames);
    EXPECT_EQ(listener.Holes(), 1);
    for (const Listener::Measured& measured : listener.Fits())
        EXPECT_GE(measured.Fit.SnrDb, 80) << "window " << measured.Index;
}

// Nothing the watch for a backlog does lowers the fill: one that lands three blocks below what
// the priming left after a hole, the capture's blocks coming that much later from then on, is no
// place to settle, as it leaves that much less against the next underrun. It is glided back up:
// the target stays, the ratio rises above 1 and goes on rising, never below, and the tone after it
// is pure.
TEST(PlaybackBridgeHoldUps, AFillThatLandsFarBelowTheTargetIsSteeredBack)
{
    Listener listener(1, NominalRate, [](int64_t window) { return window > WindowOf(Blocks(22)); });
    Rig rig({.FillFrames = 1024, .DeviceFrames = 2 * BlockFrames, .TargetBlocks = 8, .ServerStream = true, .FirstRequestSilent = true},
            listener);
    rig.Run(Blocks(20));
    const int64_t target = rig.bridge.TargetFrames();
    rig.HoldProgram(0.3, 0, 1);
    rig.Run(10);
    rig.CaptureBehind(3);
    rig.Run(8);
    EXPECT_LE(rig.OffTarget(), -5 * BlockFrames / 2) << "the fill landed about three blocks low";
    double lowestRatio = 1;
    const auto noteRatio = [&] { lowestRatio = std::min(lowestRatio, rig.bridge.Ratio()); };
    rig.Run(Blocks(60), noteRatio);
    const double ratioAfterAMinute = rig.bridge.Ratio();
    rig.Run(Blocks(60), noteRatio);

    EXPECT_EQ(rig.bridge.TargetFrames(), target);
    EXPECT_GT(ratioAfterAMinute, 1.0) << "steered up";
    EXPECT_GT(rig.bridge.Ratio(), ratioAfterAMinute);
    EXPECT_EQ(lowestRatio, 1.0) << "never down";
    EXPECT_EQ(listener.Holes(), 1);
    for (const Listener::Measured& measured : listener.Fits())
        EXPECT_GE(measured.Fit.SnrDb, 80) << "window " << measured.Index;
}

// A device that ran dry (the whole process was held up) waits for its reserve again; the
// backlog above the target is trimmed once, and nothing of it counts as silence.
TEST(PlaybackBridgeHoldUps, ADeviceThatRanDryTrimsTheBacklogOnce)
{
    PlaybackBridge bridge;
    bridge.Configure(1, BlockFrames, static_cast<int32_t>(NominalRate));
    bridge.Reset(TargetBlocks, DeviceFrames, true);
    ToneBlocks tone(1);
    std::vector<int16_t> heard(480);
    PacedPushes paced(bridge);
    for (int block = 0; block < 3; ++block)
        paced.Push(tone.Next());
    bridge.Fill(heard);
    ASSERT_NE(std::count(heard.begin(), heard.end(), 0), 480) << "playing";

    bridge.DeviceRanDry();
    for (int block = 0; block < 6; ++block)
        bridge.Push(tone.Next());
    const int64_t backlog = bridge.QueuedFrames();
    bridge.Fill(heard);
    EXPECT_EQ(bridge.QueuedFrames(), bridge.TargetFrames() + 240 - 480) << "half the call kept above the target";
    const PlaybackBridge::Events events = bridge.TakeEvents();
    EXPECT_EQ(events.TrimmedFrames, backlog - bridge.TargetFrames() - 240);
    EXPECT_EQ(events.SilentFrames, 0);

    bridge.Push(tone.Next());
    bridge.Fill(heard);
    EXPECT_EQ(bridge.TakeEvents().TrimmedFrames, 0) << "once";
}

} // namespace
