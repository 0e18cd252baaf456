#include "audio/PlaybackBridge.h"
#include "support/TonePurity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <utility>
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
// so that frames split across channels would show. The tone repeats every period, so each
// block is a stretch of one long enough run of it.
class ToneBlocks
{
public:
    explicit ToneBlocks(int32_t channels) : channels_(channels)
    {
        const std::vector<int16_t> period = TonePeriodSamples();
        for (int32_t frame = 0; frame < BlockFrames + TonePeriod; ++frame) {
            run_.push_back(period[frame % TonePeriod]);
            if (channels == 2)
                run_.push_back(static_cast<int16_t>(-run_.back()));
        }
    }

    std::span<const int16_t> Next()
    {
        const auto block = std::span(run_).subspan(static_cast<size_t>(phase_ * channels_), static_cast<size_t>(BlockFrames * channels_));
        phase_ = (phase_ + BlockFrames) % TonePeriod;
        return block;
    }

private:
    int32_t channels_;
    std::vector<int16_t> run_;
    int32_t phase_ = 0;
};

struct RigSettings
{
    int32_t Channels = 1;
    double PlaybackDrift = 0;    // the playback clock runs at 48 kHz * (1 + PlaybackDrift)
    int32_t FillFrames = 480;    // frames the device asks for at a time
    double CaptureStart = 0;     // seconds before the first block is captured
    double DeviceStart = 0;      // seconds before the device's first call
    int32_t StartBurst = 0;      // calls the device makes at once as its sound starts
    int32_t DeviceFrames = ::DeviceFrames;   // what the device holds itself
    int32_t TargetBlocks = ::TargetBlocks;   // the delay asked for, the device's part in it
    double CaptureChunk = 0;     // seconds of sound the capture hands on at a time, if any
    // A sound server's stream: it holds DeviceFrames when full and asks at each call for what it
    // played since, and for what it was not given before, telling what it still holds.
    bool ServerStream = false;
    bool TellsClock = false;   // a server's stream that tells how far it has played by its clock
    // A server's stream whose first request, for its whole buffer, is answered with silence
    // before it plays, as the sound server's client does as a stream starts.
    bool FirstRequestSilent = false;
    // A server's stream whose requests drift off its clock: over each SagSeconds its calls ask
    // for RequestSag of what it played less, and then for all it held back at once.
    double RequestSag = 0;
    double SagSeconds = 0;
};

// The time the bridges read while a Rig runs.
int64_t simulatedNanoseconds = 0;

int64_t SimulatedClock()
{
    return simulatedNanoseconds;
}

// A block's time apart on the simulated clock, as a capture hands its blocks on at its pace;
// the bridge reads that clock meanwhile.
class PacedPushes
{
public:
    explicit PacedPushes(PlaybackBridge& bridge) : bridge_(bridge)
    {
        simulatedNanoseconds = 1000000000;
        PlaybackBridge::UseClock(SimulatedClock);
    }
    ~PacedPushes() { PlaybackBridge::UseClock(nullptr); }
    PacedPushes(const PacedPushes&) = delete;
    PacedPushes& operator=(const PacedPushes&) = delete;

    void Push(std::span<const int16_t> block)
    {
        simulatedNanoseconds += std::llround(BlockSeconds * 1e9);
        bridge_.Push(block);
    }

private:
    PlaybackBridge& bridge_;
};

