#include "audio/clsWavFile.h"

#include "audio/WavDisk.h"
#include "audio/WavHeader.h"
#include "core/BusyGuard.h"
#include "core/Numeric.h"
#include "core/RuntimeError.h"
#include "core/Settings.h"
#include "core/TryStep.h"
#include "core/clsComDlg.h"
#include "core/frmLog.h"
#include "dsp/QELVO.h"
#include "platform/AppPaths.h"
#include "platform/MessageBoxes.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int32_t SamplesPerBlock = 2048;          // the block loop's count per call
constexpr int32_t MaxBlockSizeInSamples = 1 << 24;  // keeps the buffers to a sane size
constexpr int64_t MaxFileBytes = INT32_MAX;         // positions and sizes are 32-bit signed
constexpr int32_t NewTrackDistance = 999;           // tenths of a hertz

bool IsValidBlockSize(int32_t samples)
{
    return samples > 0 && samples <= MaxBlockSizeInSamples && samples % SamplesPerBlock == 0;
}

bool IsValidDecimator(int32_t decimator)
{
    return decimator == 1 || decimator == 2 || decimator == 4 || decimator == 8 || decimator == 16;
}

std::string LeafOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void EncodeSample(int16_t sample, int32_t bytesPerSample, uint8_t* out)
{
    if (bytesPerSample == 1) {
        // 8-bit WAV samples are unsigned, centred on 128.
        out[0] = static_cast<uint8_t>((sample >> 8) + 128);
        return;
    }
    const auto bits = static_cast<uint16_t>(sample);
    out[0] = static_cast<uint8_t>(bits);
    out[1] = static_cast<uint8_t>(bits >> 8);
}

} // namespace

clsWavFile::clsWavFile()
    : LastDirectory(AppPaths::ProgramFolder()),
      TempFileName(AppPaths::ProgramFolder() + "/" + TempFileLeafName)
{
}

clsWavFile::~clsWavFile()
{
    TryStep([this] { CloseRecording(); });
    TryStep([this] { CloseFile(); });
    TryStep([this] { StoreSettings(); });
}

// ---- Properties -------------------------------------------------------------------------

void clsWavFile::PlayerMode(int32_t mode)
{
    rememberedMode_ = playerMode_;
    playerMode_ = mode;
}

void clsWavFile::IsRecording(bool recording)
{
    isRecording_ = recording && RecordingOpen() && !rec_.writeFailed;
}

// The recording's format cannot change under an open recording: its buffers and header
// follow the values taken at OpenRecording.
void clsWavFile::Decimator(int32_t decimator)
{
    if (RecordingOpen())
        return;
    decimator_ = IsValidDecimator(decimator) ? decimator : 1;
    wavSamplingRate_ = samplingRate_ / decimator_;
}

void clsWavFile::RecBlockSizeInSamples(int32_t samples)
{
    if (!RecordingOpen())
        recBlockSize_ = IsValidBlockSize(samples) ? samples : DefaultRecBlockSizeInSamples;
}

void clsWavFile::PlayBlockSizeInSamples(int32_t samples)
{
    playBlockSize_ = IsValidBlockSize(samples) ? samples : DefaultPlayBlockSizeInSamples;
}

void clsWavFile::SamplingRate(int32_t rate)
{
    if (!RecordingOpen())
        samplingRate_ = rate > 0 && rate <= MaxSamplingRate ? rate : DefaultSamplingRate;
}

void clsWavFile::BitsPerSample(int32_t bits)
{
    if (!RecordingOpen())
        bitsPerSample_ = bits == 8 ? 8 : 16;
}

// ---- Recording --------------------------------------------------------------------------

