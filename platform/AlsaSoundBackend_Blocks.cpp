#include "platform/AlsaSoundBackendStream.h"

#include <algorithm>
#include <cerrno>

// The block flow of one open PCM: its notifiers' wake-ups, the blocks read and written,
// and the recovery from overruns and underruns.
namespace {

constexpr int CaptureRestartAttempts = 8;   // a block apart
// A wake-up hands on at most this many captured blocks, so that after a hold-up the other
// direction and the window get their turn between the blocks that piled up.
constexpr snd_pcm_sframes_t MaxBlocksPerWake = 4;

} // namespace

using AlsaSound::BytesPerSample;

// Woken by the device's own notifier or timer, or (playback) served from a capture wake-up.
void AlsaSoundBackend::Stream::RunBlocks(bool woken)
{
    // The blocks left over after a nested call are handled by the outer one.
    if (dispatching_ || !running_)
        return;
    dispatching_ = true;
    const bool progressed = HandleReadyBlocks(woken);
    dispatching_ = false;
    if (closeRequested_)
        ClosePcm();
    else if (running_ && !woken)
        WaitForCapture();
    else if (running_ && !progressed)
        WaitForNextBlock();
    if (progressed && direction_ == SoundDirection::Capture)
        owner_.ServePlayback();
}

// Playback is refilled from each capture wake-up, so the loop wakes once per block rather
// than twice. Meanwhile its own notifier rests; should capture be late or idle for two
// blocks, the timer wakes playback to go on at its own pace until capture serves it again.
void AlsaSoundBackend::Stream::ServeFromCapture()
{
    if (dispatching_ || !running_)
        return;
    RunBlocks(false);
}

void AlsaSoundBackend::Stream::WaitForCapture()
{
    EnableNotifiers(false);
    blockTimer_.start(2 * BlockMilliseconds());
}

// Some devices (PulseAudio's plugin among them) wake the loop while they hold less than
// a block and keep their descriptor ready: rather than being woken again at once, the
// stream sleeps until a whole block is due at the device's pace.
void AlsaSoundBackend::Stream::WaitForNextBlock()
{
    if (direction_ == SoundDirection::Playback) {   // only one that keeps no pace has nothing to take
        EnableNotifiers(false);
        blockTimer_.start(BlockMilliseconds());
        return;
    }
    const snd_pcm_sframes_t available = snd_pcm_avail_update(pcm_);
    const auto have = std::max<snd_pcm_sframes_t>(available, 0) + static_cast<snd_pcm_sframes_t>(filledFrames_);
    const auto missing = std::max<snd_pcm_sframes_t>(static_cast<snd_pcm_sframes_t>(blockFrames_) - have, 1);
    EnableNotifiers(false);
    blockTimer_.start(MillisecondsOf(missing));
}

int AlsaSoundBackend::Stream::MillisecondsOf(snd_pcm_sframes_t frames) const
{
    const auto rate = static_cast<snd_pcm_sframes_t>(std::max(samplesPerSecond_, 1));
    return static_cast<int>(std::clamp<snd_pcm_sframes_t>((frames * 1000 + rate - 1) / rate, 1, 1000));
}

bool AlsaSoundBackend::Stream::DeviceReady()
{
    for (pollfd& descriptor : pollFds_)
        descriptor.revents = 0;
    poll(pollFds_.data(), pollFds_.size(), 0);
    unsigned short revents = 0;
    if (snd_pcm_poll_descriptors_revents(pcm_, pollFds_.data(), static_cast<unsigned>(pollFds_.size()), &revents) < 0)
        return false;
    return (revents & (POLLIN | POLLOUT | POLLERR)) != 0;
}

