#pragma once

#include "audio/TrackLog.h"
#include "audio/clsWavFileEvents.h"

#include <QDateTime>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct WavLayout;

// Records the receiver's demodulated audio into a WAV file with a track log, and plays
// WAV files in place of the sound card's capture. The block loop calls AddSamples or
// GetNextSamples once per block; neither touches the disk: they raise
// WriteNextBlockToDisk or ReadNextBlockFromDisk, and the owner calls WriteToDisk or
// ReadFromDisk from a one-shot timer. A recording goes to TempFileName and gets its
// final name through Save.
//
// Properties read as Name() and are written as Name(value).
class clsWavFile
{
public:
    // PlayerMode values.
    static constexpr int32_t ModeClosed = 0, ModeRecording = 1, ModePlaying = 2, ModePaused = 3,
                             ModeStopped = 4, ModeReplayingRecording = 5;
    // StatusOfMedia values.
    static constexpr int32_t MediaNone = 0, MediaLoaded = 1, MediaUnsaved = 3, MediaSaved = 4;
    // Refusals.
    static constexpr int32_t ErrBusy = -32767, ErrRecordingOpen = -32766, ErrNoFileOpen = -32765,
                             ErrNotRecording = -32764, ErrPaused = -32763, ErrNoFullHalf = -32762,
                             ErrAddNotRecording = -32761, ErrNotRunning = -32760;

    static constexpr int32_t DefaultRecBlockSizeInSamples = 131072;
    static constexpr int32_t DefaultPlayBlockSizeInSamples = 32768;
    static constexpr int32_t DefaultSamplingRate = 48000;
    static constexpr int32_t MaxSamplingRate = 384000;
    static constexpr const char* TempFileLeafName = "~QELVOWAV.TMP";
    static constexpr const char* WavFileFilter = "Sound Files (*.wav)|*.wav";

    clsWavFile();
    ~clsWavFile();  // finishes an open recording (unsaved) and stores the settings
    clsWavFile(const clsWavFile&) = delete;
    clsWavFile& operator=(const clsWavFile&) = delete;

    // Fields.
    std::string LastDirectory;       // where the save dialog opens
    std::string SaveFileName;        // name of the saved recording; Save uses it when not empty
    int32_t LastTunedFrequency = 0;  // frequency of the open track record, tenths of a hertz
    std::string TempFileName;        // full path of the temporary recording file
    bool PlayEnd = false;            // playback ran out of data (distinct from the event)
    bool Looping = false;            // kept for the owner, never read here

    clsWavFileEvents Events;

    // Injected services: the clock of the track times and the tuned frequency that
    // OpenRecording logs (tenths of a hertz; 0 when not set).
    std::function<QDateTime()> Now = [] { return QDateTime::currentDateTime(); };
    std::function<int32_t()> TunedFrequency;

