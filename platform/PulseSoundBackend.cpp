#include "platform/PulseSoundBackend.h"
#include "platform/PulseSoundBackendStream.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QString>

#include <algorithm>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

namespace {

constexpr int32_t SilenceFloor = -10000;    // hundredths of a decibel that mean silence
constexpr const char* DefaultDescription = "Default device of the sound server";

} // namespace

using PulseSound::DescribeDevice;

PulseSoundBackend::PulseSoundBackend() : wakeDescriptor_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (wakeDescriptor_ < 0)
        return;
    wakeNotifier_ = std::make_unique<QSocketNotifier>(wakeDescriptor_, QSocketNotifier::Read);
    QObject::connect(wakeNotifier_.get(), &QSocketNotifier::activated, [this] { Woken(); });
}

// The streams go first, then the connection and with it the client thread; only then
// the descriptor it wrote to.
PulseSoundBackend::~PulseSoundBackend()
{
    CloseDevice(SoundDirection::Capture);
    CloseDevice(SoundDirection::Playback);
    retired_.clear();
    connection_.reset();
    wakeNotifier_.reset();
    if (wakeDescriptor_ >= 0)
        close(wakeDescriptor_);
}

// Any thread. Written once until the main loop has read it: the client thread never
// waits for the main thread and allocates nothing.
void PulseSoundBackend::Wake()
{
    if (wakeDescriptor_ >= 0 && !wakePending_.exchange(true)) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(wakeDescriptor_, &one, sizeof one);
    }
}

void PulseSoundBackend::PostWake(void* self)
{
    static_cast<PulseSoundBackend*>(self)->Wake();
}

// What the client thread met is traced first; then the captured blocks, and after them
// the playback blocks the server took meanwhile. A notification may close either device,
// so each is looked up afresh.
void PulseSoundBackend::Woken()
{
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t taken = read(wakeDescriptor_, &count, sizeof count);
    wakePending_.store(false);
    if (connection_ && connection_->Lost())
        ServerLost();
    else if (connection_)
        FollowAnswering();
    for (const SoundDirection direction : {SoundDirection::Capture, SoundDirection::Playback}) {
        if (Stream* stream = StreamOf(direction))
            stream->TraceEvents();
    }
    Stream* capture = StreamOf(SoundDirection::Capture);
    if (capture && capture->DeliverCaptured()) {
        if (Stream* playback = StreamOf(SoundDirection::Playback))
            playback->ServeFromCapture();
    }
    DisposeRetiredStreams();
    EndConnectionOfStrays();
}

// The server went away (its daemon ended): the streams stop, and the next start or
// listing tries to connect again. The owner is told once everything of the old connection
// is let go of, unless it was told already that the server had stopped answering.
void PulseSoundBackend::ServerLost()
{
    std::string reason;
    {
        const PulseConnection::Lock lock(*connection_);
        reason = connection_->LastError();
    }
    lostServer_ = connection_->ServerName();
    Trace("PulseSoundBackend.ServerLost:the connection to the sound server was lost (" + reason + "), server " + lostServer_);
    ReleaseStreams();
    connection_.reset();
    if (std::exchange(silenceTold_, false))
        return;
    Report({SoundStateEvent::Kind::ServerLost, SoundDirection::Playback, lostServer_, reason});
}

// A server that stops answering while a device runs is as good as gone for the sound; one
// that stops while none runs is met by the next start.
void PulseSoundBackend::FollowAnswering()
{
    const bool answering = connection_->Answering();
    if (!answering && !silenceTold_ && AnyRunning())
        ServerSilent();
    else if (answering && silenceTold_)
        ServerBack(connection_->ServerName());
}

// The connection is kept, to hear the server again.
void PulseSoundBackend::ServerSilent()
{
    silenceTold_ = true;
    SoundStateEvent event{SoundStateEvent::Kind::ServerLost, SoundDirection::Playback, connection_->ServerName(), {}};
    event.AgoSeconds = connection_->SecondsSinceAnswer();
    event.Why = std::string(connection_->AnswersQuestions() ? "not answering the start of a stream" : "not answering") +
                " for " + QString::number(event.AgoSeconds, 'f', 1).toStdString() + " s";
    Trace("PulseSoundBackend.ServerLost:the sound server " + event.Device + " is " + event.Why);
    ReleaseStreams();
    Report(event);
}

