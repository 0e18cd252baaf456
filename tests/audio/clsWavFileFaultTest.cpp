// The recorder under faults, on the real file system: a file-size limit in a forked
// child stands in for a full disk, and a child recorder is killed while it records.
#include "WavReaderRig.h"
#include "support/ChildChecks.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int32_t Half = 4096;           // samples per recording half in these tests
constexpr int64_t HalfBytes = 2 * Half;

// A disk that takes no more than bytes per file: writes beyond fail with EFBIG. The
// program ignores SIGXFSZ, so the child does too.
void LimitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = std::min(bytes, limit.rlim_max);
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &limit));
}

WavReader ReadFile(const std::string& path)
{
    return WavReader::Parse(WavReader::Slurp(path));
}

std::vector<uint8_t> OneTrack(int64_t dataBytes)
{
    char end[24];
    std::snprintf(end, sizeof end, "%010lld", static_cast<long long>(44 + dataBytes + 1));
    return Trailer({TrailerEntry("0071000000", "2007-02-03 14:05:09", "0000000044", end)});
}

class FaultTest : public WavFileTest
{
protected:
    void SetUp() override
    {
        WavFileTest::SetUp();
        SetWavDisk(nullptr);
        wav->TempFileName = temp;
        wav->RecBlockSizeInSamples(Half);
    }

    const std::string temp = home.file("~QELVOWAV.TMP");
    const std::string kept = home.file("kept.wav");
};

TEST_F(FaultTest, AFailedWriteEndsTheRecordingWithAValidFileAndNothingAfterTheGap)
{
    ExpectInChild([&] {
        LimitFileSize(44 + 5 * HalfBytes / 2);  // room for two halves and a half
        ASSERT_EQ(0, StartRecording());
        std::vector<int16_t> block(2048);
        int32_t failed = 0;
        for (int call = 0; call < 12 && failed == 0; ++call) {
            for (int i = 0; i < 2048; ++i)
                block[static_cast<size_t>(i)] = Signal(sent++);
            ASSERT_EQ(0, wav->AddSamples(block.data(), 2048));
            if (wav->BufferFull())
                failed = wav->WriteToDisk();
        }
        EXPECT_EQ(EFBIG, failed);
        ASSERT_EQ(1u, boxes.boxes.size()) << "told once";
        EXPECT_EQ(0u, boxes.Last().prompt.find("Recording stopped: unable to write to " + temp + "\n" +
                                               WavDisk::Describe(EFBIG) + " (Error Code=" + std::to_string(EFBIG) + ")"));
        EXPECT_EQ(clsWavFile::ModeStopped, wav->PlayerMode());
        EXPECT_EQ(clsWavFile::ErrAddNotRecording, wav->AddSamples(block.data(), 2048)) << "the recording ended";
        wav->IsRecording(true);
        EXPECT_FALSE(wav->IsRecording()) << "a resume cannot append after the gap";
        ExpectSignal(ReadFile(temp).Samples16(), 2 * Half);

        LimitFileSize(RLIM_INFINITY);
        SaveAs(kept);
        EXPECT_EQ(1u, boxes.boxes.size());
        const WavReader file = ReadFile(kept);
        ExpectSignal(file.Samples16(), 2 * Half);
        EXPECT_EQ(OneTrack(2 * HalfBytes), file.after) << "the trailer follows the written audio, nothing else";
    });
}

TEST_F(FaultTest, ASaveThatFailedSavesTheWholeRecordingOnceThereIsRoomAndRecordAsksMeanwhile)
{
    ExpectInChild([&] {
        Recorded(2 * Half + 1000);
        const int64_t dataBytes = 2 * sent;
        LimitFileSize(static_cast<rlim_t>(44 + dataBytes + 20));  // the audio fits, the trailer does not
        SaveAs(kept);
        ASSERT_EQ(1u, boxes.boxes.size());
        EXPECT_EQ("Unable to close temporary file " + temp + "\n Please report this problem to QELVO\n Error Code=" +
                      std::to_string(EFBIG),
                  boxes.Last().prompt);
        EXPECT_EQ(clsWavFile::MediaUnsaved, wav->StatusOfMedia());

        boxes.Answer(MessageBoxes::vbYes);
        EXPECT_EQ(clsWavFile::ErrRecordingOpen, wav->OpenRecording()) << "the recording cannot be saved yet";
        ASSERT_EQ(3u, boxes.boxes.size());
        EXPECT_EQ("Current Recording Not Saved\nDo you want to Save it ?", boxes.boxes[1].prompt);
        EXPECT_EQ(boxes.boxes[0].prompt, boxes.boxes[2].prompt);

        LimitFileSize(RLIM_INFINITY);
        wav->Save();  // the name chosen at the first Save is still waiting in the dialog
        EXPECT_EQ(3u, boxes.boxes.size());
        EXPECT_EQ(clsWavFile::MediaSaved, wav->StatusOfMedia());
        const WavReader file = ReadFile(kept);
        ExpectSignal(file.Samples16(), static_cast<size_t>(sent));
        EXPECT_EQ(OneTrack(dataBytes), file.after);
        EXPECT_FALSE(std::filesystem::exists(temp));
    });
}

