#include "SoundSession.h"

#include <QElapsedTimer>
#include <QString>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <iostream>

using namespace SoundSessionJudging;

// The sound server and the devices come and go under the receiver, as on a desktop; quick
// clicks on the power switch. Judged from the recording and the program's trace.
namespace {

constexpr int ServerAwayMs = 2000;
constexpr int CrashedMs = 200;               // a server that crashes and is started again at once
constexpr double ServerBackSeconds = 2.0;    // from the server's return to the sound
constexpr double GiveUpSeconds = 10.0;       // the sound not back by then: one box, the switch Off
constexpr double NoticeSeconds = 1.5;        // for the program to see the server gone, and the box to be traced
constexpr const char* ChosenDevice = "zoz_chosen";
constexpr const char* BoxLine = "MessageBoxes.MsgBox:";

double SecondsOf(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// When the playback took sound again after the sound was lost, in seconds from the loss; 0
// when the trace does not say.
double SoundBackAfterTheLoss(const std::vector<std::string>& lines)
{
    const std::string said = "QELVODX8.Recovery:the sound is back after ";
    for (const std::string& line : lines) {
        if (const size_t at = line.find(said); at != std::string::npos)
            return QString::fromStdString(line.substr(at + said.size())).section(' ', 0, 0).toDouble();
    }
    return 0;
}

size_t CountLines(const std::vector<std::string>& lines, const std::string& text)
{
    return static_cast<size_t>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; }));
}

// A device of the server beside its defaults, which the program is told to use: what plays
// into it is not recorded, and it hears nothing. -1 when the server cannot make it.
int LoadChosenDevice(PacedSoundRig& rig, SoundSession::Chosen chosen)
{
    if (chosen == SoundSession::Chosen::Source)
        return rig.LoadSource(ChosenDevice);
    const int channels = chosen == SoundSession::Chosen::Sink ? 1 : 2;
    return rig.LoadModule({"module-null-sink", QString("sink_name=") + ChosenDevice, QString("channels=%1").arg(channels),
                           QString("rate=%1").arg(PacedSoundRig::SampleRate),
                           QString("sink_properties=device.description=") + ChosenDevice + "_sink"});
}

} // namespace

// The sound stays to the span's end; a machine so busy that it held the program or the
// server may break it briefly, where a witness outside the program saw it: each hole after a
// break of the rig's own streams, or no longer than the kernel held the program before it.
void SoundSession::ExpectSoundKept(const Heard& heard)
{
    EXPECT_TRUE(heard.SoundAtTheEnd) << "no sound at the end, " << heard.EndSeconds << " s";
    ExpectEveryBreakExplained(heard);
    if (heard.Holes.empty())
        return;
    std::cout << "  " << Underruns().size() << " underruns traced for" << Describe(heard.Holes) << "\n";
    ExpectHolesWitnessed(heard.Holes);
}

// Killed while the receiver plays and started again: the sound comes back by itself soon
// after the server, unbroken, with no message.
void SoundSession::ComeBackWhenTheServerReturns()
{
    if (!Start())
        return;
    Power(true);
    Wait(3);
    rig.KillServer();
    QElapsedTimer sinceTheKill;
    sinceTheKill.start();
    QThread::msleep(ServerAwayMs);
    std::string failure;
    ASSERT_TRUE(rig.RestartServer(failure)) << failure;
    const double serverBackAt = SecondsOf(sinceTheKill) - rig.SecondsSinceServerStarted();
    ASSERT_TRUE(RecordAgain());
    SoundShouldCome("TheServer");
    Wait(6);
    const std::vector<Heard> heard = Listen();
    ASSERT_EQ(heard.size(), 1U);
    ReportSecondsToSound(heard[0]);
    ASSERT_TRUE(heard[0].Sound) << "no sound after the server came back";
    ExpectSoundKept(heard[0]);
    // The recording starts a while after the server's return; the program says when its
    // playback took sound again, counted from the loss, which came with the kill.
    const double soundBackAt = SoundBackAfterTheLoss(program.TraceLines());
    ASSERT_GT(soundBackAt, 0) << "the trace does not say when the sound came back";
    const double afterTheServer = soundBackAt - serverBackAt;
    std::cout << "  sound " << afterTheServer << " s after the server came back\n";
    RecordProperty("SecondsToSoundAfterTheServer", QString::number(afterTheServer, 'f', 3).toStdString());
    EXPECT_LE(afterTheServer, ServerBackSeconds);
    Troubles();
    EXPECT_EQ(program.Close(), 0);
}