// The first channel of what the device played, cut into windows of WindowFrames.
class Listener
{
public:
    // Fits the tone in each window whose index measure() accepts.
    Listener(int32_t channels, double sampleRate, std::function<bool(int64_t)> measure)
        : channels_(channels), sampleRate_(sampleRate), measure_(std::move(measure)), measuring_(measure_(0))
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
            Bend(sample);
            if (measuring_)
                window_.push_back(sample);
            if (++windowFrames_ == WindowFrames)
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
    int64_t LongestHoleFrames() const { return longestHole_; }
    int64_t FramesBeforeSound() const { return framesBeforeSound_; }
    bool SoundStarted() const { return soundStarted_; }
    int64_t SplitFrames() const { return splitFrames_; }
    // The sharpest bend of the sound, sample to sample (the largest second difference): a 1 kHz
    // tone at -12 dBFS bends by 141 at most, and any step or seam far more.
    int32_t SharpestBend() const { return sharpestBend_; }

private:
    void CountSilence(int16_t sample)
    {
        soundStarted_ = soundStarted_ || sample != 0;
        if (!soundStarted_)
            ++framesBeforeSound_;
        silentRun_ = sample == 0 ? silentRun_ + 1 : 0;
        if (soundStarted_ && silentRun_ == 16)
            ++holes_;
        if (soundStarted_)
            longestHole_ = std::max(longestHole_, silentRun_);
    }

    void Bend(int16_t sample)
    {
        if (!soundStarted_ || silentRun_ > 0) {
            bendSamples_ = 0;
            return;
        }
        if (bendSamples_ == 2)
            sharpestBend_ = std::max(sharpestBend_, std::abs(sample - 2 * last_ + beforeLast_));
        beforeLast_ = last_;
        last_ = sample;
        bendSamples_ = std::min(bendSamples_ + 1, 2);
    }

    void CloseWindow()
    {
        if (measuring_)
            fits_.push_back({windows_, FitTone(window_, sampleRate_, ToneHz)});
        window_.clear();
        windowFrames_ = 0;
        measuring_ = measure_(++windows_);
    }

    int32_t channels_;
    double sampleRate_;
    std::function<bool(int64_t)> measure_;
    bool measuring_;
    std::vector<int16_t> window_;
    size_t windowFrames_ = 0;
    std::vector<Measured> fits_;
    int64_t windows_ = 0;
    bool soundStarted_ = false;
    int64_t framesBeforeSound_ = 0;
    int64_t silentRun_ = 0;
    int64_t holes_ = 0;
    int64_t longestHole_ = 0;
    int64_t splitFrames_ = 0;
    int32_t last_ = 0;
    int32_t beforeLast_ = 0;
    int32_t bendSamples_ = 0;   // of sound in a row behind, up to two
    int32_t sharpestBend_ = 0;
};

// The two clocks, event by event, on the simulated clock: a block pushed at each capture tick
// and a device Fill at each playback tick, in the order of their times. The pushes wake up to
// 2 ms early or late, the calls up to 1 ms, as threads do. Calls that divide the block fall
// on the pushes, so that the device's count, read bare at a push, would be a call early or
// late at random.
class Rig
{
public:
    Rig(const RigSettings& settings, Listener& listener)
        : settings_(settings), listener_(listener), tone_(settings.Channels),
          heard_(static_cast<size_t>(settings.FillFrames * settings.Channels)), burstLeft_(settings.StartBurst)
    {
        PlaybackBridge::UseClock(SimulatedClock);
        bridge.Configure(settings.Channels, BlockFrames, static_cast<int32_t>(NominalRate));
        bridge.Reset(settings.TargetBlocks, settings.DeviceFrames, true);
        pushPeriod_ = BlockFrames / NominalRate;
        fillPeriod_ = settings.FillFrames / (NominalRate * (1 + settings.PlaybackDrift));
    }

    ~Rig() { PlaybackBridge::UseClock(nullptr); }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    // Runs until blocks more blocks were pushed; afterPush is called after each.
    void Run(int64_t blocks, const std::function<void()>& afterPush = {})
    {
        for (const int64_t last = pushes_ + blocks; pushes_ < last;) {
            const double pushTime = PushTime();
            while (FillTime() < pushTime) {
                TellIfDue(FillTime());
                FillOnce();
            }
            TellIfDue(pushTime);
            SetTime(pushTime);
            bridge.Push(tone_.Next());
            ++pushes_;
            if (afterPush)
                afterPush();
        }
    }

