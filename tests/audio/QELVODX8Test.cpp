#include "audio/PlaybackBridge.h"
#include "audio/QELVODX8.h"
#include "audio/frmDX8Events.h"
#include "core/Globals.h"
#include "core/RuntimeError.h"
#include "core/frmLog.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakePerfCounter.h"
#include "fakes/FakeSoundBackend.h"
#include "MainWindowSoundFormat.h"
#include "support/ScopedTestHome.h"

#include <QListWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <tuple>

namespace {

constexpr int32_t N = 2048;
constexpr auto Capture = SoundDirection::Capture;
constexpr auto Playback = SoundDirection::Playback;

// A block of N interleaved stereo frames whose samples tell block, frame and channel apart.
std::vector<int16_t> StereoBlock(int block)
{
    std::vector<int16_t> frames(2 * N);
    for (int i = 0; i < N; ++i) {
        frames[2 * i] = static_cast<int16_t>(block * 100 + i % 97);
        frames[2 * i + 1] = static_cast<int16_t>(-(block * 100 + i % 89));
    }
    return frames;
}

// The time the playback bridge reads where a test has it follow the captured blocks: a block's
// time passes at each one, as at a capture's pace.
int64_t captureNanoseconds = 0;

int64_t CaptureClock()
{
    return captureNanoseconds;
}

// The notification offsets of both tables, and their event ids.
std::pair<std::vector<int32_t>, std::set<int32_t>> Notifications(FakeSoundBackend& backend, SoundDirection direction)
{
    std::pair<std::vector<int32_t>, std::set<int32_t>> table;
    for (const PositionNotify& entry : backend.NotificationPositions(direction)) {
        table.first.push_back(entry.Offset);
        table.second.insert(entry.EventId);
    }
    return table;
}

class SoundEngine : public ::testing::Test
{
protected:
    SoundEngine()
    {
        QObject::connect(&engine, &QELVODX8::DataReady, [this](std::span<int16_t> left, std::span<int16_t>, int32_t count) {
            ++blocksReady;
            onDataReady(left, count);
        });
        QObject::connect(&engine, &QELVODX8::DataOut, [this](std::span<int16_t> ring, int32_t offset, int32_t bytes) {
            dataOut.push_back({offset, bytes});
            lastRing = ring;
        });
    }

    // The main window's configuration.
    void Configure(int32_t channelsIn = 2) { UseMainWindowSoundFormat(engine, channelsIn); }

    // The receive chain's part: the left channel goes back out, as the mono output block.
    void EchoLeftChannel()
    {
        onDataReady = [this](std::span<int16_t> left, int32_t count) { engine.Output(left, left, count); };
    }

    // Each block arrives a block period after the one before.
    void DeliverCapture(int blocks = 1)
    {
        for (int i = 0; i < blocks; ++i) {
            clock.Count += BlockMilliseconds;
            captureNanoseconds += int64_t{BlockMilliseconds} * 1000000;
            backend.DeliverCaptureBlock(captured % 2, StereoBlock(captured)), ++captured;
        }
    }
    void FreePlayback() { backend.FreePlaybackBlock(played % 4), ++played; }

