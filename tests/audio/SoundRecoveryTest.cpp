#include "audio/QELVODX8.h"
#include "audio/frmDX8Events.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakePerfCounter.h"
#include "fakes/FakeSoundBackend.h"
#include "MainWindowSoundFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The engine's sound brought back after a failed stream, a removed device or a lost server,
// or the receiver stopped with one message when it cannot be. The recovery's timer is
// stood in for by calling its step; the clock is the fake performance counter's.
namespace {

constexpr int32_t N = 2048;
constexpr auto Capture = SoundDirection::Capture;
constexpr auto Playback = SoundDirection::Playback;
using Kind = SoundStateEvent::Kind;

class SoundRecoveryTest : public ::testing::Test
{
protected:
    SoundRecoveryTest()
    {
        UseMainWindowSoundFormat(engine, 2);
        QObject::connect(&engine, &QELVODX8::DataReady,
                         [this](std::span<int16_t> left, std::span<int16_t>, int32_t count) { engine.Output(left, left, count); });
        QObject::connect(&engine.Recovery(), &SoundRecovery::SoundLost, [this] { ++soundLost; });
    }

    void DeliverCapture(int blocks = 1)
    {
        for (int i = 0; i < blocks; ++i) {
            clock.Count += BlockMilliseconds;
            backend.DeliverCaptureBlock(captured % 2, std::vector<int16_t>(2 * N, 1000)), ++captured;
        }
    }
    void FreePlayback() { backend.FreePlaybackBlock(played % 4), ++played; }

    // Started, and the playback device has taken a block.
    void StartPlaying()
    {
        engine.StartSound();
        ASSERT_TRUE(engine.InAction());
        DeliverCapture(3);
        FreePlayback();
    }

    void Raise(Kind what, SoundDirection direction, const std::string& device, const std::string& why)
    {
        backend.RaiseStateEvent({what, direction, device, why});
    }
    void ServerLost() { Raise(Kind::ServerLost, Playback, "unix:/run/sound", "Connection terminated"); }
    void Step() { engine.Recovery().Step(); }
    void Later(int milliseconds) { clock.Count += milliseconds; }

