// The recorder bar, the recorder's events, its recording options and the record file name
// field. The recorder raises its events inside the block loop; the disk work they ask for
// runs from one-shot timers after the block loop has returned.
#include "ui/main/RecorderPanel.h"

#include "audio/clsWavFile.h"
#include "core/BusyGuard.h"
#include "core/MainWindowValues.h"
#include "core/NumberFormat.h"
#include "core/Numeric.h"
#include "core/PublicVars.h"
#include "core/TryStep.h"
#include "dsp/ReceiveState.h"
#include "platform/AppPaths.h"
#include "radio/HardwareObjects.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/common/Shape.h"
#include "ui/main/PanelBuilder.h"
#include "ui/main/PanelHub.h"
#include "ui/main/RecorderTime.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>

#include <cmath>

using namespace PanelBuilder;

namespace {

constexpr int ReadDelayMs = 4;
constexpr int WriteDelayMs = 2;
constexpr int RateOptions = 5;   // 48K, 24K, 12K, 6K, 3k: Decimator 1, 2, 4, 8, 16

// The recorder's buttons: left edges in twips (a wider gap before Open), tool tips and
// pictures.
struct WavButton
{
    int left;
    const char* toolTip;
    QStyle::StandardPixmap picture;
};
constexpr WavButton WavButtons[10] = {
    {60, "Record", QStyle::SP_DialogNoButton},           {370, "Play", QStyle::SP_MediaPlay},
    {680, "Pause", QStyle::SP_MediaPause},               {990, "Stop", QStyle::SP_MediaStop},
    {1300, "Next Track", QStyle::SP_MediaSkipForward},   {1610, "Previous Track", QStyle::SP_MediaSkipBackward},
    {1920, "Continuous Looping Playback", QStyle::SP_BrowserReload},
    {2400, "Load Wav File", QStyle::SP_DirOpenIcon},     {2760, "Save Recording", QStyle::SP_DialogSaveButton},
    {3120, "Close Recorder", QStyle::SP_DialogCloseButton}};

// The tick of a disk timer: disarms it and does the disk work under its busy flag. A tick
// that comes while a block is being processed (the block loop lets window messages run
// when it is slow) comes again once the block is done: the disk never waits in the loop.
template <typename Work>
void RunDiskTick(QTimer& timer, int delayMs, bool& busy, bool blockLoopBusy, Work work)
{
    if (busy)
        return;
    if (blockLoopBusy) {
        timer.start(delayMs);
        return;
    }
    BusyGuard guard(busy);
    timer.stop();
    TryStep(work);
}

}   // namespace

// The bar and the bit-depth buttons beside it.
RecorderPanel::RecorderPanel(QWidget* form, int barTop, PanelHub& hub)
    : hub_(hub)
{
    picRecorder = Make<PictureBox>(form, "picRecorder", {60, barTop, 9570, 480});
    picRecorder->SetBackColor(0x303030);
    cmdWavCtls = ButtonArray(picRecorder, "cmdWavCtls", ButtonArray::Kind::Command, 10);
    for (int index = 0; index < 10; ++index) {
        QAbstractButton* button = cmdWavCtls[index];
        button->setToolTip(WavButtons[index].toolTip);
        button->setIcon(QApplication::style()->standardIcon(WavButtons[index].picture));
        FormControls::Place(button, WavButtons[index].left, 90, 300, 300);
        button->setEnabled(index == 0 || index == 7);
    }
    picWavCtlsOffFocus = Make<PictureBox>(picRecorder, "picWavCtlsOffFocus", {3450, 90, 15, 15});
    picWavCtlsOffFocus->setFocusPolicy(Qt::StrongFocus);
    txtRecordFileName = Make<QLineEdit>(picRecorder, "txtRecordFileName", {3510, 90, 1110, 300});
    txtRecordFileName->setToolTip("Filename for recording");
    txtRecordFileName->setReadOnly(true);
    // A name longer than the field shows its start, where the names differ.
    connect(txtRecordFileName, &QLineEdit::textChanged, txtRecordFileName, [field = txtRecordFileName] {
        if (!field->hasFocus())
            field->setCursorPosition(0);
    });
    shpLooping = Make<Shape>(picRecorder, "shpLooping", {2010, 30, 90, 90});
    shpLooping->SetFillStyle(0);
    shpLooping->SetFillColor(0x0000FF);
    shpLooping->hide();

    // Each rate's caption a blank clear of the next rate's button and of the frame.
    frRecordSampling = MakeFrame(picRecorder, "frRecordSampling", "Rate", {4680, 0, 3135, 480});
    optRecordSampleRate = MakeArray(frRecordSampling, "optRecordSampleRate", ButtonArray::Kind::Option,
                                    {{"48K", "", {60, 210, 660, 240}},
                                     {"24K", "", {720, 210, 660, 240}},
                                     {"12K", "", {1380, 210, 660, 240}},
                                     {"6K", "", {2040, 210, 555, 240}},
                                     {"3k", "", {2595, 210, 480, 240}}});
    // The recording's time above its size and the megabytes an hour takes.
    lblRecordTime = MakeLabel(picRecorder, "lblRecordTime", "00:00:00", {7860, 45, 1680, 195});
    lblRecordSize = MakeLabel(picRecorder, "lblRecordSize", "000,000,000", {7860, 255, 975, 195});
    lblRecordMBytesPerHr = MakeLabel(picRecorder, "lblRecordMBytesPerHr", "120", {8910, 255, 630, 195});
    lblRecordMBytesPerHr->setToolTip("MBytes per hour");

    frRecordBitsPerSample = MakeFrame(form, "frRecordBitsPerSample", "Bits", {9660, barTop - 15, 1125, 495});
    optRecordSamplePerBit = MakeArray(frRecordBitsPerSample, "optRecordSamplePerBit", ButtonArray::Kind::Option,
                                      {{"16", "", {60, 210, 600, 240}}, {"8", "", {660, 210, 405, 240}}});
}

