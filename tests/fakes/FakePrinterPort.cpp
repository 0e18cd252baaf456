#include "fakes/FakePrinterPort.h"

#include "core/modTiming.h"

namespace {

class FakeDevice : public PrinterPort::Device
{
public:
    FakeDevice(std::string path, std::shared_ptr<std::vector<FakePrinterPort::Write>> writes,
               const FakePerfCounter& clock)
        : path_(std::move(path)), writes_(std::move(writes)), clock_(clock)
    {
    }

    bool WriteData(uint8_t value) override
    {
        writes_->push_back({path_, value, clock_.Count});
        return true;
    }

private:
    std::string path_;
    std::shared_ptr<std::vector<FakePrinterPort::Write>> writes_;
    const FakePerfCounter& clock_;
};

} // namespace

FakePrinterPort::FakePrinterPort(const FakePerfCounter& clock)
    : clock_(clock), writes_(std::make_shared<std::vector<Write>>())
{
    PrinterPort::SetBackend(this);
    modTiming::InitPerfCounter();
}

FakePrinterPort::~FakePrinterPort() { PrinterPort::SetBackend(nullptr); }

std::unique_ptr<PrinterPort::Device> FakePrinterPort::Open(const std::string& path, std::string& error)
{
    opens.push_back(path);
    const auto failing = failingDevices.find(path);
    if (failing != failingDevices.end()) {
        error = PrinterPort::OpenErrorText(path, failing->second);
        return nullptr;
    }
    return std::make_unique<FakeDevice>(path, writes_, clock_);
}

std::vector<PrinterPortStep> FakePrinterPort::Trace() const
{
    const double ticksPerMicrosecond = static_cast<double>(clock_.Frequency) / 1e6;
    std::vector<PrinterPortStep> trace;
    const auto& writes = *writes_;
    for (size_t i = 0; i < writes.size(); ++i) {
        const int64_t next = i + 1 < writes.size() ? writes[i + 1].tick : clock_.Count;
        trace.push_back({writes[i].device, writes[i].data,
                         static_cast<double>(next - writes[i].tick) / ticksPerMicrosecond});
    }
    return trace;
}

std::vector<uint8_t> FakePrinterPort::Bytes() const
{
    std::vector<uint8_t> bytes;
    for (const Write& write : *writes_)
        bytes.push_back(write.data);
    return bytes;
}

void FakePrinterPort::ClearTrace()
{
    if (!writes_->empty())
        dataAtClear_ = writes_->back().data;
    writes_->clear();
}

LineTraceDecoder FakePrinterPort::Chip(PrinterPortWiring wiring) const
{
    return LineTraceDecoder::FromPrinterPort(Trace(), wiring, dataAtClear_);
}
