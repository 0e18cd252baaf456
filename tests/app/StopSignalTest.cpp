#include "app/frmSupervisor.h"
#include "audio/QELVODX8.h"
#include "core/Settings.h"
#include "platform/AlsaSoundBackend.h"
#include "platform/MessageBoxes.h"
#include "platform/SerialLines.h"
#include "support/AlsaFileDevices.h"
#include "core/frmLog.h"
#include "support/ChildRoutines.h"
#include "support/DeviceGuardForTests.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

// The real program runs offscreen in a child process, in a folder of its own; a stop
// signal arrives while a message box waits for an answer.
namespace {

constexpr int PatienceMs = 90000;  // a start under the sanitizers on a busy machine

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
}

class ChildProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFile(dir.path() + "/program/40m.bpl", "[MainBand]\r\n");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("ZOZEVERE_HOME", dir.path() + "/program");
        // The font library's cache lives to the end of the process; the leak checker of a
        // sanitizer build would count it and change the exit status.
        WriteFile(dir.path() + "/leaks.supp", "leak:libfontconfig\n");
        environment.insert("LSAN_OPTIONS", "suppressions=" + dir.path() + "/leaks.supp");
    }

    void UseSettings(const QByteArray& settings)
    {
        environment.insert("XDG_CONFIG_HOME", dir.path() + "/config");
        environment.insert("XDG_RUNTIME_DIR", dir.path() + "/runtime");
        WriteFile(settingsFile, settings);
    }

    void Start(QProcess& process, const QString& program, const QString& argument)
    {
        DeviceGuardForTests::Guard(environment);
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(program, {argument});
        ASSERT_TRUE(process.waitForStarted(PatienceMs));
    }

    // This test program in a child process, running one of the routines below.
    void StartChild(QProcess& process, const char* routine)
    {
        environment.insert(ChildRoutines::Variable, routine);
        Start(process, QCoreApplication::applicationFilePath(), "");
    }

    // The trace log is written line by line as the program goes.
    bool LogShows(const QByteArray& text, const QString& folder = "/program") const
    {
        QElapsedTimer clock;
        clock.start();
        while (!ReadFile(dir.path() + folder + "/ZOZEVERE.log").contains(text) && clock.elapsed() < PatienceMs)
            QThread::msleep(20);
        return clock.elapsed() < PatienceMs;
    }

    // The exit status after the stop signal, or -1 when the program did not end normally.
    static int Stop(QProcess& process)
    {
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        const bool ended = process.waitForFinished(PatienceMs) && process.exitStatus() == QProcess::NormalExit;
        return ended ? process.exitCode() : -1;
    }

    QTemporaryDir dir;
    const QString settingsFile = dir.path() + "/config/ZOZEVERE/ZOZEVERE.ini";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

} // namespace

TEST_F(ChildProgram, AStopSignalWhileTheStartUpShowsABoxEndsNormallyWithSettingsSaved)
{
    UseSettings("[RXModel.Vantrel RAV1]\r\nSerialDevice=/nonexistent/ttyZOZ\r\n");
    QProcess program;
    Start(program, ZOZEVERE_PROGRAM, "trace");
    ASSERT_TRUE(LogShows("MessageBoxes.MsgBox:ZOZEVERE: Unable to open "));
    EXPECT_EQ(Stop(program), 0);
    EXPECT_TRUE(ReadFile(settingsFile).contains("NoiseFloor="));  // saved by the main window's closing
    EXPECT_TRUE(ReadFile(dir.path() + "/program/40m.bpl").contains("Active=True"));   // and the band plans
    // One failure, one box: the set-up only traces what the transport's box said.
    EXPECT_TRUE(LogShows("modSetupRx.InitialiseRX:Unable to open Serial Interface COM1"));
    EXPECT_FALSE(ReadFile(dir.path() + "/program/ZOZEVERE.log").contains("MsgBox:ZOZEVERE: Unable to open Serial"));
}

// The built program carries no device guard: the one its test preloads keeps it from the
// machine's ports, and the test learns which one the program asked for.
TEST_F(ChildProgram, TheProgramATestStartsIsKeptFromTheMachinesPortsAndItsTestIsTold)
{
    UseSettings("[RXModel.Vantrel RAV1]\r\nSerialDevice=/dev/ttyUSB97\r\n");
    QProcess program;
    Start(program, ZOZEVERE_PROGRAM, "trace");
    ASSERT_TRUE(LogShows("MessageBoxes.MsgBox:ZOZEVERE: Unable to open "));
    EXPECT_EQ(Stop(program), 0);
    EXPECT_EQ(DeviceGuardForTests::TakeChildReports(), "/dev/ttyUSB97");   // taken: this test passes
}