    // Properties.
    const std::string& FileShortName() const { return fileShortName_; }
    const std::string& FileName() const { return fileName_; }
    void FileName(const std::string& path) { fileName_ = path; }
    int32_t StatusOfMedia() const { return statusOfMedia_; }
    int32_t PlayerMode() const { return playerMode_; }
    void PlayerMode(int32_t mode);  // also remembers the mode it replaces, for Pause
    bool IsPlaying() const { return isPlaying_; }
    const std::string& Name() const { return name_; }
    void Name(const std::string& name) { name_ = name; }
    bool IsClosed() const { return isClosed_; }
    bool IsPaused() const { return isPaused_; }
    void IsPaused(bool paused) { isPaused_ = paused; }
    bool BufferFull() const { return bufferFull_; }
    int32_t NumSamples() const { return numSamples_; }
    void NumSamples(int32_t count) { numSamples_ = count; }
    int32_t FileSize() const { return fileSize_; }
    int32_t WavSamplingRate() const { return wavSamplingRate_; }
    void WavSamplingRate(int32_t rate) { wavSamplingRate_ = rate; }
    int32_t SamplesQueued() const { return samplesQueued_; }
    int32_t Decimator() const { return decimator_; }
    void Decimator(int32_t decimator);
    const std::string& RecordFileName() const { return recordFileName_; }
    void RecordFileName(const std::string& name) { recordFileName_ = name; }
    int32_t RecBlockSizeInSamples() const { return recBlockSize_; }
    void RecBlockSizeInSamples(int32_t samples);
    int32_t PlayBlockSizeInSamples() const { return playBlockSize_; }
    void PlayBlockSizeInSamples(int32_t samples);
    int32_t SamplingRate() const { return samplingRate_; }
    void SamplingRate(int32_t rate);
    int32_t BitsPerSample() const { return bitsPerSample_; }
    void BitsPerSample(int32_t bits);
    int32_t NumChannels() const { return 1; }
    void NumChannels(int32_t) {}  // recordings always have one channel
    bool IsRecording() const { return isRecording_; }
    void IsRecording(bool recording);  // True only takes while a recording file is open
    // Sample width of the file opened for playback (8 or 16), for the owner's durations.
    int32_t FileBitsPerSample() const { return 8 * play_.bytesPerSample; }

    // Recording.
    int32_t OpenRecording();
    int16_t AddSamples(const int16_t* Samples, int32_t n);
    int32_t WriteToDisk();
    int32_t CloseRecording();
    void Save();
    bool SaveFailed() const { return saveFailed_; }  // the last Save ended with one of its messages
    // The last OpenRecording failed because a recording left in the temporary file's place
    // could not be moved; its box named the file and why, and the file was left as it was.
    bool LeftoverInTheWay() const { return leftoverInTheWay_; }
    void Pause();
    void StopPlayer();
    int32_t CloseFile();
    std::string LoadMedia();
    void NewLogRecord(int32_t Frequency);
    int16_t UpdateWavHeader();
    void init();

    // Playback.
    int32_t OpenFile();
    int32_t Play();
    int32_t RecordPlayback();
    int32_t PlayRecording();
    void PlayFrom(int32_t Index);
    int32_t ReadFromDisk();
    int32_t GetNextSamples(int16_t* Samples, int16_t n);

private:
    struct Recording
    {
        std::vector<int16_t> buffer;     // two halves of RecBlockSizeInSamples
        std::vector<uint8_t> output;     // one decimated half, as written to the file
        std::vector<TrackLogRecord> log{TrackLogRecord{}};  // this recording's tracks, then one empty
        int32_t fillHalf = 0;
        int32_t fillOffset = 0;
        int32_t fullHalfStart = 0;
        int64_t writeOffset = 0;         // bytes in the file so far: where the next write goes
        int32_t samplesWritten = 0;      // the header's data size counts these
        int32_t loggedTracks = 0;        // tracks with a frequency: each adds an entry to the trailer
        int32_t bytesPerSample = 2;
        int32_t decimator = 1;
        int32_t wavSamplingRate = 0;     // the rate in this recording's header
        bool inTempFile = false;         // the temporary file holds this recording
        bool finished = false;           // ... with its final header and trailer
        bool writeFailed = false;        // a write failed: nothing after the gap may follow
    };

    struct Playback
    {
        std::vector<int16_t> buffer;     // two halves of halfLength file samples
        std::vector<uint8_t> readBytes;  // one half as read from the file
        int32_t factor = 1;              // output samples per file sample
        int32_t halfLength = 0;          // 0: nothing prepared
        int32_t bytesPerSample = 2;
        std::array<bool, 2> loaded{};
        std::array<bool, 2> holdsEnd{};  // the half holds the last data of the file
        std::array<int32_t, 2> count{};  // file samples in the half
        std::array<int64_t, 2> start{};  // file offset of the half's first sample
        int32_t fillHalf = 0;
        int32_t playHalf = 0;
        int32_t playOffset = 0;
        int32_t stuffPhase = 0;          // output index of the next file sample in the next block
        int64_t dataStart = 44;          // byte offset of the first sample (after a canonical header)
        int64_t readOffset = 0;          // where the next read starts
        int64_t dataEnd = 0;             // end of the playable data of a file
        bool fromRecording = false;      // playing back the recording being made
        bool endFlag = false;            // the last read reached the end of the data
        int32_t seekRequest = 0;         // 1-based position to jump to; 0: none
        int32_t numberOfTracks = 0;
    };

