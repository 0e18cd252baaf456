#include "MainWindowRig.h"
#include "dsp/DspTestSignals.h"

#include <QCheckBox>
#include <QRadioButton>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace {

// One signal that every mode of both chains turns into a steady tone: a carrier at the IF,
// amplitude-modulated to half depth at 1 kHz (the AM detectors and either sideband hear
// 1 kHz) and phase-modulated at 1.5 kHz (the FM discriminator hears 1.5 kHz; the envelope
// does not change). DRM passes the IF on, whose carrier is its tone; so does the I/Q
// chain's SAM, which it does not have. The I/Q receiver gets the complex signal.
constexpr double CarrierHz = 12000;
constexpr double AMHz = 1000;
constexpr double PMHz = 1500;
constexpr double AGCTarget = 16383;   // the peak the AGC holds

double Radians(double hz, int64_t n) { return 2.0 * DspTest::Pi * hz * static_cast<double>(n) / DspTest::SampleRate; }

double Signal(int64_t n, bool quadrature)
{
    const double envelope = 6000.0 * (1.0 + 0.5 * std::cos(Radians(AMHz, n)));
    const double phase = Radians(CarrierHz, n) + 0.5 * std::sin(Radians(PMHz, n));
    return envelope * (quadrature ? std::sin(phase) : std::cos(phase));
}

double ToneHz(bool iq, int32_t mode)
{
    if (mode == DemodModeEnum::FM)
        return PMHz;
    if (mode == DemodModeEnum::DRM || (iq && mode == DemodModeEnum::SAM))
        return CarrierHz;
    return AMHz;
}

constexpr int32_t Modes[] = {DemodModeEnum::AM,  DemodModeEnum::USB, DemodModeEnum::LSB, DemodModeEnum::DRM,
                             DemodModeEnum::FM,  DemodModeEnum::BC,  DemodModeEnum::SAM};

struct Block
{
    double tone = 0;   // the mode's tone fitted over the block
    double peak = 0;
};

// The receiver running on its own block loop, the deferred block work after each block as
// the playback notifications make it run (so a mode's filters are redesigned after the
// first block that runs in it, as in the program).
class ModeChange : public MainWindowRig
{
protected:
    void SetUp() override
    {
        MainWindowRig::SetUp();
        window->Power->optPwr[0]->setChecked(true);
    }

    Block RunBlock(bool iq, int32_t mode)
    {
        std::vector<int16_t> left(BlockSize), right(BlockSize);
        for (int k = 0; k < BlockSize; ++k) {
            left[k] = static_cast<int16_t>(std::lround(Signal(position + k, false)));
            right[k] = static_cast<int16_t>(iq ? std::lround(Signal(position + k, true)) : 0);
        }
        window->SoundCard_DataReady(left, right, BlockSize);
        window->Deferred->tmrPerfStats_Timer();
        std::vector<float> out(left.begin(), left.end());
        Block block;
        block.tone = DspTest::FitTone(out.data(), BlockSize, ToneHz(iq, mode), position, 1.0).gain;
        for (const int16_t sample : left)
            block.peak = std::max(block.peak, std::fabs(static_cast<double>(sample)));
        position += BlockSize;
        return block;
    }

    std::vector<Block> RunMode(bool iq, int32_t mode, int blocks)
    {
        window->Receive->optMode_Click(mode);
        std::vector<Block> run;
        for (int b = 0; b < blocks; ++b)
            run.push_back(RunBlock(iq, mode));
        return run;
    }

    // A mode's own output without the AGC, once it has run for a while: the largest block
    // peak and the tone.
    struct Steady
    {
        double peak = 0;
        double tone = 0;
        // The level at which the AGC holds the tone: the peak brought to 16383.
        double AGCLevel() const { return AGCTarget * tone / peak; }
    };

    std::map<int32_t, Steady> SteadyOutputs(bool iq)
    {
        window->Receive->chkAGC->setChecked(false);
        std::map<int32_t, Steady> steady;
        for (const int32_t mode : Modes) {
            const std::vector<Block> run = RunMode(iq, mode, 12);
            for (size_t b = 6; b < run.size(); ++b) {
                steady[mode].peak = std::max(steady[mode].peak, run[b].peak);
                steady[mode].tone += run[b].tone / 6;
            }
        }
        return steady;
    }

    int64_t position = 0;
};

constexpr int BlocksIn1s = 23;   // 23.4375 blocks per second

// Without the AGC, no block after a switch is louder than the new mode's own output: the
// new mode's filters start from cleared histories, and the chain stays silent until they
// hold the new mode's signal only, so neither another mode's history nor a filter's start
// is heard.
TEST_F(ModeChange, NoBlockAfterASwitchIsLouderThanTheNewModesOwnOutput)
{
    for (const bool iq : {false, true}) {
        IQModeOn = iq;
        const std::map<int32_t, Steady> steady = SteadyOutputs(iq);
        for (const int32_t from : Modes) {
            for (const int32_t to : Modes) {
                if (to == from)
                    continue;
                SCOPED_TRACE(testing::Message() << (iq ? "I/Q " : "single ") << from << " -> " << to);
                RunMode(iq, from, 6);
                const std::vector<Block> after = RunMode(iq, to, 6);
                for (size_t b = 0; b < after.size(); ++b)
                    EXPECT_LE(DspTest::Decibels(after[b].peak / steady.at(to).peak), 0.5) << "block " << b;
                EXPECT_NEAR(DspTest::Decibels(after.back().tone / steady.at(to).tone), 0.0, 0.25);
            }
        }
    }
}

// After a switch with the AGC on, the new mode's tone stands within 1 dB of its steady level
// within 1 s, and no block plays it louder than that: the AGC forgets the old mode's peaks
// and starts from the new mode's first block that sounds. The slowest AGC, which holds a
// peak for 10 s, is the hardest case.
TEST_F(ModeChange, WithTheAGCEveryModeReachesItsLevelWithin1sOfASwitchAndNeverExceedsIt)
{
    for (const bool iq : {false, true}) {
        IQModeOn = iq;
        const std::map<int32_t, Steady> steady = SteadyOutputs(iq);
        window->Receive->chkAGC->setChecked(true);
        window->Receive->optAGC_Click(3);
        for (const int32_t from : Modes) {
            for (const int32_t to : Modes) {
                if (to == from)
                    continue;
                SCOPED_TRACE(testing::Message() << (iq ? "I/Q " : "single ") << from << " -> " << to);
                RunMode(iq, from, 24);
                const std::vector<Block> after = RunMode(iq, to, BlocksIn1s + 6);
                for (size_t b = 0; b < after.size(); ++b) {
                    const double dB = DspTest::Decibels(after[b].tone / steady.at(to).AGCLevel());
                    EXPECT_LE(dB, 0.25) << "block " << b;
                    if (b >= BlocksIn1s) {
                        EXPECT_GE(dB, -1.0) << "block " << b;
                    }
                }
            }
        }
    }
}

} // namespace
