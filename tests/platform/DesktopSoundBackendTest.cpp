#include "core/DoEvents.h"
#include "platform/AlsaSoundBackend.h"
#include "platform/DesktopSoundBackend.h"
#include "support/PacedSoundRig.h"
#include "support/ScopedAlsaHome.h"
#include "support/SilentPlaybackSource.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

// Which backend serves a device: the sound server "default" and its "pulse:" devices where
// one runs, ALSA the rest, in a list that keeps ALSA's devices where they always were.
namespace {

constexpr auto Playback = SoundDirection::Playback;
constexpr int32_t BlockFrames = 2048;
const SoundBufferDesc MonoBlocks{{1, 48000, 16}, 4 * BlockFrames * 2, BlockFrames * 2};

std::vector<std::string> Names(const std::vector<SoundDeviceInfo>& devices)
{
    std::vector<std::string> names;
    for (const SoundDeviceInfo& device : devices)
        names.push_back(device.Name);
    return names;
}

// Whether the kernel offers a sound card, by its control devices.
bool SystemHasASoundCard() { return !QDir("/dev/snd").entryList({"controlC*"}, QDir::System).isEmpty(); }

void RunFor(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        DoEvents();
}

// Opens, starts and stops a playback device; whether it keeps a pace of its own.
bool PlaysPaced(DesktopSoundBackend& backend, const std::string& name)
{
    EXPECT_EQ(backend.OpenDevice(Playback, name), 0) << backend.ErrorText();
    EXPECT_EQ(backend.CreateBuffer(Playback, MonoBlocks), 0) << backend.ErrorText();
    EXPECT_EQ(backend.Start(Playback), 0) << backend.ErrorText();
    RunFor(200);
    EXPECT_TRUE(backend.IsRunning(Playback)) << name;
    const bool paced = backend.PlaybackKeepsPace();
    backend.CloseDevice(Playback);
    EXPECT_FALSE(backend.IsRunning(Playback));
    return paced;
}

TEST(DesktopSoundBackend, WithoutASoundServerListsAndOpensThroughAlsa)
{
    QTemporaryDir home;
    ScopedAlsaHome alsaHome(home.path(), "");
    QDir(home.path()).mkpath(".config/pulse");
    QFile config(home.filePath(".config/pulse/client.conf"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("autospawn = no\ndefault-server = unix:" + home.filePath("no-such-socket").toUtf8() + "\n");
    config.close();

    DesktopSoundBackend backend;
    AlsaSoundBackend alsa;
    EXPECT_EQ(Names(backend.Devices(Playback)), Names(alsa.Devices(Playback)));
    SilentPlaybackSource silence;
    backend.SetPlaybackSource(&silence);
    EXPECT_FALSE(PlaysPaced(backend, "null")) << "ALSA's null device keeps no pace";
    EXPECT_LT(backend.OpenDevice(Playback, "pulse:zoz_played"), 0);
    EXPECT_NE(backend.ErrorText().find("pulse:zoz_played"), std::string::npos) << backend.ErrorText();
    EXPECT_LT(backend.Start(Playback), 0) << "nothing open";
    const SoundSystemFound found = backend.FoundSoundSystem();
    EXPECT_FALSE(found.ServerAnswers);
    EXPECT_EQ(found.CardPresent, SystemHasASoundCard());
}

TEST(DesktopSoundBackend, OnASoundServerAddsItsDevicesAfterAlsasAndSwitchesBetweenThemWithoutARestart)
{
    PacedSoundRig rig;
    if (!rig.SkipReason().empty())
        GTEST_SKIP() << rig.SkipReason();
    DesktopSoundBackend backend;
    const std::vector<SoundDeviceInfo> listed = backend.Devices(Playback);
    const std::vector<std::string> alsa = Names(AlsaSoundBackend().Devices(Playback));
    ASSERT_GT(listed.size(), alsa.size());
    EXPECT_TRUE(std::equal(alsa.begin(), alsa.end(), Names(listed).begin())) << "ALSA's devices keep their places";
    EXPECT_EQ(listed.front().Description, "Default device of the sound server (zoz_played_sink)");
    const auto served = std::find_if(listed.begin(), listed.end(),
                                     [](const SoundDeviceInfo& device) { return device.Name == "pulse:zoz_played"; });
    ASSERT_NE(served, listed.end());
    EXPECT_EQ(served->Description, "zoz_played_sink");

    SilentPlaybackSource silence;
    backend.SetPlaybackSource(&silence);
    EXPECT_TRUE(PlaysPaced(backend, "pulse:zoz_played"));
    EXPECT_FALSE(PlaysPaced(backend, "null"));
    EXPECT_TRUE(PlaysPaced(backend, "default"));
    EXPECT_TRUE(backend.FoundSoundSystem().ServerAnswers);
}

} // namespace
