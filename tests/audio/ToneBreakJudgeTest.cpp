#include "support/ToneBreakJudge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>
#include <vector>

using namespace ToneBreakJudge;

namespace {

constexpr double SampleRate = 48000;
constexpr double ToneHz = 1000;
constexpr size_t Block = 2048;
constexpr size_t BreakAt = 5 * 48000 + 1234;   // 5.026 s

// Ten seconds of a 16-bit tone at -12 dBFS a little off the 1 kHz judged, its pitch bent by 1 %
// from the middle on, as the playback bridge bends it at most; from the sample shiftedAt on, it
// is moved on by shiftSamples.
std::vector<int16_t> Tone(size_t shiftedAt = 0, double shiftSamples = 0)
{
    const double amplitude = 32767 * std::pow(10.0, -12.0 / 20);
    const double step = 2 * std::numbers::pi * 1000.2 / SampleRate;
    std::vector<int16_t> samples(10 * 48000);
    double phase = 0.3;
    for (size_t n = 0; n < samples.size(); ++n) {
        if (n == shiftedAt)
            phase += step * shiftSamples;
        samples[n] = static_cast<int16_t>(std::lrint(amplitude * std::sin(phase)));
        phase += step * (n < samples.size() / 2 ? 1.0 : 1.01);
    }
    return samples;
}

// At the threshold the sound sessions judge their played tone by.
std::vector<double> Breaks(const std::vector<int16_t>& samples)
{
    return ToneBreaks(samples, SampleRate, ToneHz, PlayedToneThresholdSteps);
}

double Seconds(size_t sample)
{
    return static_cast<double>(sample) / SampleRate;
}

// The first sample from the given one on where the tone crosses zero upwards: a shift of the
// tone shows most there.
size_t UpwardCrossingFrom(const std::vector<int16_t>& tone, size_t from)
{
    size_t crossing = from;
    while (!(tone[crossing - 1] < 0 && tone[crossing] >= 0))
        ++crossing;
    return crossing;
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

TEST(ToneBreakJudge, FindsASpliceARepeatedBlockADroppedBlockAShiftAndAHole)
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

    // A tenth of a sample, where the tone crosses zero and a shift shows most.
    const size_t crossing = UpwardCrossingFrom(Tone(), BreakAt);
    ExpectOneBreakAt(Tone(crossing, 0.1), crossing);

    // Three blocks of silence: where it starts and where the sound comes back.
    std::vector<int16_t> hole = Tone();
    std::fill_n(hole.begin() + BreakAt, 3 * Block, int16_t{0});
    const std::vector<double> edges = Breaks(hole);
    ASSERT_EQ(edges.size(), 2U);
    EXPECT_NEAR(edges[1] - edges[0], Seconds(3 * Block), 0.001);
}

// The threshold's edge: the smallest shift promised, a sixteenth of a sample where the tone
// crosses zero, misses the sine by 68 steps and is a break; an eighteenth of a sample, 61 steps,
// is not.
TEST(ToneBreakJudge, FindsASixteenthOfASamplesShiftButNotAnEighteenth)
{
    const size_t crossing = UpwardCrossingFrom(Tone(), BreakAt);
    ExpectOneBreakAt(Tone(crossing, 1.0 / 16), crossing);
    EXPECT_TRUE(Breaks(Tone(crossing, 1.0 / 18)).empty());
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
    EXPECT_EQ(judged(&Witnesses::Reference, {at + 0.14}).By, Cause::Reference);
    EXPECT_EQ(judged(&Witnesses::Reference, {at - 0.16, at + 0.16}).By, Cause::Unexplained);
    EXPECT_EQ(judged(&Witnesses::Reference, {at - 0.2, at + 0.2}).By, Cause::Unexplained);
    // The input broke, and the program played the break after its delay, up to 0.4 s later;
    // never before.
    EXPECT_EQ(judged(&Witnesses::Input, {at - 0.25}).By, Cause::Input);
    EXPECT_EQ(judged(&Witnesses::Input, {at - 0.38}).By, Cause::Input);
    EXPECT_EQ(judged(&Witnesses::Input, {at - 0.42}).By, Cause::Unexplained);
    EXPECT_EQ(judged(&Witnesses::Input, {at - 1.0}).By, Cause::Unexplained);
    EXPECT_EQ(judged(&Witnesses::Input, {at + 0.3}).By, Cause::Unexplained);
    // The kernel held the program, and the sound it could not hand on ran out of the server's
    // buffer up to 0.3 s later; a stall after the break, or too short to hold any sound back,
    // explains nothing.
    const auto stalled = [&](double endSeconds, double heldSeconds) {
        Witnesses witnesses;
        witnesses.Machine = {{endSeconds, heldSeconds}};
        return Judge({at}, witnesses).at(0);
    };
    EXPECT_EQ(stalled(at - 0.2, 0.05).By, Cause::Machine);
    EXPECT_NEAR(stalled(at - 0.2, 0.05).HeldSeconds, 0.05, 1e-9);
    EXPECT_EQ(stalled(at - 0.28, 0.05).By, Cause::Machine);
    EXPECT_EQ(stalled(at + 0.1, 0.05).By, Cause::Machine);
    EXPECT_EQ(stalled(at - 0.32, 0.05).By, Cause::Unexplained);
    EXPECT_EQ(stalled(at + 0.3, 0.05).By, Cause::Unexplained);
    EXPECT_EQ(stalled(at + 0.3, 0.4).By, Cause::Machine);
    EXPECT_EQ(stalled(at - 0.1, 0.005).By, Cause::Unexplained);
    Witnesses twoStalls;
    twoStalls.Machine = {{at - 0.25, 0.02}, {at - 0.1, 0.03}};
    EXPECT_NEAR(HeldBefore(twoStalls.Machine, at, at), 0.05, 1e-9);
    EXPECT_EQ(Describe(Judge({at}, twoStalls)), "5.026 s (the kernel held the program 30 ms up to 4.926 s)");
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
    std::vector<int16_t> hole = signal;
    signal.erase(signal.begin() + 30000);
    const std::vector<double> breaks = RepeatingSignalBreaks(signal, 48, 2, SampleRate);
    ASSERT_EQ(breaks.size(), 1U);
    EXPECT_NEAR(breaks[0], Seconds(30000), 0.001);
    // Where the sound stopped and where it came back, 0.3 s later.
    std::fill_n(hole.begin() + 10000, 14400, int16_t{0});
    const std::vector<double> edges = RepeatingSignalBreaks(hole, 48, 2, SampleRate);
    ASSERT_EQ(edges.size(), 2U);
    EXPECT_NEAR(edges[1] - edges[0], 0.3, 0.001);
}

// A second of noise, repeated, as the rig's player makes its noisy AM signal, as the server
// recorded it: a quantum lost at 2.3 s, a hole from 4 s to 4.3 s, and quanta lost at 6 s and
// 6.5 s. Every sample for a second after a loss is compared with one from before it, yet each
// loss is one break, and the hole breaks where it starts and where the sound comes back. So the
// first loss excuses a break of the played tone 0.3 s after it, not one 0.5 s after it.
TEST(ToneBreakJudge, CountsEachBreakOfASignalThatRepeatsEverySecondOnce)
{
    constexpr size_t Second = 48000;
    constexpr size_t Quantum = 1024;
    std::vector<int16_t> noise(Second);
    uint32_t state = 12345;
    for (int16_t& sample : noise) {
        state = state * 1664525U + 1013904223U;
        sample = static_cast<int16_t>(static_cast<int32_t>(state >> 18) - 8192);
    }
    std::vector<int16_t> recorded;
    size_t played = 0;
    const auto playUntil = [&](double seconds) {
        while (Seconds(recorded.size()) < seconds)
            recorded.push_back(noise[played++ % Second]);
    };
    playUntil(2.3);
    played += Quantum;
    playUntil(4.0);
    recorded.resize(static_cast<size_t>(4.3 * SampleRate));
    playUntil(6.0);
    played += Quantum;
    playUntil(6.5);
    played += Quantum;
    playUntil(8.0);

    Witnesses witnesses;
    witnesses.Input = RepeatingSignalBreaks(recorded, Second, 2, SampleRate);
    ASSERT_EQ(witnesses.Input.size(), 5U) << Describe(Judge(witnesses.Input, {}));
    for (size_t k = 0; k < 5; ++k)
        EXPECT_NEAR(witnesses.Input[k], (std::vector<double>{2.3, 4.0, 4.3, 6.0, 6.5})[k], 0.001);
    const std::vector<JudgedBreak> judged = Judge({2.6, 2.8}, witnesses);
    EXPECT_EQ(judged[0].By, Cause::Input);
    EXPECT_EQ(judged[1].By, Cause::Unexplained);
}

} // namespace

