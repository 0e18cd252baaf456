#include "WavReaderRig.h"

#include <QFile>

namespace {

using FormatTest = WavFileTest;

TEST_F(FormatTest, ARecordingOnDiskIsAnOrdinaryWavFileWithTheTrackLogAfterIt)
{
    SetWavDisk(nullptr);  // this one goes to the real disk
    wav->TempFileName = home.file("~QELVOWAV.TMP");
    Recorded(48000);
    SaveAs(home.file("one second.wav"));
    ASSERT_TRUE(boxes.boxes.empty()) << boxes.Last().prompt;

    const std::vector<uint8_t> bytes = WavReader::Slurp(home.file("one second.wav"));
    const std::vector<uint8_t> header(bytes.begin(), bytes.begin() + 44);
    const std::vector<uint8_t> expected = {
        'R', 'I', 'F', 'F', 0x24, 0x77, 0x01, 0x00, 'W', 'A', 'V', 'E',  // 36 + 96000
        'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,                     // PCM, one channel
        0x80, 0xBB, 0x00, 0x00, 0x00, 0x77, 0x01, 0x00,                  // 48000, 96000 bytes/s
        2, 0, 16, 0, 'd', 'a', 't', 'a', 0x00, 0x77, 0x01, 0x00};        // 96000 data bytes
    EXPECT_EQ(expected, header);

    const WavReader file = WavReader::Parse(bytes);
    ASSERT_TRUE(file.ok);
    ExpectSignal(file.Samples16(), 48000);
    EXPECT_EQ(Trailer({TrailerEntry("0071000000", "2007-02-03 14:05:09", "0000000044", "0000096045")}), file.after);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(home.file("~QELVOWAV.TMP"))));
}

TEST_F(FormatTest, ANewTrackBeginsWhenTheFrequencyMovesByMoreThan99Point9Hz)
{
    Recorded(20480);
    wav->NewLogRecord(tuned + 999);
    EXPECT_EQ(2u, TrackLog.size()) << "999 tenths start no track";
    clock = clock.addSecs(1);
    wav->NewLogRecord(tuned + 1000);
    Record(20480);
    clock = clock.addSecs(1);
    wav->NewLogRecord(tuned);  // and back
    Record(4096);

    ASSERT_EQ(4u, TrackLog.size());
    EXPECT_EQ(0, TrackLog[3].F) << "the trailing element stays empty";

    // Each track ends where the next begins; the last one past the last data byte.
    SaveAs("/out/three.wav");
    EXPECT_EQ(Trailer({TrailerEntry("0071000000", "2007-02-03 14:05:09", "0000000044", "0000041004"),
                       TrailerEntry("0071001000", "2007-02-03 14:05:10", "0000041004", "0000081964"),
                       TrailerEntry("0071000000", "2007-02-03 14:05:11", "0000081964", "0000090157")}),
              ReadBack("/out/three.wav").after);
}

TEST_F(FormatTest, TrackStartsCountDecimatedSamples)
{
    wav->Decimator(2);
    Recorded(102400);
    wav->NewLogRecord(tuned - 20000);
    EXPECT_EQ(102444, TrackLog[1].S);
}

TEST_F(FormatTest, NoTrackIsLoggedBelow100HzAndTheTrailerIsThenOnlyTheMarker)
{
    tuned = 999;
    Recorded(2048);
    EXPECT_EQ(1u, TrackLog.size());
    SaveAs("/out/none.wav");
    EXPECT_EQ(Trailer({}), ReadBack("/out/none.wav").after);
}

TEST_F(FormatTest, APlayerReadsTheTrackLogBack)
{
    const std::vector<uint8_t> tail = Trailer({TrailerEntry("0007050000", "2007-02-03 12:34:56", "0000000044", "0000000244"),
                                               TrailerEntry("0014200000", "2008-12-31 23:59:59", "0000000244", "0000000444"),
                                               TrailerEntry("0003500000", "2009-01-01 00:00:00", "0000000444", "0000000445")});
    OpenForPlayback("/in/three.wav", MakeWav(48000, std::vector<uint8_t>(400, 1), 16, 1, tail));
    EXPECT_EQ("Catalogue 3", events.back());
    ASSERT_EQ(4u, TrackLog.size());
    EXPECT_EQ(7050000, TrackLog[0].F);
    EXPECT_EQ(QDateTime(QDate(2007, 2, 3), QTime(12, 34, 56)), TrackLog[0].T);
    EXPECT_EQ(244, TrackLog[1].S);
    EXPECT_EQ(444, TrackLog[1].E);
    EXPECT_EQ(QDateTime(QDate(2009, 1, 1), QTime(0, 0, 0)), TrackLog[2].T);
    EXPECT_EQ(0, TrackLog[3].S);
    EXPECT_FALSE(TrackLog[3].T.isValid());
}

// A file whose trailer is missing, foreign or malformed plays normally, its log read up to the
// first entry that cannot be decoded (empty entries are skipped).
TEST_F(FormatTest, TrackLogDecodingSkipsEmptyEntriesAndEndsAtTheFirstMalformedOne)
{
    const std::vector<uint8_t> first = TrailerEntry("0007050000", "2007-02-03 12:34:56", "0000000044", "0000000046");
    const std::vector<uint8_t> second = TrailerEntry("0007060000", "2007-02-03 12:35:56", "0000000046", "0000000051");
    const std::vector<uint8_t> malformed = TrailerEntry("0007070000", "2007-02-30 25:00:00", "0000000046", "0000000051");
    const std::vector<uint8_t> unterminated(second.begin(), second.end() - 2);
    const std::vector<uint8_t> noSeparator = {'F', 0, '=', 0, '1', 0, 0, 0};
    struct Case
    {
        const char* what;
        std::vector<uint8_t> trailer;
        int tracks;
    };
    const std::vector<Case> cases = {
        {"no room for a trailer", {}, 0},
        {"another chunk", {'L', 'I', 'S', 'T', 4, 0, 0, 0, 1, 2, 3, 4}, 0},
        {"the marker alone", Trailer({}), 0},
        {"a malformed frequency", Trailer({TrailerEntry("00000abcde", "2007-02-03 12:34:56", "0000000044", "0000000050")}), 0},
        {"megabytes of zeros", Trailer({std::vector<uint8_t>(8 << 20, 0)}), 0},
        {"empty entries between", Trailer({first, std::vector<uint8_t>(6, 0), second}), 2},
        {"a malformed time", Trailer({first, malformed, second}), 1},
        {"a field without its separator", Trailer({first, noSeparator, second}), 1},
        {"an unterminated last entry", Trailer({first, unterminated}), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenForPlayback("/in/log.wav", MakeWav(48000, Le16({100, 200, 300}), 16, 1, c.trailer));
        EXPECT_EQ("Catalogue " + std::to_string(c.tracks), events.back());
        ASSERT_EQ(static_cast<size_t>(c.tracks + 1), TrackLog.size());
        EXPECT_EQ(0, TrackLog.back().F) << "the last element stays empty";
        if (c.tracks > 0) {
            EXPECT_EQ(7050000, TrackLog[0].F);
        }
        EXPECT_EQ(clsWavFile::ModeStopped, wav->PlayerMode()) << "the file plays normally";
        wav->Play();
        const std::vector<int16_t> out = PlayBlocks(1);
        EXPECT_EQ((std::vector<int16_t>{100, 200, 300, 0}), std::vector<int16_t>(out.begin(), out.begin() + 4))
            << "what follows the data is not played";
    }
}

} // namespace