    static constexpr int BlockMilliseconds = 43;
    FakePerfCounter clock{1000, 0};   // in milliseconds
    FakeSoundBackend backend;
    FakeMessageBoxes boxes;
    QELVODX8 engine{backend};
    frmDX8Events events{engine};
    std::function<void(std::span<int16_t>, int32_t)> onDataReady = [](std::span<int16_t>, int32_t) {};
    int blocksReady = 0;
    std::vector<std::pair<int32_t, int32_t>> dataOut;
    std::span<int16_t> lastRing;
    int captured = 0;
    int played = 0;
};

TEST_F(SoundEngine, OpensBuffersAndNotificationPositionsOfTheMainWindowsConfiguration)
{
    Configure();
    engine.StartSound();

    const SoundBufferDesc& capture = backend.Of(Capture).Desc;
    const SoundBufferDesc& playback = backend.Of(Playback).Desc;
    EXPECT_EQ(backend.Of(Capture).Name, "default");
    EXPECT_EQ(std::tuple(capture.Format.Channels, capture.Format.SamplesPerSecond, capture.BufferBytes, capture.BlockBytes),
              std::tuple(2, 48000, 16384, 8192));
    EXPECT_EQ(std::tuple(playback.Format.Channels, playback.BufferBytes, playback.BlockBytes), std::tuple(1, 16384, 4096));
    const auto [captureOffsets, captureIds] = Notifications(backend, Capture);
    const auto [playbackOffsets, playbackIds] = Notifications(backend, Playback);
    EXPECT_EQ(captureOffsets, (std::vector<int32_t>{8191, 16383}));
    EXPECT_EQ(playbackOffsets, (std::vector<int32_t>{4095, 8191, 12287, 16383}));
    std::set<int32_t> ids = captureIds;
    ids.insert(playbackIds.begin(), playbackIds.end());
    EXPECT_EQ(ids.size(), 6u) << "one event per notification";

    EXPECT_TRUE(engine.InAction());
    EXPECT_EQ(engine.OutDelay(), 3);
    EXPECT_EQ(backend.Of(Capture).Starts, 1);
    EXPECT_EQ(backend.Of(Playback).Starts, 0);
}

TEST_F(SoundEngine, PlaybackStartsAfterTheThirdCapturedBlockAndNeverAgain)
{
    Configure();
    bool playingDuringDataReady = false;
    onDataReady = [&](std::span<int16_t> left, int32_t count) {
        engine.Output(left, left, count);
        playingDuringDataReady |= backend.Of(Playback).Running;
    };
    engine.StartSound();

    DeliverCapture(2);
    EXPECT_EQ(backend.Of(Playback).Starts, 0);
    DeliverCapture();
    EXPECT_EQ(blocksReady, 3);
    EXPECT_EQ(backend.Of(Playback).Starts, 1);
    EXPECT_FALSE(playingDuringDataReady);

    engine.StartSound();   // already running: changes nothing
    EXPECT_EQ(backend.Of(Capture).Starts, 1);
    EXPECT_EQ(engine.OutDelay(), 0);
    for (int i = 0; i < 10; ++i) {
        DeliverCapture();
        FreePlayback();
    }
    EXPECT_EQ(backend.Of(Playback).Starts, 1);
}

// The receive chain is told before every start of the capture, the recovery's too, so that
// nothing captured before a stop is taken to go on in the first block after it.
TEST_F(SoundEngine, TellsTheChainBeforeEveryStartOfTheCapture)
{
    Configure();
    std::vector<std::pair<bool, int>> notices;   // the capture running, and the blocks ready, at each
    QObject::connect(&engine, &QELVODX8::CaptureStarting,
                     [&] { notices.emplace_back(backend.Of(Capture).Running, blocksReady); });
    engine.StartSound();
    DeliverCapture(2);
    engine.StartSound();   // already running: no start
    engine.StopSound();
    engine.StartSound();
    DeliverCapture();
    engine.Reopen();       // as the recovery brings the sound back
    const std::vector<std::pair<bool, int>> expected{{false, 0}, {false, 2}, {false, 3}};
    EXPECT_EQ(notices, expected);
    EXPECT_TRUE(backend.Of(Capture).Running);
}

TEST_F(SoundEngine, SplitsStereoFramesAndCopiesMonoToBothChannels)
{
    Configure();
    engine.StartSound();
    const std::vector<int16_t> frames = StereoBlock(7);
    backend.DeliverCaptureBlock(1, frames);
    for (size_t i = 0; i < N; ++i)
        ASSERT_EQ(std::pair(events.Channel1[i], events.Channel2[i]), std::pair(frames[2 * i], frames[2 * i + 1])) << i;

    engine.ReleaseDevices();
    Configure(1);
    engine.StartSound();
    backend.DeliverCaptureBlock(0, frames);   // one channel: the first N samples
    EXPECT_TRUE(std::equal(frames.begin(), frames.begin() + N, events.Channel1.begin()));
    EXPECT_TRUE(std::equal(frames.begin(), frames.begin() + N, events.Channel2.begin()));
    EXPECT_EQ(blocksReady, 2);
}

TEST_F(SoundEngine, PlaysQueuedBlocksInOrderAcrossTheRingsWrapAndSilencesPlayedBlocks)
{
    Configure();
    EchoLeftChannel();
    engine.StartSound();
    DeliverCapture(3);
    for (int i = 0; i < 12; ++i) {
        DeliverCapture();
        EXPECT_EQ(engine.OutBufferWritePtrWrap(), captured == 8) << "only the eighth Output returns to 0";
        FreePlayback();
        // The block just written is silence in the ring until Output refills it.
        const auto played = lastRing.subspan(static_cast<size_t>(dataOut.back().first), N);
        EXPECT_TRUE(std::all_of(played.begin(), played.end(), [](int16_t s) { return s == 0; })) << "block " << i;
    }

    EXPECT_EQ(lastRing.size(), 32769u);
    ASSERT_EQ(backend.Writes.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        const FakeSoundBackend::Write& write = backend.Writes[static_cast<size_t>(i)];
        EXPECT_EQ(write.StartByte, (i % 4) * 4096);
        EXPECT_EQ(dataOut[static_cast<size_t>(i)], std::make_pair((i % 8) * 4096, 4096));
        ASSERT_EQ(write.Samples.size(), static_cast<size_t>(N));
        EXPECT_EQ(write.Samples[5], StereoBlock(i)[10]) << "block " << i;   // left sample of frame 5
    }
}

TEST_F(SoundEngine, AttenuationIsStoredInHundredthsAndReadInDecibels)
{
    const std::pair<int32_t, int32_t> cases[] = {{-40000, -100}, {-10000, -100}, {-150, -2}, {-250, -2}, {250, 250}, {0, 0}};
    for (const auto& [set, read] : cases) {
        engine.SetOutputAttenuation(set);
        EXPECT_EQ(engine.OutputAttenuation(), read) << set;
    }

    Configure();
    EchoLeftChannel();
    engine.StartSound();
    DeliverCapture(3);
    for (int32_t attenuation : {-10000, -1, 0, 5000}) {
        engine.SetOutputAttenuation(attenuation);
        DeliverCapture();
        FreePlayback();
    }
    EXPECT_EQ(backend.Volumes, (std::vector<int32_t>{0, -10000, -1, 0, 0})) << "set as playback starts, then at each block played";
}

TEST_F(SoundEngine, RejectsABlockSizeTheChannelArraysCannotHold)
{
    for (int32_t size : {0, -5, QELVODX8::MaxSamplesPerEvent + 1}) {
        try {
            engine.SetSamplesPerEvent(size);
            ADD_FAILURE() << size << " accepted";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.Number(), QELVODX8::ErrInvalidPropertyValue);
        }
    }
    EXPECT_EQ(engine.SamplesPerEvent(), N);
}

