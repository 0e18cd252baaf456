#include "MainWindowRig.h"
#include "audio/TrackLog.h"
#include "audio/WavReaderRig.h"
#include "audio/clsWavFile.h"
#include "fakes/FakePerfCounter.h"
#include "ui/common/FormControls.h"
#include "ui/common/FormUnits.h"
#include "ui/common/Frame.h"
#include "ui/common/Label.h"
#include "ui/common/PictureBox.h"
#include "ui/main/frmRecordFileError.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFocusEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <thread>

namespace {

enum { Record, Play, Pause, Stop, Next, Prev, Loop, Open, Save, Close };

// A disk whose closes can be made to fail.
struct ClosingDisk : FakeWavDisk
{
    int Close(int handle) override
    {
        const int error = FakeWavDisk::Close(handle);
        return closeError != 0 ? closeError : error;
    }
    int closeError = 0;
};

// The main window on the in-memory disk, with half-buffers of two blocks. An error dialog
// is answered as soon as it shows: its text is kept and whileErrorShown runs first.
class RecorderBar : public MainWindowRig
{
protected:
    void SetUp() override
    {
        MainWindowRig::SetUp();
        wav = window->Recorder->WavFile.get();
        wav->RecBlockSizeInSamples(2 * BlockSize);
        QObject::connect(&errorWatch, &QTimer::timeout, [this] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<frmRecordFileError*>(top);
                if (!dialog || !dialog->isVisible())
                    continue;
                errors.push_back(dialog->txtMessage->toPlainText().toStdString());
                if (whileErrorShown)
                    whileErrorShown();
                dialog->OKButton->click();
            }
        });
        errorWatch.start(1);
    }

    void Press(int button) { window->Recorder->cmdWavCtls_Click(button); }
    QString Pattern() const { return window->Recorder->TransportPattern(); }
    uint32_t Face(int button) const { return FormControls::BackColour(window->Recorder->cmdWavCtls[button]); }
    std::string TempFile() const { return home.file(clsWavFile::TempFileLeafName); }

    // Blocks through the receive loop, each followed by the disk work it asked for.
    void Blocks(int count)
    {
        for (int block = 0; block < count; ++block) {
            std::vector<int16_t> left(BlockSize, 1000), right(BlockSize, 0);
            window->SoundCard_DataReady(left, right, BlockSize);
            if (window->Recorder->tmrRecorderWrite.isActive())
                window->Recorder->tmrRecorderWrite_Timer();
            if (window->Recorder->tmrPlaybackRead.isActive())
                window->Recorder->tmrPlaybackRead_Timer();
        }
    }

    // A 48000 Hz file of the given data bytes whose track log holds tracks (F, S, E).
    void OpenFile(const std::string& path, int32_t dataBytes, const std::vector<std::array<int32_t, 3>>& tracks)
    {
        std::vector<TrackLogRecord> log;
        for (const auto& [f, s, e] : tracks)
            log.push_back({QDateTime(QDate(2007, 2, 3), QTime(12, 34, 56)), f, s, e});
        log.emplace_back();
        disk.Put(path, MakeWav(48000, std::vector<uint8_t>(static_cast<size_t>(dataBytes), 1), 16, 1,
                               tracks.empty() ? std::vector<uint8_t>() : TrackLogTrailer::Encode(log)));
        dialogs.ChooseFile(path);
        Press(Open);
    }

    ClosingDisk disk;
    FakeFileDialogs dialogs;
    QTimer errorWatch;
    std::vector<std::string> errors;
    std::function<void()> whileErrorShown;
    clsWavFile* wav = nullptr;
};

const std::string InUse = "\n Another application may be using the file\nClose the file in the other application";

