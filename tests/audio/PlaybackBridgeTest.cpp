#include "audio/PlaybackBridge.h"
#include "support/TonePurity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr int32_t BlockFrames = 2048;
constexpr double NominalRate = 48000;
constexpr double BlockSeconds = BlockFrames / NominalRate;
constexpr int64_t BlocksPerMinute = 1407;   // 60 s, rounded up
constexpr int64_t BlocksPerHour = 84375;
constexpr int32_t TargetBlocks = 3;
constexpr int32_t DeviceFrames = 1024;
// What is measured as one stretch of tone: 40 blocks, 1.7 s.
constexpr size_t WindowFrames = 40 * BlockFrames;

// 1 kHz at 48 kHz repeats every 48 samples: one period, rounded to 16 bits at -12 dBFS.
constexpr int32_t TonePeriod = 48;
constexpr double ToneHz = NominalRate / TonePeriod;

std::vector<int16_t> TonePeriodSamples()
{
    const double amplitude = 32767 * std::pow(10.0, -12.0 / 20);
    std::vector<int16_t> period(TonePeriod);
    for (int32_t n = 0; n < TonePeriod; ++n)
        period[n] = static_cast<int16_t>(std::lrint(amplitude * std::sin(2 * std::numbers::pi * n / TonePeriod + 0.4)));
    return period;
}

// The capture side: consecutive blocks of the tone; a second channel carries it inverted,
// so that frames split across channels would show.
class ToneBlocks
{
public:
    explicit ToneBlocks(int32_t channels) : channels_(channels), block_(static_cast<size_t>(BlockFrames * channels)) {}

    std::span<const int16_t> Next()
    {
        for (int32_t frame = 0; frame < BlockFrames; ++frame) {
            const int16_t sample = period_[(phase_ + frame) % TonePeriod];
            block_[frame * channels_] = sample;
            if (channels_ == 2)
                block_[frame * channels_ + 1] = static_cast<int16_t>(-sample);
        }
        phase_ = (phase_ + BlockFrames) % TonePeriod;
        return block_;
    }

private:
    int32_t channels_;
    std::vector<int16_t> period_ = TonePeriodSamples();
    std::vector<int16_t> block_;
    int32_t phase_ = 0;
};

struct RigSettings
{
    int32_t Channels = 1;
    double PlaybackDrift = 0;    // the playback clock runs at 48 kHz * (1 + PlaybackDrift)
    int32_t FillFrames = 480;    // frames the device asks for at a time
    double CaptureStart = 0;     // seconds before the first block is captured
};

// The first channel of what the device played, cut into windows of WindowFrames.
class Listener
{
public:
    // Fits the tone in each window whose index measure() accepts.
    Listener(int32_t channels, double sampleRate, std::function<bool(int64_t)> measure)
        : channels_(channels), sampleRate_(sampleRate), measure_(std::move(measure))
    {
        window_.reserve(WindowFrames);
    }

    void Hear(std::span<const int16_t> samples)
    {
        for (size_t k = 0; k < samples.size(); k += static_cast<size_t>(channels_)) {
            const int16_t sample = samples[k];
            if (channels_ == 2 && samples[k + 1] != -sample)
                ++splitFrames_;
            CountSilence(sample);
            window_.push_back(sample);
            if (window_.size() == WindowFrames)
                CloseWindow();
        }
    }

    struct Measured
    {
        int64_t Index = 0;
        ToneFit Fit;
    };
    const std::vector<Measured>& Fits() const { return fits_; }
    int64_t Holes() const { return holes_; }   // runs of 16 or more silent frames after the first sound
    int64_t FramesBeforeSound() const { return framesBeforeSound_; }
    int64_t SplitFrames() const { return splitFrames_; }
    int64_t FramesHeard() const { return windows_ * static_cast<int64_t>(WindowFrames) + static_cast<int64_t>(window_.size()); }

private:
    void CountSilence(int16_t sample)
    {
        soundStarted_ = soundStarted_ || sample != 0;
        if (!soundStarted_)
            ++framesBeforeSound_;
        silentRun_ = sample == 0 ? silentRun_ + 1 : 0;
        if (soundStarted_ && silentRun_ == 16)
            ++holes_;
    }

    void CloseWindow()
    {
        if (measure_(windows_))
            fits_.push_back({windows_, FitTone(window_, sampleRate_, ToneHz)});
        ++windows_;
        window_.clear();
    }

    int32_t channels_;
    double sampleRate_;
    std::function<bool(int64_t)> measure_;
    std::vector<int16_t> window_;
    std::vector<Measured> fits_;
    int64_t windows_ = 0;
    bool soundStarted_ = false;
    int64_t framesBeforeSound_ = 0;
    int64_t silentRun_ = 0;
    int64_t holes_ = 0;
    int64_t splitFrames_ = 0;
};

