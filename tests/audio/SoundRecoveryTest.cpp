#include "audio/QELVODX8.h"
#include "audio/frmDX8Events.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakePerfCounter.h"
#include "fakes/FakeSoundBackend.h"
#include "MainWindowSoundFormat.h"
#include "core/Globals.h"
#include "core/frmLog.h"
#include "support/ScopedTestHome.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QTimer>

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

// The engine on the fake backend, started and fed block by block as a test says.
struct RecoveryRig
{
    RecoveryRig()
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

    void Raise(Kind what, SoundDirection direction, const std::string& device, const std::string& why, double ago = 0)
    {
        backend.RaiseStateEvent({what, direction, device, why, ago});
    }
    void ServerLost() { Raise(Kind::ServerLost, Playback, "unix:/run/sound", "Connection terminated"); }
    void ServerBack() { Raise(Kind::ServerBack, Playback, "unix:/run/sound", ""); }
    void Hang(double ago) { Raise(Kind::ServerLost, Playback, "unix:/run/sound", "not answering", ago); }
    void Step() { engine.Recovery().Step(); }
    void Later(int milliseconds) { clock.Count += milliseconds; }
    SoundRecovery::State StateNow() { return engine.Recovery().CurrentState(); }
    // The playback device takes sound while capture runs.
    bool SoundFlows()
    {
        const size_t before = backend.Writes.size();
        DeliverCapture(4);
        FreePlayback();
        return engine.InAction() && backend.Writes.size() > before;
    }

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

class SoundRecoveryTest : public ::testing::Test, public RecoveryRig
{
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


// ---- the table of states and events ----------------------------------------------------

using State = SoundRecovery::State;

enum class From { Off, On, Waiting, Opening, Checking };
enum class Event { StreamFailed, Removed, Lost, Hang, Back, Off, On, QuickOffOn, Timer, Flows };
enum class End { Off, Sound };

struct Row
{
    From from;
    Event event;
    State next;   // for Opening: once the attempt has returned
    End end;      // once the server answers for good and time passes
};

const char* Name(From from)
{
    static const char* const names[] = {"Idle, off", "Idle, on", "Waiting", "Opening", "Checking"};
    return names[static_cast<int>(from)];
}

const char* Name(Event event)
{
    static const char* const names[] = {"stream failed", "device removed", "server lost", "hang", "server back",
                                        "Off", "On", "quick Off/On", "timer", "sound flows"};
    return names[static_cast<int>(event)];
}

void Apply(RecoveryRig& rig, Event event)
{
    switch (event) {
    case Event::StreamFailed: rig.Raise(Kind::StreamFailed, Capture, "default", "Input/output error"); break;
    case Event::Removed: rig.Raise(Kind::DeviceRemoved, Playback, "default", "Entity killed"); break;
    case Event::Lost: rig.ServerLost(); break;
    case Event::Hang: rig.Hang(3); break;
    case Event::Back: rig.ServerBack(); break;
    case Event::Off: rig.engine.StopSound(); break;
    case Event::On: rig.engine.StartSound(); break;
    case Event::QuickOffOn:
        rig.engine.StopSound();
        rig.engine.StartSound();
        EXPECT_TRUE(rig.engine.Running()) << "the switch stays On";
        break;
    case Event::Timer: rig.Step(); break;
    case Event::Flows: rig.DeliverCapture(3), rig.FreePlayback(); break;
    }
}

// The rig brought into the state, the server answering again, and the event applied there;
// an Opening is an attempt during which the event is reported.
void ApplyIn(RecoveryRig& rig, From from, Event event)
{
    if (from != From::Off)
        rig.StartPlaying();
    if (from == From::Waiting) {
        rig.backend.FailingDevices = {"default"};
        rig.ServerLost();
        rig.Step();
        ASSERT_EQ(rig.StateNow(), State::Waiting) << "the attempt failed";
        rig.backend.FailingDevices.clear();
    } else if (from == From::Opening || from == From::Checking) {
        rig.ServerLost();
    }
    if (from == From::Opening) {
        rig.backend.DuringOpen = [&rig, event](SoundDirection) {
            rig.backend.DuringOpen = nullptr;
            ASSERT_EQ(rig.StateNow(), State::Opening);
            Apply(rig, event);
        };
        rig.Step();
        return;
    }
    if (from == From::Checking) {
        rig.Step();
        ASSERT_EQ(rig.StateNow(), State::Checking);
    }
    Apply(rig, event);
}

// Time passes with the server answering: attempts are made and blocks flow.
void RunOn(RecoveryRig& rig)
{
    for (int k = 0; k < 20; ++k) {
        rig.Later(100);
        rig.Step();
        rig.DeliverCapture();
        rig.FreePlayback();
    }
}

TEST(SoundRecoveryTable, EveryEventInEveryStateLeadsToTheNextAttemptOrEndsAsTheUserAsked)
{
    using enum From;
    const auto S = End::Sound;
    const auto O = End::Off;
    const std::vector<Row> rows = {
        {Off, Event::StreamFailed, State::Idle, O}, {Off, Event::Removed, State::Idle, O},
        {Off, Event::Lost, State::Idle, O}, {Off, Event::Hang, State::Idle, O}, {Off, Event::Back, State::Idle, O},
        {Off, Event::Off, State::Idle, O}, {Off, Event::On, State::Idle, S}, {Off, Event::QuickOffOn, State::Idle, S},
        {Off, Event::Timer, State::Idle, O}, {Off, Event::Flows, State::Idle, O},

        {On, Event::StreamFailed, State::Waiting, S}, {On, Event::Removed, State::Waiting, S},
        {On, Event::Lost, State::Waiting, S}, {On, Event::Hang, State::Waiting, S}, {On, Event::Back, State::Waiting, S},
        {On, Event::Off, State::Idle, O}, {On, Event::On, State::Idle, S}, {On, Event::QuickOffOn, State::Idle, S},
        {On, Event::Timer, State::Idle, S}, {On, Event::Flows, State::Idle, S},

        {Waiting, Event::StreamFailed, State::Waiting, S}, {Waiting, Event::Removed, State::Waiting, S},
        {Waiting, Event::Lost, State::Waiting, S}, {Waiting, Event::Hang, State::Waiting, S},
        {Waiting, Event::Back, State::Waiting, S}, {Waiting, Event::Off, State::Idle, O},
        {Waiting, Event::On, State::Idle, S}, {Waiting, Event::QuickOffOn, State::Idle, S},
        {Waiting, Event::Timer, State::Checking, S}, {Waiting, Event::Flows, State::Waiting, S},

        {Opening, Event::StreamFailed, State::Waiting, S}, {Opening, Event::Removed, State::Waiting, S},
        {Opening, Event::Lost, State::Waiting, S}, {Opening, Event::Hang, State::Waiting, S},
        {Opening, Event::Back, State::Checking, S}, {Opening, Event::Off, State::Idle, O},
        {Opening, Event::On, State::Idle, S}, {Opening, Event::QuickOffOn, State::Idle, S},
        {Opening, Event::Timer, State::Checking, S},

        {Checking, Event::StreamFailed, State::Waiting, S}, {Checking, Event::Removed, State::Waiting, S},
        {Checking, Event::Lost, State::Waiting, S}, {Checking, Event::Hang, State::Waiting, S},
        {Checking, Event::Back, State::Waiting, S}, {Checking, Event::Off, State::Idle, O},
        {Checking, Event::On, State::Idle, S}, {Checking, Event::QuickOffOn, State::Idle, S},
        {Checking, Event::Timer, State::Checking, S}, {Checking, Event::Flows, State::Idle, S},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(Name(row.from)) + " + " + Name(row.event));
        RecoveryRig rig;
        ApplyIn(rig, row.from, row.event);
        EXPECT_EQ(rig.StateNow(), row.next);
        RunOn(rig);
        if (row.end == End::Sound) {
            EXPECT_TRUE(rig.SoundFlows());
            EXPECT_FALSE(rig.engine.Recovery().Active());
        } else {
            EXPECT_FALSE(rig.engine.Running());
        }
        EXPECT_TRUE(rig.boxes.boxes.empty()) << rig.boxes.Last().prompt;
        EXPECT_EQ(rig.soundLost, 0);
    }
}

// A server that crashes twice in a row: lost, back, lost again while the attempt opens the
// devices, then back for good, more than the give-up time after the first loss.
TEST_F(SoundRecoveryTest, AServerLostAgainWhileTheDevicesOpenAndThenBackForGoodGivesSoundAndNoBox)
{
    ScopedTestHome home;
    TraceOn = true;
    frmLog log;
    StartPlaying();
    backend.FailingDevices = {"default"};
    ServerLost();
    Step();
    Later(6000);
    backend.FailingDevices.clear();
    backend.DuringOpen = [this](SoundDirection) {
        backend.DuringOpen = nullptr;
        backend.FailingDevices = {"default"};
        ServerLost();
    };
    ServerBack();
    Step();
    EXPECT_EQ(StateNow(), State::Waiting);
    const int opens = backend.Opens;
    Later(5000);
    backend.FailingDevices.clear();
    ServerBack();
    QCoreApplication::processEvents();   // the attempt comes at once, by the recovery's own timer
    EXPECT_GT(backend.Opens, opens);
    EXPECT_TRUE(SoundFlows());
    EXPECT_FALSE(engine.Recovery().Active());
    TraceOn = false;
    const QList<QListWidgetItem*> back = log.lstLog->findItems("the sound is back after", Qt::MatchContains);
    ASSERT_EQ(back.size(), 1);
    EXPECT_TRUE(back[0]->text().endsWith("the sound is back after 11.172 s")) << "counted from the first loss";
    Later(20000);
    Step();
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(soundLost, 0);
}

// A hung server is reported some seconds after its last answer; the give-up time counts from that.
TEST_F(SoundRecoveryTest, AServerThatStopsAnsweringStopsTheReceiverGiveUpSecondsAfterItsLastAnswer)
{
    StartPlaying();
    backend.FailingDevices = {"default"};
    Hang(4);
    Step();
    Later(5900);
    Step();
    EXPECT_TRUE(boxes.boxes.empty());
    Later(100);
    Step();
    EXPECT_EQ(soundLost, 1);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.Last().prompt.find("the sound server unix:/run/sound went away (not answering)"), std::string::npos)
        << boxes.Last().prompt;
    EXPECT_FALSE(engine.Running());
}

