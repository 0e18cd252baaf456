#include "SoundSession.h"

#include <QThread>

#include <iostream>
#include <map>
#include <regex>

using namespace SoundSessionJudging;

namespace {

// From On to the first sound of the new start, and to both of the program's streams listed.
constexpr double FirstSoundSeconds = 0.5;
// PipeWire runs a sink whose monitor is read at 250 ms or more at its graph's largest quantum,
// 2048 frames (43 ms): a new stream joins the graph at a quantum's edge and its sound comes out
// at the start of a later one, which may take up to two quanta more than at the program's block.
constexpr double LargestPipeWireQuantumSeconds = 2048.0 / PacedSoundRig::SampleRate;
constexpr int32_t LargestQuantumReaderMs = 250;
constexpr int QuantaToJoinAndPlay = 2;
constexpr int QuickCycles = 10;
constexpr double CycleSeconds = 1.0;
// The sound of a start comes at its delay once the device takes it: a device that began this
// much behind capture leaves the first sound later than FirstSoundSeconds.
constexpr int LatestStartMs = 300;
constexpr const char* Ours = "application.name = \"ZOZEVERE\"";

// The played sink, not kept awake, read by the recorder alone at that latency, or by nothing.
RigOptions SinkReadAt(int32_t latencyMs, bool rewinds = false)
{
    return {.recorderLatencyMs = latencyMs, .keepPlayedSinkAwake = false, .playedSinkRewinds = rewinds};
}

// How long after On the first sound may come on the server with the played sink read so.
double FirstSoundBound(SoundServer server, const RigOptions& options)
{
    const bool largestQuantum = server == SoundServer::PipeWire && options.recorderLatencyMs >= LargestQuantumReaderMs;
    return FirstSoundSeconds + (largestQuantum ? QuantaToJoinAndPlay * LargestPipeWireQuantumSeconds : 0.0);
}

// The first sound of every start, On and then quick Off/On clicks (both at once, as the panel's
// own buttons), whatever latency the played sink ran at before the program's stream came: both
// streams are there within half a second, and so is the sound; nothing is dropped as it starts.
class SoundSessionStart : public SoundSession
{
protected:
    explicit SoundSessionStart(SoundServer server, RigOptions options)
        : SoundSession(server, options), firstSoundSeconds_(FirstSoundBound(server, options))
    {
    }

    // Each span heard from its On: the sound within firstSoundSeconds_ and then unbroken but where
    // the rig's signal or the reference stream broke, its tone broken nowhere from the new
    // sound's start on but where they or the kernel explain it.
    // After an Off/On the sink may still play the end of the sound before the Off, and then a gap
    // until the new start's: that gap ends within firstSoundSeconds_ too, and the tone is judged
    // from the new start's sound.
    void StartPromptlyHeard()
    {
        if (!Start())
            return;
        CycleQuickly([this](bool on) { Power(on); }, [this](double seconds) { Wait(seconds); });
        const std::vector<Heard> heard = Listen();
        ASSERT_EQ(heard.size(), static_cast<size_t>(QuickCycles + 1));
        for (const Heard& span : heard) {
            ReportSecondsToSound(span);
            ASSERT_TRUE(span.Sound) << "no sound after " << span.Action << " at " << span.ActionSeconds << " s";
            EXPECT_LE(span.SecondsToSound(), firstSoundSeconds_) << "late after On at " << span.ActionSeconds << " s";
            const double settled = span.ActionSeconds + firstSoundSeconds_;
            for (const Hole& hole : WithoutWitnessedHoles(span).Holes) {
                const bool afterTheOldSound = &span != &heard.front();
                EXPECT_TRUE(afterTheOldSound && hole.AtSeconds + hole.Blocks * BlockSeconds <= settled)
                    << hole.Blocks << " silent blocks at " << hole.AtSeconds << " s after On at " << span.ActionSeconds << " s";
            }
            EXPECT_TRUE(span.SoundAtTheEnd) << "after On at " << span.ActionSeconds << " s";
            ExpectEveryBreakExplained(FromTheNewSound(span, settled));
        }
        ExpectNothingLost();
        EXPECT_EQ(program.Close(), 0);
    }

    // Nobody listens, or what is heard is no true account: the server's streams and the trace
    // tell. The start's lateness is judged too where judgeTheStart.
    void StartWithoutALoss(bool judgeTheStart)
    {
        if (!rig.SkipReason().empty())
            GTEST_SKIP() << rig.SkipReason();
        ASSERT_TRUE(program.Start(ChildReceiver::Priority::NeverRealTime)) << program.Failure();
        const auto click = [this](bool on) { ASSERT_TRUE(program.Click(on ? "optPwr_0" : "optPwr_1")) << program.Failure(); };
        const auto wait = [](double seconds) { QThread::msleep(static_cast<unsigned long>(seconds * 1000)); };
        CycleQuickly(click, wait);
        ExpectNothingLost();
        if (judgeTheStart) {
            EXPECT_LE(LatestStart(), LatestStartMs) << "ms behind capture as the sound started";
        }
        EXPECT_EQ(program.Close(), 0);
    }

    template <typename Click, typename Wait>
    void CycleQuickly(const Click& power, const Wait& wait)
    {
        power(true);
        for (int cycle = 0; cycle <= QuickCycles; ++cycle) {
            if (cycle > 0) {
                power(false);
                power(true);
            }
            wait(FirstSoundSeconds);
            ExpectBothStreams(cycle);
            wait(CycleSeconds - FirstSoundSeconds);
        }
    }

