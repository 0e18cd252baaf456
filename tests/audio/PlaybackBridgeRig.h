#pragma once

// The rig the playback bridge's tests share: a captured tone pushed block by block and a device
// that takes it at its own pace, both on a simulated clock, with the hold-ups of a busy machine,
// and a listener that measures what the device played.

#include "audio/PlaybackBridge.h"
#include "support/TonePurity.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <optional>
#include <random>
#include <span>
#include <utility>
#include <vector>

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

inline std::vector<int16_t> TonePeriodSamples()
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
inline int64_t simulatedNanoseconds = 0;

inline int64_t SimulatedClock()
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

inline int64_t Blocks(double seconds)
{
    return std::lround(seconds / BlockSeconds);
}

inline int64_t Frames(double seconds)
{
    return std::lround(seconds * NominalRate);
}

// The window that holds the given block.
inline int64_t WindowOf(int64_t block)
{
    return block * BlockFrames / static_cast<int64_t>(WindowFrames);
}
