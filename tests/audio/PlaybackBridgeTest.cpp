#include "audio/PlaybackBridge.h"
#include "support/TonePurity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
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
    double CaptureDrift = 0;     // the capture clock runs at 48 kHz * (1 + CaptureDrift)
    double PlaybackDrift = 0;    // and the playback clock at 48 kHz * (1 + PlaybackDrift)
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
    int64_t SplitFrames() const { return splitFrames_; }
    int64_t FramesHeard() const { return windows_ * static_cast<int64_t>(WindowFrames) + static_cast<int64_t>(window_.size()); }

private:
    void CountSilence(int16_t sample)
    {
        soundStarted_ = soundStarted_ || sample != 0;
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
        pushPeriod_ = BlockFrames / (NominalRate * (1 + settings.CaptureDrift));
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

    // Runs the device alone for the given time.
    void RunDevice(double seconds)
    {
        const double until = FillTime() + seconds;
        while (FillTime() < until)
            FillOnce();
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

// Drift: the clocks apart by the parameter, over an hour.
class PlaybackBridgeDrift : public ::testing::TestWithParam<double>
{
};

TEST_P(PlaybackBridgeDrift, KeepsTheFillAtItsTargetAndTheToneCleanForAnHour)
{
    const double drift = GetParam();
    const RigSettings settings{.PlaybackDrift = drift};
    const int64_t settledWindow = BlocksPerMinute * BlockFrames / static_cast<int64_t>(WindowFrames) + 1;
    Listener listener(1, NominalRate * (1 + drift), [&](int64_t window) { return window >= settledWindow && window % 16 == 0; });
    Rig rig(settings, listener);

    rig.Run(BlocksPerMinute);
    int64_t worstFill = 0;
    double lowRatio = 2, highRatio = 0;
    int64_t block = 0;
    rig.Run(BlocksPerHour - BlocksPerMinute, [&] {
        worstFill = std::max(worstFill, std::abs(rig.bridge.QueuedFrames() - rig.bridge.TargetFrames()));
        lowRatio = std::min(lowRatio, rig.bridge.Ratio());
        highRatio = std::max(highRatio, rig.bridge.Ratio());
        if (++block % 2000 == 0)
            std::printf("t=%5.0f fill %+6lld ratio %.9f locked %d\n", (block + BlocksPerMinute) * BlockSeconds,
                        (long long)(rig.bridge.QueuedFrames() - rig.bridge.TargetFrames()), rig.bridge.Ratio(), rig.bridge.Locked());
    });

    EXPECT_LE(worstFill, BlockFrames);
    const PlaybackBridge::Events events = rig.bridge.TakeEvents();
    EXPECT_EQ(events.SilentFrames, 0);
    EXPECT_EQ(events.TrimmedFrames, 0);
    EXPECT_EQ(events.DroppedFrames, 0);
    EXPECT_EQ(listener.Holes(), 0);

    ASSERT_FALSE(listener.Fits().empty());
    const double settledHz = listener.Fits()[settledWindow].Fit.FrequencyHz;
    EXPECT_NEAR(settledHz, ToneHz, 1e-4 * ToneHz) << "the tone's pitch as captured";
    double worstSnr = 1000;
    for (const Listener::Measured& measured : listener.Fits()) {
        if (measured.Index >= settledWindow) worstSnr = std::min(worstSnr, measured.Fit.SnrDb);
        if (measured.Index >= settledWindow) EXPECT_NEAR(measured.Fit.FrequencyHz, settledHz, 1e-4 * settledHz) << "window " << measured.Index;
        if (measured.Fit.SnrDb < 70)
            std::printf("window %lld: %.1f dB %.5f Hz\n", (long long)measured.Index, measured.Fit.SnrDb, measured.Fit.FrequencyHz);
    }
    EXPECT_GE(worstSnr, 70);
    std::printf("drift %g: worst fill %lld, worst SNR %.1f, ratio %.9f..%.9f\n", drift, (long long)worstFill, worstSnr, lowRatio, highRatio);
}

INSTANTIATE_TEST_SUITE_P(ClocksApart, PlaybackBridgeDrift, ::testing::Values(0.001, -0.001, 0.005, -0.005));

} // namespace