    // The main thread is held up: the blocks captured meanwhile are pushed after it, as the
    // sound server's client hands them on: a few at each of the main thread's wake-ups.
    void HoldMainThread(double seconds) { heldUntil_ = Now() + seconds; }

    // The whole program is held up, as a stopped process is: the sound server plays silence
    // meanwhile and tells the device it ran dry, before its first call back or (as PipeWire's
    // was seen to) after callsBeforeTold of them; the device's calls go on from where its clock
    // is, and the main thread comes back mainThreadLag later with the blocks captured meanwhile.
    // The server may tell of it toldLate seconds after that call, between two calls.
    void HoldProgram(double seconds, double mainThreadLag, int callsBeforeTold, double toldLate = 0)
    {
        const double resumed = Now() + seconds;
        heldUntil_ = resumed + mainThreadLag;
        deviceHeldUntil_ = resumed;
        callsBeforeTold_ = callsBeforeTold;
        toldLate_ = toldLate;
    }

    // The whole machine is held up, as a virtual machine whose host is busy elsewhere: neither
    // the device nor the main thread runs meanwhile, and then the sound server catches up at
    // once, the device's calls first; the capture lost lostFrames of its sound meanwhile.
    void HoldMachine(double seconds, int64_t lostFrames)
    {
        heldUntil_ = Now() + seconds;
        deviceLateUntil_ = heldUntil_;
        settings_.CaptureStart += static_cast<double>(lostFrames) / NominalRate;
    }

    // The whole machine stands still, its sound server with it, as a virtual machine does while
    // its host is busy elsewhere: the server's stream played out what it held, its calls due
    // meanwhile are not made up, and its capture captured nothing; both go on at their own pace
    // after it, with no backlog, the stream asking to be filled again at once.
    void StallMachine(double seconds)
    {
        const double resumed = Now() + seconds;
        settings_.CaptureStart += seconds;
        heldUntil_ = resumed;
        fills_ = static_cast<int64_t>(std::ceil((resumed - settings_.DeviceStart) / fillPeriod_));
        held_ = 0;
    }

    // The capture hands on blocks more blocks at once than its pace: sound it had held back.
    void CaptureAhead(int64_t blocks) { settings_.CaptureStart -= static_cast<double>(blocks) * pushPeriod_; }
    // The capture hands its blocks on blocks more blocks late from now on: it held them back.
    void CaptureBehind(int64_t blocks) { CaptureAhead(-blocks); }

    double Now() const
    {
        return std::max(settings_.CaptureStart + pushes_ * pushPeriod_, settings_.DeviceStart + fills_ * fillPeriod_);
    }

    // How far the FIFO is off its target right after a push. The bridge counts a call's frames
    // as read when it is made, and so steers a fill short of what is queued by what the device
    // has played of its latest call since: half a call on average.
    int64_t OffTarget() const { return bridge.QueuedFrames() - settings_.FillFrames / 2 - bridge.TargetFrames(); }

    PlaybackBridge bridge;

private:
    double Jitter(double most) { return std::uniform_real_distribution<double>(-most, most)(random_); }

    // The blocks' capture times, woken up to 2 ms early or late, and their backlog after a
    // hold-up: four at a wake-up, the wake-ups of a busy main thread apart, longer than a call.
    double PushTime()
    {
        constexpr int64_t BacklogBlocksPerWake = 4;
        constexpr double BacklogWakeSeconds = 0.025;
        double due = settings_.CaptureStart + pushes_ * pushPeriod_;
        if (settings_.CaptureChunk > 0)
            due = std::ceil(due / settings_.CaptureChunk) * settings_.CaptureChunk;
        due += Jitter(0.002);
        if (due >= heldUntil_)
            backlogPushes_ = 0;
        const double time = due >= heldUntil_ ? due : heldUntil_ + backlogPushes_++ / BacklogBlocksPerWake * BacklogWakeSeconds;
        lastPushTime_ = std::max(time, lastPushTime_);
        return lastPushTime_;
    }

