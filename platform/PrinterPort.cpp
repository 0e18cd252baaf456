#include "platform/PrinterPort.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace PrinterPort {

namespace {

class PpdevDevice : public Device
{
public:
    explicit PpdevDevice(int fd) : fd_(fd) {}
    ~PpdevDevice() override
    {
        ::ioctl(fd_, PPRELEASE);
        ::close(fd_);
    }

    bool WriteData(uint8_t value) override
    {
        unsigned char byte = value;
        return ::ioctl(fd_, PPWDATA, &byte) == 0;
    }

private:
    const int fd_;
};

class PpdevBackend : public Backend
{
public:
    std::unique_ptr<Device> Open(const std::string& path, std::string& error) override
    {
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0) {
            error = OpenErrorText(path, errno);
            return nullptr;
        }
        if (::ioctl(fd, PPCLAIM) != 0) {
            error = OpenErrorText(path, errno);
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<PpdevDevice>(fd);
    }
};

PpdevBackend realBackend;
Backend* currentBackend = &realBackend;

} // namespace

void SetBackend(Backend* backend) { currentBackend = backend ? backend : &realBackend; }

std::string DefaultDevice(int32_t portAddress)
{
    switch (portAddress) {
    case 0x378: return "/dev/parport0";
    case 0x278: return "/dev/parport1";
    case 0x3BC: return "/dev/parport2";
    default: return "";
    }
}

std::string OpenErrorText(const std::string& path, int errorNumber)
{
    if (errorNumber == ENOTTY || errorNumber == EINVAL)
        return path + ": not a printer port";
    std::string text = path + ": " + std::strerror(errorNumber);
    if (errorNumber == ENOENT || errorNumber == ENODEV || errorNumber == ENXIO)
        text += ". Load the printer-port driver (sudo modprobe ppdev) or choose another port.";
    else if (errorNumber == EACCES || errorNumber == EPERM)
        text += ". Add your user to the lp group (sudo adduser $USER lp), then log out and in again.";
    else if (errorNumber == EBUSY)
        text += ". Another program is using the port: close it and try again.";
    return text;
}

Writer::Writer() = default;
Writer::~Writer() = default;

bool Writer::Write(const std::string& path, uint8_t value, std::string& error)
{
    if (!device_ || path != path_) {
        device_ = currentBackend->Open(path, error);
        path_ = path;
        if (!device_)
            return false;
    }
    if (device_->WriteData(value))
        return true;
    error = OpenErrorText(path, errno);
    device_.reset();
    return false;
}

void Writer::Release()
{
    device_.reset();
    path_.clear();
}

} // namespace PrinterPort