    static constexpr int BlockMilliseconds = 43;
    FakePerfCounter clock{1000, 0};   // in milliseconds
    FakeSoundBackend backend;
    FakeMessageBoxes boxes;
    QELVODX8 engine{backend};
    frmDX8Events events{engine};
    int captured = 0;
    int played = 0;
    int soundLost = 0;
};

TEST_F(SoundRecoveryTest, ALostServerIsTriedQuietlyAndTheSoundIsBackAsSoonAsItAnswers)
{
    StartPlaying();
    backend.FailingDevices = {"default"};   // nothing answers
    ServerLost();
    EXPECT_TRUE(engine.Recovery().Active());
    EXPECT_TRUE(engine.Running()) << "the receiver counts as on meanwhile";
    Step();
    Later(3000);
    Step();
    EXPECT_FALSE(engine.InAction());
    EXPECT_TRUE(boxes.boxes.empty()) << "failures while it is brought back are not shown";

    backend.FailingDevices.clear();
    Raise(Kind::ServerBack, Playback, "unix:/run/sound", "");
    Step();
    ASSERT_TRUE(engine.InAction());
    EXPECT_EQ(backend.Of(Capture).Name, "default");
    EXPECT_TRUE(backend.Of(Capture).Running);
    EXPECT_TRUE(engine.Recovery().Active()) << "until the sound flows";
    DeliverCapture(3);
    EXPECT_TRUE(backend.Of(Playback).Running);
    FreePlayback();
    EXPECT_FALSE(engine.Recovery().Active());
    Later(20000);
    Step();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(soundLost, 0);
}

TEST_F(SoundRecoveryTest, AServerThatStaysAwayStopsTheReceiverWithOneMessageNamingIt)
{
    StartPlaying();
    backend.FailingDevices = {"default"};
    ServerLost();
    for (int attempt = 0; attempt < 5; ++attempt, Later(1900))
        Step();
    EXPECT_TRUE(boxes.boxes.empty()) << "not within the 10 s";
    Later(1000);
    Step();
    EXPECT_EQ(soundLost, 1);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    const std::string& text = boxes.Last().prompt;
    EXPECT_NE(text.find("the sound server unix:/run/sound went away (Connection terminated)"), std::string::npos) << text;
    EXPECT_NE(text.find("Start the sound server again"), std::string::npos) << text;
    EXPECT_FALSE(engine.Running());
    EXPECT_TRUE(backend.Of(Capture).Name.empty()) << "the devices are let go of";

    Later(5000);
    Step();
    ServerLost();   // the receiver is off now
    Step();
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_FALSE(engine.Recovery().Active());
    backend.FailingDevices.clear();
    engine.StartSound();
    EXPECT_TRUE(engine.InAction()) << "On once the server is back";
}

TEST_F(SoundRecoveryTest, AChosenDeviceThatGoesIsReplacedByTheDefaultUntilTheSoundIsStartedAgain)
{
    for (const SoundDirection direction : {Playback, Capture}) {
        SCOPED_TRACE(direction == Playback ? "playback" : "capture");
        engine.SetCurrentPlaybackDevice(direction == Playback ? 2 : 1);
        engine.SetCurrentCaptureDevice(direction == Capture ? 2 : 1);
        StartPlaying();
        ASSERT_EQ(backend.Of(direction).Name, "hw:0,0");
        Raise(Kind::DeviceRemoved, direction, "hw:0,0", "Entity killed");
        Step();
        EXPECT_TRUE(engine.InAction());
        EXPECT_EQ(backend.Of(direction).Name, "default");
        EXPECT_EQ(direction == Playback ? engine.CurrentPlaybackDevice() : engine.CurrentCaptureDevice(), 2)
            << "the choice is kept";
        DeliverCapture(3);
        FreePlayback();
        EXPECT_FALSE(engine.Recovery().Active());

        engine.StopSound();   // Off, and On again: the chosen device
        engine.StartSound();
        EXPECT_EQ(backend.Of(direction).Name, "hw:0,0");
        engine.StopSound();
        engine.ReleaseDevices();
        EXPECT_TRUE(boxes.boxes.empty());
    }
}

TEST_F(SoundRecoveryTest, AFailedStreamIsOpenedAgainOnTheSameDevices)
{
    engine.SetCurrentPlaybackDevice(2);
    StartPlaying();
    Raise(Kind::StreamFailed, Capture, "default", "Input/output error");
    Step();
    EXPECT_TRUE(engine.InAction());
    EXPECT_EQ(backend.Of(Playback).Name, "hw:0,0");
    EXPECT_EQ(backend.Of(Capture).Starts, 1) << "opened afresh";
}

TEST_F(SoundRecoveryTest, EventsWhileOffAndAnOffDuringTheRecoveryBringNothingBack)
{
    ServerLost();
    EXPECT_FALSE(engine.Recovery().Active());
    Step();
    EXPECT_TRUE(backend.Of(Capture).Name.empty());

    StartPlaying();
    backend.FailingDevices = {"default"};
    ServerLost();
    Step();
    engine.StopSound();   // the user switches off
    EXPECT_FALSE(engine.Running());
    Later(11000);
    Step();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(soundLost, 0);
}

// A device with a pace of its own takes its blocks whether capture delivers or not.
TEST_F(SoundRecoveryTest, APacedPlaybackThatStopsTakingBlocksIsWatchedWhileCaptureIsIdle)
{
    backend.Paced = true;
    StartPlaying();
    Later(3900);
    engine.Recovery().WatchPlayback();
    EXPECT_EQ(backend.Of(Playback).Stops, 0) << "merely late";
    Later(200);
    engine.Recovery().WatchPlayback();
    EXPECT_EQ(backend.Of(Playback).Stops, 1) << "opened again";
}

} // namespace
