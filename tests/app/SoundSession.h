#pragma once

#include "support/ChildReceiver.h"
#include "support/KernelStallWatch.h"
#include "support/PacedSoundRig.h"
#include "support/SoundSessionJudging.h"
#include "support/ToneBreakJudge.h"

#include "platform/SoundBackend.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

static_assert(PacedSoundRig::SampleRate == SoundSessionJudging::SampleRate);

// The built program in a child process on the paced sound server, driven through its own
// panel as a user would: the rig's tones at 13 kHz and 13.959 kHz received in USB on a 12 kHz
// IF with the oscillator above are played at 1 kHz and 1.959 kHz. The rig records what the program plays, and
// the session is judged as a listener hears it, block by block: after each action that
// should bring sound, the sound must come soon, and once it has come it must not stop
// before the next action.
class SoundSession : public ::testing::Test
{
public:
    // What the user chooses on the Soundcard tab and the server then takes away: a sink to play
    // into, a source to listen to (a microphone), or a sink's monitor to listen to.
    enum class Chosen { Sink, Source, Monitor };

protected:
    explicit SoundSession(SoundServer server = SoundServer::PulseAudio, RigOptions options = {})
        : rig(server, options), judgesBreaks_(options.signal != RigSignal::NoisyAM)
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
    // The sound came, and stayed to the span's end: broken only where a witness outside the
    // program saw the rig break or the kernel hold the program (each reported).
    void ExpectUnbrokenSound(const SoundSessionJudging::Heard& heard);
    // The sound came within SoundWithinSeconds, and stayed but for short holes the kernel's
    // witness explains.
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
    // The holes whose length is judged against a fixed cap beside a loaded machine: none where the
    // kernel's memory monitor runs (said in the output), as a page it put out and the program
    // needs again may hold the program for longer; each hole is judged against the kernel's
    // witness all the same (ExpectHolesWitnessed).
    static std::vector<SoundSessionJudging::Hole> LengthsToJudge(const std::vector<SoundSessionJudging::Hole>& holes);
    // The span as heard, less the holes that follow a break of the rig's own signal, come with a
    // break of the reference stream, or are no longer than the kernel's stalls before them
    // explain (each reported).
    SoundSessionJudging::Heard WithoutWitnessedHoles(const SoundSessionJudging::Heard& heard);
    // Every break of the played tone in the span, from after its onset, is explained by a break
    // of the rig's input, of the reference stream or by the kernel holding the program at that
    // moment (reported); judged once a span, where the rig plays its tones.
    void ExpectEveryBreakExplained(const SoundSessionJudging::Heard& heard);

    // Each hole follows a break of the rig's signal, comes with one of the reference stream, or
    // is no longer than the kernel's stalls before it explain (those reported); the program's
    // trace excuses none.
    void ExpectHolesWitnessed(const std::vector<SoundSessionJudging::Hole>& holes);
    // Says, for each hole the kernel's stalls before it explain in part or whole, for how long.
    void ReportTheKernelsWitness(const std::vector<SoundSessionJudging::Hole>& holes) const;

    // The trace lines that tell of trouble, each also written into the test's output; a
    // message box shown fails the test.
    std::vector<std::string> Troubles();
    // Whether the trace's line of this text, its nth (from 0), was seen with a break of the rig's
    // signal or of the reference stream from TraceLateSeconds before it to TraceEarlySeconds after
    // it: the whole machine stalled then, and held the program up with the rig.
    bool CameWithABreakOfTheRig(const std::string& text, size_t nth) const;
    // The trace lines that name a playback underrun.
    std::vector<std::string> Underruns() const;
    // How many times the playback device ran dry, as its trace lines tell.
    size_t DeviceUnderruns() const;

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
    // The sound stays to the span's end, broken only where a witness outside the program saw
    // the machine hold it.
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
    // Notes the trace lines written since it last looked, at the recording's time now; the
    // lines before are left behind when forgetting.
    void ListBusyThreads();
    void WatchTrace(bool forget = false);
    SoundSessionJudging::Heard Judge(const std::vector<double>& levels, size_t action, double endSeconds,
                                     double ahead) const;

    std::vector<Action> actions_;
    std::vector<int16_t> played_;
    // In seconds of the recording: breaks of the played tone, and those of the rig's signal, of
    // the reference stream and of the played tone that something else explains.
    std::vector<double> toneBreaks_;
    SoundSessionJudging::OthersBreaks others_;
    const bool judgesBreaks_;   // the rig plays tones
    std::vector<std::pair<size_t, size_t>> judgedSpans_;   // their first and end blocks
    struct TraceLine
    {
        double AtSeconds = 0;   // where the recording was when it was seen
        std::string Text;
    };
    std::vector<TraceLine> traceSeen_;
    size_t traceLinesSeen_ = 0;
    KernelStallWatch kernel_;   // on the program, from its start
    double letSinkSleepAt_ = -1;   // recording seconds
};

// Debian 12's desktops run PipeWire.
class SoundSessionOnPipeWire : public SoundSession
{
protected:
    SoundSessionOnPipeWire() : SoundSession(SoundServer::PipeWire) {}
};
