#include "platform/PulseSoundBackendStream.h"

#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace {

// Room for a main loop held up for half a second and more (16 blocks of 2048 frames at
// 48 kHz last 0.68 s), or for the whole looping buffer if that is longer.
constexpr size_t MinCaptureBlocksInRing = 16;

// Interleaved 16-bit samples at the given rate and channels, as the server names them.
pa_sample_spec SampleFormat(int32_t samplesPerSecond, int32_t channels)
{
    return {PA_SAMPLE_S16LE, static_cast<uint32_t>(samplesPerSecond), static_cast<uint8_t>(channels)};
}

} // namespace

using PulseSound::BytesPerSample;

PulseSoundBackend::Stream::Stream(PulseSoundBackend& owner, SoundDirection direction, std::string name)
    : owner_(owner), direction_(direction), name_(std::move(name))
{
    QObject::connect(&playbackTimer_, &QTimer::timeout, [this] { ServePlayback(); });
}

int32_t PulseSoundBackend::Stream::Fail(int32_t error, const std::string& what)
{
    return owner_.Fail(error, Describe() + ": " + what);
}

int32_t PulseSoundBackend::Stream::Configure(const SoundBufferDesc& desc)
{
    const SoundFormat& format = desc.Format;
    const std::string invalid = std::string(" (") + std::strerror(EINVAL) + ")";
    if (format.BitsPerSample != 8 * BytesPerSample)
        return Fail(-EINVAL, "only 16-bit samples are supported, not " + std::to_string(format.BitsPerSample) + invalid);
    const pa_sample_spec sampleFormat = SampleFormat(format.SamplesPerSecond, format.Channels);
    if (format.Channels < 1 || format.Channels > int32_t{PA_CHANNELS_MAX} || format.SamplesPerSecond < 1 ||
        !pa_sample_spec_valid(&sampleFormat))
        return Fail(-EINVAL, "cannot take " + std::to_string(format.Channels) + " channels at " +
                                 std::to_string(format.SamplesPerSecond) + " samples per second" + invalid);
    const int32_t frameBytes = format.Channels * BytesPerSample;
    if (desc.BlockBytes <= 0 || desc.BlockBytes % frameBytes != 0 || desc.BufferBytes < 2 * desc.BlockBytes ||
        desc.BufferBytes % desc.BlockBytes != 0)
        return Fail(-EINVAL, "cannot use a buffer of " + std::to_string(desc.BufferBytes) + " bytes in blocks of " +
                                 std::to_string(desc.BlockBytes) + " bytes" + invalid);

    Stop();
    channels_ = format.Channels;
    samplesPerSecond_ = format.SamplesPerSecond;
    bufferBytes_ = desc.BufferBytes;
    blockBytes_ = desc.BlockBytes;
    blockFrames_ = desc.BlockBytes / frameBytes;
    deviceFrames_.store(blockFrames_);   // what it asks for; the server's answer once it runs
    const auto blocks = static_cast<size_t>(desc.BufferBytes / desc.BlockBytes);
    if (direction_ == SoundDirection::Capture) {
        image_.assign(static_cast<size_t>(bufferBytes_ / BytesPerSample), 0);
        ring_.Configure(static_cast<size_t>(blockBytes_ / BytesPerSample), std::max(blocks, MinCaptureBlocksInRing));
    }
    const int64_t blockMs = int64_t{1000} * blockFrames_ / samplesPerSecond_;
    playbackTimer_.setInterval(static_cast<int>(std::clamp<int64_t>(2 * blockMs, 1, 1000)));
    return 0;
}

int32_t PulseSoundBackend::Stream::Start()
{
    if (running_)
        return 0;
    if (blockFrames_ == 0)
        return Fail(-EINVAL, "has no buffer");
    std::string reason;
    PulseConnection* connection = owner_.Connection(reason);
    if (!connection)
        return Fail(-ECONNREFUSED, "the sound server cannot be reached (" + reason + ")");
    ++session_;
    position_ = 0;
    framesServed_ = 0;
    framesTaken_.store(0);
    samplesDropped_.store(0);
    underruns_.store(0);
    failed_.store(false);
    moved_.store(false);
    starting_.store(true);
    ready_.store(false);
    capturedBytes_ = 0;
    ring_.Reset();
    if (const int32_t error = Connect(*connection); error != 0)
        return error;
    running_ = true;
    if (direction_ == SoundDirection::Playback)
        playbackTimer_.start();
    answerDue_ = !ready_.load();
    if (answerDue_) {
        owner_.Trace("PulseSoundBackend.Start:the sound server " + connection->ServerName() +
                     " has not answered the start of " + Describe() + " within " +
                     QString::number(PulseConnection::WaitMs / 1000.0, 'f', 1).toStdString() +
                     " s, the stream starts once it answers");
    }
    return 0;
}

// A stream of the server for this device, started or on its way.
int32_t PulseSoundBackend::Stream::Connect(PulseConnection& connection)
{
    const PulseConnection::Lock lock(connection);
    const int32_t error = ConnectStream(connection);
    if (error != 0)
        Release();
    return error;
}

