#include "platform/AlsaDeviceList.h"
#include "platform/AlsaLibraryErrors.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

namespace {

constexpr const char* DefaultName = "default";

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

// The name hint's value, released at once.
std::string HintValue(void* hint, const char* id, bool& present)
{
    char* value = snd_device_name_get_hint(hint, id);
    present = value != nullptr;
    std::string text = value ? value : "";
    std::free(value);
    return text;
}

bool HintFits(void* hint, SoundDirection direction)
{
    bool present = false;
    const std::string ioid = HintValue(hint, "IOID", present);
    return !present || ioid == (direction == SoundDirection::Capture ? "Input" : "Output");
}

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The files in which ALSA reads a configuration of the user's or the administrator's own.
std::vector<std::string> OwnConfigurationFiles()
{
    std::vector<std::string> files{"/etc/asound.conf"};
    const std::string home = Environment("HOME");
    std::string configHome = Environment("XDG_CONFIG_HOME");
    if (configHome.empty() && !home.empty())
        configHome = home + "/.config";
    if (!home.empty())
        files.push_back(home + "/.asoundrc");
    if (!configHome.empty())
        files.push_back(configHome + "/alsa/asoundrc");
    return files;
}

// The devices those files define; a file that is missing or does not read adds nothing
// (or what ALSA read of it before the fault).
std::set<std::string> OwnDevices()
{
    std::set<std::string> devices;
    snd_config_t* top = nullptr;
    if (snd_config_top(&top) < 0)
        return devices;
    for (const std::string& file : OwnConfigurationFiles()) {
        snd_input_t* input = nullptr;
        if (snd_input_stdio_open(&input, file.c_str(), "r") < 0)
            continue;
        snd_config_load(top, input);
        snd_input_close(input);
    }
    snd_config_t* pcms = nullptr;
    if (snd_config_search(top, "pcm", &pcms) == 0 && snd_config_get_type(pcms) == SND_CONFIG_TYPE_COMPOUND) {
        snd_config_iterator_t entry, next;
        snd_config_for_each(entry, next, pcms) {
            const char* id = nullptr;
            if (snd_config_get_id(snd_config_iterator_entry(entry), &id) == 0 && id)
                devices.insert(id);
        }
    }
    snd_config_delete(top);
    return devices;
}

// "hw:CARD=Device,DEV=0" is the device "hw" with its arguments.
bool Offered(const std::string& name, const std::set<std::string>& ownDevices)
{
    const std::string device = name.substr(0, name.find(':'));
    return device == DefaultName || device == "hw" || device == "plughw" || ownDevices.count(device) > 0;
}

} // namespace

namespace AlsaDeviceList {

std::vector<SoundDeviceInfo> Devices(SoundDirection direction)
{
    std::vector<SoundDeviceInfo> devices;
    void** hints = nullptr;
    const AlsaLibraryErrors::Quiet quiet;
    if (snd_device_name_hint(-1, "pcm", &hints) == 0) {
        const std::set<std::string> ownDevices = OwnDevices();
        for (void** hint = hints; *hint; ++hint) {
            bool hasName = false, hasDescription = false;
            const std::string name = HintValue(*hint, "NAME", hasName);
            const std::string description = HintValue(*hint, "DESC", hasDescription);
            if (hasName && HintFits(*hint, direction) && Offered(name, ownDevices))
                devices.push_back({name, FirstLine(description)});
        }
        snd_device_name_free_hint(hints);
    }
    const auto isDefault = [](const SoundDeviceInfo& device) { return device.Name == DefaultName; };
    const auto found = std::find_if(devices.begin(), devices.end(), isDefault);
    if (found == devices.end())
        devices.insert(devices.begin(), {DefaultName, "Default sound device"});
    else
        std::rotate(devices.begin(), found, found + 1);
    return devices;
}

int CardCount()
{
    int count = 0;
    for (int card = -1; snd_card_next(&card) == 0 && card >= 0;)
        ++count;
    return count;
}

} // namespace AlsaDeviceList
