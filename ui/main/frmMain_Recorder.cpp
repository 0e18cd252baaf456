// The recorder's events, its recording options and the record file name field. The
// recorder raises its events inside the block loop; the disk work they ask for runs from
// one-shot timers after the block loop has returned.
#include "ui/main/frmMain.h"

#include "audio/clsWavFile.h"
#include "core/BusyGuard.h"
#include "core/NumberFormat.h"
#include "core/Numeric.h"
#include "core/TryStep.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/main/RecorderTime.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>

#include <cmath>
#include <functional>
#include <utility>

namespace {

constexpr int ReadDelayMs = 4;
constexpr int WriteDelayMs = 2;
constexpr int RateOptions = 5;   // 48K, 24K, 12K, 6K, 3k: Decimator 1, 2, 4, 8, 16

// Runs a function when the watched control loses the keyboard focus.
class FocusLossWatcher : public QObject
{
public:
    FocusLossWatcher(QWidget* control, std::function<void()> lost)
        : QObject(control)
        , lost_(std::move(lost))
    {
        control->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusOut)
            lost_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> lost_;
};

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

// The recorder's events and the handlers of its controls; then the options take the
// recorder's stored rate and width, and the bar offers Record and Open only.
void frmMain::ConnectRecorder()
{
    if (!WavFile)
        return;
    tmrPlaybackRead.setSingleShot(true);
    tmrRecorderWrite.setSingleShot(true);
    connect(&tmrPlaybackRead, &QTimer::timeout, this, &frmMain::tmrPlaybackRead_Timer);
    connect(&tmrRecorderWrite, &QTimer::timeout, this, &frmMain::tmrRecorderWrite_Timer);
    clsWavFileEvents* events = &WavFile->Events;
    connect(events, &clsWavFileEvents::ReadNextBlockFromDisk, this, [this] { tmrPlaybackRead.start(ReadDelayMs); });
    connect(events, &clsWavFileEvents::WriteNextBlockToDisk, this, [this] { tmrRecorderWrite.start(WriteDelayMs); });
    connect(events, &clsWavFileEvents::PlayEnd, this, &frmMain::WavFile_PlayEnd);
    connect(events, &clsWavFileEvents::CatalogueLoaded, this, &frmMain::WavFile_CatalogueLoaded);
    connect(events, &clsWavFileEvents::DiskRead, this, &frmMain::WavFile_DiskRead);
    connect(events, &clsWavFileEvents::SamplesPlayed, this, &frmMain::WavFile_SamplesPlayed);

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
    new FocusLossWatcher(txtRecordFileName, [this] { txtRecordFileName_LostFocus(); });

    SelectRecorderOptions();
    SetTransportPattern("1000000100");
    txtRecordFileName->clear();
    txtRecordFileName->setReadOnly(true);
}

void frmMain::SelectRecorderOptions()
{
    optRecordSamplePerBit.Select(WavFile->BitsPerSample() == 8 ? 1 : 0);
    const int32_t decimator = WavFile->Decimator();
    const int rateOption = decimator >= 1 && decimator <= 16 ? Numeric::CLng(std::log2(decimator)) : 0;
    optRecordSampleRate.Select(rateOption);
}

// One shot: the disk read the recorder asked for.
void frmMain::tmrPlaybackRead_Timer()
{
    RunDiskTick(tmrPlaybackRead, ReadDelayMs, playbackReadBusy_, BlockLoopBusy(), [this] { WavFile->ReadFromDisk(); });
}

// One shot: the disk write of a full half-buffer. A write that fails has ended the
// recording and the recorder has told the user; what was written is kept, so the bar
// offers what can still be done with it: save, close, or record anew (which asks first).
void frmMain::tmrRecorderWrite_Timer()
{
    RunDiskTick(tmrRecorderWrite, WriteDelayMs, recorderWriteBusy_, BlockLoopBusy(), [this] {
        if (!WavFile->BufferFull() || WavFile->IsPaused())
            return;
        if (WavFile->WriteToDisk() > 0 && !WavFile->IsRecording())
            SetTransportPattern("1000000011");
    });
}

// The end of a played file: the first track again when looping, else the bar's Stop.
void frmMain::WavFile_PlayEnd()
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

void frmMain::WavFile_SamplesPlayed(int32_t /*CurrentTrack*/, int32_t NumSamples)
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
void frmMain::optRecordSampleRate_Click(int Index)
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

void frmMain::optRecordSamplePerBit_Click(int Index)
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
void frmMain::txtRecordFileName_LostFocus()
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