TEST_F(SoundEngine, StoppingInsideDataReadyNeverStartsPlayback)
{
    Configure();
    onDataReady = [this](std::span<int16_t> left, int32_t count) {
        engine.Output(left, left, count);
        if (blocksReady == 3)
            engine.StopSound();
    };
    backend.Of(Capture).PollsUntilStopped = 2;   // the device takes a while to report stopped
    engine.StartSound();
    DeliverCapture(3);
    EXPECT_FALSE(engine.InAction());
    EXPECT_FALSE(backend.Of(Capture).Running);
    EXPECT_EQ(backend.Of(Playback).Starts, 0);

    // A restart waits for three blocks again.
    engine.StartSound();
    EchoLeftChannel();
    DeliverCapture(2);
    EXPECT_EQ(backend.Of(Playback).Starts, 0);
    DeliverCapture();
    EXPECT_EQ(backend.Of(Playback).Starts, 1);
}

TEST_F(SoundEngine, ReleasingInsideDataReadyClosesEverythingAndLaterNotificationsAreIgnored)
{
    Configure();
    onDataReady = [this](std::span<int16_t>, int32_t) { engine.ReleaseDevices(); };
    engine.StartSound();
    DeliverCapture();
    EXPECT_FALSE(engine.Prepared());
    EXPECT_FALSE(engine.InAction());
    EXPECT_TRUE(backend.Of(Capture).Name.empty());
    EXPECT_TRUE(backend.Of(Playback).Name.empty());

    EXPECT_FALSE(engine.EventHandler(0, events.Channel1, events.Channel2));
    engine.StopSound();
    engine.ReleaseDevices();
    EXPECT_EQ(blocksReady, 1);
}

// The first sample of a block that StereoBlock(block) sent through the echoing chain.
int16_t FirstSampleOf(int block) { return StereoBlock(block)[0]; }

