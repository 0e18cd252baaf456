#include "WavReaderRig.h"

#include <cerrno>
#include <climits>

namespace {

constexpr int32_t Half = clsWavFile::DefaultRecBlockSizeInSamples;

// File samples that are never 0, so that zero-stuffing shows in the output.
std::vector<int16_t> Ramp(int32_t count)
{
    std::vector<int16_t> samples(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        samples[static_cast<size_t>(i)] = static_cast<int16_t>(1 + i % 30000);
    return samples;
}

class PlayerTest : public WavFileTest
{
protected:
    // Plays while the player stays in the mode it is in (to the end of the file) and
    // returns the whole output.
    std::vector<int16_t> PlayToEnd(int maxBlocks = 1000)
    {
        std::vector<int16_t> out;
        const int32_t mode = wav->PlayerMode();
        for (int b = 0; b < maxBlocks && wav->PlayerMode() == mode; ++b) {
            const std::vector<int16_t> block = PlayBlocks(1);
            out.insert(out.end(), block.begin(), block.end());
        }
        return out;
    }

    // The file samples heard, with the output index of each.
    static std::vector<std::pair<size_t, int16_t>> Heard(const std::vector<int16_t>& out)
    {
        std::vector<std::pair<size_t, int16_t>> heard;
        for (size_t i = 0; i < out.size(); ++i)
            if (out[i] != 0)
                heard.emplace_back(i, out[i]);
        return heard;
    }

    static std::vector<uint8_t> ThreeTrackFile(const std::vector<int16_t>& samples)
    {
        return MakeWav(48000, Le16(samples), 16, 1,
                       Trailer({TrailerEntry("0007050000", "2007-02-03 12:00:00", "0000000044", "0000040044"),
                                TrailerEntry("0007060000", "2007-02-03 12:01:00", "0000040044", "0000080044"),
                                TrailerEntry("0007070000", "2007-02-03 12:02:00", "0000080044", "0000120045")}));
    }
};

TEST_F(PlayerTest, RefusesFilesItCannotPlayWithAMessageNamingThem)
{
    struct Case
    {
        const char* what;
        std::vector<uint8_t> file;
    };
    const std::vector<uint8_t> data = Le16({1, 2});
    const std::vector<Case> cases = {
        {"shorter than a header", std::vector<uint8_t>(43, 0)},
        {"rate 0", MakeWav(0, data)},
        {"rate above 48000", MakeWav(96000, data)},
        {"stereo", MakeWav(48000, data, 16, 2)},
        {"24-bit", MakeWav(48000, data, 24)},
        {"floating point", MakeWav(48000, data, 16, 1, {}, 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.boxes.clear();
        OpenForPlayback("/in/bad.wav", c.file);
        ASSERT_EQ(1u, boxes.boxes.size());
        EXPECT_EQ(0u, boxes.Last().prompt.find("Unable to play /in/bad.wav\n")) << boxes.Last().prompt;
        EXPECT_EQ(clsWavFile::ModeClosed, wav->PlayerMode());
        EXPECT_TRUE(disk.open.empty());
        EXPECT_EQ(0, wav->Play());
        std::vector<int16_t> block(2048, 7);
        EXPECT_EQ(clsWavFile::ErrNotRunning, wav->GetNextSamples(block.data(), 2048));
        EXPECT_EQ(0, block[0]) << "silence";
    }

    wav->FileName("/in/missing.wav");
    EXPECT_EQ(ENOENT, wav->OpenFile());
    EXPECT_EQ("Unable to open /in/missing.wav\n" + WavDisk::Describe(ENOENT), boxes.Last().prompt);
}

// Each file sample is followed by exactly factor - 1 zeros, in step to the end of the
// file, whether or not the ratio divides the block or the half (over several halves,
// each refilled as soon as it is used up).
TEST_F(PlayerTest, ZeroStuffsFilesAtLowerRatesPlayingEverySampleInStep)
{
    for (const auto& [rate, factor] : {std::pair{24000, 2}, std::pair{16000, 3}, std::pair{9600, 5}, std::pair{8000, 6},
                                       std::pair{7000, 6}, std::pair{1000, 48}}) {
        SCOPED_TRACE(rate);
        const int32_t count = 4 * 65536 / factor;
        const std::vector<int16_t> samples = Ramp(count);
        OpenForPlayback("/in/low.wav", MakeWav(static_cast<uint32_t>(rate), Le16(samples)));
        EXPECT_EQ(rate, wav->WavSamplingRate());
        wav->Play();
        const auto heard = Heard(PlayToEnd());
        ASSERT_EQ(samples.size(), heard.size());
        for (size_t k = 0; k < heard.size(); ++k) {
            ASSERT_EQ(k * factor, heard[k].first) << "file sample " << k;
            ASSERT_EQ(samples[k], heard[k].second) << "file sample " << k;
        }
        EXPECT_EQ(count, wav->NumSamples()) << "file samples played";
        wav->CloseFile();
    }
}

// The header's data size holds when it lies within the file; 0 (left by a recorder that
// ended before its header was finished) plays to the end, and so does a size beyond the
// end (a cut copy).
TEST_F(PlayerTest, PlaysTheHeadersDataSizeAndToTheEndOfTheFileWhenThatCannotHold)
{
    const std::vector<int16_t> samples = Ramp(300);
    const std::vector<uint8_t> chunkAfter = Le16({7, 7, 7, 7});
    for (const auto& [dataSize, heard] : {std::pair{600u, 300u}, std::pair{0u, 304u}, std::pair{100000u, 304u}}) {
        SCOPED_TRACE(dataSize);
        std::vector<uint8_t> file = MakeWav(48000, Le16(samples), 16, 1, chunkAfter);
        for (int i = 0; i < 4; ++i)
            file[40 + static_cast<size_t>(i)] = static_cast<uint8_t>(dataSize >> (8 * i));
        OpenForPlayback("/in/size.wav", file);
        wav->Play();
        const auto played = Heard(PlayBlocks(1));
        EXPECT_EQ(heard, played.size());
        EXPECT_EQ(samples[299], played[299].second);
        wav->CloseFile();
    }
}

TEST_F(PlayerTest, PlaysEightBitFiles)
{
    OpenForPlayback("/in/eight.wav", MakeWav(48000, {0, 128, 255, 64}, 8));
    EXPECT_EQ(8, wav->FileBitsPerSample());
    wav->Play();
    const std::vector<int16_t> out = PlayBlocks(1);
    EXPECT_EQ((std::vector<int16_t>{-32768, 0, 32512, -16384, 0}), std::vector<int16_t>(out.begin(), out.begin() + 5));
}

TEST_F(PlayerTest, NeverPlaysTheTrackLogAsAudio)
{
    const std::vector<int16_t> samples = Ramp(120001);
    OpenForPlayback("/in/log.wav", ThreeTrackFile(samples));
    wav->Play();
    const std::vector<int16_t> out = PlayToEnd();
    EXPECT_EQ(59u * 2048, out.size()) << "the end comes in the block that holds the last sample";
    EXPECT_EQ(samples, std::vector<int16_t>(out.begin(), out.begin() + 120001));
    EXPECT_TRUE(std::all_of(out.begin() + 120001, out.end(), [](int16_t s) { return s == 0; }));
}

// A stray byte after the last whole sample must end the file all the same.
TEST_F(PlayerTest, TheEndOfAFileStopsEvenAfterAStrayByteAndTheNextPlayStartsFromTheBeginning)
{
    const std::vector<int16_t> samples = Ramp(70000);
    for (bool strayByte : {false, true}) {
        SCOPED_TRACE(strayByte);
        std::vector<uint8_t> data = Le16(samples);
        if (strayByte)
            data.push_back(0x55);
        OpenForPlayback("/in/end.wav", MakeWav(48000, data));
        wav->Play();
        EXPECT_EQ(35u * 2048, PlayToEnd(100).size());
        EXPECT_EQ((std::vector<std::string>{"DiskRead 45", "PlayEnd"}), std::vector<std::string>(events.end() - 2, events.end()));
        EXPECT_EQ(clsWavFile::ModeStopped, wav->PlayerMode());
        EXPECT_TRUE(wav->PlayEnd);
        EXPECT_EQ(clsWavFile::ErrNotRunning, wav->GetNextSamples(std::vector<int16_t>(2048).data(), 2048));

        wav->NumSamples(0);
        wav->Play();
        EXPECT_EQ(samples[0], PlayBlocks(1)[0]);
        wav->CloseFile();
    }
}

TEST_F(PlayerTest, LoopingRestartsFromTheEndOfFileHandler)
{
    const std::vector<int16_t> samples = Ramp(3000);
    OpenForPlayback("/in/loop.wav", MakeWav(48000, Le16(samples)));
    onPlayEnd = [this] { wav->Play(); };
    wav->NumSamples(INT32_MAX - 100);  // the count wraps when a loop plays long enough
    wav->Play();
    const std::vector<int16_t> out = PlayBlocks(4);
    EXPECT_EQ(clsWavFile::ModePlaying, wav->PlayerMode());
    EXPECT_EQ(samples[2999], out[2999]);
    EXPECT_EQ(0, out[3000]) << "the rest of the second block is silence";
    EXPECT_EQ(samples[0], out[4096]) << "the third block starts the file again";
    EXPECT_EQ(samples[2047], out[4096 + 2047]);
}

TEST_F(PlayerTest, JumpsToATrackStartOnlyWhilePlayingAndOnlyInsideTheLogAndPlayAfterStopGoesOn)
{
    const std::vector<int16_t> samples = Ramp(100000);
    OpenForPlayback("/in/tracks.wav", ThreeTrackFile(samples));
    EXPECT_EQ("Catalogue 3", events.back());
    wav->PlayFrom(1);
    wav->Play();
    EXPECT_EQ(samples[0], PlayBlocks(1)[0]) << "no jump was requested while stopped";

    for (int32_t outside : {-1, 3, 99}) {
        wav->PlayFrom(outside);
        EXPECT_EQ(2048, wav->NumSamples()) << outside;
    }
    EXPECT_EQ(samples[2048], PlayBlocks(1)[0]);

    wav->Pause();
    wav->PlayFrom(1);
    wav->Pause();
    EXPECT_EQ(samples[4096], PlayBlocks(1)[0]) << "no jump while paused";

    wav->PlayFrom(1);
    EXPECT_EQ(40045, wav->NumSamples());
    EXPECT_EQ(samples[20000], PlayBlocks(1)[0]);

    PlayBlocks(20);  // into the next half
    wav->StopPlayer();
    EXPECT_EQ(clsWavFile::ErrNotRunning, wav->GetNextSamples(std::vector<int16_t>(2048).data(), 2048));
    wav->Play();
    EXPECT_EQ(samples[20000 + 21 * 2048], PlayBlocks(1)[0]);
}

TEST_F(PlayerTest, ReportsProgressOnFifteenBlocksOfSixteenAndFollowsThePositionHalfByHalf)
{
    OpenForPlayback("/in/half.wav", MakeWav(24000, Le16(Ramp(100000))));
    wav->Play();
    progress.clear();
    events.clear();
    std::vector<int> silentBlocks;
    for (int b = 1; b <= 32; ++b) {
        const size_t before = progress.size();
        PlayBlocks(1);
        if (progress.size() == before)
            silentBlocks.push_back(b);
    }
    EXPECT_EQ((std::vector<int>{16, 32}), silentBlocks);
    // Halves of 16384 file samples; each DiskRead gives the first byte of the half now played.
    EXPECT_EQ((std::vector<std::string>{"DiskRead 32813", "ReadNext", "DiskRead 65581", "ReadNext"}), events);
}

TEST_F(PlayerTest, ReplayingTheRecordingLeavesItIntact)
{
    Recorded(Half + 3 * 2048);
    const int64_t firstPart = sent;
    onPlayEnd = [this] { wav->NumSamples(0); };  // as the owner's end-of-file handler does

    wav->RecordPlayback();
    wav->PlayRecording();
    ASSERT_EQ(clsWavFile::ModeReplayingRecording, wav->PlayerMode());
    // Every written sample is heard, the last half too.
    ExpectSignal(PlayToEnd(100), Half, 1, 131);

    // The owner's Record resumes the recording.
    wav->IsPaused(false);
    wav->PlayerMode(clsWavFile::ModeRecording);
    wav->IsRecording(true);
    ASSERT_TRUE(wav->IsRecording());
    Record(Half);
    wav->NewLogRecord(tuned + 100000);
    EXPECT_EQ(44 + 2 * (firstPart + Half), TrackLog[1].S);
    Record(2048);
    SaveAs("/out/replayed.wav");

    ExpectSignal(ReadBack("/out/replayed.wav").Samples16(), static_cast<size_t>(sent));
}

} // namespace