// Lock held.
int32_t PulseSoundBackend::Stream::ConnectStream(PulseConnection& connection)
{
    const bool capture = direction_ == SoundDirection::Capture;
    const pa_sample_spec sampleFormat = SampleFormat(samplesPerSecond_, channels_);
    stream_ = pa_stream_new(connection.Context(), capture ? "Receiver input" : "Receiver output", &sampleFormat, nullptr);
    if (!stream_)
        return Fail(-EIO, "no stream can be made (" + connection.LastError() + ")");
    connection_ = &connection;
    pa_stream_set_state_callback(stream_, StateChanged, this);
    pa_stream_set_moved_callback(stream_, Moved, this);
    if (capture) {
        pa_stream_set_read_callback(stream_, Readable, this);
    } else {
        pa_stream_set_write_callback(stream_, Writable, this);
        pa_stream_set_underflow_callback(stream_, RanDry, this);
    }
    const pa_buffer_attr attributes = BufferAttributes();
    const char* device = name_ == PulseSound::DefaultDevice ? nullptr : name_.c_str() + std::strlen(PulseSound::ServerPrefix);
    // Where the server reports its clock closely, the playback's position is taken from it, as
    // the client library follows it between timing reports (every 1.5 s once settled).
    const bool followClock = !capture && connection.ReportsItsClockClosely();
    const auto flags = followClock ? static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING |
                                                                    PA_STREAM_AUTO_TIMING_UPDATE)
                                   : PA_STREAM_ADJUST_LATENCY;
    const int result = capture ? pa_stream_connect_record(stream_, device, &attributes, flags)
                               : pa_stream_connect_playback(stream_, device, &attributes, flags, nullptr, nullptr);
    const auto settled = [this] {
        const pa_stream_state_t state = pa_stream_get_state(stream_);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    };
    if (result < 0)
        return Fail(-EIO, "the server refuses the stream (" + connection.LastError() + ")");
    connection.StartAsked(stream_);
    sinceStart_.start();
    // A server that has not answered by the end of the wait answers in the background.
    if (connection.Wait(settled, PulseConnection::WaitMs) && pa_stream_get_state(stream_) != PA_STREAM_READY)
        return Fail(-EIO, "the server cannot start the stream (" + connection.LastError() + ")");
    return 0;
}

// Capture: the server sends at most a block at a time.
// Playback: a delay of three blocks in the server. With PA_STREAM_ADJUST_LATENCY the target
// length is the whole delay: the server runs its sink at half of what is left once two
// requests are taken out (a block, 43 ms) and keeps the rest for the stream (PulseAudio 16 and
// PipeWire's server both make of it 4096 frames at 2048 frames a block). A shorter delay would
// have the sink run at a few milliseconds, which costs the server several per cent of a core
// more to serve the program. The server may ask for half a block whenever that much has been
// played; a null sink, which renders its latency at a time, asks for a block. Either way the
// stream still holds a block when it asks, which lets the playback bridge give less while a
// push is late (see Write); a least request of a whole block would halve the requests but
// leave the stream nothing in hand when it asks, so that a main thread held up on a busy
// machine would let it run dry. The first request asks for the whole buffer (see Give); the
// pre-buffer is the server's choice (the target less one request), so the stream starts as
// soon as it is answered, and after running dry it starts again as soon as the next one is,
// since a stream that holds nothing is given everything it asks for.
pa_buffer_attr PulseSoundBackend::Stream::BufferAttributes() const
{
    constexpr uint32_t ServerChooses = UINT32_MAX;
    constexpr uint32_t DelayBlocks = 3;
    constexpr uint32_t RequestsPerBlock = 2;
    const auto block = static_cast<uint32_t>(blockBytes_);
    if (direction_ == SoundDirection::Capture)
        return {ServerChooses, ServerChooses, ServerChooses, ServerChooses, block};
    const auto frameBytes = static_cast<uint32_t>(FrameBytes());
    const uint32_t request = std::max(block / RequestsPerBlock / frameBytes, 1u) * frameBytes;
    return {ServerChooses, DelayBlocks * block, ServerChooses, request, ServerChooses};
}

void PulseSoundBackend::Stream::Stop()
{
    running_ = false;
    playbackTimer_.stop();
    Release();
}

// Nothing of the server's stream calls back once its callbacks are cleared under the lock. A
// stream the server has not answered yet cannot be disconnected: the connection keeps it, and
// disconnects it once the server starts it, so that the server keeps nothing of it.
void PulseSoundBackend::Stream::Release()
{
    if (!stream_)
        return;
    TraceAnswer();
    if (std::exchange(answerDue_, false)) {
        owner_.Trace("PulseSoundBackend.Start:the sound server " + connection_->ServerName() +
                     " did not answer the start of " + Describe() + " within " +
                     QString::number(static_cast<double>(sinceStart_.elapsed()) / 1000, 'f', 1).toStdString() +
                     " s, the stream is let go of");
    }
    {
        const PulseConnection::Lock lock(*connection_);
        pa_stream_set_moved_callback(stream_, nullptr, nullptr);
        pa_stream_set_read_callback(stream_, nullptr, nullptr);
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pa_stream_set_underflow_callback(stream_, nullptr, nullptr);
        if (!connection_->KeepUnanswered(stream_)) {
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
        }
        pa_stream_unref(stream_);
    }
    stream_ = nullptr;
    connection_ = nullptr;
    running_ = false;
}

int32_t PulseSoundBackend::Stream::Read(int32_t startByte, int32_t bytes, std::span<int16_t> destination)
{
    const bool fits = channels_ > 0 && direction_ == SoundDirection::Capture && startByte >= 0 && bytes >= 0 &&
                      startByte <= bufferBytes_ - bytes && startByte % BytesPerSample == 0 && bytes % FrameBytes() == 0 &&
                      static_cast<size_t>(bytes / BytesPerSample) <= destination.size();
    if (!fits)
        return owner_.Fail(-EINVAL, Describe() + ": " + std::to_string(bytes) + " bytes at byte " + std::to_string(startByte) +
                                        " lie outside its buffer of " + std::to_string(bufferBytes_) + " bytes");
    std::copy_n(image_.begin() + startByte / BytesPerSample, bytes / BytesPerSample, destination.begin());
    return 0;
}
