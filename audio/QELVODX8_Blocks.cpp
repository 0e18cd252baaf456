#include "audio/QELVODX8.h"

#include "core/frmLog.h"
#include "dsp/QELVO.h"
#include "platform/MessageBoxes.h"

// The block flow: each capture notification's block split into the window's channel arrays,
// the processed blocks queued in the staging ring and handed on to the playback bridge, and
// what the bridge met traced.
namespace {

constexpr const char* UnknownChannelsText = "Unknown Number of channels, only Mono or Stereo allowed";
constexpr int32_t ErrSubscriptOutOfRange = 9;

// Interleaved frames of two 16-bit samples to two arrays, and back.
void DeInterlace_16_2(const int16_t* frames, int16_t* first, int16_t* second, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        first[i] = frames[2 * i];
        second[i] = frames[2 * i + 1];
    }
}

void Interlace_16_2(const int16_t* first, const int16_t* second, int16_t* frames, int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        frames[2 * i] = first[i];
        frames[2 * i + 1] = second[i];
    }
}

int64_t Milliseconds(int64_t frames, int32_t samplesPerSecond)
{
    return samplesPerSecond > 0 ? frames * 1000 / samplesPerSecond : 0;
}

} // namespace

bool QELVODX8::EventHandler(int32_t eventid, std::span<int16_t> Channel1, std::span<int16_t> Channel2)
{
    if (eventid == 0)   // released tables hold one empty entry
        return false;
    for (const PositionNotify& entry : captureNotify_) {
        if (entry.EventId == eventid) {
            CapturePath(entry.Offset, Channel1, Channel2);
            return true;
        }
    }
    for (const PositionNotify& entry : playbackNotify_) {
        if (entry.EventId == eventid) {
            PlaybackPath();
            return false;
        }
    }
    return false;
}

void QELVODX8::CapturePath(int32_t offset, std::span<int16_t> Channel1, std::span<int16_t> Channel2)
{
    const auto samples = static_cast<size_t>(samplesPerEvent_);
    if (Channel1.size() < samples || Channel2.size() < samples) {
        DropNotification("Capture", ErrSubscriptOutOfRange, "the channel arrays are shorter than a block");
        return;
    }
    if (const int32_t error = backend_.ReadBuffer(offset - captureBlockBytes_ + 1, captureBlockBytes_, captureBlock_);
        error != 0) {
        DropNotification("ReadBuffer", error, backend_.ErrorText());
        return;
    }
    Capture(Channel1, Channel2);
    const uint32_t epoch = epoch_;
    emit DataReady(Channel1, Channel2, samplesPerEvent_);
    // Stopped, released or restarted inside DataReady: this block no longer counts.
    if (epoch_ != epoch)
        return;
    FeedPlayback();
    if (outDelay_ > 0) {
        if (--outDelay_ <= 0)
            StartPlayback();
    } else if (PlaybackStalled()) {
        RestartStalledPlayback();
    }
}

void QELVODX8::Capture(std::span<int16_t> Channel1, std::span<int16_t> Channel2)
{
    if (noChannelsIn_ != 1 && noChannelsIn_ != 2) {
        UnknownChannels();
        return;
    }
    const auto samples = static_cast<size_t>(samplesPerEvent_);
    if (Channel1.size() < samples || Channel2.size() < samples ||
        captureBlock_.size() < samples * static_cast<size_t>(noChannelsIn_)) {
        DropNotification("Capture", ErrSubscriptOutOfRange, "the block does not fit the arrays");
        return;
    }
    if (noChannelsIn_ == 1) {
        QELVO::Copy_16(captureBlock_.data(), Channel1.data(), samplesPerEvent_);
        QELVO::Copy_16(captureBlock_.data(), Channel2.data(), samplesPerEvent_);
    } else {
        DeInterlace_16_2(captureBlock_.data(), Channel1.data(), Channel2.data(), samplesPerEvent_);
    }
}

// The blocks queued in the staging ring go on into the bridge, which the device empties,
// each announced by DataOut first; each position handed on is cleared, so that one read
// again before Output refills it yields silence.
void QELVODX8::FeedPlayback()
{
    const int32_t blockSamples = playbackBlockBytes_ / 2;
    while (blocksQueued_ > 0) {
        const uint32_t epoch = epoch_;
        emit DataOut(outBuffer_, readPos_, playbackBlockBytes_);
        if (epoch_ != epoch)
            return;
        if (static_cast<size_t>(readPos_) + static_cast<size_t>(blockSamples) > outBuffer_.size()) {
            DropNotification("FeedPlayback", ErrSubscriptOutOfRange, "the block lies outside the staging ring");
            return;
        }
        bridge_.Push({outBuffer_.data() + readPos_, static_cast<size_t>(blockSamples)});
        QELVO::Zero_16(outBuffer_.data() + readPos_, blockSamples);
        --blocksQueued_;
        AdvanceRingPosition(readPos_, outBufferReadPtrWrap_);
    }
    TracePlaybackEvents();
}

