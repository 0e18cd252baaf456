// Playback: opening a WAV file, its track log, the read double buffer, zero-stuffing,
// track jumps and the end of the data.
#include "audio/clsWavFile.h"

#include "audio/WavDisk.h"
#include "audio/WavLayout.h"
#include "core/BusyGuard.h"
#include "dsp/QELVO.h"
#include "platform/MessageBoxes.h"

#include <algorithm>
#include <climits>

namespace {

int16_t DecodeSample(const uint8_t* in, int32_t bytesPerSample)
{
    if (bytesPerSample == 1)
        return static_cast<int16_t>((in[0] - 128) * 256);
    return static_cast<int16_t>(in[0] | (in[1] << 8));
}

} // namespace

int32_t clsWavFile::OpenFile()
{
    CloseFile();
    numSamples_ = fileSize_ = samplesQueued_ = 0;
    PlayEnd = false;

    WavDisk& disk = CurrentWavDisk();
    int handle = -1;
    if (const int error = disk.Open(fileName_, WavDisk::Access::ReadOnly, handle)) {
        isRecording_ = false;
        const std::string why = error == WavDisk::NotRegularFile
                                    ? "It is not a file on a disk (a pipe, a device or a folder cannot be played)."
                                    : WavDisk::Describe(error);
        MessageBoxes::MsgBox("Unable to open " + fileName_ + "\n" + why, MessageBoxes::vbOKOnly);
        return error;
    }
    handle_ = handle;
    fileIsRecording_ = false;

    int64_t length = 0;
    if (const int error = disk.Length(handle_, length)) {
        RefuseUnplayable(WavDisk::Describe(error));
        return error;
    }
    if (!ReadLayout(length))
        return 0;

    play_.readOffset = play_.dataStart;
    Events.CatalogueLoaded(play_.numberOfTracks);
    ClearHalves();
    SetModeUnremembered(ModeStopped);
    statusOfMedia_ = MediaLoaded;
    return fileSize_;
}

// Closes the file and tells the user why it cannot be played. Returns false.
bool clsWavFile::RefuseUnplayable(const std::string& reason)
{
    CloseFile();
    MessageBoxes::MsgBox("Unable to play " + fileName_ + "\n" + reason +
                             "\nChoose a mono WAV file of 16-bit or 8-bit PCM samples at up to " +
                             std::to_string(samplingRate_) + " samples per second.",
                         MessageBoxes::vbOKOnly);
    return false;
}

// Finds the format and the data by walking the file's chunks, checks them, prepares the
// play buffers and reads the track log. Returns false when the file was refused (and closed).
bool clsWavFile::ReadLayout(int64_t length)
{
    if (length > INT32_MAX)
        return RefuseUnplayable("The file is larger than 2147483647 bytes.");
    WavLayout layout;
    if (const int error = WavLayout::Read(CurrentWavDisk(), handle_, length, layout))
        return RefuseUnplayable(WavDisk::Describe(error));
    if (!AcceptLayout(layout))
        return false;

    wavSamplingRate_ = layout.SamplingRate;
    fileSize_ = static_cast<int32_t>(length);
    play_ = Playback{};
    play_.factor = samplingRate_ / layout.SamplingRate;
    play_.dataStart = layout.DataOffset;
    play_.dataEnd = length;
    PreparePlayBuffers(layout.BitsPerSample / 8);

    // The data ends where its chunk says. A data size of 0 is left by a recorder that
    // ended before its header was finished: then the data runs to the end of the file,
    // unless a track log follows the header at once (an empty recording). A size beyond
    // the file (a cut copy) plays what there is.
    const int64_t dataSize = layout.DataSize;
    if (dataSize > 0 && play_.dataStart + dataSize <= length)
        play_.dataEnd = play_.dataStart + dataSize;
    ReadTrackLog(TrackLogTrailer::Offset(play_.dataStart, dataSize, length), length);
    return true;
}

// A file that is no WAV file at all is one the player cannot open; one whose format it
// does not play is refused with what it holds.
bool clsWavFile::AcceptLayout(const WavLayout& layout)
{
    switch (layout.fault) {
    case WavLayout::Fault::None:
        break;
    case WavLayout::Fault::NotWave:
        CloseFile();
        MessageBoxes::MsgBox("Unable to open " + fileName_ + "\nIt is not a WAV file: it does not begin with RIFF and WAVE.",
                             MessageBoxes::vbOKOnly);
        return false;
    case WavLayout::Fault::NoFormat:
        return RefuseUnplayable("It has no format chunk before its data.");
    case WavLayout::Fault::FormatSize:
        return RefuseUnplayable("Its format chunk has " + std::to_string(layout.FormatSize) +
                                " bytes; 16, 18 or 40 are understood.");
    case WavLayout::Fault::NoData:
        return RefuseUnplayable("No data chunk was found in it.");
    }
    if (layout.SamplingRate <= 0 || layout.SamplingRate > samplingRate_)
        return RefuseUnplayable("Its sampling rate of " + std::to_string(layout.SamplingRate) +
                                " samples per second is not supported.");
    if (layout.FormatTag != 1 || layout.NumChannels != 1 || (layout.BitsPerSample != 8 && layout.BitsPerSample != 16))
        return RefuseUnplayable("It holds " + std::to_string(layout.NumChannels) + " channel(s) of " +
                                std::to_string(layout.BitsPerSample) + "-bit samples in format " +
                                std::to_string(layout.FormatTag) + ".");
    return true;
}

