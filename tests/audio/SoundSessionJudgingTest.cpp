#include "support/SoundSessionJudging.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

using namespace SoundSessionJudging;

namespace {

// The block that starts at or just after the time.
size_t BlockAt(double seconds)
{
    return static_cast<size_t>(std::ceil(seconds / BlockSeconds));
}

Hole HoleAt(double seconds, int blocks = 2)
{
    return {static_cast<double>(BlockAt(seconds)) * BlockSeconds, blocks};
}

// Sound from 1 s to 30 s of the recording, with those holes.
Heard Span(std::vector<Hole> holes = {})
{
    Heard heard;
    heard.Action = "On";
    heard.ActionSeconds = 0.9;
    heard.EndSeconds = 30;
    heard.Sound = true;
    heard.FirstBlock = BlockAt(1.0);
    heard.EndBlock = BlockAt(30.0);
    heard.Holes = std::move(holes);
    heard.SoundAtTheEnd = true;
    return heard;
}

OthersBreaks InputBroke(std::vector<double> at)
{
    return {std::move(at), {}, {}};
}

OthersBreaks ReferenceBroke(std::vector<double> at)
{
    return {{}, std::move(at), {}};
}

OthersBreaks ExplainedBroke(std::vector<double> at)
{
    return {{}, {}, std::move(at)};
}

// A break of the rig's signal comes through the program up to 0.4 s later, and the rig's
// recording may show it up to a block after the program's: the holes that follow it so closely
// are not the program's. One with the reference stream's break at its moment is the server's.
TEST(SoundSessionJudging, LeavesOutOnlyTheHolesAtTheRigsOwnBreaks)
{
    const std::vector<Hole> holes{HoleAt(5.0), HoleAt(10.0), HoleAt(15.0), HoleAt(20.0)};
    const auto kept = [&](const OthersBreaks& breaks) { return HolesNotOfTheRig(holes, breaks).size(); };
    EXPECT_EQ(kept({}), 4U);
    // 0.37 s and 0.05 s after the input broke, and 0.01 s before it.
    EXPECT_EQ(kept(InputBroke({4.67, 9.98, 15.03})), 1U);
    // 0.46 s after it, or more than a block before it.
    EXPECT_EQ(kept(InputBroke({4.57, 10.1})), 4U);
    // The reference stream broke at the same moment, give or take the recordings' alignment.
    EXPECT_EQ(kept(ReferenceBroke({4.9, 10.1})), 2U);
    EXPECT_EQ(kept(ReferenceBroke({4.7, 10.3})), 4U);
    // A break something else explains is no break of the rig's.
    EXPECT_EQ(kept(ExplainedBroke({5.0, 10.0})), 4U);
    // The witness named is the rig's last break before the hole.
    const auto witness = RigBreakBefore(HoleAt(10.0), InputBroke({9.2, 9.98, 10.5}));
    ASSERT_TRUE(witness);
    EXPECT_STREQ(witness->Stream, "the rig's signal");
    EXPECT_DOUBLE_EQ(witness->AtSeconds, 9.98);
}

// The kernel held the program before a hole: the hole is excused for as long as the stalls
// explain, over whole blocks with an edge of the hole in a block of its own, and no longer. A
// stall after the hole, or one too short to hold sound back, explains none of it.
TEST(SoundSessionJudging, ExcusesAHoleOnlyAsLongAsTheKernelHeldTheProgramBeforeIt)
{
    const Hole hole = HoleAt(5.0, 3);
    const auto stalled = [](std::vector<ToneBreakJudge::MachineStall> stalls) {
        OthersBreaks breaks;
        breaks.Machine = std::move(stalls);
        return breaks;
    };
    EXPECT_EQ(BlocksTheKernelExplains(hole, {}), 0);
    // 60 ms ending 0.2 s before it: two blocks and an edge.
    EXPECT_EQ(BlocksTheKernelExplains(hole, stalled({{hole.AtSeconds - 0.2, 0.06}})), 3);
    EXPECT_TRUE(HolesOfTheProgram({hole}, stalled({{hole.AtSeconds - 0.2, 0.06}})).empty());
    // 30 ms: a block and an edge, so the hole of three blocks is the program's.
    EXPECT_EQ(HolesOfTheProgram({hole}, stalled({{hole.AtSeconds - 0.2, 0.03}})).size(), 1U);
    // Two stalls before it add up.
    EXPECT_TRUE(HolesOfTheProgram({hole}, stalled({{hole.AtSeconds - 0.25, 0.03}, {hole.AtSeconds - 0.1, 0.03}})).empty());
    // Ended too early, began too late (0.2 s after the hole), too short.
    EXPECT_EQ(BlocksTheKernelExplains(hole, stalled({{hole.AtSeconds - 0.35, 0.2}})), 0);
    EXPECT_EQ(BlocksTheKernelExplains(hole, stalled({{hole.AtSeconds + 0.4, 0.2}})), 0);
    EXPECT_EQ(BlocksTheKernelExplains(hole, stalled({{hole.AtSeconds - 0.1, 0.005}})), 0);
    // A break of the rig's input excuses the hole after it, whatever the kernel saw.
    OthersBreaks inputBroke = InputBroke({hole.AtSeconds - 0.1});
    EXPECT_TRUE(HolesOfTheProgram({hole}, inputBroke).empty());
}

// A purity window of 40 blocks (1.7 s) between holes is judged unless it touches a hole or the
// blocks at a hole's edges, may carry a break of the rig's signal or of the reference stream,
// or holds a break of the played tone that something else explains.
TEST(SoundSessionJudging, JudgesTheWindowsBetweenHolesAwayFromOthersBreaks)
{
    const size_t first = BlockAt(10.0);
    const double from = static_cast<double>(first) * BlockSeconds;
    const double to = from + PurityWindowBlocks * BlockSeconds;
    const auto judged = [&](std::vector<Hole> holes, OthersBreaks breaks) {
        return JudgedBetweenHoles(Span(std::move(holes)), first, breaks);
    };
    EXPECT_TRUE(judged({}, {}));
    EXPECT_FALSE(judged({HoleAt(from + 0.5)}, {}));
    // A hole in the block just after the window, or one that ends where it starts.
    EXPECT_FALSE(judged({{to, 2}}, {}));
    EXPECT_FALSE(judged({{from - 3 * BlockSeconds, 3}}, {}));
    EXPECT_TRUE(judged({{from - 4 * BlockSeconds, 3}, {to + BlockSeconds, 2}}, {}));
    // A hole that something else explains keeps the window off it all the same.
    Heard excused = Span();
    excused.ExcusedHoles = {{from - 2 * BlockSeconds, 3}};
    EXPECT_FALSE(JudgedBetweenHoles(excused, first, {}));

    // The input broke less than 0.4 s before the window, or in it.
    EXPECT_FALSE(judged({}, InputBroke({from - 0.35})));
    EXPECT_FALSE(judged({}, InputBroke({to - 0.1})));
    EXPECT_TRUE(judged({}, InputBroke({from - 0.45})));
    EXPECT_TRUE(judged({}, InputBroke({to + 0.1})));
    // The reference stream broke in the window, or at its edges.
    EXPECT_FALSE(judged({}, ReferenceBroke({from - 0.1})));
    EXPECT_FALSE(judged({}, ReferenceBroke({to + 0.1})));
    EXPECT_TRUE(judged({}, ReferenceBroke({from - 0.2, to + 0.2})));
    // The played tone broke in it where something else explains, or at its edges.
    EXPECT_FALSE(judged({}, ExplainedBroke({from + 1.0})));
    EXPECT_FALSE(judged({}, ExplainedBroke({to + 0.03})));
    EXPECT_TRUE(judged({}, ExplainedBroke({from - 0.1, to + 0.1})));
}

// The tone's breaks of a span are judged from after its onset (two blocks) to its end; those of
// the first-sound sessions from the new start's sound, after the sound before the Off and the
// hole that ends it.
TEST(SoundSessionJudging, TakesTheBreaksOfASpanFromAfterItsOnset)
{
    const Heard span = Span();
    const double onset = static_cast<double>(span.FirstBlock) * BlockSeconds;
    const std::vector<double> breaks{0.5, onset + 0.05, onset + 0.1, 12.0, 29.9, 30.5};
    EXPECT_EQ(BreaksAfterTheOnset(breaks, span), (std::vector<double>{onset + 0.1, 12.0, 29.9}));

    const Heard afterTheOldSound = FromTheNewSound(Span({HoleAt(1.1), HoleAt(1.3, 3)}), 1.5);
    EXPECT_TRUE(afterTheOldSound.Holes.empty());
    EXPECT_EQ(afterTheOldSound.FirstBlock, BlockAt(1.3) + 3);
    EXPECT_EQ(afterTheOldSound.EndBlock, span.EndBlock);
    EXPECT_EQ(BreaksAfterTheOnset({1.35, 1.5, 2.0}, afterTheOldSound), (std::vector<double>{2.0}));
    EXPECT_EQ(FromTheNewSound(span, 1.5).FirstBlock, span.FirstBlock);
    // A hole once the new sound has begun leaves the breaks after the new sound's start judged.
    const Heard withALaterHole = FromTheNewSound(Span({HoleAt(1.1), HoleAt(12.0)}), 1.5);
    EXPECT_EQ(withALaterHole.FirstBlock, BlockAt(1.1) + 2);
    ASSERT_EQ(withALaterHole.Holes.size(), 1U);
    EXPECT_EQ(BreaksAfterTheOnset({1.5, 12.0, 14.0}, withALaterHole), (std::vector<double>{1.5, 12.0, 14.0}));
}

} // namespace
