#include "platform/AlsaSoundBackend.h"
#include "platform/AlsaDeviceList.h"
#include "platform/AlsaSoundBackendStream.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace {

constexpr int32_t SilenceFloor = -10000;    // hundredths of a decibel that mean silence
constexpr unsigned MinCaptureBlocksInDevice = 16;  // room for a main loop held up for half a second
// Playback is refilled at every captured block: two blocks leave the device a block to
// play while the main loop is late; what the device must wait for lies in the owner's FIFO.
constexpr unsigned PlaybackBlocksInDevice = 2;

} // namespace

using AlsaSound::BytesPerSample;

// ---- set-up of one PCM ---------------------------------------------------------------

int32_t AlsaSoundBackend::Stream::Fail(int error, const std::string& what)
{
    return owner_.Fail(error, Describe() + ": " + what + " (" + snd_strerror(error) + ")");
}

int32_t AlsaSoundBackend::Stream::Configure(const SoundBufferDesc& desc)
{
    const SoundFormat& format = desc.Format;
    if (format.BitsPerSample != 8 * BytesPerSample)
        return Fail(-EINVAL, "only 16-bit samples are supported, not " + std::to_string(format.BitsPerSample));
    if (format.Channels < 1)
        return Fail(-EINVAL, "cannot open " + std::to_string(format.Channels) + " channels");
    const int32_t frameBytes = format.Channels * BytesPerSample;
    if (desc.BlockBytes <= 0 || desc.BlockBytes % frameBytes != 0 || desc.BufferBytes < 2 * desc.BlockBytes ||
        desc.BufferBytes % desc.BlockBytes != 0)
        return Fail(-EINVAL, "cannot use a buffer of " + std::to_string(desc.BufferBytes) + " bytes in blocks of " +
                                 std::to_string(desc.BlockBytes) + " bytes");

    running_ = false;
    EnableNotifiers(false);
    if (pcm_)
        snd_pcm_drop(pcm_);
    desc_ = desc;
    channels_ = format.Channels;
    bufferBytes_ = desc.BufferBytes;
    blockBytes_ = desc.BlockBytes;
    blockFrames_ = static_cast<snd_pcm_uframes_t>(desc.BlockBytes / frameBytes);
    samplesPerSecond_ = format.SamplesPerSecond;
    const unsigned blocks = static_cast<unsigned>(desc.BufferBytes / desc.BlockBytes);
    blocksInDevice_ = direction_ == SoundDirection::Capture ? std::max(blocks, MinCaptureBlocksInDevice) : PlaybackBlocksInDevice;
    if (direction_ == SoundDirection::Capture) {
        image_.assign(static_cast<size_t>(bufferBytes_ / BytesPerSample), 0);
    } else {
        scratch_.assign(blockFrames_ * static_cast<size_t>(channels_), 0);
        pending_.reserve(scratch_.size());
    }
    return SetUp();
}

// The hardware and software parameters and the notifiers of a PCM just opened.
int32_t AlsaSoundBackend::Stream::SetUp()
{
    const snd_pcm_type_t type = snd_pcm_type(pcm_);
    paced_ = type != SND_PCM_TYPE_FILE && type != SND_PCM_TYPE_NULL;
    if (int32_t error = SetHardware(blocksInDevice_); error != 0)
        return error;
    if (int32_t error = SetSoftware(); error != 0)
        return error;
    CreateNotifiers();
    return 0;
}

// A stopped stream takes up its device again as it was configured.
int32_t AlsaSoundBackend::Stream::Reopen()
{
    const snd_pcm_stream_t stream =
        direction_ == SoundDirection::Capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
    if (const int error = snd_pcm_open(&pcm_, name_.c_str(), stream, SND_PCM_NONBLOCK); error < 0) {
        pcm_ = nullptr;
        return Fail(error, "cannot be opened");
    }
    if (const int32_t error = SetUp(); error != 0) {
        ClosePcm();
        return error;
    }
    return 0;
}

