#include "platform/AlsaSoundBackendStream.h"

#include <algorithm>
#include <cerrno>
#include <cmath>

// The feeding of one playback PCM: the room the device has is filled from the owner's
// source, a paced device with sound or silence, one that keeps no pace with what is queued.

using AlsaSound::BytesPerSample;

// The playback part of a wake-up. A device that ran dry meanwhile is refilled before it
// starts again. True when anything moved.
bool AlsaSoundBackend::Stream::ServeDevice()
{
    bool progressed = FeedDevice();
    if (ranDry_ && running_ && !closeRequested_) {
        ranDry_ = false;
        progressed = FeedDevice() || progressed;
    }
    if (pcm_ && !closeRequested_)
        StartIfPrepared();
    return progressed;
}

// Writes until the device's room is full (one that keeps no pace always has room: it takes
// everything queued), a block at a time; each block's worth taken is signalled. Stops early
// when the stream is stopped from a notification or ran dry.
bool AlsaSoundBackend::Stream::FeedDevice()
{
    bool progressed = false;
    while (!ranDry_ && !closeRequested_) {
        const snd_pcm_sframes_t room = snd_pcm_avail_update(pcm_);
        if (room < 0) {
            PlaybackRanDry(static_cast<int>(room));
            return true;
        }
        if (room - WritePending() <= 0 || !pending_.empty())
            break;
        const snd_pcm_uframes_t frames = TakeFromSource(std::min(static_cast<snd_pcm_uframes_t>(room), blockFrames_));
        if (frames == 0)
            break;
        progressed = true;
        if (!WriteFrames(scratch_.data(), frames))
            break;
        CountPlayed(frames);
    }
    return progressed;
}

// Up to the given frames into scratch_, scaled by the volume; the frames given.
snd_pcm_uframes_t AlsaSoundBackend::Stream::TakeFromSource(snd_pcm_uframes_t frames)
{
    const size_t samples = frames * static_cast<size_t>(channels_);
    const std::span<int16_t> destination(scratch_.data(), samples);
    PlaybackSource* source = owner_.source_;
    size_t given = samples;
    if (!source)
        std::fill(destination.begin(), destination.end(), int16_t{0});
    else if (paced_)
        source->Fill(destination);
    else
        given = source->Take(destination);
    ApplyGain(given);
    return given / static_cast<size_t>(channels_);
}

void AlsaSoundBackend::Stream::ApplyGain(size_t samples)
{
    const float gain = owner_.gain_;
    if (gain == 1.0f)
        return;
    for (size_t i = 0; i < samples; ++i) {
        const float scaled = std::nearbyint(static_cast<float>(scratch_[i]) * gain);
        scratch_[i] = static_cast<int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
    }
}

// False when the frames could not all go in now: the device ran dry (they are lost in the
// gap), failed, or had less room than it said (the rest is kept and written first at the
// next wake-up).
bool AlsaSoundBackend::Stream::WriteFrames(const int16_t* samples, snd_pcm_uframes_t frames)
{
    while (frames > 0) {
        const snd_pcm_sframes_t written = snd_pcm_writei(pcm_, samples, frames);
        if (written == -EPIPE || written == -ESTRPIPE) {
            PlaybackRanDry(static_cast<int>(written));
            return false;
        }
        if (written == -EAGAIN || written == 0) {
            pending_.assign(samples, samples + frames * static_cast<snd_pcm_uframes_t>(channels_));
            return false;
        }
        if (written < 0) {
            Fail(static_cast<int>(written), "cannot take the sound");
            DeviceFailed(static_cast<int>(written), "AlsaSoundBackend.WriteFrames:" + owner_.ErrorText() + ", stopped");
            return false;
        }
        samples += written * channels_;
        frames -= static_cast<snd_pcm_uframes_t>(written);
    }
    return true;
}

// Writes what was kept back; the frames of room it took.
snd_pcm_sframes_t AlsaSoundBackend::Stream::WritePending()
{
    if (pending_.empty())
        return 0;
    const auto frames = static_cast<snd_pcm_uframes_t>(pending_.size() / static_cast<size_t>(channels_));
    const snd_pcm_sframes_t written = snd_pcm_writei(pcm_, pending_.data(), frames);
    if (written <= 0)
        return 0;
    pending_.erase(pending_.begin(), pending_.begin() + written * channels_);
    CountPlayed(static_cast<snd_pcm_uframes_t>(written));
    return written;
}

// One notification for each whole block's worth the device has taken.
void AlsaSoundBackend::Stream::CountPlayed(snd_pcm_uframes_t frames)
{
    playedFrames_ += frames;
    while (playedFrames_ >= blockFrames_ && !closeRequested_) {
        playedFrames_ -= blockFrames_;
        const int32_t start = position_;
        position_ = (position_ + blockBytes_) % bufferBytes_;
        owner_.NotifyBlock(SoundDirection::Playback, start, blockBytes_);
    }
}

// The device played everything it had (the whole process was held up): it is prepared
// afresh and refilled before it starts again, and the source waits for its reserve, so
// the gap lasts only as long as the hold-up did.
void AlsaSoundBackend::Stream::PlaybackRanDry(int error)
{
    const std::string what = "AlsaSoundBackend.PlaybackRanDry:Playback underrun on " + Describe() + " (" + snd_strerror(error) + ")";
    pending_.clear();
    const int result = snd_pcm_recover(pcm_, error, 1);
    if (result < 0) {
        Fail(result, "cannot be restarted");
        DeviceFailed(result, what + ", cannot be restarted (" + snd_strerror(result) + "), stopped");
        return;
    }
    ranDry_ = true;
    if (owner_.source_)
        owner_.source_->DeviceRanDry();
    owner_.Trace(what + ", silence played");
}
