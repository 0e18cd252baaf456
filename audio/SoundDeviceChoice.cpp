#include "audio/SoundDeviceChoice.h"

#include "core/frmLog.h"

#include <algorithm>

namespace {

std::vector<SoundDeviceInfo>::const_iterator Find(const std::vector<SoundDeviceInfo>& devices, const std::string& name)
{
    return std::find_if(devices.begin(), devices.end(), [&name](const SoundDeviceInfo& device) { return device.Name == name; });
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

} // namespace

void SoundDeviceChoice::SetIndex(int32_t index)
{
    index_ = index;
    name_.clear();
    description_.clear();
}

void SoundDeviceChoice::SetName(const std::string& name)
{
    name_ = name;
    description_.clear();
    Follow();
}

void SoundDeviceChoice::Take(std::vector<SoundDeviceInfo> devices)
{
    devices_ = std::move(devices);
    Follow();
}

// The index moves to the named device where it is listed, with one trace line; a choice
// without a name takes the name of the device at its index.
void SoundDeviceChoice::Follow()
{
    if (name_.empty()) {
        if (index_ >= 1 && static_cast<size_t>(index_) <= devices_.size()) {
            name_ = devices_[static_cast<size_t>(index_) - 1].Name;
            description_ = devices_[static_cast<size_t>(index_) - 1].Description;
        }
        return;
    }
    const auto found = Find(devices_, name_);
    if (found == devices_.end())
        return;
    const int32_t before = index_;
    index_ = static_cast<int32_t>(found - devices_.begin()) + 1;
    description_ = found->Description;
    if (index_ != before)
        AddLog(std::string("QELVODX8.Devices:") + DirectionName(direction_) + " device " + Named() + " is now number " +
               std::to_string(index_) + ", was " + std::to_string(before));
}

bool SoundDeviceChoice::Missing() const
{
    return !name_.empty() && Find(devices_, name_) == devices_.end();
}

bool SoundDeviceChoice::Resolve(std::string& deviceName, std::string& why)
{
    const std::string found = " is not among the " + std::to_string(devices_.size()) + " devices found";
    if (name_.empty()) {
        why = std::string(DirectionName(direction_)) + " device number " + std::to_string(index_) + found + ".";
        return false;
    }
    if (Missing()) {
        why = std::string(DirectionName(direction_)) + " device " + Named() + found + ": is it plugged in and switched on?";
        return false;
    }
    deviceName = name_;
    return true;
}

// The description the user chose it by, and the name that opens it.
std::string SoundDeviceChoice::Named() const
{
    if (description_.empty() || description_ == name_)
        return Quoted(name_);
    return Quoted(description_) + " (" + name_ + ")";
}