namespace {

// The sessions' second tone: it repeats every 49 samples exactly, so that with the 1 kHz tone
// the sound repeats only every 2352 samples, more than a block.
constexpr double SecondToneHz = 48000.0 * 2 / 49;

// Ten seconds of the two tones at -18 dBFS each, their pitch bent by 1 % from the middle on.
std::vector<int16_t> TwoTones()
{
    const double amplitude = 32767 * std::pow(10.0, -18.0 / 20);
    std::vector<int16_t> samples(10 * 48000);
    double first = 0.3;
    double second = 1.1;
    for (size_t n = 0; n < samples.size(); ++n) {
        samples[n] = static_cast<int16_t>(std::lrint(amplitude * (std::sin(first) + std::sin(second))));
        const double bend = n < samples.size() / 2 ? 1.0 : 1.01;
        first += 2 * std::numbers::pi * 1000.2 / SampleRate * bend;
        second += 2 * std::numbers::pi * (SecondToneHz + 0.2) / SampleRate * bend;
    }
    return samples;
}

std::vector<double> TwoToneBreaks(const std::vector<int16_t>& samples)
{
    const double tones[] = {ToneHz, SecondToneHz};
    return TonesBreaks(samples, SampleRate, tones, PlayedTonesThresholdSteps);
}

} // namespace

