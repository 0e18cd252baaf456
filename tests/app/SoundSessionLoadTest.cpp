#include "SoundSession.h"

#include "support/BusyMachine.h"

#include <algorithm>
#include <iostream>
#include <iterator>

using namespace SoundSessionJudging;

namespace {

constexpr double LoadedSeconds = 60.0;
constexpr int LoadedHoleBlocks = 3;
constexpr double StopAtSeconds = 20.0;
constexpr int StopMs = 300;
// The stop (seven blocks), the wait for the backlog and the time to fill the reserve again: the
// sound server's stream, which ran dry, is refilled with the silence played meanwhile, and it
// holds three blocks (eleven blocks in all were measured on this machine; ten with a server
// stream of one block).
constexpr int StopHoleBlocks = 12;

// A machine as busy as a developer's while a build runs, and the program at normal priority:
// every hold-up that outlasts the sound the program keeps in hand is heard as a hole. Each is
// short and named in the trace, and between them the tone is as pure as on a quiet machine:
// a hole never bends the pitch of the sound after it. The same with a stop of the whole program
// in the middle.
class SoundSessionUnderLoad : public SoundSession
{
protected:
    explicit SoundSessionUnderLoad(SoundServer server = SoundServer::PulseAudio) : SoundSession(server) {}

    void PlayBetweenHoles(bool stop)
    {
        if (!Start(ChildReceiver::Priority::NeverRealTime))
            return;
        double stoppedAt = -1;
        std::vector<Heard> heard;
        {
            const BusyMachine busy;
            std::cout << "  beside " << busy.Describe() << "\n";
            Power(true);
            if (stop) {
                Wait(StopAtSeconds);
                stoppedAt = rig.RecordingSeconds();
                program.Freeze(StopMs);
            }
            Wait(stop ? LoadedSeconds - StopAtSeconds : LoadedSeconds);
            heard = Listen();
        }
        ASSERT_EQ(heard.size(), 1U);
        heard[0] = WithoutWitnessedHoles(heard[0]);
        ReportSecondsToSound(heard[0]);
        ASSERT_TRUE(heard[0].Sound);
        EXPECT_LE(heard[0].SecondsToSound(), SoundWithinSeconds);
        // The test itself stopped the program: the holes then are its own doing.
        const auto atTheStop = [&](const Hole& hole) {
            return stop && hole.AtSeconds >= stoppedAt - BlockSeconds &&
                   hole.AtSeconds <= stoppedAt + StopMs / 1000.0 + SoundWithinSeconds;
        };
        std::vector<Hole> notAtTheStop;
        std::copy_if(heard[0].Holes.begin(), heard[0].Holes.end(), std::back_inserter(notAtTheStop),
                     [&](const Hole& hole) { return !atTheStop(hole); });
        ExpectHolesWitnessed(notAtTheStop);
        for (const Hole& hole : LengthsToJudge(heard[0].Holes))
            EXPECT_LE(hole.Blocks, atTheStop(hole) ? StopHoleBlocks : LoadedHoleBlocks) << "a long hole at " << hole.AtSeconds << " s";
        EXPECT_TRUE(heard[0].SoundAtTheEnd);
        Troubles();
        EXPECT_EQ(program.Close(), 0);
        ExpectPureTone(heard[0], Windows::BetweenHoles);
    }
};

class SoundSessionUnderLoadOnPipeWire : public SoundSessionUnderLoad
{
protected:
    SoundSessionUnderLoadOnPipeWire() : SoundSessionUnderLoad(SoundServer::PipeWire) {}
};

TEST_F(SoundSessionUnderLoad, KeepsTheToneCleanBetweenShortHoles)
{
    PlayBetweenHoles(false);
}

TEST_F(SoundSessionUnderLoad, KeepsTheToneCleanBetweenShortHolesAndAfterAStop)
{
    PlayBetweenHoles(true);
}

TEST_F(SoundSessionUnderLoadOnPipeWire, KeepsTheToneCleanBetweenShortHoles)
{
    PlayBetweenHoles(false);
}

TEST_F(SoundSessionUnderLoadOnPipeWire, KeepsTheToneCleanBetweenShortHolesAndAfterAStop)
{
    PlayBetweenHoles(true);
}

} // namespace