// Each action leaves its own pattern; Record and Close colour the recording options, Pause
// and Loop their buttons (red while on, else the face the other buttons show); Play switches
// the receiver on and Stop off.
TEST_F(RecorderBar, EachActionLeavesItsPatternAndColours)
{
    EXPECT_EQ(Pattern(), "1000000100");
    const uint32_t buttonFace = Face(Record);
    EXPECT_EQ(buttonFace, FormUnits::ToOleColour(window->palette().color(QPalette::Button)));
    boxes.Answer(MessageBoxes::vbNo);   // Close: do not save
    struct Step { int button; const char* pattern; int power; };
    for (const Step step : {Step{Record, "0111000011", -1}, {Pause, "0111000011", -1}, {Pause, "0111000011", -1},
                            {Stop, "1111000011", 1}, {Record, "0111000011", 1}, {Play, "0111000011", 0},
                            {Save, "1111111101", 0}, {Close, "1000000100", 0}}) {
        Press(step.button);
        EXPECT_EQ(Pattern(), step.pattern) << step.button;
        EXPECT_TRUE(step.power < 0 || window->Power->optPwr.Selected() == step.power) << step.button;
        const bool pauseColoured = step.button == Pause || step.button == Stop;
        EXPECT_TRUE(!pauseColoured || Face(Pause) == (wav->IsPaused() ? 0x0000FFu : buttonFace)) << step.button;
        if (step.button == Record) {
            EXPECT_TRUE(wav->IsRecording());
            EXPECT_EQ(FormControls::ForeColour(window->Recorder->frRecordSampling), 0xC0C000u);
            Blocks(3);
        }
    }
    EXPECT_TRUE(dialogs.fileRequests.empty()) << "Save while the recording was replayed saves nothing";
    EXPECT_EQ(std::pair(boxes.Last().prompt, boxes.Last().style),
              std::pair(std::string("Current Recording Not Saved\nDo you want to Save it ?"), int{MessageBoxes::vbYesNo}));
    EXPECT_EQ(FormControls::ForeColour(window->Recorder->frRecordBitsPerSample), 0xFFFF00u);
    EXPECT_TRUE(errors.empty());

    OpenFile(home.file("a.wav"), 4000, {});
    EXPECT_EQ(Pattern(), "1111111101");
    for (const auto& [button, pattern] : {std::pair{Play, "0111111101"}, {Loop, "0111111101"}, {Stop, "1111111111"}}) {
        Press(button);
        EXPECT_EQ(Pattern(), pattern) << button;
    }
    EXPECT_EQ(Face(Loop), 0x0000FFu);
    Press(Loop);
    EXPECT_EQ(Face(Loop), buttonFace);
    EXPECT_EQ(window->Power->optPwr.Selected(), 1);
    window->Recorder->cmdWavCtls[Close]->click();
    EXPECT_EQ(Pattern(), "1000000100");
    EXPECT_TRUE(window->Recorder->picRecorderTrackList->isHidden());
    Press(10), Press(-1);
    EXPECT_EQ(Pattern(), "1000000100");
}

// A temporary file that cannot be created, or a file that cannot be closed, is told in the
// error dialog; presses meanwhile are ignored and the buttons stay as they were.
TEST_F(RecorderBar, FileErrorsAreShownWhileTheBarWaitsAndChangeNothing)
{
    disk.openErrors[TempFile()] = EACCES;
    whileErrorShown = [this] { Press(Open); };
    Press(Record);
    EXPECT_EQ(errors, std::vector<std::string>{"Unable to Create Temporary File " + TempFile() + "\n " +
                                               WavDisk::Describe(EACCES) + " (Error Code=" + std::to_string(EACCES) +
                                               ")\nChoose a folder you can write to with Config, \"Set Save Recordings Path\""});
    disk.openErrors[TempFile()] = EBUSY;
    Press(Record);
    EXPECT_EQ(errors.back(), "Unable to Create Temporary File " + TempFile() + "\n " + WavDisk::Describe(EBUSY) +
                                 " (Error Code=" + std::to_string(EBUSY) + ")" + InUse);
    disk.openErrors.clear();
    EXPECT_TRUE(dialogs.fileRequests.empty()) << "Open pressed during the dialog did nothing";
    EXPECT_EQ(Pattern(), "1000000100");

    OpenFile(home.file("b.wav"), 4000, {});
    disk.closeError = EIO;
    Press(Close);
    EXPECT_EQ(errors.back(), "Unable to Close " + home.file("b.wav") + InUse);
    EXPECT_EQ(Pattern(), "1111111101");
    EXPECT_TRUE(window->Recorder->picRecorderTrackList->isHidden());
}