int32_t clsWavFile::OpenRecording()
{
    leftoverInTheWay_ = false;
    if (isRecording_)
        return ErrRecordingOpen;
    bool discardOld = false;
    if (HasUnsavedRecording()) {
        if (!ConfirmDiscardUnsaved())
            return ErrRecordingOpen;
        discardOld = statusOfMedia_ == MediaUnsaved;  // the user gave it up
    }
    CloseFile();

    // A file played at another rate must not leave its rate in this recording's header.
    wavSamplingRate_ = samplingRate_ / decimator_;
    rec_ = Recording{};
    rec_.decimator = decimator_;
    rec_.wavSamplingRate = wavSamplingRate_;
    rec_.bytesPerSample = bitsPerSample_ / 8;
    rec_.buffer.assign(static_cast<std::size_t>(2) * recBlockSize_, 0);
    rec_.output.assign(static_cast<std::size_t>(recBlockSize_ / decimator_) * rec_.bytesPerSample, 0);

    TrackLog = rec_.log;
    numSamples_ = fileSize_ = samplesQueued_ = 0;
    LastTunedFrequency = 0;
    Events.SamplesPlayed(0, 0);

    if (const int32_t error = CreateTempFile(discardOld))
        return error;

    isRecording_ = true;
    isClosed_ = false;
    isPaused_ = false;
    statusOfMedia_ = MediaUnsaved;
    SetModeUnremembered(ModeRecording);
    bufferFull_ = false;
    SaveFileName.clear();
    NewLogRecord(TunedFrequency ? TunedFrequency() : 0);
    return 0;
}

// Audio of this session's recording that Save has not yet given its name.
bool clsWavFile::HasUnsavedRecording() const
{
    return statusOfMedia_ == MediaUnsaved && rec_.inTempFile;
}

// The temporary file holds a recording that was never saved; a new recording would
// replace it, so the user decides first.
bool clsWavFile::ConfirmDiscardUnsaved()
{
    const int answer = MessageBoxes::MsgBox("Current Recording Not Saved\nDo you want to Save it ?",
                                            MessageBoxes::vbYesNo);
    if (answer != MessageBoxes::vbYes)
        return true;
    Save();
    return statusOfMedia_ != MediaUnsaved;
}

// A temporary file the user has not given up (left by a program that ended before Save)
// is kept under a name of its own, never deleted while it holds audio. Only a file read
// and shown to hold no sample, or this session's own recording that the user gave up
// (discardOld), once read, is removed: a file that cannot be read may be anything put in
// its place, and is kept unread. Where it cannot be moved either, it stays, the recorder's
// box says why, and no recording starts (LeftoverInTheWay).
int32_t clsWavFile::CreateTempFile(bool discardOld)
{
    WavDisk& disk = CurrentWavDisk();
    isRecording_ = false;
    if (disk.Exists(TempFileName)) {
        const LeftoverContent content = ReadLeftover(TempFileName);
        const bool remove = content == LeftoverContent::Empty || (discardOld && content == LeftoverContent::Audio);
        const int error =
            remove ? disk.Remove(TempFileName) : KeepLeftover(TempFileName, content == LeftoverContent::Audio);
        if (error != 0) {
            leftoverInTheWay_ = !remove;
            return error;
        }
    }
    int handle = -1;
    if (const int error = disk.Open(TempFileName, WavDisk::Access::CreateReadWrite, handle))
        return error;
    handle_ = handle;
    fileIsRecording_ = true;
    rec_.writeOffset = WavHeader::Size;
    if (const int error = WriteRecordingHeader()) {
        disk.Close(handle_);
        handle_ = -1;
        fileIsRecording_ = false;
        return error;
    }
    rec_.inTempFile = true;
    return 0;
}

int16_t clsWavFile::AddSamples(const int16_t* Samples, int32_t n)
{
    if (!isRecording_)
        return static_cast<int16_t>(ErrAddNotRecording);
    if (playerMode_ == ModePaused || playerMode_ == ModeStopped)
        return static_cast<int16_t>(ErrNotRunning);
    if (n <= 0)
        return 0;
    if (WouldPassSizeLimit(n)) {
        StopAtSizeLimit();
        return static_cast<int16_t>(ErrNotRunning);
    }

    bool halfFilled = false;
    for (int32_t done = 0; done < n;) {
        const int32_t chunk = std::min(n - done, recBlockSize_ - rec_.fillOffset);
        QELVO::Copy_16(Samples + done, rec_.buffer.data() + rec_.fillHalf * recBlockSize_ + rec_.fillOffset, chunk);
        rec_.fillOffset += chunk;
        done += chunk;
        if (rec_.fillOffset == recBlockSize_) {
            rec_.fullHalfStart = rec_.fillHalf * recBlockSize_;
            rec_.fillOffset = 0;
            rec_.fillHalf = 1 - rec_.fillHalf;
            bufferFull_ = true;
            halfFilled = true;
        }
    }
    samplesQueued_ += n;
    // Progress is reported on fifteen calls out of sixteen.
    if (samplesQueued_ % (16 * static_cast<int64_t>(n)) > 0)
        Events.SamplesPlayed(0, samplesQueued_ / rec_.decimator);
    if (halfFilled)
        Events.WriteNextBlockToDisk();
    return 0;
}

