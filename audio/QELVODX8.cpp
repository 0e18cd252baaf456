#include "audio/QELVODX8.h"

#include "core/BusyGuard.h"
#include "core/DoEvents.h"
#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "core/frmLog.h"
#include "dsp/QELVO.h"
#include "platform/MessageBoxes.h"
#include "platform/PerfCounter.h"

#include <algorithm>
#include <cerrno>
#include <limits>

namespace {

constexpr const char* StartFailureText = "Unable to start DirectSound. Check proper sound card installation";

// Where another device is chosen.
std::string DeviceChoiceHint()
{
    const std::string path = QELVODX8::ConfigurationPath ? QELVODX8::ConfigurationPath() : "Config";
    return "To use another device, choose it on the Soundcard tab of the configuration window (" + path + ").";
}

// What to do about a device that does not open: choose another, unless the machine has
// nothing to play on, where the lists offer no other device either.
std::string FailureAdvice(SoundBackend& backend)
{
    const SoundSystemFound found = backend.FoundSoundSystem();
    if (found.ServerAnswers || found.CardPresent)
        return " " + DeviceChoiceHint();
    return "\nNo sound server answers (PulseAudio or PipeWire) and no sound card is present. Start the desktop's "
           "sound server, or connect a sound card; on a machine with neither, the receiver cannot play.";
}
constexpr const char* UnknownChannelsText = "Unknown Number of channels, only Mono or Stereo allowed";
constexpr int32_t ErrSubscriptOutOfRange = 9;
constexpr int32_t MaxSizedChannels = 16;   // arrays are never sized for more channels than this
constexpr int32_t RingBlocksPerChannelBlock = 16;
constexpr int32_t SilenceFloor = -10000;
// A playback device that will not start is tried at this many capture blocks in a row
// before the user is told; capture goes on either way.
constexpr int32_t PlaybackStartAttempts = 4;
// A playback device that takes no block for this long while capture goes on has stopped:
// a sound server may take a second or two to wake up for a new stream, never this long.
constexpr int32_t StalledPlaybackSeconds = 4;

// Interleaved frames of two 16-bit samples to two arrays, and back.
void DeInterlace_16_2(const int16_t* frames, int16_t* first, int16_t* second, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        first[i] = frames[2 * i];
        second[i] = frames[2 * i + 1];
    }
}

void Interlace_16_2(const int16_t* first, const int16_t* second, int16_t* frames, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        frames[2 * i] = first[i];
        frames[2 * i + 1] = second[i];
    }
}

// The monotonic clock in seconds; 0 where there is none, which leaves the stall watch idle.
double MonotonicSeconds()
{
    PerfCounter& counter = CurrentPerfCounter();
    int64_t frequency = 0;
    int64_t count = 0;
    if (!counter.QueryFrequency(frequency) || frequency <= 0 || !counter.QueryCounter(count))
        return 0;
    return static_cast<double>(count) / static_cast<double>(frequency);
}

int64_t Milliseconds(int64_t frames, int32_t samplesPerSecond)
{
    return samplesPerSecond > 0 ? frames * 1000 / samplesPerSecond : 0;
}

size_t SizedChannels(int32_t channels)
{
    return static_cast<size_t>(std::clamp(channels, 0, MaxSizedChannels));
}

} // namespace

void QELVODX8::EventRelay::DXCallback(int32_t eventId)
{
    if (engine_.eventForm_)
        engine_.eventForm_->DXCallback(eventId);
}

QELVODX8::QELVODX8(SoundBackend& backend, QObject* parent) : QObject(parent), backend_(backend)
{
    SetSamplesPerEvent(2048);
    backend_.SetTrace(&AddLog);
    backend_.SetStateSink(&recovery_);
    capChoice_.Take(backend_.Devices(SoundDirection::Capture));
    playChoice_.Take(backend_.Devices(SoundDirection::Playback));
}

QELVODX8::~QELVODX8()
{
    ReleaseDevices();
    backend_.SetStateSink(nullptr);
}

// ---- properties ----------------------------------------------------------------------