TEST_F(ChildProgram, AStopSignalWhilePowerOnShowsTheSoundCardBoxEndsNormallyWithSettingsSaved)
{
    // No port to open at start-up; a sound card that is not among the devices.
    UseSettings("[RXModel.Vantrel RAV1]\r\nDDSInterfaceType=3\r\n[frmMain]\r\nCurrentCaptureDeviceName=hw:CARD=zoz_unplugged,DEV=0\r\n");
    QProcess program;
    StartChild(program, "PressesOn");
    ASSERT_TRUE(LogShows("MessageBoxes.MsgBox:ZOZEVERE: Unable to start the sound devices."));
    EXPECT_EQ(Stop(program), 0);
    EXPECT_TRUE(ReadFile(settingsFile).contains("NoiseFloor="));
}

// The window is closed and destroyed as the Close button does it: the recorder, which
// stores its settings and finishes an open recording as it goes, goes too.
TEST_F(ChildProgram, AStopSignalClosesTheWindowAsItsCloseDoesAndTheRecorderStoresItsSettings)
{
    UseSettings("[RXModel.Vantrel RAV1]\r\nDDSInterfaceType=3\r\n");
    QProcess idle;
    Start(idle, ZOZEVERE_PROGRAM, "trace");
    ASSERT_TRUE(LogShows("frmMain:Form_Load:End"));
    EXPECT_EQ(Stop(idle), 0);
    EXPECT_TRUE(ReadFile(settingsFile).contains("[WavFile]"));

    WriteFile(settingsFile, "[RXModel.Vantrel RAV1]\r\nDDSInterfaceType=3\r\n");
    QFile::remove(dir.path() + "/program/ZOZEVERE.log");
    QProcess recording;
    StartChild(recording, "Records");
    ASSERT_TRUE(LogShows("frmMain:Form_Load:End"));
    ASSERT_TRUE(LogShows("child:recording"));
    EXPECT_EQ(Stop(recording), 0);
    EXPECT_TRUE(ReadFile(settingsFile).contains("[WavFile]"));
}

// A pipe as the settings file: the start-up is not held waiting for a writer, says so,
// and the pipe is still a pipe at the end.
TEST_F(ChildProgram, ASettingsFileThatIsAPipeNeitherHoldsTheStartNorIsReplaced)
{
    environment.insert("XDG_CONFIG_HOME", dir.path() + "/config");
    QDir().mkpath(dir.path() + "/config/ZOZEVERE");
    ASSERT_EQ(::mkfifo(settingsFile.toLocal8Bit().constData(), 0600), 0);
    QProcess program;
    StartChild(program, "RunsWithoutSerialPorts");   // model 0, the default, is wired to a serial port
    ASSERT_TRUE(LogShows("MessageBoxes.MsgBox:ZOZEVERE: The settings could not be read."));
    EXPECT_EQ(Stop(program), 0);
    EXPECT_TRUE(std::filesystem::is_fifo(settingsFile.toStdString()));
}

// Without $ZOZEVERE_HOME the program keeps its files in the user's data folder, made at
// the first start with the sample band plans in it; the build tree is left alone.
TEST_F(ChildProgram, WithoutAProgramFolderTheDataFolderIsMadeWithTheSamples)
{
    environment.remove("ZOZEVERE_HOME");
    environment.insert("XDG_DATA_HOME", dir.path() + "/data");
    UseSettings("[RXModel.Vantrel RAV1]\r\nDDSInterfaceType=3\r\n");
    QProcess program;
    Start(program, ZOZEVERE_PROGRAM, "trace");
    ASSERT_TRUE(LogShows("frmMain:Form_Load:End", "/data/ZOZEVERE"));
    EXPECT_EQ(Stop(program), 0);
    const QStringList plans = QDir(dir.path() + "/data/ZOZEVERE").entryList({"*.bpl"}, QDir::Files);
    EXPECT_TRUE(plans.contains("40m.bpl")) << plans.join(' ').toStdString();
}