TEST(ToneBreakJudge, PassesTwoCleanTonesWhosePitchBends)
{
    EXPECT_TRUE(TwoToneBreaks(TwoTones()).empty());
}

// A slip of whole milliseconds leaves the 1 kHz tone whole, but not the second one, and one of
// whole periods of the second (49 samples) leaves that whole but not the first: each length
// from a sample to a block, dropped or repeated, at several places, is one break there. 1152
// samples, 24 ms, move the second tone the least of any whole millisecond: by a 49th of a cycle.
TEST(ToneBreakJudge, FindsTwoTonesSlippedByAnyLengthUpToABlock)
{
    const std::vector<int16_t> tones = TwoTones();
    for (const size_t length : {1U, 47U, 48U, 49U, 96U, 98U, 100U, 1152U, 2048U}) {
        for (const size_t at : {BreakAt, BreakAt + 17, BreakAt + 30}) {
            std::vector<int16_t> dropped = tones;
            dropped.erase(dropped.begin() + static_cast<ptrdiff_t>(at), dropped.begin() + static_cast<ptrdiff_t>(at + length));
            std::vector<int16_t> repeated = tones;
            repeated.insert(repeated.begin() + static_cast<ptrdiff_t>(at), repeated.begin() + static_cast<ptrdiff_t>(at - length),
                            repeated.begin() + static_cast<ptrdiff_t>(at));
            for (const auto* slipped : {&dropped, &repeated}) {
                const std::vector<double> breaks = TwoToneBreaks(*slipped);
                ASSERT_EQ(breaks.size(), 1U) << length << " samples " << (slipped == &dropped ? "dropped" : "repeated") << " at " << at;
                EXPECT_NEAR(breaks[0], Seconds(at), 0.001);
            }
        }
    }
}