void QELVODX8::SetSamplesPerEvent(int32_t value)
{
    if (value < 1 || value > MaxSamplesPerEvent)
        throw RuntimeError(ErrInvalidPropertyValue, "Invalid property value", "QELVODX8.SamplesPerEvent");
    samplesPerEvent_ = value;
    captureBlockBytes_ = static_cast<int32_t>(int64_t{noChannelsIn_} * value * 2);
    playbackBlockBytes_ = static_cast<int32_t>(int64_t{noChannelsOut_} * value * 2);
    const auto samples = static_cast<size_t>(value);
    captureBlock_.assign(SizedChannels(noChannelsIn_) * samples + 1, 0);
    outBuffer_.assign(SizedChannels(noChannelsOut_) * samples * RingBlocksPerChannelBlock + 1, 0);
    // Positions in the old ring mean nothing in the new one.
    writePos_ = readPos_ = blocksQueued_ = 0;
}

int32_t QELVODX8::OutputAttenuation() const
{
    if (outputAttenuation_ >= 0)
        return outputAttenuation_;
    return Numeric::CLng(outputAttenuation_ / 100.0);
}

void QELVODX8::SetOutputAttenuation(int32_t value)
{
    outputAttenuation_ = std::max(value, SilenceFloor);
}

// ---- devices -------------------------------------------------------------------------

namespace {

int32_t DescriptionsOf(const std::vector<SoundDeviceInfo>& devices, std::vector<std::string>& names)
{
    names.clear();
    for (const SoundDeviceInfo& device : devices)
        names.push_back(device.Description);
    return static_cast<int32_t>(names.size()) - 1;
}

} // namespace

int32_t QELVODX8::GetPlayDeviceNames(std::vector<std::string>& DeviceNames) const
{
    return DescriptionsOf(playChoice_.Devices(), DeviceNames);
}

int32_t QELVODX8::GetCapDeviceNames(std::vector<std::string>& DeviceNames) const
{
    return DescriptionsOf(capChoice_.Devices(), DeviceNames);
}

// Each list takes a few round trips to the sound server: the blocks captured meanwhile are
// handled in between, so that a list read while receiving leaves no gap in the sound.
void QELVODX8::RefreshDevices()
{
    capChoice_.Take(backend_.Devices(SoundDirection::Capture));
    DoEvents();
    playChoice_.Take(backend_.Devices(SoundDirection::Playback));
}

void QELVODX8::PrepareDevices()
{
    if (prepared_ || preparing_)
        return;
    BusyGuard guard(preparing_);
    if (!OpenDevices())
        return;
    CreateNotifications();
    prepared_ = true;
    ++epoch_;
}

bool QELVODX8::OpenDevices()
{
    lastErr_ = 0;
    RefreshDevices();
    if (!OpenDevice(SoundDirection::Playback, playChoice_))
        return false;
    DoEvents();
    if (!OpenDevice(SoundDirection::Capture, capChoice_))
        return false;
    DoEvents();
    return CreateBuffers();
}

bool QELVODX8::OpenDevice(SoundDirection direction, SoundDeviceChoice& choice)
{
    // A chosen device that went away while the sound ran is missing from the list while
    // "default" stands in for it.
    std::string name, why;
    if (!choice.Resolve(name, why) && !recovery_.StandsIn(direction)) {
        ReportOpenFailure(-ENODEV, why);
        return false;
    }
    if (const int32_t error = backend_.OpenDevice(direction, recovery_.DeviceToOpen(direction, name)); error != 0) {
        ReportOpenFailure(error, backend_.ErrorText());
        return false;
    }
    return true;
}

bool QELVODX8::CreateBuffers()
{
    const int64_t captureAlign = int64_t{bitsPerSample_} * noChannelsIn_ / 8;
    const int64_t playbackAlign = int64_t{bitsPerSample_} / 8 * noChannelsOut_;
    const int64_t captureBlock = samplesPerEvent_ * captureAlign;
    const int64_t playbackBlock = samplesPerEvent_ * playbackAlign;
    const int64_t captureBuffer = noBlocksInBuffer_ * captureBlock;
    const int64_t playbackBuffer = int64_t{noBlocksInBuffer_} * inp2OutpBufferRatio_ * playbackBlock;
    constexpr int64_t largest = std::numeric_limits<int32_t>::max();
    if (captureBlock <= 0 || playbackBlock <= 0 || captureBuffer > largest || playbackBuffer > largest) {
        ReportOpenFailure(-EINVAL, "The sound format (" + std::to_string(bitsPerSample_) + " bits, " +
                                       std::to_string(noChannelsIn_) + " channels in, " + std::to_string(noChannelsOut_) +
                                       " out) cannot be used.");
        return false;
    }
    // With fewer than two playback blocks playback would never start.
    if (StartDelay() < 1) {
        ReportOpenFailure(-EINVAL, "The playback buffer needs at least 2 blocks, not " +
                                       std::to_string(StartDelay() + 1) + ".");
        return false;
    }
    captureBlockBytes_ = static_cast<int32_t>(captureBlock);
    playbackBlockBytes_ = static_cast<int32_t>(playbackBlock);
    captureBufferBytes_ = static_cast<int32_t>(captureBuffer);
    playbackBufferBytes_ = static_cast<int32_t>(playbackBuffer);

    const SoundBufferDesc playback{{noChannelsOut_, fSampling_, bitsPerSample_}, playbackBufferBytes_, playbackBlockBytes_};
    const SoundBufferDesc capture{{noChannelsIn_, fSampling_, bitsPerSample_}, captureBufferBytes_, captureBlockBytes_};
    for (const auto& [direction, desc] : {std::pair{SoundDirection::Playback, playback}, std::pair{SoundDirection::Capture, capture}}) {
        if (const int32_t error = backend_.CreateBuffer(direction, desc); error != 0) {
            ReportOpenFailure(error, backend_.ErrorText());
            return false;
        }
        DoEvents();
    }
    bridge_.Configure(noChannelsOut_, samplesPerEvent_, fSampling_);
    backend_.SetPlaybackSource(&bridge_);
    return true;
}