// The two clocks, event by event: a block pushed at each capture tick and a device Fill at
// each playback tick, in the order of their times. Both sides wake a little late at random,
// as threads do, and the device's chunks do not line up with the blocks, so the fill read at
// a push jitters by up to a chunk.
class Rig
{
public:
    Rig(const RigSettings& settings, Listener& listener)
        : settings_(settings), listener_(listener), tone_(settings.Channels),
          heard_(static_cast<size_t>(settings.FillFrames * settings.Channels))
    {
        bridge.Configure(settings.Channels, BlockFrames);
        bridge.Reset(TargetBlocks, DeviceFrames, true);
        pushPeriod_ = BlockFrames / NominalRate;
        fillPeriod_ = settings.FillFrames / (NominalRate * (1 + settings.PlaybackDrift));
    }

    // Runs until blocks more blocks were pushed; afterPush is called after each.
    void Run(int64_t blocks, const std::function<void()>& afterPush = {})
    {
        for (const int64_t last = pushes_ + blocks; pushes_ < last;) {
            const double pushTime = std::max(settings_.CaptureStart + pushes_ * pushPeriod_ + Late(0.004), heldUntil_);
            while (FillTime() < pushTime)
                FillOnce();
            bridge.Push(tone_.Next());
            ++pushes_;
            if (afterPush)
                afterPush();
        }
    }

    // The main thread is held up: the blocks captured meanwhile are pushed at once after it.
    void HoldMainThread(double seconds) { heldUntil_ = Now() + seconds; }

    double Now() const { return std::max(settings_.CaptureStart + pushes_ * pushPeriod_, fills_ * fillPeriod_); }

    PlaybackBridge bridge;

private:
    double Late(double most) { return std::uniform_real_distribution<double>(0, most)(random_); }

    double FillTime()
    {
        if (fillLateness_ < 0)
            fillLateness_ = Late(0.002);
        return (static_cast<double>(fills_) + 0.37) * fillPeriod_ + fillLateness_;
    }

    void FillOnce()
    {
        bridge.Fill(heard_);
        listener_.Hear(heard_);
        ++fills_;
        fillLateness_ = -1;
    }

    RigSettings settings_;
    Listener& listener_;
    ToneBlocks tone_;
    std::vector<int16_t> heard_;
    std::mt19937 random_{20240611};
    double pushPeriod_ = 0;
    double fillPeriod_ = 0;
    double heldUntil_ = 0;
    double fillLateness_ = -1;
    int64_t pushes_ = 0;
    int64_t fills_ = 0;
};

int64_t Blocks(double seconds)
{
    return std::lround(seconds / BlockSeconds);
}

int64_t Frames(double seconds)
{
    return std::lround(seconds * NominalRate);
}

// The window that holds the given block.
int64_t WindowOf(int64_t block)
{
    return block * BlockFrames / static_cast<int64_t>(WindowFrames);
}

// The clocks apart by the parameter, over an hour: after the first minute the fill stays
// within a block of its target, nothing is left out or added, and the tone keeps its purity
// and its pitch (measured in every 16th window, to keep the test fast).
class PlaybackBridgeDrift : public ::testing::TestWithParam<double>
{
};

TEST_P(PlaybackBridgeDrift, KeepsTheFillAtItsTargetAndTheToneCleanForAnHour)
{
    const double drift = GetParam();
    const int64_t settled = WindowOf(BlocksPerMinute) + 1;
    Listener listener(1, NominalRate * (1 + drift), [&](int64_t window) { return window >= settled && window % 16 == 0; });
    Rig rig({.PlaybackDrift = drift}, listener);

    rig.Run(BlocksPerMinute);
    int64_t worstFill = 0;
    rig.Run(BlocksPerHour - BlocksPerMinute, [&] {
        worstFill = std::max(worstFill, std::abs(rig.bridge.QueuedFrames() - rig.bridge.TargetFrames()));
    });

    EXPECT_LE(worstFill, BlockFrames);
    const PlaybackBridge::Events events = rig.bridge.TakeEvents();
    EXPECT_EQ(events.SilentFrames, 0);
    EXPECT_EQ(events.TrimmedFrames, 0);
    EXPECT_EQ(events.DroppedFrames, 0);
    EXPECT_EQ(listener.Holes(), 0);

    ASSERT_GT(listener.Fits().size(), 100u);
    const double settledHz = listener.Fits().front().Fit.FrequencyHz;
    EXPECT_NEAR(settledHz, ToneHz, 1e-4 * ToneHz) << "the pitch as captured";
    for (const Listener::Measured& measured : listener.Fits()) {
        EXPECT_GE(measured.Fit.SnrDb, 70) << "window " << measured.Index;
        EXPECT_NEAR(measured.Fit.FrequencyHz, settledHz, 1e-4 * settledHz) << "window " << measured.Index;
    }
}

INSTANTIATE_TEST_SUITE_P(ClocksApart, PlaybackBridgeDrift, ::testing::Values(0.001, -0.001, 0.005, -0.005));

