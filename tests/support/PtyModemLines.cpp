#include "support/PtyModemLines.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <mutex>

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Emulation
{
    std::mutex mutex;
    std::atomic<dev_t> slave{0};  // 0: nothing intercepted
    PtyModemLines::Levels outputs;
    std::vector<PtyModemLines::Levels> changes;
    int inputs = 0;
    bool waitSupported = true;
    int changeEvent = -1;        // eventfd, written on every input change
    std::atomic<int> waiters{0};
};

Emulation& Emulated()
{
    static Emulation emulation;
    return emulation;
}

using IoctlFunction = int (*)(int, unsigned long, void*);

IoctlFunction SystemIoctl()
{
    static const auto function = reinterpret_cast<IoctlFunction>(dlsym(RTLD_NEXT, "ioctl"));
    return function;
}

bool IsEmulatedSlave(int fd)
{
    struct stat status {};
    const dev_t slave = Emulated().slave;
    return slave != 0 && fstat(fd, &status) == 0 && S_ISCHR(status.st_mode) && status.st_rdev == slave;
}

int Fail(int error)
{
    errno = error;
    return -1;
}

// Blocks until an input changes; a signal ends the wait with EINTR, as in the kernel.
int WaitForInputChange()
{
    Emulation& e = Emulated();
    {
        std::lock_guard lock(e.mutex);
        if (!e.waitSupported)
            return Fail(EINVAL);
    }
    ++e.waiters;
    pollfd event{e.changeEvent, POLLIN, 0};
    const int ready = ::poll(&event, 1, -1);
    const int error = errno;
    --e.waiters;
    if (ready < 0)
        return Fail(error);
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t taken = ::read(e.changeEvent, &count, sizeof count);
    return 0;
}

int SetOutputs(int bits, bool raise)
{
    Emulation& e = Emulated();
    std::lock_guard lock(e.mutex);
    if (bits & TIOCM_RTS) e.outputs.rts = raise;
    if (bits & TIOCM_DTR) e.outputs.dtr = raise;
    e.changes.push_back(e.outputs);
    return 0;
}

int SetBreak(bool on)
{
    Emulation& e = Emulated();
    std::lock_guard lock(e.mutex);
    e.outputs.brk = on;
    e.changes.push_back(e.outputs);
    return 0;
}

int ModemIoctl(unsigned long request, void* argument)
{
    Emulation& e = Emulated();
    switch (request) {
    case TIOCMBIS: return SetOutputs(*static_cast<int*>(argument), true);
    case TIOCMBIC: return SetOutputs(*static_cast<int*>(argument), false);
    case TIOCSBRK: return SetBreak(true);
    case TIOCCBRK: return SetBreak(false);
    case TIOCMGET: {
        std::lock_guard lock(e.mutex);
        *static_cast<int*>(argument) =
            e.inputs | (e.outputs.rts ? TIOCM_RTS : 0) | (e.outputs.dtr ? TIOCM_DTR : 0);
        return 0;
    }
    case TIOCMIWAIT: return WaitForInputChange();
    default: return -2;   // not a modem-line call
    }
}

} // namespace

extern "C" int ioctl(int fd, unsigned long request, ...) __THROW
{
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (IsEmulatedSlave(fd)) {
        const int result = ModemIoctl(request, argument);
        if (result != -2)
            return result;
    }
    return SystemIoctl()(fd, request, argument);
}

PtyModemLines::PtyModemLines()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    const char* slave = master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0 ? ptsname(master_) : nullptr;
    struct stat status {};
    if (!slave || stat(slave, &status) != 0)
        return;
    slavePath_ = slave;
    Emulation& e = Emulated();
    std::lock_guard lock(e.mutex);
    e.changeEvent = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    e.outputs = {};
    e.changes.clear();
    e.inputs = 0;
    e.waitSupported = true;
    e.slave = status.st_rdev;
}

PtyModemLines::~PtyModemLines()
{
    if (master_ < 0)
        return;
    Emulation& e = Emulated();
    if (Available()) {
        std::lock_guard lock(e.mutex);
        e.slave = 0;
        ::close(e.changeEvent);
        e.changeEvent = -1;
    }
    ::close(master_);
}

std::vector<PtyModemLines::Levels> PtyModemLines::OutputChanges() const
{
    std::lock_guard lock(Emulated().mutex);
    return Emulated().changes;
}

void PtyModemLines::SetInputs(int tiocmBits)
{
    Emulation& e = Emulated();
    std::lock_guard lock(e.mutex);
    e.inputs = tiocmBits;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(e.changeEvent, &one, sizeof one);
}

void PtyModemLines::SetWaitSupported(bool supported)
{
    std::lock_guard lock(Emulated().mutex);
    Emulated().waitSupported = supported;
}

int PtyModemLines::Waiters() const { return Emulated().waiters.load(); }