// The length of the finished file once every queued sample is written and the trailer
// holds the given number of tracks.
int64_t clsWavFile::FinalFileBytes(int64_t samplesQueued, int32_t tracks) const
{
    const int64_t dataBytes = (samplesQueued + rec_.decimator - 1) / rec_.decimator * rec_.bytesPerSample;
    return WavHeader::Size + dataBytes + static_cast<int64_t>(TrackLogTrailer::Marker.size()) +
           static_cast<int64_t>(tracks) * TrackLogTrailer::EntryBytes;
}

// Every queued sample is written in the end, so the bound is checked on what is queued:
// the sample counter and every byte offset of the file, trailer included, stay 32-bit.
bool clsWavFile::WouldPassSizeLimit(int32_t n) const
{
    const int64_t queued = static_cast<int64_t>(samplesQueued_) + n;
    return queued > INT32_MAX || FinalFileBytes(queued, rec_.loggedTracks) > MaxFileBytes;
}

void clsWavFile::StopAtSizeLimit()
{
    const int32_t error = CloseRecording();
    SetModeUnremembered(ModeStopped);
    isPaused_ = false;
    std::string message = "Recording stopped: " + TempFileName +
                          " has reached the largest size a WAV file can hold.\nSave the recording, then start a new one.";
    if (error != 0)
        message += "\nError Code=" + std::to_string(error);
    MessageBoxes::MsgBox(message, MessageBoxes::vbOKOnly);
}

int32_t clsWavFile::WriteToDisk()
{
    if (!isRecording_)
        return ErrNotRecording;
    if (isPaused_)
        return ErrPaused;
    if (writeBusy_)
        return ErrBusy;
    BusyGuard guard(writeBusy_);
    if (!bufferFull_)
        return ErrNoFullHalf;
    int32_t error = AppendRecorded(rec_.fullHalfStart, recBlockSize_);
    bufferFull_ = false;
    if (error == 0)
        error = WriteRecordingHeader();
    if (error != 0)
        EndRecordingAfterWriteFailure(error);
    return error;
}

// Decimates count samples of the double buffer from start (every Decimator-th sample,
// the first included, unfiltered) and appends them to the file. The caller then brings
// the header's sizes up to date, so that a program killed at any moment leaves a valid
// file of all the audio written.
int32_t clsWavFile::AppendRecorded(int32_t start, int32_t count)
{
    const int32_t decimator = rec_.decimator;
    const int32_t bytesPerSample = rec_.bytesPerSample;
    const int32_t outCount = (count + decimator - 1) / decimator;
    const int16_t* in = rec_.buffer.data() + start;
    uint8_t* out = rec_.output.data();
    if (decimator == 1 && bytesPerSample == 2 && std::endian::native == std::endian::little) {
        std::memcpy(out, in, static_cast<std::size_t>(outCount) * 2);  // already the file's byte order
    } else {
        for (int32_t i = 0; i < outCount; ++i)
            EncodeSample(in[i * decimator], bytesPerSample, out + i * bytesPerSample);
    }

    const int32_t bytes = outCount * bytesPerSample;
    if (const int error = CurrentWavDisk().WriteAt(handle_, rec_.writeOffset, out, bytes))
        return error;
    rec_.writeOffset += bytes;
    fileSize_ = static_cast<int32_t>(rec_.writeOffset);
    rec_.samplesWritten += outCount;
    numSamples_ = rec_.samplesWritten;
    return 0;
}

int clsWavFile::WriteRecordingHeader()
{
    const WavHeader::Bytes header =
        WavHeader::For(rec_.wavSamplingRate, 1, static_cast<int16_t>(8 * rec_.bytesPerSample), rec_.samplesWritten,
                       static_cast<int32_t>(rec_.writeOffset))
            .Encode();
    return CurrentWavDisk().WriteAt(handle_, 0, header.data(), WavHeader::Size);
}

