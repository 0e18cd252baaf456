#include "core/DoEvents.h"
#include "platform/DesktopSoundBackend.h"
#include "platform/PulseConnection.h"
#include "platform/PulseSoundBackend.h"
#include "support/HeldSoundServer.h"
#include "support/PacedSoundRig.h"
#include "support/SilentPlaybackSource.h"
#include "support/SoundEventRecorder.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <algorithm>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The backend against the rig's private server while the server is held with SIGSTOP, as a
// hung server is: no call on the main thread waits for it longer than LongestCallMs, and the
// owner hears that it is lost and that it is back.
namespace {

constexpr auto Capture = SoundDirection::Capture;
constexpr auto Playback = SoundDirection::Playback;
constexpr int32_t BlockFrames = 2048;
constexpr qint64 LongestCallMs = 250;
using Kind = SoundStateEvent::Kind;

SoundBufferDesc Blocks(int32_t channels)
{
    const int32_t blockBytes = BlockFrames * channels * 2;
    return {{channels, PacedSoundRig::SampleRate, 16}, 4 * blockBytes, blockBytes};
}

bool RunUntil(const std::function<bool()>& done, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        DoEvents();
    return done();
}

// How long a call took, in milliseconds.
qint64 Timed(const std::function<void()>& call)
{
    QElapsedTimer clock;
    clock.start();
    call();
    return clock.elapsed();
}

bool Lists(const std::vector<SoundDeviceInfo>& devices, const std::string& name)
{
    return std::any_of(devices.begin(), devices.end(), [&](const SoundDeviceInfo& device) { return device.Name == name; });
}

std::vector<std::string> traced;

void KeepTrace(const std::string& line)
{
    traced.push_back(line);
}

bool Traced(const std::string& text)
{
    return std::any_of(traced.begin(), traced.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

size_t Occurrences(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

class PulseSoundBackendHeldServer : public ::testing::TestWithParam<SoundServer>
{
protected:
    void SetUp() override
    {
        rig = std::make_unique<PacedSoundRig>(GetParam());
        if (!rig->SkipReason().empty())
            GTEST_SKIP() << rig->SkipReason();
        backend.SetStateSink(&told);
        backend.SetPlaybackSource(&silence);
        traced.clear();
        backend.SetTrace(KeepTrace);
    }

    void TearDown() override
    {
        backend.CloseDevice(Capture);
        backend.CloseDevice(Playback);
        backend.SetStateSink(nullptr);
    }

    // Both directions on the server's defaults, running, blocks coming.
    void StartBoth()
    {
        for (const auto& [direction, channels] : {std::pair{Capture, 2}, std::pair{Playback, 1}}) {
            ASSERT_EQ(backend.OpenDevice(direction, "default"), 0) << backend.ErrorText();
            ASSERT_EQ(backend.CreateBuffer(direction, Blocks(channels)), 0) << backend.ErrorText();
            NotifyEveryBlock(backend, direction, Blocks(channels), blocks);
            ASSERT_EQ(backend.Start(direction), 0) << backend.ErrorText();
        }
        ASSERT_TRUE(RunUntil([&] { return blocks.events.size() >= 4; }, 5000));
    }

    void StartStopAndStartAgainEarlyInAHold(PacedSoundRig::Held what, const std::string& unanswered);

    std::unique_ptr<PacedSoundRig> rig;   // first made, last gone: the server outlives the backend
    PulseSoundBackend backend;
    StateEvents told;
    SilentPlaybackSource silence;
    RecordingSink blocks;
};

// Held for a moment (1 s), the server is not lost; a capture started afresh 0.2 s into the
// hold returns at once and runs once the server answers it, traced as answered late.
TEST_P(PulseSoundBackendHeldServer, HeldBrieflyIsNoLoss)
{
    StartBoth();
    RecordingSink captured;
    {
        HeldSoundServer held(*rig);
        ASSERT_TRUE(held.Held());
        RunUntil([] { return false; }, 200);
        backend.Stop(Capture);
        NotifyEveryBlock(backend, Capture, Blocks(2), captured);
        int32_t result = -1;
        EXPECT_LT(Timed([&] { result = backend.Start(Capture); }), LongestCallMs);
        EXPECT_EQ(result, 0) << backend.ErrorText();
        RunUntil([] { return false; }, 800);
        EXPECT_TRUE(captured.events.empty());
    }
    EXPECT_TRUE(RunUntil([&] { return captured.events.size() >= 4; }, 2000));
    EXPECT_EQ(told.events.size(), 0u);
    EXPECT_TRUE(backend.IsRunning(Capture));
    EXPECT_TRUE(backend.IsRunning(Playback));
    EXPECT_TRUE(Traced("PulseSoundBackend.Start:the sound server started the stream of Capture device \"default\" "));
}

// Held: the lists come at once, from the start of the hold; the running devices stop with one
// report of a lost server that says how long ago it last answered; opening and starting fail
// at once and say why. Let go: the server is back, and the devices open and run again.
TEST_P(PulseSoundBackendHeldServer, HeldWhileRunningAnswersAtOnceAndIsToldLostThenBack)
{
    StartBoth();
    const std::vector<SoundDeviceInfo> before = backend.Devices(Playback);
    HeldSoundServer held(*rig);
    ASSERT_TRUE(held.Held());
    QElapsedTimer sinceHeld;
    sinceHeld.start();
    for (const SoundDirection direction : {Playback, Capture}) {
        std::vector<SoundDeviceInfo> devices;
        EXPECT_LT(Timed([&] { devices = backend.Devices(direction); }), LongestCallMs);
        EXPECT_TRUE(Lists(devices, direction == Playback ? "pulse:zoz_played" : "pulse:zoz_signal.monitor"));
    }

    ASSERT_TRUE(RunUntil([&] { return !told.events.empty(); }, 3 * PulseConnection::SilenceMs));
    const qint64 lostAfterMs = sinceHeld.elapsed();
    EXPECT_GE(lostAfterMs, PulseConnection::SilenceMs);
    ASSERT_EQ(told.events.size(), 1u);
    const SoundStateEvent lost = told.events.front();
    EXPECT_EQ(lost.What, Kind::ServerLost);
    EXPECT_EQ(lost.Why.rfind("not answering", 0), 0u) << lost.Why;
    EXPECT_NE(lost.Device.find("native"), std::string::npos) << "names the server: " << lost.Device;
    EXPECT_GE(lost.AgoSeconds, PulseConnection::SilenceMs / 1000.0);
    EXPECT_LE(lost.AgoSeconds, lostAfterMs / 1000.0 + PulseConnection::PingMs / 1000.0);
    EXPECT_FALSE(backend.IsRunning(Capture));
    EXPECT_FALSE(backend.IsRunning(Playback));

    std::vector<SoundDeviceInfo> devices;
    EXPECT_LT(Timed([&] { devices = backend.Devices(Playback); }), LongestCallMs);
    EXPECT_EQ(devices.size(), before.size());
    int32_t result = 0;
    EXPECT_LT(Timed([&] { result = backend.OpenDevice(Capture, "pulse:zoz_signal.monitor"); }), LongestCallMs);
    EXPECT_LT(result, 0);
    EXPECT_NE(backend.ErrorText().find("is not answering"), std::string::npos) << backend.ErrorText();
    EXPECT_LT(Timed([&] { result = backend.Start(Playback); }), LongestCallMs);
    EXPECT_LT(result, 0);
    EXPECT_EQ(backend.ErrorText().rfind("Playback device \"default\": the sound server ", 0), 0u) << backend.ErrorText();
    EXPECT_NE(backend.ErrorText().find("is not answering"), std::string::npos) << backend.ErrorText();
    EXPECT_EQ(told.events.size(), 1u);

    held.Release();
    ASSERT_TRUE(RunUntil([&] { return told.Count(Kind::ServerBack) > 0; }, 2000));
    EXPECT_EQ(told.events.size(), 2u);
    EXPECT_EQ(told.events.back().Device, lost.Device);
    blocks.events.clear();
    ASSERT_EQ(backend.Start(Playback), 0) << backend.ErrorText();
    ASSERT_EQ(backend.OpenDevice(Capture, "pulse:zoz_signal.monitor"), 0) << backend.ErrorText();
    ASSERT_EQ(backend.CreateBuffer(Capture, Blocks(2)), 0) << backend.ErrorText();
    NotifyEveryBlock(backend, Capture, Blocks(2), blocks);
    ASSERT_EQ(backend.Start(Capture), 0) << backend.ErrorText();
    EXPECT_TRUE(RunUntil([&] { return blocks.events.size() >= 4; }, 3000));
}

// Opened, given a buffer and started 0.2 s into a hold, before the server counts as not
// answering: each call returns at once and the device counts as running. The server's
// silence then stops both with one report of a lost server, traced as starts it did not
// answer. Let go, the server is back, keeps no stream of those starts, and the devices run.
TEST_P(PulseSoundBackendHeldServer, StartsEarlyInAHoldReturnAtOnceAndEndAsALostServer)
{
    ASSERT_TRUE(backend.ServerReachable());
    HeldSoundServer held(*rig);
    ASSERT_TRUE(held.Held());
    RunUntil([] { return false; }, 200);
    for (const auto& [direction, channels] : {std::pair{Capture, 2}, std::pair{Playback, 1}}) {
        const char* device = direction == Capture ? "pulse:zoz_signal.monitor" : "default";
        int32_t opened = -1;
        int32_t buffered = -1;
        int32_t started = -1;
        const qint64 openMs = Timed([&] { opened = backend.OpenDevice(direction, device); });
        const qint64 bufferMs = Timed([&] { buffered = backend.CreateBuffer(direction, Blocks(channels)); });
        const qint64 startMs = Timed([&] { started = backend.Start(direction); });
        std::cout << "  " << DirectionName(direction) << " in a hold: OpenDevice " << openMs << " ms, CreateBuffer "
                  << bufferMs << " ms, Start " << startMs << " ms\n";
        EXPECT_LT(openMs, LongestCallMs);
        EXPECT_LT(bufferMs, LongestCallMs);
        EXPECT_LT(startMs, LongestCallMs);
        EXPECT_EQ(opened, 0) << backend.ErrorText();
        EXPECT_EQ(buffered, 0) << backend.ErrorText();
        EXPECT_EQ(started, 0) << backend.ErrorText();
        EXPECT_TRUE(backend.IsRunning(direction));
        EXPECT_TRUE(Traced("has not answered the start of " + std::string(DirectionName(direction)) + " device \"" + device + "\""));
    }

    ASSERT_TRUE(RunUntil([&] { return !told.events.empty(); }, 3 * PulseConnection::SilenceMs));
    ASSERT_EQ(told.events.size(), 1u);
    EXPECT_EQ(told.events.front().What, Kind::ServerLost);
    EXPECT_EQ(told.events.front().Why.rfind("not answering", 0), 0u) << told.events.front().Why;
    EXPECT_FALSE(backend.IsRunning(Capture));
    EXPECT_FALSE(backend.IsRunning(Playback));
    EXPECT_TRUE(Traced("did not answer the start of Capture device \"pulse:zoz_signal.monitor\""));
    EXPECT_TRUE(Traced("did not answer the start of Playback device \"default\""));

    held.Release();
    ASSERT_TRUE(RunUntil([&] { return told.Count(Kind::ServerBack) > 0; }, 2000));
    NotifyEveryBlock(backend, Capture, Blocks(2), blocks);
    ASSERT_EQ(backend.Start(Capture), 0) << backend.ErrorText();
    ASSERT_EQ(backend.Start(Playback), 0) << backend.ErrorText();
    EXPECT_TRUE(RunUntil([&] { return blocks.events.size() >= 4; }, 3000));
    const auto ours = [&] {
        return Occurrences(rig->RecordingStreams(), "\"Receiver input\"") == 1 &&
               Occurrences(rig->PlayingStreams(), "\"Receiver output\"") == 1;
    };
    EXPECT_TRUE(RunUntil(ours, 2000)) << rig->RecordingStreams() << rig->PlayingStreams();
}

// A device changes just as the server stops answering: the list that the change asks for is
// left unanswered. A device of the last whole list is found at once all the same; one the
// server never told of waits for that list and has no answer.
TEST_P(PulseSoundBackendHeldServer, ADeviceOfTheLastListIsFoundWhileTheListOnItsWayIsUnanswered)
{
    std::string reason;
    const std::unique_ptr<PulseConnection> connection = PulseConnection::Connect([](void*) {}, nullptr, reason);
    ASSERT_TRUE(connection) << reason;
    ASSERT_EQ(connection->Await(PulseConnection::WaitMs, reason), PulseConnection::Progress::Ready) << reason;
    std::unique_ptr<HeldSoundServer> held;
    {
        // The client thread reads nothing while the lock is held: the server's word of the change
        // waits until the server is held, and the list it asks for goes to a server that is.
        const PulseConnection::Lock lock(*connection);
        ASSERT_TRUE(rig->SuspendInput(true));
        RunUntil([] { return false; }, 100);
        held = std::make_unique<HeldSoundServer>(*rig);
        ASSERT_TRUE(held->Held());
    }
    RunUntil([] { return false; }, 50);
    std::optional<bool> present;
    EXPECT_LT(Timed([&] { present = connection->HasDevice(Capture, std::string(PacedSoundRig::SignalSink) + ".monitor"); }),
              PulseConnection::WaitMs / 2);
    EXPECT_EQ(present, std::optional<bool>(true));
    EXPECT_EQ(connection->HasDevice(Capture, "zoz_never_told_of"), std::nullopt);
}

// Held past the client library's own wait for an answer (30 s), which ends its questions: that
// is no answer. The owner hears once that the server is lost, and that it is back only once it
// goes on.
TEST_P(PulseSoundBackendHeldServer, TheClientLibrarysTimeoutIsNoAnswer)
{
    constexpr int ClientLibraryTimeoutMs = 30000;
    StartBoth();
    {
        HeldSoundServer held(*rig);
        ASSERT_TRUE(held.Held());
        RunUntil([] { return false; }, ClientLibraryTimeoutMs + 3 * PulseConnection::PingMs);
        EXPECT_EQ(told.events.size(), 1u);
        EXPECT_EQ(told.Count(Kind::ServerBack), 0u);
        EXPECT_FALSE(Traced(" answers again"));
    }
    EXPECT_TRUE(RunUntil([&] { return told.Count(Kind::ServerBack) > 0; }, 2000));
}

// A held server that is then killed is not told lost a second time; the one started after it
// is told back once.
TEST_P(PulseSoundBackendHeldServer, KilledWhileHeldIsToldLostOnce)
{
    StartBoth();
    HeldSoundServer held(*rig);
    ASSERT_TRUE(held.Held());
    ASSERT_TRUE(RunUntil([&] { return !told.events.empty(); }, 3 * PulseConnection::SilenceMs));
    rig->KillServer();
    held.Release();
    RunUntil([] { return false; }, 500);
    EXPECT_EQ(told.Count(Kind::ServerLost), 1u);
    EXPECT_EQ(told.Count(Kind::ServerBack), 0u);

    std::string failure;
    ASSERT_TRUE(rig->RestartServer(failure)) << failure;
    EXPECT_TRUE(backend.ServerReachable());
    EXPECT_EQ(told.Count(Kind::ServerBack), 1u);
    EXPECT_EQ(backend.Start(Capture), 0) << backend.ErrorText();
}

// A server that does not answer as the backend first connects holds no call up; the backend
// takes the connection up once the server answers.
TEST_P(PulseSoundBackendHeldServer, ConnectingToAHeldServerReturnsAtOnce)
{
    HeldSoundServer held(*rig);
    ASSERT_TRUE(held.Held());
    bool reachable = true;
    EXPECT_LT(Timed([&] { reachable = backend.ServerReachable(); }), LongestCallMs);
    EXPECT_FALSE(reachable);
    std::vector<SoundDeviceInfo> devices;
    EXPECT_LT(Timed([&] { devices = backend.Devices(Playback); }), LongestCallMs);
    EXPECT_EQ(devices.size(), 1u) << "\"default\" alone";
    EXPECT_LT(Timed([&] { reachable = backend.OpenDevice(Playback, "default") == 0; }), LongestCallMs);
    EXPECT_FALSE(reachable);
    EXPECT_EQ(backend.ErrorText().rfind("Playback device \"default\": the sound server cannot be reached (no answer for ", 0), 0u)
        << backend.ErrorText();

    held.Release();
    EXPECT_TRUE(RunUntil([&] { return backend.ServerReachable(); }, 2000));
    EXPECT_TRUE(Lists(backend.Devices(Playback), "pulse:zoz_played"));
    EXPECT_EQ(told.events.size(), 0u);
}

// The server's "default" is not left to ALSA, whose own "default" may reach the server
// through a library that waits for it.
TEST_P(PulseSoundBackendHeldServer, DefaultOfAServerThatDoesNotAnswerStaysTheServers)
{
    HeldSoundServer held(*rig);
    ASSERT_TRUE(held.Held());
    DesktopSoundBackend desktop;
    desktop.Devices(Playback);   // the first wait for the server
    int32_t result = 0;
    EXPECT_LT(Timed([&] { result = desktop.OpenDevice(Playback, "default"); }), LongestCallMs);
    EXPECT_LT(result, 0);
    EXPECT_EQ(desktop.ErrorText().rfind("Playback device \"default\": the sound server cannot be reached (no answer for ", 0), 0u)
        << desktop.ErrorText();
}

// The lists follow the server's devices as they come and go, with no new connection.
TEST_P(PulseSoundBackendHeldServer, ListsFollowTheServersDevices)
{
    ASSERT_TRUE(backend.ServerReachable());
    EXPECT_FALSE(Lists(backend.Devices(Playback), "pulse:zoz_headset"));
    ASSERT_TRUE(rig->LoadSink("zoz_headset"));
    EXPECT_TRUE(RunUntil([&] { return Lists(backend.Devices(Playback), "pulse:zoz_headset"); }, 1000));
    EXPECT_TRUE(RunUntil([&] { return Lists(backend.Devices(Capture), "pulse:zoz_headset.monitor"); }, 1000));
    ASSERT_TRUE(rig->UnloadSink("zoz_headset"));
    EXPECT_TRUE(RunUntil([&] { return !Lists(backend.Devices(Playback), "pulse:zoz_headset"); }, 1000));
    EXPECT_EQ(told.events.size(), 0u);
}

// Started 0.2 s into a hold, stopped and started again 0.2 s later, before the server counts
// as not answering: the second start is not refused as a server that cannot be reached (a held
// server takes no new client), but counts as running, like the first, until the server's silence
// stops it with one report of a lost server. The report names at least the time since the first
// start was asked for, not that of the second. Let go, the server keeps no stream of either.
void PulseSoundBackendHeldServer::StartStopAndStartAgainEarlyInAHold(PacedSoundRig::Held what, const std::string& unanswered)
{
    ASSERT_EQ(backend.OpenDevice(Capture, "default"), 0) << backend.ErrorText();
    ASSERT_EQ(backend.CreateBuffer(Capture, Blocks(2)), 0) << backend.ErrorText();
    HeldSoundServer held(*rig, what);
    ASSERT_TRUE(held.Held());
    RunUntil([] { return false; }, 200);
    ASSERT_EQ(backend.Start(Capture), 0) << backend.ErrorText();
    QElapsedTimer sinceFirstStart;
    sinceFirstStart.start();
    ASSERT_TRUE(Traced("has not answered the start of Capture device \"default\""));
    backend.Stop(Capture);
    RunUntil([] { return false; }, 200);
    int32_t started = -1;
    EXPECT_LT(Timed([&] { started = backend.Start(Capture); }), LongestCallMs);
    EXPECT_EQ(started, 0) << backend.ErrorText();
    EXPECT_TRUE(backend.IsRunning(Capture));

    ASSERT_TRUE(RunUntil([&] { return !told.events.empty(); }, 3 * PulseConnection::SilenceMs));
    const double sinceFirstStartSeconds = static_cast<double>(sinceFirstStart.elapsed()) / 1000;
    ASSERT_EQ(told.events.size(), 1u);
    const SoundStateEvent lost = told.events.front();
    EXPECT_EQ(lost.What, Kind::ServerLost);
    EXPECT_EQ(lost.Why.rfind(unanswered, 0), 0u) << lost.Why;
    EXPECT_GE(lost.AgoSeconds, sinceFirstStartSeconds);
    EXPECT_FALSE(backend.IsRunning(Capture));

    held.Release();
    ASSERT_TRUE(RunUntil([&] { return told.Count(Kind::ServerBack) > 0; }, 2000));
    const auto nothingOfOurs = [&] { return Occurrences(rig->RecordingStreams(), "\"Receiver input\"") == 0; };
    EXPECT_TRUE(RunUntil(nothingOfOurs, 2000)) << rig->RecordingStreams();
}

TEST_P(PulseSoundBackendHeldServer, StartedAgainEarlyInAHoldIsAStartNotAnswered)
{
    StartStopAndStartAgainEarlyInAHold(PacedSoundRig::Held::Server, "not answering for ");
}

// The session manager held: the server answers the backend's questions, but not its starts.
TEST_P(PulseSoundBackendHeldServer, StartedAgainWhileTheSessionManagerIsHeldIsAStartNotAnswered)
{
    if (GetParam() != SoundServer::PipeWire)
        GTEST_SKIP() << "only PipeWire's server has a session manager";
    StartStopAndStartAgainEarlyInAHold(PacedSoundRig::Held::SessionManager, "not answering the start of a stream for ");
}

INSTANTIATE_TEST_SUITE_P(Servers, PulseSoundBackendHeldServer, ::testing::Values(SoundServer::PulseAudio, SoundServer::PipeWire),
                         [](const auto& info) { return ::testing::PrintToString(info.param); });

} // namespace