void PulseSoundBackend::ServerBack(const std::string& server)
{
    silenceTold_ = false;
    lostServer_.clear();
    Trace("PulseSoundBackend.ServerBack:the sound server " + server + " answers again");
    Report({SoundStateEvent::Kind::ServerBack, SoundDirection::Playback, server, {}});
}

void PulseSoundBackend::ReleaseStreams()
{
    for (const std::unique_ptr<Stream>& stream : streams_) {
        if (stream)
            stream->Release();
    }
}

// A stream let go of before the server answered its start stays with the connection, which
// disconnects it once the server answers. The connection is kept meanwhile: a server that does
// not answer takes no new one, and a start asked for again on it meets the server's silence as
// the first did, counted from the older start or the server's last answer. Only a start the
// client library gave up on, which the server may still make for nobody, is freed by ending
// the connection, once nothing runs on it. The next open or start connects afresh; the owner,
// told that the server was lost, then hears that it is back.
void PulseSoundBackend::EndConnectionOfStrays()
{
    if (!connection_ || AnyRunning() || !connection_->GaveUpOnAStart())
        return;
    Trace("PulseSoundBackend.Connection:the connection to the sound server " + connection_->ServerName() +
          " is ended, so that the server frees the streams whose start it has not answered");
    if (std::exchange(silenceTold_, false))
        lostServer_ = connection_->ServerName();
    connection_.reset();
}

bool PulseSoundBackend::AnyRunning() const
{
    return std::any_of(std::begin(streams_), std::end(streams_),
                       [](const std::unique_ptr<Stream>& stream) { return stream && stream->Running(); });
}

PulseConnection* PulseSoundBackend::Connection(std::string& reason)
{
    if (connection_ && connection_->Lost())
        ServerLost();
    const int waitMs = connection_ ? 0 : PulseConnection::WaitMs;
    if (!connection_ && !(connection_ = PulseConnection::Connect(PostWake, this, reason)))
        return nullptr;
    switch (connection_->Await(waitMs, reason)) {
    case PulseConnection::Progress::Ready: break;
    case PulseConnection::Progress::Waiting: return nullptr;
    case PulseConnection::Progress::Refused:
        // One that was made may have been lost just now: its streams go with it, and the
        // owner is told.
        if (connection_->Lost())
            ServerLost();
        connection_.reset();
        return nullptr;
    }
    if (!lostServer_.empty())
        ServerBack(connection_->ServerName());
    return connection_.get();
}

// A server that does not answer now: why not, for the user.
bool PulseSoundBackend::NotAnswering(std::string& reason) const
{
    if (!connection_ || connection_->Answering())
        return false;
    const std::string seconds = QString::number(connection_->SecondsSinceAnswer(), 'f', 1).toStdString();
    reason = "the sound server " + connection_->ServerName() +
             (connection_->AnswersQuestions() ? " has not answered the start of a stream for " + seconds + " s"
                                              : " is not answering (its last answer came " + seconds + " s ago)");
    return true;
}

bool PulseSoundBackend::ServerReachable()
{
    std::string reason;
    return Connection(reason) != nullptr;
}

bool PulseSoundBackend::ServerFound()
{
    return ServerReachable() || connection_;
}

// "default" first, described after the server's default device where it has one.
std::vector<SoundDeviceInfo> PulseSoundBackend::Devices(SoundDirection direction)
{
    std::vector<SoundDeviceInfo> devices{{PulseSound::DefaultDevice, DefaultDescription}};
    std::string reason;
    PulseConnection* connection = Connection(reason);
    PulseConnection::DeviceList list;
    if (!connection || !connection->ListDevices(direction, list))
        return devices;
    for (const SoundDeviceInfo& device : list.Devices) {
        if (device.Name == PulseSound::ServerPrefix + list.DefaultName)
            devices.front().Description += " (" + device.Description + ")";
    }
    devices.insert(devices.end(), list.Devices.begin(), list.Devices.end());
    return devices;
}

