#pragma once

#include "platform/SoundBackend.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class PulseConnection;
class QSocketNotifier;

// Sound through the desktop's sound server (PulseAudio, or PipeWire's PulseAudio server),
// in interleaved 16-bit samples at the buffer's rate and channels. "default" is the
// server's default device, "pulse:" + a server device's name that device.
//
// The server's client library runs its own thread; it only moves samples (captured ones
// into a lock-free ring, playback ones from the PlaybackSource straight into the server's
// buffer) and wakes the main loop through an event descriptor. All the notifications, and
// the traces of what happened on that thread, run on the main thread: each captured block
// in turn, then the playback blocks the device took meanwhile (a timer stands in for
// playback while capture is idle). The connection is made when first needed. A stream's
// callbacks are cleared under the client library's lock before the stream is let go of,
// and its thread has ended before the backend is gone: nothing of theirs runs after that.
//
// The device lists, and the check that a named device is there, come from what the
// connection last heard of the server, so that a server that hangs holds nothing up. A start
// waits for the server's answer at most PulseConnection::WaitMs; a stream not answered by then
// counts as running and goes on starting in the background, traced. A server that stops
// answering while a device runs, or is starting, is told to the owner as lost (the streams
// let go of, as when it ends) and, once it answers again, as back; meanwhile every open and
// start fails at once, saying so. A start left unanswered counts as the server not answering.
// Nothing of a stream let go of stays on the server: see EndConnectionOfStrays.
class PulseSoundBackend : public SoundBackend
{
public:
    PulseSoundBackend();
    ~PulseSoundBackend() override;
    PulseSoundBackend(const PulseSoundBackend&) = delete;
    PulseSoundBackend& operator=(const PulseSoundBackend&) = delete;

    // Whether a sound server answers (never starts one); the connection is kept for use.
    bool ServerReachable();
    // Whether a sound server runs, answering or not: one that has taken the connection and
    // not yet answered on it counts (its devices then fail at once, saying so).
    bool ServerFound();

    std::vector<SoundDeviceInfo> Devices(SoundDirection direction) override;
    int32_t OpenDevice(SoundDirection direction, const std::string& name) override;
    int32_t CreateBuffer(SoundDirection direction, const SoundBufferDesc& desc) override;
    void CloseDevice(SoundDirection direction) override;
    int32_t Start(SoundDirection direction) override;
    int32_t Stop(SoundDirection direction) override;
    bool IsRunning(SoundDirection direction) override;
    int32_t SetVolume(int32_t hundredthsOfDecibel) override;
    int32_t ReadBuffer(int32_t startByte, int32_t bytes, std::span<int16_t> destination) override;
    void SetPlaybackSource(PlaybackSource* source) override;
    bool PlaybackKeepsPace() const override { return true; }
    int32_t PlaybackDeviceFrames() const override;
    std::string ErrorText() const override { return errorText_; }

private:
    class Stream;

    Stream* StreamOf(SoundDirection direction) const;
    PulseConnection* Connection(std::string& reason);
    int32_t Fail(int32_t error, const std::string& text);
    int32_t FailNotOpen(SoundDirection direction);
    void Wake();
    void Woken();
    void ServerLost();
    void FollowAnswering();
    void ServerSilent();
    void ServerBack(const std::string& server);
    void ReleaseStreams();
    void EndConnectionOfStrays();
    bool AnyRunning() const;
    bool NotAnswering(std::string& reason) const;
    void DisposeRetiredStreams();
    static void PostWake(void* self);

    // The client thread's wake-ups of the main loop: an event descriptor, written once
    // until the main loop has read it.
    int wakeDescriptor_ = -1;
    std::unique_ptr<QSocketNotifier> wakeNotifier_;
    std::atomic<bool> wakePending_{false};

    std::unique_ptr<PulseConnection> connection_;
    std::unique_ptr<Stream> streams_[2];
    // Streams closed from inside their own notification, kept until it has returned.
    std::vector<std::unique_ptr<Stream>> retired_;
    // Read by the client thread while playback runs.
    std::atomic<PlaybackSource*> source_{nullptr};
    std::atomic<float> gain_{1.0f};
    std::string errorText_;
    std::string lostServer_;   // the server whose connection was lost, until one is made again
    bool silenceTold_ = false; // the owner was told that the server of connection_ is lost
};