// One clock for both sides, the device taking 1024 frames at a time, so that the fill read at
// a push jitters by half a block: the ratio locks and never moves again, and every window
// after the first, where the sound starts, is pure.
TEST(PlaybackBridgeSameClock, GivesAPureToneAndAStillRatio)
{
    Listener listener(1, NominalRate, [](int64_t window) { return window >= 1; });
    Rig rig({.FillFrames = 1024}, listener);

    int64_t lockedPushes = 0;
    double lockedRatio = 0;
    rig.Run(Blocks(240), [&] {
        if (lockedPushes > 0) {
            EXPECT_TRUE(rig.bridge.Locked());
            EXPECT_EQ(rig.bridge.Ratio(), lockedRatio);
        }
        if (rig.bridge.Locked() && lockedPushes++ == 0)
            lockedRatio = rig.bridge.Ratio();
    });

    EXPECT_GT(lockedPushes, Blocks(180));
    for (const Listener::Measured& measured : listener.Fits())
        EXPECT_GE(measured.Fit.SnrDb, 80) << "window " << measured.Index;
    EXPECT_EQ(listener.Holes(), 0);
}

// No capture for the first 3 s: silence, not counted as a hole, until the FIFO holds its
// target; then the sound, unbroken and whole.
TEST(PlaybackBridgeSameClock, WaitsForItsTargetWhenCaptureStartsLate)
{
    Listener listener(2, NominalRate, [](int64_t window) { return window >= 2; });
    Rig rig({.Channels = 2, .CaptureStart = 3.0}, listener);

    rig.Run(Blocks(30));

    // The sound starts once the two blocks queued, and the device's time since the second
    // was pushed (a block's time after the first), make the target: to within a call.
    const int64_t start = Frames(3.0) + BlockFrames + (rig.bridge.TargetFrames() - 2 * BlockFrames);
    EXPECT_NEAR(static_cast<double>(listener.FramesBeforeSound()), static_cast<double>(start), 2 * 480);
    const PlaybackBridge::Events events = rig.bridge.TakeEvents();
    EXPECT_EQ(events.SilentFrames, 0);
    EXPECT_EQ(events.TrimmedFrames, 0);
    EXPECT_EQ(listener.Holes(), 0);
    EXPECT_EQ(listener.SplitFrames(), 0);
    EXPECT_EQ(rig.bridge.Ratio(), 1.0);
    for (const Listener::Measured& measured : listener.Fits())
        EXPECT_GE(measured.Fit.SnrDb, 80) << "window " << measured.Index;
}

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

    int64_t worstFill = 0;
    rig.Run(Blocks(30), [&] {
        worstFill = std::max(worstFill, std::abs(rig.bridge.QueuedFrames() - rig.bridge.TargetFrames()));
    });
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

// A device that ran dry (the whole process was held up) waits for its reserve again; the
// backlog above the target is trimmed once, and nothing of it counts as silence.
TEST(PlaybackBridgeHoldUps, ADeviceThatRanDryTrimsTheBacklogOnce)
{
    PlaybackBridge bridge;
    bridge.Configure(1, BlockFrames);
    bridge.Reset(TargetBlocks, DeviceFrames, true);
    ToneBlocks tone(1);
    std::vector<int16_t> heard(480);
    for (int block = 0; block < 3; ++block)
        bridge.Push(tone.Next());
    bridge.Fill(heard);
    ASSERT_NE(std::count(heard.begin(), heard.end(), 0), 480) << "playing";

    bridge.DeviceRanDry();
    for (int block = 0; block < 6; ++block)
        bridge.Push(tone.Next());
    const int64_t backlog = bridge.QueuedFrames();
    bridge.Fill(heard);
    EXPECT_EQ(bridge.QueuedFrames(), bridge.TargetFrames() - 480);
    const PlaybackBridge::Events events = bridge.TakeEvents();
    EXPECT_EQ(events.TrimmedFrames, backlog - bridge.TargetFrames());
    EXPECT_EQ(events.SilentFrames, 0);

    bridge.Push(tone.Next());
    bridge.Fill(heard);
    EXPECT_EQ(bridge.TakeEvents().TrimmedFrames, 0) << "once";
}

// A device that keeps no pace takes exactly what was pushed, frame for frame, and never more;
// a FIFO that nobody empties leaves out the blocks that do not fit, whole.
TEST(PlaybackBridgeUnpaced, TakeGivesThePushedSamplesExactly)
{
    PlaybackBridge bridge;
    bridge.Configure(2, BlockFrames);
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

    for (int blocks = 0; blocks < 33; ++blocks)
        pushBlock();
    EXPECT_EQ(bridge.QueuedFrames(), 32 * BlockFrames);
    EXPECT_EQ(bridge.TakeEvents().DroppedFrames, BlockFrames);
    EXPECT_EQ(bridge.Take(std::span(taken).first(2)), 2u);
    EXPECT_EQ(taken[0], expected);
}

} // namespace
