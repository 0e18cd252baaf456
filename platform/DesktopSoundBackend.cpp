#include "platform/DesktopSoundBackend.h"
#include "platform/AlsaDeviceList.h"

#include <algorithm>
#include <cerrno>

namespace {

constexpr const char* ServerPrefix = "pulse:";
constexpr const char* DefaultName = "default";

bool IsDefault(const SoundDeviceInfo& device) { return device.Name == DefaultName; }

} // namespace

DesktopSoundBackend::DesktopSoundBackend()
{
    alsa_.ServeFor(this);
    server_.ServeFor(this);
}

DesktopSoundBackend::~DesktopSoundBackend()
{
    CloseDevice(SoundDirection::Capture);
    CloseDevice(SoundDirection::Playback);
}

// ALSA's list as it stands, its "default" described as the server's where one runs, then
// the server's own devices.
std::vector<SoundDeviceInfo> DesktopSoundBackend::Devices(SoundDirection direction)
{
    std::vector<SoundDeviceInfo> devices = alsa_.Devices(direction);
    if (!server_.ServerReachable())
        return devices;
    std::vector<SoundDeviceInfo> served = server_.Devices(direction);
    const auto serverDefault = std::find_if(served.begin(), served.end(), IsDefault);
    const auto alsaDefault = std::find_if(devices.begin(), devices.end(), IsDefault);
    if (serverDefault != served.end() && alsaDefault != devices.end())
        alsaDefault->Description = serverDefault->Description;
    std::copy_if(served.begin(), served.end(), std::back_inserter(devices),
                 [](const SoundDeviceInfo& device) { return !IsDefault(device); });
    return devices;
}

SoundBackend& DesktopSoundBackend::BackendFor(const std::string& name)
{
    // ALSA's "default" may lead to the same server, through a library that waits for it.
    if (name.starts_with(ServerPrefix) || (name == DefaultName && server_.ServerFound()))
        return server_;
    return alsa_;
}

int32_t DesktopSoundBackend::OpenDevice(SoundDirection direction, const std::string& name)
{
    CloseDevice(direction);
    SoundBackend& backend = BackendFor(name);
    const int32_t result = Result(backend, backend.OpenDevice(direction, name));
    if (result == 0)
        serving_[static_cast<size_t>(direction)] = &backend;
    return result;
}

int32_t DesktopSoundBackend::CreateBuffer(SoundDirection direction, const SoundBufferDesc& desc)
{
    SoundBackend* backend = Serving(direction);
    return backend ? Result(*backend, backend->CreateBuffer(direction, desc)) : FailNotOpen(direction);
}

void DesktopSoundBackend::CloseDevice(SoundDirection direction)
{
    if (SoundBackend* backend = Serving(direction))
        backend->CloseDevice(direction);
    serving_[static_cast<size_t>(direction)] = nullptr;
}

int32_t DesktopSoundBackend::Start(SoundDirection direction)
{
    SoundBackend* backend = Serving(direction);
    return backend ? Result(*backend, backend->Start(direction)) : FailNotOpen(direction);
}

int32_t DesktopSoundBackend::Stop(SoundDirection direction)
{
    SoundBackend* backend = Serving(direction);
    return backend ? backend->Stop(direction) : 0;
}

bool DesktopSoundBackend::IsRunning(SoundDirection direction)
{
    SoundBackend* backend = Serving(direction);
    return backend && backend->IsRunning(direction);
}

int32_t DesktopSoundBackend::SetVolume(int32_t hundredthsOfDecibel)
{
    alsa_.SetVolume(hundredthsOfDecibel);
    return server_.SetVolume(hundredthsOfDecibel);
}

int32_t DesktopSoundBackend::ReadBuffer(int32_t startByte, int32_t bytes, std::span<int16_t> destination)
{
    SoundBackend* backend = Serving(SoundDirection::Capture);
    return backend ? Result(*backend, backend->ReadBuffer(startByte, bytes, destination))
                   : FailNotOpen(SoundDirection::Capture);
}

void DesktopSoundBackend::SetPlaybackSource(PlaybackSource* source)
{
    alsa_.SetPlaybackSource(source);
    server_.SetPlaybackSource(source);
}

bool DesktopSoundBackend::PlaybackKeepsPace() const
{
    const SoundBackend* backend = Serving(SoundDirection::Playback);
    return !backend || backend->PlaybackKeepsPace();
}

int32_t DesktopSoundBackend::PlaybackDeviceFrames() const
{
    const SoundBackend* backend = Serving(SoundDirection::Playback);
    return backend ? backend->PlaybackDeviceFrames() : 0;
}

std::string DesktopSoundBackend::ErrorText() const
{
    return lastFailure_ ? lastFailure_->ErrorText() : errorText_;
}

SoundSystemFound DesktopSoundBackend::FoundSoundSystem()
{
    return {server_.ServerReachable(), AlsaDeviceList::CardCount() > 0};
}

int32_t DesktopSoundBackend::Result(SoundBackend& backend, int32_t result)
{
    if (result != 0)
        lastFailure_ = &backend;
    return result;
}

int32_t DesktopSoundBackend::FailNotOpen(SoundDirection direction)
{
    lastFailure_ = nullptr;
    errorText_ = std::string(DirectionName(direction)) + " device: not open";
    return -ENODEV;
}
