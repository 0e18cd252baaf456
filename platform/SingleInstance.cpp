#include "platform/SingleInstance.h"

#include "platform/AppPaths.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// FNV-1a: a stable hash, the same for every build of the program.
uint64_t StableHash(const std::string& text)
{
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

// The settings file a session of this user has by default: under the home folder of the
// user database, whatever $HOME and $XDG_CONFIG_HOME say.
std::string UsersOwnSettingsFile()
{
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? std::string(user->pw_dir) + "/.config/ZOZEVERE/ZOZEVERE.ini" : std::string();
}

} // namespace

SingleInstance::SingleInstance(std::string name, Method method) : name_(std::move(name)), method_(method) {}

SingleInstance::~SingleInstance()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::string SingleInstance::DefaultName()
{
    std::string name = std::string(AppPaths::ProductName) + "-" + std::to_string(::getuid());
    const std::string settings = QDir::cleanPath(QString::fromStdString(AppPaths::SettingsFilePath())).toStdString();
    if (settings != UsersOwnSettingsFile()) {
        char hash[17];
        std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(StableHash(settings)));
        name.append("-").append(hash);
    }
    return name;
}

std::string SingleInstance::LockFilePath() const { return "/tmp/" + name_ + ".lock"; }

bool SingleInstance::Acquire()
{
    if (fd_ >= 0)
        return true;
    Outcome outcome = method_ == Method::SocketThenLockFile ? BindSocket() : Outcome::Unavailable;
    if (outcome == Outcome::Unavailable)
        outcome = LockFile();
    return outcome != Outcome::HeldByOther;  // unavailable: let this instance run rather than refuse
}

// The name is taken by one socket at a time; the leading NUL puts it outside the file system.
SingleInstance::Outcome SingleInstance::BindSocket()
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Outcome::Unavailable;
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::size_t length = std::min(name_.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, name_.data(), length);
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), size) == 0) {
        fd_ = fd;
        return Outcome::Held;
    }
    const bool taken = errno == EADDRINUSE;
    ::close(fd);
    return taken ? Outcome::HeldByOther : Outcome::Unavailable;
}

// /tmp is shared by every user: the file is never followed through a link and is used
// only when it belongs to this user.
SingleInstance::Outcome SingleInstance::LockFile()
{
    const int fd = ::open(LockFilePath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Outcome::Unavailable;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_uid != ::getuid() || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Outcome::Unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool taken = errno == EWOULDBLOCK;
        ::close(fd);
        return taken ? Outcome::HeldByOther : Outcome::Unavailable;
    }
    fd_ = fd;
    return Outcome::Held;
}