// Program folders of their own make no second instance: both would share the settings.
TEST_F(ChildProgram, ASecondProgramWithAnotherProgramFolderIsToldTheFirstRuns)
{
    UseSettings("[RXModel.Vantrel RAV1]\r\nDDSInterfaceType=3\r\n");
    QProcess first, second;
    Start(first, ZOZEVERE_PROGRAM, "trace");
    ASSERT_TRUE(LogShows("frmSupervisor.Initialise : Start"));
    WriteFile(dir.path() + "/other/40m.bpl", "[MainBand]\r\n");
    environment.insert("ZOZEVERE_HOME", dir.path() + "/other");
    Start(second, ZOZEVERE_PROGRAM, "trace");
    ASSERT_TRUE(LogShows("MessageBoxes.MsgBox:ZOZEVERE: ZOZEVERE is already running", "/other"));
    EXPECT_EQ(Stop(second), 0);
    EXPECT_EQ(Stop(first), 0);
}

namespace {

// The whole program, as a child process; once the main window shows, action runs on it.
int RunProgramAnd(std::function<void(frmMain&)> action)
{
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&watch, &action] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* main = qobject_cast<frmMain*>(window); main && main->isVisible()) {
                watch.stop();
                action(*main);
            }
        }
    });
    watch.start(20);
    return frmSupervisor::Run("trace");
}

// Stands in for the machine's serial ports: none is there.
class NoSerialPorts : public SerialLines::Backend
{
public:
    std::unique_ptr<SerialLines::Port> Open(const std::string& device, int32_t, SerialLines::OpenError& error) override
    {
        error = {ENOENT, SerialLines::OpenErrorText(device, ENOENT)};
        return nullptr;
    }
};

const bool childRoutines =
    ChildRoutines::Register("RunsWithoutSerialPorts", [] {
        static NoSerialPorts none;
        SerialLines::SetBackend(&none);
        return frmSupervisor::Run("trace");
    }) &&
    ChildRoutines::Register("PressesOn", [] {
        return RunProgramAnd([](frmMain& main) { main.Power->optPwr[0]->setChecked(true); });
    }) &&
    ChildRoutines::Register("ShowsABoxWhileReceiving", [] {
        // The receiver runs on ALSA's file devices, stored as the sound card in use.
        AlsaFileDevices devices;
        devices.WriteCapture(std::vector<int16_t>(size_t{2} * 2048 * 500, 0));
        AlsaFileDevices::StoreAsSoundCard();
        return RunProgramAnd([](frmMain& main) {
            main.Power->optPwr[0]->setChecked(true);
            if (!main.SoundCard->InAction())
                return;
            AddLog("child:receiving");
            QTimer::singleShot(0, [] { MessageBoxes::MsgBox("A box while receiving"); });
        });
    }) &&
    ChildRoutines::Register("Records", [] {
        return RunProgramAnd([](frmMain& main) {
            main.Recorder->cmdWavCtls_Click(0);
            AddLog("child:recording");
        });
    });

} // namespace

TEST_F(ChildProgram, AStopSignalWhileABoxIsOpenDuringReceptionEndsNormallyWithSettingsSaved)
{
    UseSettings("[RXModel.Vantrel RAV1]\r\nDDSInterfaceType=3\r\n");
    QProcess program;
    StartChild(program, "ShowsABoxWhileReceiving");
    ASSERT_TRUE(LogShows("child:receiving"));
    ASSERT_TRUE(LogShows("MessageBoxes.MsgBox:ZOZEVERE: A box while receiving"));
    EXPECT_EQ(Stop(program), 0);
    EXPECT_TRUE(ReadFile(settingsFile).contains("NoiseFloor="));
}

// No lock file can be made without a writable home or a runtime folder; the socket needs neither.
TEST_F(ChildProgram, ASecondProgramWithoutAWritableHomeIsToldTheFirstRuns)
{
    const QString home = dir.path() + "/home";
    WriteFile(home + "/.config/ZOZEVERE/ZOZEVERE.ini", "[RXModel.Vantrel RAV1]\r\nDDSInterfaceType=3\r\n");
    QFile::setPermissions(home, QFile::ReadOwner | QFile::ExeOwner);
    environment.insert("HOME", home);
    environment.remove("XDG_CONFIG_HOME");
    environment.remove("XDG_RUNTIME_DIR");
    QProcess first, second;
    Start(first, ZOZEVERE_PROGRAM, "trace");
    ASSERT_TRUE(LogShows("frmSupervisor.Initialise : Start"));
    Start(second, ZOZEVERE_PROGRAM, "trace");  // its log replaces the first one's
    ASSERT_TRUE(LogShows("MessageBoxes.MsgBox:ZOZEVERE: ZOZEVERE is already running"));
    EXPECT_EQ(Stop(second), 0);
    EXPECT_EQ(Stop(first), 0);
    QFile::setPermissions(home, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
