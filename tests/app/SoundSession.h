#pragma once

#include "support/ChildReceiver.h"
#include "support/PacedSoundRig.h"
#include "support/ToneBreakJudge.h"

#include "platform/SoundBackend.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The built program in a child process on the paced sound server, driven through its own
// panel as a user would: the rig's 13 kHz tone received in USB on a 12 kHz IF with the
// oscillator above is played as a 1 kHz tone. The rig records what the program plays, and
// the session is judged as a listener hears it, block by block: after each action that
// should bring sound, the sound must come soon, and once it has come it must not stop
// before the next action.
namespace SoundSessionJudging {

constexpr size_t BlockSamples = 2048;
constexpr double BlockSeconds = static_cast<double>(BlockSamples) / PacedSoundRig::SampleRate;
constexpr double SilentRms = 10.0;            // a block of the tone quieter than this is a hole
// What the device plays when it has no sound: zeros. The receiver's own output of a signal in
// noise may be far quieter than SilentRms (a narrow filter beside the signal, the AGC off)
// without ever being this.
constexpr double DeviceSilenceRms = 1.0;
// A gap of the device's silence this long inside a block makes it a hole too: a gap of about
// a block that straddles two blocks leaves each of them loud on the whole.
constexpr size_t GapSamples = 48;
constexpr double SoundWithinSeconds = 1.0;    // from an action to its first audible block
constexpr double PlayedToneHz = 1000.0;
constexpr size_t PurityWindowBlocks = 40;
constexpr double PurityDb = 80.0;             // of the tone over all else, in every window
// A sample of the played tone that misses the sine through the two before it by more than
// this breaks it (see ToneBreakJudge::ToneBreaks): 64 steps is about a sixteenth of a sample's
// shift of the tone at -12 dBFS, and some twenty times what rounding and a bent pitch make.
constexpr double ToneBreakSteps = 64.0;
// The receiver's first block of sound comes from filters at rest, and the limiter turns that
// whole block down by the overshoot of their start (a few parts in ten thousand, more or less
// with the phase the input starts at): it is the sound's onset, not a fault of the way it is
// played. It begins in the first audible block and ends in the next, so the purity is judged
// from the block after that.
constexpr size_t OnsetBlocks = 2;
// Where the rig's own signal broke on its way in (a server held up by a machine busy elsewhere
// drops some of it), the program plays the break as it came, after its delay: a span from a
// little before such a break to this long after it is not the program's to answer for.
constexpr double InputBreakReachSeconds = ToneBreakJudge::InputDelaySeconds;
// Each hole may last this many blocks for every underrun the trace names at its moment.
constexpr int HoleBlocksPerUnderrun = 3;
// Recorded past the end of the last span, to hear whether a hole at its very end closes.
constexpr double TailSeconds = 0.5;
// The furthest a played sink may play ahead: the longest latency a recorder of it asks for.
constexpr double MostAheadSeconds = 2.0;
// A sink hands its monitor what it plays a period at a time, which its recording places where
// the period was handed on: PulseAudio's played sink, which its 20 ms listeners wake that often,
// ends the sound of an Off in its recording from 12 ms before the click to 26 ms after it (in
// some 200 Offs).
constexpr double SinkPeriodSeconds = 0.02;

// A run of silent blocks after the sound had come.
struct Hole
{
    double AtSeconds = 0;   // where it starts in the recording
    int Blocks = 0;
};

// What was heard from an action that should bring sound until the next action, or the end
// of the recording.
struct Heard
{
    std::string Action;
    double ActionSeconds = 0;
    double EndSeconds = 0;
    bool Sound = false;              // an audible block came at all
    size_t FirstBlock = 0;           // the first audible one
    size_t EndBlock = 0;             // past the last whole block before the end
    std::vector<Hole> Holes;         // after the first audible block
    bool SoundAtTheEnd = false;      // the last block is loud