int32_t PulseSoundBackend::OpenDevice(SoundDirection direction, const std::string& name)
{
    CloseDevice(direction);
    DisposeRetiredStreams();
    const std::string device = DescribeDevice(direction, name);
    const std::string prefix = PulseSound::ServerPrefix;
    const bool named = name.size() > prefix.size() && name.starts_with(prefix);
    if (name != PulseSound::DefaultDevice && !named)
        return Fail(-ENODEV, device + ": is not a device of the sound server");
    std::string reason;
    PulseConnection* connection = Connection(reason);
    if (!connection)
        return Fail(-ECONNREFUSED, device + ": the sound server cannot be reached (" + reason + ")");
    if (NotAnswering(reason))
        return Fail(-ETIMEDOUT, device + ": " + reason);
    const std::optional<bool> present = named ? connection->HasDevice(direction, name.substr(prefix.size())) : true;
    if (!present)
        return Fail(-ETIMEDOUT, device + ": the sound server " + connection->ServerName() + " does not answer");
    if (!*present)
        return Fail(-ENODEV, device + ": the sound server has no such " +
                                 (direction == SoundDirection::Capture ? "source" : "sink"));
    streams_[static_cast<size_t>(direction)] = std::make_unique<Stream>(*this, direction, name);
    return 0;
}

int32_t PulseSoundBackend::CreateBuffer(SoundDirection direction, const SoundBufferDesc& desc)
{
    Stream* stream = StreamOf(direction);
    return stream ? stream->Configure(desc) : FailNotOpen(direction);
}

void PulseSoundBackend::CloseDevice(SoundDirection direction)
{
    std::unique_ptr<Stream> stream = std::move(streams_[static_cast<size_t>(direction)]);
    if (!stream)
        return;
    stream->Stop();
    if (stream->Dispatching()) {
        retired_.push_back(std::move(stream));
        Wake();   // to let go of it once its notification has returned
    }
    EndConnectionOfStrays();
}

void PulseSoundBackend::DisposeRetiredStreams()
{
    std::erase_if(retired_, [](const std::unique_ptr<Stream>& stream) { return !stream->Dispatching(); });
}

int32_t PulseSoundBackend::Start(SoundDirection direction)
{
    Stream* stream = StreamOf(direction);
    if (!stream)
        return FailNotOpen(direction);
    // Not asked for while the server does not answer. One that stops answering before it has
    // started the stream is told to the owner as lost, as for a stream that runs.
    std::string reason;
    if (!stream->Running() && NotAnswering(reason))
        return Fail(-ETIMEDOUT, PulseSound::DescribeDevice(direction, stream->Name()) + ": " + reason);
    return stream->Start();
}

int32_t PulseSoundBackend::Stop(SoundDirection direction)
{
    if (Stream* stream = StreamOf(direction))
        stream->Stop();
    EndConnectionOfStrays();
    return 0;
}

bool PulseSoundBackend::IsRunning(SoundDirection direction)
{
    const Stream* stream = StreamOf(direction);
    return stream && stream->Running();
}

int32_t PulseSoundBackend::SetVolume(int32_t hundredthsOfDecibel)
{
    float gain = 1.0f;
    if (hundredthsOfDecibel <= SilenceFloor)
        gain = 0.0f;
    else if (hundredthsOfDecibel < 0)
        gain = static_cast<float>(std::pow(10.0, hundredthsOfDecibel / 2000.0));
    gain_.store(gain, std::memory_order_relaxed);
    return 0;
}

int32_t PulseSoundBackend::ReadBuffer(int32_t startByte, int32_t bytes, std::span<int16_t> destination)
{
    Stream* stream = StreamOf(SoundDirection::Capture);
    return stream ? stream->Read(startByte, bytes, destination) : FailNotOpen(SoundDirection::Capture);
}

void PulseSoundBackend::SetPlaybackSource(PlaybackSource* source)
{
    source_.store(source);
}

int32_t PulseSoundBackend::PlaybackDeviceFrames() const
{
    const Stream* stream = StreamOf(SoundDirection::Playback);
    return stream ? stream->DeviceFrames() : 0;
}

PulseSoundBackend::Stream* PulseSoundBackend::StreamOf(SoundDirection direction) const
{
    return streams_[static_cast<size_t>(direction)].get();
}

int32_t PulseSoundBackend::Fail(int32_t error, const std::string& text)
{
    errorText_ = text;
    return error < 0 ? error : -EINVAL;
}

int32_t PulseSoundBackend::FailNotOpen(SoundDirection direction)
{
    return Fail(-ENODEV, std::string(PulseSound::DirectionName(direction)) + " device: not open");
}