TEST_F(SoundEngine, PlaybackThatRunsOutOrFallsBehindGoesOnWithoutARestartOrALostBlock)
{
    Configure();
    EchoLeftChannel();
    engine.StartSound();
    DeliverCapture(3);
    ASSERT_TRUE(backend.Of(Playback).Running);

    // Three blocks queued: the fourth time the device finds nothing to take; the next block
    // captured is played the time after.
    for (int i = 0; i < 4; ++i)
        FreePlayback();
    EXPECT_EQ(backend.Writes.size(), 3u);
    DeliverCapture();
    FreePlayback();
    ASSERT_EQ(backend.Writes.size(), 4u);
    EXPECT_EQ(backend.Writes.back().Samples[0], FirstSampleOf(3));

    // Twenty blocks captured while playback takes none wait for it, more than the staging
    // ring holds: none is lost.
    DeliverCapture(20);
    for (int block = 4; block < 24; ++block) {
        FreePlayback();
        ASSERT_EQ(backend.Writes.back().Samples[0], FirstSampleOf(block));
    }
    EXPECT_EQ(dataOut.size(), 24u) << "each block announced as it is handed on";
    EXPECT_EQ(backend.Of(Playback).Stops, 0);
    EXPECT_EQ(backend.Of(Playback).Starts, 1);
}

TEST_F(SoundEngine, APacedDeviceIsFedThroughTheClockBridgeAtTheTargetDelay)
{
    backend.Paced = true;
    backend.DeviceFrames = N;
    Configure();
    EchoLeftChannel();
    engine.StartSound();
    DeliverCapture(3);
    ASSERT_TRUE(backend.Of(Playback).Running);
    for (int i = 0; i < 3; ++i) {
        FreePlayback();
        DeliverCapture();
    }
    ASSERT_EQ(backend.Writes.size(), 3u);
    EXPECT_TRUE(std::all_of(backend.Writes.begin(), backend.Writes.end(),
                            [](const FakeSoundBackend::Write& write) { return write.Samples.size() == N; }))
        << "a paced device is always given whole blocks";
}

// A device that takes nothing for a while, less than the stall watch waits: once the
// bridge's FIFO is full, each block it has no room for is dropped, and the trace says so, as
// it says of silence played and of sound trimmed.
TEST_F(SoundEngine, SoundDroppedForWantOfRoomIsTraced)
{
    ScopedTestHome home;
    TraceOn = true;
    frmLog log;
    Configure();
    EchoLeftChannel();
    engine.SetFSampling(48000);
    engine.StartSound();
    constexpr int FifoBlocks = 64;
    DeliverCapture(FifoBlocks + 2);
    TraceOn = false;
    int dropped = 0;
    for (int row = 0; row < log.lstLog->count(); ++row)
        dropped += log.lstLog->item(row)->text() ==
                   "QELVODX8.EventHandler:Playback buffer full (the device takes too little), 42 ms of sound dropped";
    EXPECT_EQ(dropped, 2);
    EXPECT_EQ(backend.Of(Playback).Stops, 0);
}

// A paced device that begins to take sound only after a second of capture, as a sound server's
// sink that first plays out what it had rendered ahead: the sound starts with the newest, at
// its delay, and the trace says how late the device began, with no word of sound dropped.
TEST_F(SoundEngine, ADeviceThatBeginsLateIsTracedAsALateStartNotAsSoundDropped)
{
    ScopedTestHome home;
    TraceOn = true;
    frmLog log;
    backend.Paced = true;
    backend.DeviceFrames = N;
    PlaybackBridge::UseClock(CaptureClock);
    Configure();
    EchoLeftChannel();
    engine.SetFSampling(48000);
    engine.StartSound();
    DeliverCapture(24);
    FreePlayback();
    DeliverCapture();
    TraceOn = false;
    PlaybackBridge::UseClock(nullptr);
    std::vector<std::string> lines;
    for (int row = 0; row < log.lstLog->count(); ++row)
        lines.push_back(log.lstLog->item(row)->text().toStdString());
    const auto began = std::find_if(lines.begin(), lines.end(),
                                    [](const std::string& line) { return line.starts_with("QELVODX8.EventHandler:Playback began "); });
    ASSERT_NE(began, lines.end());
    EXPECT_NE(began->find(" ms behind capture and starts with the newest sound"), std::string::npos) << *began;
    EXPECT_FALSE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) { return line.find("dropped") != std::string::npos; }));
    ASSERT_FALSE(backend.Writes.empty());
    EXPECT_TRUE(std::any_of(backend.Writes.back().Samples.begin(), backend.Writes.back().Samples.end(),
                            [](int16_t sample) { return sample != 0; }))
        << "the sound starts at the device's first call";
}

