#include "ReceiveChainRig.h"
#include "core/Globals.h"
#include "dsp/clsFFTReal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

// A crystal receiver tuned away from its crystal by an offset V: the chain moves the I/Q
// pair by V, so every offset whose pass band lies within the captured span hears as offset
// 0 does.
namespace {

using ChainTest::Radians;

constexpr double SpanHz = 24000.0;   // either side of the crystal's oscillator
// About a kilohertz, 10 Hz more: the pair's samples do not repeat within a block, so the
// chain's balance, which compares the channels' largest values, finds them equal (a tone at
// a sixth of the sample rate gives I and Q different peaks).
constexpr double AudioHz = 1010.0;
// Nor can it balance a tone that turns less than once a block: such a tone at the
// oscillator is left out.
constexpr double NearOscillatorHz = 100.0;
constexpr int AnalysedPoints = 4096; // the last two blocks

struct Filter
{
    int32_t lo, hi;
};
constexpr Filter Filter2{300, 2300};
constexpr Filter Filter4{240, 4000};

// Where a received frequency, relative to the frequency shown, lies in the pair as the
// sound card captures it: the receiver shows the crystal's oscillator less the IF plus the
// offset, its upper image the oscillator plus the IF plus the offset, and its I/Q pair
// turns a frequency above the oscillator into a negative one.
double CapturedHz(bool upper, int32_t offsetHz, double aboveShownHz)
{
    const double shownAboveOscillator = (upper ? IFCentreHz : -IFCentreHz) + offsetHz;
    return -(shownAboveOscillator + aboveShownHz);
}

ReceiveChainRig::Signal Cos(double hz) { return [=](int64_t n) { return 6000.0 * std::cos(Radians(hz, n)); }; }
ReceiveChainRig::Signal Sin(double hz) { return [=](int64_t n) { return 6000.0 * std::sin(Radians(hz, n)); }; }

// The output's lines: amplitudes from a Blackman-Harris window (side lobes 92 dB down).
class Lines
{
public:
    Lines()
    {
        fft_.FFTInit(AnalysedPoints);
        for (int k = 0; k < AnalysedPoints; ++k) {
            const double x = 2.0 * DspTest::Pi * k / AnalysedPoints;
            window_[static_cast<size_t>(k)] =
                static_cast<float>(0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x));
        }
    }

    // The strongest line at least six bins away from the tone, in decibels re the tone.
    double StrongestOtherLine(const std::vector<float>& out, double toneHz)
    {
        std::vector<float> samples(out.end() - AnalysedPoints, out.end());
        for (size_t k = 0; k < samples.size(); ++k)
            samples[k] *= window_[k];
        std::vector<float> re(AnalysedPoints), im(AnalysedPoints);
        fft_.FFT_Real_S_2(samples, re, im);
        const double toneBin = toneHz * AnalysedPoints / DspTest::SampleRate;
        double tone = 0, other = 0;
        for (int k = 1; k < AnalysedPoints / 2; ++k) {
            const double magnitude = std::hypot(re[static_cast<size_t>(k)], im[static_cast<size_t>(k)]);
            double& strongest = std::fabs(k - toneBin) < 6 ? tone : other;
            strongest = std::max(strongest, magnitude);
        }
        return DspTest::Decibels(other / tone);
    }

private:
    clsFFTReal fft_;
    std::vector<float> window_ = std::vector<float>(AnalysedPoints);
};

struct Reception
{
    double level;     // the wanted tone's amplitude
    double spurious;  // the strongest other line, dB re the tone
    double mirror;    // the opposite sideband's tone, dB re the wanted tone
};

