#include "SoundSession.h"

#include <QProcess>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <memory>

using namespace SoundSessionJudging;

namespace {

constexpr double MinuteSeconds = 60.0;
constexpr double RealTimeSeconds = 30.0;
constexpr int StopMs = 300;
constexpr int StopHoleBlocks = 10;       // the stop, and the time to fill the reserve again
constexpr double AfterTheStopSeconds = 12.0;   // past the 5.5 s the clocks are judged again after
constexpr int BusyHoleBlocks = 3;
constexpr double BusySeconds = 15.0;

bool GrantedRealTime(const ChildReceiver& program)
{
    return program.TraceShows("RaiseToRealTime:real time") || program.TraceShows("RaiseToRealTime:already real time");
}

} // namespace

// Played on, the sound comes at once and the tone stays pure to the end; the sound server
// knows the program's stream by the program's name.
void SoundSession::PlaySteadily(ChildReceiver::Priority priority, double seconds)
{
    if (!Start(priority))
        return;
    Power(true);
    Wait(1);
    if (priority == ChildReceiver::Priority::AsGranted && !GrantedRealTime(program))
        GTEST_SKIP() << "real-time scheduling is not granted here";
    Wait(seconds / 2 - 1);
    const std::string streams = rig.PlayingStreams();
    Wait(seconds / 2);
    const std::vector<Heard> heard = Listen();
    ASSERT_EQ(heard.size(), 1U);
    const Heard kept = WithoutWitnessedHoles(heard[0]);
    ExpectPromptSoundKept(kept);
    ExpectPureTone(kept, Windows::BetweenHoles);
    if (priority == ChildReceiver::Priority::NeverRealTime) {
        EXPECT_FALSE(GrantedRealTime(program));
        EXPECT_NE(streams.find("application.name = \"ZOZEVERE\""), std::string::npos)
            << "the sound server does not know the program's stream by its name:\n" << streams;
    }
    Troubles();
    EXPECT_EQ(program.Close(), 0);
}

// A machine busy enough to withhold the CPU from the program leaves a hole now and then: each
// short, and at most as long as the kernel was seen to hold the program before it.
void SoundSession::ExpectPromptSoundKept(const Heard& heard)
{
    ReportSecondsToSound(heard);
    ASSERT_TRUE(heard.Sound) << "no sound from " << heard.Action;
    EXPECT_LE(heard.SecondsToSound(), SoundWithinSeconds) << "the sound was late after " << heard.Action;
    ExpectSoundKept(heard);
    for (const Hole& hole : heard.Holes)
        EXPECT_LE(hole.Blocks, BusyHoleBlocks) << "a long hole at " << hole.AtSeconds << " s";
}

// Each time on, the sound comes at once and stays until off.
void SoundSession::ComeBackAfterFivePowerCycles()
{
    if (!Start())
        return;
    for (int cycle = 0; cycle < 5; ++cycle) {
        Power(true);
        Wait(1.5);
        Power(false);
        Wait(0.3);
    }
    Power(true);
    Wait(8);
    const std::vector<Heard> heard = Listen();
    ASSERT_EQ(heard.size(), 6U);
    for (const Heard& span : heard)
        ExpectPromptUnbrokenSound(span);
    Troubles();
    EXPECT_EQ(program.Close(), 0);
}

// On with an input that delivers nothing: the sound comes as soon as the signal does.
void SoundSession::WaitForAnIdleInput()
{
    if (!Start())
        return;
    ASSERT_TRUE(rig.SuspendInput(true));
    Click("optPwr_0", After::Silence);   // nothing to receive yet
    Wait(3);
    SoundShouldCome("TheSignal");
    ASSERT_TRUE(rig.SuspendInput(false));
    Wait(8);
    const std::vector<Heard> heard = Listen();
    ASSERT_EQ(heard.size(), 1U);
    ExpectPromptUnbrokenSound(heard[0]);
    Troubles();
    EXPECT_EQ(program.Close(), 0);
}