// A recording left in the temporary file's place that cannot be read is not removed or
// overwritten by Record: where it cannot be moved, it stays, the recorder's box names it and
// why, no second box follows and nothing starts; once it can be moved, it is kept and the
// recording starts.
TEST_F(RecorderBar, RecordNeverRemovesAnUnreadableLeftoverAndStartsNothingWhileItCannotBeMoved)
{
    const std::vector<uint8_t> leftover = MakeWav(48000, {}, 16, 1, Trailer({}));
    const std::string recovered = home.file("Recovered 2024-05-06 22.15.03.wav");
    disk.Put(TempFile(), leftover,
             std::chrono::system_clock::time_point(
                 std::chrono::milliseconds(QDateTime(QDate(2024, 5, 6), QTime(22, 15, 3)).toMSecsSinceEpoch())));
    disk.lengthErrors[TempFile()] = EIO;
    disk.renameErrors[recovered] = EACCES;
    Press(Record);
    EXPECT_EQ(leftover, disk.Content(TempFile()));
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("An unsaved recording was found in " + TempFile() + "\nIt could not be moved: " + WavDisk::Describe(EACCES) +
                  " (Error Code=" + std::to_string(EACCES) + ")\nMove or rename the file before recording again.",
              boxes.Last().prompt);
    EXPECT_TRUE(errors.empty()) << "no second box";
    EXPECT_FALSE(wav->IsRecording());
    EXPECT_EQ(Pattern(), "1000000100");

    disk.renameErrors.clear();
    Press(Record);
    EXPECT_EQ(leftover, disk.Content(recovered));
    EXPECT_EQ("An unsaved recording was found in " + TempFile() + "\nIt has been kept as " + recovered, boxes.Last().prompt);
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(wav->IsRecording());
    EXPECT_EQ(Pattern(), "0111000011");
}

// A user who keeps the unsaved recording (the save dialog cancelled) starts nothing and
// sees no error; a recording whose Save could not take its name starts afresh.
TEST_F(RecorderBar, RecordAfterAnUnsavedRecordingAsksOnceAndNeverResumesAClosedFile)
{
    Press(Record);
    Blocks(3);
    Press(Save);   // the dialog is cancelled: the recording stays unsaved
    boxes.Answer(MessageBoxes::vbYes);
    Press(Record);
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(std::pair(Pattern(), wav->StatusOfMedia()), std::pair(QString("1111111111"), clsWavFile::MediaUnsaved));

    disk.removeErrors[home.file("taken.wav")] = EACCES;
    disk.Put(home.file("taken.wav"), {1});
    dialogs.ChooseFile(home.file("taken.wav"));
    Press(Save);   // "Unable to overwrite": the recording is closed and left paused
    ASSERT_TRUE(wav->IsPaused());
    boxes.Answer(MessageBoxes::vbNo);
    Press(Record);
    EXPECT_TRUE(wav->IsRecording());
    EXPECT_EQ(wav->PlayerMode(), clsWavFile::ModeRecording);
}

