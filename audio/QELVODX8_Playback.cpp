#include "audio/QELVODX8.h"

#include "core/frmLog.h"

#include <cerrno>

// The playback device's start, a few capture blocks after the capture's, its notifications,
// and the watch for a device that stopped taking sound.
namespace {

// A playback device that will not start is tried at this many capture blocks in a row
// before the user is told; capture goes on either way.
constexpr int32_t PlaybackStartAttempts = 4;
// A playback device that takes no block for this long while capture goes on has stopped:
// a sound server may take a second or two to wake up for a new stream, never this long.
constexpr int32_t StalledPlaybackSeconds = 4;

} // namespace

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