// Each child records, paced, and reports every half written; it is killed at a random
// moment. Its file must hold every reported half, exactly, and the next start keeps it.
TEST_F(FaultTest, AKilledRecorderLeavesAValidFileOfEveryWrittenHalfAndTheNextStartKeepsIt)
{
    std::mt19937 random(17);
    int keptFiles = 0;
    for (int round = 1; round <= 6; ++round) {
        SCOPED_TRACE(round);
        int pipeEnds[2];
        ASSERT_EQ(0, pipe(pipeEnds));
        const pid_t pid = fork();
        ASSERT_NE(-1, pid);
        if (pid == 0) {
            close(pipeEnds[0]);
            int32_t halves = 0;
            if (StartRecording() != 0 || write(pipeEnds[1], &halves, sizeof halves) != sizeof halves)
                _exit(1);
            std::vector<int16_t> block(2048);
            for (;;) {
                for (int i = 0; i < 2048; ++i)
                    block[static_cast<size_t>(i)] = Signal(sent++);
                wav->AddSamples(block.data(), 2048);
                if (wav->BufferFull() && wav->WriteToDisk() == 0) {
                    ++halves;
                    if (write(pipeEnds[1], &halves, sizeof halves) != sizeof halves)
                        _exit(1);
                }
                usleep(500);
            }
        }
        close(pipeEnds[1]);
        int32_t reported = -1;
        ASSERT_EQ(static_cast<ssize_t>(sizeof reported), read(pipeEnds[0], &reported, sizeof reported)) << "started";
        usleep(std::uniform_int_distribution<useconds_t>(5000, 150000)(random));
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        while (read(pipeEnds[0], &reported, sizeof reported) == sizeof reported) {
        }
        close(pipeEnds[0]);

        const std::vector<uint8_t> leftover = WavReader::Slurp(temp);
        const WavReader file = WavReader::Parse(leftover);
        ASSERT_TRUE(file.ok);
        ASSERT_EQ(0u, file.data.size() % HalfBytes) << "whole halves";
        ASSERT_GE(file.data.size(), static_cast<size_t>(reported * HalfBytes));
        ExpectSignal(file.Samples16(), file.data.size() / 2);
        if (file.data.empty())
            continue;

        // Its last write half a second after the clock's time, and the length of its audio:
        // the recording began half a second after the clock's time.
        const int64_t lastWrite = clock.toMSecsSinceEpoch() * 1'000'000 + 500'000'000 +
                                  static_cast<int64_t>(file.data.size()) * 1'000'000'000 / (2 * 48000);
        const timespec times[2] = {{lastWrite / 1'000'000'000, lastWrite % 1'000'000'000},
                                   {lastWrite / 1'000'000'000, lastWrite % 1'000'000'000}};
        ASSERT_EQ(0, utimensat(AT_FDCWD, temp.c_str(), times, 0));
        boxes.boxes.clear();
        clsWavFile next;
        next.TempFileName = home.file("~QELVOTMP.WAV");  // the start-up's name; Record sets temp
        next.Now = [this] { return clock; };
        next.init();
        const std::string recovered = home.file("Recovered 2007-02-03 14.05.09" +
                                                (++keptFiles == 1 ? std::string() : " (" + std::to_string(keptFiles) + ")") +
                                                ".wav");
        EXPECT_FALSE(std::filesystem::exists(temp));
        EXPECT_EQ(leftover, WavReader::Slurp(recovered));
        ASSERT_EQ(1u, boxes.boxes.size());
        EXPECT_EQ("An unsaved recording was found in " + temp + "\nIt has been kept as " + recovered, boxes.Last().prompt);
    }
}