// A track log follows the data only when the data size leaves room for it and the bytes
// there begin with the marker; the data then ends where the trailer begins.
void clsWavFile::ReadTrackLog(int64_t trailerOffset, int64_t length)
{
    TrackLog.assign(1, TrackLogRecord{});
    play_.numberOfTracks = 0;
    const int32_t tracks = TrackLogTrailer::Read(CurrentWavDisk(), handle_, trailerOffset, length, TrackLog);
    if (tracks < 0)
        return;
    play_.numberOfTracks = tracks;
    play_.dataEnd = trailerOffset;
}

void clsWavFile::PreparePlayBuffers(int32_t bytesPerSample)
{
    play_.bytesPerSample = bytesPerSample;
    play_.halfLength = std::max(1, playBlockSize_ / play_.factor);
    play_.buffer.assign(static_cast<std::size_t>(2) * play_.halfLength, 0);
    play_.readBytes.assign(static_cast<std::size_t>(play_.halfLength) * bytesPerSample, 0);
    ClearHalves();
}

void clsWavFile::ClearHalves()
{
    play_.loaded = {};
    play_.holdsEnd = {};
    play_.count = {};
    play_.fillHalf = play_.playHalf = play_.playOffset = play_.stuffPhase = 0;
}

void clsWavFile::ReleasePlayBuffers()
{
    play_ = Playback{};
}

int64_t clsWavFile::PlayableEnd() const
{
    return play_.fromRecording ? rec_.writeOffset : play_.dataEnd;
}

int32_t clsWavFile::Play()
{
    if (playerMode_ == ModeClosed || handle_ < 0 || play_.halfLength == 0)
        return 0;
    SetModeUnremembered(ModePlaying);
    play_.endFlag = play_.holdsEnd[0] || play_.holdsEnd[1];
    PlayEnd = false;
    ReadFromDisk();
    return fileSize_;
}

// Prepares the replay of the recording being made. The replay has its own read position
// and buffers: the recording's write position, counts and track offsets stay as they are.
int32_t clsWavFile::RecordPlayback()
{
    if (isPlaying_ || !RecordingOpen())
        return 0;
    isPaused_ = false;
    numSamples_ = 0;
    PlayEnd = false;
    play_ = Playback{};
    play_.fromRecording = true;
    play_.factor = std::max(1, samplingRate_ / std::max(1, rec_.wavSamplingRate));
    PreparePlayBuffers(rec_.bytesPerSample);
    play_.readOffset = play_.dataStart;
    SetModeUnremembered(ModeReplayingRecording);
    ReadFromDisk();
    return fileSize_;
}

int32_t clsWavFile::PlayRecording()
{
    if (!play_.fromRecording || !RecordingOpen())
        return 0;
    SetModeUnremembered(ModeReplayingRecording);
    play_.endFlag = play_.holdsEnd[0] || play_.holdsEnd[1];
    PlayEnd = false;
    ReadFromDisk();
    return fileSize_;
}

void clsWavFile::PlayFrom(int32_t Index)
{
    if (playerMode_ != ModePlaying)
        return;
    const int32_t tracks = static_cast<int32_t>(TrackLog.size()) - 1;  // the last element is empty
    if (Index < 0 || Index >= tracks)
        return;
    const int32_t start = TrackLog[Index].S;
    if (start < play_.dataStart || start >= PlayableEnd())
        return;
    play_.seekRequest = start + 1;
    numSamples_ = start + 1;
}

// Fills every half that is free, so that playback stays one half ahead of the block loop.
int32_t clsWavFile::ReadFromDisk()
{
    if (readBusy_)
        return 0;
    BusyGuard guard(readBusy_);
    if (handle_ < 0 || play_.halfLength == 0)
        return 0;
    while (!play_.endFlag && !play_.loaded[play_.fillHalf]) {
        if (!ReadHalf(play_.fillHalf))
            return 0;
        play_.fillHalf = 1 - play_.fillHalf;
    }
    return 0;
}

