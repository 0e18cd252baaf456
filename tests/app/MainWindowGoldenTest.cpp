#include "GoldenFile.h"

#include "app/frmSupervisor.h"
#include "bandplan/modBandPlan.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakeProcessPriority.h"
#include "fakes/FakeSoundBackend.h"
#include "support/AlsaFileDevices.h"
#include "support/ChildReceiver.h"
#include "support/ChildRoutines.h"
#include "support/TextFiles.h"
#include "ui/main/frmMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdio>

// The main window's start-up trace log and the settings and band files it leaves behind,
// pinned to the files on record in tests/app/data. After a deliberate change, record them again
// with
//   ZOZEVERE_UPDATE_GOLDEN=1 build-test/tests/tests_app --gtest_filter='MainWindowGolden.*'
// and review the diff of tests/app/data before committing it.
namespace {

constexpr int PatienceMs = 90000;   // a start under the sanitizers on a busy machine

// What legitimately differs between runs and machines, masked: the scratch folder (a new
// temporary folder every run) and, in the log's header line, the date and time of the start
// (the clock, written in the system locale's format).
QByteArray Normalised(QByteArray text, const QString& scratchFolder)
{
    text.replace(scratchFolder.toUtf8(), "<scratch>");
    static const QRegularExpression header(R"(^(ZOZEVERE Log File Started at Date=)[^\r\n]*( Time=)[^\r\n]*)");
    return QString::fromUtf8(text).replace(header, R"(\1<date>\2<time>)").toUtf8();
}

// The sound devices of ALSA's own configuration only, never the machine's: the test's two
// file devices and ALSA's null device they stand on. The machine's cards (and the complaints
// of the sound library about the ones it lacks, which reach the log) stay out.
void UseOnlyTheFileDevices(ChildReceiver& program)
{
    const QString nullDevice = program.Folder() + "/null-device.conf";
    ASSERT_TRUE(WriteFile(nullDevice, "pcm.null { type null }\n"));
    program.SetEnvironment("ALSA_CONFIG_PATH", nullDevice + ":" + qEnvironmentVariable("HOME") + "/.asoundrc");
    // No sound server: a server the user runs would add its devices (none is started either).
    program.SetEnvironment("PULSE_SERVER", "unix:" + program.Folder() + "/runtime/no-sound-server");
}

// The whole program started as a user starts it with the trace switch, on a receiver that
// needs no port, then stopped once the main window is up: every line of the log, in order.
TEST(MainWindowGolden, TheStartUpTraceLogIsTheOneOnRecord)
{
    AlsaFileDevices devices;
    ChildReceiver program{ZOZEVERE_PROGRAM, ZOZEVERE_PLUGINS};
    UseOnlyTheFileDevices(program);
    ASSERT_TRUE(program.Start()) << program.Failure();
    EXPECT_EQ(program.Close(), 0);
    GoldenFile::ExpectMatches("startup-trace.golden", Normalised(program.TraceText(), program.Folder()));
}

// The clicks, by the controls' names: the second sub-band, its first preset, a mode, a filter,
// mute, the full display, power on and off again.
const char* const Clicks[] = {"optSubBand_1", "optPreset_0",      "optMode_2", "optFilter_3",
                              "chkMute",      "optDisplaySize_3", "optPwr_0",  "optPwr_1"};

// A user's pause after each click, longer than the window's timers that follow its state (the
// sub-band tracking, every 300 ms, copies the receiver's state into the sub-band or preset):
// without it, whether they ran between two clicks would depend on the machine's load.
constexpr int UserPauseMs = 1000;

// The program's band: two sub-bands on 40 m, the second with a preset.
constexpr const char* BandPlan = "[MainBand]\r\nNumSubBands=2\r\n"
                                 "[SubBand.0]\r\nFreqMin=7000000\r\nFreqMax=7040000\r\nFreqCurrent=7020000\r\n"
                                 "[SubBand.1]\r\nFreqMin=7040000\r\nFreqMax=7200000\r\nFreqCurrent=7100000\r\n"
                                 "NumPresets=1\r\n"
                                 "[Preset.1.0]\r\nCaption=7150\r\nActive=True\r\nFreqCurrent=7150000\r\n";

int Fail(const std::string& why)
{
    std::fprintf(stderr, "%s\n", why.c_str());
    return 1;
}

// In a child process of this test program, so that nothing an earlier test left in this
// process's globals reaches the window: the program's start-up on a fake sound card, the
// clicks, and the window closed as its close box does.
int StartClickAndClose()
{
    FakeMessageBoxes boxes;
    FakeProcessPriority priority;
    frmMain::CreateSoundBackend = [] { return std::make_unique<FakeSoundBackend>(); };
    modBandPlan::CurrentTime = [] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)); };
    frmSupervisor supervisor("");
    supervisor.EndProcess = [] {};
    if (!supervisor.Form_Load())
        return Fail("the program did not start");
    QWidget* window = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "frmMain")
            window = top;
    if (!window)
        return Fail("no main window");
    QTest::qWait(UserPauseMs);
    for (const char* name : Clicks) {
        auto* control = window->findChild<QAbstractButton*>(name);
        if (!control || !control->isVisible() || !control->isEnabled())
            return Fail(std::string("no visible, enabled control named ") + name);
        QTest::mouseClick(control, Qt::LeftButton);
        QTest::qWait(UserPauseMs);
    }
    window->close();
    supervisor.CloseDown();
    for (const FakeMessageBoxes::Box& box : boxes.boxes)
        std::fprintf(stderr, "A message box said: %s\n", box.prompt.c_str());
    return boxes.boxes.empty() ? 0 : 1;
}

