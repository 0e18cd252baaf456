#include "support/ChildReceiver.h"
#include "support/PacedSoundRig.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QThread>

#include <algorithm>
#include <memory>
#include <sstream>

// The built program in a child process on the paced sound server, driven through its own
// panel as a user would: the rig's 13 kHz tone received in USB on a 12 kHz IF with the
// oscillator above is played as a 1 kHz tone, which the rig records without lowering the
// sink's latency below the program's own. After each last action the sound must be back within 3 s, and stay.
namespace {

constexpr size_t BlockSamples = 2048;
constexpr double SilentRms = 10.0;
constexpr double SoundWithinSeconds = 3.0;
constexpr double BlockSeconds = static_cast<double>(BlockSamples) / PacedSoundRig::SampleRate;
constexpr int ShortGapBlocks = 10;
constexpr double RecorderLatencySeconds = 1.0;
// The trace lines a start may bring on this rig: its sinks take a second or two to wake up
// for a new stream, and meanwhile the blocks that pile up are dropped.
constexpr size_t TroublesOfAStart = 4;

void Wait(double seconds) { QThread::msleep(static_cast<unsigned long>(seconds * 1000)); }

// Trace lines that tell of sound lost, dropped or restarted.
bool TellsOfATrouble(const std::string& line)
{
    for (const char* word : {"underrun", "overrun", "dropped", "restart", "opening it again", "silence played",
                             "played nothing", "cannot", "MsgBox"})
        if (line.find(word) != std::string::npos)
            return true;
    return false;
}

class SoundSession : public ::testing::Test
{
protected:
    explicit SoundSession(SoundServer server = SoundServer::PulseAudio) : rig(server) {}

    // False when the test cannot go on: skipped without a sound server, or failed.
    bool Start(ChildReceiver::Priority priority = ChildReceiver::Priority::NeverRealTime)
    {
        if (!rig.SkipReason().empty()) {
            [this] { GTEST_SKIP() << rig.SkipReason(); }();
            return false;
        }
        EXPECT_TRUE(program.Start(priority)) << program.Failure();
        EXPECT_TRUE(program.Click("optMode_1")) << program.Failure();   // USB
        EXPECT_TRUE(rig.StartRecording());
        return !HasFailure();
    }

    void Click(const std::string& control)
    {
        std::string lastWords;
        ASSERT_TRUE(rig.Alive(lastWords)) << "the sound server ended: " << lastWords;
        ASSERT_TRUE(program.Click(control)) << program.Failure();
        lastAction = rig.RecordingSeconds();
    }

    void Power(bool on) { Click(on ? "optPwr_0" : "optPwr_1"); }

    // The block levels recorded, from SoundWithinSeconds after the last action to now.
    std::vector<double> LevelsSinceTheLastAction()
    {
        const double from = lastAction + SoundWithinSeconds;
        const double end = rig.RecordingSeconds() - 2 * BlockSeconds;
        Power(false);
        Wait(RecorderLatencySeconds);   // the recorder takes its samples in large bites
        const std::vector<double> levels = BlockLevels(rig.Played(), BlockSamples);
        const auto first = static_cast<size_t>(from / BlockSeconds);
        const auto last = std::min(static_cast<size_t>(end / BlockSeconds), levels.size());
        EXPECT_GT(last, first) << "of " << levels.size() << " blocks recorded in " << end << " s";
        return last > first ? std::vector<double>(levels.begin() + static_cast<std::ptrdiff_t>(first),
                                                  levels.begin() + static_cast<std::ptrdiff_t>(last))
                            : std::vector<double>{};
    }

    // Every block loud; or, where allowed, only gaps of a few blocks with the sound back after each.
    void ExpectSound(const std::vector<double>& levels, int allowedGapBlocks = 0)
    {
        std::ostringstream gaps;
        int run = 0, longest = 0, silentBlocks = 0;
        for (size_t k = 0; k < levels.size(); ++k) {
            const bool silent = levels[k] < SilentRms;
            silentBlocks += silent;
            run = silent ? run + 1 : 0;
            longest = std::max(longest, run);
            if (silent && run == 1)
                gaps << " at " << static_cast<double>(k) * BlockSeconds << " s";
        }
        EXPECT_LE(longest, allowedGapBlocks) << silentBlocks << " silent blocks of " << levels.size() << "; gaps"
                                             << gaps.str();
        EXPECT_TRUE(!levels.empty() && levels.back() >= SilentRms) << "the sound is not back at the end";
    }

