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

// A chunk: id, size, body, and the pad byte that follows a body of odd size.
std::vector<uint8_t> Chunk(const char* id, const std::vector<uint8_t>& body)
{
    std::vector<uint8_t> chunk(id, id + 4);
    for (int i = 0; i < 4; ++i)
        chunk.push_back(static_cast<uint8_t>(body.size() >> (8 * i)));
    chunk.insert(chunk.end(), body.begin(), body.end());
    if (body.size() % 2 != 0)
        chunk.push_back(0);
    return chunk;
}

// A WAV file of the given chunks.
std::vector<uint8_t> Riff(const std::vector<std::vector<uint8_t>>& chunks)
{
    std::vector<uint8_t> body{'W', 'A', 'V', 'E'};
    for (const auto& chunk : chunks)
        body.insert(body.end(), chunk.begin(), chunk.end());
    return Chunk("RIFF", body);
}

// A mono format chunk's body of 16, 18 (an empty extension) or 40 bytes (the extensible
// format, whose sub-format carries the format tag), or of any other size, zero-filled.
std::vector<uint8_t> Format(uint32_t rate, size_t size, uint16_t tag = 1, uint16_t bits = 16)
{
    std::vector<uint8_t> body(size, 0);
    auto put = [&](size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            body[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    };
    put(0, size == 40 ? 0xFFFE : tag, 2);
    put(2, 1, 2);
    put(4, rate, 4);
    put(8, rate * bits / 8, 4);
    put(12, bits / 8, 2);
    put(14, bits, 2);
    if (size == 40) {
        put(16, 22, 2);   // the extension's size
        put(18, bits, 2);
        put(24, tag, 2);  // the sub-format's first bytes
    }
    return body;
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

// A file that is no WAV file is one the player cannot open; one in a format it does not
// play is refused with what it holds. Either way nothing is opened and nothing plays.
TEST_F(PlayerTest, RefusesFilesItCannotPlayWithAMessageNamingThem)
{
    struct Case
    {
        const char* what;
        std::vector<uint8_t> file;
        const char* message;
    };
    const std::vector<uint8_t> data = Le16({1, 2});
    const std::vector<uint8_t> wav16 = MakeWav(48000, data);
    std::vector<uint8_t> rifx = wav16, wavx = wav16;
    rifx[3] = 'X';
    wavx[11] = 'X';
    std::vector<std::vector<uint8_t>> manyChunks{Chunk("fmt ", Format(48000, 16))};
    manyChunks.insert(manyChunks.end(), 2000, Chunk("junk", {}));
    manyChunks.push_back(Chunk("data", data));
    const char* const cannotOpen = "Unable to open /in/bad.wav\nIt is not a WAV file: it does not begin with RIFF and WAVE.";
    const char* const cannotPlay = "Unable to play /in/bad.wav\n";
    const std::vector<Case> cases = {
        {"empty", {}, cannotOpen},
        {"RIFX", rifx, cannotOpen},
        {"WAVX", wavx, cannotOpen},
        {"garbage", std::vector<uint8_t>(4000, 0x5A), cannotOpen},
        {"header cut short", std::vector<uint8_t>(wav16.begin(), wav16.begin() + 43), cannotPlay},
        {"rate 0", MakeWav(0, data), cannotPlay},
        {"rate above 48000", MakeWav(96000, data), cannotPlay},
        {"stereo", MakeWav(48000, data, 16, 2), cannotPlay},
        {"24-bit", MakeWav(48000, data, 24), cannotPlay},
        {"floating point", MakeWav(48000, data, 16, 1, {}, 3), cannotPlay},
        {"extensible floating point", Riff({Chunk("fmt ", Format(48000, 40, 3)), Chunk("data", data)}), cannotPlay},
        {"format of 20 bytes", Riff({Chunk("fmt ", Format(48000, 20)), Chunk("data", data)}), cannotPlay},
        {"data before the format", Riff({Chunk("data", data), Chunk("fmt ", Format(48000, 16))}), cannotPlay},
        {"no data chunk", Riff({Chunk("fmt ", Format(48000, 16)), Chunk("LIST", data)}), cannotPlay},
        {"a chunk running past the end", Riff({Chunk("fmt ", Format(48000, 16)), {'L', 'I', 'S', 'T', 0xFF, 0xFF, 0xFF, 0x7F}}),
         cannotPlay},
        {"2000 chunks before the data", Riff(manyChunks), cannotPlay},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        boxes.boxes.clear();
        OpenForPlayback("/in/bad.wav", c.file);
        ASSERT_EQ(1u, boxes.boxes.size());
        EXPECT_EQ(0u, boxes.Last().prompt.find(c.message)) << boxes.Last().prompt;
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

// Files of other programs: only the data chunk's samples are heard, whatever chunks come
// before or after it and whatever the size of the format chunk.
TEST_F(PlayerTest, PlaysExactlyTheDataChunkWhateverChunksSurroundIt)
{
    const std::vector<int16_t> samples = Ramp(5000);
    const std::vector<uint8_t> data = Le16(samples);
    const std::vector<uint8_t> list = Chunk("LIST", std::vector<uint8_t>(13, 'i'));  // odd: a pad byte follows
    const std::vector<uint8_t> fact = Chunk("fact", {0x88, 0x13, 0, 0});
    const std::vector<uint8_t> unknown = Chunk("zz9 ", std::vector<uint8_t>(1000, 0x11));
    struct Case
    {
        const char* what;
        std::vector<uint8_t> file;
    };
    const std::vector<Case> cases = {
        {"LIST before", Riff({Chunk("fmt ", Format(48000, 16)), list, Chunk("data", data)})},
        {"fact and unknown before, LIST after", Riff({Chunk("fmt ", Format(48000, 16)), fact, unknown, Chunk("data", data), list})},
        {"format of 18 bytes, LIST after", Riff({Chunk("fmt ", Format(48000, 18)), Chunk("data", data), list})},
        {"extensible format of 40 bytes, fact before, unknown after",
         Riff({Chunk("fmt ", Format(48000, 40)), fact, Chunk("data", data), unknown, fact})},
        {"unknown before the format", Riff({unknown, Chunk("fmt ", Format(48000, 18)), list, Chunk("data", data)})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenForPlayback("/in/other.wav", c.file);
        ASSERT_TRUE(boxes.boxes.empty()) << boxes.Last().prompt;
        EXPECT_EQ("Catalogue 0", events.back());
        wav->Play();
        const std::vector<int16_t> out = PlayToEnd();
        ASSERT_EQ(3u * 2048, out.size()) << "the end comes in the block that holds the last sample";
        EXPECT_EQ(samples, std::vector<int16_t>(out.begin(), out.begin() + 5000));
        EXPECT_TRUE(std::all_of(out.begin() + 5000, out.end(), [](int16_t s) { return s == 0; }));

        wav->NumSamples(0);
        wav->Play();
        EXPECT_EQ(samples[0], PlayBlocks(1)[0]) << "played again from the first sample";
        wav->CloseFile();
    }

    // An 8-bit data chunk of odd size: its pad byte is no sample.
    OpenForPlayback("/in/odd.wav", Riff({Chunk("fmt ", Format(48000, 18, 1, 8)), Chunk("data", {0, 255, 64}), list}));
    wav->Play();
    const std::vector<int16_t> out = PlayBlocks(1);
    EXPECT_EQ((std::vector<int16_t>{-32768, 32512, -16384, 0}), std::vector<int16_t>(out.begin(), out.begin() + 4));
    EXPECT_TRUE(wav->PlayEnd);
}

// The recorder's own files, at every rate and both widths, play back sample for sample.
TEST_F(PlayerTest, EveryRecordingPlaysBackExactly)
{
    for (const int32_t decimator : {1, 2, 16}) {
        for (const int32_t bits : {16, 8}) {
            SCOPED_TRACE(std::to_string(decimator) + " " + std::to_string(bits));
            wav->Decimator(decimator);
            wav->BitsPerSample(bits);
            wav->RecBlockSizeInSamples(8192);
            Recorded(3 * 8192 + 3000);  // the last half only partly filled
            SaveAs("/out/back.wav");
            wav->FileName("/out/back.wav");
            wav->OpenFile();
            wav->Play();
            const std::vector<int16_t> out = PlayToEnd();
            const int64_t fileSamples = (sent + decimator - 1) / decimator;
            ASSERT_GE(static_cast<int64_t>(out.size()), fileSamples * decimator);
            for (int64_t i = 0; i < static_cast<int64_t>(out.size()); ++i) {
                const int64_t k = i / decimator;
                const int16_t recorded = Signal(k * decimator);
                const int16_t expected = i % decimator != 0 || k >= fileSamples ? 0
                                         : bits == 16                          ? recorded
                                                     : static_cast<int16_t>((recorded >> 8) * 256);
                ASSERT_EQ(expected, out[static_cast<size_t>(i)]) << "output sample " << i;
            }
            wav->CloseFile();
        }
    }
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
