#include "SoundSession.h"

#include "support/HeldSoundServer.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <functional>
#include <iostream>

using namespace SoundSessionJudging;

// The sound server hangs under the receiver (held with SIGSTOP) while it plays, or just before
// the user switches it on: the window goes on as if nothing were wrong with it; a server that
// stays hung ends in one box and the switch Off, one that goes on soon brings the sound back by
// itself.
namespace {

constexpr qint64 LongestAnswerMs = 250;      // of the program's main thread to the panel driver
constexpr qint64 ConfigurationOpensMs = 500;
// The receiver gives up 10 s after the server's last answer, which the loss's report carries
// and which came at most a question's interval (0.5 s) before the hold: the box follows the
// hold by that much, give or take the window's own pace.
constexpr double BoxNotBeforeSeconds = 9.0;
constexpr double BoxWithinSeconds = 10.5;
constexpr double ServerBackSeconds = 1.0;    // from the server's going on to the sound
// A start the server leaves unanswered ends in the box 10 s after the On, give or take the
// window's own pace.
constexpr double BoxAfterOnWithinSeconds = 12.0;
constexpr double StreamsFreedWithinSeconds = 6.0;   // after the server goes on
constexpr double StreamsBackWithinSeconds = 5.0;    // after the next On
constexpr double SwitchedAtSeconds = 0.2;    // into the hold, Off and On
constexpr const char* BoxLine = "MessageBoxes.MsgBox:";
constexpr const char* PowerLine = "optPwr_click : Start Arg=";

size_t CountLines(const std::vector<std::string>& lines, const std::string& text)
{
    return static_cast<size_t>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; }));
}

