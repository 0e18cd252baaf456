#pragma once

#include "platform/AlsaSoundBackend.h"
#include "platform/PulseSoundBackend.h"

#include <string>
#include <vector>

// The program's sound: the desktop's sound server through its own client library for
// "default" and for the server's devices ("pulse:" names), ALSA for the hardware devices
// and for "default" where no server runs. The lists hold ALSA's devices (its "default" and
// its cards) and then the server's, by their descriptions; every name stays the device's
// own wherever the device comes in the list.
class DesktopSoundBackend : public SoundBackend
{
public:
    DesktopSoundBackend();
    ~DesktopSoundBackend() override;
    DesktopSoundBackend(const DesktopSoundBackend&) = delete;
    DesktopSoundBackend& operator=(const DesktopSoundBackend&) = delete;

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
    std::string ErrorText() const override;
    SoundSystemFound FoundSoundSystem() override;

private:
    SoundBackend& BackendFor(const std::string& name);
    SoundBackend* Serving(SoundDirection direction) const { return serving_[static_cast<size_t>(direction)]; }
    int32_t Result(SoundBackend& backend, int32_t result);
    int32_t FailNotOpen(SoundDirection direction);

    AlsaSoundBackend alsa_;
    PulseSoundBackend server_;
    SoundBackend* serving_[2] = {nullptr, nullptr};   // the backend that opened each direction's device
    const SoundBackend* lastFailure_ = nullptr;
    std::string errorText_;
};