// Killed three times in a row, each time started again at once, and then left running: the
// program may be opening its devices on the server as it goes again. The sound comes back
// soon after the last return, with no message.
void SoundSession::ComeBackAfterTheServerCrashesThreeTimes()
{
    if (!Start())
        return;
    Power(true);
    Wait(3);
    QElapsedTimer sinceTheFirstKill;
    sinceTheFirstKill.start();
    std::string failure;
    for (int crash = 0; crash < 3; ++crash) {
        rig.KillServer();
        QThread::msleep(CrashedMs);
        ASSERT_TRUE(rig.RestartServer(failure)) << failure;
    }
    std::cout << "  three kills and returns within " << SecondsOf(sinceTheFirstKill) << " s\n";
    ASSERT_TRUE(RecordAgain());
    SoundShouldCome("TheServer");
    Wait(6);
    const std::vector<Heard> heard = Listen();
    ASSERT_EQ(heard.size(), 1U);
    ReportSecondsToSound(heard[0]);
    ASSERT_TRUE(heard[0].Sound) << "no sound after the server came back for good";
    EXPECT_LE(heard[0].SecondsToSound(), ServerBackSeconds);
    ExpectSoundKept(heard[0]);
    Troubles();
    EXPECT_EQ(program.Close(), 0);
}

// Killed and not started again: one box names the server and what to do, the switch goes
// Off; once the server is back, On brings the sound at once.
void SoundSession::SwitchOffAndSayWhyWhileTheServerStaysAway()
{
    if (!Start())
        return;
    Power(true);
    Wait(2);
    rig.KillServer();
    ASSERT_TRUE(WaitForTrace(BoxLine, GiveUpSeconds + NoticeSeconds)) << "no box within the time";
    Wait(2);   // and no second one
    const std::vector<std::string> lines = program.TraceLines();
    EXPECT_EQ(CountLines(lines, BoxLine), 1U);
    EXPECT_EQ(CountLines(lines, ": The receiver has stopped: the sound server unix:"), 1U);
    EXPECT_EQ(CountLines(lines, "Start the sound server again"), 1U);
    const auto off = std::find_if(lines.begin(), lines.end(),
                                  [](const std::string& line) { return line.find("optPwr_click : Start Arg=1") != std::string::npos; });
    ASSERT_NE(off, lines.end()) << "the switch was not turned Off";
    EXPECT_LT(off - lines.begin(), std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
                                       return line.find(BoxLine) != std::string::npos;
                                   }) - lines.begin())
        << "the switch shows On while the box is up";

    std::string failure;
    ASSERT_TRUE(rig.RestartServer(failure)) << failure;
    ASSERT_TRUE(RecordAgain());
    Power(true);
    Wait(5);
    const std::vector<Heard> heard = Listen();
    ASSERT_EQ(heard.size(), 1U);
    ReportSecondsToSound(heard[0]);
    ASSERT_TRUE(heard[0].Sound);
    EXPECT_LE(heard[0].SecondsToSound(), SoundWithinSeconds);
    ExpectSoundKept(heard[0]);
    EXPECT_EQ(program.Close(), 0);
}

// A device chosen on the Soundcard tab goes away while the receiver runs on it (plays into a
// sink that is not recorded, or listens to a silent source or monitor): the tone is heard
// again at once, on the server's default device, whether the server moved the stream there
// itself or the program took the default in its place; it keeps its place when the device
// comes back (the next On opens the chosen device again); no message. PipeWire moves a stream
// that listened to a sink's monitor onto the default sink's monitor, which the program plays
// into: the program must not be left hearing itself.
void SoundSession::PlayOnTheDefaultWhileTheChosenDeviceIsGone(Chosen chosen)
{
    // The lists are read as the program starts: the device is there before.
    const int module = rig.SkipReason().empty() ? LoadChosenDevice(rig, chosen) : -1;
    if (rig.SkipReason().empty() && module < 0)
        GTEST_SKIP() << "the sound server cannot make the chosen device";
    if (!Start() || !ChooseDevice(chosen == Chosen::Sink ? "cboPlayDevices" : "cboCapDevices", ChosenDevice))
        return;
    Wait(1);
    Click("optPwr_0", After::Silence);   // nothing heard yet
    Wait(3);
    SoundShouldCome("TheDeviceGone");
    ASSERT_TRUE(rig.UnloadModule(module));
    Wait(4);
    ASSERT_GE(LoadChosenDevice(rig, chosen), 0);
    Wait(4);
    const std::vector<Heard> heard = Listen();
    ASSERT_EQ(heard.size(), 1U);
    ReportSecondsToSound(heard[0]);
    std::cout << (program.TraceShows("takes its place") ? "  the program took the default in its place\n"
                                                        : "  the server moved the stream itself\n");
    ASSERT_TRUE(heard[0].Sound);
    EXPECT_LE(heard[0].SecondsToSound(), SoundWithinSeconds);
    ExpectSoundKept(heard[0]);
    EXPECT_FALSE(program.TraceShows(BoxLine));
    EXPECT_EQ(program.Close(), 0);
}