size_t Occurrences(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

// The program's streams on the server: capture, playback.
struct ProgramStreams
{
    size_t Capture = 0;
    size_t Playback = 0;
    bool operator==(const ProgramStreams&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ProgramStreams& streams)
{
    return out << streams.Capture << " capture and " << streams.Playback << " playback streams";
}

class SoundSessionHang : public SoundSession
{
protected:
    explicit SoundSessionHang(SoundServer server = SoundServer::PulseAudio) : SoundSession(server) {}

    // The longest answer of the program's main thread to the panel driver, asked one question
    // after another until the clock reaches the time: it is the longest the thread was held
    // up meanwhile, and more, as the answers come through files. Where the program shows a
    // box meanwhile, when it did, by the clock.
    qint64 LongestAnswerUntil(const QElapsedTimer& clock, double seconds, double* boxAtSeconds = nullptr)
    {
        qint64 longest = 0;
        while (static_cast<double>(clock.elapsed()) < seconds * 1000) {
            QElapsedTimer answer;
            answer.start();
            if (!program.Tick("chkAGC", false)) {
                ADD_FAILURE() << program.Failure();
                break;
            }
            longest = std::max(longest, answer.elapsed());
            if (boxAtSeconds && *boxAtSeconds < 0 && program.TraceShows(BoxLine))
                *boxAtSeconds = static_cast<double>(clock.elapsed()) / 1000;
        }
        return longest;
    }

    // Milliseconds from the click on the button to the configuration window's Soundcard tab
    // shown, the device lists in it; the window is closed again.
    qint64 OpenTheConfiguration()
    {
        QElapsedTimer clock;
        clock.start();
        EXPECT_TRUE(program.Click("cmdConfig")) << program.Failure();
        while (!program.ChooseTab("TabStrip1", "Soundcard") && clock.elapsed() < 5000)
            QThread::msleep(10);
        const qint64 opened = clock.elapsed();
        std::vector<std::string> entries;
        EXPECT_TRUE(program.Entries("cboPlayDevices", entries)) << program.Failure();
        EXPECT_FALSE(entries.empty());
        EXPECT_TRUE(program.Click("cmdCancel")) << program.Failure();
        return opened;
    }

    // Off and On clicked SwitchedAtSeconds into the hold, before the program can tell that the
    // server hangs; then the window asked until the clock reaches the time. The longest answer.
    qint64 SwitchOffAndOnEarlyInTheHold(const QElapsedTimer& sinceHeld, double seconds, double* boxAtSeconds = nullptr)
    {
        qint64 longest = LongestAnswerUntil(sinceHeld, SwitchedAtSeconds, boxAtSeconds);
        for (const char* control : {"optPwr_1", "optPwr_0"}) {
            QElapsedTimer answer;
            answer.start();
            EXPECT_TRUE(program.Click(control)) << program.Failure();
            longest = std::max(longest, answer.elapsed());
        }
        return std::max(longest, LongestAnswerUntil(sinceHeld, seconds, boxAtSeconds));
    }

    // One box, naming the server that did not answer (and what it did not answer), and the
    // switch Off at the end.
    void ExpectOneBoxAndTheSwitchOff(const std::string& unanswered = "not answering for ")
    {
        const std::vector<std::string> lines = program.TraceLines();
        EXPECT_EQ(CountLines(lines, BoxLine), 1U);
        EXPECT_EQ(CountLines(lines, ": The receiver has stopped: the sound server unix:"), 1U);
        const auto box = std::find_if(lines.begin(), lines.end(),
                                      [](const std::string& line) { return line.find(BoxLine) != std::string::npos; });
        ASSERT_NE(box, lines.end());
        EXPECT_NE(box->find("went away (" + unanswered), std::string::npos) << *box;
        const auto lastSwitch = std::find_if(lines.rbegin(), lines.rend(),
                                             [](const std::string& line) { return line.find(PowerLine) != std::string::npos; });
        ASSERT_NE(lastSwitch, lines.rend());
        EXPECT_NE(lastSwitch->find(std::string(PowerLine) + "1"), std::string::npos)
            << "the switch was not turned Off after the last On: " << *lastSwitch;
    }

    ProgramStreams StreamsOnTheServer()
    {
        return {Occurrences(rig.RecordingStreams(), "\"Receiver input\""), Occurrences(rig.PlayingStreams(), "\"Receiver output\"")};
    }

    void SwitchOffOnceWhileTheServerStaysHung();
    void LeaveNothingOnTheServerOfAStartAnsweredLate(PacedSoundRig::Held what, double heldBeforeOn, double holdSeconds,
                                                     const std::string& unanswered);
    void ComeBackWhenTheServerGoesOn();
    void SwitchOffOnceWhenStartedEarlyInAHang();
    void SwitchOffOnceWhenSwitchedOnTwiceEarlyInAHang();
    void ComeBackWhenStartedEarlyInAShortHang();
    void ComeBackAfterTheHold(const std::function<qint64(const QElapsedTimer&)>& duringTheHold,
                              PacedSoundRig::Held what = PacedSoundRig::Held::Server);
};

class SoundSessionHangOnPipeWire : public SoundSessionHang
{
protected:
    SoundSessionHangOnPipeWire() : SoundSessionHang(SoundServer::PipeWire) {}
};

// Held for 25 s while the receiver plays: the window answers throughout, the configuration
// window opens at once, and one box names the server, the switch Off, within the time.
void SoundSessionHang::SwitchOffOnceWhileTheServerStaysHung()
{
    if (!Start())
        return;
    Power(true);
    Wait(3);
    HeldSoundServer held(rig);
    ASSERT_TRUE(held.Held());
    QElapsedTimer sinceHeld;
    sinceHeld.start();
    // The configuration window is opened before the program can tell that the server hangs,
    // and again while it tries to bring the sound back.
    double boxAt = -1;
    qint64 longest = LongestAnswerUntil(sinceHeld, 0.3, &boxAt);
    const qint64 configurationMs = OpenTheConfiguration();
    longest = std::max(longest, LongestAnswerUntil(sinceHeld, 4, &boxAt));
    const qint64 againMs = OpenTheConfiguration();
    longest = std::max(longest, LongestAnswerUntil(sinceHeld, 25, &boxAt));
    held.Release();
    std::cout << "  longest answer " << longest << " ms, configuration window in " << configurationMs << " ms and "
              << againMs << " ms, box after " << boxAt << " s\n";
    EXPECT_LE(longest, LongestAnswerMs);
    EXPECT_LE(configurationMs, ConfigurationOpensMs);
    EXPECT_LE(againMs, ConfigurationOpensMs);
    EXPECT_GT(boxAt, 0) << "no box while the server was held";
    EXPECT_LE(boxAt, BoxWithinSeconds);
    ExpectOneBoxAndTheSwitchOff();
    EXPECT_EQ(program.Close(), 0);
}

// Switched Off and On 0.2 s into a hold of 12 s: the window answers throughout, the start the
// server does not answer is traced as such, and one box ends with the switch Off.
void SoundSessionHang::SwitchOffOnceWhenStartedEarlyInAHang()
{
    if (!Start())
        return;
    Power(true);
    Wait(3);
    HeldSoundServer held(rig);
    ASSERT_TRUE(held.Held());
    QElapsedTimer sinceHeld;
    sinceHeld.start();
    double boxAt = -1;
    const qint64 longest = SwitchOffAndOnEarlyInTheHold(sinceHeld, 12, &boxAt);
    held.Release();
    std::cout << "  longest answer " << longest << " ms, box after " << boxAt << " s\n";
    EXPECT_LE(longest, LongestAnswerMs);
    EXPECT_GE(boxAt, BoxNotBeforeSeconds) << "the start was not taken as a hang";
    EXPECT_LE(boxAt, BoxWithinSeconds);
    EXPECT_TRUE(program.TraceShows("PulseSoundBackend.Start:the sound server unix:"));
    EXPECT_TRUE(program.TraceShows(" has not answered the start of Capture device "));
    EXPECT_TRUE(program.TraceShows(" did not answer the start of Capture device "));
    ExpectOneBoxAndTheSwitchOff();
    EXPECT_EQ(program.Close(), 0);
}

// Switched On, Off and On again 0.2 s apart early in a hold of 12 s, after the receiver played
// and was switched Off: the second On is a start the server does not answer, like the first,
// rather than a server that cannot be reached, and one box ends with the switch Off.
void SoundSessionHang::SwitchOffOnceWhenSwitchedOnTwiceEarlyInAHang()
{
    if (!Start())
        return;
    Power(true);
    Wait(2);
    ASSERT_TRUE(program.Click("optPwr_1")) << program.Failure();
    HeldSoundServer held(rig);
    ASSERT_TRUE(held.Held());
    QElapsedTimer sinceHeld;
    sinceHeld.start();
    double boxAt = -1;
    qint64 longest = 0;
    double clickAt = SwitchedAtSeconds;
    for (const char* control : {"optPwr_0", "optPwr_1", "optPwr_0"}) {
        longest = std::max(longest, LongestAnswerUntil(sinceHeld, clickAt, &boxAt));
        QElapsedTimer answer;
        answer.start();
        EXPECT_TRUE(program.Click(control)) << program.Failure();
        longest = std::max(longest, answer.elapsed());
        clickAt += SwitchedAtSeconds;
    }
    longest = std::max(longest, LongestAnswerUntil(sinceHeld, 12, &boxAt));
    held.Release();
    std::cout << "  longest answer " << longest << " ms, box after " << boxAt << " s\n";
    EXPECT_LE(longest, LongestAnswerMs);
    EXPECT_GE(boxAt, BoxNotBeforeSeconds) << "the second On was not taken as a start the server did not answer";
    EXPECT_LE(boxAt, BoxWithinSeconds);
    ExpectOneBoxAndTheSwitchOff();
    EXPECT_EQ(program.Close(), 0);
}

// Switched On heldBeforeOn into a hold of holdSeconds (the server, or PipeWire's session
// manager alone, which answers everything but the start of a stream), after the receiver
// played and was switched Off: one box within 12 s of the On and the switch Off, and no word
// that the server answers again while it is held. 6 s after it goes on, nothing of the
// program's is on the server, whose late answer to the starts made streams for nobody; On
// again: one capture and one playback stream.
void SoundSessionHang::LeaveNothingOnTheServerOfAStartAnsweredLate(PacedSoundRig::Held what, double heldBeforeOn,
                                                                   double holdSeconds, const std::string& unanswered)
{
    if (!Start())
        return;
    Power(true);
    Wait(2);
    ASSERT_TRUE(program.Click("optPwr_1")) << program.Failure();
    QElapsedTimer sinceHeld;
    double boxAt = -1;
    {
        HeldSoundServer held(rig, what);
        ASSERT_TRUE(held.Held());
        sinceHeld.start();
        LongestAnswerUntil(sinceHeld, heldBeforeOn);
        ASSERT_TRUE(program.Click("optPwr_0")) << program.Failure();
        QElapsedTimer sinceOn;
        sinceOn.start();
        LongestAnswerUntil(sinceOn, BoxAfterOnWithinSeconds, &boxAt);
        LongestAnswerUntil(sinceHeld, holdSeconds);
        EXPECT_FALSE(program.TraceShows(" answers again")) << "while the server is held";
    }
    std::cout << "  box " << boxAt << " s after the On\n";
    EXPECT_GT(boxAt, 0) << "no box within " << BoxAfterOnWithinSeconds << " s of the On";
    ExpectOneBoxAndTheSwitchOff(unanswered);
    Wait(StreamsFreedWithinSeconds);
    EXPECT_EQ(StreamsOnTheServer(), ProgramStreams{}) << StreamsFreedWithinSeconds << " s after the server went on";

    ASSERT_TRUE(program.Click("optPwr_0")) << program.Failure();
    QElapsedTimer sinceOn;
    sinceOn.start();
    ProgramStreams streams;
    while (!(streams == ProgramStreams{1, 1}) && sinceOn.elapsed() < StreamsBackWithinSeconds * 1000)
        streams = StreamsOnTheServer();
    Wait(0.5);
    EXPECT_EQ(StreamsOnTheServer(), (ProgramStreams{1, 1})) << "after the next On";
    EXPECT_EQ(program.Close(), 0);
}

// Held while the receiver plays, the window asked by duringTheHold (which answers the longest
// answer): it answers throughout, and the sound comes back soon after the server goes on, with
// no message.
void SoundSessionHang::ComeBackAfterTheHold(const std::function<qint64(const QElapsedTimer&)>& duringTheHold,
                                            PacedSoundRig::Held what)
{
    if (!Start())
        return;
    Power(true);
    Wait(3);
    HeldSoundServer held(rig, what);
    ASSERT_TRUE(held.Held());
    QElapsedTimer clock;
    clock.start();
    const qint64 longest = duringTheHold(clock);
    held.Release();
    clock.restart();
    ASSERT_TRUE(RecordAgain());
    const double recordingFrom = static_cast<double>(clock.elapsed()) / 1000 - rig.RecordingSeconds();
    SoundShouldCome("TheServerGoesOn");
    Wait(4);
    const std::vector<Heard> heard = Listen();
    ASSERT_EQ(heard.size(), 1U);
    ReportSecondsToSound(heard[0]);
    std::cout << "  longest answer " << longest << " ms\n";
    EXPECT_LE(longest, LongestAnswerMs);
    ASSERT_TRUE(heard[0].Sound) << "no sound after the server went on";
    const double afterTheServer = recordingFrom + heard[0].FirstAudibleSeconds();
    std::cout << "  sound " << afterTheServer << " s after the server went on\n";
    EXPECT_LE(afterTheServer, ServerBackSeconds);
    ExpectSoundKept(heard[0]);
    EXPECT_FALSE(program.TraceShows(BoxLine));
    EXPECT_EQ(program.Close(), 0);
}

// Switched Off and On 0.2 s into a hold of 2 s.
void SoundSessionHang::ComeBackWhenStartedEarlyInAShortHang()
{
    ComeBackAfterTheHold([this](const QElapsedTimer& clock) { return SwitchOffAndOnEarlyInTheHold(clock, 2); });
}

// Held for 5 s while the receiver plays on.
void SoundSessionHang::ComeBackWhenTheServerGoesOn()
{
    ComeBackAfterTheHold([this](const QElapsedTimer& clock) { return LongestAnswerUntil(clock, 5); });
}

TEST_F(SoundSessionHang, SwitchesOffOnceWhileTheServerStaysHung)
{
    SwitchOffOnceWhileTheServerStaysHung();
}

TEST_F(SoundSessionHang, ComesBackWhenTheServerGoesOn)
{
    ComeBackWhenTheServerGoesOn();
}

TEST_F(SoundSessionHang, SwitchesOffOnceWhenStartedEarlyInAHang)
{
    SwitchOffOnceWhenStartedEarlyInAHang();
}

TEST_F(SoundSessionHang, ComesBackWhenStartedEarlyInAShortHang)
{
    ComeBackWhenStartedEarlyInAShortHang();
}

TEST_F(SoundSessionHang, SwitchesOffOnceWhenSwitchedOnTwiceEarlyInAHang)
{
    SwitchOffOnceWhenSwitchedOnTwiceEarlyInAHang();
}

// Held past the client library's own wait for the starts (30 s), which is no answer.
TEST_F(SoundSessionHang, LeavesNothingOnTheServerOfAStartAnsweredLate)
{
    LeaveNothingOnTheServerOfAStartAnsweredLate(PacedSoundRig::Held::Server, 0.3, 32, "not answering for ");
}

// The session manager held: the server answers the program's questions, but not its starts.
TEST_F(SoundSessionHangOnPipeWire, LeavesNothingOnTheServerOfAStartAnsweredLate)
{
    LeaveNothingOnTheServerOfAStartAnsweredLate(PacedSoundRig::Held::SessionManager, 1, 13,
                                                "not answering the start of a stream for ");
}

// Switched Off and On 0.2 s into a hold of the session manager of 3 s: the starts it leaves
// unanswered count as a hang, and its late answer brings the sound back.
TEST_F(SoundSessionHangOnPipeWire, ComesBackWhenTheSessionManagerGoesOnSoon)
{
    ComeBackAfterTheHold([this](const QElapsedTimer& clock) { return SwitchOffAndOnEarlyInTheHold(clock, 3); },
                         PacedSoundRig::Held::SessionManager);
}

TEST_F(SoundSessionHangOnPipeWire, SwitchesOffOnceWhileTheServerStaysHung)
{
    SwitchOffOnceWhileTheServerStaysHung();
}

TEST_F(SoundSessionHangOnPipeWire, ComesBackWhenTheServerGoesOn)
{
    ComeBackWhenTheServerGoesOn();
}

TEST_F(SoundSessionHangOnPipeWire, SwitchesOffOnceWhenStartedEarlyInAHang)
{
    SwitchOffOnceWhenStartedEarlyInAHang();
}

TEST_F(SoundSessionHangOnPipeWire, ComesBackWhenStartedEarlyInAShortHang)
{
    ComeBackWhenStartedEarlyInAShortHang();
}

TEST_F(SoundSessionHangOnPipeWire, SwitchesOffOnceWhenSwitchedOnTwiceEarlyInAHang)
{
    SwitchOffOnceWhenSwitchedOnTwiceEarlyInAHang();
}

} // namespace
