#include "platform/ProcessList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <map>
#include <utility>

namespace {

// Children started by this program, by process id. A child outlives this program unless
// it is ended on purpose, so the QProcess objects are only released once the child has
// ended (destroying a QProcess would kill its process). The table itself is never
// destroyed either, so that a child still running at exit is left alone.
std::map<int64_t, QProcess*>& Children()
{
    static auto* children = new std::map<int64_t, QProcess*>;
    return *children;
}

// The last part of a path, with either kind of separator ("C:\Dream\DREAM.exe" -> "DREAM.exe").
std::string BaseName(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    return path.mid(cut + 1).toStdString();
}

QByteArray ReadSmallFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096);
}

RunningProcess DescribeProcess(const QString& folder, int64_t id)
{
    RunningProcess process;
    process.Id = id;
    const QString executable = QFileInfo(folder + "/exe").symLinkTarget();
    if (!executable.isEmpty())
        process.Names.push_back(BaseName(executable));
    // The command line's words are separated by NULs; the first one names the program. A
    // program that rewrote its arguments may leave no NUL: the whole line names it then.
    const QByteArray commandLine = ReadSmallFile(folder + "/cmdline");
    const qsizetype firstNul = commandLine.indexOf('\0');
    const QString firstWord = QString::fromLocal8Bit(firstNul < 0 ? commandLine : commandLine.left(firstNul));
    if (!firstWord.isEmpty())
        process.Names.push_back(BaseName(firstWord));
    const QString kernelName = QString::fromLocal8Bit(ReadSmallFile(folder + "/comm")).trimmed();
    if (!kernelName.isEmpty())
        process.Names.push_back(kernelName.toStdString());
    return process;
}

void Forget(int64_t processId)
{
    auto& children = Children();
    const auto found = children.find(processId);
    if (found == children.end())
        return;
    delete found->second;
    children.erase(found);
}

} // namespace

SystemProcessList::SystemProcessList(std::string procFolder, int politeWaitMilliseconds)
    : procFolder_(std::move(procFolder)), politeWaitMilliseconds_(politeWaitMilliseconds)
{
}

std::optional<std::vector<RunningProcess>> SystemProcessList::RunningProcesses()
{
    const QDir proc(QString::fromStdString(procFolder_));
    if (!proc.exists())
        return std::nullopt;
    std::vector<RunningProcess> processes;
    for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isNumber = false;
        const qlonglong id = entry.toLongLong(&isNumber);
        if (isNumber && id > 0)
            processes.push_back(DescribeProcess(proc.filePath(entry), id));
    }
    return processes;
}

int64_t SystemProcessList::StartChild(const std::string& program, const std::vector<std::string>& arguments,
                                      const std::string& workingFolder, std::string& error)
{
    auto* process = new QProcess;
    QStringList argumentList;
    for (const std::string& argument : arguments)
        argumentList << QString::fromStdString(argument);
    if (!workingFolder.empty())
        process->setWorkingDirectory(QString::fromStdString(workingFolder));
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(QString::fromStdString(program), argumentList);
    if (!process->waitForStarted(5000)) {
        error = process->errorString().toStdString();
        delete process;
        return 0;
    }
    const int64_t processId = process->processId();
    Children()[processId] = process;
    return processId;
}

bool SystemProcessList::IsChildRunning(int64_t processId)
{
    const auto found = Children().find(processId);
    if (found == Children().end())
        return false;
    QProcess* process = found->second;
    process->waitForFinished(0);  // takes note of an end that the event loop has not seen yet
    if (process->state() != QProcess::NotRunning)
        return true;
    Forget(processId);
    return false;
}

bool SystemProcessList::EndChild(int64_t processId)
{
    if (!IsChildRunning(processId))
        return false;
    QProcess* process = Children()[processId];
    process->terminate();
    if (!process->waitForFinished(politeWaitMilliseconds_)) {
        process->kill();
        process->waitForFinished(politeWaitMilliseconds_);
    }
    Forget(processId);
    return true;
}

namespace {

SystemProcessList& RealProcessList()
{
    static SystemProcessList list;
    return list;
}

ProcessList* current = nullptr;

} // namespace

ProcessList& CurrentProcessList() { return current ? *current : RealProcessList(); }

void SetProcessList(ProcessList* list) { current = list; }
