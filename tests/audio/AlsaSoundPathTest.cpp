#include "audio/QELVODX8.h"
#include "audio/frmDX8Events.h"
#include "core/DoEvents.h"
#include "fakes/FakeMessageBoxes.h"
#include "platform/AlsaSoundBackend.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t N = 2048;
constexpr int BlocksInFile = 32;
constexpr int BlocksToCapture = 12;
constexpr int PrimedBlocks = 4;   // playback starts from a full buffer of silence

int16_t Left(int block, int frame) { return static_cast<int16_t>(block * 1000 + frame % 500); }
int16_t Right(int block, int frame) { return static_cast<int16_t>(-block * 1000 - frame % 300); }

// ALSA's file plugin in a temporary HOME: "zoztest_capture" reads a raw stereo file,
// "zoztest_playback" writes a raw mono file. Neither is paced in real time.
class AlsaFileDevices
{
public:
    AlsaFileDevices() : oldHome_(qgetenv("HOME"))
    {
        std::vector<int16_t> frames;
        for (int block = 0; block < BlocksInFile; ++block)
            for (int frame = 0; frame < N; ++frame)
                frames.insert(frames.end(), {Left(block, frame), Right(block, frame)});
        WriteFile("in.raw", QByteArray(reinterpret_cast<const char*>(frames.data()),
                                       static_cast<qsizetype>(frames.size() * sizeof(int16_t))));
        const QString folder = dir_.path();
        WriteFile(".asoundrc", QStringLiteral(R"(
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
)").arg(folder).toUtf8());
        qputenv("HOME", folder.toLocal8Bit());
        snd_config_update_free_global();   // so that ALSA reads the new HOME's .asoundrc
    }

    ~AlsaFileDevices()
    {
        qputenv("HOME", oldHome_);
        snd_config_update_free_global();
    }

    std::vector<int16_t> Played() const
    {
        QFile file(dir_.filePath("out.raw"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QByteArray bytes = file.readAll();
        std::vector<int16_t> samples(static_cast<size_t>(bytes.size()) / sizeof(int16_t));
        std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(int16_t));
        return samples;
    }

private:
    void WriteFile(const QString& name, const QByteArray& contents)
    {
        QFile file(dir_.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    QTemporaryDir dir_;
    QByteArray oldHome_;
};

int32_t DeviceIndex(const std::vector<std::string>& names, const std::string& description)
{
    const auto found = std::find(names.begin(), names.end(), description);
    return found == names.end() ? 0 : static_cast<int32_t>(found - names.begin()) + 1;
}

TEST(AlsaSoundPath, CapturedBlocksReachDataReadyAndQueuedBlocksArePlayedInOrderAfterTheDelay)
{
    AlsaFileDevices devices;
    FakeMessageBoxes boxes;
    AlsaSoundBackend backend;
    QELVODX8 engine(backend);
    frmDX8Events events(engine);

    std::vector<std::string> names;
    engine.GetCapDeviceNames(names);
    engine.SetCurrentCaptureDevice(DeviceIndex(names, "ZOZEVERE test capture"));
    engine.GetPlayDeviceNames(names);
    engine.SetCurrentPlaybackDevice(DeviceIndex(names, "ZOZEVERE test playback"));
    engine.SetFSampling(48000);
    engine.SetNoChannelsIn(2);
    engine.SetNoChannelsOut(1);
    engine.SetNoBlocksInBuffer(2);
    engine.SetSamplesPerEvent(N);
    engine.SetBitsPerSample(16);
    engine.SetInp2OutpBufferRatio(2);
    engine.SetOutputAttenuation(-600);

    std::vector<std::vector<int16_t>> leftBlocks, rightBlocks;
    QObject::connect(&engine, &QELVODX8::DataReady, [&](std::span<int16_t> left, std::span<int16_t> right, int32_t count) {
        leftBlocks.emplace_back(left.begin(), left.begin() + count);
        rightBlocks.emplace_back(right.begin(), right.begin() + count);
        engine.Output(left, left, count);
    });
    size_t blocksOut = 0, unscaledInRing = 0;
    QObject::connect(&engine, &QELVODX8::DataOut, [&](std::span<int16_t> ring, int32_t offset, int32_t) {
        const auto block = ring.subspan(static_cast<size_t>(offset), N);
        unscaledInRing += blocksOut < leftBlocks.size() && std::equal(block.begin(), block.end(), leftBlocks[blocksOut].begin());
        ++blocksOut;
    });

    engine.StartSound();
    ASSERT_TRUE(engine.InAction()) << (boxes.boxes.empty() ? "" : boxes.Last().prompt);
    QElapsedTimer clock;
    clock.start();
    while (leftBlocks.size() < BlocksToCapture && clock.elapsed() < 20000)
        DoEvents();
    engine.StopSound();
    engine.ReleaseDevices();   // closes the files

    ASSERT_GE(leftBlocks.size(), static_cast<size_t>(BlocksToCapture));
    for (size_t block = 0; block < leftBlocks.size(); ++block) {
        for (int frame = 0; frame < N; ++frame) {
            ASSERT_EQ(leftBlocks[block][frame], Left(static_cast<int>(block), frame)) << block << ":" << frame;
            ASSERT_EQ(rightBlocks[block][frame], Right(static_cast<int>(block), frame)) << block << ":" << frame;
        }
    }

    // Silence while the primed buffer plays, then every queued block in order, scaled by
    // the attenuation on its way to the device only.
    const std::vector<int16_t> played = devices.Played();
    ASSERT_EQ(played.size() % N, 0u);
    const size_t playedBlocks = played.size() / N;
    ASSERT_GE(playedBlocks, PrimedBlocks + 4u);
    EXPECT_TRUE(std::all_of(played.begin(), played.begin() + PrimedBlocks * N, [](int16_t s) { return s == 0; }));
    const float gain = static_cast<float>(std::pow(10.0, -600 / 2000.0));
    for (size_t block = 0; block + PrimedBlocks < playedBlocks; ++block) {
        ASSERT_LT(block, leftBlocks.size());
        for (int i = 0; i < N; ++i) {
            const auto expected = static_cast<int16_t>(std::nearbyint(static_cast<float>(leftBlocks[block][i]) * gain));
            ASSERT_EQ(played[(block + PrimedBlocks) * N + i], expected) << "played block " << block << ":" << i;
        }
    }
    EXPECT_EQ(unscaledInRing, blocksOut);
    EXPECT_EQ(blocksOut, playedBlocks - PrimedBlocks);
}

} // namespace
