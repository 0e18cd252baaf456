#pragma once

#include "core/Settings.h"
#include "platform/AlsaSoundBackend.h"
#include "support/RawSamples.h"
#include "support/ScopedAlsaHome.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// ALSA's file plugin in a temporary HOME: the capture device "ZOZEVERE test capture" reads
// a raw stereo file, the playback device "ZOZEVERE test playback" writes a raw mono file.
// Neither is paced in real time, so tests count blocks, never seconds. The capture file is
// read when the device opens, so it may be written after the devices were listed.
class AlsaFileDevices
{
public:
    static constexpr const char* CaptureDescription = "ZOZEVERE test capture";
    static constexpr const char* PlaybackDescription = "ZOZEVERE test playback";

    AlsaFileDevices() : home_(dir_.path(), QStringLiteral(R"(
pcm.zoztest_capture {
    type file
    slave.pcm "null"
    file "%1/capture-copy.raw"
    infile "%1/in.raw"
    format "raw"
    hint { show on description "ZOZEVERE test capture" }
}
pcm.zoztest_playback {
    type file
    slave.pcm "null"
    file "%1/out.raw"
    format "raw"
    hint { show on description "ZOZEVERE test playback" }
}
)").arg(dir_.path()).toUtf8())
    {
        EXPECT_TRUE(home_.Written());
    }

    AlsaFileDevices(const AlsaFileDevices&) = delete;
    AlsaFileDevices& operator=(const AlsaFileDevices&) = delete;

    // Interleaved frames: first channel, second channel.
    void WriteCapture(const std::vector<int16_t>& frames)
    {
        WriteFile("in.raw", QByteArray(reinterpret_cast<const char*>(frames.data()),
                                       static_cast<qsizetype>(frames.size() * sizeof(int16_t))));
    }

    std::vector<int16_t> Played() const { return ReadRawSamples(dir_.filePath("out.raw")); }

    // The 1-based position of a device in a list of descriptions, 0 when it is missing.
    static int32_t DeviceIndex(const std::vector<std::string>& names, const std::string& description)
    {
        const auto found = std::find(names.begin(), names.end(), description);
        return found == names.end() ? 0 : static_cast<int32_t>(found - names.begin()) + 1;
    }

    // Stores these devices as the sound card in use, as the configuration window would.
    static void StoreAsSoundCard()
    {
        AlsaSoundBackend backend;
        const std::pair<SoundDirection, const char*> stored[] = {{SoundDirection::Capture, "CurrentCaptureDevice"},
                                                                 {SoundDirection::Playback, "CurrentPlaybackDevice"}};
        for (const auto& [direction, key] : stored) {
            std::vector<std::string> names;
            for (const SoundDeviceInfo& device : backend.Devices(direction))
                names.push_back(device.Description);
            const char* description = direction == SoundDirection::Capture ? CaptureDescription : PlaybackDescription;
            Settings::SaveSetting("frmMain", key, std::to_string(DeviceIndex(names, description)));
        }
    }

private:
    void WriteFile(const QString& name, const QByteArray& contents)
    {
        QFile file(dir_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    QTemporaryDir dir_;
    ScopedAlsaHome home_;
};
