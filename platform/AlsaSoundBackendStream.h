#pragma once

// The private half of platform/AlsaSoundBackend: one open PCM. Its set-up lives in
// AlsaSoundBackend.cpp, its block flow in AlsaSoundBackend_Blocks.cpp and the feeding of a
// playback device in AlsaSoundBackend_Playback.cpp.

#include "platform/AlsaSoundBackend.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include <QSocketNotifier>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

namespace AlsaSound {

inline constexpr int32_t BytesPerSample = 2;   // S16_LE is the only sample format

} // namespace AlsaSound

// One open PCM with its poll notifiers and the looping buffer it presents to its owner.
class AlsaSoundBackend::Stream
{
public:
    Stream(AlsaSoundBackend& owner, SoundDirection direction, std::string name, snd_pcm_t* pcm)
        : owner_(owner), direction_(direction), name_(std::move(name)), pcm_(pcm) {}

    ~Stream() { ClosePcm(); }

    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    int32_t Configure(const SoundBufferDesc& desc);
    int32_t Start();
    void Stop();
    int32_t Read(int32_t startByte, int32_t bytes, std::span<int16_t> destination);
    // Playback: fills the room the device has now, called once a captured block has been handled.
    void ServeFromCapture();

    bool Running() const { return running_; }
    bool Paced() const { return paced_; }
    // Playback: the frames the device holds on average while it is fed from capture wake-ups.
    int32_t KeptFrames() const { return static_cast<int32_t>(blockFrames_); }
    bool Dispatching() const { return dispatching_; }

private:
    std::string Describe() const { return std::string(DirectionName(direction_)) + " device \"" + name_ + "\""; }
    int32_t Fail(int error, const std::string& what);
    int32_t SetUp();
    int32_t Reopen();
    int32_t SetHardware(unsigned blocksInDevice);
    int32_t SetSoftware();
    int32_t StartPcm();
    void CreateNotifiers();
    void DisposeNotifiers();
    void EnableNotifiers(bool enabled);
    int32_t CheckRange(int32_t startByte, int32_t bytes, size_t elements) const;
    int32_t FrameBytes() const { return channels_ * AlsaSound::BytesPerSample; }

    void Dispatch() { RunBlocks(true); }
    void RunBlocks(bool woken);
    bool DeviceReady();
    bool HandleReadyBlocks(bool woken);
    void WaitForNextBlock();
    void WaitForCapture();
    int MillisecondsOf(snd_pcm_sframes_t frames) const;
    int BlockMilliseconds() const { return MillisecondsOf(static_cast<snd_pcm_sframes_t>(blockFrames_)); }
    bool CaptureBlock(bool& progressed);
    void RecoverCapture(int error);
    void RestartCaptureLater(const std::string& what, int result);

    bool ServeDevice();
    bool FeedDevice();
    snd_pcm_uframes_t TakeFromSource(snd_pcm_uframes_t frames);
    void ApplyGain(size_t samples);
    bool WriteFrames(const int16_t* samples, snd_pcm_uframes_t frames);
    snd_pcm_sframes_t WritePending();
    void CountPlayed(snd_pcm_uframes_t frames);
    void PlaybackRanDry(int error);
    void DeviceFailed(int error, const std::string& what);
    int32_t StartIfPrepared();
    void ClosePcm();

    AlsaSoundBackend& owner_;
    const SoundDirection direction_;
    const std::string name_;
    snd_pcm_t* pcm_;              // null while stopped

    SoundBufferDesc desc_;
    unsigned blocksInDevice_ = 0;
    int32_t channels_ = 0;
    int32_t bufferBytes_ = 0;          // the looping buffer the owner sees
    int32_t blockBytes_ = 0;
    snd_pcm_uframes_t blockFrames_ = 0;
    snd_pcm_uframes_t deviceFrames_ = 0;  // the PCM's own buffer
    std::vector<int16_t> image_;      // capture: the looping buffer's contents
    std::vector<int16_t> scratch_;    // playback: up to a block of frames from the source, scaled
    std::vector<int16_t> pending_;    // playback: frames the device had no room for yet
    std::vector<pollfd> pollFds_;
    std::vector<std::unique_ptr<QSocketNotifier>> notifiers_;
    // Stands in for the notifiers while a device that woke the loop has less than a block,
    // and between attempts to restart a capture device.
    QTimer blockTimer_;
    int32_t samplesPerSecond_ = 0;

    int32_t position_ = 0;            // byte offset of the next block in the looping buffer
    snd_pcm_uframes_t filledFrames_ = 0;  // capture: frames of the next block already read
    bool running_ = false;
    bool dispatching_ = false;
    bool closeRequested_ = false;     // stopped inside its own notification: closed once that returns
    bool paced_ = true;               // plays in real time (ALSA's file and null devices do not)
    bool ranDry_ = false;             // playback: prepared afresh after an underrun, not yet refilled
    snd_pcm_uframes_t playedFrames_ = 0;  // playback: taken since the last notification
    bool restartPending_ = false;     // capture: a failed restart is tried again
    int restartFailures_ = 0;
};
