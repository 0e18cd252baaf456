#pragma once

#include <cstdint>
#include <memory>
#include <string>

// The data register of a PC printer port, written through the kernel's ppdev driver
// (/dev/parportN). Tests install a backend that records the bytes.
namespace PrinterPort {

// One claimed printer port.
class Device
{
public:
    virtual ~Device() = default;
    virtual bool WriteData(uint8_t value) = 0;
};

class Backend
{
public:
    virtual ~Backend() = default;
    // The claimed device, or nullptr with a text that names the device and says what to do.
    virtual std::unique_ptr<Device> Open(const std::string& path, std::string& error) = 0;
};

void SetBackend(Backend* backend);  // nullptr restores ppdev

// The device of a legacy I/O address: 0x378 /dev/parport0, 0x278 /dev/parport1,
// 0x3BC /dev/parport2; empty for any other address.
std::string DefaultDevice(int32_t portAddress);

// The text for a system error number, naming the device.
std::string OpenErrorText(const std::string& path, int errorNumber);

// Writes bytes to one device at a time, opening and claiming it on first use and
// keeping it until another device is written or Release is called.
class Writer
{
public:
    Writer();
    ~Writer();
    Writer(const Writer&) = delete;
    Writer& operator=(const Writer&) = delete;

    // False, with the reason in error, when the device cannot be opened or written.
    // A device that did not open is tried again on the next write.
    bool Write(const std::string& path, uint8_t value, std::string& error);
    void Release();

private:
    std::string path_;
    std::unique_ptr<Device> device_;
};

} // namespace PrinterPort
