#include "audio/QELVODX8.h"
#include "audio/frmDX8Events.h"
#include "core/DoEvents.h"
#include "fakes/FakeMessageBoxes.h"
#include "platform/AlsaSoundBackend.h"
#include "support/AlsaFileDevices.h"
#include "MainWindowSoundFormat.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t N = 2048;
constexpr int BlocksInFile = 32;
constexpr int BlocksToCapture = 12;

int16_t Left(int block, int frame) { return static_cast<int16_t>(block * 1000 + frame % 500); }
int16_t Right(int block, int frame) { return static_cast<int16_t>(-block * 1000 - frame % 300); }

std::vector<int16_t> CaptureFile()
{
    std::vector<int16_t> frames;
    for (int block = 0; block < BlocksInFile; ++block)
        for (int frame = 0; frame < N; ++frame)
            frames.insert(frames.end(), {Left(block, frame), Right(block, frame)});
    return frames;
}

TEST(AlsaSoundPath, CapturedBlocksReachDataReadyAndQueuedBlocksArePlayedInOrderAfterTheDelay)
{
    AlsaFileDevices devices;
    devices.WriteCapture(CaptureFile());
    FakeMessageBoxes boxes;
    AlsaSoundBackend backend;
    QELVODX8 engine(backend);
    frmDX8Events events(engine);

    std::vector<std::string> names;
    engine.GetCapDeviceNames(names);
    engine.SetCurrentCaptureDevice(AlsaFileDevices::DeviceIndex(names, AlsaFileDevices::CaptureDescription));
    engine.GetPlayDeviceNames(names);
    engine.SetCurrentPlaybackDevice(AlsaFileDevices::DeviceIndex(names, AlsaFileDevices::PlaybackDescription));
    UseMainWindowSoundFormat(engine);
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
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.Last().prompt;

    ASSERT_GE(leftBlocks.size(), static_cast<size_t>(BlocksToCapture));
    for (size_t block = 0; block < leftBlocks.size(); ++block) {
        for (int frame = 0; frame < N; ++frame) {
            ASSERT_EQ(leftBlocks[block][frame], Left(static_cast<int>(block), frame)) << block << ":" << frame;
            ASSERT_EQ(rightBlocks[block][frame], Right(static_cast<int>(block), frame)) << block << ":" << frame;
        }
    }

    // Every processed block in order from the first, scaled by the attenuation on its way
    // to the device only: a device that keeps no pace gets the samples exactly.
    const std::vector<int16_t> played = devices.Played();
    ASSERT_EQ(played.size() % N, 0u);
    const size_t playedBlocks = played.size() / N;
    ASSERT_GE(playedBlocks, 4u);
    const float gain = static_cast<float>(std::pow(10.0, -600 / 2000.0));
    for (size_t block = 0; block < playedBlocks; ++block) {
        ASSERT_LT(block, leftBlocks.size());
        for (int i = 0; i < N; ++i) {
            const auto expected = static_cast<int16_t>(std::nearbyint(static_cast<float>(leftBlocks[block][i]) * gain));
            ASSERT_EQ(played[block * N + i], expected) << "played block " << block << ":" << i;
        }
    }
    EXPECT_EQ(unscaledInRing, blocksOut);
    EXPECT_GE(blocksOut, playedBlocks);
    EXPECT_LE(blocksOut, playedBlocks + 1) << "what was handed on was played, but for the last block";
}

} // namespace
