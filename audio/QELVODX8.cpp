#include "audio/QELVODX8.h"

#include "core/DoEvents.h"
#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "core/frmLog.h"
#include "platform/PerfCounter.h"

#include <algorithm>

// The engine's construction, its properties and its device lists; the devices' life is in
// QELVODX8_Devices.cpp, the captured blocks' way in QELVODX8_Blocks.cpp and the playback
// device's start and stall watch in QELVODX8_Playback.cpp.
namespace {

constexpr int32_t MaxSizedChannels = 16;   // arrays are never sized for more channels than this
constexpr int32_t RingBlocksPerChannelBlock = 16;
constexpr int32_t SilenceFloor = -10000;

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

std::string QELVODX8::PlaybackDeviceName() const
{
    return playChoice_.Name();
}

// The recovery keeps the engine's clock and gives its advice on choosing another device.
// The monotonic clock in seconds; 0 where there is none, which leaves the stall watch idle.
double QELVODX8::MonotonicSeconds()
{
    PerfCounter& counter = CurrentPerfCounter();
    int64_t frequency = 0;
    int64_t count = 0;
    if (!counter.QueryFrequency(frequency) || frequency <= 0 || !counter.QueryCounter(count))
        return 0;
    return static_cast<double>(count) / static_cast<double>(frequency);
}

// Where another device is chosen.
std::string QELVODX8::DeviceChoiceHint()
{
    const std::string path = QELVODX8::ConfigurationPath ? QELVODX8::ConfigurationPath() : "Config";
    return "To use another device, choose it on the Soundcard tab of the configuration window (" + path + ").";
}
