#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

// Block-wise sound capture and playback. Each direction has one device and one looping
// buffer; the buffer's owner places notification positions in it, and the backend signals
// the matching event on the main thread each time the buffer position passes one of them.
// The sound-card engine (audio/QELVODX8) is written against this interface;
// platform/AlsaSoundBackend is the real one and tests/fakes/FakeSoundBackend the test double.
//
// Results are 0 for success and otherwise a negative error number; ErrorText() then names
// the device and says what failed.

enum class SoundDirection { Playback = 0, Capture = 1 };

// How messages and the trace name a direction.
inline const char* DirectionName(SoundDirection direction)
{
    return direction == SoundDirection::Capture ? "Capture" : "Playback";
}

struct SoundDeviceInfo
{
    std::string Name;         // what opens the device ("default", "hw:1,0")
    std::string Description;  // what the user is shown
};

struct SoundFormat
{
    int32_t Channels = 0;
    int32_t SamplesPerSecond = 0;
    int32_t BitsPerSample = 0;
};

// A looping buffer of BufferBytes that is filled or emptied in blocks of BlockBytes.
struct SoundBufferDesc
{
    SoundFormat Format;
    int32_t BufferBytes = 0;
    int32_t BlockBytes = 0;
};

// EventId is signalled when the buffer position passes byte Offset.
struct PositionNotify
{
    int32_t Offset = 0;
    int32_t EventId = 0;
};

// Where a playback device takes its frames from: interleaved 16-bit samples in the
// playback buffer's format. The backend calls it from the thread that feeds the device (a
// sound server's client thread, or the main thread), always the same one while it runs.
class PlaybackSource
{
public:
    // A device that plays in real time asks for exactly samples.size() samples now: the
    // source gives what it has queued and silence for the rest, so that the device never
    // runs dry and a gap costs only the time it lasted.
    virtual void Fill(std::span<int16_t> samples) = 0;
    // A device that still holds reserveFrames of sound of its own beyond this call (a sound
    // server's stream) may take less than it asks for: the source gives what it has queued
    // and leaves the rest for the device's next call, where the reserve lasts until more
    // comes; else it gives silence for the rest, as Fill does. playedFrames is how far the
    // device has played by its own clock, counted from any fixed point, or -1 where it cannot
    // tell: a server's requests need not follow its clock closely. The samples given.
    virtual size_t FillWithReserve(std::span<int16_t> samples, int64_t reserveFrames, int64_t playedFrames) = 0;
    // A device that keeps no pace of its own (ALSA's file and null devices) takes only what
    // is queued; the samples given.
    virtual size_t Take(std::span<int16_t> samples) = 0;
    // The device could not be fed in time and played nothing for a while (the whole
    // process was held up): the source waits for its reserve again before it goes on.
    virtual void DeviceRanDry() = 0;

protected:
    ~PlaybackSource() = default;
};

// What befell an open device or the sound server, told to the backend's owner on the main
// thread (as the blocks are), after the backend has let go of what broke.
struct SoundStateEvent
{
    enum class Kind
    {
        StreamFailed,    // the device's stream broke; the device may still be there
        DeviceRemoved,   // the device is gone (unplugged, unloaded)
        ServerLost,      // the sound server went away; every stream on it is gone
        ServerBack       // a sound server answers again after it was lost
    };
    Kind What = Kind::StreamFailed;
    SoundDirection Direction = SoundDirection::Playback;   // for a stream or a device
    std::string Device;                                    // the device's name, or the server's
    std::string Why;                                       // in the backend's words
    double AgoSeconds = 0;                                 // how long before this report it happened
};

// What a machine offers to play on, as far as a backend can tell.
struct SoundSystemFound
{
    bool ServerAnswers = true;   // a sound server (PulseAudio, or PipeWire's) answers
    bool CardPresent = true;     // the system has at least one sound card
};

class SoundStateSink
{
public:
    virtual void SoundStateChanged(const SoundStateEvent& event) = 0;

protected:
    ~SoundStateSink() = default;
};

class SoundEventSink
{
public:
    virtual void DXCallback(int32_t eventId) = 0;

protected:
    ~SoundEventSink() = default;
};

class SoundBackend
{
public:
    using TraceFunction = void (*)(const std::string& line);

    virtual ~SoundBackend() = default;

    // The devices of one direction, the system's default first.
    virtual std::vector<SoundDeviceInfo> Devices(SoundDirection direction) = 0;

    virtual int32_t OpenDevice(SoundDirection direction, const std::string& name) = 0;
    virtual int32_t CreateBuffer(SoundDirection direction, const SoundBufferDesc& desc) = 0;
    // Stops, then releases the buffer and the device. Harmless when nothing is open; when
    // called from inside one of the device's own notifications the device is closed as
    // soon as that notification returns.
    virtual void CloseDevice(SoundDirection direction) = 0;