int32_t AlsaSoundBackend::Stream::SetHardware(unsigned blocksInDevice)
{
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    const auto rate = static_cast<unsigned>(samplesPerSecond_);
    int error = snd_pcm_hw_params_any(pcm_, hw);
    if (error < 0)
        return Fail(error, "offers no configuration");
    if ((error = snd_pcm_hw_params_set_access(pcm_, hw, SND_PCM_ACCESS_RW_INTERLEAVED)) < 0)
        return Fail(error, "cannot transfer interleaved samples");
    if ((error = snd_pcm_hw_params_set_format(pcm_, hw, SND_PCM_FORMAT_S16_LE)) < 0)
        return Fail(error, "cannot take 16-bit samples");
    if ((error = snd_pcm_hw_params_set_channels(pcm_, hw, static_cast<unsigned>(channels_))) < 0)
        return Fail(error, "cannot take " + std::to_string(channels_) + " channels");
    snd_pcm_hw_params_set_rate_resample(pcm_, hw, 1);
    if ((error = snd_pcm_hw_params_set_rate(pcm_, hw, rate, 0)) < 0)
        return Fail(error, "cannot run at " + std::to_string(rate) + " samples per second");
    snd_pcm_uframes_t period = blockFrames_;
    int direction = 0;
    if ((error = snd_pcm_hw_params_set_period_size_near(pcm_, hw, &period, &direction)) < 0)
        return Fail(error, "cannot use periods of " + std::to_string(blockFrames_) + " frames");
    snd_pcm_uframes_t buffer = blockFrames_ * blocksInDevice;
    if ((error = snd_pcm_hw_params_set_buffer_size_near(pcm_, hw, &buffer)) < 0)
        return Fail(error, "cannot hold " + std::to_string(blocksInDevice) + " blocks");
    if ((error = snd_pcm_hw_params(pcm_, hw)) < 0)
        return Fail(error, "cannot be configured");
    if (buffer < 2 * blockFrames_)
        return Fail(-EINVAL, "offers a buffer of only " + std::to_string(buffer) + " frames");
    deviceFrames_ = buffer;
    return 0;
}

// A notification for every whole block; the streams are started explicitly, playback once
// its buffer is full of silence.
int32_t AlsaSoundBackend::Stream::SetSoftware()
{
    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    snd_pcm_uframes_t boundary = 0;
    int error = snd_pcm_sw_params_current(pcm_, sw);
    if (error >= 0)
        error = snd_pcm_sw_params_get_boundary(sw, &boundary);
    if (error >= 0)
        error = snd_pcm_sw_params_set_avail_min(pcm_, sw, blockFrames_);
    if (error >= 0)
        error = snd_pcm_sw_params_set_start_threshold(pcm_, sw, boundary);
    if (error >= 0)
        error = snd_pcm_sw_params(pcm_, sw);
    return error < 0 ? Fail(error, "cannot be set to notify once per block") : 0;
}

// Inside a notification the notifiers may be let go of from their own signal: they are
// deleted once it has returned.
void AlsaSoundBackend::Stream::DisposeNotifiers()
{
    EnableNotifiers(false);
    if (dispatching_) {
        for (std::unique_ptr<QSocketNotifier>& notifier : notifiers_)
            notifier.release()->deleteLater();
    }
    notifiers_.clear();
}

void AlsaSoundBackend::Stream::CreateNotifiers()
{
    DisposeNotifiers();
    blockTimer_.setSingleShot(true);
    blockTimer_.setTimerType(Qt::PreciseTimer);
    QObject::disconnect(&blockTimer_, nullptr, nullptr, nullptr);
    QObject::connect(&blockTimer_, &QTimer::timeout, [this] {
        EnableNotifiers(running_);
        Dispatch();
    });
    // A device that keeps no pace is always ready: it is fed from capture wake-ups and a timer.
    const bool keepsNoPace = direction_ == SoundDirection::Playback && !paced_;
    const int count = keepsNoPace ? 0 : snd_pcm_poll_descriptors_count(pcm_);
    pollFds_.assign(static_cast<size_t>(std::max(count, 0)), pollfd{});
    if (count > 0)
        snd_pcm_poll_descriptors(pcm_, pollFds_.data(), static_cast<unsigned>(count));
    for (const pollfd& descriptor : pollFds_) {
        for (const auto& [event, type] : {std::pair{POLLIN, QSocketNotifier::Read}, std::pair{POLLOUT, QSocketNotifier::Write}}) {
            if (!(descriptor.events & event))
                continue;
            auto notifier = std::make_unique<QSocketNotifier>(descriptor.fd, type);
            notifier->setEnabled(false);
            QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] { Dispatch(); });
            notifiers_.push_back(std::move(notifier));
        }
    }
}

