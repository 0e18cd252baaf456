#pragma once

#include "support/ToneBreakJudge.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// How the sound sessions (tests/app/SoundSession.h) judge what the rig recorded of the
// program's sound, block by block, and which of its holes and breaks they leave to something
// other than the program: the server, or the rig's own signal. It needs neither a server nor
// the program.
namespace SoundSessionJudging {

constexpr int32_t SampleRate = 48000;         // the rig's
constexpr size_t BlockSamples = 2048;
constexpr double BlockSeconds = static_cast<double>(BlockSamples) / SampleRate;
constexpr double SilentRms = 10.0;            // a block of the tone quieter than this is a hole
// What the device plays when it has no sound: zeros. The receiver's own output of a signal in
// noise may be far quieter than SilentRms (a narrow filter beside the signal, the AGC off)
// without ever being this.
constexpr double DeviceSilenceRms = 1.0;
// A gap of the device's silence this long inside a block makes it a hole too: a gap of about
// a block that straddles two blocks leaves each of them loud on the whole.
constexpr size_t GapSamples = 48;
constexpr double SoundWithinSeconds = 1.0;    // from an action to its first audible block
// The rig's two tones as the program plays them: 1 kHz, and 2 cycles in 49 samples.
constexpr double PlayedToneHz = 1000.0;
constexpr double PlayedSecondToneHz = 2.0 * SampleRate / 49;
constexpr size_t PurityWindowBlocks = 40;
constexpr double PurityDb = 80.0;             // of the tones over all else, in every window
// A sample of the played tones that misses the sum of sines through the four before it by more
// than this breaks them (see ToneBreakJudge::TonesBreaks).
constexpr double ToneBreakSteps = ToneBreakJudge::PlayedTonesThresholdSteps;
// The receiver's first block of sound comes from filters at rest, and the limiter turns that
// whole block down by the overshoot of their start (a few parts in ten thousand, more or less
// with the phase the input starts at): it is the sound's onset, not a fault of the way it is
// played. It begins in the first audible block and ends in the next, so the purity is judged
// from the block after that.
constexpr size_t OnsetBlocks = 2;
// Where the rig's own signal broke on its way in (a server held up by a machine busy elsewhere
// drops some of it), the program plays the break as it came, after its delay: a span from a
// little before such a break to this long after it is not the program's to answer for.
constexpr double InputBreakReachSeconds = ToneBreakJudge::InputDelaySeconds;
// Recorded past the end of the last span, to hear whether a hole at its very end closes.
constexpr double TailSeconds = 0.5;
// The furthest a played sink may play ahead: the longest latency a recorder of it asks for.
constexpr double MostAheadSeconds = 2.0;
// A sink hands its monitor what it plays a period at a time, which its recording places where
// the period was handed on: PulseAudio's played sink, which its 20 ms listeners wake that often,
// ends the sound of an Off in its recording from 12 ms before the click to 26 ms after it (in
// some 200 Offs).
constexpr double SinkPeriodSeconds = 0.02;

// A run of silent blocks after the sound had come.
struct Hole
{
    double AtSeconds = 0;   // where it starts in the recording
    int Blocks = 0;
};

// What was heard from an action that should bring sound until the next action, or the end
// of the recording.
struct Heard
{
    std::string Action;
    double ActionSeconds = 0;
    double EndSeconds = 0;
    bool Sound = false;              // an audible block came at all
    size_t FirstBlock = 0;           // the first audible one
    size_t EndBlock = 0;             // past the last whole block before the end
    std::vector<Hole> Holes;         // after the first audible block
    std::vector<Hole> ExcusedHoles;  // taken out of Holes, as something else made or explains them
    bool SoundAtTheEnd = false;      // the last block is loud

    double FirstAudibleSeconds() const { return static_cast<double>(FirstBlock) * BlockSeconds; }
    double SecondsToSound() const { return FirstAudibleSeconds() - ActionSeconds; }
};

// The purity of the two tones in the worst window of a span, and the pitch of the first.
struct Purity
{
    size_t Windows = 0;
    int Impure = 0;                  // below PurityDb
    double WorstSnrDb = 0;
    double WorstAtSeconds = 0;       // where that window starts in the recording
    double WorstToneHz = 0;
    double LowestToneHz = INFINITY;  // of the pure windows
    double HighestToneHz = 0;
};

// Where something other than the program broke the sound, in seconds of the recording: the
// rig's signal on its way in, the reference stream, the breaks of the played tone that one of
// them or the kernel explains, and where the kernel held the program.
struct OthersBreaks
{
    std::vector<double> Input;
    std::vector<double> Reference;
    std::vector<double> Explained;
    std::vector<ToneBreakJudge::MachineStall> Machine = {};
};

// Whether a stretch of the recording may carry a break of the rig's signal (from a block before
// it to InputBreakReachSeconds after it), of the reference stream (at the same moment), or a
// break of the played tone that something else explains (within a block of it).
bool NearAnInputBreak(const OthersBreaks& breaks, double fromSeconds, double toSeconds);
bool NearAReferenceBreak(const OthersBreaks& breaks, double fromSeconds, double toSeconds);
bool HoldsAnExplainedBreak(const OthersBreaks& breaks, double fromSeconds, double toSeconds);

// The break of the rig that explains a hole: the last of the rig's signal from
// InputBreakReachSeconds before it to a block after its start, else the last of the reference
// stream at its moment; none where neither broke.
struct RigBreak
{
    const char* Stream = "";
    double AtSeconds = 0;
};
std::optional<RigBreak> RigBreakBefore(const Hole& hole, const OthersBreaks& breaks);
// The holes less those that follow a break of the rig's signal or come with a break of the
// reference stream.
std::vector<Hole> HolesNotOfTheRig(const std::vector<Hole>& holes, const OthersBreaks& breaks);
// The longest hole that the kernel's stalls before it explain: the sound held back for as long
// as they held the program, over whole blocks, each edge of it in a block of its own; none
// where no stall came.
int BlocksTheKernelExplains(const Hole& hole, const OthersBreaks& breaks);
// The holes less those of the rig and those the kernel's stalls explain whole.
std::vector<Hole> HolesOfTheProgram(const std::vector<Hole>& holes, const OthersBreaks& breaks);
// Whether a window of PurityWindowBlocks from the block first is judged between holes: it
// touches no hole, excused or not, nor the blocks at its edges where sound and silence meet,
// and may carry no break that something other than the program made or explains.
bool JudgedBetweenHoles(const Heard& heard, size_t first, const OthersBreaks& breaks);
// The breaks of the played tone within the span, from after its onset.
std::vector<double> BreaksAfterTheOnset(const std::vector<double>& toneBreaks, const Heard& heard);
// The part of the span from where its new sound began: after the last hole that ends by
// settledSeconds (the gap between the sound before an Off and the new start's), with the holes
// after it; the whole span where no hole ends so early.
Heard FromTheNewSound(const Heard& heard, double settledSeconds);

} // namespace SoundSessionJudging
