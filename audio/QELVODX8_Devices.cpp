#include "audio/QELVODX8.h"

#include "core/BusyGuard.h"
#include "core/DoEvents.h"
#include "core/Numeric.h"
#include "core/frmLog.h"
#include "platform/MessageBoxes.h"

#include <cerrno>
#include <limits>

// The devices' life: opened and given their buffers and notifications, started, stopped and
// let go of, and a failure told to the recovery or the user.
namespace {

constexpr const char* StartFailureText = "Unable to start the sound devices. Check the sound card and the sound server.";

// What to do about a device that does not open: choose another, unless the machine has
// nothing to play on, where the lists offer no other device either.
std::string FailureAdvice(SoundBackend& backend)
{
    const SoundSystemFound found = backend.FoundSoundSystem();
    if (found.ServerAnswers || found.CardPresent)
        return " " + QELVODX8::DeviceChoiceHint();
    return "\nNo sound server answers (PulseAudio or PipeWire) and no sound card is present. Start the desktop's "
           "sound server, or connect a sound card; on a machine with neither, the receiver cannot play.";
}

} // namespace

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
    emit CaptureStarting();
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
