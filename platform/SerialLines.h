#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QObject;

// The modem-control lines of a serial port: RTS and DTR as outputs, the transmit
// line held in or out of break as a third output, CTS, DSR, RI and DCD as inputs.
// No characters are sent or received. An open port is known by a handle (1 or more);
// a call on handle 0 or on a closed handle fails without effect.
namespace SerialLines {

// Modem-status bits, as GetModemStatus reports them.
enum ModemStatusBits : uint32_t {
    MS_CTS_ON = 0x10,
    MS_DSR_ON = 0x20,
    MS_RING_ON = 0x40,
    MS_RLSD_ON = 0x80,
};

// How a watcher learns that CTS or DSR may have changed.
enum class WaitResult {
    Changed,      // an input line changed (or may have)
    Interrupted,  // InterruptWait was called; ask again whether to stop
    Failed,       // the port can no longer report changes
};

// One open serial device. The real one is a tty opened raw; tests install fakes.
// WaitForModemChange runs on the watcher thread while the other members run on the
// main thread, so an implementation must allow that.
class Port
{
public:
    virtual ~Port() = default;
    virtual bool SetRTS(bool raised) = 0;
    virtual bool SetDTR(bool raised) = 0;
    virtual bool SetBreak(bool on) = 0;
    virtual bool GetModemStatus(uint32_t& bits) = 0;   // ModemStatusBits
    // Blocks until CTS or DSR changes; where the driver cannot wait for that, until they
    // differ from lastSeen (ModemStatusBits).
    virtual WaitResult WaitForModemChange(uint32_t lastSeen) = 0;
    virtual void InterruptWait() = 0;                   // wakes a blocked WaitForModemChange
};

// Why a device did not open: the system's error number and a text that names the device
// and says what to do ("... add your user to the dialout group ...").
struct OpenError
{
    int number = 0;
    std::string description;
};

class Backend
{
public:
    virtual ~Backend() = default;
    // The device opened at the given speed with its lines as the driver leaves them,
    // or nullptr with the reason in error.
    virtual std::unique_ptr<Port> Open(const std::string& device, int32_t baud, OpenError& error) = 0;
};

void SetBackend(Backend* backend);  // nullptr restores the real termios ports

// "/dev/ttyS<n-1>" for port number n.
std::string DefaultDevice(int32_t portNo);

// A serial device that is there: its path, and its /dev/serial/by-id link (which keeps
// its name when the adapter is plugged in elsewhere), empty when it has none.
struct PresentDevice
{
    std::string path;
    std::string byId;
    // The path to store for it: the by-id link when there is one.
    const std::string& Stored() const { return byId.empty() ? path : byId; }
};

// The serial devices present, in order of kind and number: the /dev/ttyS* whose driver
// found a port (read from sysfs; none is opened), every /dev/ttyUSB* and /dev/ttyACM*.
std::vector<PresentDevice> PresentDevices();

// Where PresentDevices looks ("/dev" and "/sys" unless set); empty texts restore them.
void SetDeviceFolders(const std::string& devFolder, const std::string& sysFolder);

// The text of an OpenError for a system error number, naming the device.
std::string OpenErrorText(const std::string& device, int errorNumber);

// Opens the device at the given speed (raw, no flow control, exclusive).
// Returns the handle, or 0 with the reason in error.
int32_t Open(const std::string& device, int32_t baud, OpenError& error);
bool Close(int32_t handle);          // true when the handle was open
bool IsOpen(int32_t handle);

bool SetRTS(int32_t handle, bool raised);
bool SetDTR(int32_t handle, bool raised);
bool SetBreak(int32_t handle, bool on);
bool GetModemStatus(int32_t handle, uint32_t& bits);

// Events of CommControl::OnComm, read from CommEvent.
enum CommEvents : int16_t {
    comEvCTS = 3,
    comEvDSR = 4,
};

// A serial port opened for the shaft encoder: besides the lines of its handle (CommID),
// it reports every change of CTS or DSR through OnComm on the main thread. A watcher
// thread waits for the changes (TIOCMIWAIT, or polling where the driver lacks it) and
// posts them to the thread that opened the port, which must run a Qt event loop.
class CommControl
{
public:
    CommControl();
    ~CommControl();
    CommControl(const CommControl&) = delete;
    CommControl& operator=(const CommControl&) = delete;

    int32_t CommPort() const { return commPort_; }
    void CommPort(int32_t portNo) { commPort_ = portNo; }
    // The device to open; empty means DefaultDevice(CommPort).
    const std::string& Device() const { return device_; }
    void Device(const std::string& path) { device_ = path; }
    // "baud,parity,data,stop", as "1200,n,8,1"; only the speed matters for the lines.
    const std::string& Settings() const { return settings_; }
    void Settings(const std::string& settings) { settings_ = settings; }

    bool PortOpen() const { return handle_ != 0; }
    // Opening a port that does not open leaves PortOpen false and the reason in LastError.
    void PortOpen(bool open);
    const OpenError& LastError() const { return lastError_; }
    std::string DevicePath() const;  // the device PortOpen(true) opens

    int32_t CommID() const { return handle_; }          // the open port's handle, 0 when closed
    int16_t CommEvent() const { return commEvent_; }    // the event OnComm reports

    std::function<void()> OnComm;

private:
    void StartWatching();
    void Report(uint32_t generation, uint32_t changedBits);
    void RaiseOnComm(int16_t event);

    class Watcher;
    std::unique_ptr<QObject> eventTarget_;   // lives on the thread that created the control
    uint32_t generation_ = 0;      // counts the openings, so that stale changes are dropped
    int32_t commPort_ = 1;
    std::string device_;
    std::string settings_ = "9600,n,8,1";
    int32_t handle_ = 0;
    int16_t commEvent_ = 0;
    OpenError lastError_;
    std::unique_ptr<Watcher> watcher_;
};

} // namespace SerialLines