// A recordings folder the user may not write to gives the system's error. Root may write
// anywhere, so the child takes an ordinary user's rights first.
TEST_F(FaultTest, RecordingInAFolderWithoutWriteRightsGivesTheSystemsError)
{
    const std::string folder = home.file("read-only");
    ASSERT_EQ(0, mkdir(folder.c_str(), 0555));
    ASSERT_EQ(0, chmod(home.path().c_str(), 0755));
    ExpectInChild([&] {
        ASSERT_TRUE(TakeAnOrdinaryUsersRights());
        wav->TempFileName = folder + "/~QELVOWAV.TMP";
        EXPECT_EQ(EACCES, wav->OpenRecording());
        EXPECT_FALSE(wav->IsRecording());
        EXPECT_FALSE(std::filesystem::exists(wav->TempFileName));
    });
}

// A leftover the user cannot read (mode 000) on the real disk is moved, never removed: at the
// start, under the time of its last write, and at Record, where the new recording starts
// beside it. Root reads anything, so the child takes an ordinary user's rights first; where
// the mode still does not bind it, the test is skipped.
TEST_F(FaultTest, AnUnreadableLeftoverOnTheDiskIsKeptAtTheStartAndAtRecord)
{
    constexpr int PermissionDoesNotBind = 77;
    const std::string folder = home.file("recordings");
    ASSERT_EQ(0, mkdir(folder.c_str(), 0777));
    ASSERT_EQ(0, chmod(folder.c_str(), 0777));
    ASSERT_EQ(0, chmod(home.path().c_str(), 0755));
    const std::vector<uint8_t> leftover = MakeWav(48000, std::vector<uint8_t>(HalfBytes, 0x11), 16, 1, OneTrack(HalfBytes));
    const std::string leftoverPath = folder + "/~QELVOWAV.TMP";
    const auto putUnreadable = [&](time_t lastWrite) {
        std::ofstream(leftoverPath, std::ios::binary).write(reinterpret_cast<const char*>(leftover.data()),
                                                           static_cast<std::streamsize>(leftover.size()));
        const timespec times[2] = {{lastWrite, 0}, {lastWrite, 0}};
        return utimensat(AT_FDCWD, leftoverPath.c_str(), times, 0) == 0 && chmod(leftoverPath.c_str(), 0) == 0;
    };
    const auto keptAs = [&](const std::string& name) {
        const std::string path = folder + "/" + name;
        chmod(path.c_str(), 0600);
        return WavReader::Slurp(path);
    };
    std::fflush(stdout);
    const pid_t pid = fork();
    ASSERT_NE(-1, pid);
    if (pid == 0) {
        if (!TakeAnOrdinaryUsersRights())
            _exit(PermissionDoesNotBind);
        const QDateTime written(QDate(2024, 5, 6), QTime(22, 15, 3));
        if (!putUnreadable(written.toSecsSinceEpoch()))
            _exit(1);
        if (access(leftoverPath.c_str(), R_OK) == 0)
            _exit(PermissionDoesNotBind);
        clsWavFile next;
        next.TempFileName = folder + "/~QELVOTMP.WAV";
        next.Now = [this] { return clock; };
        next.init();
        const std::string atStart = "Recovered 2024-05-06 22.15.03.wav";
        EXPECT_FALSE(std::filesystem::exists(leftoverPath));
        EXPECT_EQ(leftover, keptAs(atStart));
        EXPECT_EQ(1u, boxes.boxes.size());
        EXPECT_EQ("An unsaved recording was found in " + leftoverPath + "\nIt has been kept as " + folder + "/" + atStart,
                  boxes.Last().prompt);

        if (!putUnreadable(written.addSecs(60).toSecsSinceEpoch()))
            _exit(1);
        next.TempFileName = leftoverPath;
        EXPECT_EQ(0, next.OpenRecording());
        EXPECT_EQ(0, next.CloseFile());
        EXPECT_EQ(leftover, keptAs("Recovered 2024-05-06 22.16.03.wav"));
        EXPECT_EQ(leftover, keptAs(atStart));
        std::fflush(stdout);
        _exit(testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == PermissionDoesNotBind)
        GTEST_SKIP() << "a file of mode 000 stays readable to this user (no ordinary user's rights to take)";
    EXPECT_EQ(0, WEXITSTATUS(status)) << "the child's checks failed (above)";
}

TEST_F(FaultTest, ThePlayerRefusesAtOnceWhatIsNoFileOnADisk)
{
    const std::string fifo = home.file("pipe.wav");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    for (const std::string& path : {fifo, home.path()}) {
        SCOPED_TRACE(path);
        wav->FileName(path);
        EXPECT_EQ(WavDisk::NotRegularFile, wav->OpenFile());
        EXPECT_EQ("Unable to open " + path + "\nIt is not a file on a disk (a pipe, a device or a folder cannot be played).",
                  boxes.Last().prompt);
        EXPECT_EQ(clsWavFile::ModeClosed, wav->PlayerMode());
    }
}

} // namespace
