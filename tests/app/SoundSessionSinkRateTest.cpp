#include "SoundSession.h"

using namespace SoundSessionJudging;

namespace {

constexpr int32_t HeadsetRate = 44100;
constexpr double SinkSeconds = 60.0;
constexpr double PitchTolerance = 1e-4;

// A sink at 44.1 kHz, as many USB headsets' are: the server converts the program's 48 kHz to
// its rate, asking for sound in pieces that no longer divide the blocks. The sound never
// breaks, and the tone keeps its pitch.
class SoundSessionOnAHeadsetSink : public SoundSession
{
protected:
    explicit SoundSessionOnAHeadsetSink(SoundServer server = SoundServer::PulseAudio) : SoundSession(server, {.playedRate = HeadsetRate}) {}

    void PlayAMinute()
    {
        if (!Start())
            return;
        Power(true);
        Wait(SinkSeconds);
        const std::vector<Heard> heard = Listen();
        ASSERT_EQ(heard.size(), 1U);
        const Heard kept = WithoutWitnessedHoles(heard[0]);
        ExpectPromptUnbrokenSound(kept);
        // A window the server broke, if any, has no pitch to speak of: it is left out, as is one
        // near a break of the rig's signal or one something else explains; every other is pure.
        const Purity purity = MeasureTone(kept, Windows::BetweenHoles);
        Troubles();
        EXPECT_EQ(program.Close(), 0);
        EXPECT_GT(purity.Windows, 0U) << "no whole window of sound";
        EXPECT_EQ(purity.Impure, 0) << "windows impure where no witness saw the server or the machine break the sound";
        EXPECT_NEAR(purity.LowestToneHz, PlayedToneHz, PitchTolerance * PlayedToneHz);
        EXPECT_NEAR(purity.HighestToneHz, PlayedToneHz, PitchTolerance * PlayedToneHz);
    }
};

class SoundSessionOnAHeadsetSinkOnPipeWire : public SoundSessionOnAHeadsetSink
{
protected:
    SoundSessionOnAHeadsetSinkOnPipeWire() : SoundSessionOnAHeadsetSink(SoundServer::PipeWire) {}
};

TEST_F(SoundSessionOnAHeadsetSink, PlaysAMinuteUnbrokenAtItsPitch)
{
    PlayAMinute();
}

TEST_F(SoundSessionOnAHeadsetSinkOnPipeWire, PlaysAMinuteUnbrokenAtItsPitch)
{
    PlayAMinute();
}

} // namespace