void QELVODX8::CreateNotifications()
{
    FillNotifications(SoundDirection::Capture, captureNotify_, captureBufferBytes_, captureBlockBytes_);
    FillNotifications(SoundDirection::Playback, playbackNotify_, playbackBufferBytes_, playbackBlockBytes_);
}

// One event at the last byte of every block.
void QELVODX8::FillNotifications(SoundDirection direction, std::vector<PositionNotify>& table, int32_t bufferBytes,
                                 int32_t blockBytes)
{
    const int32_t blocks = Numeric::CLng(static_cast<double>(bufferBytes) / blockBytes);
    table.assign(static_cast<size_t>(blocks), PositionNotify{});
    for (int32_t k = 0; k < blocks; ++k)
        table[static_cast<size_t>(k)] = {(k + 1) * blockBytes - 1, backend_.CreateEvent(&relay_)};
    backend_.SetNotificationPositions(direction, table);
}

void QELVODX8::ReportOpenFailure(int32_t error, const std::string& why)
{
    CloseDevices();
    ShowSoundFailure("QELVODX8.OpenDevices", error, why);
}

void QELVODX8::ShowSoundFailure(const char* routine, int32_t error, const std::string& why)
{
    lastErr_ = error;
    if (recovery_.TakeOver(routine, error, why))
        return;
    AddLog(std::string(routine) + ":Code=" + std::to_string(error) + " Description=" + why);
    MessageBoxes::MsgBox(std::string(StartFailureText) + "\n" + why + FailureAdvice(backend_), MessageBoxes::vbOKOnly);
}

void QELVODX8::CloseDevices()
{
    backend_.CloseDevice(SoundDirection::Capture);
    backend_.CloseDevice(SoundDirection::Playback);
}

void QELVODX8::StartSound()
{
    recovery_.UserStarts();
    StartDevices();
}

void QELVODX8::StopSound()
{
    recovery_.UserStops();
    StopDevices();
}

void QELVODX8::Reopen()
{
    DropDevices();
    StartDevices();
}

void QELVODX8::StartDevices()
{
    if (inAction_)
        return;
    if (!prepared_)
        PrepareDevices();
    if (!prepared_ || inAction_)   // the failure has been shown, or a nested call started
        return;
    writePos_ = readPos_ = blocksQueued_ = 0;
    outBufferWritePtrWrap_ = outBufferReadPtrWrap_ = false;
    playbackStartFailures_ = 0;
    ResetPlayback();
    inAction_ = true;
    ++epoch_;
    outDelay_ = StartDelay();
    if (const int32_t error = backend_.Start(SoundDirection::Capture); error != 0) {
        inAction_ = false;
        ShowSoundFailure("QELVODX8.StartSound", error, backend_.ErrorText());
    }
}

void QELVODX8::StopDevices()
{
    if (!prepared_ || !inAction_)
        return;
    const uint32_t epoch = epoch_;
    backend_.Stop(SoundDirection::Capture);
    backend_.Stop(SoundDirection::Playback);
    if (!WaitUntilStopped(SoundDirection::Capture, epoch) || !WaitUntilStopped(SoundDirection::Playback, epoch))
        return;   // a call made meanwhile has taken over
    inAction_ = false;
    ++epoch_;
}

