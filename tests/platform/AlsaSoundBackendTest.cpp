#include "core/DoEvents.h"
#include "platform/AlsaSoundBackend.h"
#include "support/SoundEventRecorder.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <algorithm>
#include <functional>

// These tests use ALSA's "null" device, which every installation defines and which is not
// paced in real time: it always has a whole buffer to give or to take.
namespace {

constexpr auto Capture = SoundDirection::Capture;
constexpr auto Playback = SoundDirection::Playback;
constexpr int32_t BlockFrames = 2048;

SoundBufferDesc StereoBlocks(int32_t blocks)
{
    return {{2, 48000, 16}, blocks * BlockFrames * 4, BlockFrames * 4};
}

// Lets the main loop run until the sink has seen count events, or a few seconds passed.
void RunUntil(const RecordingSink& sink, size_t count)
{
    QElapsedTimer clock;
    clock.start();
    while (sink.events.size() < count && clock.elapsed() < 5000)
        DoEvents();
}

TEST(AlsaSoundBackend, RefusesMissingDevicesUnusableFormatsAndOutOfRangeBlocksWithTheDevicesName)
{
    AlsaSoundBackend backend;
    EXPECT_LT(backend.OpenDevice(Playback, "zoz_no_such_device"), 0);
    EXPECT_EQ(backend.ErrorText().rfind("Playback device \"zoz_no_such_device\": cannot be opened (", 0), 0u)
        << backend.ErrorText();
    int16_t block[BlockFrames * 2] = {};
    EXPECT_LT(backend.Start(Playback), 0);
    EXPECT_LT(backend.ReadBuffer(0, sizeof block, block), 0);

    ASSERT_EQ(backend.OpenDevice(Capture, "null"), 0);
    EXPECT_LT(backend.CreateBuffer(Capture, {{2, 48000, 8}, 16384, 8192}), 0);
    EXPECT_EQ(backend.ErrorText(), "Capture device \"null\": only 16-bit samples are supported, not 8 (Invalid argument)");
    EXPECT_LT(backend.ReadBuffer(0, 0, block), 0) << "no buffer yet";
    EXPECT_LT(backend.CreateBuffer(Capture, {{2, 48000, 16}, 8192, 8192}), 0);   // one block is no loop
    EXPECT_LT(backend.CreateBuffer(Capture, {{2, 48000, 16}, 16384, 8190}), 0);  // not whole frames

    ASSERT_EQ(backend.CreateBuffer(Capture, StereoBlocks(2)), 0);
    EXPECT_LT(backend.ReadBuffer(8192, 8194, block), 0);
    EXPECT_LT(backend.ReadBuffer(-2, 4, block), 0);
    EXPECT_LT(backend.ReadBuffer(0, 8192, std::span<int16_t>(block, 100)), 0);
    EXPECT_NE(backend.ErrorText().find("Capture device \"null\""), std::string::npos);
    EXPECT_EQ(backend.ReadBuffer(8192, 8192, block), 0);
}

TEST(AlsaSoundBackend, CaptureSignalsEachBlockInTurnAndMayBeClosedFromItsOwnNotification)
{
    AlsaSoundBackend backend;
    RecordingSink sink;
    const SoundBufferDesc desc = StereoBlocks(2);
    ASSERT_EQ(backend.OpenDevice(Capture, "null"), 0);
    ASSERT_EQ(backend.CreateBuffer(Capture, desc), 0) << backend.ErrorText();
    const std::vector<int32_t> ids = NotifyEveryBlock(backend, Capture, desc, sink);
    sink.onEvent = [&](int32_t) {
        int16_t block[BlockFrames * 2];
        std::fill(std::begin(block), std::end(block), int16_t{7});
        EXPECT_EQ(backend.ReadBuffer(sink.events.size() % 2 ? 0 : 8192, 8192, block), 0);
        EXPECT_TRUE(std::all_of(std::begin(block), std::end(block), [](int16_t s) { return s == 0; }));
        if (sink.events.size() == 5)
            backend.CloseDevice(Capture);
    };

    ASSERT_EQ(backend.Start(Capture), 0) << backend.ErrorText();
    RunUntil(sink, 5);
    for (int i = 0; i < 20; ++i)
        DoEvents();
    EXPECT_EQ(sink.events, (std::vector<int32_t>{ids[0], ids[1], ids[0], ids[1], ids[0]}));
    EXPECT_FALSE(backend.IsRunning(Capture));
    EXPECT_EQ(backend.OpenDevice(Capture, "null"), 0);   // the closed device is free again
}

} // namespace
