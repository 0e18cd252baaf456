// The temporary recording file: Save gives it its final name, and a temporary file
// that no Save took (the program ended first) is kept under a name of its own.
#include "audio/clsWavFile.h"

#include "audio/WavDisk.h"
#include "audio/WavHeader.h"
#include "audio/WavLayout.h"
#include "core/BusyGuard.h"
#include "core/clsComDlg.h"
#include "core/frmLog.h"
#include "platform/AppPaths.h"
#include "platform/MessageBoxes.h"

#include <cmath>

namespace {

constexpr const char* WavExtension = ".wav";
constexpr int MaxRecoveredNameTries = 100;

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

QDateTime LocalTime(std::chrono::system_clock::time_point when)
{
    return QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count());
}

// What an open recording file holds: its layout, the tracks of its trailer (tracks -1
// without one: a program killed while it recorded leaves none) and its audio bytes, those
// between the header and the trailer, or the file's end where no trailer follows (a header
// never brought up to date counts no data). A file that is no WAV file sets layout.fault.
struct RecordedAudio
{
    WavLayout layout;
    std::vector<TrackLogRecord> log;
    int32_t tracks = -1;
    int64_t bytes = 0;
};

// Returns 0, or the system's error number where the file could not be read.
int ReadRecordedAudio(WavDisk& disk, int handle, RecordedAudio& audio)
{
    int64_t length = 0;
    if (const int error = disk.Length(handle, length))
        return error;
    if (const int error = WavLayout::Read(disk, handle, length, audio.layout))
        return error;
    if (audio.layout.fault != WavLayout::Fault::None)
        return 0;
    const int64_t trailer = TrackLogTrailer::Offset(audio.layout.DataOffset, audio.layout.DataSize, length);
    audio.tracks = TrackLogTrailer::Read(disk, handle, trailer, length, audio.log);
    audio.bytes = (audio.tracks >= 0 ? trailer : length) - audio.layout.DataOffset;
    return 0;
}

// When the first sample of the recording in an open file was recorded: the time of the
// first track in its trailer, less the audio before that track. Without a track the file's
// last write, less the audio the file holds: the recorder writes a block and its header
// together, so the last write ended the recording. (The file's birth time is no help: the
// temporary file of a recording given up is emptied and used again, and keeps the birth of
// the first.) Invalid when the file tells neither.
QDateTime FirstSampleTime(WavDisk& disk, int handle)
{
    RecordedAudio audio;
    if (ReadRecordedAudio(disk, handle, audio) != 0 || audio.layout.fault != WavLayout::Fault::None)
        return {};
    const WavLayout& layout = audio.layout;
    const double bytesPerSecond = static_cast<double>(layout.SamplingRate) * layout.NumChannels * layout.BitsPerSample / 8;
    if (bytesPerSecond <= 0)
        return {};
    const auto before = [&](const QDateTime& time, int64_t audioBytes) {
        return time.addMSecs(-std::llround(static_cast<double>(audioBytes) / bytesPerSecond * 1000));
    };
    if (audio.tracks > 0 && audio.log.front().T.isValid())
        return before(audio.log.front().T, audio.log.front().S - layout.DataOffset);
    std::chrono::system_clock::time_point modified;
    if (disk.Modified(handle, modified) != 0)
        return {};
    return before(LocalTime(modified), audio.bytes);
}

} // namespace