bool QELVODX8::WaitUntilStopped(SoundDirection direction, uint32_t epoch)
{
    do {
        DoEvents();
    } while (epoch_ == epoch && backend_.IsRunning(direction));
    return epoch_ == epoch;
}

void QELVODX8::ReleaseDevices()
{
    if (!prepared_)
        return;
    if (inAction_) {
        StopSound();
        if (!prepared_ || inAction_)
            return;
    }
    const uint32_t epoch = epoch_;
    if (!DestroyEvents(captureNotify_, epoch) || !DestroyEvents(playbackNotify_, epoch))
        return;
    CloseDevices();
    prepared_ = false;
    ++epoch_;
}

bool QELVODX8::DestroyEvents(std::vector<PositionNotify>& table, uint32_t epoch)
{
    for (size_t k = 0; k < table.size(); ++k) {
        DoEvents();
        if (epoch_ != epoch)
            return false;
        if (table[k].EventId != 0)
            backend_.DestroyEvent(table[k].EventId);
    }
    table.assign(1, PositionNotify{});
    return true;
}

void QELVODX8::DropDevices()
{
    backend_.Stop(SoundDirection::Capture);
    backend_.Stop(SoundDirection::Playback);
    for (std::vector<PositionNotify>* table : {&captureNotify_, &playbackNotify_}) {
        for (const PositionNotify& entry : *table) {
            if (entry.EventId != 0)
                backend_.DestroyEvent(entry.EventId);
        }
        table->assign(1, PositionNotify{});
    }
    CloseDevices();
    inAction_ = false;
    prepared_ = false;
    ++epoch_;
}

// ---- block flow ----------------------------------------------------------------------

bool QELVODX8::EventHandler(int32_t eventid, std::span<int16_t> Channel1, std::span<int16_t> Channel2)
{
    if (eventid == 0)   // released tables hold one empty entry
        return false;
    for (const PositionNotify& entry : captureNotify_) {
        if (entry.EventId == eventid) {
            CapturePath(entry.Offset, Channel1, Channel2);
            return true;
        }
    }
    for (const PositionNotify& entry : playbackNotify_) {
        if (entry.EventId == eventid) {
            PlaybackPath();
            return false;
        }
    }
    return false;
}

void QELVODX8::CapturePath(int32_t offset, std::span<int16_t> Channel1, std::span<int16_t> Channel2)
{
    const auto samples = static_cast<size_t>(samplesPerEvent_);
    if (Channel1.size() < samples || Channel2.size() < samples) {
        DropNotification("Capture", ErrSubscriptOutOfRange, "the channel arrays are shorter than a block");
        return;
    }
    if (const int32_t error = backend_.ReadBuffer(offset - captureBlockBytes_ + 1, captureBlockBytes_, captureBlock_);
        error != 0) {
        DropNotification("ReadBuffer", error, backend_.ErrorText());
        return;
    }
    Capture(Channel1, Channel2);
    const uint32_t epoch = epoch_;
    emit DataReady(Channel1, Channel2, samplesPerEvent_);
    // Stopped, released or restarted inside DataReady: this block no longer counts.
    if (epoch_ != epoch)
        return;
    FeedPlayback();
    if (outDelay_ > 0) {
        if (--outDelay_ <= 0)
            StartPlayback();
    } else if (PlaybackStalled()) {
        RestartStalledPlayback();
    }
}

void QELVODX8::Capture(std::span<int16_t> Channel1, std::span<int16_t> Channel2)
{
    if (noChannelsIn_ != 1 && noChannelsIn_ != 2) {
        UnknownChannels();
        return;
    }
    const auto samples = static_cast<size_t>(samplesPerEvent_);
    if (Channel1.size() < samples || Channel2.size() < samples ||
        captureBlock_.size() < samples * static_cast<size_t>(noChannelsIn_)) {
        DropNotification("Capture", ErrSubscriptOutOfRange, "the block does not fit the arrays");
        return;
    }
    if (noChannelsIn_ == 1) {
        QELVO::Copy_16(captureBlock_.data(), Channel1.data(), samplesPerEvent_);
        QELVO::Copy_16(captureBlock_.data(), Channel2.data(), samplesPerEvent_);
    } else {
        DeInterlace_16_2(captureBlock_.data(), Channel1.data(), Channel2.data(), samplesPerEvent_);
    }
}