// The audio after a failed write would follow a gap, so the recording ends here: the
// file keeps what was written (its header is up to date) and gets its trailer at Save.
void clsWavFile::EndRecordingAfterWriteFailure(int32_t error)
{
    rec_.writeFailed = true;
    bufferFull_ = false;
    rec_.fillOffset = 0;
    isRecording_ = false;
    isPaused_ = false;
    SetModeUnremembered(ModeStopped);
    AddLog("clsWavFile.WriteToDisk:Code=" + std::to_string(error) + " Description=" + WavDisk::Describe(error) +
           " File=" + TempFileName);
    MessageBoxes::MsgBox("Recording stopped: unable to write to " + TempFileName + "\n" + WavDisk::Describe(error) +
                             " (Error Code=" + std::to_string(error) + ")\nThe audio recorded until then is kept: "
                             "save it, then make room on the disk before recording again.",
                         MessageBoxes::vbOKOnly);
}

// Writes what is still in memory: the full half that waits for its write, then the
// partly filled half. What a failed write could not take stays in memory for the next
// try, unless a write during the recording failed already.
int32_t clsWavFile::FlushRecorded()
{
    if (rec_.writeFailed) {
        bufferFull_ = false;
        rec_.fillOffset = 0;
        return 0;
    }
    if (bufferFull_) {
        if (const int32_t error = AppendRecorded(rec_.fullHalfStart, recBlockSize_))
            return error;
        bufferFull_ = false;
    }
    if (rec_.fillOffset > 0) {
        if (const int32_t error = AppendRecorded(rec_.fillHalf * recBlockSize_, rec_.fillOffset))
            return error;
        rec_.fillOffset = 0;
    }
    return 0;
}

int32_t clsWavFile::CloseRecording()
{
    if (!RecordingOpen())
        return ErrNoFileOpen;
    const int32_t flushError = FlushRecorded();
    // After a failed flush the header still counts what was written; the trailer waits.
    const int32_t headerError = flushError == 0 ? UpdateWavHeader() : WriteRecordingHeader();
    const int32_t error = flushError != 0 ? flushError : headerError;
    const int32_t closeError = CurrentWavDisk().Close(handle_);
    handle_ = -1;
    fileIsRecording_ = false;
    rec_.finished = error == 0 && closeError == 0;
    ResetAfterRecordingClosed();
    return closeError != 0 ? closeError : error;
}

void clsWavFile::ResetAfterRecordingClosed()
{
    if (play_.fromRecording)
        ReleasePlayBuffers();
    TrackLog.assign(1, TrackLogRecord{});
    if (!bufferFull_ && rec_.fillOffset == 0) {  // else kept for the next Save
        rec_.buffer = {};
        rec_.output = {};
    }
    numSamples_ = fileSize_ = samplesQueued_ = 0;
    isClosed_ = true;
    isRecording_ = false;
    isPaused_ = false;
}

void clsWavFile::NewLogRecord(int32_t Frequency)
{
    if (std::llabs(static_cast<int64_t>(Frequency) - LastTunedFrequency) <= NewTrackDistance || !isRecording_)
        return;
    const int32_t tracks = rec_.loggedTracks + (Frequency > 0 ? 1 : 0);
    if (FinalFileBytes(samplesQueued_, tracks) > MaxFileBytes)
        return;  // no room left in the file for one more entry: the track goes on
    // The byte offset at which the samples queued so far will end once decimated and written.
    const auto start = static_cast<int32_t>(
        std::floor(static_cast<double>(samplesQueued_) / rec_.decimator * rec_.bytesPerSample + 44.5));
    std::vector<TrackLogRecord>& log = rec_.log;
    const std::size_t i = log.size() - 1;
    log.back() = TrackLogRecord{Now(), Frequency, start, 0};
    log.emplace_back();
    if (i > 0)
        log[i - 1].E = start;
    rec_.loggedTracks = tracks;
    LastTunedFrequency = Frequency;
    TrackLog = log;
}

