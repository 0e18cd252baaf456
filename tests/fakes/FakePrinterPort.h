#pragma once

#include "fakes/FakePerfCounter.h"
#include "fakes/LineTraceDecoder.h"
#include "platform/PrinterPort.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// Stands in for the printer ports while it lives. Every device opens unless listed in
// failingDevices; the fake records each open and every byte written with the pause after
// it (on the given counter).
//     FakePerfCounter clock(10'000'000, 1);
//     FakePrinterPort port(clock);
//     ... transport calls ...
//     auto chip = port.Chip();   // default wiring: data bit 0, clock bit 1, strobe bit 2
class FakePrinterPort : public PrinterPort::Backend
{
public:
    explicit FakePrinterPort(const FakePerfCounter& clock);
    ~FakePrinterPort() override;
    FakePrinterPort(const FakePrinterPort&) = delete;
    FakePrinterPort& operator=(const FakePrinterPort&) = delete;

    std::map<std::string, int> failingDevices;   // device -> system error number
    std::vector<std::string> opens;

    std::unique_ptr<PrinterPort::Device> Open(const std::string& path, std::string& error) override;

    std::vector<PrinterPortStep> Trace() const;
    std::vector<uint8_t> Bytes() const;          // the bytes written, in order
    void ClearTrace();                           // forget the writes so far, keep the last byte
    LineTraceDecoder Chip(PrinterPortWiring wiring = {}) const;

    struct Write
    {
        std::string device;
        uint8_t data;
        int64_t tick;
    };

private:
    const FakePerfCounter& clock_;
    std::shared_ptr<std::vector<Write>> writes_;
    uint8_t dataAtClear_ = 0;
};