    // The trace lines that tell of trouble, each also written into the test's report.
    std::vector<std::string> Troubles()
    {
        std::vector<std::string> troubles;
        for (const std::string& line : program.TraceLines())
            if (TellsOfATrouble(line))
                troubles.push_back(line);
        RecordProperty("TraceLinesOfTrouble", static_cast<int>(troubles.size()));
        EXPECT_FALSE(program.TraceShows("MessageBoxes.MsgBox")) << "a message was shown (trace below)";
        for (const std::string& line : troubles)
            std::cout << "  trace: " << line << "\n";
        return troubles;
    }

    // The cases every server must pass.
    void PlayTwentySeconds()
    {
        if (!Start())
            return;
        Power(true);
        Wait(20);
        ExpectSound(LevelsSinceTheLastAction());
        EXPECT_FALSE(program.TraceShows("RaiseToRealTime:real time"));
        EXPECT_LE(Troubles().size(), TroublesOfAStart);
        EXPECT_EQ(program.Close(), 0);
    }

    void ComeBackAfterFivePowerCycles()
    {
        if (!Start())
            return;
        for (int cycle = 0; cycle < 5; ++cycle) {
            Power(true);
            Wait(1.0);
            Power(false);
            Wait(0.3);
        }
        Power(true);
        Wait(10);
        ExpectSound(LevelsSinceTheLastAction());
        EXPECT_LE(Troubles().size(), 6 * TroublesOfAStart);
        EXPECT_EQ(program.Close(), 0);
    }

    void WaitForAnIdleInput()
    {
        if (!Start())
            return;
        ASSERT_TRUE(rig.SuspendInput(true));
        Power(true);
        Wait(3);
        ASSERT_TRUE(rig.SuspendInput(false));
        lastAction = rig.RecordingSeconds();
        Wait(10);
        ExpectSound(LevelsSinceTheLastAction());
        Troubles();
        EXPECT_EQ(program.Close(), 0);
    }

    PacedSoundRig rig;
    ChildReceiver program{ZOZEVERE_PROGRAM, ZOZEVERE_PLUGINS};
    double lastAction = 0;
};

TEST_F(SoundSession, PlaysTwentySecondsAtNormalPriority)
{
    PlayTwentySeconds();
}

TEST_F(SoundSession, PlaysTwentySecondsAtRealTimePriority)
{
    if (!Start(ChildReceiver::Priority::AsGranted))
        return;
    Power(true);
    Wait(20);
    ExpectSound(LevelsSinceTheLastAction());
    if (!program.TraceShows("RaiseToRealTime:real time"))
        GTEST_SKIP() << "real-time scheduling is not granted here";
    EXPECT_LE(Troubles().size(), TroublesOfAStart);
    EXPECT_EQ(program.Close(), 0);
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
    if (!Start())
        return;
    Power(true);
    Click("cmdWavCtls_0");   // Record
    Wait(9);
    Click("cmdWavCtls_3");   // Stop: the receiver goes off
    Wait(1);
    Click("cmdWavCtls_1");   // Play: the receiver comes on and plays the recording
    Wait(7);
    ExpectSound(LevelsSinceTheLastAction());
    Troubles();
    EXPECT_EQ(program.Close(), 0);
}

TEST_F(SoundSession, AProgramHeldStillComesBackAfterEachShortGap)
{
    if (!Start())
        return;
    Power(true);
    Wait(4);
    for (int hold = 0; hold < 3; ++hold) {
        program.Freeze(300);
        Wait(2);
    }
    ExpectSound(LevelsSinceTheLastAction(), ShortGapBlocks);
    Troubles();
    EXPECT_EQ(program.Close(), 0);
}

TEST_F(SoundSession, OnABusyMachineComesBackAfterEachShortGap)
{
    if (!Start(ChildReceiver::Priority::AsGranted))
        return;
    std::vector<std::unique_ptr<QProcess>> busy;
    for (int k = 0; k < 8; ++k) {
        busy.push_back(std::make_unique<QProcess>());
        busy.back()->start("sh", {"-c", "while :; do :; done"});
    }
    Power(true);
    Wait(15);
    ExpectSound(LevelsSinceTheLastAction(), ShortGapBlocks);
    for (auto& process : busy)
        process->kill(), process->waitForFinished();
    Troubles();
    EXPECT_EQ(program.Close(), 0);
}

// Debian 12's desktops run PipeWire.
class SoundSessionOnPipeWire : public SoundSession
{
protected:
    SoundSessionOnPipeWire() : SoundSession(SoundServer::PipeWire) {}
};

TEST_F(SoundSessionOnPipeWire, PlaysTwentySecondsAtNormalPriority)
{
    PlayTwentySeconds();
}

TEST_F(SoundSessionOnPipeWire, ComesBackAfterFivePowerCycles)
{
    ComeBackAfterFivePowerCycles();
}

TEST_F(SoundSessionOnPipeWire, WaitsForAnIdleInputAndPlaysWhenTheSignalComes)
{
    WaitForAnIdleInput();
}

} // namespace
