#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace AppPaths {

namespace {

QString environmentFolder(const char* variable, const QString& fallbackUnderHome)
{
    const QString value = qEnvironmentVariable(variable);
    return value.isEmpty() ? QDir::homePath() + "/" + fallbackUnderHome : value;
}

QString executableFolder()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

// Copies the files of the folder that match the patterns and are not in the target yet.
void CopyMissing(const QString& from, const QStringList& patterns, const QString& to)
{
    for (const QFileInfo& file : QDir(from).entryInfoList(patterns, QDir::Files))
        if (!QFileInfo::exists(to + "/" + file.fileName()))
            QFile::copy(file.filePath(), to + "/" + file.fileName());
}

} // namespace

std::string ExecutableFolder() { return executableFolder().toStdString(); }

bool PrepareProgramFolder(const std::string& folder, const std::string& earlierFolder,
                          const std::vector<std::string>& sampleFolders)
{
    const QString target = QString::fromStdString(folder);
    if (QFileInfo(target).isDir())
        return true;
    if (!QDir().mkpath(target))
        return false;
    const QString earlier = QString::fromStdString(earlierFolder);
    if (!earlier.isEmpty() && QDir(earlier) != QDir(target))
        CopyMissing(earlier, {"*.bpl", "*.thm", "*.wav", "Dream.ini", QString(ApplicationTitle) + ".log"}, target);
    for (const std::string& samples : sampleFolders)
        CopyMissing(QString::fromStdString(samples), {"*.bpl", "*.thm"}, target);
    return true;
}

std::string ProgramFolder()
{
    const QString home = qEnvironmentVariable(ProgramFolderVariable);
    if (!home.isEmpty())
        return QDir::cleanPath(home).toStdString();
    const QString folder = environmentFolder("XDG_DATA_HOME", ".local/share") + "/" + ApplicationTitle;
    const QString installedSamples = QDir::cleanPath(executableFolder() + "/../share/zozevere");
    PrepareProgramFolder(folder.toStdString(), ExecutableFolder(), {installedSamples.toStdString()});
    return folder.toStdString();
}

std::string SettingsFilePath()
{
    return (environmentFolder("XDG_CONFIG_HOME", ".config") + "/ZOZEVERE/ZOZEVERE.ini").toStdString();
}

std::string ExecutableName()
{
    const QString path = QCoreApplication::instance() ? QCoreApplication::applicationFilePath()
                                                       : QFileInfo("/proc/self/exe").canonicalFilePath();
    return QFileInfo(path).completeBaseName().toStdString();
}

} // namespace AppPaths
