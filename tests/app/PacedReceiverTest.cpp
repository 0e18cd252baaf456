#include "audio/QELVODX8.h"
#include "core/Globals.h"
#include "core/MainWindowValues.h"
#include "dsp/FilterObjects.h"
#include "dsp/ReceiveState.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakeProcessPriority.h"
#include "platform/ProcessPriority.h"
#include "support/PacedSoundRig.h"
#include "support/ReceiverOnPacedRig.h"
#include "support/ScopedTestHome.h"
#include "support/TopLevelWindows.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRadioButton>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {

constexpr double BlocksPerSecondAt48k = 48000.0 / 2048.0;
constexpr int16_t Loud = 2000;                 // the AGC holds the tone's peak near 16383
constexpr size_t DropoutSamples = 480;        // 10 ms of silence inside the tone is a break
constexpr double WakeUpsPerBlockAllowed = 3.0;

// The whole program on the paced sound server, the default devices, receiving the rig's
// 13 kHz tone in USB on a 12 kHz IF with the oscillator above: a 1 kHz tone is played.
class PacedReceiver : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!rig.SkipReason().empty())
            GTEST_SKIP() << rig.SkipReason();
        main = StartReceiver(home.path(), "trace", supervisor);
        ASSERT_NE(main, nullptr);
        DemodMode = DemodModeEnum::USB;
        for (clsFFTFilter* filter : {&AFFilter, &SSBFilterI, &SSBFilterQ, &PhaseFilterI, &PhaseFilterQ})
            filter->Active = true;
        AGCOn = true;
        QObject::connect(main->SoundCard.get(), &QELVODX8::DataReady, [this] {
            if (blocksSincePowerOn++ == 0)
                sinceFirstBlock.start();
        });
        ASSERT_TRUE(rig.StartRecording());
    }

    void TearDown() override
    {
        DeleteTopLevelWindows();
        supervisor.reset();
        TraceOn = false;
    }

    void Power(bool on)
    {
        blocksSincePowerOn = 0;
        main->optPwr[on ? 0 : 1]->setChecked(true);
        ASSERT_EQ(main->SoundCard->InAction(), on) << (boxes.boxes.empty() ? "" : boxes.Last().prompt);
    }

    // Runs with power on for the given time and returns the wake-ups per block captured.
    double ReceiveFor(int milliseconds)
    {
        const int64_t blocksBefore = blocksSincePowerOn;
        WakeUpCounter wakeUps;
        RunFor(milliseconds);
        const int64_t received = blocksSincePowerOn - blocksBefore;
        return received > 0 ? static_cast<double>(wakeUps.Count) / static_cast<double>(received) : 0.0;
    }

    // Every block since the first one after power on came, at the device's pace.
    void ExpectNoBlockLost()
    {
        const double due = static_cast<double>(sinceFirstBlock.elapsed()) / 1000.0 * BlocksPerSecondAt48k;
        EXPECT_GE(static_cast<double>(blocksSincePowerOn), due - 2.0);
        EXPECT_EQ(main->DroppedBlocks, 0);
    }

    // Trace lines that tell of lost sound.
    std::vector<std::string> XrunLines() const
    {
        std::vector<std::string> lines;
        QFile log(QString::fromStdString(home.file("ZOZEVERE.log")));
        if (!log.open(QIODevice::ReadOnly))
            return {"no log file"};
        for (const QByteArray& line : log.readAll().split('\n')) {
            if (line.contains("underrun") || line.contains("overrun") || line.contains("dropped"))
                lines.push_back(line.trimmed().toStdString());
        }
        return lines;
    }

    // The tone played from its first to its last loud sample, without a break, for at least
    // the given time.
    void ExpectTonePlayedWithoutABreak(double seconds)
    {
        const std::vector<int16_t> played = rig.Played();
        EXPECT_GE(static_cast<double>(LoudSpan(played, Loud)), seconds * PacedSoundRig::SampleRate)
            << "of " << played.size() << " samples recorded";
        const int64_t dropout = FirstDropout(played, DropoutSamples, Loud);
        EXPECT_EQ(dropout, -1) << "silence at " << static_cast<double>(dropout) / PacedSoundRig::SampleRate << " s";
    }

    ScopedTestHome home;
    PacedSoundRig rig{13000};
    FakeMessageBoxes boxes;
    std::unique_ptr<FakeProcessPriority> fakePriority = std::make_unique<FakeProcessPriority>();
    std::unique_ptr<frmSupervisor> supervisor;
    frmMain* main = nullptr;
    int64_t blocksSincePowerOn = 0;
    QElapsedTimer sinceFirstBlock;
};

TEST_F(PacedReceiver, PlaysTheToneWithoutABreakForTwentySecondsWakingAFewTimesPerBlock)
{
    Power(true);
    const double wakeUpsPerBlock = ReceiveFor(21000);
    ExpectNoBlockLost();
    Power(false);
    RecordProperty("WakeUpsPerBlock", std::to_string(wakeUpsPerBlock));
    EXPECT_LE(wakeUpsPerBlock, WakeUpsPerBlockAllowed);
    EXPECT_EQ(XrunLines(), std::vector<std::string>{});
    ExpectTonePlayedWithoutABreak(20.0);
}

} // namespace

namespace {

// As the user would run it with the rights to real-time scheduling.
TEST_F(PacedReceiver, WithRealTimePriorityTheToneGoesOnWithoutABreakAlsoAfterPowerOffAndOn)
{
    fakePriority.reset();
    Power(true);
    if (ProcessPriority::Current() != ProcessPriority::Level::RealTime) {
        Power(false);
        GTEST_SKIP() << "this process may not use real-time scheduling";
    }
    EXPECT_LE(ReceiveFor(6000), WakeUpsPerBlockAllowed);
    ExpectNoBlockLost();
    Power(false);
    ExpectTonePlayedWithoutABreak(3.5);

    ASSERT_TRUE(rig.StartRecording());
    Power(true);
    EXPECT_LE(ReceiveFor(4000), WakeUpsPerBlockAllowed);
    ExpectNoBlockLost();
    Power(false);
    ExpectTonePlayedWithoutABreak(2.5);
    EXPECT_EQ(XrunLines(), std::vector<std::string>{});
}

TEST_F(PacedReceiver, AfterTheMainThreadStalledTheToneComesBack)
{
    Power(true);
    ReceiveFor(3000);
    QTimer::singleShot(0, [] { QThread::msleep(200); });
    ReceiveFor(1000);
    const std::vector<std::string> lines = XrunLines();
    EXPECT_NE(std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
                  return line.find("Playback underrun") != std::string::npos;
              }), lines.end());
    EXPECT_LE(lines.size(), 4u) << "recovered once, not over and over";

    rig.Played();
    ASSERT_TRUE(rig.StartRecording());
    ReceiveFor(3000);
    Power(false);
    ExpectTonePlayedWithoutABreak(2.5);
    EXPECT_EQ(XrunLines(), lines);
}

} // namespace