Reception Receive(int32_t mode, Filter filter, bool upper, int32_t offsetHz, Lines& lines)
{
    const double side = mode == DemodModeEnum::USB ? 1.0 : -1.0;
    const auto run = [&](double aboveShownHz) {
        ReceiveChainRig rig(mode, filter.lo, filter.hi);
        IQModeOn = true;
        VFOControl = false;
        IQSelectUpper = upper;
        HiSideLoOn = true;
        RITOffset = offsetHz;   // as the software oscillator's offset leaves it
        const double hz = CapturedHz(upper, offsetHz, aboveShownHz);
        return rig.Run(Cos(hz), Sin(hz), 4);
    };
    const std::vector<float> wanted = run(side * AudioHz);
    const std::vector<float> mirrored = run(-side * AudioHz);
    const double level = ChainTest::ToneAmplitude(wanted, AudioHz);
    return {level, lines.StrongestOtherLine(wanted, AudioHz),
            DspTest::Decibels(ChainTest::ToneAmplitude(mirrored, AudioHz) / level)};
}

// The pass band and both tones lie inside the captured span, neither tone at the oscillator.
bool PassbandInsideSpan(bool upper, int32_t offsetHz, Filter filter)
{
    const double centre = std::fabs(CapturedHz(upper, offsetHz, 0));
    const auto awayFromOscillator = [&](double aboveShownHz) {
        return std::fabs(CapturedHz(upper, offsetHz, aboveShownHz)) > NearOscillatorHz;
    };
    return centre + filter.hi < SpanHz && awayFromOscillator(AudioHz) && awayFromOscillator(-AudioHz);
}

TEST(IQOffset, EveryOffsetWithinTheSpanHearsAsOffsetZeroDoes)
{
    Lines lines;
    int swept = 0;
    for (const int32_t mode : {DemodModeEnum::USB, DemodModeEnum::LSB})
        for (const Filter filter : {Filter2, Filter4})
            for (const bool upper : {false, true}) {
                const double reference = Receive(mode, filter, upper, 0, lines).level;
                for (int32_t offset = -24000; offset <= 24000; offset += 500) {
                    if (!PassbandInsideSpan(upper, offset, filter))
                        continue;
                    const Reception r = Receive(mode, filter, upper, offset, lines);
                    const std::string where = "mode " + std::to_string(mode) + ", filter to " +
                                              std::to_string(filter.hi) + (upper ? ", upper" : ", lower") +
                                              ", offset " + std::to_string(offset);
                    EXPECT_NEAR(DspTest::Decibels(r.level / reference), 0.0, 0.5) << where;
                    EXPECT_LE(r.spurious, -70.0) << where;
                    EXPECT_LE(r.mirror, -70.0) << where;
                    ++swept;
                }
            }
    EXPECT_GE(swept, 4 * 2 * 40);   // more than 40 offsets of each case lie inside the span
}

// The pair moves on from block to block without a step in its phase: a tone heard across
// many blocks keeps one level and phase, and a receiver without offset is left untouched.
TEST(IQOffset, ThePairMovesWithoutAStepBetweenBlocksAndNotAtAllWithoutOffset)
{
    constexpr int32_t OffsetHz = 7321;
    ReceiveChainRig rig(DemodModeEnum::USB);
    IQModeOn = true;
    RITOffset = OffsetHz;
    const double hz = CapturedHz(false, OffsetHz, AudioHz);
    const std::vector<float> out = rig.Run(Cos(hz), Sin(hz), 12);
    const DspTest::Tone first = DspTest::FitTone(out.data(), BlockSize, AudioHz, rig.position - 2 * BlockSize, 1.0);
    const DspTest::Tone second = DspTest::FitTone(out.data() + BlockSize, BlockSize, AudioHz, rig.position - BlockSize, 1.0);
    EXPECT_NEAR(DspTest::Decibels(second.gain / first.gain), 0.0, 0.05);
    EXPECT_NEAR(std::remainder(second.phase - first.phase, 2 * DspTest::Pi), 0.0, 0.01);

    const auto pairAfterOneBlock = [](double phase) {
        ReceiveChainRig plain(DemodModeEnum::LSB);
        IQModeOn = true;
        IQShiftPhase = phase;
        plain.Run(Cos(9000), Sin(9000), 1);
        return std::vector<float>(IQDiff.begin(), IQDiff.begin() + BlockSize);
    };
    const std::vector<float> fromZero = pairAfterOneBlock(0.0);
    EXPECT_EQ(pairAfterOneBlock(0.25), fromZero);
    EXPECT_DOUBLE_EQ(IQShiftPhase, 0.25);
}

} // namespace
