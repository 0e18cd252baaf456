#include "ReceiveChainRig.h"
#include "core/Globals.h"
#include "dsp/clsFFTReal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

// A crystal receiver tuned away from its crystal by an offset V: the chain moves the I/Q
// pair by V, so every offset whose pass band lies within the captured span hears as offset
// 0 does.
namespace {

using ChainTest::Radians;

constexpr double SpanHz = 24000.0;   // either side of the crystal's oscillator
// The tone heard. On the 500 Hz steps of the offsets the pair's tones fall on simple
// fractions of the sample rate too (8 kHz, a sixth of it), whose samples reach the crest of
// one channel and miss the other's: the chain's balance must find them equal all the same.
constexpr double AudioHz = 1000.0;
// The balance cannot weigh I against Q in a tone that turns only a few times a block: such a
// tone at the oscillator is left out.
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
        Analyse(out);
        double tone = 0, other = 0;
        for (int k = 1; k < AnalysedPoints / 2; ++k) {
            double& strongest = std::fabs(k - Bin(toneHz)) < 6 ? tone : other;
            strongest = std::max(strongest, Magnitude(k));
        }
        return DspTest::Decibels(other / tone);
    }

    // The line of the tone alone, whatever else the output holds more than six bins away.
    double LineAt(const std::vector<float>& out, double toneHz)
    {
        Analyse(out);
        double tone = 0;
        for (int k = 1; k < AnalysedPoints / 2; ++k)
            if (std::fabs(k - Bin(toneHz)) < 2)
                tone = std::max(tone, Magnitude(k));
        return tone;
    }

private:
    static double Bin(double hz) { return hz * AnalysedPoints / DspTest::SampleRate; }
    double Magnitude(int k) const { return std::hypot(re_[static_cast<size_t>(k)], im_[static_cast<size_t>(k)]); }

    void Analyse(const std::vector<float>& out)
    {
        std::vector<float> samples(out.end() - AnalysedPoints, out.end());
        for (size_t k = 0; k < samples.size(); ++k)
            samples[k] *= window_[k];
        fft_.FFT_Real_S_2(samples, re_, im_);
    }

    std::vector<float> re_ = std::vector<float>(AnalysedPoints);
    std::vector<float> im_ = std::vector<float>(AnalysedPoints);
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

// A crystal receiver on one image and mode, tuned from one frequency shown to the next while
// it runs. A frequency shown is counted from the crystal's oscillator; each tone runs as many
// blocks as the chain takes to forget the one before.
class TunedReceiver
{
public:
    TunedReceiver(int32_t mode, bool upper) : rig_(mode, Filter4.lo, Filter4.hi), upper_(upper)
    {
        IQModeOn = true;
        VFOControl = false;
        IQSelectUpper = upper;
        HiSideLoOn = true;
    }

    // The output for a tone aboveShownHz above the frequency shown.
    std::vector<float> Hear(int32_t shownHz, double aboveShownHz)
    {
        RITOffset = shownHz - (upper_ ? IFCentreHz : -IFCentreHz);   // as the software oscillator sets it
        const double hz = CapturedHz(upper_, RITOffset, aboveShownHz);
        return rig_.Run(Cos(hz), Sin(hz), BlocksPerTone);
    }

private:
    static constexpr int BlocksPerTone = 4;   // the last two are analysed

    ReceiveChainRig rig_;
    bool upper_;
};

// Whether a frequency (from the oscillator) is heard in the pass band of a frequency shown;
// the pair holds frequencies a sample rate apart as one.
bool InPassband(double hz, int32_t shownHz, double side, Filter filter)
{
    const double audio = std::remainder(side * (hz - shownHz), DspTest::SampleRate);
    return audio >= filter.lo && audio <= filter.hi;
}

// Every frequency shown from 24 kHz below the crystal's oscillator to 22.5 kHz above it, in
// 250 Hz steps, on the image the start-up takes there (the upper one above the oscillator),
// one tone at a time: the wanted tone 1 kHz into the sideband plays as at the model's own
// frequency, and clean. The same tone mirrored about the oscillator, and a tone 1 kHz into
// the other sideband, could only be heard at its pitch through the pair's image or the
// sideband's: both stay 70 dB below it wherever the mirror lies outside the pass band. The
// steps put the pair's tones on a sixth and a third of the sample rate (8 and 16 kHz) too.
TEST(IQOffset, EveryShownFrequencyHearsItsSidebandAndNeitherTheMirrorNorTheOtherSideband)
{
    Lines lines;
    int mirrorsOutside = 0;
    for (const int32_t mode : {DemodModeEnum::USB, DemodModeEnum::LSB}) {
        const double side = mode == DemodModeEnum::USB ? 1.0 : -1.0;
        const std::vector<float> ownFrequency = TunedReceiver(mode, false).Hear(-IFCentreHz, side * AudioHz);
        const double reference = ChainTest::ToneAmplitude(ownFrequency, AudioHz);
        for (const bool upper : {false, true}) {
            TunedReceiver receiver(mode, upper);
            for (int32_t shown = upper ? 250 : -24000; shown <= (upper ? 22500 : 0); shown += 250) {
                const std::string where = (upper ? "upper image, " : "lower image, ") +
                                          std::string(mode == DemodModeEnum::USB ? "USB" : "LSB") + ", shown " +
                                          std::to_string(shown) + " Hz from the oscillator";
                const std::vector<float> wanted = receiver.Hear(shown, side * AudioHz);
                const double level = ChainTest::ToneAmplitude(wanted, AudioHz);
                EXPECT_NEAR(DspTest::Decibels(level / reference), 0.0, 0.5) << where;
                EXPECT_LE(lines.StrongestOtherLine(wanted, AudioHz), -70.0) << where;

                const double wantedHz = shown + side * AudioHz;
                if (InPassband(-wantedHz, shown, side, Filter4))
                    continue;
                ++mirrorsOutside;
                const double line = lines.LineAt(wanted, AudioHz);
                const auto heard = [&](double aboveShownHz) {
                    return DspTest::Decibels(lines.LineAt(receiver.Hear(shown, aboveShownHz), AudioHz) / line);
                };
                EXPECT_LE(heard(-wantedHz - shown), -70.0) << "the mirror, " << where;
                EXPECT_LE(heard(-side * AudioHz), -70.0) << "the other sideband, " << where;
            }
        }
    }
    EXPECT_GE(mirrorsOutside, 2 * 170);   // all but the frequencies shown near the oscillator
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