// A Save that fails keeps Save on offer, says the same again while the cause lasts, and
// saves the whole recording once it is gone; a Save whose dialog is cancelled keeps it on
// offer too.
TEST_F(RecorderBar, SaveStaysAvailableAfterAFailedSave)
{
    Press(Record);
    Blocks(3);   // one half written, one block waiting in memory
    disk.writeFault = [](int64_t offset, int32_t) { return offset > 0 ? ENOSPC : 0; };
    for (int attempt = 1; attempt <= 2; ++attempt) {
        Press(Save);
        ASSERT_EQ(boxes.boxes.size(), static_cast<size_t>(attempt));
        EXPECT_EQ(boxes.Last().prompt, "Unable to close temporary file " + TempFile() +
                                           "\n Please report this problem to QELVO\n Error Code=" + std::to_string(ENOSPC));
        EXPECT_EQ(Pattern(), "1111111111") << attempt;
    }
    boxes.Answer(MessageBoxes::vbYes);
    Press(Close);   // saving first fails again: nothing is closed
    EXPECT_EQ(boxes.Last().prompt, boxes.boxes[0].prompt);
    EXPECT_EQ(Pattern(), "1111111111");
    disk.writeFault = nullptr;
    dialogs.ChooseFile(home.file("saved.wav"));
    Press(Save);
    EXPECT_EQ(boxes.boxes.size(), 4u);
    EXPECT_EQ(Pattern(), "1111111101");
    EXPECT_EQ(WavReader::Parse(disk.Content(home.file("saved.wav"))).data.size(), 6u * BlockSize);

    Press(Record);
    Blocks(1);
    Press(Save);   // cancelled in the dialog: the recording stays unsaved and Save on offer
    EXPECT_EQ(Pattern(), "1111111111");
    EXPECT_EQ(wav->StatusOfMedia(), clsWavFile::MediaUnsaved);
    dialogs.ChooseFile(home.file("later.wav"));
    Press(Save);
    EXPECT_EQ(Pattern(), "1111111101");
    EXPECT_EQ(wav->StatusOfMedia(), clsWavFile::MediaSaved);
    EXPECT_EQ(WavReader::Parse(disk.Content(home.file("later.wav"))).data.size(), 2u * BlockSize);
    EXPECT_EQ(boxes.boxes.size(), 4u) << "no prompt on the way";
}

// A tone recorded in AM plays back at its recorded level from 1 s after Play, in AM (whose
// AGC held the demodulator's far larger levels before), USB and FM alike.
TEST_F(RecorderBar, ARecordingPlaysAtItsRecordedLevelInEveryMode)
{
    int64_t position = 0;
    // Blocks of an AM station on the IF (a 700 Hz tone on a 12 kHz carrier); the RMS of
    // each block the chain put out.
    const auto station = [&](int count) {
        std::vector<double> levels;
        std::vector<int16_t> left(BlockSize), right(BlockSize, 0);
        for (int block = 0; block < count; ++block) {
            for (int k = 0; k < BlockSize; ++k, ++position) {
                const double t = static_cast<double>(position) / 48000.0;
                left[static_cast<size_t>(k)] = static_cast<int16_t>(std::lround(
                    8000.0 * (1.0 + 0.5 * std::cos(2 * M_PI * 700 * t)) * std::cos(2 * M_PI * 12000 * t)));
            }
            window->SoundCard_DataReady(left, right, BlockSize);
            window->Recorder->tmrRecorderWrite_Timer();
            window->Recorder->tmrPlaybackRead_Timer();
            double power = 0;
            for (const int16_t sample : left)
                power += static_cast<double>(sample) * sample;
            levels.push_back(std::sqrt(power / BlockSize));
        }
        return levels;
    };
    const auto decibels = [](double level, double reference) { return 20 * std::log10(level / reference); };
    constexpr int Second = 48000 / BlockSize;   // 23 blocks

    window->Receive->chkAGC->setChecked(true);
    window->Receive->optMode_Click(DemodModeEnum::AM);   // the rig left the chain in DRM
    window->Deferred->tmrPerfStats_Timer();   // the filters for the mode
    station(3 * Second);
    Press(Record);
    const std::vector<double> recorded = station(5 * Second);
    const double level = recorded.back();
    ASSERT_GT(level, 3000.0);
    Press(Stop);
    for (const int mode : {DemodModeEnum::AM, DemodModeEnum::USB, DemodModeEnum::FM}) {
        window->Receive->optMode_Click(mode);
        window->Deferred->tmrPerfStats_Timer();
        station(3 * Second);   // the AGC holds the live signal's levels in this mode
        Press(Play);
        const std::vector<double> played = station(4 * Second);
        Press(Stop);
        for (size_t block = Second; block < played.size(); ++block)
            ASSERT_NEAR(decibels(played[block], level), 0.0, 1.0) << "mode " << mode << ", block " << block;
    }
}