void AlsaSoundBackend::Stream::EnableNotifiers(bool enabled)
{
    blockTimer_.stop();
    for (const auto& notifier : notifiers_)
        notifier->setEnabled(enabled);
}

int32_t AlsaSoundBackend::Stream::Start()
{
    if (running_)
        return 0;
    if (blockFrames_ == 0)
        return Fail(-EINVAL, "has no buffer");
    if (closeRequested_)
        closeRequested_ = false;   // stopped and started again inside one notification: the PCM serves on
    else if (!pcm_) {
        if (const int32_t error = Reopen(); error != 0)
            return error;
    }
    position_ = 0;
    filledFrames_ = 0;
    pending_.clear();
    playedFrames_ = 0;
    ranDry_ = false;
    restartPending_ = false;
    restartFailures_ = 0;
    if (const int32_t error = StartPcm(); error != 0)
        return error;
    running_ = true;
    EnableNotifiers(true);
    return 0;
}

// Prepares the PCM, fills a playback device from the source and starts the stream.
int32_t AlsaSoundBackend::Stream::StartPcm()
{
    if (snd_pcm_state(pcm_) != SND_PCM_STATE_PREPARED) {
        if (const int error = snd_pcm_prepare(pcm_); error < 0)
            return Fail(error, "cannot be prepared");
    }
    if (direction_ == SoundDirection::Playback) {
        const bool outer = dispatching_;
        dispatching_ = true;   // the notifications of the frames taken may close the stream
        FeedDevice();
        dispatching_ = outer;
        if (closeRequested_) {
            if (!outer)
                ClosePcm();
            return Fail(-EBADFD, "was closed while it started");
        }
    }
    return StartIfPrepared();
}

int32_t AlsaSoundBackend::Stream::StartIfPrepared()
{
    if (snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED) {
        if (const int error = snd_pcm_start(pcm_); error < 0)
            return Fail(error, "cannot start");
    }
    return 0;
}

void AlsaSoundBackend::Stream::Stop()
{
    running_ = false;
    EnableNotifiers(false);
    if (!pcm_)
        return;
    snd_pcm_drop(pcm_);
    if (dispatching_)
        closeRequested_ = true;
    else
        ClosePcm();
}

void AlsaSoundBackend::Stream::ClosePcm()
{
    DisposeNotifiers();
    if (pcm_)
        snd_pcm_close(pcm_);
    pcm_ = nullptr;
    closeRequested_ = false;
}

int32_t AlsaSoundBackend::Stream::CheckRange(int32_t startByte, int32_t bytes, size_t elements) const
{
    const bool fits = channels_ > 0 && startByte >= 0 && bytes >= 0 && startByte <= bufferBytes_ - bytes &&
                      startByte % BytesPerSample == 0 && bytes % (channels_ * BytesPerSample) == 0 &&
                      static_cast<size_t>(bytes / BytesPerSample) <= elements;
    if (fits)
        return 0;
    return owner_.Fail(-EINVAL, Describe() + ": " + std::to_string(bytes) + " bytes at byte " +
                                    std::to_string(startByte) + " lie outside its buffer of " +
                                    std::to_string(bufferBytes_) + " bytes");
}

int32_t AlsaSoundBackend::Stream::Read(int32_t startByte, int32_t bytes, std::span<int16_t> destination)
{
    if (const int32_t error = CheckRange(startByte, bytes, std::min(destination.size(), image_.size())); error != 0)
        return error;
    std::copy_n(image_.begin() + startByte / BytesPerSample, bytes / BytesPerSample, destination.begin());
    return 0;
}

// ---------------------------------------------------------------------------------------

AlsaSoundBackend::AlsaSoundBackend() = default;

AlsaSoundBackend::~AlsaSoundBackend()
{
    CloseDevice(SoundDirection::Capture);
    CloseDevice(SoundDirection::Playback);
}

