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
        const Heard kept = WithoutTheRigsHoles(heard[0]);
        ExpectPromptUnbrokenSound(kept);
        // A window the server broke, if any, has no pitch to speak of: the pure ones are judged.
        const Purity purity = MeasureTone(kept);
        Troubles();
        EXPECT_EQ(program.Close(), 0);
        EXPECT_GE(purity.Windows, 2 * static_cast<size_t>(purity.Impure) + 1) << "most windows pure";
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
