#pragma once

#include "platform/SoundBackend.h"

#include <functional>
#include <set>
#include <span>
#include <string>
#include <vector>

// A sound backend that delivers capture blocks and takes playback blocks from its source
// only when a test tells it to, and records everything the engine asked of it.
class FakeSoundBackend : public SoundBackend
{
public:
    struct Device
    {
        std::string Name;          // empty: closed
        bool HasBuffer = false;
        SoundBufferDesc Desc;
        bool Running = false;
        int Starts = 0;
        int Stops = 0;
        int PollsUntilStopped = 0; // IsRunning keeps answering true this often after Stop
    };

    struct Write
    {
        int32_t StartByte = 0;
        std::vector<int16_t> Samples;
        int32_t Volume = 0;        // the volume in force when the block was written
    };

    FakeSoundBackend();

    // Fills capture block k (in whole blocks of the capture buffer) with the given
    // interleaved samples and signals the notifications that lie in it.
    void DeliverCaptureBlock(int32_t k, std::span<const int16_t> samples);
    // Takes playback block k from the source (recorded in Writes), then signals the
    // notifications that lie in it.
    void FreePlaybackBlock(int32_t k);
    // Tells the engine what befell a device or the server, as a backend does.
    void RaiseStateEvent(const SoundStateEvent& event) { Report(event); }

    std::vector<SoundDeviceInfo> Devices(SoundDirection direction) override;
    int32_t OpenDevice(SoundDirection direction, const std::string& name) override;
    int32_t CreateBuffer(SoundDirection direction, const SoundBufferDesc& desc) override;
    void CloseDevice(SoundDirection direction) override;
    int32_t Start(SoundDirection direction) override;
    int32_t Stop(SoundDirection direction) override;
    bool IsRunning(SoundDirection direction) override;
    int32_t SetVolume(int32_t hundredthsOfDecibel) override;
    int32_t ReadBuffer(int32_t startByte, int32_t bytes, std::span<int16_t> destination) override;
    void SetPlaybackSource(PlaybackSource* source) override { source_ = source; }
    bool PlaybackKeepsPace() const override { return Paced; }
    int32_t PlaybackDeviceFrames() const override { return DeviceFrames; }
    std::string ErrorText() const override { return errorText_; }
    SoundSystemFound FoundSoundSystem() override { return Found; }

    Device& Of(SoundDirection direction) { return devices_[static_cast<size_t>(direction)]; }

    std::vector<SoundDeviceInfo> PlaybackDevices;
    std::vector<SoundDeviceInfo> CaptureDevices;
    std::set<std::string> FailingDevices;   // OpenDevice refuses these names
    // Runs as a device is asked to open, before it answers, as the events a backend reports
    // while it waits on the server: the test may report events or refuse the device here.
    std::function<void(SoundDirection)> DuringOpen;
    int Opens = 0;                          // every OpenDevice
    bool FailBuffers = false;               // CreateBuffer refuses every format
    int FailingPlaybackStarts = 0;          // Start(Playback) refuses this many more times
    std::vector<int32_t> Volumes;           // every SetVolume
    SoundSystemFound Found;                 // what FoundSoundSystem answers
    bool Paced = false;                     // the playback device keeps a pace of its own
    int32_t DeviceFrames = 0;               // what PlaybackDeviceFrames answers
    std::vector<Write> Writes;              // every block taken from the source
    bool KeepWrittenSamples = true;         // false: Writes hold the start byte and volume only
    int64_t WrittenFrames = 0;              // in every block taken together
    int32_t LastWrittenFrames = 0;

private:
    int32_t Fail(const std::string& text);
    void TakeBlock(int32_t startByte, size_t samples);

    PlaybackSource* source_ = nullptr;
    std::vector<int16_t> block_;
    Device devices_[2];
    std::vector<int16_t> captureImage_;
    int32_t volume_ = 0;
    std::string errorText_;
};
