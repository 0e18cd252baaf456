#include "platform/SingleInstance.h"

#include "platform/AppPaths.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

SingleInstance::SingleInstance(std::string lockPath) : lockPath_(std::move(lockPath)) {}

SingleInstance::~SingleInstance()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool SingleInstance::Acquire()
{
    if (fd_ >= 0)
        return true;
    QDir().mkpath(QFileInfo(QString::fromStdString(lockPath_)).path());
    const int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return true;  // cannot tell: let this instance run rather than refuse to start
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool heldByOther = (errno == EWOULDBLOCK);
        ::close(fd);
        return !heldByOther;
    }
    fd_ = fd;
    return true;
}

std::string SingleInstance::DefaultLockPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return (runtime + "/ZOZEVERE.lock").toStdString();
    return QFileInfo(QString::fromStdString(AppPaths::SettingsFilePath())).path().toStdString() + "/ZOZEVERE.lock";
}
