#pragma once

// The private half of platform/PulseSoundBackend: one open device. Its set-up lives in
// PulseSoundBackend_Stream.cpp, its block flow (both threads) in PulseSoundBackend_Blocks.cpp.

#include "platform/CaptureRing.h"
#include "platform/PulseConnection.h"
#include "platform/PulseSoundBackend.h"

#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <string>
#include <vector>

namespace PulseSound {

inline constexpr int32_t BytesPerSample = 2;   // S16LE is the only sample format
inline constexpr const char* ServerPrefix = "pulse:";
inline constexpr const char* DefaultDevice = "default";

using ::DirectionName;

inline std::string DescribeDevice(SoundDirection direction, const std::string& name)
{
    return std::string(DirectionName(direction)) + " device \"" + name + "\"";
}

} // namespace PulseSound

// One open device: the looping buffer its owner sees and, while it runs, a stream of the
// server. Members marked "shared" are used on the client thread too. A stream runs from its
// start on, whether or not the server has answered the start yet: the server's answer, or its
// silence, comes as an event like the blocks.
class PulseSoundBackend::Stream
{
public:
    Stream(PulseSoundBackend& owner, SoundDirection direction, std::string name);
    ~Stream() { Release(); }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    int32_t Configure(const SoundBufferDesc& desc);
    int32_t Start();
    void Stop();
    int32_t Read(int32_t startByte, int32_t bytes, std::span<int16_t> destination);
    int32_t DeviceFrames() const { return deviceFrames_.load(); }

    // Main thread, woken by the client thread.
    void TraceEvents();
    bool DeliverCaptured();
    void ServeFromCapture();
    // The connection is going: the stream stops, traced only where the server had not
    // answered its start.
    void Release();

    const std::string& Name() const { return name_; }
    bool Running() const { return running_; }
    bool Dispatching() const { return dispatching_; }

private:
    std::string Describe() const { return PulseSound::DescribeDevice(direction_, name_); }
    int32_t Fail(int32_t error, const std::string& what);
    int32_t Connect(PulseConnection& connection);
    int32_t ConnectStream(PulseConnection& connection);
    pa_buffer_attr BufferAttributes() const;
    int32_t FrameBytes() const { return channels_ * PulseSound::BytesPerSample; }
    void ServePlayback();
    void StreamFailed();
    void TraceAnswer();
    void MovedByTheServer();
    // The server's name of the device the stream is on now; empty while stopped.
    std::string ServerDevice() const;

    // The client thread.
    static void StateChanged(pa_stream* stream, void* self);
    void BecameReady(pa_stream* stream);
    static void Readable(pa_stream* stream, size_t bytes, void* self);
    static void Writable(pa_stream* stream, size_t bytes, void* self);
    static void RanDry(pa_stream* stream, void* self);
    static void Moved(pa_stream* stream, void* self);
    void Give(pa_stream* stream, size_t bytes);
    bool Write(pa_stream* stream, size_t bytes, bool silent);
    int64_t ReserveFrames(size_t requestedBytes) const;
    int64_t PlayedFrames(pa_stream* stream) const;

    PulseSoundBackend& owner_;
    const SoundDirection direction_;
    const std::string name_;
    pa_stream* stream_ = nullptr;             // null while stopped
    PulseConnection* connection_ = nullptr;   // the one stream_ was made on

    int32_t channels_ = 0;
    int32_t samplesPerSecond_ = 0;
    int32_t bufferBytes_ = 0;                 // the looping buffer the owner sees
    int32_t blockBytes_ = 0;
    int32_t blockFrames_ = 0;
    std::vector<int16_t> image_;              // capture: the looping buffer's contents
    CaptureRing ring_;                        // capture, shared
    QTimer playbackTimer_;                    // playback while capture is idle

    int32_t position_ = 0;                    // byte offset of the next block in the looping buffer
    uint64_t framesServed_ = 0;               // playback: frames whose blocks were signalled
    uint64_t session_ = 0;                    // counts the starts
    QElapsedTimer sinceStart_;                // since the start was asked for
    bool answerDue_ = false;                  // Start returned before the server started the stream
    bool running_ = false;
    bool dispatching_ = false;

    std::atomic<uint64_t> framesTaken_{0};           // shared: playback frames given to the server
    std::atomic<uint64_t> samplesDropped_{0};        // shared: capture overruns
    std::atomic<uint32_t> underruns_{0};             // shared
    std::atomic<bool> failed_{false};                // shared: the server's stream broke
    std::atomic<bool> moved_{false};                 // shared: the server moved the stream to another device
    std::atomic<bool> starting_{false};              // shared: playback, the first request is due
    std::atomic<bool> ready_{false};                 // shared: the server started the stream
    std::atomic<int32_t> deviceFrames_{0};           // shared: playback, what the server's stream keeps
    size_t capturedBytes_ = 0;                       // client thread: capture, past the latest whole block
};