// Lines carry the track they show: the short middle track is not listed, and clicks, the
// played position and Next/Prev all reach the right track.
TEST_F(RecorderBar, TheTrackListShowsListedTracksAndJumpsByTheirTrackLogIndex)
{
    OpenFile(home.file("t.wav"), 240000, {{{70500000, 44, 96044}, {70600000, 96044, 144043}, {71000000, 144043, 240045}}});
    EXPECT_EQ(window->Recorder->txtRecordingLogHeaders->text(), " F(KHz)   Date      Time   Duration");
    ASSERT_EQ(window->Recorder->lstRecordingLogs->count(), 2);
    EXPECT_EQ(window->Recorder->lstRecordingLogs->item(0)->text(), "  7050 2007-02-03 12:34:56 00:00:01");
    EXPECT_EQ(window->Recorder->lstRecordingLogs->item(1)->text(), "  7100 2007-02-03 12:34:56 00:00:01");
    EXPECT_EQ(window->Recorder->picRecorderTrackList->geometry(), window->BandPlan->frPresets->geometry());
    EXPECT_FALSE(window->Recorder->picRecorderTrackList->isHidden());

    Press(Play);
    window->Recorder->lstRecordingLogs->setCurrentRow(1);
    EXPECT_EQ(wav->NumSamples(), 144044) << "track 2's start";
    window->Recorder->WavFile_DiskRead(50000);   // track 0: line 0, no jump
    EXPECT_EQ(std::pair(window->Recorder->lstRecordingLogs->currentRow(), wav->NumSamples()), std::pair(0, 144044));
    window->Recorder->WavFile_DiskRead(100000);   // the unlisted track leaves the selection
    EXPECT_EQ(window->Recorder->lstRecordingLogs->currentRow(), 0);
    for (const auto& [button, line, start] : {std::tuple{Prev, 1, 144044}, {Next, 0, 45}, {Next, 1, 144044}}) {
        Press(button);
        EXPECT_EQ(std::pair(window->Recorder->lstRecordingLogs->currentRow(), wav->NumSamples()), std::pair(line, start)) << button;
    }

    disk.Put(home.file("8.wav"), MakeWav(48000, std::vector<uint8_t>(96000, 128), 8, 1,   // one byte a sample
                                         TrackLogTrailer::Encode({{QDateTime(QDate(2007, 2, 3), QTime(1, 2, 3)),
                                                                   70500000, 44, 96044}, {}})));
    dialogs.ChooseFile(home.file("8.wav"));
    Press(Open);
    EXPECT_EQ(window->Recorder->lstRecordingLogs->item(0)->text(), "  7050 2007-02-03 01:02:03 00:00:02");

    wav->NumSamples(777);
    window->Recorder->WavFile_CatalogueLoaded(0);
    EXPECT_EQ(window->Recorder->txtRecordingLogHeaders->text(), "No Track Information Found");
    Press(Next), Press(Prev);
    EXPECT_EQ(wav->NumSamples(), 777) << "an empty list never jumps";
}

// A click of the mouse on the line already selected starts its track again, as a click on
// another line does.
TEST_F(RecorderBar, AClickOnTheSelectedTrackLineStartsItsTrackAgain)
{
    OpenFile(home.file("t.wav"), 240000, {{{70500000, 44, 96044}, {71000000, 96044, 240045}}});
    Press(Play);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QListWidget* list = window->Recorder->lstRecordingLogs;
    const auto clickLine = [list](int line) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(line)).center());
    };
    clickLine(1);
    const int32_t trackStart = wav->NumSamples();
    EXPECT_GT(trackStart, 0);
    wav->NumSamples(trackStart + 5000);   // played on
    clickLine(1);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_EQ(wav->NumSamples(), trackStart);
}