    void ExpectBothStreams(int cycle)
    {
        EXPECT_NE(rig.PlayingStreams().find(Ours), std::string::npos) << "no playback stream after cycle " << cycle;
        EXPECT_NE(rig.RecordingStreams().find(Ours), std::string::npos) << "no capture stream after cycle " << cycle;
    }

    // Where the machine stalled the rig's own streams as well, the sound the program lost with
    // them is left unjudged (reported).
    void ExpectNothingLost()
    {
        std::map<std::string, size_t> earlier;
        for (const std::string& line : Troubles()) {
            if (CameWithABreakOfTheRig(line, earlier[line]++)) {
                std::cout << "  left unjudged, with a break of the rig: " << line << "\n";
                continue;
            }
            EXPECT_EQ(line.find("dropped"), std::string::npos) << line;
            EXPECT_EQ(line.find("silence played"), std::string::npos) << line;
        }
    }

    // The most the device began behind capture at any start, in milliseconds.
    int LatestStart() const
    {
        static const std::regex began("Playback began ([0-9]+) ms behind capture");
        int latest = 0;
        for (const std::string& line : program.TraceLines()) {
            std::smatch match;
            if (std::regex_search(line, match, began)) {
                std::cout << "  trace: " << line << "\n";
                latest = std::max(latest, std::stoi(match[1]));
            }
        }
        return latest;
    }

    const double firstSoundSeconds_;
};

template <int32_t LatencyMs, SoundServer Server>
class SoundSessionStartReadAt : public SoundSessionStart
{
protected:
    SoundSessionStartReadAt() : SoundSessionStart(Server, SinkReadAt(LatencyMs)) {}
};

using SoundSessionStartOnASinkReadAt20ms = SoundSessionStartReadAt<20, SoundServer::PulseAudio>;
using SoundSessionStartOnASinkReadAt250ms = SoundSessionStartReadAt<250, SoundServer::PulseAudio>;
using SoundSessionStartOnASinkReadAt2s = SoundSessionStartReadAt<2000, SoundServer::PulseAudio>;
using SoundSessionStartOnPipeWireOnASinkReadAt20ms = SoundSessionStartReadAt<20, SoundServer::PipeWire>;
using SoundSessionStartOnPipeWireOnASinkReadAt250ms = SoundSessionStartReadAt<250, SoundServer::PipeWire>;
using SoundSessionStartOnPipeWireOnASinkReadAt2s = SoundSessionStartReadAt<2000, SoundServer::PipeWire>;

TEST_F(SoundSessionStartOnASinkReadAt20ms, SoundsWithinHalfASecondOfEveryOn) { StartPromptlyHeard(); }
TEST_F(SoundSessionStartOnASinkReadAt250ms, SoundsWithinHalfASecondOfEveryOn) { StartPromptlyHeard(); }
TEST_F(SoundSessionStartOnASinkReadAt2s, SoundsWithinHalfASecondOfEveryOn) { StartPromptlyHeard(); }
TEST_F(SoundSessionStartOnPipeWireOnASinkReadAt20ms, SoundsWithinHalfASecondOfEveryOn) { StartPromptlyHeard(); }
TEST_F(SoundSessionStartOnPipeWireOnASinkReadAt250ms, SoundsWithinHalfASecondOfEveryOn) { StartPromptlyHeard(); }
TEST_F(SoundSessionStartOnPipeWireOnASinkReadAt2s, SoundsWithinHalfASecondOfEveryOn) { StartPromptlyHeard(); }

// Nothing reads the played sink: it runs at the server's own latency until the program plays.
template <SoundServer Server>
class SoundSessionStartUnheard : public SoundSessionStart
{
protected:
    SoundSessionStartUnheard() : SoundSessionStart(Server, SinkReadAt(0)) {}
};

using SoundSessionStartOnAnUnreadSink = SoundSessionStartUnheard<SoundServer::PulseAudio>;
using SoundSessionStartOnPipeWireOnAnUnreadSink = SoundSessionStartUnheard<SoundServer::PipeWire>;

TEST_F(SoundSessionStartOnAnUnreadSink, StartsOnTimeWithBothStreams) { StartWithoutALoss(true); }
TEST_F(SoundSessionStartOnPipeWireOnAnUnreadSink, StartsOnTimeWithBothStreams) { StartWithoutALoss(true); }

// A sink that ran at 2 s before the program's stream came and takes back only as much of what it
// rendered ahead as the new stream's own latency: it plays out the rest before it takes the new
// sound, a second or two later (PulseAudio's null sink; a sound card's sink takes all of it
// back). The sound starts late, but as it starts nothing is dropped and no silence follows it.
class SoundSessionStartOnASinkThatPlaysOutItsLead : public SoundSessionStart
{
protected:
    SoundSessionStartOnASinkThatPlaysOutItsLead() : SoundSessionStart(SoundServer::PulseAudio, SinkReadAt(2000, true)) {}
};

TEST_F(SoundSessionStartOnASinkThatPlaysOutItsLead, LosesNothingAsTheSoundStarts)
{
    if (!rig.SkipReason().empty())
        GTEST_SKIP() << rig.SkipReason();
    std::string failure;
    ASSERT_TRUE(rig.StartRecording(failure)) << failure;   // the sink runs at 2 s while the program is off
    StartWithoutALoss(false);
}

} // namespace
