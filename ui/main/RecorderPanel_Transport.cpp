// The recorder's transport bar: Record, Play, Pause, Stop, Next, Prev, Loop, Open, Save
// and Close. Each action leaves the buttons in the pattern that belongs to it.
#include "ui/main/RecorderPanel.h"

#include "audio/WavDisk.h"
#include "audio/clsWavFile.h"
#include "core/MainWindowValues.h"
#include "core/TryStep.h"
#include "core/clsComDlg.h"
#include "dsp/ReceiveState.h"
#include "platform/AppPaths.h"
#include "platform/MessageBoxes.h"
#include "ui/common/FormControls.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/common/Shape.h"
#include "ui/main/PanelHub.h"
#include "ui/main/frmRecordFileError.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPointer>

#include <cerrno>
#include <cstring>

namespace {

enum WavButton { Record, Play, Pause, Stop, Next, Prev, Loop, Open, Save, Close, WavButtons };

constexpr uint32_t ActiveColour = 0x0000FF;                            // red
constexpr uint32_t ButtonFace = FormUnits::SystemColourFlag | 15;
constexpr uint32_t RecordingOptionsColour = 0xC0C000;
constexpr uint32_t ClosedOptionsColour = 0xFFFF00;
const QString InUseAdvice = "\n Another application may be using the file\nClose the file in the other application";

QString FileErrorMessage(const char* what, const std::string& file)
{
    return what + QString::fromStdString(file) + InUseAdvice;
}

// The system's reason comes with the advice that fits it: a folder the user may not write
// to (read-only, or a program folder under /usr) needs another recordings folder.
QString CreateErrorMessage(const std::string& file, int32_t error)
{
    QString message = "Unable to Create Temporary File " + QString::fromStdString(file);
    message += "\n " + QString::fromStdString(WavDisk::Describe(error)) + " (Error Code=" + QString::number(error) + ")";
    if (error == EACCES || error == EPERM || error == EROFS)
        return message + "\nChoose a folder you can write to with Config, \"Set Save Recordings Path\"";
    return message + InUseAdvice;
}

}   // namespace

void RecorderPanel::cmdWavCtls_Click(int Index)
{
    TryStep([this] { picWavCtlsOffFocus->setFocus(); });
    if (transportBusy_ || !WavFile)
        return;
    // The window may be closed while an action waits for the error dialog.
    const QPointer<QObject> alive(this);
    transportBusy_ = true;
    TryStep([&] { RunTransportAction(Index); });
    if (alive)
        transportBusy_ = false;
}

void RecorderPanel::RunTransportAction(int Index)
{
    switch (Index) {
    case Record: RecordAction(); break;
    case Play: PlayAction(); break;
    case Pause: PauseAction(); break;
    case Stop: StopAction(); break;
    case Next: TryStep([this] { StepTrackAction(1); }); break;
    case Prev: TryStep([this] { StepTrackAction(-1); }); break;
    case WavButton::Loop: LoopAction(); break;
    case Open: OpenAction(); break;
    case Save: SaveAction(); break;
    case Close: CloseAction(); break;
    default: break;
    }
}

// Play is offered only while there is something to play (a recording or an open file).
void RecorderPanel::SetTransportPattern(const char* pattern)
{
    for (int index = 0; index < WavButtons && index < static_cast<int>(std::strlen(pattern)); ++index)
        cmdWavCtls[index]->setEnabled(pattern[index] == '1');
    if (!SomethingToPlay())
        cmdWavCtls[Play]->setEnabled(false);
}

bool RecorderPanel::SomethingToPlay() const
{
    return WavFile->IsRecording() || WavFile->PlayerMode() != clsWavFile::ModeClosed;
}

QString RecorderPanel::TransportPattern() const
{
    QString pattern;
    for (QAbstractButton* button : cmdWavCtls)
        pattern += button->isEnabled() ? '1' : '0';
    return pattern;
}

// A recording that is open (paused or stopped) goes on; otherwise a new one starts in the
// temporary file of the recordings folder. The recorder asks first when that would
// replace a recording not yet saved; a user who keeps it starts nothing. A recording left
// in the temporary file's place that cannot be moved stays there and nothing starts: the
// recorder's box has named the file, why, and what to do, so no second box follows.
void RecorderPanel::RecordAction()
{
    bool resumed = false;
    TryStep([&] {
        if (!WavFile->IsPaused() && !WavFile->IsRecording())
            return;
        WavFile->IsRecording(true);
        // A recording whose file is no longer open (a Save that could not rename it) cannot
        // go on: a new one starts instead.
        resumed = WavFile->IsRecording();
        if (resumed) {
            WavFile->IsPaused(false);
            WavFile->PlayerMode(clsWavFile::ModeRecording);
        }
    });
    if (!resumed) {
        int32_t result = 0;
        TryStep([&] {
            WavFile->TempFileName = SaveRecordingsPath + "/" + clsWavFile::TempFileLeafName;
            result = WavFile->OpenRecording();
        });
        if (result == clsWavFile::ErrRecordingOpen || (result != 0 && WavFile->LeftoverInTheWay()))
            return;
        if (result != 0) {
            frmRecordFileError::ShowAndWait(CreateErrorMessage(WavFile->TempFileName, result), picRecorder->window());
            return;
        }
        txtRecordFileName->clear();
    }
    SetRecordingOptionsColour(RecordingOptionsColour);
    SetTransportPattern("0111000011");
}