// Capture: one notification per block while the device has whole blocks, never more than
// its own buffer holds (devices that are not paced in real time always report a full
// buffer) nor than MaxBlocksPerWake. It takes what has arrived of a block even before the
// block is whole, so that a device that signals every part of a block is emptied and quiet
// again. Playback: the room the device has is filled. True when anything moved.
bool AlsaSoundBackend::Stream::HandleReadyBlocks(bool woken)
{
    if (direction_ == SoundDirection::Playback)
        return ServeDevice();
    if (restartPending_) {
        RecoverCapture(-EPIPE);
        return true;
    }
    if (woken && !DeviceReady())
        return false;
    const snd_pcm_sframes_t available = snd_pcm_avail_update(pcm_);
    if (available < 0) {
        RecoverCapture(static_cast<int>(available));
        return true;
    }
    const auto limit = std::min(static_cast<snd_pcm_sframes_t>(deviceFrames_ / blockFrames_), MaxBlocksPerWake);
    bool progressed = false;
    for (auto blocks = limit; blocks > 0 && CaptureBlock(progressed) && running_ && !closeRequested_; --blocks) {
    }
    return progressed;
}

// Reads what has arrived of the next block; true once it is whole and signalled.
bool AlsaSoundBackend::Stream::CaptureBlock(bool& progressed)
{
    int16_t* block = image_.data() + position_ / BytesPerSample;
    while (filledFrames_ < blockFrames_) {
        const snd_pcm_sframes_t read =
            snd_pcm_readi(pcm_, block + filledFrames_ * static_cast<snd_pcm_uframes_t>(channels_), blockFrames_ - filledFrames_);
        if (read == -EAGAIN || read == 0)
            return false;
        progressed = true;
        if (read < 0) {
            RecoverCapture(static_cast<int>(read));
            return false;
        }
        filledFrames_ += static_cast<snd_pcm_uframes_t>(read);
    }
    filledFrames_ = 0;
    const int32_t start = position_;
    position_ = (position_ + blockBytes_) % bufferBytes_;
    owner_.NotifyBlock(SoundDirection::Capture, start, blockBytes_);
    return true;
}

// Capture restarts at once, with the part of a block read before the overrun dropped. A
// device that cannot restart is tried again a block later, a few times; then it is closed
// and opened again, and only when that fails too does capture stop.
void AlsaSoundBackend::Stream::RecoverCapture(int error)
{
    filledFrames_ = 0;
    restartPending_ = false;
    int result = snd_pcm_recover(pcm_, error, 1);
    if (result >= 0)
        result = snd_pcm_start(pcm_);
    const std::string what = "AlsaSoundBackend.Recover:Capture overrun on " + Describe() + " (" + snd_strerror(error) + ")";
    if (result >= 0) {
        restartFailures_ = 0;
        owner_.Trace(what + ", restarted");
        return;
    }
    if (++restartFailures_ < CaptureRestartAttempts) {
        RestartCaptureLater(what, result);
        return;
    }
    ClosePcm();
    if (Reopen() == 0 && StartPcm() == 0) {
        restartFailures_ = 0;
        owner_.Trace(what + ", opened again");
        EnableNotifiers(true);
        return;
    }
    DeviceFailed(result, what + ", cannot be opened again (" + owner_.ErrorText() + "), capture stops");
}

// The device can take or give nothing more: it stops, and its owner is told whether it is
// gone (unplugged) or only broke.
void AlsaSoundBackend::Stream::DeviceFailed(int error, const std::string& what)
{
    owner_.Trace(what);
    Stop();
    const bool removed = error == -ENODEV || error == -ENOENT || error == -EBADFD;
    owner_.Report({removed ? SoundStateEvent::Kind::DeviceRemoved : SoundStateEvent::Kind::StreamFailed, direction_,
                   name_, owner_.ErrorText()});
}

void AlsaSoundBackend::Stream::RestartCaptureLater(const std::string& what, int result)
{
    owner_.Trace(what + ", cannot be restarted (" + snd_strerror(result) + "), trying again in a block");
    restartPending_ = true;
    EnableNotifiers(false);
    blockTimer_.start(BlockMilliseconds());
}
