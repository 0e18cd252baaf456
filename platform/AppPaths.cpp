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

bool isWritableFolder(const QString& folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable() && !folder.startsWith("/usr/");
}

// A per-user program folder, filled on first use with the sample band plans and
// themes that were installed beside the program (or in ../share/zozevere).
QString userDataFolder()
{
    const QString folder = environmentFolder("XDG_DATA_HOME", ".local/share") + "/ZOZEVERE";
    QDir dir(folder);
    if (dir.exists())
        return folder;
    dir.mkpath(".");
    const QStringList sources = {executableFolder(), executableFolder() + "/../share/zozevere"};
    for (const QString& source : sources) {
        for (const QFileInfo& sample : QDir(source).entryInfoList({"*.bpl", "*.thm"}, QDir::Files))
            QFile::copy(sample.filePath(), folder + "/" + sample.fileName());
    }
    return folder;
}

} // namespace

std::string ProgramFolder()
{
    const QString home = qEnvironmentVariable(ProgramFolderVariable);
    if (!home.isEmpty())
        return QDir::cleanPath(home).toStdString();
    const QString exeFolder = executableFolder();
    if (isWritableFolder(exeFolder))
        return exeFolder.toStdString();
    return userDataFolder().toStdString();
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
