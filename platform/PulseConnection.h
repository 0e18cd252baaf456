#pragma once

#include "platform/SoundBackend.h"

#include <pulse/pulseaudio.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

// One connection to the desktop's sound server through its client library: a threaded
// main loop (the client thread) and a context on it, named after the program so that the
// server's mixers name its streams. Made and used on the main thread, which takes the
// loop's lock for every call; the client thread runs the callbacks with the lock held.
// Every wait for the server ends after a timeout, so that a server that hangs holds the
// main thread up for a few seconds at most. No server is ever started for it.
class PulseConnection
{
public:
    static constexpr int TimeoutMs = 3000;

    // Called on the client thread, once, when a connection that was made is lost.
    using LostFunction = void (*)(void* context);

    // The main loop's lock, held while the object lives.
    class Lock
    {
    public:
        explicit Lock(const PulseConnection& connection) : loop_(connection.loop_) { pa_threaded_mainloop_lock(loop_); }
        ~Lock() { pa_threaded_mainloop_unlock(loop_); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* loop_;
    };

    // The server's devices of one direction (names with "pulse:" before the server's own)
    // and the server name of its default one.
    struct DeviceList
    {
        std::vector<SoundDeviceInfo> Devices;
        std::string DefaultName;
    };

    // A connection made, or null with why not in reason.
    static std::unique_ptr<PulseConnection> Connect(LostFunction lost, void* context, std::string& reason);
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    pa_threaded_mainloop* Loop() const { return loop_; }
    pa_context* Context() const { return context_; }
    bool Lost() const { return lost_.load(); }
    // The server connected to, as the client library names it (its socket).
    const std::string& ServerName() const { return server_; }
    // Whether the server's timing reports follow its devices' clocks closely enough to place a
    // playback by. PulseAudio's do; PipeWire's pulse server reports a stream's position a
    // whole quantum at a time and no device latency, so that the client library's view of its
    // clock was seen to wander by 40 ms within seconds.
    bool ReportsItsClockClosely() const { return closeClock_; }

    // Lock held: why the last request failed, in the library's words.
    std::string LastError() const;
    // Lock held: waits until done() or the timeout; false after the timeout.
    template <typename Done>
    bool Wait(Done done, int timeoutMs = TimeoutMs);

    // Lock not held. False when the list cannot be had.
    bool ListDevices(SoundDirection direction, DeviceList& list);
    // Lock not held: whether the server has the device of that name (its own name).
    bool HasDevice(SoundDirection direction, const std::string& serverName);

private:
    class Deadline;

    PulseConnection(LostFunction lost, void* context) : lostFunction_(lost), lostContext_(context) {}
    bool Open(std::string& reason);
    bool Run(pa_operation* operation);
    void LearnServerKind();
    static void StateChanged(pa_context* context, void* self);

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    LostFunction lostFunction_;
    void* lostContext_;
    std::string server_;
    bool closeClock_ = false;
    bool ready_ = false;              // client thread, lock held
    std::atomic<bool> lost_{false};
};

// Ends a wait of the main thread once its time is up.
class PulseConnection::Deadline
{
public:
    Deadline(PulseConnection& connection, int timeoutMs);
    ~Deadline();
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

    bool Passed() const { return passed_; }

private:
    static void Expired(pa_mainloop_api* api, pa_time_event* event, const timeval* time, void* self);

    PulseConnection& connection_;
    pa_time_event* event_;
    bool passed_ = false;             // lock held
};

template <typename Done>
bool PulseConnection::Wait(Done done, int timeoutMs)
{
    const Deadline deadline(*this, timeoutMs);
    while (!done()) {
        if (deadline.Passed())
            return false;
        pa_threaded_mainloop_wait(loop_);
    }
    return true;
}
