#pragma once

#include "platform/SoundBackend.h"

#include <vector>

// ALSA's devices of one direction as the program offers them, from ALSA's name hints:
// "default" first, then the cards' own devices ("hw:" and "plughw:", each naming its card by
// the card's id, which stays the same wherever the card is plugged in) and the devices that
// the user's or the administrator's own configuration defines (~/.asoundrc,
// $XDG_CONFIG_HOME/alsa/asoundrc, /etc/asound.conf). The plugins that ALSA's packages
// define with no card behind them (rate converters, jack, oss, upmix, ...) are left out:
// by themselves they play nowhere.
namespace AlsaDeviceList {

std::vector<SoundDeviceInfo> Devices(SoundDirection direction);
// The sound cards the system has (none in a container or on a server without sound).
int CardCount();

} // namespace AlsaDeviceList