TEST_F(SoundEngine, PlaybackThatTakesNothingForFourSecondsIsOpenedAgainThenBroughtBackOrShown)
{
    Configure();
    EchoLeftChannel();
    engine.SetFSampling(48000);
    engine.StartSound();
    constexpr int StalledBlocks = (4000 + BlockMilliseconds - 1) / BlockMilliseconds;
    DeliverCapture(3);
    FreePlayback();   // playback ran once, then stopped taking blocks
    DeliverCapture(StalledBlocks - 1);
    EXPECT_EQ(backend.Of(Playback).Stops, 0) << "merely late";
    DeliverCapture();
    EXPECT_EQ(backend.Of(Playback).Stops, 1);
    EXPECT_FALSE(backend.Of(Playback).Running);

    // Taken up again after three fresh blocks; it still takes nothing: both devices are
    // opened afresh, and when that brings no sound within 10 s either, the user is told once
    // and the sound stops.
    DeliverCapture(3);
    EXPECT_EQ(backend.Of(Playback).Starts, 2);
    EXPECT_TRUE(boxes.boxes.empty());
    DeliverCapture(StalledBlocks);
    EXPECT_FALSE(backend.Of(Playback).Running);
    EXPECT_TRUE(boxes.boxes.empty());
    ASSERT_TRUE(engine.Recovery().Active());
    engine.Recovery().Step();
    EXPECT_TRUE(engine.InAction()) << "opened again";
    DeliverCapture(10'000 / BlockMilliseconds + 1);
    engine.Recovery().Step();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.Last().prompt.find("Playback device \"default\" has played nothing for 4 s"), std::string::npos)
        << boxes.Last().prompt;
    EXPECT_FALSE(engine.Running());
    DeliverCapture(2 * StalledBlocks);
    EXPECT_EQ(boxes.boxes.size(), 1u) << "told once";
}

TEST_F(SoundEngine, ABacklogOfCapturedBlocksHandledAtOnceIsNoStall)
{
    Configure();
    EchoLeftChannel();
    engine.StartSound();
    DeliverCapture(3);
    FreePlayback();
    for (int i = 0; i < 200; ++i)   // four seconds of blocks and more, within a moment
        backend.DeliverCaptureBlock(captured % 2, StereoBlock(captured)), ++captured;
    EXPECT_EQ(backend.Of(Playback).Stops, 0);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SoundEngine, APlaybackThatTakesBlocksAgainAfterARestartIsWatchedAfresh)
{
    Configure();
    EchoLeftChannel();
    engine.StartSound();
    constexpr int StalledBlocks = (4000 + BlockMilliseconds - 1) / BlockMilliseconds;
    DeliverCapture(3 + StalledBlocks);
    DeliverCapture(3);
    ASSERT_EQ(backend.Of(Playback).Starts, 2);
    FreePlayback();
    DeliverCapture(StalledBlocks + 3);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(backend.Of(Playback).Starts, 3) << "restarted again rather than given up";
}

TEST_F(SoundEngine, APlaybackStartThatFailsIsTriedAtEachFollowingBlockAndShownAfterTheLast)
{
    Configure();
    EchoLeftChannel();
    engine.StartSound();
    backend.FailingPlaybackStarts = 3;   // the fourth attempt succeeds
    DeliverCapture(5);
    EXPECT_FALSE(backend.Of(Playback).Running);
    DeliverCapture();
    EXPECT_TRUE(backend.Of(Playback).Running);
    EXPECT_EQ(backend.FailingPlaybackStarts, 0);
    EXPECT_TRUE(boxes.boxes.empty());

    engine.StopSound();
    engine.StartSound();   // power off and on: a clean start with every attempt again
    backend.FailingPlaybackStarts = 10;
    DeliverCapture(12);
    EXPECT_EQ(backend.FailingPlaybackStarts, 6) << "no attempts after the message";
    ASSERT_EQ(boxes.boxes.size(), 1u);
    // The message of a device that does not open, with the device and the error.
    EXPECT_EQ(boxes.Last().prompt.rfind("Unable to start the sound devices. Check the sound card and the sound server.\n"
                                        "Playback device \"default\": cannot be prepared (Broken pipe) To use",
                                        0),
              0u)
        << boxes.Last().prompt;
    EXPECT_FALSE(engine.Running()) << "the receiver stops rather than listen to nothing";
    EXPECT_EQ(blocksReady, 12);
}