TEST_F(SoundRecoveryTest, AServerThatAnswersAgainAfterAHangBringsTheSoundBack)
{
    StartPlaying();
    backend.FailingDevices = {"default"};
    Hang(2);
    Step();
    Later(5000);
    Step();
    backend.FailingDevices.clear();
    ServerBack();
    Step();
    EXPECT_TRUE(SoundFlows());
    EXPECT_FALSE(engine.Recovery().Active());
    Later(20000);
    Step();
    EXPECT_TRUE(boxes.boxes.empty());
}

// Devices that open but bring no sound, or whose playback will not start, are tried again or
// end in the box like devices that do not open.
TEST_F(SoundRecoveryTest, DevicesThatOpenButPlayNothingAreOpenedAgainOrEndInTheBox)
{
    StartPlaying();
    ServerLost();
    Step();
    backend.FailingPlaybackStarts = 4;
    DeliverCapture(6);
    EXPECT_EQ(StateNow(), State::Waiting) << "playback would not start";
    EXPECT_TRUE(boxes.boxes.empty());
    Step();
    EXPECT_EQ(StateNow(), State::Checking);
    Later(10000);
    Step();
    EXPECT_EQ(soundLost, 1);
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

// Off and On clicked while an attempt opens the devices: the user's start, with the chosen
// device again where "default" stood in for it.
TEST_F(SoundRecoveryTest, OffAndOnClickedWhileTheDevicesOpenStartTheChosenDevicesAfresh)
{
    engine.SetCurrentPlaybackDevice(2);
    StartPlaying();
    Raise(Kind::DeviceRemoved, Playback, "hw:0,0", "Entity killed");
    backend.DuringOpen = [this](SoundDirection) {
        backend.DuringOpen = nullptr;
        engine.StopSound();
        engine.StartSound();
        EXPECT_TRUE(engine.Running());
    };
    Step();
    EXPECT_EQ(StateNow(), State::Idle);
    EXPECT_EQ(backend.Of(Playback).Name, "hw:0,0");
    EXPECT_TRUE(SoundFlows());

    backend.FailingDevices = {"hw:0,0"};   // gone for good: the late start fails as the user's does
    Raise(Kind::DeviceRemoved, Playback, "hw:0,0", "Entity killed");
    backend.DuringOpen = [this](SoundDirection) {
        backend.DuringOpen = nullptr;
        engine.StopSound();
        engine.StartSound();
    };
    Step();
    EXPECT_FALSE(engine.Running());
    EXPECT_EQ(soundLost, 1) << "the switch goes Off";
    EXPECT_EQ(boxes.boxes.size(), 1u);
}


// The server goes as the user switches off, while the engine waits for its devices to report
// stopped: nothing is brought back behind a switch that shows Off.
TEST_F(SoundRecoveryTest, ALossWhileTheUserStopsTheSoundBringsNothingBack)
{
    StartPlaying();
    backend.Of(Capture).PollsUntilStopped = 4;
    QTimer::singleShot(0, [this] { ServerLost(); });
    const int opens = backend.Opens;
    engine.StopSound();
    for (int k = 0; k < 4; ++k)
        QCoreApplication::processEvents();
    EXPECT_FALSE(engine.Running());
    EXPECT_EQ(backend.Opens, opens);
    EXPECT_TRUE(boxes.boxes.empty());
}

} // namespace