void clsWavFile::Save()
{
    if (saveBusy_)
        return;
    BusyGuard guard(saveBusy_);
    if (LastDirectory.empty())
        LastDirectory = AppPaths::ProgramFolder();
    if (statusOfMedia_ != MediaUnsaved)
        return;
    saveFailed_ = false;

    // A recording finished by an earlier Save (whose dialog was cancelled, or whose name
    // could not be taken) is complete already; one that could not be finished is tried again.
    if (!rec_.finished) {
        if (const int32_t error = FinishTempRecording()) {
            saveFailed_ = true;
            MessageBoxes::MsgBox("Unable to close temporary file " + TempFileName +
                                     "\n Please report this problem to QELVO\n Error Code=" + std::to_string(error),
                                 MessageBoxes::vbOKOnly);
            return;
        }
    }
    isRecording_ = false;
    PlayerMode(ModeStopped);
    isPaused_ = true;

    const std::string name = SaveFileName.empty() ? AskSaveName() : SaveFileName;
    if (name.empty()) {
        isPaused_ = false;  // nothing is open to pause: a new Record starts a recording
        return;
    }
    if (!MoveTempFileTo(name)) {
        saveFailed_ = true;
        return;
    }
    LastDirectory = FolderOf(name);
    SaveFileName = name;
    statusOfMedia_ = MediaSaved;
    isPaused_ = false;
    isRecording_ = false;
    rec_.inTempFile = false;
    rec_.finished = false;
}

// Closes the recording with its final header and trailer. A recording closed without
// them (by CloseFile, or by a Save that failed) is opened again for it.
int32_t clsWavFile::FinishTempRecording()
{
    if (!RecordingOpen()) {
        if (!rec_.inTempFile || handle_ >= 0)
            return ErrNoFileOpen;
        int handle = -1;
        if (const int error = CurrentWavDisk().Open(TempFileName, WavDisk::Access::ReadWriteExisting, handle))
            return error;
        handle_ = handle;
        fileIsRecording_ = true;
    }
    return CloseRecording();
}

std::string clsWavFile::AskSaveName()
{
    clsComDlg& dialog = ComDlg();
    dialog.AllowMultiSelect(false);
    dialog.DialogTitle("Select Filename to Save Recording");
    dialog.Directory(LastDirectory);
    dialog.FileName("untitled.wav");
    dialog.Extension("*.wav");
    dialog.Filter(WavFileFilter);
    dialog.ReadOnlyIsVisible(false);
    if (!dialog.ShowSave() || dialog.FileName().empty())
        return {};
    std::string name = dialog.FileName();
    if (name.find(WavExtension) == std::string::npos)
        name += WavExtension;
    return name;
}

bool clsWavFile::MoveTempFileTo(const std::string& name)
{
    WavDisk& disk = CurrentWavDisk();
    if (disk.Exists(name) && disk.Remove(name) != 0) {
        MessageBoxes::MsgBox("Unable to overwrite " + name + "\n Try a different filename", MessageBoxes::vbOKOnly);
        return false;
    }
    if (const int error = disk.Rename(TempFileName, name)) {
        MessageBoxes::MsgBox("Problem creating " + name + "\nSystem Reported Error Code " + std::to_string(error) +
                                 "\n" + WavDisk::Describe(error),
                             MessageBoxes::vbOKOnly);
        return false;
    }
    return true;
}

// At start-up: a recording that a program ended before Save left in the recordings
// folder (the folder of TempFileName) is kept under a name of its own; one read and shown
// to hold no sample (recorded while the receiver was off) is nothing to keep and is removed
// without a word. One that cannot be read is kept unread.
void clsWavFile::KeepLeftoverOfEarlierRun()
{
    WavDisk& disk = CurrentWavDisk();
    const std::string leftover = FolderOf(TempFileName) + "/" + TempFileLeafName;
    if (!disk.Exists(leftover))
        return;
    const LeftoverContent content = ReadLeftover(leftover);
    if (content != LeftoverContent::Empty)
        KeepLeftover(leftover, content == LeftoverContent::Audio);
    else if (const int error = disk.Remove(leftover))
        AddLog("clsWavFile.KeepLeftoverOfEarlierRun:Code=" + std::to_string(error) +
               " Description=" + WavDisk::Describe(error) + " File=" + leftover);
}

