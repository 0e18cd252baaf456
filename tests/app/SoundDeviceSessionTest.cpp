#include "SoundSession.h"

using namespace SoundSessionJudging;

namespace {

constexpr const char* Headset = "zoz_headset";
constexpr int BriefHoleBlocks = 3;   // as the busy machine's sessions allow

// The program on a sound server whose list of sinks changes as a desktop's does when a
// headset comes and goes: the sink the user chose is kept, by its name, wherever the list
// puts it, and a sink that came while the program ran is offered.
template <SoundServer Server>
class DeviceSession : public SoundSession
{
protected:
    DeviceSession() : SoundSession(Server, {.spareSinkAhead = true}) {}

    // The played sink chosen on the Soundcard tab: the list holds "default", the tone sink,
    // the spare sink and then the played one.
    void ChooseThePlayedSink()
    {
        ASSERT_TRUE(OpenSoundcardTab()) << program.Failure();
        std::string listed;
        const std::string sink = EntryOfSink("cboPlayDevices", PacedSoundRig::PlayedSink, listed);
        ASSERT_FALSE(sink.empty()) << "the Soundcard tab lists no " << PacedSoundRig::PlayedSink << "; it lists:" << listed;
        ASSERT_TRUE(program.Choose("cboPlayDevices", sink)) << program.Failure();
        ASSERT_TRUE(program.Click("cmdOK")) << program.Failure();
    }

    // Sound on the played sink, the one recorded: it comes within a second of the action and
    // is there at the end; a sink played by mistake would give none. A busy machine may break
    // it briefly where the kernel was seen to hold the program, which is no matter of the
    // device; a list read that held the program up would be a long hole.
    void ExpectSoundOnThePlayedSink(const Heard& heard)
    {
        ReportSecondsToSound(heard);
        ASSERT_TRUE(heard.Sound) << "no sound on " << PacedSoundRig::PlayedSink << " after " << heard.Action;
        EXPECT_LE(heard.SecondsToSound(), SoundWithinSeconds);
        EXPECT_TRUE(heard.SoundAtTheEnd);
        ExpectHolesWitnessed(heard.Holes);
        for (const Hole& hole : heard.Holes)
            EXPECT_LE(hole.Blocks, BriefHoleBlocks) << "a long hole at " << hole.AtSeconds << " s";
    }

    // The spare sink ahead of the played one goes, and a headset comes: the played sink's
    // number is now the headset's.
    void ShiftTheList()
    {
        ASSERT_TRUE(rig.UnloadSink(PacedSoundRig::SpareSink));
        ASSERT_TRUE(rig.LoadSink(Headset));
    }

    // The settings of an earlier run keep the played sink, fourth in the list then; the list
    // shifts before the program starts, and the fourth sink is now the headset: On plays
    // into the played sink.
    void PlayOnTheStoredSinkAfterTheListShifted()
    {
        if (!rig.SkipReason().empty())
            GTEST_SKIP() << rig.SkipReason();
        program.AddSettings("[frmMain]\r\nCurrentPlaybackDevice=4\r\nCurrentPlaybackDeviceName=pulse:zoz_played\r\n");
        ShiftTheList();
        if (!Start())
            return;
        Power(true);
        Wait(6);
        const std::vector<Heard> heard = Listen();
        ASSERT_EQ(heard.size(), 1U);
        ExpectSoundOnThePlayedSink(heard[0]);
        EXPECT_TRUE(program.TraceShows("(pulse:zoz_played) is now number")) << "the sink's number follows it";
        Troubles();
        EXPECT_EQ(program.Close(), 0);
    }

    // The list shifts while the program plays: the sound goes on unbroken, also while the
    // configuration window reads the lists and shows the headset; a new capture device picked
    // there (the tone sink's monitor by its own name), which opens both devices again, brings
    // the sound back on the chosen sink.
    void KeepPlayingOnTheChosenSinkWhileTheListShifts()
    {
        if (!Start())
            return;
        ChooseThePlayedSink();
        Wait(2);
        Power(true);
        Wait(3);
        ShiftTheList();
        Wait(1);
        ASSERT_TRUE(OpenSoundcardTab()) << program.Failure();
        std::string listed;
        EXPECT_FALSE(EntryOfSink("cboPlayDevices", Headset, listed).empty()) << "it lists:" << listed;
        const std::string input = EntryOfSink("cboCapDevices", "zoz_signal.monitor", listed);
        ASSERT_FALSE(input.empty()) << "it lists:" << listed;
        ASSERT_TRUE(program.Choose("cboCapDevices", input)) << program.Failure();
        // The restart for the new pair is a short silence of its own, and the new streams may
        // stumble as they start; the sound is judged from two seconds after it.
        Click("cmdOK", After::Silence);
        Wait(2);
        SoundShouldCome("TheRestart");
        Wait(6);
        const std::vector<Heard> heard = Listen();
        ASSERT_EQ(heard.size(), 2U);
        for (const Heard& span : heard)
            ExpectSoundOnThePlayedSink(span);
        EXPECT_TRUE(program.TraceShows("(pulse:zoz_played) is now number")) << "the sink's number follows it";
        Troubles();
        EXPECT_EQ(program.Close(), 0);
    }
};

using SoundSessionDevices = DeviceSession<SoundServer::PulseAudio>;
using SoundSessionDevicesOnPipeWire = DeviceSession<SoundServer::PipeWire>;

TEST_F(SoundSessionDevices, PlaysOnTheStoredSinkAfterTheListShiftedBeforeTheStart)
{
    PlayOnTheStoredSinkAfterTheListShifted();
}

TEST_F(SoundSessionDevices, KeepsPlayingOnTheChosenSinkWhileTheListShifts)
{
    KeepPlayingOnTheChosenSinkWhileTheListShifts();
}

TEST_F(SoundSessionDevicesOnPipeWire, PlaysOnTheStoredSinkAfterTheListShiftedBeforeTheStart)
{
    PlayOnTheStoredSinkAfterTheListShifted();
}

TEST_F(SoundSessionDevicesOnPipeWire, KeepsPlayingOnTheChosenSinkWhileTheListShifts)
{
    KeepPlayingOnTheChosenSinkWhileTheListShifts();
}

} // namespace
