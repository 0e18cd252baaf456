#include "platform/PulseSoundBackendStream.h"

#include <algorithm>
#include <cmath>
#include <utility>

// The block flow of one open device: the client thread's callbacks, which only move
// samples and count, and the main thread's notifications.
namespace {

// A wake-up hands on at most this many blocks, so that after a hold-up the other
// direction and the window get their turn between the blocks that piled up.
constexpr int MaxBlocksPerWake = 4;

void ApplyGain(std::span<int16_t> samples, float gain)
{
    if (gain >= 1.0f)
        return;
    for (int16_t& sample : samples)
        sample = static_cast<int16_t>(std::lrint(static_cast<float>(sample) * gain));
}

} // namespace

using PulseSound::BytesPerSample;

// ---- the client thread ---------------------------------------------------------------

void PulseSoundBackend::Stream::StateChanged(pa_stream* stream, void* self)
{
    auto* owner = static_cast<Stream*>(self);
    owner->connection_->StartSettled(stream);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY)
        owner->BecameReady(stream);
    else if (!PA_STREAM_IS_GOOD(state) && !owner->failed_.exchange(true))
        owner->owner_.Wake();
    pa_threaded_mainloop_signal(owner->connection_->Loop(), 0);
}

// The server started the stream: a playback stream keeps what the server made of its
// target length. The main thread is woken for a start it did not wait for to the end.
void PulseSoundBackend::Stream::BecameReady(pa_stream* stream)
{
    if (direction_ == SoundDirection::Playback)
        deviceFrames_.store(static_cast<int32_t>(pa_stream_get_buffer_attr(stream)->tlength) / FrameBytes());
    ready_.store(true);
    owner_.Wake();
}

// Once the next block is whole, everything that came goes into the ring (a hole in the
// stream as silence) and the main loop is woken. A server whose source runs at a few
// milliseconds (PulseAudio sends what its source gives as it comes) calls this several times
// a block: what came is left with the client library until then, so that those calls send
// nothing back to the server and wake no one. The ring may hold the start of that block
// already: waiting for a whole block more would hand the blocks on late and unevenly.
void PulseSoundBackend::Stream::Readable(pa_stream* stream, size_t, void* self)
{
    auto* owner = static_cast<Stream*>(self);
    const auto blockBytes = static_cast<size_t>(owner->blockBytes_);
    if (owner->capturedBytes_ + pa_stream_readable_size(stream) < blockBytes)
        return;
    const void* data = nullptr;
    size_t bytes = 0;
    while (pa_stream_peek(stream, &data, &bytes) == 0 && bytes > 0) {
        if (const size_t dropped = owner->ring_.Push(data, bytes / BytesPerSample); dropped > 0)
            owner->samplesDropped_.fetch_add(dropped);
        owner->capturedBytes_ = (owner->capturedBytes_ + bytes) % blockBytes;
        pa_stream_drop(stream);
    }
    if (owner->ring_.HasBlock())
        owner->owner_.Wake();
}

void PulseSoundBackend::Stream::Writable(pa_stream* stream, size_t bytes, void* self)
{
    static_cast<Stream*>(self)->Give(stream, bytes);
}

// The bytes asked for, written straight into the server's own memory: the source gives sound
// or silence, or less where what the server still holds lasts until the source has more (the
// server asks for the rest at its next request). A stream that starts asks for the server's
// whole buffer at once, before its sink plays any of it: that is silence, and the source is
// first asked at the next request, which comes once the sink plays the stream. A sink that had
// rendered far ahead before the stream came (PulseAudio's, at up to 2 s where no stream asks
// for less, when it cannot take back all of that) asks again only once it has played that
// out: the source, asked at once, would have played one block and then found itself held up.
void PulseSoundBackend::Stream::Give(pa_stream* stream, size_t bytes)
{
    Write(stream, bytes, starting_.exchange(false));
}