// At the end of a file: the first track again while looping, the bar's Stop otherwise.
TEST_F(RecorderBar, TheEndOfAFileLoopsOrStops)
{
    int ends = 0;
    QObject::connect(&wav->Events, &clsWavFileEvents::PlayEnd, [&] { ++ends; });
    OpenFile(home.file("l.wav"), 6000, {{{70500000, 44, 6045}}});
    Press(Loop);
    Press(Play);
    Blocks(6);
    EXPECT_GE(ends, 2);
    EXPECT_EQ(std::pair(wav->PlayerMode(), Pattern()), std::pair(clsWavFile::ModePlaying, QString("0111111101")));
    Press(Loop);
    Blocks(3);
    EXPECT_EQ(std::pair(wav->PlayerMode(), Pattern()), std::pair(clsWavFile::ModeStopped, QString("1111111111")));
    EXPECT_EQ(std::pair(window->Power->optPwr.Selected(), wav->NumSamples()), std::pair(1, 0));
}

// The options change the recorder only while it is closed, else the previous choice
// comes back; the label gives megabytes per hour.
TEST_F(RecorderBar, RateAndBitsOptionsAreRefusedWhileARecordingIsOpen)
{
    Press(Record);
    window->Recorder->optRecordSampleRate.Select(2);
    window->Recorder->optRecordSamplePerBit.Select(1);
    EXPECT_EQ(std::pair(window->Recorder->optRecordSampleRate.Selected(), window->Recorder->optRecordSamplePerBit.Selected()), std::pair(0, 0));
    EXPECT_EQ(std::pair(wav->Decimator(), wav->BitsPerSample()), std::pair(1, 16));
    boxes.Answer(MessageBoxes::vbNo);
    Press(Close);
    for (const auto& [option, label] : {std::pair{2, "82"}, {4, "21"}, {0, "330"}}) {
        window->Recorder->optRecordSampleRate.Select(option);
        EXPECT_EQ(std::pair(wav->Decimator(), window->Recorder->lblRecordMBytesPerHr->text()), std::pair(1 << option, QString(label)));
    }
    window->Recorder->optRecordSamplePerBit.Select(1);
    EXPECT_EQ(wav->BitsPerSample(), 8);
}

// The disk timers merge their requests and wait for the block loop: a slow block lets the
// window system run, but not the disk write it has asked for.
TEST_F(RecorderBar, DiskWritesRunOnceFromTheirTimerAndNeverInsideTheBlockLoop)
{
    bool inBlock = false;
    int dataWrites = 0, writesInBlock = 0;
    disk.writeFault = [&](int64_t offset, int32_t) {
        if (offset > 0)
            ++(inBlock ? writesInBlock : dataWrites);
        return 0;
    };
    Press(Record);
    std::vector<int16_t> left(BlockSize, 5), right(BlockSize, 0);
    window->SoundCard_DataReady(left, right, BlockSize);
    window->SoundCard_DataReady(left, right, BlockSize);   // the first half is full
    emit wav->Events.WriteNextBlockToDisk();
    ASSERT_TRUE(window->Recorder->tmrRecorderWrite.isActive());

    FakePerfCounter counter(1000000, 40000);   // every block takes 40 ms
    DSPProfiler = std::make_unique<Profiler>();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    inBlock = true;
    window->SoundCard_DataReady(left, right, BlockSize);
    inBlock = false;
    EXPECT_EQ(writesInBlock, 0);
    QElapsedTimer waited;
    waited.start();
    while (dataWrites == 0 && waited.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(dataWrites, 1);
    EXPECT_FALSE(window->Recorder->tmrRecorderWrite.isActive());

    window->SoundCard_DataReady(left, right, BlockSize);   // the second half is full
    Press(Pause);
    window->Recorder->tmrRecorderWrite_Timer();
    EXPECT_EQ(dataWrites, 1) << "nothing is written while paused";
    disk.writeFault = nullptr;
}

// A disk that fills up ends the recording with the recorder's one message; the bar then
// offers Record, Save and Close, and Save keeps the audio written before.
TEST_F(RecorderBar, AFailedWriteEndsTheRecordingWithOneMessageAndItCanStillBeSaved)
{
    Press(Record);
    Blocks(2);
    disk.writeFault = [](int64_t offset, int32_t count) { return offset > 0 && count > 44 ? ENOSPC : 0; };
    Blocks(2);
    disk.writeFault = nullptr;
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Pattern(), "1000000011");
    Blocks(2);
    EXPECT_EQ(boxes.boxes.size(), 1u) << "told once";
    dialogs.ChooseFile(home.file("kept.wav"));
    Press(Save);
    EXPECT_EQ(WavReader::Parse(disk.Content(home.file("kept.wav"))).data.size(), 4u * BlockSize);
}