// Ends the last track at the end of the data, then writes the header with the final
// sizes and the trailer right after the data; anything a failed write left beyond the
// trailer is cut off. Can be repeated until it succeeds.
int16_t clsWavFile::UpdateWavHeader()
{
    if (!RecordingOpen())
        return static_cast<int16_t>(ErrNoFileOpen);
    WavDisk& disk = CurrentWavDisk();
    if (rec_.log.size() > 1)
        rec_.log[rec_.log.size() - 2].E = static_cast<int32_t>(rec_.writeOffset + 1);
    const std::vector<uint8_t> trailer = TrackLogTrailer::Encode(rec_.log);
    if (const int error = WriteRecordingHeader())
        return static_cast<int16_t>(error);
    if (const int error = disk.WriteAt(handle_, rec_.writeOffset, trailer.data(), static_cast<int32_t>(trailer.size())))
        return static_cast<int16_t>(error);
    return static_cast<int16_t>(disk.Truncate(handle_, rec_.writeOffset + static_cast<int64_t>(trailer.size())));
}

void clsWavFile::Pause()
{
    if (playerMode_ != ModePaused) {
        PlayerMode(ModePaused);
        isPaused_ = true;
    } else {
        PlayerMode(rememberedMode_);
        isPaused_ = false;
    }
}

void clsWavFile::StopPlayer()
{
    SetModeUnremembered(ModeStopped);
    isPaused_ = false;
}

int32_t clsWavFile::CloseFile()
{
    if (handle_ >= 0) {
        const int error = CurrentWavDisk().Close(handle_);
        handle_ = -1;
        fileIsRecording_ = false;
        if (error != 0) {
            PlayerMode(ModeClosed);
            return error;
        }
        recordFileName_.clear();
        numSamples_ = 0;
        SetModeUnremembered(ModeClosed);
    } else {
        PlayerMode(ModeClosed);
    }
    ReleasePlayBuffers();
    rec_.buffer = {};
    rec_.output = {};
    rec_.fillOffset = 0;
    bufferFull_ = false;
    isClosed_ = true;
    isRecording_ = false;
    isPaused_ = false;
    isPlaying_ = false;
    return 0;
}

std::string clsWavFile::LoadMedia()
{
    clsComDlg& dialog = ComDlg();
    dialog.AllowMultiSelect(false);
    dialog.DialogTitle("Select Filename");
    dialog.RestoreCurDir(true);
    dialog.ExistFlags(clsComDlg::OFN_PATHMUSTEXIST);
    dialog.FileName("*.wav");
    dialog.Extension("*.wav");
    dialog.Filter(WavFileFilter);
    dialog.ReadOnlyIsVisible(false);
    if (!dialog.ShowOpen() || dialog.FileName().empty())
        return {};
    const std::string path = dialog.FileName();
    statusOfMedia_ = MediaLoaded;
    PlayerMode(ModeStopped);
    fileShortName_ = LeafOf(path);
    fileName_ = path;
    return path;
}

// ---- Settings ---------------------------------------------------------------------------

void clsWavFile::init()
{
    try {
        RestoreSettings();
    } catch (const RuntimeError&) {
        // A value that is not a number ends the restore; the remaining keys keep their values.
    }
    if (!HasUnsavedRecording())
        KeepLeftoverOfEarlierRun();
}

void clsWavFile::RestoreSettings()
{
    auto number = [this](const char* key, int32_t current) {
        return Numeric::CLng(std::string_view(Settings::GetSetting(name_, key, Numeric::Str(int64_t{current}))));
    };
    RecBlockSizeInSamples(number("RecBlockSizeInSamples", recBlockSize_));
    SamplingRate(number("SamplingRate", samplingRate_));
    WavSamplingRate(number("WavSamplingRate", samplingRate_));
    BitsPerSample(number("BitsPerSample", bitsPerSample_));
    NumChannels(number("NumChannels", 1));
    LastDirectory = Settings::GetSetting(name_, "LastDirectory", LastDirectory);
    Decimator(number("Decimator", decimator_));
}

void clsWavFile::StoreSettings()
{
    auto store = [this](const char* key, int32_t value) { Settings::SaveSetting(name_, key, Numeric::Str(int64_t{value})); };
    store("RecBlockSizeInSamples", recBlockSize_);
    store("Decimator", decimator_);
    store("WavSamplingRate", wavSamplingRate_);
    store("SamplingRate", samplingRate_);
    store("BitsPerSample", bitsPerSample_);
    Settings::SaveSetting(name_, "LastDirectory", LastDirectory);
    Settings::SaveSetting(name_, "RecordFileName", recordFileName_);
}