    // Recording helpers.
    bool RecordingOpen() const { return handle_ >= 0 && fileIsRecording_; }
    bool HasUnsavedRecording() const;
    int64_t FinalFileBytes(int64_t samplesQueued, int32_t tracks) const;
    bool WouldPassSizeLimit(int32_t n) const;
    void StopAtSizeLimit();
    bool ConfirmDiscardUnsaved();
    int32_t CreateTempFile(bool discardOld);
    int32_t AppendRecorded(int32_t start, int32_t count);
    int WriteRecordingHeader();
    void EndRecordingAfterWriteFailure(int32_t error);
    int32_t FlushRecorded();
    void ResetAfterRecordingClosed();
    int32_t FinishTempRecording();
    std::string AskSaveName();
    bool MoveTempFileTo(const std::string& name);
    // What a leftover temporary file holds, as far as it could be read.
    enum class LeftoverContent { Audio, Empty, Unreadable };
    void KeepLeftoverOfEarlierRun();
    LeftoverContent ReadLeftover(const std::string& path);
    int32_t KeepLeftover(const std::string& path, bool readable);
    QDateTime RecordedAt(const std::string& path, bool readable);
    std::string FreeRecoveredName(const std::string& folder, const QDateTime& recorded);
    void RestoreSettings();
    void StoreSettings();

    // Playback helpers.
    bool RefuseUnplayable(const std::string& reason);
    bool ReadLayout(int64_t length);
    bool AcceptLayout(const WavLayout& layout);
    void ReadTrackLog(int64_t trailerOffset, int64_t length);
    void PreparePlayBuffers(int32_t bytesPerSample);
    void ClearHalves();
    void ReleasePlayBuffers();
    int64_t PlayableEnd() const;
    bool ReadHalf(int32_t half);
    void EndPlaybackAfterReadError();
    void StartReadingAt(int64_t offset);
    bool FinishHalf();
    int64_t PositionOfPlayHalf() const;
    void SetModeUnremembered(int32_t mode) { playerMode_ = mode; }

    std::string fileShortName_;
    std::string fileName_;
    int32_t statusOfMedia_ = MediaNone;
    int32_t playerMode_ = ModeClosed;
    int32_t rememberedMode_ = ModeClosed;
    bool isPlaying_ = false;
    std::string name_ = "clsWavFile";
    bool isClosed_ = true;
    bool isPaused_ = false;
    bool bufferFull_ = false;
    int32_t numSamples_ = 0;
    int32_t fileSize_ = 0;
    int32_t wavSamplingRate_ = 0;
    int32_t samplesQueued_ = 0;
    int32_t decimator_ = 1;
    std::string recordFileName_;
    int32_t recBlockSize_ = DefaultRecBlockSizeInSamples;
    int32_t playBlockSize_ = DefaultPlayBlockSizeInSamples;
    int32_t samplingRate_ = DefaultSamplingRate;
    int32_t bitsPerSample_ = 16;
    bool isRecording_ = false;

    int handle_ = -1;                 // the open file, recording or playback
    bool fileIsRecording_ = false;
    Recording rec_;
    Playback play_;

    bool saveBusy_ = false;
    bool saveFailed_ = false;
    bool leftoverInTheWay_ = false;
    bool writeBusy_ = false;
    bool readBusy_ = false;
    bool getNextBusy_ = false;
};
