#include "support/ToneBreakJudge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

using namespace ToneBreakJudge;

namespace {

constexpr double SampleRate = 48000;
constexpr double ToneHz = 1000;
constexpr double ThresholdSteps = 64;
constexpr size_t Block = 2048;
constexpr size_t BreakAt = 5 * 48000 + 1234;   // 5.026 s

// Ten seconds of a 16-bit tone at -12 dBFS a little off the 1 kHz judged, its pitch bent by 1 %
// from the middle on, as the playback bridge bends it at most.
std::vector<int16_t> Tone()
{
    const double amplitude = 32767 * std::pow(10.0, -12.0 / 20);
    std::vector<int16_t> samples(10 * 48000);
    double phase = 0.3;
    for (size_t n = 0; n < samples.size(); ++n) {
        samples[n] = static_cast<int16_t>(std::lrint(amplitude * std::sin(phase)));
        phase += 2 * std::numbers::pi * 1000.2 / SampleRate * (n < samples.size() / 2 ? 1.0 : 1.01);
    }
    return samples;
}

std::vector<double> Breaks(const std::vector<int16_t>& samples)
{
    return ToneBreaks(samples, SampleRate, ToneHz, ThresholdSteps);
}

double Seconds(size_t sample)
{
    return static_cast<double>(sample) / SampleRate;
}

// A break at one moment, and nothing else.
void ExpectOneBreakAt(const std::vector<int16_t>& samples, size_t at)
{
    const std::vector<double> breaks = Breaks(samples);
    ASSERT_EQ(breaks.size(), 1U);
    EXPECT_NEAR(breaks[0], Seconds(at), 0.001);
    EXPECT_EQ(Judge(breaks, {}).at(0).By, Cause::Unexplained);
}

TEST(ToneBreakJudge, PassesACleanToneWhoseTunedPitchBends)
{
    EXPECT_TRUE(Breaks(Tone()).empty());
}

TEST(ToneBreakJudge, FindsASpliceARepeatedBlockADroppedBlockAndAHole)
{
    std::vector<int16_t> splice = Tone();
    std::copy(splice.begin() + BreakAt - 100, splice.begin() + BreakAt, splice.begin() + BreakAt);
    ExpectOneBreakAt(splice, BreakAt);

    std::vector<int16_t> repeated = Tone();
    repeated.insert(repeated.begin() + BreakAt, repeated.begin() + BreakAt - Block, repeated.begin() + BreakAt);
    ExpectOneBreakAt(repeated, BreakAt);

    std::vector<int16_t> dropped = Tone();
    dropped.erase(dropped.begin() + BreakAt, dropped.begin() + BreakAt + Block);
    ExpectOneBreakAt(dropped, BreakAt);

    // Three blocks of silence: where it starts and where the sound comes back.
    std::vector<int16_t> hole = Tone();
    std::fill_n(hole.begin() + BreakAt, 3 * Block, int16_t{0});
    const std::vector<double> edges = Breaks(hole);
    ASSERT_EQ(edges.size(), 2U);
    EXPECT_NEAR(edges[1] - edges[0], Seconds(3 * Block), 0.001);
}

TEST(ToneBreakJudge, ExcusesABreakOnlyWhereAWitnessSawItAtThatMoment)
{
    const double at = Seconds(BreakAt);
    // The break, with one kind of witness seen at those times.
    const auto judged = [&](std::vector<double> Witnesses::*kind, std::vector<double> seen) {
        Witnesses witnesses;
        witnesses.*kind = std::move(seen);
        return Judge({at}, witnesses).at(0);
    };
    // The server broke both streams at once, to within the alignment of their recordings.
    EXPECT_EQ(judged(&Witnesses::Reference, {at + 0.05}).By, Cause::Reference);
    EXPECT_NEAR(judged(&Witnesses::Reference, {at + 0.05}).WitnessSeconds, at + 0.05, 1e-9);
    EXPECT_EQ(judged(&Witnesses::Reference, {at - 0.05}).By, Cause::Reference);
    EXPECT_EQ(judged(&Witnesses::Reference, {at - 0.2, at + 0.2}).By, Cause::Unexplained);
    // The input broke, and the program played the break after its delay; never before.
    EXPECT_EQ(judged(&Witnesses::Input, {at - 0.4}).By, Cause::Input);
    EXPECT_EQ(judged(&Witnesses::Input, {at - InputDelaySeconds - 0.1}).By, Cause::Unexplained);
    EXPECT_EQ(judged(&Witnesses::Input, {at + 0.3}).By, Cause::Unexplained);
    // The program traced an underrun or a trim: the line comes after the sound it tells of, and
    // the sound comes back after the line.
    EXPECT_EQ(judged(&Witnesses::Trace, {at + 0.8}).By, Cause::Trace);
    EXPECT_EQ(judged(&Witnesses::Trace, {at - 0.3}).By, Cause::Trace);
    EXPECT_EQ(judged(&Witnesses::Trace, {at + TraceLateSeconds + 0.1}).By, Cause::Unexplained);
    EXPECT_EQ(judged(&Witnesses::Trace, {at - TraceEarlySeconds - 0.1}).By, Cause::Unexplained);
    Witnesses reference;
    reference.Reference = {at};
    EXPECT_EQ(Describe(Judge({at, at + 2}, reference)), "5.026 s (reference at 5.026 s), 7.026 s (unexplained)");
}

TEST(ToneBreakJudge, FindsWhereTheRigsRepeatingSignalBroke)
{
    std::vector<int16_t> signal;
    for (size_t n = 0; n < 48000; ++n)
        signal.push_back(static_cast<int16_t>(std::lrint(16384 * std::cos(2 * std::numbers::pi * 13000 / SampleRate * static_cast<double>(n)))));
    EXPECT_TRUE(RepeatingSignalBreaks(signal, 48, 2, SampleRate).empty());
    signal.erase(signal.begin() + 30000);
    const std::vector<double> breaks = RepeatingSignalBreaks(signal, 48, 2, SampleRate);
    ASSERT_EQ(breaks.size(), 1U);
    EXPECT_NEAR(breaks[0], Seconds(30000), 0.001);
}

} // namespace