RecorderPanel::~RecorderPanel() = default;

void RecorderPanel::CreateWavFile()
{
    WavFile = std::make_unique<clsWavFile>();
    WavFile->Name("WavFile");
    WavFile->SamplingRate(ReceiveSampleRate);
    // The program folder until the stored recordings folder is restored with the settings.
    SaveRecordingsPath = AppPaths::ProgramFolder();
    WavFile->LastDirectory = SaveRecordingsPath;
    WavFile->TempFileName = WavFile->LastDirectory + "/~QELVOTMP.WAV";
    // A recording's first track is logged on the frequency tuned when it starts.
    WavFile->TunedFrequency = [] { return VFO ? VFO->TunedFrequency() : 0; };
}

void RecorderPanel::ApplyColours()
{
    const auto focusColour = static_cast<uint32_t>(PublicVars::SDRColourSchemes.ScrollableLabelFocusColour);
    FormControls::SetForeColour(lblRecordSize, focusColour);
    FormControls::SetForeColour(lblRecordTime, focusColour);
}

// The record file name field runs its handler when it loses the keyboard focus.
bool RecorderPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txtRecordFileName && event->type() == QEvent::FocusOut)
        txtRecordFileName_LostFocus();
    return QObject::eventFilter(watched, event);
}

// The recorder's events and the handlers of its controls; then the options take the
// recorder's stored rate and width, and the bar offers Record and Open only.
void RecorderPanel::ConnectRecorder()
{
    if (!WavFile)
        return;
    tmrPlaybackRead.setSingleShot(true);
    tmrRecorderWrite.setSingleShot(true);
    connect(&tmrPlaybackRead, &QTimer::timeout, this, &RecorderPanel::tmrPlaybackRead_Timer);
    connect(&tmrRecorderWrite, &QTimer::timeout, this, &RecorderPanel::tmrRecorderWrite_Timer);
    clsWavFileEvents* events = &WavFile->Events;
    connect(events, &clsWavFileEvents::ReadNextBlockFromDisk, this, [this] { tmrPlaybackRead.start(ReadDelayMs); });
    connect(events, &clsWavFileEvents::WriteNextBlockToDisk, this, [this] { tmrRecorderWrite.start(WriteDelayMs); });
    connect(events, &clsWavFileEvents::PlayEnd, this, &RecorderPanel::WavFile_PlayEnd);
    connect(events, &clsWavFileEvents::CatalogueLoaded, this, &RecorderPanel::WavFile_CatalogueLoaded);
    connect(events, &clsWavFileEvents::DiskRead, this, &RecorderPanel::WavFile_DiskRead);
    connect(events, &clsWavFileEvents::SamplesPlayed, this, &RecorderPanel::WavFile_SamplesPlayed);

    optRecordSampleRate.OnClick([this](int index) { optRecordSampleRate_Click(index); });
    optRecordSamplePerBit.OnClick([this](int index) { optRecordSamplePerBit_Click(index); });
    cmdWavCtls.OnClick([this](int index) { cmdWavCtls_Click(index); });
    // A line chosen by code or keys; a click, also on the line already selected, is the
    // user's choice of that track.
    connect(lstRecordingLogs, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && QApplication::mouseButtons() == Qt::NoButton)
            lstRecordingLogs_Click();
    });
    connect(lstRecordingLogs, &QListWidget::itemClicked, this, [this] { lstRecordingLogs_Click(); });
    txtRecordFileName->installEventFilter(this);

    SelectRecorderOptions();
    SetTransportPattern("1000000100");
    txtRecordFileName->clear();
    txtRecordFileName->setReadOnly(true);
}

