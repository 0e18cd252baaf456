#pragma once

#include "platform/SoundBackend.h"

#include <cstdint>
#include <string>
#include <vector>

// The device chosen for one direction. It is kept by its name, which opens it and stays
// the same while the device exists wherever it comes in the list (a sound server's sink or
// source name, an ALSA card's id), and by its index, its position in the list counted from
// 1, which the settings file and the DRM decoder's arguments read. Whenever a fresh list is
// taken the index follows the named device to its place there; a choice made by index alone
// (a settings file of an earlier version) takes the name of the device at that place.
class SoundDeviceChoice
{
public:
    explicit SoundDeviceChoice(SoundDirection direction) : direction_(direction) {}

    int32_t Index() const { return index_; }
    // The device at this position: the name is forgotten, and taken afresh from the list.
    void SetIndex(int32_t index);
    const std::string& Name() const { return name_; }
    // The device of this name, found in the list held now (the index moves to it there) or
    // in the next one; empty: the device at the index. Wherever the index moves to follow the
    // named device, one trace line says so.
    void SetName(const std::string& name);

    // The devices as listed: index i at position i - 1.
    const std::vector<SoundDeviceInfo>& Devices() const { return devices_; }
    // Takes a fresh list.
    void Take(std::vector<SoundDeviceInfo> devices);
    // The named device is not in the list.
    bool Missing() const;
    // The named device's description as last listed; empty when it has not been seen.
    const std::string& Description() const { return description_; }

    // The name to open; false when the chosen device is not in the list, with why in a
    // sentence that names it.
    bool Resolve(std::string& deviceName, std::string& why);

private:
    void Follow();
    std::string Named() const;

    const SoundDirection direction_;
    std::vector<SoundDeviceInfo> devices_;
    int32_t index_ = 1;
    std::string name_;
    std::string description_;   // of the named device, as last listed
};
