#include "WavReaderRig.h"

#include "audio/WavHeader.h"
#include "core/Settings.h"

#include <cerrno>
#include <chrono>
#include <tuple>

namespace {

constexpr int32_t Half = clsWavFile::DefaultRecBlockSizeInSamples;

using RecorderTest = WavFileTest;

// A file time of the given local date and time.
std::chrono::system_clock::time_point FileTime(const QDateTime& time)
{
    return std::chrono::system_clock::time_point(std::chrono::milliseconds(time.toMSecsSinceEpoch()));
}

TEST_F(RecorderTest, RefusesOperationsInTheWrongStateWithTheirCodes)
{
    std::vector<int16_t> block(2048);
    EXPECT_EQ(clsWavFile::ErrNoFileOpen, wav->CloseRecording());
    EXPECT_EQ(clsWavFile::ErrNotRecording, wav->WriteToDisk());
    EXPECT_EQ(clsWavFile::ErrAddNotRecording, wav->AddSamples(block.data(), 2048));
    EXPECT_EQ(clsWavFile::ErrNotRunning, wav->GetNextSamples(block.data(), 2048));
    disk.openErrors[TempPath] = EACCES;
    EXPECT_EQ(EACCES, StartRecording()) << "the system's error number";
    EXPECT_FALSE(wav->IsRecording());
    disk.openErrors.clear();

    Recorded(4096);
    EXPECT_EQ(clsWavFile::ErrRecordingOpen, wav->OpenRecording());
    EXPECT_EQ(4096, wav->SamplesQueued()) << "the running recording goes on untouched";
    EXPECT_EQ(clsWavFile::ErrNoFullHalf, wav->WriteToDisk());

    wav->Pause();
    EXPECT_EQ(clsWavFile::ErrNotRunning, wav->AddSamples(block.data(), 2048));
    EXPECT_EQ(clsWavFile::ErrPaused, wav->WriteToDisk());
    wav->Pause();
    EXPECT_EQ(clsWavFile::ModeRecording, wav->PlayerMode()) << "a second Pause returns to the mode before";
    wav->StopPlayer();
    EXPECT_EQ(clsWavFile::ErrNotRunning, wav->AddSamples(block.data(), 2048));
    EXPECT_EQ(4096, wav->SamplesQueued());
    EXPECT_TRUE(wav->IsRecording()) << "a stopped recording stays open for the owner's resume";

    // Closed without its header: the owner's resume finds nothing to record into.
    EXPECT_EQ(0, wav->CloseFile());
    wav->PlayerMode(clsWavFile::ModeRecording);
    wav->IsRecording(true);
    EXPECT_FALSE(wav->IsRecording());
    EXPECT_EQ(clsWavFile::ErrAddNotRecording, wav->AddSamples(block.data(), 2048));
}

TEST_F(RecorderTest, AWriteEnteredAgainWhileItRunsIsRefused)
{
    ASSERT_EQ(0, StartRecording());
    std::vector<int16_t> block(2048);
    for (int i = 0; i < Half / 2048; ++i)
        wav->AddSamples(block.data(), 2048);
    int32_t nested = 0;
    disk.writeFault = [&](int64_t, int32_t) {
        disk.writeFault = nullptr;
        nested = wav->WriteToDisk();  // as if pending messages ran during the write
        return 0;
    };
    EXPECT_EQ(0, wav->WriteToDisk());
    EXPECT_EQ(clsWavFile::ErrBusy, nested);
}

TEST_F(RecorderTest, DecimatesEveryRateKeepingTheFirstSampleOfEachGroup)
{
    for (int32_t decimator : {1, 2, 4, 8, 16}) {
        SCOPED_TRACE(decimator);
        wav->Decimator(decimator);
        EXPECT_EQ(48000 / decimator, wav->WavSamplingRate());
        Recorded(Half);
        EXPECT_EQ(Half / decimator, wav->NumSamples()) << "one full half written";
        EXPECT_EQ(44 + 2 * Half / decimator, wav->FileSize());
        SaveAs("/out/d" + std::to_string(decimator) + ".wav");

        const WavReader file = ReadBack("/out/d" + std::to_string(decimator) + ".wav");
        EXPECT_EQ(static_cast<uint32_t>(48000 / decimator), file.sampleRate);
        ExpectSignal(file.Samples16(), static_cast<size_t>(Half / decimator), decimator, 997);
    }
}

TEST_F(RecorderTest, ReportsProgressOnFifteenCallsOfSixteenAndAsksForAWritePerHalf)
{
    wav->Decimator(2);
    ASSERT_EQ(0, StartRecording());
    EXPECT_EQ(std::vector<int32_t>{0}, progress) << "OpenRecording reports (0, 0)";
    progress.clear();
    std::vector<int16_t> block(2048);
    std::vector<int> silentCalls;
    for (int call = 1; call <= 64; ++call) {
        const size_t before = progress.size();
        wav->AddSamples(block.data(), 2048);
        if (progress.size() == before)
            silentCalls.push_back(call);
        else
            EXPECT_EQ(call * 1024, progress.back()) << "count of decimated samples";
    }
    EXPECT_EQ((std::vector<int>{16, 32, 48, 64}), silentCalls);
    EXPECT_EQ(1, std::count(events.begin(), events.end(), "WriteNext")) << "64 blocks fill one half";
}

TEST_F(RecorderTest, ClosingWritesTheWaitingHalfAndThePartialHalfSoNothingIsLost)
{
    // One second in blocks that do not divide a half, with the write timer never run.
    ASSERT_EQ(0, StartRecording());
    std::vector<int16_t> block(2000);
    int64_t queued = 0;
    for (int call = 0; call < 90; ++call) {
        for (int i = 0; i < 2000; ++i)
            block[static_cast<size_t>(i)] = Signal(queued + i);
        ASSERT_EQ(0, wav->AddSamples(block.data(), 2000));
        queued += 2000;
    }
    ASSERT_TRUE(wav->BufferFull());
    ASSERT_EQ(0, wav->CloseRecording());

    ExpectSignal(ReadBack(TempPath).Samples16(), static_cast<size_t>(queued));
}

TEST_F(RecorderTest, EightBitRecordingsHoldUnsignedBytesAndOneByteOffsets)
{
    wav->BitsPerSample(8);
    wav->NumChannels(2);
    EXPECT_EQ(1, wav->NumChannels());
    Recorded(Half + 4096);
    tuned += 50000;
    wav->NewLogRecord(tuned);
    Record(2048);
    SaveAs("/out/eight.wav");

    const WavReader file = ReadBack("/out/eight.wav");
    ASSERT_TRUE(file.ok);
    EXPECT_EQ(std::tuple(8, 1, 48000u, 1), std::tuple(file.bitsPerSample, file.channels, file.byteRate, file.blockAlign));
    ASSERT_EQ(static_cast<size_t>(Half + 6144), file.data.size());
    for (size_t j = 0; j < file.data.size(); j += 101)
        ASSERT_EQ(static_cast<uint8_t>((Signal(static_cast<int64_t>(j)) >> 8) + 128), file.data[j]) << "byte " << j;

    // The second track starts one byte per sample after the first.
    wav->FileName("/out/eight.wav");
    wav->OpenFile();
    ASSERT_EQ(3u, TrackLog.size());
    EXPECT_EQ(44, TrackLog[0].S);
    EXPECT_EQ(44 + Half + 4096, TrackLog[1].S);
    EXPECT_EQ(44 + Half + 6144 + 1, TrackLog[1].E);
}

TEST_F(RecorderTest, SettingsThatWouldBreakTheBuffersFallBackToTheDefaults)
{
    for (const auto& [decimator, blockSize] : {std::pair{0, 0}, {-2, -131072}, {3, 1000}, {32, 2048 + 1}}) {
        wav->Decimator(decimator);
        wav->RecBlockSizeInSamples(blockSize);
        EXPECT_EQ(std::pair(1, Half), std::pair(wav->Decimator(), wav->RecBlockSizeInSamples())) << decimator << " " << blockSize;
    }
    wav->RecBlockSizeInSamples(4096);
    EXPECT_EQ(4096, wav->RecBlockSizeInSamples());
}

TEST_F(RecorderTest, RestoresAndStoresItsSettingsCheckingThemAndStopsTheRestoreAtAValueThatIsNoNumber)
{
    // The object stores its settings when it ends, so the old one goes first.
    const auto restore = [this](const std::string& blockSize, const std::string& bits, const std::string& decimator) {
        wav.reset();
        Settings::SaveSetting("WavFile", "RecBlockSizeInSamples", blockSize);
        Settings::SaveSetting("WavFile", "BitsPerSample", bits);
        Settings::SaveSetting("WavFile", "Decimator", decimator);
        wav = Make();
        wav->init();
    };
    wav.reset();
    Settings::SaveSetting("WavFile", "WavSamplingRate", "44100");
    Settings::SaveSetting("WavFile", "LastDirectory", "/music");
    restore("65536", "8", "4");
    EXPECT_EQ(std::tuple(65536, 8, 4), std::tuple(wav->RecBlockSizeInSamples(), wav->BitsPerSample(), wav->Decimator()));
    EXPECT_EQ(12000, wav->WavSamplingRate()) << "derived from the decimator, whatever was stored";
    EXPECT_EQ("/music", wav->LastDirectory);

    wav->RecordFileName("/out/name.wav");
    wav.reset();
    EXPECT_EQ("4", Settings::GetSetting("WavFile", "Decimator"));
    EXPECT_EQ("12000", Settings::GetSetting("WavFile", "WavSamplingRate"));
    EXPECT_EQ("/out/name.wav", Settings::GetSetting("WavFile", "RecordFileName"));

    // Stored values that would break the buffers fall back to the defaults.
    restore("3000", "12", "5");
    EXPECT_EQ(std::tuple(Half, 16, 1), std::tuple(wav->RecBlockSizeInSamples(), wav->BitsPerSample(), wav->Decimator()));
    Recorded(3 * 2048);
    EXPECT_EQ(0, wav->CloseRecording());

    restore("65536", "sixteen", "4");
    EXPECT_EQ(65536, wav->RecBlockSizeInSamples()) << "keys before the bad one are read";
    EXPECT_EQ(std::tuple(16, 1), std::tuple(wav->BitsPerSample(), wav->Decimator())) << "keys after it keep their values";
}

TEST_F(RecorderTest, SaveMovesTheTemporaryFileToTheChosenName)
{
    Recorded(4096);
    wav->LastDirectory = "/music";
    SaveAs("/out/Take One");

    ASSERT_EQ(1u, dialogs.fileRequests.size());
    const FileDialogs::FileRequest& request = dialogs.fileRequests[0];
    EXPECT_EQ(std::tuple(FileDialogs::Mode::Save, std::string("Select Filename to Save Recording"), std::string("/music"),
                         std::string("untitled.wav"), std::string("wav")),
              std::tuple(request.mode, request.title, request.initialFolder, request.initialName, request.defaultExtension));

    EXPECT_TRUE(disk.Exists("/out/Take One.wav")) << "a name without .wav gets it";
    EXPECT_FALSE(disk.Exists(TempPath));
    EXPECT_EQ(std::tuple(std::string("/out/Take One.wav"), std::string("/out")), std::tuple(wav->SaveFileName, wav->LastDirectory));
    EXPECT_EQ(std::tuple(clsWavFile::MediaSaved, clsWavFile::ModeStopped, false, false),
              std::tuple(wav->StatusOfMedia(), wav->PlayerMode(), wav->IsRecording(), wav->IsPaused()));
    EXPECT_TRUE(boxes.boxes.empty());

    wav->Save();
    EXPECT_EQ(1u, dialogs.fileRequests.size()) << "a saved recording is not saved again";

    Recorded(2048);
    disk.Put("/out/old.wav.bak", {1, 2, 3});
    SaveAs("/out/old.wav.bak");
    EXPECT_TRUE(ReadBack("/out/old.wav.bak").ok) << "a name holding .wav is kept and replaces the file";

    Recorded(2048);
    wav->SaveFileName = "/out/fixed.wav";
    wav->Save();
    EXPECT_EQ(2u, dialogs.fileRequests.size()) << "a given SaveFileName is used without asking";
    EXPECT_TRUE(ReadBack("/out/fixed.wav").ok);
}

TEST_F(RecorderTest, SaveReportsAFileItCannotReplaceOrCreateAndKeepsTheRecording)
{
    Recorded(2048);
    disk.Put("/out/locked.wav", {});
    disk.removeErrors["/out/locked.wav"] = EACCES;
    SaveAs("/out/locked.wav");
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("Unable to overwrite /out/locked.wav\n Try a different filename", boxes.Last().prompt);
    EXPECT_TRUE(disk.Exists(TempPath));
    EXPECT_EQ(clsWavFile::MediaUnsaved, wav->StatusOfMedia());

    disk.renameErrors["/out/other.wav"] = ENOSPC;
    SaveAs("/out/other.wav");
    ASSERT_EQ(2u, boxes.boxes.size());
    EXPECT_EQ("Problem creating /out/other.wav\nSystem Reported Error Code " + std::to_string(ENOSPC) + "\n" +
                  WavDisk::Describe(ENOSPC),
              boxes.Last().prompt);

    SaveAs("/out/third.wav");
    EXPECT_EQ(2u, boxes.boxes.size());
    EXPECT_TRUE(ReadBack("/out/third.wav").ok) << "the recording survived both failures";
}

TEST_F(RecorderTest, ACancelledSaveLosesNothingAndANewRecordAsksBeforeItReplacesTheRecording)
{
    Recorded(Half + 2048);
    dialogs.CancelFile();
    wav->Save();
    EXPECT_EQ(clsWavFile::MediaUnsaved, wav->StatusOfMedia());
    EXPECT_TRUE(boxes.boxes.empty());
    const size_t finished = 44u + 2 * (Half + 2048) + 5u + 124u;  // header, data, marker, one track
    EXPECT_EQ(finished, disk.Content(TempPath).size()) << "the finished recording waits in the temporary file";

    // Yes, then the dialog cancelled again: nothing is deleted and nothing starts.
    boxes.Answer(MessageBoxes::vbYes);
    dialogs.CancelFile();
    EXPECT_EQ(clsWavFile::ErrRecordingOpen, wav->OpenRecording());
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("Current Recording Not Saved\nDo you want to Save it ?", boxes.Last().prompt);
    EXPECT_EQ(MessageBoxes::vbYesNo, boxes.Last().style);
    EXPECT_EQ(finished, disk.Content(TempPath).size());

    // Yes and a name: saved whole, then the new recording starts.
    boxes.Answer(MessageBoxes::vbYes);
    dialogs.ChooseFile("/out/kept.wav");
    EXPECT_EQ(0, wav->OpenRecording());
    EXPECT_EQ(static_cast<size_t>(2 * (Half + 2048)), ReadBack("/out/kept.wav").data.size());
    wav->CloseRecording();

    // No: the user gives the unsaved recording up.
    dialogs.CancelFile();
    wav->Save();
    boxes.Answer(MessageBoxes::vbNo);
    EXPECT_EQ(0, wav->OpenRecording());
    EXPECT_EQ(3u, boxes.boxes.size());
}

TEST_F(RecorderTest, AFailedHeaderUpdateIsReportedBySaveAndTheNextSaveWritesTheWholeFile)
{
    Recorded(2048);
    disk.writeFault = [](int64_t offset, int32_t) { return offset == 0 ? EIO : 0; };
    SaveAs("/out/later.wav");
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ("Unable to close temporary file " + TempPath + "\n Please report this problem to QELVO\n Error Code=" +
                  std::to_string(EIO),
              boxes.Last().prompt);
    EXPECT_EQ(clsWavFile::MediaUnsaved, wav->StatusOfMedia());
    EXPECT_TRUE(disk.open.empty()) << "the file is closed all the same";

    disk.writeFault = nullptr;
    wav->Save();
    EXPECT_EQ(1u, boxes.boxes.size());
    const WavReader file = ReadBack("/out/later.wav");
    ExpectSignal(file.Samples16(), 2048);
    EXPECT_EQ(Trailer({TrailerEntry("0071000000", "2007-02-03 14:05:09", "0000000044", "0000004141")}), file.after);
}

// Closed without its header and trailer (the owner's Close answered No), the recording
// is still asked for at the next Record, and saved complete.
TEST_F(RecorderTest, ARecordingClosedUnfinishedIsFinishedWhenSavedLater)
{
    Recorded(Half + 2048);
    EXPECT_EQ(0, wav->CloseFile());
    boxes.Answer(MessageBoxes::vbYes);
    dialogs.ChooseFile("/out/late.wav");
    EXPECT_EQ(0, wav->OpenRecording());
    EXPECT_EQ("Current Recording Not Saved\nDo you want to Save it ?", boxes.Last().prompt);
    const WavReader file = ReadBack("/out/late.wav");
    ExpectSignal(file.Samples16(), Half);
    EXPECT_EQ(Trailer({TrailerEntry("0071000000", "2007-02-03 14:05:09", "0000000044", "0000262189")}), file.after);
}

TEST_F(RecorderTest, ALeftoverTemporaryFileHoldingAudioIsKeptUnderADatedNameAndNeverDeleted)
{
    const std::string recovered = "/rec/Recovered 2007-02-03 14.05.09.wav";
    const std::vector<uint8_t> leftover = MakeWav(48000, Le16({1, 2, 3}));
    disk.Put(TempPath, leftover, FileTime(clock.addMSecs(500)));   // its last write, 3 samples after its first
    disk.renameErrors[recovered] = EACCES;
    EXPECT_EQ(EACCES, StartRecording());
    EXPECT_EQ(leftover, disk.Content(TempPath));
    EXPECT_EQ("An unsaved recording was found in " + TempPath + "\nIt could not be moved: " + WavDisk::Describe(EACCES) +
                  " (Error Code=" + std::to_string(EACCES) + ")\nMove or rename the file before recording again.",
              boxes.Last().prompt);

    disk.renameErrors.clear();
    EXPECT_EQ(0, StartRecording());
    EXPECT_EQ(leftover, disk.Content(recovered));
    EXPECT_EQ("An unsaved recording was found in " + TempPath + "\nIt has been kept as " + recovered, boxes.Last().prompt);

}

// A recording without a sample (made while the receiver was off) is nothing to keep: the
// next start removes it without a word, whether the program finished it or was killed; a
// header never brought up to date over samples is kept.
TEST_F(RecorderTest, ALeftoverWithoutASampleIsRemovedWithoutAWord)
{
    ASSERT_EQ(0, StartRecording());
    wav->StopPlayer();
    wav.reset();   // the program ends: the recording is finished with its trailer
    ASSERT_GT(disk.Content(TempPath).size(), static_cast<size_t>(WavHeader::Size)) << "a trailer follows the header";
    const auto nextStart = [this] {
        wav = Make();
        wav->init();
        wav.reset();
    };
    nextStart();
    EXPECT_FALSE(disk.Exists(TempPath));
    EXPECT_TRUE(disk.files.empty()) << "nothing recovered";
    EXPECT_TRUE(boxes.boxes.empty());

    disk.Put(TempPath, MakeWav(48000, {}));   // killed before its first half was written
    nextStart();
    EXPECT_FALSE(disk.Exists(TempPath));
    EXPECT_TRUE(boxes.boxes.empty());

    std::vector<uint8_t> unfinished = MakeWav(48000, Le16({1, 2, 3}));
    unfinished[40] = 0;   // its header counts no data, the samples follow all the same
    disk.Put(TempPath, unfinished, FileTime(clock));
    nextStart();
    EXPECT_FALSE(disk.Exists(TempPath));
    EXPECT_EQ(unfinished, disk.Content("/rec/Recovered 2007-02-03 14.05.09.wav"));
}

// A leftover is named after the time of its first sample: the first track's time in its
// trailer less the audio before that track, whatever the file's times; without a trailer,
// the file's last write less the audio it holds. A name taken is numbered.
TEST_F(RecorderTest, ALeftoverIsNamedAfterWhenItsFirstSampleWasRecorded)
{
    const auto keptAs = [this](const std::vector<uint8_t>& leftover, const QDateTime& written) {
        wav.reset();
        disk.Put(TempPath, leftover, FileTime(written));
        wav = Make();
        wav->init();
        for (const auto& [path, file] : disk.files)
            if (file.bytes == leftover && path != TempPath)
                return path;
        return std::string("(not kept)");
    };
    const QDate day(2024, 5, 6);
    // 2 s at 8000 samples per second; the first track begins 0.5 s in, at 21:30:10.
    const std::vector<uint8_t> audio(32000, 7);
    const auto tracked = MakeWav(8000, audio, 16, 1,
                                 Trailer({TrailerEntry("0071000000", "2024-05-06 21:30:10", "0000008044", "0000032045")}));
    EXPECT_EQ(keptAs(tracked, QDateTime(day, QTime(23, 59, 0))), "/rec/Recovered 2024-05-06 21.30.09.wav")
        << "a file copied later keeps the recording's time";

    // Killed while recording: 1.5 s of audio, the last written at 22:15:03.250.
    const std::vector<uint8_t> killed = MakeWav(8000, std::vector<uint8_t>(24000, 9));
    EXPECT_EQ(keptAs(killed, QDateTime(day, QTime(22, 15, 3, 250))), "/rec/Recovered 2024-05-06 22.15.01.wav");
    std::vector<uint8_t> unfinished = killed;   // a header never brought up to date: the data runs to the end
    unfinished[40] = unfinished[41] = 0;
    EXPECT_EQ(keptAs(unfinished, QDateTime(day, QTime(22, 15, 3, 250))), "/rec/Recovered 2024-05-06 22.15.01 (2).wav");
    EXPECT_EQ(boxes.Last().prompt, "An unsaved recording was found in " + TempPath +
                                       "\nIt has been kept as /rec/Recovered 2024-05-06 22.15.01 (2).wav");
}

// A recording without a sample, with the trailer the program writes at its end: read, it
// would be removed without a word.
std::vector<uint8_t> EmptyWhenRead()
{
    return MakeWav(48000, {}, 16, 1, Trailer({}));
}

// A leftover that cannot be opened or read, for whatever reason, is never removed: it is
// kept unread under the time of its file's last write (its contents cannot tell), with the
// box of any leftover; at start, and at Record, where the recording starts beside it when
// the temporary file's name can be opened.
TEST_F(RecorderTest, ALeftoverThatCannotBeReadIsKeptUnreadUnderTheTimeOfItsLastWrite)
{
    const std::vector<uint8_t> leftover = EmptyWhenRead();
    const QDateTime written(QDate(2024, 5, 6), QTime(22, 15, 3));
    const std::string atStart = "/rec/Recovered 2024-05-06 22.15.03.wav";
    const std::string atRecord = "/rec/Recovered 2024-05-06 22.16.03.wav";
    const auto failReads = [this](int error) {
        disk.readFault = [error](const std::string& path, int64_t, int32_t) { return path == TempPath ? error : 0; };
    };
    const std::vector<std::tuple<const char*, int, std::function<void()>>> faults = {
        {"open EACCES", EACCES, [this] { disk.openErrors[TempPath] = EACCES; }},
        {"open EIO", EIO, [this] { disk.openErrors[TempPath] = EIO; }},
        {"open EMFILE", EMFILE, [this] { disk.openErrors[TempPath] = EMFILE; }},
        {"length EIO", 0, [this] { disk.lengthErrors[TempPath] = EIO; }},
        {"read EIO after the open", 0, [&] { failReads(EIO); }},
    };
    // Each case runs on its own: one that fails does not hide the others.
    for (const auto& fault : faults) [&] {
        const auto& [what, recordError, inject] = fault;
        SCOPED_TRACE(what);
        wav.reset();
        disk.files.clear();
        disk.openErrors.clear();
        disk.lengthErrors.clear();
        disk.readFault = nullptr;
        boxes.boxes.clear();
        disk.Put(TempPath, leftover, FileTime(written));
        inject();
        wav = Make();
        wav->init();
        EXPECT_FALSE(disk.Exists(TempPath));
        EXPECT_EQ(leftover, disk.Content(atStart));
        ASSERT_EQ(1u, boxes.boxes.size());
        EXPECT_EQ("An unsaved recording was found in " + TempPath + "\nIt has been kept as " + atStart, boxes.Last().prompt);

        disk.Put(TempPath, leftover, FileTime(written.addSecs(60)));
        EXPECT_EQ(recordError, StartRecording()) << "a temporary file that cannot be opened cannot be recorded into";
        EXPECT_EQ(leftover, disk.Content(atRecord));
        EXPECT_EQ(leftover, disk.Content(atStart));
        ASSERT_EQ(2u, boxes.boxes.size());
        EXPECT_EQ("An unsaved recording was found in " + TempPath + "\nIt has been kept as " + atRecord, boxes.Last().prompt);
        EXPECT_EQ(recordError == 0, wav->IsRecording());
        EXPECT_FALSE(wav->LeftoverInTheWay());
    }();

    // Where the file's time cannot be had either, the name is of the moment it was found.
    wav.reset();
    disk.files.clear();
    disk.Put(TempPath, leftover, FileTime(written));
    disk.openErrors = {{TempPath, EIO}};
    disk.modifiedErrors[TempPath] = EIO;
    wav = Make();
    wav->init();
    EXPECT_EQ(leftover, disk.Content("/rec/Recovered 2007-02-03 14.05.09.wav"));
}

// Where an unreadable leftover cannot be moved either, it keeps its own name and every
// byte: the box names it and why, and Record neither removes nor overwrites it, says so
// again and starts nothing, until the file can be moved.
TEST_F(RecorderTest, AnUnreadableLeftoverThatCannotBeMovedStaysAndRecordStartsNothing)
{
    const std::vector<uint8_t> leftover = EmptyWhenRead();
    const std::string recovered = "/rec/Recovered 2024-05-06 22.15.03.wav";
    disk.Put(TempPath, leftover, FileTime(QDateTime(QDate(2024, 5, 6), QTime(22, 15, 3))));
    disk.lengthErrors[TempPath] = EIO;
    disk.renameErrors[recovered] = EACCES;
    const std::string told = "An unsaved recording was found in " + TempPath + "\nIt could not be moved: " +
                             WavDisk::Describe(EACCES) + " (Error Code=" + std::to_string(EACCES) +
                             ")\nMove or rename the file before recording again.";
    wav = Make();
    wav->init();
    EXPECT_EQ(leftover, disk.Content(TempPath));
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_EQ(told, boxes.Last().prompt);

    EXPECT_EQ(EACCES, StartRecording());
    EXPECT_EQ(leftover, disk.Content(TempPath)) << "neither removed nor overwritten";
    EXPECT_EQ(1u, disk.files.size());
    EXPECT_FALSE(wav->IsRecording());
    EXPECT_TRUE(wav->LeftoverInTheWay());
    ASSERT_EQ(2u, boxes.boxes.size());
    EXPECT_EQ(told, boxes.Last().prompt);

    disk.renameErrors.clear();
    EXPECT_EQ(0, StartRecording());
    EXPECT_EQ(leftover, disk.Content(recovered));
    EXPECT_FALSE(wav->LeftoverInTheWay());
}

// This session's recording given up at Record (No to "Save it ?") is removed only once it
// was read: a file in its place that cannot be read may be anything, and is kept unread.
TEST_F(RecorderTest, ARecordingGivenUpIsRemovedOnlyOnceItWasRead)
{
    disk.clock = [] { return FileTime(QDateTime(QDate(2024, 5, 6), QTime(22, 15, 3))); };
    Recorded(Half + 2048);
    EXPECT_EQ(0, wav->CloseFile());
    const std::vector<uint8_t> givenUp = disk.Content(TempPath);
    disk.readFault = [](const std::string& path, int64_t, int32_t) { return path == TempPath ? EIO : 0; };
    boxes.Answer(MessageBoxes::vbNo);
    EXPECT_EQ(0, StartRecording());
    EXPECT_EQ(givenUp, disk.Content("/rec/Recovered 2024-05-06 22.15.03.wav"));
    ASSERT_EQ(2u, boxes.boxes.size());
    EXPECT_EQ("Current Recording Not Saved\nDo you want to Save it ?", boxes.boxes[0].prompt);
    EXPECT_EQ("An unsaved recording was found in " + TempPath + "\nIt has been kept as /rec/Recovered 2024-05-06 22.15.03.wav",
              boxes.Last().prompt);

    disk.readFault = nullptr;
    Record(Half + 2048);
    EXPECT_EQ(0, wav->CloseFile());
    boxes.Answer(MessageBoxes::vbNo);
    EXPECT_EQ(0, StartRecording());
    EXPECT_EQ(3u, boxes.boxes.size()) << "read, the recording given up goes without a word";
    EXPECT_EQ(2u, disk.files.size()) << "the one kept and the new recording";
}

TEST_F(RecorderTest, ARecordingStopsCleanlyBeforeItsCountersOverflow)
{
    // 3 kHz, 8 bits: the sample counter is the first 32-bit field to run out.
    wav->RecBlockSizeInSamples(1 << 24);
    wav->Decimator(16);
    wav->BitsPerSample(8);
    disk.keepBytesUpTo = 1 << 16;
    ASSERT_EQ(0, StartRecording());
    std::vector<int16_t> block(1 << 24, 1000);
    int16_t result = 0;
    int calls = 0;
    while ((result = wav->AddSamples(block.data(), 1 << 24)) == 0) {
        ++calls;
        if (wav->BufferFull()) {
            ASSERT_EQ(0, wav->WriteToDisk());
        }
    }
    EXPECT_EQ(127, calls);
    EXPECT_EQ(clsWavFile::ErrNotRunning, result);
    EXPECT_EQ(clsWavFile::ModeStopped, wav->PlayerMode());
    EXPECT_FALSE(wav->IsRecording()) << "the recording was finished";
    ASSERT_EQ(1u, boxes.boxes.size());
    EXPECT_NE(std::string::npos, boxes.Last().prompt.find("Recording stopped: " + TempPath));

    const std::vector<uint8_t> header = disk.Content(TempPath);
    const uint32_t dataSize = WavReader::U32(header, 40);
    EXPECT_EQ(127u << 20, dataSize);
    EXPECT_EQ(36 + dataSize, WavReader::U32(header, 4));
    EXPECT_EQ(Trailer({}), disk.Bytes(TempPath, 44 + int64_t{dataSize}, 5)) << "the trailer follows the data";

    SaveAs("/out/long.wav");
    EXPECT_TRUE(disk.Exists("/out/long.wav"));
}

// The file's length, the trailer of its 64 tracks included, stays within the 32-bit
// bound, so that the player accepts it.
TEST_F(RecorderTest, TheLongestRecordingLeavesRoomForTheTrailerOfItsTracksAndPlays)
{
    wav->RecBlockSizeInSamples(1 << 24);
    disk.keepBytesUpTo = 1 << 16;
    ASSERT_EQ(0, StartRecording());
    std::vector<int16_t> half(1 << 24, 1000);
    for (int track = 1; track < 64; ++track) {
        ASSERT_EQ(0, wav->AddSamples(half.data(), 1 << 24));
        ASSERT_EQ(0, wav->WriteToDisk());
        wav->NewLogRecord(tuned + track * 10000);
    }
    std::vector<int16_t> block(2048, 1000);
    while (wav->AddSamples(block.data(), 2048) == 0) {
    }
    SaveAs("/out/longest.wav");
    const int64_t length = disk.files.at("/out/longest.wav").length;
    EXPECT_LE(length, INT32_MAX);
    EXPECT_GT(length + 4096, INT32_MAX) << "as long as the bound allows, to the block";

    boxes.boxes.clear();
    wav->FileName("/out/longest.wav");
    EXPECT_EQ(length, wav->OpenFile());
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ("Catalogue 64", events.back());
    EXPECT_EQ(length, wav->Play());
    EXPECT_EQ(1000, PlayBlocks(1)[0]);
}

TEST_F(RecorderTest, ARecordingAfterAFileAtAnUnusualRateCarriesItsOwnRate)
{
    OpenForPlayback("/in/odd.wav", MakeWav(22050, Le16({1, 2, 3, 4})));
    EXPECT_EQ(22050, wav->WavSamplingRate());
    Recorded(2048);
    SaveAs("/out/own.wav");
    EXPECT_EQ(48000u, ReadBack("/out/own.wav").sampleRate);
}

TEST_F(RecorderTest, LoadMediaTakesTheChosenFileAndACancelChangesNothing)
{
    EXPECT_EQ("", wav->LoadMedia());
    EXPECT_EQ(std::tuple(clsWavFile::ModeClosed, clsWavFile::MediaNone), std::tuple(wav->PlayerMode(), wav->StatusOfMedia()));

    dialogs.ChooseFile("/in/band/show.wav");
    EXPECT_EQ("/in/band/show.wav", wav->LoadMedia());
    EXPECT_EQ("show.wav", wav->FileShortName());
    EXPECT_EQ(std::tuple(clsWavFile::ModeStopped, clsWavFile::MediaLoaded), std::tuple(wav->PlayerMode(), wav->StatusOfMedia()));
    const FileDialogs::FileRequest& request = dialogs.fileRequests.back();
    EXPECT_EQ(std::tuple(FileDialogs::Mode::Open, std::string("Select Filename"), true),
              std::tuple(request.mode, request.title, request.pathMustExist));
}

} // namespace