// Off and On clicked quickly, ten times: the switch ends On each time, with both streams
// running and the sound within a second of the last click.
void SoundSession::AgreeWithTheSwitchAfterQuickPowerCycles(int clicksApartMs)
{
    if (!Start())
        return;
    Power(true);
    Wait(1.5);
    for (int cycle = 0; cycle < 10; ++cycle) {
        Power(false);
        QThread::msleep(static_cast<unsigned long>(clicksApartMs));
        Power(true);
        Wait(1.5);
        const std::string streams = rig.PlayingStreams();
        EXPECT_NE(streams.find("application.name = \"ZOZEVERE\""), std::string::npos)
            << "no playback stream after cycle " << cycle + 1 << "\n" << streams;
    }
    const std::vector<Heard> heard = Listen();
    ASSERT_EQ(heard.size(), 11U);
    // Within a second of the last click the sound of the new start is there (what plays
    // before it may still be the old one's, still in the sink), and it stays.
    for (const Heard& span : heard) {
        ReportSecondsToSound(span);
        ASSERT_TRUE(span.Sound);
        Heard afterTheStart = span;
        afterTheStart.FirstBlock = std::max(
            span.FirstBlock, static_cast<size_t>(std::ceil((span.ActionSeconds + SoundWithinSeconds) / BlockSeconds)));
        afterTheStart.Holes.clear();
        for (const Hole& hole : span.Holes)
            if (hole.AtSeconds + hole.Blocks * BlockSeconds > span.ActionSeconds + SoundWithinSeconds)
                afterTheStart.Holes.push_back(hole);
        ExpectSoundKept(afterTheStart);
    }
    EXPECT_FALSE(program.TraceShows(BoxLine));
    EXPECT_EQ(program.Close(), 0);
}

namespace {

TEST_F(SoundSession, ComesBackWhenTheServerReturns)
{
    ComeBackWhenTheServerReturns();
}

TEST_F(SoundSession, ComesBackAfterTheServerCrashesThreeTimes)
{
    ComeBackAfterTheServerCrashesThreeTimes();
}

TEST_F(SoundSession, SwitchesOffAndSaysWhyWhileTheServerStaysAway)
{
    SwitchOffAndSayWhyWhileTheServerStaysAway();
}

TEST_F(SoundSession, PlaysOnTheDefaultWhileTheChosenSinkIsGone)
{
    PlayOnTheDefaultWhileTheChosenDeviceIsGone(Chosen::Sink);
}

TEST_F(SoundSession, ListensOnTheDefaultWhileTheChosenSourceIsGone)
{
    PlayOnTheDefaultWhileTheChosenDeviceIsGone(Chosen::Source);
}

TEST_F(SoundSession, ListensOnTheDefaultWhileTheChosenMonitorIsGone)
{
    PlayOnTheDefaultWhileTheChosenDeviceIsGone(Chosen::Monitor);
}

TEST_F(SoundSession, AgreesWithTheSwitchAfterBackToBackPowerCycles)
{
    AgreeWithTheSwitchAfterQuickPowerCycles(0);
}

TEST_F(SoundSession, AgreesWithTheSwitchAfterPowerCyclesClicked20msApart)
{
    AgreeWithTheSwitchAfterQuickPowerCycles(20);
}

TEST_F(SoundSession, AgreesWithTheSwitchAfterPowerCyclesClicked50msApart)
{
    AgreeWithTheSwitchAfterQuickPowerCycles(50);
}

TEST_F(SoundSessionOnPipeWire, ComesBackWhenTheServerReturns)
{
    ComeBackWhenTheServerReturns();
}

TEST_F(SoundSessionOnPipeWire, ComesBackAfterTheServerCrashesThreeTimes)
{
    ComeBackAfterTheServerCrashesThreeTimes();
}

TEST_F(SoundSessionOnPipeWire, SwitchesOffAndSaysWhyWhileTheServerStaysAway)
{
    SwitchOffAndSayWhyWhileTheServerStaysAway();
}

TEST_F(SoundSessionOnPipeWire, PlaysOnTheDefaultWhileTheChosenSinkIsGone)
{
    PlayOnTheDefaultWhileTheChosenDeviceIsGone(Chosen::Sink);
}

TEST_F(SoundSessionOnPipeWire, ListensOnTheDefaultWhileTheChosenSourceIsGone)
{
    PlayOnTheDefaultWhileTheChosenDeviceIsGone(Chosen::Source);
}

TEST_F(SoundSessionOnPipeWire, ListensOnTheDefaultWhileTheChosenMonitorIsGone)
{
    PlayOnTheDefaultWhileTheChosenDeviceIsGone(Chosen::Monitor);
}

TEST_F(SoundSessionOnPipeWire, AgreesWithTheSwitchAfterBackToBackPowerCycles)
{
    AgreeWithTheSwitchAfterQuickPowerCycles(0);
}

TEST_F(SoundSessionOnPipeWire, AgreesWithTheSwitchAfterPowerCyclesClicked20msApart)
{
    AgreeWithTheSwitchAfterQuickPowerCycles(20);
}

TEST_F(SoundSessionOnPipeWire, AgreesWithTheSwitchAfterPowerCyclesClicked50msApart)
{
    AgreeWithTheSwitchAfterQuickPowerCycles(50);
}

} // namespace