void RecorderPanel::PlayAction()
{
    if (!SomethingToPlay()) {
        cmdWavCtls[Play]->setEnabled(false);   // nothing to play: the receiver stays as it is
        return;
    }
    if (WavFile->IsRecording()) {
        TryStep([this] { WavFile->RecordPlayback(); });
        TryStep([this] { WavFile->PlayRecording(); });
        TryStep([this] { SelectRateOptionFor(WavFile->WavSamplingRate()); });
        SetTransportPattern("0111000011");
    } else {
        SetTransportPattern("0111111101");
        TryStep([this] { WavFile->Play(); });
    }
    TryStep([this] { hub_.SelectPower(0); });
}

void RecorderPanel::PauseAction()
{
    TryStep([this] { WavFile->Pause(); });
    FormControls::SetBackColour(cmdWavCtls[Pause], WavFile->IsPaused() ? ActiveColour : ButtonFace);
}

// Power off first: the receiver stops taking blocks, then the recorder stops.
void RecorderPanel::StopAction()
{
    TryStep([this] { hub_.SelectPower(1); });
    SetTransportPattern(WavFile->IsRecording() ? "1111000011" : "1111111111");
    TryStep([this] { WavFile->StopPlayer(); });
    FormControls::SetBackColour(cmdWavCtls[Pause], ButtonFace);
}

void RecorderPanel::LoopAction()
{
    WavFile->Looping = !WavFile->Looping;
    FormControls::SetBackColour(cmdWavCtls[WavButton::Loop], WavFile->Looping ? ActiveColour : ButtonFace);
    if (!WavFile->Looping)
        shpLooping->hide();
}

// Whether or not a file was chosen, the track panel is shown: a file chosen before stays.
void RecorderPanel::OpenAction()
{
    TryStep([this] {
        ComDlg().Directory(SaveRecordingsPath);
        WavFile->LoadMedia();
    });
    if (!WavFile->FileName().empty()) {
        txtRecordFileName->setText(QString::fromStdString(WavFile->FileShortName()));
        TryStep([this] { WavFile->OpenFile(); });
        TryStep([this] { SelectRateOptionFor(WavFile->WavSamplingRate()); });
    }
    TryStep([this] { ShowTrackPanel(); });
    SetTransportPattern("1111111101");
}

// A Save that failed or whose dialog was cancelled stays on offer: pressed again (once the
// cause is gone: space freed, another name), it saves the whole recording; while a cause
// lasts it says so again.
void RecorderPanel::SaveAction()
{
    const int32_t mode = WavFile->PlayerMode();
    bool unsaved = false;
    if (mode == clsWavFile::ModeRecording || mode == clsWavFile::ModePaused || mode == clsWavFile::ModeStopped) {
        TryStep([this] { WavFile->Save(); });
        unsaved = WavFile->StatusOfMedia() == clsWavFile::MediaUnsaved;
    }
    txtRecordFileName->clear();
    lblRecordTime->clear();
    lblRecordSize->clear();
    SetTransportPattern(unsaved ? "1111111111" : "1111111101");
}

// The one question before an unsaved recording is closed; a file that cannot be closed
// leaves everything as it was. A Save asked for that fails closes nothing: what it could
// not write is still in memory, and Save stays on offer.
void RecorderPanel::CloseAction()
{
    if (WavFile->StatusOfMedia() == clsWavFile::MediaUnsaved &&
        MessageBoxes::MsgBox("Current Recording Not Saved\nDo you want to Save it ?", MessageBoxes::vbYesNo,
                             AppPaths::ApplicationTitle) == MessageBoxes::vbYes) {
        TryStep([this] { WavFile->Save(); });
        if (WavFile->SaveFailed()) {
            cmdWavCtls[Save]->setEnabled(true);
            return;
        }
    }
    picRecorderTrackList->hide();
    // The message names the file being closed when no record file name was given.
    const std::string closing = !WavFile->RecordFileName().empty() ? WavFile->RecordFileName()
                                : WavFile->StatusOfMedia() == clsWavFile::MediaLoaded ? WavFile->FileName()
                                                                                      : WavFile->TempFileName;
    int32_t result = 0;
    TryStep([&] { result = WavFile->CloseFile(); });
    if (result != 0) {
        if (frmRecordFileError::ShowAndWait(FileErrorMessage("Unable to Close ", closing), picRecorder->window()))
            cmdWavCtls[Pause]->setFocus();
        return;
    }
    txtRecordFileName->clear();
    lblRecordTime->clear();
    lblRecordSize->clear();
    WavFile->IsPaused(false);
    SetRecordingOptionsColour(ClosedOptionsColour);
    SetTransportPattern("1000000100");
}

void RecorderPanel::SetRecordingOptionsColour(uint32_t colour)
{
    optionsColour_ = colour;
    RestoreOptionsColour();
}

void RecorderPanel::RestoreOptionsColour()
{
    if (!optionsColour_)
        return;
    for (QAbstractButton* option : optRecordSamplePerBit)
        FormControls::SetForeColour(option, *optionsColour_);
    for (QAbstractButton* option : optRecordSampleRate)
        FormControls::SetForeColour(option, *optionsColour_);
    FormControls::SetForeColour(frRecordSampling, *optionsColour_);
    FormControls::SetForeColour(frRecordBitsPerSample, *optionsColour_);
}

// The rate option of a file's rate (48000 "48K" down to 3000 "3k"); other rates select
// none. The option's click decides whether the choice holds.
void RecorderPanel::SelectRateOptionFor(int32_t samplesPerSecond)
{
    for (int option = 0; option < optRecordSampleRate.Count(); ++option) {
        if (samplesPerSecond == ReceiveSampleRate >> option) {
            optRecordSampleRate.Select(option);
            return;
        }
    }
}