// Empty only where the file was read and holds no sample: no more than a header, or a WAV
// file without audio after its header (a killed program leaves a valid WAV file of every
// half it wrote). A file that is no WAV file but longer than a header is taken to hold
// audio; one that cannot be opened or read, for whatever reason, is Unreadable, never Empty,
// so that nothing is lost. (A trailer that cannot be read leaves the data running to the
// file's end, which holds audio.)
clsWavFile::LeftoverContent clsWavFile::ReadLeftover(const std::string& path)
{
    WavDisk& disk = CurrentWavDisk();
    int handle = -1;
    int error = disk.Open(path, WavDisk::Access::ReadOnly, handle);
    LeftoverContent content = LeftoverContent::Unreadable;
    if (error == 0) {
        int64_t length = 0;
        RecordedAudio audio;
        error = disk.Length(handle, length);
        if (error == 0 && length <= WavHeader::Size)
            content = LeftoverContent::Empty;
        else if (error == 0 && (error = ReadRecordedAudio(disk, handle, audio)) == 0)
            content = audio.layout.fault != WavLayout::Fault::None || audio.bytes > 0 ? LeftoverContent::Audio
                                                                                       : LeftoverContent::Empty;
        disk.Close(handle);
    }
    if (content == LeftoverContent::Unreadable)
        AddLog("clsWavFile.ReadLeftover:Code=" + std::to_string(error) + " Description=" + WavDisk::Describe(error) +
               " File=" + path + " (unreadable: kept, not removed)");
    return content;
}

// Moves a leftover temporary file within its folder to a name of the date and time it was
// recorded and tells where it went; a move needs no read, so a file that could not be read
// (readable False) is kept the same way. Returns 0 or the system's error number (the file
// then stays where it is, and the box says why).
int32_t clsWavFile::KeepLeftover(const std::string& path, bool readable)
{
    const std::string name = FreeRecoveredName(FolderOf(path), RecordedAt(path, readable));
    const int error = name.empty() ? EEXIST : CurrentWavDisk().Rename(path, name);
    if (error != 0) {
        AddLog("clsWavFile.KeepLeftover:Code=" + std::to_string(error) + " Description=" + WavDisk::Describe(error) +
               " File=" + path);
        MessageBoxes::MsgBox("An unsaved recording was found in " + path + "\nIt could not be moved: " +
                                 WavDisk::Describe(error) + " (Error Code=" + std::to_string(error) +
                                 ")\nMove or rename the file before recording again.",
                             MessageBoxes::vbOKOnly);
        return error;
    }
    AddLog("clsWavFile.KeepLeftover:Unsaved recording " + path + " kept as " + name);
    MessageBoxes::MsgBox("An unsaved recording was found in " + path + "\nIt has been kept as " + name,
                         MessageBoxes::vbOKOnly);
    return 0;
}

// When the leftover's recording began: from its contents where they tell, else from the
// file's last write (known without reading the file); the present moment only where neither can be had.
QDateTime clsWavFile::RecordedAt(const std::string& path, bool readable)
{
    WavDisk& disk = CurrentWavDisk();
    QDateTime start;
    int handle = -1;
    if (readable && disk.Open(path, WavDisk::Access::ReadOnly, handle) == 0) {
        start = FirstSampleTime(disk, handle);
        disk.Close(handle);
    }
    std::chrono::system_clock::time_point modified;
    if (!start.isValid() && disk.FileModified(path, modified) == 0)
        start = LocalTime(modified);
    return start.isValid() ? start : Now();
}

// "Recovered 2026-12-07 01.02.03.wav" in the folder, numbered when the name is taken.
std::string clsWavFile::FreeRecoveredName(const std::string& folder, const QDateTime& recorded)
{
    const std::string stem = folder + "/Recovered " + recorded.toString(QStringLiteral("yyyy-MM-dd HH.mm.ss")).toStdString();
    for (int n = 1; n <= MaxRecoveredNameTries; ++n) {
        const std::string name = stem + (n == 1 ? std::string() : " (" + std::to_string(n) + ")") + WavExtension;
        if (!CurrentWavDisk().Exists(name))
            return name;
    }
    return {};
}