// Recording does not break the sound; stopping turns the receiver off, and playing the
// recording brings the tone back at once.
void SoundSession::PlayTheRecordingAfterTheRecordersStopAndPlay()
{
    if (!Start())
        return;
    Power(true);
    Wait(1);
    Click("cmdWavCtls_0", After::Unchanged);   // Record
    Wait(8);
    Click("cmdWavCtls_3", After::Silence);     // Stop: the receiver goes off
    Wait(1);
    Click("cmdWavCtls_1", After::Sound);       // Play: the receiver comes on with the recording
    Wait(4);                                   // well within the recording
    const std::vector<Heard> heard = Listen();
    ASSERT_EQ(heard.size(), 2U);
    for (const Heard& span : heard)
        ExpectPromptUnbrokenSound(span);
    Troubles();
    EXPECT_EQ(program.Close(), 0);
}

// A program held still for a moment, as a busy desktop may hold it, leaves one short hole,
// where it was held, and plays on unbroken after it, the tone as pure as before: also once
// the clocks are judged again after the hole.
void SoundSession::ComeBackOnceAfterAShortStop()
{
    if (!Start())
        return;
    Power(true);
    Wait(4);
    const double stoppedAt = rig.RecordingSeconds();
    program.Freeze(StopMs);
    Wait(AfterTheStopSeconds);
    const std::vector<Heard> heard = Listen();
    ASSERT_EQ(heard.size(), 1U);
    ReportSecondsToSound(heard[0]);
    ASSERT_TRUE(heard[0].Sound);
    EXPECT_LE(heard[0].SecondsToSound(), SoundWithinSeconds);
    // The program keeps far less sound in hand than the stop lasts: the stop is heard, as one
    // hole where it came. Any other hole is one a witness outside the program explains.
    const auto atTheStop = [&](const Hole& hole) {
        return hole.AtSeconds >= stoppedAt - BlockSeconds && hole.AtSeconds <= stoppedAt + StopMs / 1000.0 + SoundWithinSeconds;
    };
    std::vector<Hole> stopHoles;
    std::vector<Hole> others;
    for (const Hole& hole : heard[0].Holes)
        (atTheStop(hole) ? stopHoles : others).push_back(hole);
    ASSERT_EQ(stopHoles.size(), 1U) << "after a stop at " << stoppedAt << " s:" << Describe(heard[0].Holes);
    const Hole& hole = stopHoles[0];
    EXPECT_LE(hole.Blocks, StopHoleBlocks);
    ExpectHolesWitnessed(others);
    EXPECT_TRUE(heard[0].SoundAtTheEnd);
    // The tone is judged from the sound after the stop's hole, however many underruns the stop
    // made, away from breaks of the rig's own signal.
    std::cout << "  the program was held up " << DeviceUnderruns() << " times\n";
    Heard afterTheHole = heard[0];
    afterTheHole.FirstBlock = static_cast<size_t>(std::lround(hole.AtSeconds / BlockSeconds)) + hole.Blocks;
    ExpectPureTone(afterTheHole, Windows::BetweenHoles);
    Troubles();
    EXPECT_EQ(program.Close(), 0);
}

// With every core busy, the sound may break only where the kernel was seen to hold the program,
// never for long, and it comes back after each break.
void SoundSession::KeepPlayingOnABusyMachine()
{
    if (!Start(ChildReceiver::Priority::AsGranted))
        return;
    std::vector<std::unique_ptr<QProcess>> busy;
    for (int core = 0; core < QThread::idealThreadCount(); ++core) {
        busy.push_back(std::make_unique<QProcess>());
        busy.back()->start("sh", {"-c", "while :; do :; done"});
    }
    Power(true);
    Wait(BusySeconds);
    const std::vector<Heard> heard = Listen();
    for (auto& process : busy)
        process->kill(), process->waitForFinished();
    ASSERT_EQ(heard.size(), 1U);
    ReportSecondsToSound(heard[0]);
    ASSERT_TRUE(heard[0].Sound);
    std::cout << "  " << Underruns().size() << " underruns traced, " << heard[0].Holes.size() << " holes\n";
    ExpectHolesWitnessed(heard[0].Holes);
    for (const Hole& hole : LengthsToJudge(heard[0].Holes))
        EXPECT_LE(hole.Blocks, BusyHoleBlocks) << "a long hole at " << hole.AtSeconds << " s";
    EXPECT_TRUE(heard[0].SoundAtTheEnd);
    Troubles();
    EXPECT_EQ(program.Close(), 0);
}