// False when the stream broke: its state callback tells.
bool PulseSoundBackend::Stream::Write(pa_stream* stream, size_t bytes, bool silent)
{
    PlaybackSource* source = silent ? nullptr : owner_.source_.load();
    const float gain = owner_.gain_.load(std::memory_order_relaxed);
    const auto frameBytes = static_cast<size_t>(FrameBytes());
    while (bytes >= frameBytes) {
        void* memory = nullptr;
        size_t room = bytes;
        if (pa_stream_begin_write(stream, &memory, &room) < 0 || !memory)
            return false;
        room = std::min(room, bytes) / frameBytes * frameBytes;
        if (room == 0) {
            pa_stream_cancel_write(stream);
            return false;
        }
        std::span<int16_t> samples(static_cast<int16_t*>(memory), room / BytesPerSample);
        if (source)
            samples = samples.first(source->FillWithReserve(samples, ReserveFrames(bytes), PlayedFrames(stream)));
        else
            std::fill(samples.begin(), samples.end(), int16_t{0});
        if (samples.empty()) {
            pa_stream_cancel_write(stream);
            return true;
        }
        ApplyGain(samples, gain);
        const size_t given = samples.size() * BytesPerSample;
        if (pa_stream_write(stream, memory, given, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            pa_stream_cancel_write(stream);
            return false;
        }
        framesTaken_.fetch_add(given / frameBytes, std::memory_order_release);
        if (given < room)
            return true;   // the server asks for the rest at its next request
        bytes -= room;
    }
    return true;
}

// What the server still holds of the stream while it asks for the given bytes: the rest of
// its target length, which it plays meanwhile.
int64_t PulseSoundBackend::Stream::ReserveFrames(size_t requestedBytes) const
{
    const auto requestedFrames = static_cast<int64_t>(requestedBytes / static_cast<size_t>(FrameBytes()));
    return std::max<int64_t>(deviceFrames_.load(std::memory_order_relaxed) - requestedFrames, 0);
}

// How far the server has played the stream, by the device's clock as the client library
// follows it between the server's timing reports; -1 before the first report, and where the
// server's reports are not followed (see ConnectStream).
int64_t PulseSoundBackend::Stream::PlayedFrames(pa_stream* stream) const
{
    pa_usec_t played = 0;
    if (!connection_->ReportsItsClockClosely() || pa_stream_get_time(stream, &played) < 0)
        return -1;
    return static_cast<int64_t>(played * static_cast<uint64_t>(samplesPerSecond_) / PA_USEC_PER_SEC);
}

// The server played out everything it had: this thread was late. The stream goes on as
// soon as it is given more, which the server asks for at once.
void PulseSoundBackend::Stream::RanDry(pa_stream*, void* self)
{
    auto* owner = static_cast<Stream*>(self);
    if (PlaybackSource* source = owner->owner_.source_.load())
        source->DeviceRanDry();
    owner->underruns_.fetch_add(1);
    owner->owner_.Wake();
}

void PulseSoundBackend::Stream::Moved(pa_stream*, void* self)
{
    auto* owner = static_cast<Stream*>(self);
    owner->moved_.store(true);
    owner->owner_.Wake();
}

// ---- the main thread -----------------------------------------------------------------

void PulseSoundBackend::Stream::TraceEvents()
{
    TraceAnswer();
    if (const uint64_t dropped = samplesDropped_.exchange(0); dropped > 0) {
        owner_.Trace("PulseSoundBackend.Capture:Capture overrun on " + Describe() + ", " +
                     std::to_string(dropped / static_cast<uint64_t>(channels_)) + " frames dropped");
    }
    if (const uint32_t underruns = underruns_.exchange(0); underruns > 0) {
        owner_.Trace("PulseSoundBackend.Playback:Playback underrun on " + Describe() + " (the server's stream ran dry" +
                     (underruns > 1 ? ", " + std::to_string(underruns) + " times" : std::string()) + "), plays on");
    }
    if (failed_.exchange(false) && running_ && stream_ && !connection_->Lost()) {
        StreamFailed();
        return;   // its owner has been told, and may have let go of it
    }
    if (moved_.exchange(false) && running_ && stream_ && !connection_->Lost())
        MovedByTheServer();
}

// A start that Start did not wait for to the end, once the server has started the stream.
void PulseSoundBackend::Stream::TraceAnswer()
{
    if (!answerDue_ || !ready_.load())
        return;
    answerDue_ = false;
    owner_.Trace("PulseSoundBackend.Start:the sound server started the stream of " + Describe() + " " +
                 std::to_string(sinceStart_.elapsed()) + " ms after it was asked to");
}

// The server ended the stream, or would not start it: its device went away ("Entity killed",
// "No such entity"), or something else broke it. The owner is told once the stream is let go
// of.
void PulseSoundBackend::Stream::StreamFailed()
{
    std::string reason;
    int error = 0;
    {
        const PulseConnection::Lock lock(*connection_);
        reason = connection_->LastError();
        error = pa_context_errno(connection_->Context());
    }
    const bool answered = !std::exchange(answerDue_, false);
    Fail(-EIO, (answered ? "the stream failed (" : "the server cannot start the stream (") + reason + ")");
    owner_.Trace("PulseSoundBackend.StreamFailed:" + owner_.ErrorText() + ", stopped");
    Stop();
    const bool removed = error == PA_ERR_KILLED || error == PA_ERR_NOENTITY;
    owner_.Report({removed ? SoundStateEvent::Kind::DeviceRemoved : SoundStateEvent::Kind::StreamFailed, direction_,
                   name_, reason});
}

// The server moved the stream to another of its devices, as it does when the device goes
// away and it has another one for the stream: that is left to the server, and traced. But
// a capture stream moved onto the monitor of the sink that the program's own playback plays
// into (PipeWire moves a stream that listened to a sink's monitor after the default sink)
// would hear the receiver itself: the chosen device is then taken as gone, and the owner
// is told once the stream is let go of.
void PulseSoundBackend::Stream::MovedByTheServer()
{
    const std::string device = ServerDevice();
    owner_.Trace("PulseSoundBackend.Moved:the sound server moved the stream of " + Describe() + " to " + device);
    const Stream* playback = owner_.StreamOf(SoundDirection::Playback);
    const bool hearsItself = direction_ == SoundDirection::Capture && name_ != PulseSound::DefaultDevice && playback &&
                             playback->Running() && device == playback->ServerDevice() + ".monitor";
    if (!hearsItself)
        return;
    Stop();
    owner_.Report({SoundStateEvent::Kind::DeviceRemoved, direction_, name_,
                   "the sound server moved its stream onto " + device + ", which the receiver plays into"});
}

std::string PulseSoundBackend::Stream::ServerDevice() const
{
    if (!stream_)
        return {};
    const PulseConnection::Lock lock(*connection_);
    const char* device = pa_stream_get_device_name(stream_);
    return device ? device : std::string();
}

// Up to MaxBlocksPerWake whole blocks, each copied into the looping buffer before its
// notification, so that a nested event loop never sees it twice; the rest at a wake-up of
// their own. A notification may stop, restart or close the device: the loop then ends.
// True when any block was signalled.
bool PulseSoundBackend::Stream::DeliverCaptured()
{
    if (dispatching_ || !running_)
        return false;
    dispatching_ = true;
    const uint64_t session = session_;
    const auto blockSamples = static_cast<size_t>(blockBytes_ / BytesPerSample);
    int blocks = 0;
    while (blocks < MaxBlocksPerWake && running_ && session_ == session &&
           ring_.Pop({image_.data() + position_ / BytesPerSample, blockSamples})) {
        ++blocks;
        const int32_t start = position_;
        position_ = (position_ + blockBytes_) % bufferBytes_;
        owner_.NotifyBlock(SoundDirection::Capture, start, blockBytes_);
    }
    dispatching_ = false;
    if (running_ && ring_.HasBlock())
        owner_.Wake();
    return blocks > 0;
}

// Capture serves playback as long as it runs, each time pushing the timer back, which
// stands in when capture is idle: while sound comes in, the timer never wakes the program.
void PulseSoundBackend::Stream::ServeFromCapture()
{
    if (playbackTimer_.isActive())
        playbackTimer_.start();
    ServePlayback();
}


// One notification for each block's worth of frames the server has taken since.
void PulseSoundBackend::Stream::ServePlayback()
{
    if (dispatching_ || !running_)
        return;
    dispatching_ = true;
    const uint64_t session = session_;
    const uint64_t taken = framesTaken_.load(std::memory_order_acquire);
    const auto block = static_cast<uint64_t>(blockFrames_);
    for (int blocks = 0; blocks < MaxBlocksPerWake && taken - framesServed_ >= block && running_ && session_ == session;
         ++blocks) {
        framesServed_ += block;
        const int32_t start = position_;
        position_ = (position_ + blockBytes_) % bufferBytes_;
        owner_.NotifyBlock(SoundDirection::Playback, start, blockBytes_);
    }
    dispatching_ = false;
}
