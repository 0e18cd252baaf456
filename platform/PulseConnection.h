#pragma once

#include "platform/SoundBackend.h"

#include <pulse/pulseaudio.h>

#include <QElapsedTimer>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One connection to the desktop's sound server through its client library: a threaded
// main loop (the client thread) and a context on it, named after the program so that the
// server's mixers name its streams. Made and used on the main thread, which takes the
// loop's lock for every call; the client thread runs the callbacks with the lock held.
//
// The main thread never waits long for the server: no wait lasts more than WaitMs, and what
// the server has not answered by then goes on in the background. The client thread keeps what
// the server last told of its devices (it follows the server's events about its sinks, sources
// and defaults), and the lists are answered from that. It also asks the server every PingMs
// whether it answers: a server that leaves a question unanswered for SilenceMs (a hung or
// stopped daemon), or the start of a stream (a server whose session manager hangs answers the
// rest), counts as not answering until it answers again, and every wait of the main thread
// ends at once while it does. The client library's own timeout (30 s) is no answer. A
// connection not made within the first wait for it is taken up once it is made. No server is
// ever started for it.
class PulseConnection
{
public:
    // The longest the main thread waits for the server in one call: for the connection to be
    // made, for a device list on its way, for the server's word on a device it has not told
    // of, for a stream to start. Short enough that the window still answers promptly, long
    // enough for a server that answers at all.
    static constexpr int WaitMs = 100;
    static constexpr int PingMs = 500;
    static constexpr int SilenceMs = 1500;

    // Called on the client thread when a connection that was made is lost (once), whenever
    // the server stops answering or answers again, and when the client library gives up on the
    // start of a stream.
    using NoticeFunction = void (*)(void* context);

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

    enum class Progress { Ready, Waiting, Refused };

    // A connection on its way to the server, or null with why not in reason.
    static std::unique_ptr<PulseConnection> Connect(NoticeFunction notice, void* context, std::string& reason);
    // Lock not held: waits up to timeoutMs (at most WaitMs) for the connection to be made and
    // for the server to tell of its devices, at once when it has. Else why not in reason: the
    // server may still answer, or it never will on this connection.
    Progress Await(int timeoutMs, std::string& reason);
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    pa_threaded_mainloop* Loop() const { return loop_; }
    pa_context* Context() const { return context_; }
    bool Lost() const { return lost_.load(); }
    // False while a question to the server, or the start of a stream, has gone unanswered
    // for SilenceMs.
    bool Answering() const { return !silent_.load(); }
    // False while a question to the server has gone unanswered for SilenceMs: not answering,
    // yet answering this, it leaves only the start of a stream unanswered.
    bool AnswersQuestions() const { return !questionsSilent_.load(); }
    // Seconds since the server last answered: since the oldest start it has left unanswered,
    // where it has.
    double SecondsSinceAnswer() const;
    // The server connected to, as the client library names it (its socket).
    const std::string& ServerName() const { return server_; }
    // Whether the server's timing reports follow its devices' clocks closely enough to place a
    // playback by. PulseAudio's do; PipeWire's pulse server reports a stream's position a
    // whole quantum at a time and no device latency, so that the client library's view of its
    // clock wanders by tens of milliseconds.
    bool ReportsItsClockClosely() const { return closeClock_; }

    // Lock held: why the last request failed, in the library's words.
    std::string LastError() const;
    // Lock held: waits until done() or the timeout (at most WaitMs); false after the timeout,
    // and at once while the server is not answering.
    template <typename Done>
    bool Wait(Done done, int timeoutMs);

    // Lock held, main thread: the start of the stream was just asked for.
    void StartAsked(pa_stream* stream);
    // Lock held, client thread: the stream's state changed, which may answer its start.
    void StartSettled(pa_stream* stream);
    // Lock held, main thread: the stream is let go of. True where the server has not answered
    // its start: the connection keeps it, and disconnects it once the server does; its start
    // counts as unanswered meanwhile. False where it has: the caller disconnects it.
    bool KeepUnanswered(pa_stream* stream);
    // Lock not held: whether the client library gave up on the start of a stream. The server
    // may still make that stream, for nobody; the client library hears nothing more of it, and
    // only the end of the connection frees it.
    bool GaveUpOnAStart() const;

    // Lock not held. The devices as the server last told of them; false when it has not.
    bool ListDevices(SoundDirection direction, DeviceList& list);
    // Lock not held: whether the server has the device of that name (its own name): at once
    // where the server's last list holds it; nothing when the server does not say so in time.
    std::optional<bool> HasDevice(SoundDirection direction, const std::string& serverName);

private:
    class Deadline;
    // What the server has told of the devices of one direction. Client thread, lock held.
    struct KnownDevices
    {
        std::vector<SoundDeviceInfo> Devices;   // the last whole list
        std::vector<SoundDeviceInfo> Coming;    // the list being received
        std::string DefaultName;
        bool Listing = false;                   // a list was asked for and has not all come
        bool Stale = false;                     // the devices changed since it was asked for
        bool Heard = false;                     // a whole list has come
    };

    // A stream whose start the server has not answered.
    struct Start
    {
        pa_stream* Stream;   // referenced
        pa_usec_t AskedAt;
        bool LetGo = false;       // its owner let go of it
        bool GivenUp = false;     // the client library gave up waiting
    };

    PulseConnection(NoticeFunction notice, void* context) : notice_(notice), noticeContext_(context) {}
    bool Open(std::string& reason);
    bool Run(pa_operation* operation, int timeoutMs);
    bool Heard() const;
    // Client thread, lock held.
    void Follow();
    void AskForDevices(SoundDirection direction);
    void Ask();
    void Answered();
    void FollowSilence();
    std::vector<Start>::iterator Find(pa_stream* stream);
    void Forget(std::vector<Start>::iterator start);
    static void StrayChanged(pa_stream* stream, void* self);
    static void StateChanged(pa_context* context, void* self);
    static void Changed(pa_context* context, pa_subscription_event_type_t type, uint32_t index, void* self);
    template <typename Info, SoundDirection Direction>
    static void Listed(pa_context* context, const Info* info, int eol, void* self);
    static void ServerTold(pa_context* context, const pa_server_info* info, void* self);
    static void Tick(pa_mainloop_api* api, pa_time_event* event, const timeval* time, void* self);

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    NoticeFunction notice_;
    void* noticeContext_;
    std::string server_;
    QElapsedTimer connecting_;        // since the connection was asked for
    // Client thread, lock held.
    bool closeClock_ = false;
    bool ready_ = false;
    bool serverHeard_ = false;        // the server's own description came
    KnownDevices known_[2];
    pa_time_event* tick_ = nullptr;
    bool asking_ = false;             // a question is on its way
    bool questionOut_ = false;        // asked and not answered, though the client library gave up
    pa_usec_t askedAt_ = 0;
    std::vector<Start> starts_;       // lock held, either thread
    // Any thread.
    std::atomic<bool> lost_{false};
    std::atomic<bool> silent_{false};
    std::atomic<bool> questionsSilent_{false};
    std::atomic<pa_usec_t> answeredAt_{0};
    std::atomic<pa_usec_t> oldestStart_{0};   // asked for, unanswered; 0: none
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
        if (deadline.Passed() || silent_.load())
            return false;
        pa_threaded_mainloop_wait(loop_);
    }
    return true;
}