// The sound server's own sink, chosen by its description on the Soundcard tab while the
// receiver is off, plays as soon as the receiver comes on, with no message.
void SoundSession::PlayOnADeviceChosenWhileOff()
{
    if (!Start() || !ChooseDevice("cboPlayDevices", PacedSoundRig::PlayedSink))
        return;
    Wait(15);
    Power(true);
    Wait(8);
    const std::vector<Heard> heard = Listen();
    ASSERT_EQ(heard.size(), 1U);
    ExpectPromptUnbrokenSound(heard[0]);
    Troubles();
    EXPECT_EQ(program.Close(), 0);
}

namespace {

TEST_F(SoundSession, PlaysAMinuteOfPureToneAtNormalPriority)
{
    PlaySteadily(ChildReceiver::Priority::NeverRealTime, MinuteSeconds);
}

TEST_F(SoundSession, PlaysPureToneAtRealTimePriority)
{
    PlaySteadily(ChildReceiver::Priority::AsGranted, RealTimeSeconds);
}

TEST_F(SoundSession, ComesBackAfterFivePowerCycles)
{
    ComeBackAfterFivePowerCycles();
}

TEST_F(SoundSession, WaitsForAnIdleInputAndPlaysWhenTheSignalComes)
{
    WaitForAnIdleInput();
}

TEST_F(SoundSession, PlaysTheRecordingAfterTheRecordersStopAndPlay)
{
    PlayTheRecordingAfterTheRecordersStopAndPlay();
}

TEST_F(SoundSession, ComesBackOnceAfterAShortStop)
{
    ComeBackOnceAfterAShortStop();
}

TEST_F(SoundSession, OnABusyMachineBreaksOnlyBrieflyWhereItRanDry)
{
    KeepPlayingOnABusyMachine();
}

TEST_F(SoundSession, PlaysOnADeviceChosenWhileOff)
{
    PlayOnADeviceChosenWhileOff();
}

TEST_F(SoundSessionOnPipeWire, PlaysAMinuteOfPureToneAtNormalPriority)
{
    PlaySteadily(ChildReceiver::Priority::NeverRealTime, MinuteSeconds);
}

TEST_F(SoundSessionOnPipeWire, PlaysPureToneAtRealTimePriority)
{
    PlaySteadily(ChildReceiver::Priority::AsGranted, RealTimeSeconds);
}

TEST_F(SoundSessionOnPipeWire, ComesBackAfterFivePowerCycles)
{
    ComeBackAfterFivePowerCycles();
}

TEST_F(SoundSessionOnPipeWire, WaitsForAnIdleInputAndPlaysWhenTheSignalComes)
{
    WaitForAnIdleInput();
}

TEST_F(SoundSessionOnPipeWire, PlaysTheRecordingAfterTheRecordersStopAndPlay)
{
    PlayTheRecordingAfterTheRecordersStopAndPlay();
}

TEST_F(SoundSessionOnPipeWire, ComesBackOnceAfterAShortStop)
{
    ComeBackOnceAfterAShortStop();
}

TEST_F(SoundSessionOnPipeWire, OnABusyMachineBreaksOnlyBrieflyWhereItRanDry)
{
    KeepPlayingOnABusyMachine();
}

TEST_F(SoundSessionOnPipeWire, PlaysOnADeviceChosenWhileOff)
{
    PlayOnADeviceChosenWhileOff();
}

} // namespace