    double FirstAudibleSeconds() const { return static_cast<double>(FirstBlock) * BlockSeconds; }
    double SecondsToSound() const { return FirstAudibleSeconds() - ActionSeconds; }
};

// The purity of the tone in the worst window of a span.
struct Purity
{
    size_t Windows = 0;
    int Impure = 0;                  // below PurityDb
    double WorstSnrDb = 0;
    double WorstAtSeconds = 0;       // where that window starts in the recording
    double WorstToneHz = 0;
    double LowestToneHz = INFINITY;  // of the pure windows
    double HighestToneHz = 0;
};

} // namespace SoundSessionJudging

class SoundSession : public ::testing::Test
{
public:
    // What the user chooses on the Soundcard tab and the server then takes away: a sink to play
    // into, a source to listen to (a microphone), or a sink's monitor to listen to.
    enum class Chosen { Sink, Source, Monitor };

protected:
    explicit SoundSession(SoundServer server = SoundServer::PulseAudio, RigOptions options = {})
        : rig(server, options), judgesBreaks_(options.signal == RigSignal::Tone)
    {
    }

    // Starts the program, in USB with the AGC off, and the recording; false when the test
    // cannot go on: skipped without a sound server, or failed.
    bool Start(ChildReceiver::Priority priority = ChildReceiver::Priority::NeverRealTime);

    // What a listener should hear after an action: sound, judged from there to the next
    // action that changes it; silence, which ends the sound before it; the sound as it was.
    enum class After { Sound, Silence, Unchanged };
    // A click on a control of the panel.
    void Click(const std::string& control, After after);
    void Power(bool on) { Click(on ? "optPwr_0" : "optPwr_1", on ? After::Sound : After::Silence); }
    // Something else that should bring sound (the signal coming back) is about to happen.
    void SoundShouldCome(const std::string& what);
    // Lets the time pass, and the rig let go of the played sink once the program plays.
    void Wait(double seconds);

    // Shows the configuration window on its Soundcard tab; false with the failure set.
    bool OpenSoundcardTab();
    // The entry of the list that shows the sound server's sink of that name; empty when none
    // does, with the entries listed in listed.
    std::string EntryOfSink(const std::string& list, const char* sink, std::string& listed);

    // Ends the recording: what was heard after each action that should bring sound, in order.
    std::vector<SoundSessionJudging::Heard> Listen();

    // The sound came within SoundWithinSeconds of the action, and stayed to the span's end.
    void ExpectPromptUnbrokenSound(const SoundSessionJudging::Heard& heard);
    // The sound came, and stayed to the span's end.
    void ExpectUnbrokenSound(const SoundSessionJudging::Heard& heard);
    // The sound came within SoundWithinSeconds, and stayed but for short holes the trace explains.
    void ExpectPromptSoundKept(const SoundSessionJudging::Heard& heard);
    // Reports how long the sound took, in the output and the test's properties.
    void ReportSecondsToSound(const SoundSessionJudging::Heard& heard);
    // Every window of the span's recording from after its onset, or every one that holds no
    // hole, no break of the rig's signal or of the reference stream and no break of the played
    // tone that something else explains (a busy machine's holes cannot be helped, what comes
    // after them can): its purity. Between holes, every break of the played tone must be
    // explained first.
    enum class Windows { All, BetweenHoles };
    SoundSessionJudging::Purity ExpectPureTone(const SoundSessionJudging::Heard& heard, Windows windows = Windows::All);
    // The same, reported but not judged.
    SoundSessionJudging::Purity MeasureTone(const SoundSessionJudging::Heard& heard, Windows windows = Windows::All);
    static std::string Describe(const std::vector<SoundSessionJudging::Hole>& holes);
    // The span as heard, less the holes that follow a break of the rig's own signal or come
    // with a break of the reference stream (reported).
    SoundSessionJudging::Heard WithoutTheRigsHoles(const SoundSessionJudging::Heard& heard);
    // Every break of the played tone in the span, from after its onset, is explained by a break
    // of the rig's input, of the reference stream or by the trace at that moment (reported);
    // judged once a span, where the rig plays the tone.
    void ExpectEveryBreakExplained(const SoundSessionJudging::Heard& heard);

