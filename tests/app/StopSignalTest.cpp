#include "app/frmSupervisor.h"
#include "ui/main/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

// The real program runs in a child process, offscreen, in a folder of its own; a stop
// signal arrives while a message box waits for an answer.
namespace {

constexpr const char* ChildVariable = "ZOZEVERE_STOP_TEST_CHILD";
constexpr int PatienceMs = 90000;  // a start under the sanitizers on a busy machine

void WriteFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ChildProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFile(programFolder() + "/40m.bpl", "[MainBand]\r\n");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("ZOZEVERE_HOME", programFolder());
        // The font library keeps a cache to the end of the process; a sanitizer build would
        // count it as a leak and change the exit status that the tests check.
        WriteFile(dir.path() + "/leaks.supp", "leak:libfontconfig\n");
        environment.insert("LSAN_OPTIONS", "suppressions=" + dir.path() + "/leaks.supp");
    }

    QString programFolder() const { return dir.path() + "/program"; }
    QString logFile() const { return programFolder() + "/ZOZEVERE.log"; }

    void UseOwnSettingsFolder(const QByteArray& settings)
    {
        environment.insert("XDG_CONFIG_HOME", dir.path() + "/config");
        environment.insert("XDG_RUNTIME_DIR", dir.path() + "/runtime");
        WriteFile(settingsFile(), settings);
    }
    QString settingsFile() const { return dir.path() + "/config/ZOZEVERE/ZOZEVERE.ini"; }

    void Start(QProcess& process, const QString& program, const QStringList& arguments)
    {
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        process.start(program, arguments);
        ASSERT_TRUE(process.waitForStarted(PatienceMs));
    }

    // True once the trace log holds the text (the program writes each line as it goes).
    bool LogShows(const QByteArray& text) const
    {
        QElapsedTimer clock;
        clock.start();
        while (!ReadFile(logFile()).contains(text)) {
            if (clock.elapsed() > PatienceMs)
                return false;
            QThread::msleep(20);
        }
        return true;
    }

    // Sends the stop signal; the exit status, or -1 when the program did not end normally.
    static int Stop(QProcess& process)
    {
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        if (!process.waitForFinished(PatienceMs) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        return process.exitCode();
    }

    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

} // namespace

TEST_F(ChildProgram, AStopSignalWhileTheStartUpShowsABoxEndsNormallyWithSettingsSaved)
{
    UseOwnSettingsFolder("[RXModel.Vantrel RAV1]\r\nSerialDevice=/nonexistent/ttyZOZ\r\n");
    QProcess program;
    Start(program, ZOZEVERE_PROGRAM, {"trace"});
    ASSERT_TRUE(LogShows("MessageBoxes.MsgBox:ZOZEVERE: clsDDSSerialIF:clsDDSSerialIF:OpenPort"));
    EXPECT_EQ(Stop(program), 0) << program.readAllStandardError().toStdString();
    const QByteArray settings = ReadFile(settingsFile());
    EXPECT_TRUE(settings.contains("NoiseFloor=")) << settings.toStdString();  // saved by the main window's closing
    // The box after the dismissed one was not shown: it went to the log.
    EXPECT_TRUE(ReadFile(logFile()).contains("MessageBoxes.MsgBox:ZOZEVERE: Unable to open Serial Interface COM1"));
}

TEST_F(ChildProgram, AStopSignalWhilePowerOnShowsTheSoundCardBoxEndsNormallyWithSettingsSaved)
{
    // No port to open at start-up; a sound card number that is not among the devices.
    UseOwnSettingsFolder("[RXModel.Vantrel RAV1]\r\nDDSInterfaceType=3\r\n[frmMain]\r\nCurrentCaptureDevice=99\r\n");
    environment.insert(ChildVariable, "1");
    QProcess program;
    Start(program, QCoreApplication::applicationFilePath(), {"--gtest_filter=StopSignalChild.PressesOn"});
    ASSERT_TRUE(LogShows("MessageBoxes.MsgBox:ZOZEVERE: Unable to start DirectSound."));
    EXPECT_EQ(Stop(program), 0);
    const QByteArray settings = ReadFile(settingsFile());
    EXPECT_TRUE(settings.contains("CurrentCaptureDevice=99")) << settings.toStdString();
    EXPECT_TRUE(settings.contains("NoiseFloor=")) << settings.toStdString();
}

// The child of the test above: the whole program, with On pressed once it runs.
TEST(StopSignalChild, PressesOn)
{
    if (!qEnvironmentVariableIsSet(ChildVariable))
        GTEST_SKIP() << "runs only as the child process of the stop-signal test";
    QTimer pressOn;  // the start-up lets events run before the main window exists
    QObject::connect(&pressOn, &QTimer::timeout, [&pressOn] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* main = qobject_cast<frmMain*>(window); main && main->isVisible()) {
                pressOn.stop();
                main->optPwr[0]->setChecked(true);
            }
        }
    });
    pressOn.start(20);
    std::exit(frmSupervisor::Run("trace"));
}

// Without a writable home or a runtime folder no lock file can be made; the instance
// socket needs neither.
TEST_F(ChildProgram, ASecondProgramWithoutAWritableHomeIsToldTheFirstRuns)
{
    const QString home = dir.path() + "/home";
    QDir().mkpath(home);
    QFile::setPermissions(home, QFile::ReadOwner | QFile::ExeOwner);
    environment.insert("HOME", home);
    environment.remove("XDG_CONFIG_HOME");
    environment.remove("XDG_RUNTIME_DIR");

    QProcess first;
    Start(first, ZOZEVERE_PROGRAM, {"trace"});
    ASSERT_TRUE(LogShows("frmSupervisor.Initialise : Start"));
    QProcess second;
    Start(second, ZOZEVERE_PROGRAM, {"trace"});
    ASSERT_TRUE(LogShows("MessageBoxes.MsgBox:ZOZEVERE: ZOZEVERE is already running"));
    EXPECT_EQ(Stop(second), 0);
    EXPECT_FALSE(ReadFile(logFile()).contains("frmSupervisor.Initialise : Start"));  // the second went no further
    EXPECT_EQ(Stop(first), 0);
    QFile::setPermissions(home, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