// A start that fails is tried again at the next capture block; after the last attempt
// the user is told, as for a device that does not open, and capture goes on silent.
void QELVODX8::StartPlayback()
{
    ApplyVolume();   // the device takes its first frames as it starts
    lastPlaybackSeconds_ = MonotonicSeconds();
    const int32_t error = backend_.Start(SoundDirection::Playback);
    if (error == 0) {
        playbackStartFailures_ = 0;
        return;
    }
    lastErr_ = error;
    const std::string why = backend_.ErrorText();
    if (++playbackStartFailures_ < PlaybackStartAttempts) {
        AddLog("QELVODX8.StartPlayback:attempt " + std::to_string(playbackStartFailures_) + " of " +
               std::to_string(PlaybackStartAttempts) + " failed, trying again at the next block: Code=" +
               std::to_string(error) + " Description=" + why);
        outDelay_ = 1;
        return;
    }
    ShowSoundFailure("QELVODX8.StartPlayback", error, why);
}

// The device has taken a block's worth of frames.
void QELVODX8::PlaybackPath()
{
    ApplyVolume();
    lastPlaybackSeconds_ = MonotonicSeconds();
    stalledRestarts_ = 0;
    lateSpell_ = false;
    recovery_.PlaybackTook();
}

void QELVODX8::ApplyVolume()
{
    backend_.SetVolume(outputAttenuation_ < 0 ? outputAttenuation_ : 0);
}

// The blocks queued in the staging ring go on into the bridge, which the device empties,
// each announced by DataOut first; each position handed on is cleared, so that one read
// again before Output refills it yields silence.
void QELVODX8::FeedPlayback()
{
    const int32_t blockSamples = playbackBlockBytes_ / 2;
    while (blocksQueued_ > 0) {
        const uint32_t epoch = epoch_;
        emit DataOut(outBuffer_, readPos_, playbackBlockBytes_);
        if (epoch_ != epoch)
            return;
        if (static_cast<size_t>(readPos_) + static_cast<size_t>(blockSamples) > outBuffer_.size()) {
            DropNotification("FeedPlayback", ErrSubscriptOutOfRange, "the block lies outside the staging ring");
            return;
        }
        bridge_.Push({outBuffer_.data() + readPos_, static_cast<size_t>(blockSamples)});
        QELVO::Zero_16(outBuffer_.data() + readPos_, blockSamples);
        --blocksQueued_;
        AdvanceRingPosition(readPos_, outBufferReadPtrWrap_);
    }
    TracePlaybackEvents();
}

// What the device met since the last block: silence played for want of sound, sound left out
// to bring the delay back after a long hold-up, sound left out because the device took too
// little to make room for it, or the captured sound the device began to take too late to play.
void QELVODX8::TracePlaybackEvents()
{
    const PlaybackBridge::Events events = bridge_.TakeEvents();
    if (events.SilentFrames > 0)
        AddLog("QELVODX8.EventHandler:Playback had no sound for " + std::to_string(Milliseconds(events.SilentFrames, fSampling_)) +
               " ms, silence played");
    if (events.TrimmedFrames > 0)
        AddLog("QELVODX8.EventHandler:Playback " + std::to_string(Milliseconds(events.TrimmedFrames, fSampling_)) +
               " ms behind capture after a hold-up, that much sound dropped");
    if (events.DroppedFrames > 0)
        AddLog("QELVODX8.EventHandler:Playback buffer full (the device takes too little), " +
               std::to_string(Milliseconds(events.DroppedFrames, fSampling_)) + " ms of sound dropped");
    if (events.LateStartFrames > 0)
        AddLog("QELVODX8.EventHandler:Playback began " + std::to_string(Milliseconds(events.LateStartFrames, fSampling_)) +
               " ms behind capture and starts with the newest sound, at its delay");
}

void QELVODX8::DropOldestBlocks(int32_t blocks)
{
    for (int32_t k = 0; k < blocks && blocksQueued_ > 0; ++k) {
        QELVO::Zero_16(outBuffer_.data() + readPos_, playbackBlockBytes_ / 2);
        --blocksQueued_;
        AdvanceRingPosition(readPos_, outBufferReadPtrWrap_);
    }
}

// A fresh bridge for a playback device about to start: the delay from capture to playback
// is OutDelay's start value in blocks.
void QELVODX8::ResetPlayback()
{
    bridge_.Reset(StartDelay(), backend_.PlaybackDeviceFrames(), backend_.PlaybackKeepsPace());
    lastPlaybackSeconds_ = MonotonicSeconds();
    lateSpell_ = false;
}