bool clsWavFile::ReadHalf(int32_t half)
{
    const int32_t bytesPerSample = play_.bytesPerSample;
    const int64_t available = std::max<int64_t>(0, PlayableEnd() - play_.readOffset) / bytesPerSample * bytesPerSample;
    const auto wanted = static_cast<int32_t>(std::min<int64_t>(play_.readBytes.size(), available));
    int32_t got = 0;
    if (wanted > 0) {
        if (CurrentWavDisk().ReadAt(handle_, play_.readOffset, play_.readBytes.data(), wanted, got) != 0) {
            EndPlaybackAfterReadError();
            return false;
        }
    }
    const int32_t samples = got / bytesPerSample;
    int16_t* out = play_.buffer.data() + half * play_.halfLength;
    for (int32_t i = 0; i < samples; ++i)
        out[i] = DecodeSample(play_.readBytes.data() + i * bytesPerSample, bytesPerSample);
    QELVO::Zero_16(out + samples, play_.halfLength - samples);

    play_.count[half] = samples;
    play_.start[half] = play_.readOffset;
    play_.loaded[half] = true;
    play_.holdsEnd[half] = false;
    play_.readOffset += static_cast<int64_t>(samples) * bytesPerSample;
    // A stray byte after the last whole sample is no sample: the data ends before it.
    if (PlayableEnd() - play_.readOffset < bytesPerSample || got < wanted) {
        play_.holdsEnd[half] = true;
        play_.endFlag = true;
        play_.readOffset = play_.dataStart;  // the next Play starts from the beginning
    }
    return true;
}

void clsWavFile::EndPlaybackAfterReadError()
{
    play_.endFlag = true;
    PlayEnd = true;
    if (!play_.fromRecording) {  // the recording itself must stay open
        CurrentWavDisk().Close(handle_);
        handle_ = -1;
    }
    SetModeUnremembered(ModeStopped);
}

void clsWavFile::StartReadingAt(int64_t offset)
{
    const int32_t bytesPerSample = play_.bytesPerSample;
    play_.readOffset = play_.dataStart + (offset - play_.dataStart) / bytesPerSample * bytesPerSample;
    ClearHalves();
    play_.endFlag = false;
    ReadFromDisk();
}

// Where the half now played begins in the file; for a half not read yet (or none, at the
// end) that is where the next read begins.
int64_t clsWavFile::PositionOfPlayHalf() const
{
    return play_.loaded[play_.playHalf] ? play_.start[play_.playHalf] : play_.readOffset;
}

// The half being played is used up: frees it and moves to the other one. Returns true
// when that half held the end of the data.
bool clsWavFile::FinishHalf()
{
    const int32_t half = play_.playHalf;
    const bool last = play_.holdsEnd[half];
    play_.loaded[half] = false;
    play_.holdsEnd[half] = false;
    play_.count[half] = 0;
    play_.playOffset = 0;
    play_.playHalf = 1 - half;
    if (last)
        PlayEnd = true;
    return last;
}

int32_t clsWavFile::GetNextSamples(int16_t* Samples, int16_t n)
{
    if (getNextBusy_ || n <= 0)
        return 0;
    BusyGuard guard(getNextBusy_);
    QELVO::Zero_16(Samples, n);
    if ((playerMode_ != ModePlaying && playerMode_ != ModeReplayingRecording) || PlayEnd)
        return ErrNotRunning;
    if (play_.seekRequest != 0) {
        StartReadingAt(play_.seekRequest - 1);
        play_.seekRequest = 0;
    }

    // Zero-stuffing: every factor-th output sample is a file sample, the others stay 0.
    // The phase carries over to the next block when n is not a multiple of the factor.
    const int32_t factor = play_.factor;
    int32_t consumed = 0;
    bool switched = false;
    int32_t k = play_.stuffPhase;
    while (k < n && !PlayEnd && play_.loaded[play_.playHalf]) {
        const int32_t half = play_.playHalf;
        if (play_.playOffset < play_.count[half]) {
            Samples[k] = play_.buffer[half * play_.halfLength + play_.playOffset];
            ++play_.playOffset;
            ++consumed;
            k += factor;
        }
        if (play_.playOffset >= play_.count[half]) {
            FinishHalf();
            switched = true;
        }
    }
    play_.stuffPhase = k >= n ? k - n : 0;

    // The count wraps like the rest of the integer arithmetic: a looped file plays for days.
    numSamples_ = static_cast<int32_t>(static_cast<uint32_t>(numSamples_) + static_cast<uint32_t>(consumed));
    const int32_t perBlock = std::max(1, n / factor);
    if (numSamples_ % (16 * perBlock) > 0)
        Events.SamplesPlayed(0, numSamples_);
    if (switched)
        Events.DiskRead(static_cast<int32_t>(PositionOfPlayHalf() + 1));
    if (PlayEnd) {
        play_.readOffset = play_.dataStart;
        SetModeUnremembered(ModeStopped);
        ClearHalves();
        Events.PlayEnd();
        if (PlayEnd)
            return 0;
    }
    // A half used up, even in the middle of the block, is refilled at once: the other
    // half must never run out before it is.
    if (switched)
        Events.ReadNextBlockFromDisk();
    return 0;
}
