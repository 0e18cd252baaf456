#include "fakes/FakeSerialLines.h"

#include "core/modTiming.h"
#include "platform/SerialLines.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <condition_variable>
#include <cstring>
#include <mutex>

// Shared by the fake and the ports it opened, so that a port closed after the fake is
// gone still finds it. The watcher thread reads the modem status, hence the mutex.
struct FakeSerialLines::State
{
    std::mutex mutex;
    std::condition_variable statusChanged;
    SerialLineState lines;
    SerialLineState linesAtClear;
    std::vector<std::pair<SerialLineState, int64_t>> changes;   // levels and the tick of the change
    uint32_t modemStatus = 0;
    uint64_t statusVersion = 0;
    bool statusFails = false;
    int openPorts = 0;
};

namespace {

class FakePort : public SerialLines::Port
{
public:
    FakePort(std::shared_ptr<FakeSerialLines::State> state, const FakePerfCounter& clock)
        : state_(std::move(state)), clock_(clock)
    {
        std::lock_guard lock(state_->mutex);
        ++state_->openPorts;
        state_->lines = SerialLineState{};   // opening raises RTS and DTR
        state_->changes.emplace_back(state_->lines, clock_.Count);
        seenVersion_ = state_->statusVersion;
    }
    ~FakePort() override
    {
        std::lock_guard lock(state_->mutex);
        --state_->openPorts;
    }

    bool SetRTS(bool raised) override { return Change([&](SerialLineState& s) { s.rts = raised; }); }
    bool SetDTR(bool raised) override { return Change([&](SerialLineState& s) { s.dtr = raised; }); }
    bool SetBreak(bool on) override { return Change([&](SerialLineState& s) { s.brk = on; }); }

    bool GetModemStatus(uint32_t& bits) override
    {
        std::lock_guard lock(state_->mutex);
        if (state_->statusFails)
            return false;
        bits = state_->modemStatus;
        return true;
    }

    SerialLines::WaitResult WaitForModemChange(uint32_t) override
    {
        std::unique_lock lock(state_->mutex);
        state_->statusChanged.wait(lock, [&] { return interrupted_ || state_->statusVersion != seenVersion_; });
        if (interrupted_) {
            interrupted_ = false;
            return SerialLines::WaitResult::Interrupted;
        }
        seenVersion_ = state_->statusVersion;
        return state_->statusFails ? SerialLines::WaitResult::Failed : SerialLines::WaitResult::Changed;
    }

    void InterruptWait() override
    {
        std::lock_guard lock(state_->mutex);
        interrupted_ = true;
        state_->statusChanged.notify_all();
    }

private:
    template <typename Apply>
    bool Change(Apply apply)
    {
        std::lock_guard lock(state_->mutex);
        apply(state_->lines);
        state_->changes.emplace_back(state_->lines, clock_.Count);
        return true;
    }

    std::shared_ptr<FakeSerialLines::State> state_;
    const FakePerfCounter& clock_;
    uint64_t seenVersion_ = 0;
    bool interrupted_ = false;
};

} // namespace

FakeSerialLines::FakeSerialLines(const FakePerfCounter& clock) : clock_(clock), state_(std::make_shared<State>())
{
    SerialLines::SetBackend(this);
    modTiming::InitPerfCounter();
}

FakeSerialLines::~FakeSerialLines() { SerialLines::SetBackend(nullptr); }

std::unique_ptr<SerialLines::Port> FakeSerialLines::Open(const std::string& device, int32_t baud,
                                                         SerialLines::OpenError& error)
{
    opens.push_back({device, baud});
    const auto failing = failingDevices.find(device);
    if (failing != failingDevices.end()) {
        error = {failing->second, SerialLines::OpenErrorText(device, failing->second)};
        return nullptr;
    }
    return std::make_unique<FakePort>(state_, clock_);
}

int FakeSerialLines::OpenPorts() const
{
    std::lock_guard lock(state_->mutex);
    return state_->openPorts;
}

SerialLineState FakeSerialLines::Lines() const
{
    std::lock_guard lock(state_->mutex);
    return state_->lines;
}

std::vector<SerialLineStep> FakeSerialLines::Trace() const
{
    std::lock_guard lock(state_->mutex);
    const double ticksPerMicrosecond = static_cast<double>(clock_.Frequency) / 1e6;
    std::vector<SerialLineStep> trace;
    const auto& changes = state_->changes;
    for (size_t i = 0; i < changes.size(); ++i) {
        const int64_t next = i + 1 < changes.size() ? changes[i + 1].second : clock_.Count;
        trace.push_back({changes[i].first, static_cast<double>(next - changes[i].second) / ticksPerMicrosecond});
    }
    return trace;
}

void FakeSerialLines::ClearTrace()
{
    std::lock_guard lock(state_->mutex);
    state_->changes.clear();
    state_->linesAtClear = state_->lines;
}

LineTraceDecoder FakeSerialLines::Chip() const
{
    return LineTraceDecoder::FromSerial(Trace(), state_->linesAtClear);
}

LineTraceDecoder FakeSerialLines::I2C() const
{
    return LineTraceDecoder::FromSerialI2C(Trace(), state_->linesAtClear);
}

void FakeSerialLines::SetModemStatus(uint32_t bits)
{
    std::lock_guard lock(state_->mutex);
    state_->modemStatus = bits;
    ++state_->statusVersion;
    state_->statusChanged.notify_all();
}

void FakeSerialLines::FailModemStatus(bool fail)
{
    std::lock_guard lock(state_->mutex);
    state_->statusFails = fail;
    ++state_->statusVersion;
    state_->statusChanged.notify_all();
}

bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMilliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMilliseconds) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return done();
}
