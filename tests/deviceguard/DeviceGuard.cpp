#include "deviceguard/DeviceGuard.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/syscall.h>
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

// The C library's own function of that name, found once. The slot is a constant-initialised
// atomic, not a static with a guard: the guard of a static may itself wait through syscall().
template <typename Function>
Function Next(std::atomic<void*>& slot, const char* name)
{
    void* function = slot.load(std::memory_order_acquire);
    if (!function) {
        function = dlsym(RTLD_NEXT, name);
        slot.store(function, std::memory_order_release);
    }
    return reinterpret_cast<Function>(function);
}

using OpenFunction = int (*)(const char*, int, ...);
using OpenAtFunction = int (*)(int, const char*, int, ...);

constinit std::atomic<void*> nextOpen{nullptr};

OpenFunction NextOpen() { return Next<OpenFunction>(nextOpen, "open"); }

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

// The path an open names: as given when absolute or relative to the working folder, else
// joined to the folder the descriptor stands for (an openat on a descriptor of /dev).
bool PathOf(int directory, const char* path, std::string& named)
{
    named = path;
    if (path[0] == '/' || directory == AT_FDCWD)
        return true;
    char folder[PATH_MAX];
    const std::string link = "/proc/self/fd/" + std::to_string(directory);
    const ssize_t length = ::readlink(link.c_str(), folder, sizeof folder - 1);
    if (length <= 0)
        return false;
    named = std::string(folder, static_cast<size_t>(length)) + "/" + path;
    return true;
}

// True when the open must fail; errno is then set.
bool Refuses(int directory, const char* path)
{
    if (!installed.load(std::memory_order_acquire) || !path)
        return false;
    std::string named;
    if (!PathOf(directory, path, named) || !IsHardwareDevice(named.c_str()))
        return false;
    if (IsCardProbe(named)) {
        errno = ENOENT;
        return true;
    }
    Report(named.c_str());
    errno = EACCES;
    return true;
}

// The open system calls made through the C library's syscall(); the arguments as it takes them.
bool RefusesSystemCall(long number, const long* arguments)
{
    const auto path = [arguments](int index) { return reinterpret_cast<const char*>(arguments[index]); };
    switch (number) {
#ifdef SYS_open
    case SYS_open:
        return Refuses(AT_FDCWD, path(0));
#endif
#ifdef SYS_creat
    case SYS_creat:
        return Refuses(AT_FDCWD, path(0));
#endif
    case SYS_openat:
#ifdef SYS_openat2
    case SYS_openat2:
#endif
        return Refuses(static_cast<int>(arguments[0]), path(1));
    default:
        return false;
    }
}

bool NeedsMode(int flags) { return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE; }

int Unavailable()
{
    errno = ENOSYS;
    return -1;
}

// A refused freopen fails as one that could not open the file: the stream is closed.
FILE* RefusedReopen(FILE* stream)
{
    const int error = errno;
    if (stream)
        std::fclose(stream);
    errno = error;
    return nullptr;
}

constinit std::atomic<void*> nextSyscall{nullptr};

[[gnu::constructor]] void InstallAtLoad()
{
    Next<void*>(nextSyscall, "syscall");
    InstallFromEnvironment();
}

} // namespace

bool IsHardwareDevice(const char* path)
{
    if (IsHardwarePath(path))
        return true;
    char resolved[PATH_MAX];
    return ::realpath(path, resolved) && IsHardwarePath(resolved);
}