    // The trace lines that tell of trouble, each also written into the test's output; a
    // message box shown fails the test.
    std::vector<std::string> Troubles();
    // The trace lines that name a playback underrun.
    std::vector<std::string> Underruns() const;
    // How many times the playback device ran dry, as its trace lines tell.
    size_t DeviceUnderruns() const;
    // The underruns the trace names from a little before the hole to a little after it.
    int UnderrunsAt(const SoundSessionJudging::Hole& hole) const;

    // The cases every server must pass.
    void PlaySteadily(ChildReceiver::Priority priority, double seconds);
    void ComeBackAfterFivePowerCycles();
    void WaitForAnIdleInput();
    void PlayTheRecordingAfterTheRecordersStopAndPlay();
    void ComeBackOnceAfterAShortStop();
    void KeepPlayingOnABusyMachine();
    void PlayOnADeviceChosenWhileOff();
    // The sound server and the devices come and go (SoundLifecycleTest.cpp).
    void ComeBackWhenTheServerReturns();
    void ComeBackAfterTheServerCrashesThreeTimes();
    void SwitchOffAndSayWhyWhileTheServerStaysAway();
    void PlayOnTheDefaultWhileTheChosenDeviceIsGone(Chosen chosen);
    void AgreeWithTheSwitchAfterQuickPowerCycles(int clicksApartMs);

    // On the Soundcard tab, the first device of the list (cboPlayDevices, cboCapDevices) whose
    // entry holds the text, applied with OK; false (with the test skipped) where none does.
    bool ChooseDevice(const std::string& list, const std::string& text);
    // Waits until the trace shows the text; false after the time.
    bool WaitForTrace(const std::string& text, double seconds);
    // A fresh recording after the server came back, with what was heard before left behind.
    bool RecordAgain();
    // The sound stays to the span's end, broken only where the trace names underruns.
    void ExpectSoundKept(const SoundSessionJudging::Heard& heard);

    PacedSoundRig rig;
    ChildReceiver program{ZOZEVERE_PROGRAM, ZOZEVERE_PLUGINS};
    double silentRms = SoundSessionJudging::SilentRms;   // a block quieter than this is a hole

private:
    struct Action
    {
        std::string What;
        double AtSeconds = 0;
        After Then = After::Unchanged;
    };

    // The block of the recording is quieter than silentRms, or holds a gap.
    bool Silent(const std::vector<double>& levels, size_t block) const;
    // Whether a stretch of the recording may carry a break of the rig's own signal.
    bool NearAnInputBreak(double fromSeconds, double toSeconds) const;
    bool NearAReferenceBreak(double fromSeconds, double toSeconds) const;
    bool HoldsAnExplainedBreak(double fromSeconds, double toSeconds) const;
    // Notes the trace lines written since it last looked, at the recording's time now; the
    // lines before are left behind when forgetting.
    void WatchTrace(bool forget = false);
    // Where the trace told of an underrun or of sound left out after a hold-up.
    std::vector<double> TracedTroubles() const;
    SoundSessionJudging::Heard Judge(const std::vector<double>& levels, size_t action, double endSeconds,
                                     double ahead) const;

    std::vector<Action> actions_;
    std::vector<int16_t> played_;
    // In seconds of the recording: breaks of the rig's signal, of the reference stream, of the
    // played tone, and those of the played tone that something else explains.
    std::vector<double> inputBreaks_;
    std::vector<double> referenceBreaks_;
    std::vector<double> toneBreaks_;
    std::vector<double> explainedBreaks_;
    const bool judgesBreaks_;   // the rig plays the tone
    std::vector<std::pair<size_t, size_t>> judgedSpans_;   // their first and end blocks
    struct TraceLine
    {
        double AtSeconds = 0;   // where the recording was when it was seen
        std::string Text;
    };
    std::vector<TraceLine> traceSeen_;
    size_t traceLinesSeen_ = 0;
    double letSinkSleepAt_ = -1;   // recording seconds
};

// Debian 12's desktops run PipeWire.
class SoundSessionOnPipeWire : public SoundSession
{
protected:
    SoundSessionOnPipeWire() : SoundSession(SoundServer::PipeWire) {}
};
