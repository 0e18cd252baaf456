#include "SoundSession.h"

using namespace SoundSessionJudging;

namespace {

constexpr const char* Headset = "zoz_headset";

// The program on a sound server whose list of sinks changes as a desktop's does when a
// headset comes and goes: the sink the user chose is kept, by its name, wherever the list
// puts it, and a sink that came while the program ran is offered.
template <SoundServer Server>
class DeviceSession : public SoundSession
{
protected:
    DeviceSession() : SoundSession(Server, true) {}

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

    // The spare sink ahead of the played one goes, and a headset comes: the played sink's
    // number is now the headset's.
    void ShiftTheList()
    {
        ASSERT_TRUE(rig.UnloadSink(PacedSoundRig::SpareSink));
        ASSERT_TRUE(rig.LoadSink(Headset));
    }

    // The configuration window, shown again, lists the headset that came meanwhile.
    void ExpectTheHeadsetListed()
    {
        ASSERT_TRUE(OpenSoundcardTab()) << program.Failure();
        std::string listed;
        EXPECT_FALSE(EntryOfSink("cboPlayDevices", Headset, listed).empty()) << "it lists:" << listed;
        ASSERT_TRUE(program.Click("cmdCancel")) << program.Failure();
    }

    // Chosen while off, the list shifted: On plays into the chosen sink.
    void PlayOnTheChosenSinkAfterTheListShifted()
    {
        if (!Start())
            return;
        ChooseThePlayedSink();
        Wait(2);   // the Apply of OK opens the devices
        ShiftTheList();
        ExpectTheHeadsetListed();
        Power(true);
        Wait(6);
        const std::vector<Heard> heard = Listen();
        ASSERT_EQ(heard.size(), 1U);
        ExpectPromptUnbrokenSound(heard[0]);
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
        // The restart for the new pair is a short silence of its own; the sound is judged from
        // a second after it.
        Click("cmdOK", After::Silence);
        Wait(1);
        SoundShouldCome("TheRestart");
        Wait(6);
        const std::vector<Heard> heard = Listen();
        ASSERT_EQ(heard.size(), 2U);
        for (const Heard& span : heard)
            ExpectPromptUnbrokenSound(span);
        EXPECT_TRUE(program.TraceShows("(pulse:zoz_played) is now number")) << "the sink's number follows it";
        Troubles();
        EXPECT_EQ(program.Close(), 0);
    }
};

using SoundSessionDevices = DeviceSession<SoundServer::PulseAudio>;
using SoundSessionDevicesOnPipeWire = DeviceSession<SoundServer::PipeWire>;

TEST_F(SoundSessionDevices, PlaysOnTheChosenSinkAfterTheListShiftedWhileOff)
{
    PlayOnTheChosenSinkAfterTheListShifted();
}

TEST_F(SoundSessionDevices, KeepsPlayingOnTheChosenSinkWhileTheListShifts)
{
    KeepPlayingOnTheChosenSinkWhileTheListShifts();
}

TEST_F(SoundSessionDevicesOnPipeWire, PlaysOnTheChosenSinkAfterTheListShiftedWhileOff)
{
    PlayOnTheChosenSinkAfterTheListShifted();
}

TEST_F(SoundSessionDevicesOnPipeWire, KeepsPlayingOnTheChosenSinkWhileTheListShifts)
{
    KeepPlayingOnTheChosenSinkWhileTheListShifts();
}

} // namespace
