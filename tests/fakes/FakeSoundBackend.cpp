#include "fakes/FakeSoundBackend.h"

#include <algorithm>
#include <cerrno>
#include <utility>

FakeSoundBackend::FakeSoundBackend()
    : PlaybackDevices{{"default", "Default sound device"}, {"hw:0,0", "Speakers"}},
      CaptureDevices{{"default", "Default sound device"}, {"hw:0,0", "Line in"}}
{
}

void FakeSoundBackend::DeliverCaptureBlock(int32_t k, std::span<const int16_t> samples)
{
    const int32_t blockBytes = Of(SoundDirection::Capture).Desc.BlockBytes;
    const size_t first = static_cast<size_t>(k * blockBytes / 2);
    const size_t count = std::min(samples.size(), static_cast<size_t>(blockBytes / 2));
    if (first + count <= captureImage_.size())
        std::copy_n(samples.begin(), count, captureImage_.begin() + static_cast<std::ptrdiff_t>(first));
    NotifyBlock(SoundDirection::Capture, k * blockBytes, blockBytes);
}

void FakeSoundBackend::FreePlaybackBlock(int32_t k)
{
    const int32_t blockBytes = Of(SoundDirection::Playback).Desc.BlockBytes;
    TakeBlock(k * blockBytes, static_cast<size_t>(blockBytes / 2));
    NotifyBlock(SoundDirection::Playback, k * blockBytes, blockBytes);
}

// A paced device takes a whole block, sound or silence; one that keeps no pace only what
// is queued, and records nothing when nothing is.
void FakeSoundBackend::TakeBlock(int32_t startByte, size_t samples)
{
    if (!source_ || !Of(SoundDirection::Playback).Running)
        return;
    block_.assign(samples, 0);
    const size_t taken = Paced ? (source_->Fill(block_), samples) : source_->Take(block_);
    if (taken == 0)
        return;
    Writes.push_back({startByte, {}, volume_});
    if (KeepWrittenSamples)
        Writes.back().Samples.assign(block_.begin(), block_.begin() + static_cast<std::ptrdiff_t>(taken));
    const size_t channels = static_cast<size_t>(std::max(Of(SoundDirection::Playback).Desc.Format.Channels, 1));
    LastWrittenFrames = static_cast<int32_t>(taken / channels);
    WrittenFrames += LastWrittenFrames;
}

std::vector<SoundDeviceInfo> FakeSoundBackend::Devices(SoundDirection direction)
{
    return direction == SoundDirection::Capture ? CaptureDevices : PlaybackDevices;
}

int32_t FakeSoundBackend::OpenDevice(SoundDirection direction, const std::string& name)
{
    ++Opens;
    if (DuringOpen)
        DuringOpen(direction);
    if (FailingDevices.count(name))
        return Fail("device \"" + name + "\": cannot be opened (Device or resource busy)");
    Of(direction) = Device{};
    Of(direction).Name = name;
    return 0;
}

int32_t FakeSoundBackend::CreateBuffer(SoundDirection direction, const SoundBufferDesc& desc)
{
    Device& device = Of(direction);
    if (device.Name.empty())
        return Fail("device: not open");
    if (FailBuffers)
        return Fail("device \"" + device.Name + "\": cannot run at " + std::to_string(desc.Format.SamplesPerSecond) +
                    " samples per second (Invalid argument)");
    device.HasBuffer = true;
    device.Desc = desc;
    if (direction == SoundDirection::Capture)
        captureImage_.assign(static_cast<size_t>(desc.BufferBytes / 2), 0);
    return 0;
}

void FakeSoundBackend::CloseDevice(SoundDirection direction)
{
    Of(direction) = Device{};
}

int32_t FakeSoundBackend::Start(SoundDirection direction)
{
    Device& device = Of(direction);
    if (!device.HasBuffer)
        return Fail("device: no buffer");
    if (direction == SoundDirection::Playback && FailingPlaybackStarts > 0) {
        --FailingPlaybackStarts;
        return Fail("Playback device \"" + device.Name + "\": cannot be prepared (Broken pipe)");
    }
    device.Running = true;
    ++device.Starts;
    return 0;
}

int32_t FakeSoundBackend::Stop(SoundDirection direction)
{
    Device& device = Of(direction);
    device.Running = false;
    ++device.Stops;
    return 0;
}

bool FakeSoundBackend::IsRunning(SoundDirection direction)
{
    Device& device = Of(direction);
    if (device.PollsUntilStopped > 0) {
        --device.PollsUntilStopped;
        return true;
    }
    return device.Running;
}

int32_t FakeSoundBackend::SetVolume(int32_t hundredthsOfDecibel)
{
    volume_ = hundredthsOfDecibel;
    Volumes.push_back(hundredthsOfDecibel);
    return 0;
}

int32_t FakeSoundBackend::ReadBuffer(int32_t startByte, int32_t bytes, std::span<int16_t> destination)
{
    const size_t first = static_cast<size_t>(startByte / 2), count = static_cast<size_t>(bytes / 2);
    if (startByte < 0 || bytes < 0 || first + count > captureImage_.size() || count > destination.size())
        return Fail("capture: read outside the buffer");
    std::copy_n(captureImage_.begin() + static_cast<std::ptrdiff_t>(first), count, destination.begin());
    return 0;
}

int32_t FakeSoundBackend::Fail(const std::string& text)
{
    errorText_ = text;
    return -EIO;
}