// A window destroyed with a recording still open leaves it finished in its temporary
// file, header, audio and track log, for the next recording to keep under a name of its own.
TEST_F(RecorderBar, AWindowDestroyedWhileRecordingLeavesTheRecordingComplete)
{
    Press(Record);
    Blocks(5);
    window.reset();
    const WavReader file = WavReader::Parse(disk.Content(TempFile()));
    ASSERT_TRUE(file.ok);
    EXPECT_EQ(file.data.size(), 5u * BlockSize * sizeof(int16_t));
    EXPECT_FALSE(file.after.empty()) << "the track log follows the audio";
}

// A recording made while the receiver is off holds no sample: the next start removes it
// without a box, and keeps nothing.
TEST_F(RecorderBar, ARecordingWithoutASampleIsGoneAtTheNextStart)
{
    Press(Record);
    Press(Stop);
    window.reset();
    ASSERT_TRUE(disk.Exists(TempFile()));
    boxes.boxes.clear();
    window = std::make_unique<frmMain>();
    EXPECT_FALSE(disk.Exists(TempFile()));
    EXPECT_TRUE(disk.files.empty()) << "nothing recovered";
    for (const auto& box : boxes.boxes)
        EXPECT_EQ(box.prompt.find("unsaved recording"), std::string::npos) << box.prompt;
}

// The file name field, and the played count and time.
TEST_F(RecorderBar, FileNameFieldAndPlayedTime)
{
    const std::string here = QDir::currentPath().toStdString();
    for (const auto& [before, after] : {std::pair<std::string, std::string>{"/data/rec/old.wav", "/data/rec/new.wav"},
                                        {"", here + "/new.wav"}, {"old.wav", "new.wav"}}) {
        wav->RecordFileName(before);
        window->Recorder->txtRecordFileName->setText("new.wav");
        QFocusEvent lost(QEvent::FocusOut);
        QCoreApplication::sendEvent(window->Recorder->txtRecordFileName, &lost);
        EXPECT_EQ(wav->RecordFileName(), after) << before;
    }
    EXPECT_TRUE(window->Recorder->txtRecordFileName->isReadOnly());
    QLineEdit& field = *window->Recorder->txtRecordFileName;
    field.setText("a-long-name-of-the-first-evening.wav");
    ASSERT_GT(field.fontMetrics().horizontalAdvance(field.text()), field.width()) << "the name must not fit";
    EXPECT_EQ(field.cursorPosition(), 0) << "the start of a long name shows";
    window->Recorder->WavFile_SamplesPlayed(0, 1234567);
    EXPECT_EQ(window->Recorder->lblRecordSize->text() + " " + window->Recorder->lblRecordTime->text(), "1,234,567 00:00:25");
}

}   // namespace
