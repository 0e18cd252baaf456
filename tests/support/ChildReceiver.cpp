#include "support/ChildReceiver.h"

#include "support/DeviceGuardForTests.h"
#include "support/ProcessCpu.h"
#include "support/TextFiles.h"

#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <csignal>
#include <functional>
#include <unistd.h>

namespace {

constexpr int PatienceMs = 90000;   // a start under the sanitizers on a busy machine

} // namespace

ChildReceiver::ChildReceiver(const std::string& program, const std::string& pluginFolder)
    : program_(program), pluginFolder_(pluginFolder)
{
}

ChildReceiver::~ChildReceiver()
{
    if (process_.state() != QProcess::NotRunning)
        Close();
}

bool ChildReceiver::Start(Priority priority)
{
    const bool written =
        WriteFile(Path("program/test.bpl"), bandPlan_) &&
        WriteFile(Path("config/ZOZEVERE/ZOZEVERE.ini"),
                  "[RXModel.Vantrel RAV1]\r\nDDSInterfaceType=3\r\nHiSideLo=True\r\n" + extraSettings_) &&
        // The font library's cache lives to the end of the process; the leak checker of a
        // sanitizer build would count it and change the exit status.
        WriteFile(Path("leaks.supp"), "leak:libfontconfig\n") && WriteFile(Path("commands"), "");
    QDir().mkpath(Path("runtime"));
    QFile::setPermissions(Path("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!written)
        return Fail("cannot write the program's files in " + dir_.path().toStdString());

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains("QT_QPA_PLATFORM"))
        environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("ZOZEVERE_HOME", Path("program"));
    environment.insert("XDG_CONFIG_HOME", Path("config"));
    environment.insert("XDG_RUNTIME_DIR", Path("runtime"));
    environment.insert("LSAN_OPTIONS", "suppressions=" + Path("leaks.supp"));
    environment.insert("QT_PLUGIN_PATH", QString::fromStdString(pluginFolder_));
    environment.insert("QT_QPA_GENERIC_PLUGINS", "zozpaneldriver");
    environment.insert("ZOZEVERE_PANEL_COMMANDS", Path("commands"));
    environment.insert("ZOZEVERE_PANEL_REPLIES", Path("replies"));
    environment.insert(extraEnvironment_);
    DeviceGuardForTests::Guard(environment);
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.setStandardOutputFile(QProcess::nullDevice());
    const bool neverRealTime = priority == Priority::NeverRealTime;
    process_.setChildProcessModifier([neverRealTime] {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (neverRealTime) {
            // Not even root may then raise itself to real time.
            prctl(PR_CAPBSET_DROP, CAP_SYS_NICE, 0, 0, 0);
            const rlimit none{0, 0};
            setrlimit(RLIMIT_RTPRIO, &none);
        }
    });
    process_.start(QString::fromStdString(program_), {"trace"});
    if (!process_.waitForStarted(PatienceMs))
        return Fail("the program did not start: " + process_.errorString().toStdString());
    if (!WaitFor([this] { return TraceShows("Form_Load:End"); }, PatienceMs))
        return Fail("the main window did not come up");
    return true;
}

bool ChildReceiver::Click(const std::string& objectName)
{
    std::string answer;
    return Command("click " + objectName, answer);
}

bool ChildReceiver::Tick(const std::string& objectName, bool on)
{
    std::string answer;
    return Command("tick " + objectName + (on ? " on" : " off"), answer);
}

bool ChildReceiver::ChooseTab(const std::string& tabStrip, const std::string& caption)
{
    std::string answer;
    return Command("tab " + tabStrip + " " + caption, answer);
}

bool ChildReceiver::Choose(const std::string& list, const std::string& text)
{
    std::string answer;
    return Command("choose " + list + " " + text, answer);
}

bool ChildReceiver::Entries(const std::string& list, std::vector<std::string>& entries)
{
    std::string answer;
    if (!Command("entries " + list, answer))
        return false;
    entries.clear();
    for (const QString& entry : QString::fromStdString(answer).split('\t', Qt::SkipEmptyParts))
        entries.push_back(entry.toStdString());
    return true;
}

bool ChildReceiver::Command(const std::string& line, std::string& answer)
{
    const int number = ++commands_;
    if (!WriteFile(Path("commands"), QByteArray::fromStdString(line + "\n"), QIODevice::Append))
        return Fail("cannot write the panel driver's commands");
    QByteArray reply;
    const QByteArray prefix = QByteArray::number(number) + " ";
    const bool answered = WaitFor([&] {
        for (const QByteArray& replyLine : ReadFile(Path("replies")).split('\n'))
            if (replyLine.startsWith(prefix))
                return reply = replyLine.mid(prefix.size()), true;
        return false;
    }, PatienceMs);
    if (!answered)
        return Fail("the panel driver did not answer " + line);
    if (reply != "ok" && !reply.startsWith("ok "))
        return Fail(line + ": " + reply.toStdString());
    answer = reply.mid(3).toStdString();
    return true;
}

void ChildReceiver::Freeze(int milliseconds)
{
    const auto pid = static_cast<pid_t>(process_.processId());
    ::kill(pid, SIGSTOP);
    QThread::msleep(static_cast<unsigned long>(milliseconds));
    ::kill(pid, SIGCONT);
}

int ChildReceiver::Close()
{
    ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
    const bool ended = process_.waitForFinished(PatienceMs) && process_.exitStatus() == QProcess::NormalExit;
    if (!ended) {
        process_.kill();
        process_.waitForFinished(PatienceMs);
    }
    return ended ? process_.exitCode() : -1;
}

std::vector<std::string> ChildReceiver::TraceLines() const
{
    std::vector<std::string> lines;
    for (const QByteArray& line : TraceText().split('\n'))
        lines.push_back(line.trimmed().toStdString());
    return lines;
}

QByteArray ChildReceiver::TraceText() const { return ReadFile(Path("program/ZOZEVERE.log")); }

bool ChildReceiver::TraceShows(const std::string& text) const
{
    return TraceText().contains(QByteArray::fromStdString(text));
}

double ChildReceiver::CpuSeconds() const
{
    return ProcessCpuSeconds(process_.processId());
}

int64_t ChildReceiver::WakeUps() const
{
    return ProcessWakeUps(process_.processId());
}

bool ChildReceiver::WaitFor(const std::function<bool()>& done, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds || process_.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(20);
    }
    return true;
}

bool ChildReceiver::Fail(const std::string& why)
{
    failure_ = why;
    return false;
}
