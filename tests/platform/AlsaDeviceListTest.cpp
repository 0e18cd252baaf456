#include "platform/AlsaDeviceList.h"
#include "support/ScopedAlsaHome.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The devices ALSA's hints name, all of them.
std::vector<std::string> HintedNames()
{
    std::vector<std::string> names;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) != 0)
        return names;
    for (void** hint = hints; *hint; ++hint) {
        char* name = snd_device_name_get_hint(*hint, "NAME");
        if (name)
            names.emplace_back(name);
        std::free(name);
    }
    snd_device_name_free_hint(hints);
    return names;
}

bool Listed(const std::vector<SoundDeviceInfo>& devices, const std::string& name)
{
    return std::any_of(devices.begin(), devices.end(), [&name](const SoundDeviceInfo& device) { return device.Name == name; });
}

// ALSA's packages define plugins such as "null", "jack", "oss" or "upmix" with no card behind
// them; the user's own configuration defines devices of the user's own. The lists hold
// "default" once and first, the cards' devices and the user's own, with the first line of
// each description.
TEST(AlsaDeviceList, OffersDefaultTheCardsAndTheUsersOwnDevicesButNoPluginWithoutACard)
{
    QTemporaryDir dir;
    ScopedAlsaHome home(dir.path(), R"(
pcm.zoz_own_output {
    type null
    hint { show on description "My own output" }
}
pcm.zoz_own_input {
    type null
    hint { show on description "My own input
which has a second line" }
}
)");
    ASSERT_TRUE(home.Written());
    const std::vector<std::string> hinted = HintedNames();
    ASSERT_NE(std::find(hinted.begin(), hinted.end(), "null"), hinted.end()) << "every installation defines null";
    ASSERT_NE(std::find(hinted.begin(), hinted.end(), "zoz_own_output"), hinted.end());

    for (const SoundDirection direction : {SoundDirection::Playback, SoundDirection::Capture}) {
        const std::vector<SoundDeviceInfo> devices = AlsaDeviceList::Devices(direction);
        ASSERT_FALSE(devices.empty());
        EXPECT_EQ(devices.front().Name, "default");
        EXPECT_EQ(std::count_if(devices.begin(), devices.end(), [](const auto& d) { return d.Name == "default"; }), 1);
        EXPECT_TRUE(Listed(devices, "zoz_own_output"));
        const auto input = std::find_if(devices.begin(), devices.end(), [](const auto& d) { return d.Name == "zoz_own_input"; });
        ASSERT_NE(input, devices.end());
        EXPECT_EQ(input->Description, "My own input");
        for (const SoundDeviceInfo& device : devices) {
            const std::string kind = device.Name.substr(0, device.Name.find(':'));
            EXPECT_TRUE(kind == "default" || kind == "hw" || kind == "plughw" || kind.starts_with("zoz_own_"))
                << device.Name << " has no card behind it";
        }
        for (const char* plugin : {"null", "lavrate", "samplerate", "jack", "oss", "pulse", "upmix", "vdownmix"})
            EXPECT_FALSE(Listed(devices, plugin)) << plugin;
    }
}

// A configuration of the user's own that ALSA cannot read leaves ALSA with no configuration
// at all, and no hints: "default" is still offered, which the sound server serves.
TEST(AlsaDeviceList, AnUnreadableConfigurationLeavesDefaultOffered)
{
    QTemporaryDir dir;
    ScopedAlsaHome home(dir.path(), "pcm.zoz_broken { type null hint { show on description \"Broken\"");
    const std::vector<SoundDeviceInfo> devices = AlsaDeviceList::Devices(SoundDirection::Playback);
    ASSERT_FALSE(devices.empty());
    EXPECT_EQ(devices.front().Name, "default");
    EXPECT_FALSE(Listed(devices, "null"));
}

} // namespace