    // Capture loops over its buffer. Playback takes its frames from the source set with
    // SetPlaybackSource, as the device needs them, and signals its notifications in the
    // main loop as the device takes each block's worth (at the next captured block, or a
    // little later when capture is idle). Stop lets go of the device's stream altogether,
    // as closing does, and the next Start takes it up again as it was created: every start
    // is a fresh one. A backend may return from Start before the device has started (a sound
    // server slow to answer): the device counts as running, and a failure to start is then
    // told to the state sink, as a failure of a running device is.
    virtual int32_t Start(SoundDirection direction) = 0;
    virtual int32_t Stop(SoundDirection direction) = 0;
    virtual bool IsRunning(SoundDirection direction) = 0;

    // Playback gain in hundredths of a decibel: 0 full volume, -10000 and below silence.
    virtual int32_t SetVolume(int32_t hundredthsOfDecibel) = 0;

    // Copies bytes of the capture buffer from startByte into destination.
    virtual int32_t ReadBuffer(int32_t startByte, int32_t bytes, std::span<int16_t> destination) = 0;
    // The source the playback device takes its frames from; set before Start(Playback) and
    // kept until the device is closed.
    virtual void SetPlaybackSource(PlaybackSource* source) = 0;
    // Whether the open playback device plays in real time on a clock of its own; ALSA's
    // file and null devices take whatever they are given at once.
    virtual bool PlaybackKeepsPace() const = 0;
    // The frames the playback device holds itself once it plays: the part of the delay from
    // capture to playback that its owner does not keep.
    virtual int32_t PlaybackDeviceFrames() const = 0;

    virtual std::string ErrorText() const = 0;

    // What there is to play on, asked when a device does not open so that the user learns
    // what is missing. A backend that cannot tell answers that both are there.
    virtual SoundSystemFound FoundSoundSystem() { return {}; }

    // Events and notification positions work alike in every backend.
    int32_t CreateEvent(SoundEventSink* sink)
    {
        const int32_t id = ++lastEventId_;
        sinks_.emplace_back(id, sink);
        return id;
    }

    void DestroyEvent(int32_t eventId)
    {
        for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
            if (it->first == eventId) {
                sinks_.erase(it);
                return;
            }
        }
    }

    void SetNotificationPositions(SoundDirection direction, std::span<const PositionNotify> table)
    {
        Positions(direction).assign(table.begin(), table.end());
    }

    std::span<const PositionNotify> NotificationPositions(SoundDirection direction) const
    {
        return positions_[Index(direction)];
    }

    void SetTrace(TraceFunction trace) { trace_ = trace; }
    // Who is told of failed streams, removed devices and a lost or returning server.
    void SetStateSink(SoundStateSink* sink) { stateSink_ = sink; }
    // A backend that serves the devices of another one (which chose it by the device's
    // name) signals that one's events and writes to its trace.
    void ServeFor(SoundBackend* outer) { outer_ = outer; }

protected:
    // Signals, in table order, every event whose position lies in the block of the given
    // bytes starting at startByte. A sink may close the device or replace the table while
    // it runs; the table is read afresh for each entry.
    void NotifyBlock(SoundDirection direction, int32_t startByte, int32_t bytes)
    {
        SoundBackend& events = outer_ ? *outer_ : *this;
        const std::vector<PositionNotify>& table = events.Positions(direction);
        for (size_t k = 0; k < table.size(); ++k) {
            const PositionNotify entry = table[k];
            if (entry.Offset >= startByte && entry.Offset < startByte + bytes)
                events.Signal(entry.EventId);
        }
    }

    // Main thread only.
    void Report(const SoundStateEvent& event) const
    {
        const SoundBackend& owner = outer_ ? *outer_ : *this;
        if (owner.stateSink_)
            owner.stateSink_->SoundStateChanged(event);
    }

    void Trace(const std::string& line) const
    {
        const SoundBackend& log = outer_ ? *outer_ : *this;
        if (log.trace_)
            log.trace_(line);
    }

private:
    static size_t Index(SoundDirection direction) { return static_cast<size_t>(direction); }
    std::vector<PositionNotify>& Positions(SoundDirection direction) { return positions_[Index(direction)]; }

    void Signal(int32_t eventId)
    {
        for (const auto& [id, sink] : sinks_) {
            if (id == eventId) {
                if (sink)
                    sink->DXCallback(eventId);
                return;
            }
        }
    }

    int32_t lastEventId_ = 0;
    std::vector<std::pair<int32_t, SoundEventSink*>> sinks_;
    std::vector<PositionNotify> positions_[2];
    TraceFunction trace_ = nullptr;
    SoundStateSink* stateSink_ = nullptr;
    SoundBackend* outer_ = nullptr;
};
