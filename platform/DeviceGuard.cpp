#include "platform/DeviceGuard.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

namespace DeviceGuard {

namespace {

std::atomic<bool> installed{false};
pid_t installer = 0;
Handler handlerInInstaller = nullptr;
char reportPath[PATH_MAX] = {};

bool IsHardwarePath(std::string_view path)
{
    static constexpr std::string_view prefixes[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM", "/dev/parport",
                                                    "/dev/snd/"};
    for (const std::string_view prefix : prefixes)
        if (path.starts_with(prefix))
            return true;
    return false;
}

// The ALSA library lists the sound cards by opening each card's control device; to a
// test, the machine has none.
bool IsCardProbe(std::string_view path) { return path.starts_with("/dev/snd/controlC"); }

using OpenFunction = int (*)(const char*, int, ...);
using OpenAtFunction = int (*)(int, const char*, int, ...);

OpenFunction NextOpen()
{
    static const auto next = reinterpret_cast<OpenFunction>(dlsym(RTLD_NEXT, "open"));
    return next;
}

void WriteAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written <= 0)
            return;
        text.remove_prefix(static_cast<size_t>(written));
    }
}

void Report(const char* device)
{
    if (handlerInInstaller && ::getpid() == installer) {
        handlerInInstaller(device);
        return;
    }
    WriteAll(STDERR_FILENO, std::string("Refused to open the device ") + device +
                                ": a test run must not touch the machine's hardware.\n");
    if (reportPath[0] == '\0' || !NextOpen())
        return;
    const int fd = NextOpen()(reportPath, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    WriteAll(fd, std::string(device) + "\n");
    ::close(fd);
}

// True when the open must fail; errno is then set.
bool Refuses(int directory, const char* path)
{
    if (!installed.load(std::memory_order_acquire) || !path)
        return false;
    if (path[0] != '/' && directory != AT_FDCWD)
        return false;
    if (!IsHardwareDevice(path))
        return false;
    if (IsCardProbe(path)) {
        errno = ENOENT;
        return true;
    }
    Report(path);
    errno = EACCES;
    return true;
}

bool NeedsMode(int flags) { return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE; }

template <typename Function>
Function Next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

int Unavailable()
{
    errno = ENOSYS;
    return -1;
}

} // namespace

bool IsHardwareDevice(const char* path)
{
    if (IsHardwarePath(path))
        return true;
    char resolved[PATH_MAX];
    return ::realpath(path, resolved) && IsHardwarePath(resolved);
}

void Install(const std::string& reportFile, Handler handler)
{
    installer = ::getpid();
    handlerInInstaller = handler;
    const size_t length = std::min(reportFile.size(), sizeof reportPath - 1);
    std::memcpy(reportPath, reportFile.data(), length);
    reportPath[length] = '\0';
    NextOpen();   // resolved now, not inside the first refused open
    installed.store(true, std::memory_order_release);
}

bool InstallFromEnvironment()
{
    const char* reportFile = std::getenv(Variable);
    if (!reportFile || reportFile[0] == '\0')
        return false;
    Install(reportFile, nullptr);
    return true;
}

} // namespace DeviceGuard

// The C library's open calls, as the program, Qt, the C++ library and the ALSA library
// reach them. The _2 forms are what fortified builds call.
// The mode argument exists only where the flags create a file.
#define ZOZ_MODE_ARGUMENT(flags, mode)                                                                   \
    mode_t mode = 0;                                                                                    \
    if (DeviceGuard::NeedsMode(flags)) {                                                                \
        va_list arguments;                                                                              \
        va_start(arguments, flags);                                                                     \
        mode = static_cast<mode_t>(va_arg(arguments, unsigned int));                                    \
        va_end(arguments);                                                                              \
    }

extern "C" {

int open(const char* path, int flags, ...)
{
    ZOZ_MODE_ARGUMENT(flags, mode)
    static const auto next = DeviceGuard::Next<DeviceGuard::OpenFunction>("open");
    if (DeviceGuard::Refuses(AT_FDCWD, path))
        return -1;
    return next ? next(path, flags, mode) : DeviceGuard::Unavailable();
}

int open64(const char* path, int flags, ...)
{
    ZOZ_MODE_ARGUMENT(flags, mode)
    static const auto next = DeviceGuard::Next<DeviceGuard::OpenFunction>("open64");
    if (DeviceGuard::Refuses(AT_FDCWD, path))
        return -1;
    return next ? next(path, flags, mode) : DeviceGuard::Unavailable();
}

int openat(int directory, const char* path, int flags, ...)
{
    ZOZ_MODE_ARGUMENT(flags, mode)
    static const auto next = DeviceGuard::Next<DeviceGuard::OpenAtFunction>("openat");
    if (DeviceGuard::Refuses(directory, path))
        return -1;
    return next ? next(directory, path, flags, mode) : DeviceGuard::Unavailable();
}

int openat64(int directory, const char* path, int flags, ...)
{
    ZOZ_MODE_ARGUMENT(flags, mode)
    static const auto next = DeviceGuard::Next<DeviceGuard::OpenAtFunction>("openat64");
    if (DeviceGuard::Refuses(directory, path))
        return -1;
    return next ? next(directory, path, flags, mode) : DeviceGuard::Unavailable();
}

int __open_2(const char* path, int flags)
{
    static const auto next = DeviceGuard::Next<int (*)(const char*, int)>("__open_2");
    if (DeviceGuard::Refuses(AT_FDCWD, path))
        return -1;
    return next ? next(path, flags) : DeviceGuard::Unavailable();
}

int __open64_2(const char* path, int flags)
{
    static const auto next = DeviceGuard::Next<int (*)(const char*, int)>("__open64_2");
    if (DeviceGuard::Refuses(AT_FDCWD, path))
        return -1;
    return next ? next(path, flags) : DeviceGuard::Unavailable();
}

int __openat_2(int directory, const char* path, int flags)
{
    static const auto next = DeviceGuard::Next<int (*)(int, const char*, int)>("__openat_2");
    if (DeviceGuard::Refuses(directory, path))
        return -1;
    return next ? next(directory, path, flags) : DeviceGuard::Unavailable();
}

int __openat64_2(int directory, const char* path, int flags)
{
    static const auto next = DeviceGuard::Next<int (*)(int, const char*, int)>("__openat64_2");
    if (DeviceGuard::Refuses(directory, path))
        return -1;
    return next ? next(directory, path, flags) : DeviceGuard::Unavailable();
}

FILE* fopen(const char* path, const char* mode)
{
    static const auto next = DeviceGuard::Next<FILE* (*)(const char*, const char*)>("fopen");
    if (DeviceGuard::Refuses(AT_FDCWD, path) || !next)
        return nullptr;
    return next(path, mode);
}

FILE* fopen64(const char* path, const char* mode)
{
    static const auto next = DeviceGuard::Next<FILE* (*)(const char*, const char*)>("fopen64");
    if (DeviceGuard::Refuses(AT_FDCWD, path) || !next)
        return nullptr;
    return next(path, mode);
}

} // extern "C"
