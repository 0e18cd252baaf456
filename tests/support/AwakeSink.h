#pragma once

#include <atomic>
#include <list>
#include <cstdint>
#include <string>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

// Keeps a null sink of PulseAudio from playing far ahead while no stream plays into it. Such
// a sink plays as far ahead as the longest latency it is asked for (two seconds with only a
// recorder of long latency on its monitor). The rig's sink takes nothing back (its monitor
// would lose what it takes back from a recorder that already has it), so a new stream would
// wait up to those two seconds, where a desktop's sink plays a new stream at once. A listener
// at a short latency on the monitor keeps the sink close to the present: it listens while
// nothing plays into the sink, or while held, and leaves as soon as a stream plays, for the
// sink runs at the shortest latency asked of it and is to run at the playing stream's. It
// follows the sink's streams from a thread of its own, so that it is back at once when a
// stream ends.
class AwakeSink
{
public:
    // The server's address ("unix:/path") and the sink's name; Ready() tells whether it runs.
    AwakeSink(const std::string& server, const std::string& sink);
    ~AwakeSink();
    AwakeSink(const AwakeSink&) = delete;
    AwakeSink& operator=(const AwakeSink&) = delete;

    bool Ready() const { return ready_; }
    // Listens whatever plays, until let go; returns once the listener is there (false when
    // it cannot be).
    bool Hold(bool held);
    // The loudest sample the listener heard.
    int Loudest() const { return loudest_; }

private:
    static void OnContextState(pa_context* context, void* self);
    static void OnEvent(pa_context* context, int type, uint32_t index, void* self);
    static void OnStreamState(pa_stream* stream, void* self);
    static void OnRead(pa_stream* stream, size_t bytes, void* self);
    void CountStreams();
    void Listen(bool listening);   // in the loop's thread, or with its lock

    // A query of the streams that play into the sink, counted as its answers come; kept here
    // until its last answer, so that one the server never finishes is freed with the rest.
    struct StreamCount
    {
        AwakeSink* owner;
        uint32_t sink;
        int playing = 0;
    };
    std::list<StreamCount> counts_;

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* listener_ = nullptr;
    std::string sink_;
    uint32_t sinkIndex_ = UINT32_MAX;
    bool held_ = false;
    bool ready_ = false;
    std::atomic<int> loudest_{0};
};