const bool childRoutine = ChildRoutines::Register("StartsClicksAndCloses", StartClickAndClose);

TEST(MainWindowGolden, TheSettingsFileAfterAStartAFewClicksAndACloseIsTheOneOnRecord)
{
    QTemporaryDir scratch;
    const QString settingsFile = scratch.filePath("config/ZOZEVERE/ZOZEVERE.ini");
    ASSERT_TRUE(WriteFile(scratch.filePath("program/40m.bpl"), BandPlan));
    ASSERT_TRUE(WriteFile(settingsFile, "[RXModel.Vantrel RAV1]\r\nDDSInterfaceType=3\r\n"));
    ASSERT_TRUE(QDir().mkpath(scratch.filePath("runtime")));
    QFile::setPermissions(scratch.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ZOZEVERE_HOME", scratch.filePath("program"));
    environment.insert("XDG_CONFIG_HOME", scratch.filePath("config"));
    environment.insert("XDG_RUNTIME_DIR", scratch.filePath("runtime"));
    environment.insert(ChildRoutines::Variable, "StartsClicksAndCloses");
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {});
    ASSERT_TRUE(child.waitForFinished(PatienceMs));
    ASSERT_EQ(child.exitStatus(), QProcess::NormalExit);
    ASSERT_EQ(child.exitCode(), 0);

    GoldenFile::ExpectMatches("settings-after-clicks.golden", Normalised(ReadFile(settingsFile), scratch.path()));
    GoldenFile::ExpectMatches("bandplan-after-clicks.golden", Normalised(ReadFile(scratch.filePath("program/40m.bpl")), scratch.path()));
}

// A difference is reported at its first line, a line added or lost at the end included, and
// a line end that changed shows.
TEST(MainWindowGolden, ADifferenceIsReportedAtItsFirstLine)
{
    EXPECT_EQ(GoldenFile::FirstDifference("a\r\nb\r\n", "a\r\nb\r\n"), "");
    EXPECT_EQ(GoldenFile::FirstDifference("a\nb\nc\n", "a\nB\nC\n"), "line 2\n  expected: \"b\"\n  got:      \"B\"");
    EXPECT_EQ(GoldenFile::FirstDifference("a\nb", "a\n"), "line 2\n  expected: \"b\"\n  got:      \"\"");
    EXPECT_EQ(GoldenFile::FirstDifference("a\r\n", "a\n"), "line 1\n  expected: \"a\\r\"\n  got:      \"a\"");
    EXPECT_EQ(GoldenFile::FirstDifference("a\n", "a\nb"), "line 2\n  expected: \"\"\n  got:      \"b\"");
    EXPECT_EQ(GoldenFile::FirstDifference("a", "a\n"),
              "line 2\n  expected: (the end of the file)\n  got:      \"\"");
}

// The masks reach only what varies: the scratch folder wherever it stands, and the header's
// date and time.
TEST(MainWindowGolden, OnlyTheScratchFolderAndTheStartsDateAndTimeAreMasked)
{
    EXPECT_EQ(Normalised("ZOZEVERE Log File Started at Date=7 Dec 2026 Time=17:33:55 UTC\r\n"
                         "a:Processing /tmp/x1/program/b.bpl at Date=1\r\nSaveRecordingsPath=/tmp/x1/program\r\n",
                         "/tmp/x1"),
              "ZOZEVERE Log File Started at Date=<date> Time=<time>\r\n"
              "a:Processing <scratch>/program/b.bpl at Date=1\r\nSaveRecordingsPath=<scratch>/program\r\n");
}

} // namespace
