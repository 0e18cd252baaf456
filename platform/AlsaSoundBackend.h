#pragma once

#include "platform/SoundBackend.h"

#include <memory>
#include <string>
#include <vector>

// Sound through ALSA: non-blocking PCMs, interleaved S16_LE at exactly the requested rate.
// One ALSA period is one block; the PCMs' poll descriptors feed QSocketNotifiers, so every
// captured block arrives as an event of the main loop, which sleeps in between, and the
// playback device is refilled from its source in the same wake-up (playback's own notifier
// stands in when capture is late or idle); capture takes each part of a block as it arrives, and a device that
// wakes the loop with less than a block (as PulseAudio's plugin does) is left until its
// block is due. A captured block is read from the device before its notification is
// signalled, so a nested event loop never sees it twice. The device lists are those of
// platform/AlsaDeviceList.
class AlsaSoundBackend : public SoundBackend
{
public:
    AlsaSoundBackend();
    ~AlsaSoundBackend() override;
    AlsaSoundBackend(const AlsaSoundBackend&) = delete;
    AlsaSoundBackend& operator=(const AlsaSoundBackend&) = delete;

    std::vector<SoundDeviceInfo> Devices(SoundDirection direction) override;
    int32_t OpenDevice(SoundDirection direction, const std::string& name) override;
    int32_t CreateBuffer(SoundDirection direction, const SoundBufferDesc& desc) override;
    void CloseDevice(SoundDirection direction) override;
    int32_t Start(SoundDirection direction) override;
    int32_t Stop(SoundDirection direction) override;
    bool IsRunning(SoundDirection direction) override;
    int32_t SetVolume(int32_t hundredthsOfDecibel) override;
    int32_t ReadBuffer(int32_t startByte, int32_t bytes, std::span<int16_t> destination) override;
    void SetPlaybackSource(PlaybackSource* source) override;
    bool PlaybackKeepsPace() const override;
    int32_t PlaybackDeviceFrames() const override;
    std::string ErrorText() const override { return errorText_; }

private:
    class Stream;

    Stream* StreamOf(SoundDirection direction) const;
    int32_t Fail(int32_t error, const std::string& text);
    int32_t FailNotOpen(SoundDirection direction);
    void DisposeRetiredStreams();
    void ServePlayback();

    std::unique_ptr<Stream> streams_[2];
    // Streams closed from inside their own notification, kept until it has returned.
    std::vector<std::unique_ptr<Stream>> retired_;
    PlaybackSource* source_ = nullptr;
    float gain_ = 1.0f;
    int32_t volume_ = 0;
    std::string errorText_;
};
