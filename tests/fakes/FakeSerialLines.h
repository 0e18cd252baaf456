#pragma once

#include "fakes/FakePerfCounter.h"
#include "fakes/LineTraceDecoder.h"
#include "platform/SerialLines.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Stands in for the serial ports while it lives. Every device opens unless listed in
// failingDevices; the fake records each open, every line change of the open ports with
// the pause after it (on the given counter), and serves the modem status a test sets.
// Opening a port is recorded as a change too: the driver raises RTS and DTR then.
//     FakePerfCounter clock(10'000'000, 1);
//     FakeSerialLines lines(clock);
//     ... transport calls ...
//     auto chip = lines.Chip();   // the AD985x wiring; lines.I2C() for the CY27EE16
class FakeSerialLines : public SerialLines::Backend
{
public:
    explicit FakeSerialLines(const FakePerfCounter& clock);
    ~FakeSerialLines() override;
    FakeSerialLines(const FakeSerialLines&) = delete;
    FakeSerialLines& operator=(const FakeSerialLines&) = delete;

    struct OpenCall
    {
        std::string device;
        int32_t baud = 0;
    };

    std::map<std::string, int> failingDevices;   // device -> system error number
    std::vector<OpenCall> opens;

    std::unique_ptr<SerialLines::Port> Open(const std::string& device, int32_t baud,
                                            SerialLines::OpenError& error) override;

    int OpenPorts() const;
    SerialLineState Lines() const;               // as the last change left them
    std::vector<SerialLineStep> Trace() const;
    void ClearTrace();                           // forget the changes so far, keep the levels
    LineTraceDecoder Chip() const;               // the trace since the last ClearTrace, AD985x wiring
    LineTraceDecoder I2C() const;                // the same, I2C wiring

    // The inputs (SerialLines::ModemStatusBits); a change wakes the watchers.
    void SetModemStatus(uint32_t bits);
    void FailModemStatus(bool fail);             // GetModemStatus fails while set

    struct State;

private:
    const FakePerfCounter& clock_;
    std::shared_ptr<State> state_;
};

// Lets events run until done() holds or the time is up; the watcher thread's changes
// reach the main thread as posted events. Returns done().
bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMilliseconds = 5000);