TEST_F(SoundEngine, AFailedOpenIsShownLeavesTheEngineStoppedAndCanBeRetried)
{
    const std::string firstLine = "Unable to start the sound devices. Check the sound card and the sound server.\n";
    // The second line says where another device is chosen.
    const std::string choice = " To use another device, choose it on the Soundcard tab of the configuration window (Config).";
    Configure();
    engine.SetCurrentCaptureDevice(3);   // a card unplugged since the last run
    engine.StartSound();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.Last().prompt.rfind(firstLine + "Capture device number 3 is not among the 2", 0), 0u) << boxes.Last().prompt;
    EXPECT_EQ(boxes.Last().style, MessageBoxes::vbOKOnly);
    EXPECT_NE(engine.LastErr(), 0);
    EXPECT_FALSE(engine.Prepared());
    EXPECT_FALSE(engine.InAction());
    EXPECT_TRUE(backend.Of(Playback).Name.empty());   // what had opened is closed again
    engine.StopSound();
    engine.ReleaseDevices();

    engine.SetCurrentCaptureDevice(2);
    backend.FailingDevices.insert("hw:0,0");
    engine.PrepareDevices();
    EXPECT_EQ(boxes.Last().prompt, firstLine + "device \"hw:0,0\": cannot be opened (Device or resource busy)" + choice);

    backend.FailingDevices.clear();
    backend.FailBuffers = true;
    engine.StartSound();
    EXPECT_NE(boxes.Last().prompt.find("cannot run at 48000 samples per second"), std::string::npos);
    EXPECT_FALSE(engine.InAction());

    backend.FailBuffers = false;
    engine.SetNoBlocksInBuffer(1);
    engine.SetInp2OutpBufferRatio(1);   // playback would never start
    engine.StartSound();
    EXPECT_EQ(boxes.Last().prompt, firstLine + "The playback buffer needs at least 2 blocks, not 1." + choice);
    ASSERT_EQ(boxes.boxes.size(), 4u);

    Configure();
    engine.StartSound();
    EXPECT_TRUE(engine.InAction());
    EXPECT_EQ(backend.Of(Capture).Name, "hw:0,0");
    EXPECT_EQ(engine.LastErr(), 0);
}

// On a machine with neither a sound server nor a sound card there is no other device to
// choose: the box says what is missing and what to do instead. Either one present keeps the
// advice to choose another device.
TEST_F(SoundEngine, AMachineWithNeitherServerNorCardIsToldWhatIsMissing)
{
    const std::string opened = "Unable to start the sound devices. Check the sound card and the sound server.\n"
                               "device \"default\": cannot be opened (Device or resource busy)";
    const std::string choice = " To use another device, choose it on the Soundcard tab of the configuration window (Config).";
    Configure();
    engine.SetCurrentPlaybackDevice(1);
    backend.FailingDevices.insert("default");
    backend.Found = {.ServerAnswers = false, .CardPresent = false};
    engine.StartSound();
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.Last().prompt,
              opened + "\nNo sound server answers (PulseAudio or PipeWire) and no sound card is present. Start the "
                       "desktop's sound server, or connect a sound card; on a machine with neither, the receiver "
                       "cannot play.");
    EXPECT_FALSE(engine.Running());

    for (const SoundSystemFound found : {SoundSystemFound{.ServerAnswers = false, .CardPresent = true},
                                         SoundSystemFound{.ServerAnswers = true, .CardPresent = false}}) {
        backend.Found = found;
        engine.StartSound();
        EXPECT_EQ(boxes.Last().prompt, opened + choice) << found.ServerAnswers;
    }
    EXPECT_EQ(boxes.boxes.size(), 3u);
}

TEST(SoundEngineDevices, ListsDescriptionsByPositionAndAnEmptyListAsMinusOne)
{
    FakeSoundBackend backend;
    backend.PlaybackDevices = {{"default", "Default"}, {"hw:0,0", "Speakers"}, {"hw:1,0", "USB headset"}};
    QELVODX8 engine(backend);
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(engine.GetPlayDeviceNames(names), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"Default", "Speakers", "USB headset"}));

    // Position 2 is device index 3.
    engine.SetCurrentPlaybackDevice(2 + 1);
    engine.PrepareDevices();
    EXPECT_EQ(backend.Of(SoundDirection::Playback).Name, "hw:1,0");

    FakeSoundBackend deaf;
    deaf.CaptureDevices.clear();
    EXPECT_EQ(QELVODX8(deaf).GetCapDeviceNames(names), -1);
    EXPECT_TRUE(names.empty());
}

} // namespace