    static void SetTime(double seconds) { simulatedNanoseconds = std::llround(seconds * 1e9); }

    double FillTime()
    {
        if (!fillJitter_)
            fillJitter_ = Jitter(0.001);
        return std::max(settings_.DeviceStart + static_cast<double>(fills_) * fillPeriod_ + *fillJitter_, deviceLateUntil_);
    }

    // A device that bursts as its sound starts makes its next calls at once.
    void FillOnce()
    {
        if (FillTime() < deviceHeldUntil_) {
            std::fill(heard_.begin(), heard_.end(), int16_t{0});
            listener_.Hear(heard_);
            ++fills_;
            fillJitter_.reset();
            if (FillTime() >= deviceHeldUntil_ && callsBeforeTold_ == 0) {
                SetTime(FillTime());
                bridge.DeviceRanDry();
            }
            return;
        }
        const double callTime = FillTime();
        SetTime(callTime);
        FillAndHear();
        if (callsBeforeTold_ > 0 && --callsBeforeTold_ == 0) {
            if (toldLate_ > 0)
                tellAt_ = callTime + toldLate_;
            else
                bridge.DeviceRanDry();
        }
        for (; burstLeft_ > 0 && listener_.SoundStarted(); --burstLeft_)
            FillAndHear();
        ++fills_;
        fillJitter_.reset();
    }

    void TellIfDue(double before)
    {
        if (!tellAt_ || *tellAt_ > before)
            return;
        SetTime(*tellAt_);
        bridge.DeviceRanDry();
        tellAt_.reset();
    }

    void FillAndHear()
    {
        if (settings_.ServerStream)
            return AskAndHear();
        bridge.Fill(heard_);
        listener_.Hear(heard_);
    }

    void AskAndHear()
    {
        if (std::exchange(firstRequest_, false) && settings_.FirstRequestSilent) {
            held_ = settings_.DeviceFrames;
            asked_.assign(static_cast<size_t>(held_ * settings_.Channels), int16_t{0});
            listener_.Hear(asked_);
            return;
        }
        held_ = std::max<int64_t>(held_ - settings_.FillFrames, 0);
        const auto asked = static_cast<size_t>((settings_.DeviceFrames - held_ - HeldBack()) * settings_.Channels);
        asked_.resize(asked);
        const int64_t played = settings_.TellsClock ? fills_ * settings_.FillFrames : -1;
        const size_t given = bridge.FillWithReserve(asked_, held_, played);
        held_ += static_cast<int64_t>(given) / settings_.Channels;
        listener_.Hear(std::span(asked_).first(given));
    }

    // What a stream whose requests sag holds back at this call.
    int64_t HeldBack()
    {
        if (settings_.RequestSag <= 0)
            return 0;
        const auto callsPerSag = static_cast<int64_t>(settings_.SagSeconds / fillPeriod_);
        heldBack_ = fills_ % callsPerSag == 0 ? 0 : heldBack_ + settings_.RequestSag * settings_.FillFrames;
        return std::llround(heldBack_);
    }

    RigSettings settings_;
    Listener& listener_;
    ToneBlocks tone_;
    std::vector<int16_t> heard_;
    std::vector<int16_t> asked_;
    int64_t held_ = 0;   // by a server's stream
    bool firstRequest_ = true;
    double heldBack_ = 0;

    std::mt19937 random_{20240611};
    double pushPeriod_ = 0;
    double fillPeriod_ = 0;
    double heldUntil_ = 0;
    double deviceHeldUntil_ = 0;
    double deviceLateUntil_ = 0;
    int callsBeforeTold_ = 0;
    double toldLate_ = 0;
    std::optional<double> tellAt_;
    int64_t backlogPushes_ = 0;
    double lastPushTime_ = 0;
    std::optional<double> fillJitter_;
    int32_t burstLeft_ = 0;
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
