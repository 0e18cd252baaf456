#include "platform/SerialLines.h"

#include <QObject>
#include <QMetaObject>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace SerialLines {

namespace {

// Sent to the watcher thread to wake it from TIOCMIWAIT or its polling sleep. The
// handler does nothing; installed without SA_RESTART, the signal makes the blocked
// call return EINTR.
int WakeSignal() { return SIGRTMIN + 3; }

void InstallWakeHandler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(WakeSignal(), &action, nullptr);
    });
}

// How often the lines are read where the driver cannot wait for a change.
constexpr auto PollInterval = std::chrono::milliseconds(1);

speed_t SpeedFor(int32_t baud)
{
    static const std::map<int32_t, speed_t> speeds = {
        {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
        {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
        {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
        {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
    };
    const auto found = speeds.find(baud);
    return found == speeds.end() ? B9600 : found->second;
}

uint32_t StatusFromTiocm(int lines)
{
    uint32_t bits = 0;
    if (lines & TIOCM_CTS) bits |= MS_CTS_ON;
    if (lines & TIOCM_DSR) bits |= MS_DSR_ON;
    if (lines & TIOCM_RI) bits |= MS_RING_ON;
    if (lines & TIOCM_CD) bits |= MS_RLSD_ON;
    return bits;
}

// A tty opened raw, without flow control and exclusively.
class TtyPort : public Port
{
public:
    explicit TtyPort(int fd) : fd_(fd) {}
    ~TtyPort() override { ::close(fd_); }

    bool SetRTS(bool raised) override { return SetModemLine(TIOCM_RTS, raised); }
    bool SetDTR(bool raised) override { return SetModemLine(TIOCM_DTR, raised); }
    bool SetBreak(bool on) override { return ::ioctl(fd_, on ? TIOCSBRK : TIOCCBRK) == 0; }

    bool GetModemStatus(uint32_t& bits) override
    {
        int lines = 0;
        if (::ioctl(fd_, TIOCMGET, &lines) != 0)
            return false;
        bits = StatusFromTiocm(lines);
        return true;
    }

    WaitResult WaitForModemChange(uint32_t lastSeen) override
    {
        waiter_.store(pthread_self());
        hasWaiter_.store(true);
        if (!polling_) {
            if (::ioctl(fd_, TIOCMIWAIT, TIOCM_CTS | TIOCM_DSR) == 0)
                return WaitResult::Changed;
            if (errno == EINTR)
                return WaitResult::Interrupted;
            if (errno != EINVAL && errno != ENOTTY && errno != ENOSYS)
                return WaitResult::Failed;
            // This driver cannot wait for a change: read the lines every millisecond.
            polling_ = true;
        }
        return PollForChange(lastSeen);
    }

    void InterruptWait() override
    {
        if (hasWaiter_.load())
            pthread_kill(waiter_.load(), WakeSignal());
    }

private:
    bool SetModemLine(int line, bool raised)
    {
        return ::ioctl(fd_, raised ? TIOCMBIS : TIOCMBIC, &line) == 0;
    }

    WaitResult PollForChange(uint32_t lastSeen)
    {
        const timespec interval{0, std::chrono::nanoseconds(PollInterval).count()};
        for (;;) {
            uint32_t now = 0;
            if (!GetModemStatus(now))
                return WaitResult::Failed;
            if (((now ^ lastSeen) & (MS_CTS_ON | MS_DSR_ON)) != 0)
                return WaitResult::Changed;
            if (nanosleep(&interval, nullptr) != 0)
                return WaitResult::Interrupted;
        }
    }

    const int fd_;
    std::atomic<pthread_t> waiter_{};
    std::atomic<bool> hasWaiter_{false};
    bool polling_ = false;           // watcher thread only
};

class TtyBackend : public Backend
{
public:
    std::unique_ptr<Port> Open(const std::string& device, int32_t baud, OpenError& error) override
    {
        const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            error = {errno, OpenErrorText(device, errno)};
            return nullptr;
        }
        if (!MakeRawAndExclusive(fd, baud)) {
            error = {errno, OpenErrorText(device, errno)};
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<TtyPort>(fd);
    }

private:
    static bool MakeRawAndExclusive(int fd, int32_t baud)
    {
        termios tio{};
        if (::tcgetattr(fd, &tio) != 0 || ::ioctl(fd, TIOCEXCL) != 0)
            return false;
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cflag &= ~CRTSCTS;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY);
        ::cfsetspeed(&tio, SpeedFor(baud));
        return ::tcsetattr(fd, TCSANOW, &tio) == 0;
    }
};

TtyBackend realBackend;
Backend* currentBackend = &realBackend;

// The open ports by handle; used on the main thread only.
struct Registry
{
    std::map<int32_t, std::unique_ptr<Port>> ports;
    int32_t lastHandle = 0;
};

// Never destroyed: a transport held by a global may close its port while the program's
// statics are being torn down (an exit from inside the event loop), after a static
// registry would be gone. The system closes what is still open at exit.
Registry& OpenPorts()
{
    static Registry* const registry = new Registry;
    return *registry;
}

Port* Find(int32_t handle)
{
    auto& ports = OpenPorts().ports;
    const auto found = ports.find(handle);
    return found == ports.end() ? nullptr : found->second.get();
}

int32_t BaudFromSettings(const std::string& settings)
{
    int32_t baud = 0;
    for (const char c : settings) {
        if (c < '0' || c > '9' || baud > 10'000'000)
            break;
        baud = baud * 10 + (c - '0');
    }
    return baud;
}

} // namespace

void SetBackend(Backend* backend) { currentBackend = backend ? backend : &realBackend; }

std::string DefaultDevice(int32_t portNo) { return "/dev/ttyS" + std::to_string(int64_t{portNo} - 1); }

std::string OpenErrorText(const std::string& device, int errorNumber)
{
    if (errorNumber == ENOTTY || errorNumber == EINVAL)
        return device + ": not a serial port";
    std::string text = device + ": " + std::strerror(errorNumber);
    if (errorNumber == EACCES || errorNumber == EPERM)
        text += ". Add your user to the dialout group (sudo adduser $USER dialout), then log out and in again.";
    else if (errorNumber == EBUSY)
        text += ". Another program is using the port: close it and try again.";
    return text;
}

int32_t Open(const std::string& device, int32_t baud, OpenError& error)
{
    std::unique_ptr<Port> port = currentBackend->Open(device, baud, error);
    if (!port)
        return 0;
    Registry& registry = OpenPorts();
    do {
        registry.lastHandle = registry.lastHandle == INT32_MAX ? 1 : registry.lastHandle + 1;
    } while (registry.ports.count(registry.lastHandle) != 0);
    registry.ports[registry.lastHandle] = std::move(port);
    return registry.lastHandle;
}

bool Close(int32_t handle) { return OpenPorts().ports.erase(handle) != 0; }
bool IsOpen(int32_t handle) { return Find(handle) != nullptr; }

bool SetRTS(int32_t handle, bool raised)
{
    Port* port = Find(handle);
    return port && port->SetRTS(raised);
}

bool SetDTR(int32_t handle, bool raised)
{
    Port* port = Find(handle);
    return port && port->SetDTR(raised);
}

bool SetBreak(int32_t handle, bool on)
{
    Port* port = Find(handle);
    return port && port->SetBreak(on);
}

bool GetModemStatus(int32_t handle, uint32_t& bits)
{
    Port* port = Find(handle);
    return port && port->GetModemStatus(bits);
}

// Waits on its own thread for CTS and DSR changes of one port and hands each change
// to a function; stops (and joins the thread) when destroyed.
class CommControl::Watcher
{
public:
    Watcher(Port& port, std::function<void(uint32_t)> onChange)
        : port_(port), onChange_(std::move(onChange))
    {
        InstallWakeHandler();
        if (!port_.GetModemStatus(last_))
            last_ = 0;
        thread_ = std::thread([this] { Run(); });
    }

    ~Watcher()
    {
        stop_.store(true);
        // Repeated, because the wake-up may arrive just before the thread blocks.
        while (!finished_.load()) {
            port_.InterruptWait();
            std::this_thread::sleep_for(PollInterval);
        }
        thread_.join();
    }

private:
    void Run()
    {
        while (!stop_.load()) {
            const WaitResult result = port_.WaitForModemChange(last_);
            if (result == WaitResult::Failed)
                break;
            uint32_t now = 0;
            if (result == WaitResult::Interrupted || !port_.GetModemStatus(now))
                continue;
            const uint32_t changed = (now ^ last_) & (MS_CTS_ON | MS_DSR_ON);
            last_ = now;
            if (changed != 0)
                onChange_(changed);
        }
        finished_.store(true);
    }

    Port& port_;
    std::function<void(uint32_t)> onChange_;
    uint32_t last_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

CommControl::CommControl() : eventTarget_(std::make_unique<QObject>()) {}

// Deleting the event target drops the changes still queued for it.
CommControl::~CommControl() { PortOpen(false); }

std::string CommControl::DevicePath() const { return device_.empty() ? DefaultDevice(commPort_) : device_; }

void CommControl::PortOpen(bool open)
{
    if (open == PortOpen())
        return;
    if (!open) {
        watcher_.reset();
        Close(handle_);
        handle_ = 0;
        return;
    }
    lastError_ = {};
    handle_ = Open(DevicePath(), BaudFromSettings(settings_), lastError_);
    if (handle_ != 0)
        StartWatching();
}

void CommControl::StartWatching()
{
    const uint32_t generation = ++generation_;
    QObject* target = eventTarget_.get();
    watcher_ = std::make_unique<Watcher>(*Find(handle_), [this, target, generation](uint32_t changed) {
        QMetaObject::invokeMethod(
            target, [this, generation, changed] { Report(generation, changed); }, Qt::QueuedConnection);
    });
}

void CommControl::Report(uint32_t generation, uint32_t changedBits)
{
    // A change seen before the port was closed (or reopened) is stale.
    if (generation != generation_ || !PortOpen())
        return;
    if (changedBits & MS_CTS_ON)
        RaiseOnComm(comEvCTS);
    // The handler of the first event may have closed or reopened the port.
    if ((changedBits & MS_DSR_ON) && generation == generation_ && PortOpen())
        RaiseOnComm(comEvDSR);
}

void CommControl::RaiseOnComm(int16_t event)
{
    commEvent_ = event;
    if (OnComm)
        OnComm();
}

} // namespace SerialLines