void Install(const char* reportFile, Handler handler)
{
    installer = ::getpid();
    handlerInInstaller = handler;
    const size_t length = std::min(std::strlen(reportFile), sizeof reportPath - 1);
    std::memcpy(reportPath, reportFile, length);
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

const char* LibraryPath()
{
    Dl_info info{};
    return dladdr(reinterpret_cast<void*>(&LibraryPath), &info) && info.dli_fname ? info.dli_fname : "";
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
    static constinit std::atomic<void*> slot{nullptr};
    const auto next = DeviceGuard::Next<DeviceGuard::OpenFunction>(slot, "open");
    if (DeviceGuard::Refuses(AT_FDCWD, path))
        return -1;
    return next ? next(path, flags, mode) : DeviceGuard::Unavailable();
}

int open64(const char* path, int flags, ...)
{
    ZOZ_MODE_ARGUMENT(flags, mode)
    static constinit std::atomic<void*> slot{nullptr};
    const auto next = DeviceGuard::Next<DeviceGuard::OpenFunction>(slot, "open64");
    if (DeviceGuard::Refuses(AT_FDCWD, path))
        return -1;
    return next ? next(path, flags, mode) : DeviceGuard::Unavailable();
}

int openat(int directory, const char* path, int flags, ...)
{
    ZOZ_MODE_ARGUMENT(flags, mode)
    static constinit std::atomic<void*> slot{nullptr};
    const auto next = DeviceGuard::Next<DeviceGuard::OpenAtFunction>(slot, "openat");
    if (DeviceGuard::Refuses(directory, path))
        return -1;
    return next ? next(directory, path, flags, mode) : DeviceGuard::Unavailable();
}

int openat64(int directory, const char* path, int flags, ...)
{
    ZOZ_MODE_ARGUMENT(flags, mode)
    static constinit std::atomic<void*> slot{nullptr};
    const auto next = DeviceGuard::Next<DeviceGuard::OpenAtFunction>(slot, "openat64");
    if (DeviceGuard::Refuses(directory, path))
        return -1;
    return next ? next(directory, path, flags, mode) : DeviceGuard::Unavailable();
}

int __open_2(const char* path, int flags)
{
    static constinit std::atomic<void*> slot{nullptr};
    const auto next = DeviceGuard::Next<int (*)(const char*, int)>(slot, "__open_2");
    if (DeviceGuard::Refuses(AT_FDCWD, path))
        return -1;
    return next ? next(path, flags) : DeviceGuard::Unavailable();
}

int __open64_2(const char* path, int flags)
{
    static constinit std::atomic<void*> slot{nullptr};
    const auto next = DeviceGuard::Next<int (*)(const char*, int)>(slot, "__open64_2");
    if (DeviceGuard::Refuses(AT_FDCWD, path))
        return -1;
    return next ? next(path, flags) : DeviceGuard::Unavailable();
}

int __openat_2(int directory, const char* path, int flags)
{
    static constinit std::atomic<void*> slot{nullptr};
    const auto next = DeviceGuard::Next<int (*)(int, const char*, int)>(slot, "__openat_2");
    if (DeviceGuard::Refuses(directory, path))
        return -1;
    return next ? next(directory, path, flags) : DeviceGuard::Unavailable();
}

int __openat64_2(int directory, const char* path, int flags)
{
    static constinit std::atomic<void*> slot{nullptr};
    const auto next = DeviceGuard::Next<int (*)(int, const char*, int)>(slot, "__openat64_2");
    if (DeviceGuard::Refuses(directory, path))
        return -1;
    return next ? next(directory, path, flags) : DeviceGuard::Unavailable();
}

int creat(const char* path, mode_t mode)
{
    static constinit std::atomic<void*> slot{nullptr};
    const auto next = DeviceGuard::Next<int (*)(const char*, mode_t)>(slot, "creat");
    if (DeviceGuard::Refuses(AT_FDCWD, path))
        return -1;
    return next ? next(path, mode) : DeviceGuard::Unavailable();
}

int creat64(const char* path, mode_t mode)
{
    static constinit std::atomic<void*> slot{nullptr};
    const auto next = DeviceGuard::Next<int (*)(const char*, mode_t)>(slot, "creat64");
    if (DeviceGuard::Refuses(AT_FDCWD, path))
        return -1;
    return next ? next(path, mode) : DeviceGuard::Unavailable();
}

FILE* fopen(const char* path, const char* mode)
{
    static constinit std::atomic<void*> slot{nullptr};
    const auto next = DeviceGuard::Next<FILE* (*)(const char*, const char*)>(slot, "fopen");
    if (DeviceGuard::Refuses(AT_FDCWD, path) || !next)
        return nullptr;
    return next(path, mode);
}

FILE* fopen64(const char* path, const char* mode)
{
    static constinit std::atomic<void*> slot{nullptr};
    const auto next = DeviceGuard::Next<FILE* (*)(const char*, const char*)>(slot, "fopen64");
    if (DeviceGuard::Refuses(AT_FDCWD, path) || !next)
        return nullptr;
    return next(path, mode);
}

FILE* freopen(const char* path, const char* mode, FILE* stream)
{
    static constinit std::atomic<void*> slot{nullptr};
    const auto next = DeviceGuard::Next<FILE* (*)(const char*, const char*, FILE*)>(slot, "freopen");
    if (DeviceGuard::Refuses(AT_FDCWD, path))
        return DeviceGuard::RefusedReopen(stream);
    return next ? next(path, mode, stream) : nullptr;
}

FILE* freopen64(const char* path, const char* mode, FILE* stream)
{
    static constinit std::atomic<void*> slot{nullptr};
    const auto next = DeviceGuard::Next<FILE* (*)(const char*, const char*, FILE*)>(slot, "freopen64");
    if (DeviceGuard::Refuses(AT_FDCWD, path))
        return DeviceGuard::RefusedReopen(stream);
    return next ? next(path, mode, stream) : nullptr;
}

// Every system call made through syscall() passes here; its arguments are taken as the C
// library's own syscall() takes them, six machine words whatever the call uses.
long syscall(long number, ...) noexcept
{
    long arguments[6];
    va_list list;
    va_start(list, number);
    for (long& argument : arguments)
        argument = va_arg(list, long);
    va_end(list);
    const auto next = DeviceGuard::Next<long (*)(long, ...)>(DeviceGuard::nextSyscall, "syscall");
    if (DeviceGuard::RefusesSystemCall(number, arguments))
        return -1;
    if (!next)
        return DeviceGuard::Unavailable();
    return next(number, arguments[0], arguments[1], arguments[2], arguments[3], arguments[4], arguments[5]);
}

} // extern "C"