std::vector<SoundDeviceInfo> AlsaSoundBackend::Devices(SoundDirection direction)
{
    return AlsaDeviceList::Devices(direction);
}

int32_t AlsaSoundBackend::OpenDevice(SoundDirection direction, const std::string& name)
{
    CloseDevice(direction);
    DisposeRetiredStreams();
    snd_pcm_t* pcm = nullptr;
    const snd_pcm_stream_t stream =
        direction == SoundDirection::Capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
    if (const int error = snd_pcm_open(&pcm, name.c_str(), stream, SND_PCM_NONBLOCK); error < 0)
        return Fail(error, std::string(DirectionName(direction)) + " device \"" + name + "\": cannot be opened (" +
                               snd_strerror(error) + ")");
    streams_[static_cast<size_t>(direction)] = std::make_unique<Stream>(*this, direction, name, pcm);
    return 0;
}

int32_t AlsaSoundBackend::CreateBuffer(SoundDirection direction, const SoundBufferDesc& desc)
{
    Stream* stream = StreamOf(direction);
    return stream ? stream->Configure(desc) : FailNotOpen(direction);
}

void AlsaSoundBackend::CloseDevice(SoundDirection direction)
{
    std::unique_ptr<Stream> stream = std::move(streams_[static_cast<size_t>(direction)]);
    if (!stream)
        return;
    stream->Stop();
    if (stream->Dispatching())
        retired_.push_back(std::move(stream));
}

void AlsaSoundBackend::ServePlayback()
{
    if (Stream* playback = StreamOf(SoundDirection::Playback))
        playback->ServeFromCapture();
}

void AlsaSoundBackend::DisposeRetiredStreams()
{
    std::erase_if(retired_, [](const std::unique_ptr<Stream>& stream) { return !stream->Dispatching(); });
}

int32_t AlsaSoundBackend::Start(SoundDirection direction)
{
    Stream* stream = StreamOf(direction);
    if (!stream)
        return FailNotOpen(direction);
    return stream->Start();
}

int32_t AlsaSoundBackend::Stop(SoundDirection direction)
{
    if (Stream* stream = StreamOf(direction))
        stream->Stop();
    return 0;
}

bool AlsaSoundBackend::IsRunning(SoundDirection direction)
{
    const Stream* stream = StreamOf(direction);
    return stream && stream->Running();
}

int32_t AlsaSoundBackend::SetVolume(int32_t hundredthsOfDecibel)
{
    if (hundredthsOfDecibel == volume_)
        return 0;
    volume_ = hundredthsOfDecibel;
    if (volume_ >= 0)
        gain_ = 1.0f;
    else if (volume_ <= SilenceFloor)
        gain_ = 0.0f;
    else
        gain_ = static_cast<float>(std::pow(10.0, volume_ / 2000.0));
    return 0;
}

int32_t AlsaSoundBackend::ReadBuffer(int32_t startByte, int32_t bytes, std::span<int16_t> destination)
{
    Stream* stream = StreamOf(SoundDirection::Capture);
    return stream ? stream->Read(startByte, bytes, destination) : FailNotOpen(SoundDirection::Capture);
}

void AlsaSoundBackend::SetPlaybackSource(PlaybackSource* source)
{
    source_ = source;
}

bool AlsaSoundBackend::PlaybackKeepsPace() const
{
    const Stream* stream = StreamOf(SoundDirection::Playback);
    return !stream || stream->Paced();
}

int32_t AlsaSoundBackend::PlaybackDeviceFrames() const
{
    const Stream* stream = StreamOf(SoundDirection::Playback);
    return stream ? stream->KeptFrames() : 0;
}

AlsaSoundBackend::Stream* AlsaSoundBackend::StreamOf(SoundDirection direction) const
{
    return streams_[static_cast<size_t>(direction)].get();
}

int32_t AlsaSoundBackend::Fail(int32_t error, const std::string& text)
{
    errorText_ = text;
    return error < 0 ? error : -EINVAL;
}

int32_t AlsaSoundBackend::FailNotOpen(SoundDirection direction)
{
    return Fail(-ENODEV, std::string(DirectionName(direction)) + " device: not open");
}