// Measured in time, not in blocks: a backlog of captured blocks handled at once is no stall.
// A playback device that was started counts whether it still runs or its stream stopped.
bool QELVODX8::PlaybackStalled() const
{
    return outDelay_ <= 0 && MonotonicSeconds() - lastPlaybackSeconds_ >= StalledPlaybackSeconds;
}

// The playback device has taken nothing for seconds: its stream is let go of and taken up
// afresh once the bridge is refilled. When that brings nothing back either, the user is
// told which device does not play; capture goes on.
void QELVODX8::RestartStalledPlayback()
{
    const std::string device = "Playback device \"" + PlaybackDeviceName() + "\"";
    backend_.Stop(SoundDirection::Playback);
    if (stalledRestarts_ > 0) {
        ShowSoundFailure("QELVODX8.EventHandler", -EIO,
                         device + " has played nothing for " + std::to_string(StalledPlaybackSeconds) +
                             " s, also after it was opened again.");
        return;
    }
    ++stalledRestarts_;
    AddLog("QELVODX8.EventHandler:" + device + " has taken no block for " + std::to_string(StalledPlaybackSeconds) +
           " s, opening it again after " + std::to_string(StartDelay()) + " blocks");
    writePos_ = readPos_ = blocksQueued_ = 0;
    outBufferWritePtrWrap_ = false;
    outDelay_ = StartDelay();
    ResetPlayback();
}

void QELVODX8::RestartPlaybackIfStalled()
{
    if (inAction_ && backend_.PlaybackKeepsPace() && PlaybackStalled())
        RestartStalledPlayback();
}

std::string QELVODX8::PlaybackDeviceName() const
{
    return playChoice_.Name();
}

void QELVODX8::Output(std::span<const int16_t> Channel1, std::span<const int16_t> Channel2, int32_t)
{
    if (noChannelsOut_ != 1 && noChannelsOut_ != 2) {
        UnknownChannels();
        return;
    }
    const auto samples = static_cast<size_t>(samplesPerEvent_);
    const size_t blockSamples = samples * static_cast<size_t>(noChannelsOut_);
    if (Channel1.size() < samples || (noChannelsOut_ == 2 && Channel2.size() < samples) ||
        static_cast<size_t>(writePos_) + blockSamples > outBuffer_.size()) {
        DropNotification("Output", ErrSubscriptOutOfRange, "the block does not fit the staging ring");
        return;
    }
    // The ring is full only while playback takes nothing: the oldest block makes room.
    if (blocksQueued_ >= RingBlocks()) {
        if (!lateSpell_)
            AddLog("QELVODX8.Output:Playback takes no blocks, the oldest queued block dropped");
        lateSpell_ = true;
        DropOldestBlocks(1);
    }
    int16_t* destination = outBuffer_.data() + writePos_;
    if (noChannelsOut_ == 1)
        QELVO::Copy_16(Channel1.data(), destination, samplesPerEvent_);
    else
        Interlace_16_2(Channel1.data(), Channel2.data(), destination, samplesPerEvent_);
    ++blocksQueued_;
    AdvanceRingPosition(writePos_, outBufferWritePtrWrap_);
}

// Positions step by the playback block's size in bytes and return to 0 at the ring's end.
void QELVODX8::AdvanceRingPosition(int32_t& position, bool& wrapped) const
{
    position += playbackBlockBytes_;
    wrapped = false;
    if (static_cast<size_t>(position) >= outBuffer_.size() - 1) {
        position = 0;
        wrapped = true;
    }
}

int32_t QELVODX8::RingBlocks() const
{
    const auto upper = static_cast<int32_t>(outBuffer_.size() - 1);
    return playbackBlockBytes_ > 0 ? (upper + playbackBlockBytes_ - 1) / playbackBlockBytes_ : 0;
}

void QELVODX8::UnknownChannels()
{
    lastErr_ = ErrUnknownChannels;
    MessageBoxes::MsgBox(UnknownChannelsText, MessageBoxes::vbOKOnly);
}

void QELVODX8::DropNotification(const std::string& what, int32_t error, const std::string& why)
{
    lastErr_ = error;
    AddLog("QELVODX8.EventHandler:" + what + " failed, block dropped: Code=" + std::to_string(error) +
           " Description=" + why);
}

// The recovery keeps the engine's clock and gives its advice on choosing another device.
double QELVODX8::MonotonicSeconds() { return ::MonotonicSeconds(); }
std::string QELVODX8::DeviceChoiceHint() { return ::DeviceChoiceHint(); }