void RecorderPanel::SelectRecorderOptions()
{
    optRecordSamplePerBit.Select(WavFile->BitsPerSample() == 8 ? 1 : 0);
    const int32_t decimator = WavFile->Decimator();
    const int rateOption = decimator >= 1 && decimator <= 16 ? Numeric::CLng(std::log2(decimator)) : 0;
    optRecordSampleRate.Select(rateOption);
}

// One shot: the disk read the recorder asked for.
void RecorderPanel::tmrPlaybackRead_Timer()
{
    RunDiskTick(tmrPlaybackRead, ReadDelayMs, playbackReadBusy_, hub_.BlockLoopBusy(), [this] { WavFile->ReadFromDisk(); });
}

// One shot: the disk write of a full half-buffer. A write that fails has ended the
// recording and the recorder has told the user; what was written is kept, so the bar
// offers what can still be done with it: save, close, or record anew (which asks first).
void RecorderPanel::tmrRecorderWrite_Timer()
{
    RunDiskTick(tmrRecorderWrite, WriteDelayMs, recorderWriteBusy_, hub_.BlockLoopBusy(), [this] {
        if (!WavFile->BufferFull() || WavFile->IsPaused())
            return;
        if (WavFile->WriteToDisk() > 0 && !WavFile->IsRecording())
            SetTransportPattern("1000000011");
    });
}

// The end of a played file: the first track again when looping, else the bar's Stop.
void RecorderPanel::WavFile_PlayEnd()
{
    TryStep([this] {
        if (WavFile->Looping) {
            SelectTrackLine(0);
            cmdWavCtls_Click(1);
        } else {
            cmdWavCtls_Click(3);
        }
    });
    TryStep([this] { WavFile->NumSamples(0); });
}

void RecorderPanel::WavFile_SamplesPlayed(int32_t /*CurrentTrack*/, int32_t NumSamples)
{
    TryStep([&] { lblRecordSize->setText(QString::fromStdString(Format(NumSamples, "#,##0"))); });
    TryStep([&] {
        const int32_t rate = WavFile->WavSamplingRate();
        if (rate > 0)
            lblRecordTime->setText(
                RecorderTime::FormatDuration(static_cast<float>(NumSamples) / static_cast<float>(rate)));
    });
}

// The recording rate can change only while no recording is open; otherwise the option
// chosen before is selected again.
void RecorderPanel::optRecordSampleRate_Click(int Index)
{
    if (sampleRateOptionBusy_)
        return;
    BusyGuard guard(sampleRateOptionBusy_);
    if (!WavFile || Index < 0 || Index >= RateOptions)
        return;
    if (!WavFile->IsClosed()) {
        optRecordSampleRate.Select(rememberedSampleRateOption_);
        return;
    }
    WavFile->Decimator(1 << Index);
    // One hour at two bytes per sample, in units of 1048576 bytes.
    const double megabytes = Numeric::Int(WavFile->WavSamplingRate() * 7200.0 / 1048576.0 + 0.5);
    lblRecordMBytesPerHr->setText(QString::number(static_cast<int64_t>(megabytes)));
    rememberedSampleRateOption_ = Index;
}

void RecorderPanel::optRecordSamplePerBit_Click(int Index)
{
    if (bitsOptionBusy_)
        return;
    BusyGuard guard(bitsOptionBusy_);
    if (!WavFile || Index < 0 || Index > 1)
        return;
    if (!WavFile->IsClosed()) {
        optRecordSamplePerBit.Select(rememberedBitsOption_);
        return;
    }
    WavFile->BitsPerSample(Index == 0 ? 16 : 8);
    rememberedBitsOption_ = Index;
}

// The field's text takes the place of the file name in the recorder's record file name,
// in its folder (the current folder when there is no name yet).
void RecorderPanel::txtRecordFileName_LostFocus()
{
    if (!WavFile)
        return;
    const std::string current = WavFile->RecordFileName();
    const std::string text = txtRecordFileName->text().toStdString();
    std::string folder;
    if (current.empty()) {
        folder = QDir::currentPath().toStdString() + "/";
    } else if (const auto slash = current.rfind('/'); slash != std::string::npos) {
        folder = current.substr(0, slash + 1);
    }
    WavFile->RecordFileName(folder + text);
}