// What the device met since the last block: silence played for want of sound, sound left out
// to bring the delay back after a long hold-up, sound left out because the device took too
// little to make room for it, or the captured sound the device began to take too late to play.
void QELVODX8::TracePlaybackEvents()
{
    const PlaybackBridge::Events events = bridge_.TakeEvents();
    if (events.SilentFrames > 0)
        AddLog("QELVODX8.EventHandler:Playback had no sound for " + std::to_string(Milliseconds(events.SilentFrames, fSampling_)) +
               " ms, silence played");
    if (events.TrimmedFrames > 0)
        AddLog("QELVODX8.EventHandler:Playback " + std::to_string(Milliseconds(events.TrimmedFrames, fSampling_)) +
               " ms behind capture after a hold-up, that much sound dropped");
    if (events.DroppedFrames > 0)
        AddLog("QELVODX8.EventHandler:Playback buffer full (the device takes too little), " +
               std::to_string(Milliseconds(events.DroppedFrames, fSampling_)) + " ms of sound dropped");
    if (events.LateStartFrames > 0)
        AddLog("QELVODX8.EventHandler:Playback began " + std::to_string(Milliseconds(events.LateStartFrames, fSampling_)) +
               " ms behind capture and starts with the newest sound, at its delay");
}

void QELVODX8::DropOldestBlocks(int32_t blocks)
{
    for (int32_t k = 0; k < blocks && blocksQueued_ > 0; ++k) {
        QELVO::Zero_16(outBuffer_.data() + readPos_, playbackBlockBytes_ / 2);
        --blocksQueued_;
        AdvanceRingPosition(readPos_, outBufferReadPtrWrap_);
    }
}

void QELVODX8::Output(std::span<const int16_t> Channel1, std::span<const int16_t> Channel2, int32_t)
{
    if (noChannelsOut_ != 1 && noChannelsOut_ != 2) {
        UnknownChannels();
        return;
    }
    const auto samples = static_cast<size_t>(samplesPerEvent_);
    const size_t blockSamples = samples * static_cast<size_t>(noChannelsOut_);
    if (Channel1.size() < samples || (noChannelsOut_ == 2 && Channel2.size() < samples) ||
        static_cast<size_t>(writePos_) + blockSamples > outBuffer_.size()) {
        DropNotification("Output", ErrSubscriptOutOfRange, "the block does not fit the staging ring");
        return;
    }
    // The ring is full only while playback takes nothing: the oldest block makes room.
    if (blocksQueued_ >= RingBlocks()) {
        if (!lateSpell_)
            AddLog("QELVODX8.Output:Playback takes no blocks, the oldest queued block dropped");
        lateSpell_ = true;
        DropOldestBlocks(1);
    }
    int16_t* destination = outBuffer_.data() + writePos_;
    if (noChannelsOut_ == 1)
        QELVO::Copy_16(Channel1.data(), destination, samplesPerEvent_);
    else
        Interlace_16_2(Channel1.data(), Channel2.data(), destination, samplesPerEvent_);
    ++blocksQueued_;
    AdvanceRingPosition(writePos_, outBufferWritePtrWrap_);
}

// Positions step by the playback block's size in bytes and return to 0 at the ring's end.
void QELVODX8::AdvanceRingPosition(int32_t& position, bool& wrapped) const
{
    position += playbackBlockBytes_;
    wrapped = false;
    if (static_cast<size_t>(position) >= outBuffer_.size() - 1) {
        position = 0;
        wrapped = true;
    }
}

int32_t QELVODX8::RingBlocks() const
{
    const auto upper = static_cast<int32_t>(outBuffer_.size() - 1);
    return playbackBlockBytes_ > 0 ? (upper + playbackBlockBytes_ - 1) / playbackBlockBytes_ : 0;
}

void QELVODX8::UnknownChannels()
{
    lastErr_ = ErrUnknownChannels;
    MessageBoxes::MsgBox(UnknownChannelsText, MessageBoxes::vbOKOnly);
}

void QELVODX8::DropNotification(const std::string& what, int32_t error, const std::string& why)
{
    lastErr_ = error;
    AddLog("QELVODX8.EventHandler:" + what + " failed, block dropped: Code=" + std::to_string(error) +
           " Description=" + why);
}
